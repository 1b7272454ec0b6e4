#pragma once
// Field: which value a grid column holds, named by its table and stored column (the purchase price
// of a batch is "data"."1"), whatever caption stands over it. Rights withhold fields, so English or
// any other captions cannot change what a user sees.
#include <QHashFunctions>
#include <QList>
#include <QString>

struct Field {
    QString table;
    QString column;

    bool isNull() const { return table.isEmpty() && column.isEmpty(); }
    friend bool operator==(const Field& a, const Field& b) { return a.table == b.table && a.column == b.column; }
    friend bool operator!=(const Field& a, const Field& b) { return !(a == b); }
};

inline size_t qHash(const Field& field, size_t seed = 0) { return qHashMulti(seed, field.table, field.column); }

using Fields = QList<Field>;
