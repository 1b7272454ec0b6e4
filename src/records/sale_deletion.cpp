#include "records/sale_deletion.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "store/sales_table.h"
#include "store/store_error.h"
#include "text/number_text.h"

namespace {

// The number as written: its general number text read back.
double written(double value) { return textToNumber(generalNumberText(value)); }

// Purchase prices agree as the grids show them (15 significant digits); empty agrees with empty.
bool samePrice(const QString& batchPrice, const QString& salePrice) {
    const QString a = batchPrice.trimmed(), b = salePrice.trimmed();
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    return okA && okB ? generalNumberText(x) == generalNumberText(y) : a == b;
}

}  // namespace

RestoredStock restoreStock(const QString& sold, const QString& salesAmount, const QString& stock,
                           const QString& stockValue, const QString& quantity, const QString& amount,
                           const QString& purchasePrice) {
    const double s5 = textToNumber(sold), s6 = textToNumber(salesAmount), s7 = textToNumber(stock),
                 s8 = textToNumber(stockValue);
    const double q = textToNumber(quantity), m = textToNumber(amount), p = textToNumber(purchasePrice);
    return {written(s5 - q), written(s6 - m), written(s7 + q), written(q * p + s8)};
}

SaleDeletion deleteSale(Database& db, qint64 saleId) {
    namespace s = salesrecord;
    Transaction transaction(db);
    Dataset sale(QStringLiteral("SaleToDelete"), {}, &db);
    sale.setStatement(QStringLiteral("select * from data1 where ID=?"), {saleId});
    if (sale.isEmpty())
        throw StoreError(QStringLiteral("这条销售记录已经不存在，可能已被删除。"));
    sale.first();

    // Exact agreement on the five values; trim() because the panel compared trimmed texts.
    Dataset batch(QStringLiteral("SaleBatch"), {}, &db);
    batch.setStatement(
        QStringLiteral("select id,[1],[5],[6],[7],[8] from data where trim(ifnull(a,''))=? collate nocase"
                       " and trim(ifnull(b,''))=? collate nocase and trim(ifnull(c,''))=? collate nocase"
                       " and trim(ifnull(d,''))=? collate nocase and trim(ifnull(day1,''))=?"
                       " order by id"),
        {sale.fieldText(s::kName).trimmed(), sale.fieldText(s::kModel).trimmed(),
         sale.fieldText(s::kCode).trimmed(), sale.fieldText(s::kCategory).trimmed(),
         sale.fieldText(s::kStockInDate).trimmed()});

    // Batches of one product bought on one day at different prices are told apart by the price the
    // sale kept; and a batch that sold less than this sale cannot be the one it came from.
    SaleDeletion result;
    const QString salePrice = sale.fieldText(s::kPurchasePrice);
    for (batch.first(); !batch.eof(); batch.next()) {
        if (!samePrice(batch.fieldText(QStringLiteral("1")), salePrice))
            continue;
        RestoredStock restored =
            restoreStock(batch.fieldText(QStringLiteral("5")), batch.fieldText(QStringLiteral("6")),
                         batch.fieldText(QStringLiteral("7")), batch.fieldText(QStringLiteral("8")),
                         sale.fieldText(s::kQuantity), sale.fieldText(s::kAmount), salePrice);
        if (roundDecimal(restored.sold, 6) < 0)
            continue;
        restored.sold = qMax(0.0, restored.sold);  // no residue below zero from binary fractions
        result.stockId = batch.fieldInteger(QStringLiteral("id"));
        db.exec(QStringLiteral("update data set [5]=?,[6]=?,[7]=?,[8]=? where id=?"),
                {restored.sold, restored.salesAmount, restored.stock, restored.stockValue, result.stockId});
        result.stockRestored = true;
        break;
    }
    if (db.exec(QStringLiteral("delete from data1 where ID=?"), {saleId}) != 1)
        throw StoreError(QStringLiteral("这条销售记录已经不存在，可能已被删除。"));
    transaction.commit();
    db.events().saleDeleted(result.stockId);
    return result;
}

QString saleDeletionMessage(const SaleDeletion& deletion) {
    if (deletion.stockRestored)
        return QStringLiteral("删除销售记录成功！");
    return QStringLiteral("删除销售记录成功！\n\n没有找到这笔销售对应的库存记录（商品、进货日期和进货单价都相同，"
                          "且已销售数量不少于本次数量），库存没有退回。");
}
