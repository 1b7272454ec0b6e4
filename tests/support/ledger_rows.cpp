#include "support/ledger_rows.h"

#include "store/database.h"
#include "store/table_description.h"
#include "store/user_tables.h"
#include "support/ledger_builder.h"

namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

}  // namespace

QList<QVariantList> tableRows(Database& db, const TableDescription& table) {
    QStringList names;
    QString order = quoted(account::kName);
    for (const TableColumn& c : table.columns) {
        names << quoted(c.name());
        if (c.type == ColumnType::Integer)
            order = quoted(c.name());
    }
    const std::vector<ColumnStore> columns =
        db.read(QStringLiteral("select %1 from %2 order by %3").arg(names.join(QLatin1Char(',')), table.table, order));
    QList<QVariantList> rows(columns.empty() ? 0 : columns.front().rowCount());
    for (int r = 0; r < rows.size(); ++r)
        for (const ColumnStore& c : columns)
            rows[r] << c.value(r);
    return rows;
}

QList<QList<QVariantList>> everyRow(Database& db) {
    QList<QList<QVariantList>> tables;
    for (const TableDescription* table : storedTables())
        tables << tableRows(db, *table);
    return tables;
}

QString firstDifference(Database& a, Database& b) {
    for (const TableDescription* table : storedTables()) {
        const QList<QVariantList> left = tableRows(a, *table), right = tableRows(b, *table);
        if (left.size() != right.size())
            return QStringLiteral("%1: %2 rows against %3").arg(table->table).arg(left.size()).arg(right.size());
        for (int r = 0; r < left.size(); ++r)
            for (int c = 0; c < left[r].size(); ++c)
                if (left[r][c] != right[r][c] || left[r][c].typeId() != right[r][c].typeId())
                    return QStringLiteral("%1 row %2 column %3: %4 against %5")
                        .arg(table->table)
                        .arg(r)
                        .arg(table->columns[size_t(c)].name(), left[r][c].toString(), right[r][c].toString());
    }
    return {};
}

void fillShopLedger(Database& db) {
    LedgerBuilder b(db, QDate(2024, 3, 5));
    b.addBatch({.name = QStringLiteral("可乐"), .model = QStringLiteral("330ml"), .code = QStringLiteral("6901"),
                .category = QStringLiteral("饮料"), .supplier = QStringLiteral("Acme 商行"), .purchasePrice = 2.35,
                .salesPrice = 3.5, .sold = 4.0, .stock = 6.0});
    const qint64 gone = b.addBatch({.name = QStringLiteral("删去的")});
    b.addBatch({.id = 1000, .name = QStringLiteral("Mixed Case 毛巾"), .remark = kNull, .purchasePrice = 0.1,
                .salesPrice = kNull, .stock = 0.333, .date = QStringLiteral("2023-12-31")});
    db.exec(QStringLiteral("delete from data where id=?"), {gone});
    const qint64 first = b.addSale({.name = QStringLiteral("可乐"), .customerName = QStringLiteral("张三"),
                                    .customerNumber = QStringLiteral("20240305001"), .purchasePrice = 2.35,
                                    .price = 3.5, .quantity = 4.0, .arrears = 1.25});
    b.addSale({.name = QStringLiteral("毛巾"), .remark = kNull, .price = 0.1, .quantity = 3.0,
               .date = QStringLiteral("2024-02-29")});
    b.addSale({.id = first + 5, .name = QStringLiteral("退货"), .price = 3.5, .quantity = -1.0, .arrears = kNull});
    b.addUser(QStringLiteral("收银员"), QStringLiteral("123"));
    b.addUserStoredAs(QStringLiteral("老王"), QStringLiteral("abc"));
    for (const char* who : {"超级管理员", "收银员", "老王"})
        db.exec(QStringLiteral("insert into rz (username, btime, jtime) values (?,?,?)"),
                {QString::fromUtf8(who), QStringLiteral("2024-03-05 08:00:00"), kNull});
}
