#include "support/ledger_builder.h"

#include "store/data_module.h"
#include "store/password_hash.h"

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
    return insert(db(), QStringLiteral("data"),
                  {{"id", b.id},
                   {"a", b.name},
                   {"b", b.model},
                   {"c", b.code},
                   {"d", b.category},
                   {"e", b.nameInitials},
                   {"f", b.modelInitials},
                   {"g", b.supplier},
                   {"z", b.remark},
                   {"1", b.purchasePrice},
                   {"2", quantity},
                   {"3", b.purchaseAmount.value_or(product(b.purchasePrice, quantity))},
                   {"4", b.salesPrice},
                   {"5", b.sold},
                   {"6", b.salesTotal.value_or(product(b.sold, b.salesPrice))},
                   {"7", stock},
                   {"8", b.stockAmount.value_or(product(stock, b.purchasePrice))},
                   {"day1", b.date.value_or(m_day)}});
}

qint64 LedgerBuilder::addSale(const SaleLine& s) {
    return insert(db(), QStringLiteral("data1"),
                  {{"ID", s.id},
                   {"a", s.name},
                   {"b", s.model},
                   {"c", s.code},
                   {"d", s.category},
                   {"e", s.nameInitials},
                   {"f", s.modelInitials},
                   {"g", s.customerName},
                   {"h", s.address},
                   {"i", s.contact},
                   {"j", s.remark},
                   {"z", s.customerNumber},
                   {"1", s.purchasePrice},
                   {"2", s.price},
                   {"3", s.quantity},
                   {"4", s.amount.value_or(product(s.price, s.quantity))},
                   {"a5", s.profit.value_or(product(difference(s.price, s.purchasePrice), s.quantity))},
                   {"6", s.arrears},
                   {"day1", s.date.value_or(m_day)},
                   {"day2", s.stockInDate.value_or(m_day)}});
}

Database& LedgerBuilder::db() { return m_db ? *m_db : dm().connection(); }

void LedgerBuilder::addUser(const QString& name, const QString& password) {
    addUserStoredAs(name, hashPassword(password));
}

void LedgerBuilder::addUserStoredAs(const QString& name, const QString& storedPassword) {
    db().exec(QStringLiteral("insert into userdb (username, passwd) values (?,?)"), {name, storedPassword});
}
