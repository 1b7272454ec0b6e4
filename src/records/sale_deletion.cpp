#include "records/sale_deletion.h"

#include "records/sales_columns.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/store_error.h"
#include "text/number_text.h"

namespace {

// The number as written: its general number text read back.
double written(double value) { return textToNumber(generalNumberText(value)); }

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
        QStringLiteral("select id,[5],[6],[7],[8] from data where trim(ifnull(a,''))=? collate nocase"
                       " and trim(ifnull(b,''))=? collate nocase and trim(ifnull(c,''))=? collate nocase"
                       " and trim(ifnull(d,''))=? collate nocase and trim(ifnull(day1,''))=?"
                       " order by id limit 1"),
        {sale.fieldText(s::kName).trimmed(), sale.fieldText(s::kModel).trimmed(),
         sale.fieldText(s::kCode).trimmed(), sale.fieldText(s::kCategory).trimmed(),
         sale.fieldText(s::kStockInDate).trimmed()});

    SaleDeletion result;
    if (!batch.isEmpty()) {
        batch.first();
        const RestoredStock restored =
            restoreStock(batch.fieldText(QStringLiteral("5")), batch.fieldText(QStringLiteral("6")),
                         batch.fieldText(QStringLiteral("7")), batch.fieldText(QStringLiteral("8")),
                         sale.fieldText(s::kQuantity), sale.fieldText(s::kAmount),
                         sale.fieldText(s::kPurchasePrice));
        result.stockId = batch.fieldInteger(QStringLiteral("id"));
        db.exec(QStringLiteral("update data set [5]=?,[6]=?,[7]=?,[8]=? where id=?"),
                {restored.sold, restored.salesAmount, restored.stock, restored.stockValue, result.stockId});
        result.stockRestored = true;
    }
    if (db.exec(QStringLiteral("delete from data1 where ID=?"), {saleId}) != 1)
        throw StoreError(QStringLiteral("这条销售记录已经不存在，可能已被删除。"));
    transaction.commit();
    return result;
}
