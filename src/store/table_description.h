#pragma once
// A table of the ledger described once: for each column the value it holds (its Field, which is
// its table and stored name), its type, its titles in Chinese and in English and its number
// picture. Grids, exports, the workbook import, the generator and the tests take their columns
// from these descriptions, and a test holds them to the tables a new ledger file gets.
#include "store/field.h"

#include <QString>
#include <QStringList>
#include <vector>

extern const QString kGeneralNumber;  // the picture "general": the general number text

enum class ColumnType {
    Integer,   // the record's identity
    Text,
    Number,    // a stored REAL
    Date,      // a "yyyy-MM-dd" text
    DateTime,  // a date and time text
};

// A column's titles as a grid shows them: the band over adjacent columns, then its own.
struct ColumnTitles {
    QString upper;
    QString lower;

    bool isEmpty() const { return upper.isEmpty() && lower.isEmpty(); }
    QString joined() const { return upper + QLatin1Char('|') + lower; }
};

struct TableColumn {
    Field field;
    ColumnType type = ColumnType::Text;
    ColumnTitles chinese;  // empty for a column no grid shows
    ColumnTitles english;  // empty where the program shows the column in Chinese only
    // "" shows the stored text; kGeneralNumber the general number text; anything else is a number
    // picture such as "#.##".
    QString picture;

    const QString& name() const { return field.column; }
};

struct TableDescription {
    QString table;
    std::vector<TableColumn> columns;

    const TableColumn* find(const QString& name) const;
    // The column of that stored name; asking for one that is not described is a fault of the program.
    const TableColumn& column(const QString& name) const;
    // Every described column, stored names in order.
    QStringList names() const;
};

// The stored tables: stock `data`, sales `data1`, users `userdb` and the login log `rz`.
std::vector<const TableDescription*> storedTables();
// The description of a field of any stored table or of the product summary; null for none.
const TableColumn* describedColumn(const Field& field);

// "insert into TABLE ("c1","c2") values (?,?)" for these described columns, values bound in order.
QString insertStatement(const TableDescription& table, const QStringList& columns);
