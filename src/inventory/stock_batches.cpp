#include "inventory/stock_batches.h"

#include "inventory/stock_in_rules.h"
#include "store/database.h"
#include "store/ledger_events.h"
#include "store/stock_table.h"
#include "store/store_error.h"

#include <QStringList>

namespace {

QString quoted(const QString& column) { return QLatin1Char('"') + column + QLatin1Char('"'); }

const QString kGone = QStringLiteral("这条入库记录已不存在，可能已被删除。");

}  // namespace

qint64 addStockBatch(Database& db, const StockInEntry& entry) {
    const auto fields = stockRecordFields(entry, false);
    QStringList names, marks;
    QVariantList values;
    for (const auto& [name, value] : fields) {
        names << quoted(name);
        marks << QStringLiteral("?");
        values << value;
    }
    Transaction transaction(db);
    db.exec(QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(stock::kTable, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            values);
    const qint64 id = db.lastInsertId();
    transaction.commit();
    db.events().stockChanged();
    return id;
}

void modifyStockBatch(Database& db, qint64 id, const StockInEntry& entry, const SoldFigures& asRead) {
    const auto fields = stockRecordFields(entry, true);
    QStringList sets;
    QVariantList values;
    for (const auto& [name, value] : fields) {
        sets << quoted(name) + QStringLiteral("=?");
        values << value;
    }
    values << id;
    Transaction transaction(db);
    checkBatchUnchanged(db, id, asRead, kGone,
                        QStringLiteral("这条入库记录刚有销售或已被修改，修改没有保存。请重新打开该记录再修改。"));
    if (db.exec(QStringLiteral("update %1 set %2 where %3=?").arg(stock::kTable, sets.join(QLatin1Char(',')),
                                                                  quoted(stock::kId)),
                values) != 1)
        throw StoreError(kGone);
    transaction.commit();
    db.events().stockChanged();
}

void deleteStockBatch(Database& db, qint64 id) {
    Transaction transaction(db);
    if (db.exec(QStringLiteral("delete from %1 where %2=?").arg(stock::kTable, quoted(stock::kId)), {id}) != 1)
        throw StoreError(kGone);
    transaction.commit();
    db.events().stockChanged();
}
