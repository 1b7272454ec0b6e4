#include "inventory/stock_record.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "text/number_text.h"

namespace {

QString cell(const Dataset& query, int row, const QString& column) {
    const int index = query.columnIndex(column);
    return index < 0 || query.isNull(row, index) ? QString() : query.text(row, index);
}

bool blank(const QString& text) { return text.trimmed().isEmpty(); }

// The figure as shown, read back; a column left empty counts as 0.
double figure(const QString& text) { return blank(text) ? 0.0 : textToNumber(text); }

// A date text of the program's form.
QDate date(const QString& text) {
    const QDate day = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        throw ConversionError(QStringLiteral("“%1”不是有效的日期").arg(text));
    return day;
}

}  // namespace

StockRecord stockRecordAt(const Dataset& query, int row) {
    StockRecord s;
    if (row < 0 || row >= query.recordCount())
        return s;
    const int idColumn = query.columnIndex(stock::kId);
    s.id = idColumn >= 0 ? qint64(query.number(row, idColumn)) : 0;
    s.name = cell(query, row, stock::kName);
    s.model = cell(query, row, stock::kModel);
    s.code = cell(query, row, stock::kCode);
    s.category = cell(query, row, stock::kCategory);
    s.remark = cell(query, row, stock::kRemark);
    const QString salesPrice = cell(query, row, stock::kSalesPrice);
    if (!salesPrice.isEmpty())
        s.salesPrice = figure(salesPrice);
    s.purchasePrice = figure(cell(query, row, stock::kPurchasePrice));
    const SoldFigures sold = soldFiguresAt(query, row);
    s.soldQuantity = sold.soldQuantity;
    s.salesTotal = sold.salesTotal;
    s.stockQuantity = sold.stockQuantity;
    // A stored date-time counts by its date.
    const QString day = cell(query, row, stock::kDate).left(10);
    if (!blank(day))
        s.stockInDate = date(day);
    return s;
}

SoldFigures soldFigures(const StockRecord& stock) {
    return {stock.soldQuantity, stock.salesTotal, stock.stockQuantity};
}

SoldFigures soldFiguresAt(const Dataset& query, int row) {
    return {figure(cell(query, row, stock::kSoldQuantity)), figure(cell(query, row, stock::kSalesTotal)),
            figure(cell(query, row, stock::kStockQuantity))};
}

void checkBatchUnchanged(Database& db, qint64 id, const SoldFigures& asRead, const QString& gone,
                         const QString& changed) {
    Dataset batch(QStringLiteral("BatchFigures"), {}, &db);
    batch.setStatement(QStringLiteral("select \"%1\",\"%2\",\"%3\" from %4 where %5=?")
                           .arg(stock::kSoldQuantity, stock::kSalesTotal, stock::kStockQuantity, stock::kTable,
                                stock::kId),
                       {id});
    if (batch.isEmpty())
        throw StoreError(gone);
    const auto same = [&](const QString& column, double read) {
        const double stored = batch.fieldValue(column).isNull() ? 0.0 : batch.fieldNumber(column);
        return generalNumberText(stored) == generalNumberText(read);
    };
    if (!same(stock::kSoldQuantity, asRead.soldQuantity) || !same(stock::kSalesTotal, asRead.salesTotal) ||
        !same(stock::kStockQuantity, asRead.stockQuantity))
        throw StoreError(changed);
}
