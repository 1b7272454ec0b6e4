#include "support/ledger_builder.h"

#include "store/data_module.h"
#include "store/password_hash.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/user_tables.h"

#include <QStringList>
#include <QVariantList>

namespace {

// a × b, or NULL when either is NULL.
QVariant product(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return kNull;
    return a.toDouble() * b.toDouble();
}

QVariant difference(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return kNull;
    return a.toDouble() - b.toDouble();
}

QString quoted(const QString& column) { return QLatin1Char('"') + column + QLatin1Char('"'); }

qint64 insert(Database& db, const QString& table, const QList<QPair<QString, QVariant>>& row) {
    QStringList columns, marks;
    QVariantList values;
    for (const auto& [column, value] : row) {
        columns << quoted(column);
        marks << QStringLiteral("?");
        values << value;
    }
    db.exec(QStringLiteral("insert into %1 (%2) values (%3)").arg(table, columns.join(QLatin1Char(',')),
                                                                marks.join(QLatin1Char(','))),
            values);
    return db.lastInsertId();
}

}  // namespace

qint64 LedgerBuilder::addBatch(const StockBatch& b) {
    const QVariant quantity =
        b.quantity ? *b.quantity : b.stock ? QVariant(b.stock->toDouble() + b.sold.toDouble()) : QVariant(10.0);
    const QVariant stock = b.stock ? *b.stock : difference(quantity, b.sold);
    return insert(db(), stock::kTable,
                  {{stock::kId, b.id},
                   {stock::kName, b.name},
                   {stock::kModel, b.model},
                   {stock::kCode, b.code},
                   {stock::kCategory, b.category},
                   {stock::kNameInitials, b.nameInitials},
                   {stock::kModelInitials, b.modelInitials},
                   {stock::kSupplier, b.supplier},
                   {stock::kRemark, b.remark},
                   {stock::kPurchasePrice, b.purchasePrice},
                   {stock::kQuantity, quantity},
                   {stock::kPurchaseAmount, b.purchaseAmount.value_or(product(b.purchasePrice, quantity))},
                   {stock::kSalesPrice, b.salesPrice},
                   {stock::kSoldQuantity, b.sold},
                   {stock::kSalesTotal, b.salesTotal.value_or(product(b.sold, b.salesPrice))},
                   {stock::kStockQuantity, stock},
                   {stock::kStockAmount, b.stockAmount.value_or(product(stock, b.purchasePrice))},
                   {stock::kDate, b.date.value_or(m_day)}});
}

qint64 LedgerBuilder::addSale(const SaleLine& s) {
    return insert(db(), salesrecord::kTable,
                  {{salesrecord::kId, s.id},
                   {salesrecord::kName, s.name},
                   {salesrecord::kModel, s.model},
                   {salesrecord::kCode, s.code},
                   {salesrecord::kCategory, s.category},
                   {salesrecord::kNameInitials, s.nameInitials},
                   {salesrecord::kModelInitials, s.modelInitials},
                   {salesrecord::kCustomerName, s.customerName},
                   {salesrecord::kAddress, s.address},
                   {salesrecord::kContact, s.contact},
                   {salesrecord::kRemark, s.remark},
                   {salesrecord::kCustomerNumber, s.customerNumber},
                   {salesrecord::kPurchasePrice, s.purchasePrice},
                   {salesrecord::kPrice, s.price},
                   {salesrecord::kQuantity, s.quantity},
                   {salesrecord::kAmount, s.amount.value_or(product(s.price, s.quantity))},
                   {salesrecord::kProfit, s.profit.value_or(product(difference(s.price, s.purchasePrice), s.quantity))},
                   {salesrecord::kArrears, s.arrears},
                   {salesrecord::kDate, s.date.value_or(m_day)},
                   {salesrecord::kStockInDate, s.stockInDate.value_or(m_day)}});
}

Database& LedgerBuilder::db() { return m_db ? *m_db : dm().connection(); }

void LedgerBuilder::addUser(const QString& name, const QString& password) {
    addUserStoredAs(name, hashPassword(password));
}

void LedgerBuilder::addUserStoredAs(const QString& name, const QString& storedPassword) {
    insert(db(), account::kTable, {{account::kName, name}, {account::kPassword, storedPassword}});
}

void LedgerBuilder::refuseWrites(const QString& operation, const QString& table, const QString& reason) {
    const QString name = QStringLiteral("refuse_%1_%2").arg(operation, table);
    if (!db().isServer()) {
        db().exec(QStringLiteral("create trigger %1 before %2 on %3 begin select raise(abort, '%4'); end")
                      .arg(name, operation, table, reason));
        return;
    }
    db().exec(QStringLiteral("create function %1() returns trigger language plpgsql as "
                             "$$ begin raise exception '%2'; end $$")
                  .arg(name, reason));
    db().exec(QStringLiteral("create trigger %1 before %2 on %3 for each row execute function %1()")
                  .arg(name, operation, table));
}

void LedgerBuilder::allowWrites(const QString& operation, const QString& table) {
    const QString name = QStringLiteral("refuse_%1_%2").arg(operation, table);
    db().exec(db().isServer() ? QStringLiteral("drop trigger %1 on %2").arg(name, table)
                              : QStringLiteral("drop trigger %1").arg(name));
}
