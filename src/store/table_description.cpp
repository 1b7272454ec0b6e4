#include "store/table_description.h"

#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/summary_table.h"
#include "store/user_tables.h"

const QString kGeneralNumber = QStringLiteral("general");

const TableColumn* TableDescription::find(const QString& name) const {
    for (const TableColumn& c : columns)
        if (c.name() == name)
            return &c;
    return nullptr;
}

const TableColumn& TableDescription::column(const QString& name) const {
    const TableColumn* found = find(name);
    if (!found)
        qFatal("column %s of table %s is not described", qPrintable(name), qPrintable(table));
    return *found;
}

QStringList TableDescription::names() const {
    QStringList out;
    for (const TableColumn& c : columns)
        out << c.name();
    return out;
}

std::vector<const TableDescription*> storedTables() {
    return {&stockTable(), &salesTable(), &userTable(), &loginLogTable()};
}

const TableColumn* describedColumn(const Field& field) {
    std::vector<const TableDescription*> tables = storedTables();
    tables.push_back(&summaryTable());
    for (const TableDescription* t : tables)
        if (t->table == field.table)
            return t->find(field.column);
    return nullptr;
}

QString insertStatement(const TableDescription& table, const QStringList& columns) {
    QStringList quoted, marks;
    for (const QString& name : columns) {
        quoted << QLatin1Char('"') + table.column(name).name() + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    return QStringLiteral("insert into %1 (%2) values (%3)")
        .arg(table.table, quoted.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}
