#include "inventory/stock_in_rules.h"

#include "inventory/stock_columns.h"
#include "store/dataset.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "text/pinyin.h"
#include "text/trim.h"

namespace {

using F = StockInField;

QString product(double a, double b) { return generalNumberText(a * b); }

bool filled(const StockInValues& v, F f) { return !v[f].isEmpty(); }

double num(const StockInValues& v, F f) { return textToNumber(v[f]); }

}  // namespace

StockInAssignments quantityChanged(const StockInValues& v) {
    StockInAssignments out{{F::StockQuantity, v[F::Quantity]}};
    if (filled(v, F::PurchasePrice) && filled(v, F::Quantity))
        out.append({F::PurchaseAmount, product(num(v, F::PurchasePrice), num(v, F::Quantity))});
    return out;
}

StockInAssignments purchasePriceChanged(const StockInValues& v) {
    if (!filled(v, F::PurchasePrice) || !filled(v, F::Quantity) || !filled(v, F::StockQuantity))
        return {};
    const double price = num(v, F::PurchasePrice);
    const double quantity = num(v, F::Quantity);
    const double stock = num(v, F::StockQuantity);
    return {{F::PurchaseAmount, product(price, quantity)}, {F::StockAmount, product(price, stock)}};
}

StockInAssignments salesChanged(const StockInValues& v) {
    if (!filled(v, F::SalesPrice) || !filled(v, F::SoldQuantity))
        return {};
    return {{F::SalesTotal, product(num(v, F::SalesPrice), num(v, F::SoldQuantity))}};
}

StockInAssignments recomputeBeforeModify(const StockInValues& v) {
    if (!filled(v, F::PurchasePrice) || !filled(v, F::Quantity))
        return {};
    const double price = num(v, F::PurchasePrice);
    const double quantity = num(v, F::Quantity);
    const double sold = num(v, F::SoldQuantity);  // an empty sold quantity is no number either
    return {{F::PurchaseAmount, product(price, quantity)},
            {F::StockQuantity, generalNumberText(quantity - sold)},
            {F::StockAmount, product(quantity - sold, price)}};
}

StockInAssignments clearedValues() {
    return {{F::PurchasePrice, QString()}, {F::Quantity, QString()},     {F::StockAmount, QString()},
            {F::StockQuantity, QString()}, {F::SalesPrice, QString()},   {F::SoldQuantity, QStringLiteral("0")},
            {F::SalesTotal, QStringLiteral("0")}};
}

QDate stockInDate(const QString& text) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw ConversionError(QStringLiteral("“%1”不是有效的日期").arg(text));
    return date;
}

QVector<QPair<QString, QVariant>> stockRecordFields(const StockInEntry& entry, bool modification) {
    const StockInValues& v = entry.values;
    const QString name = trimmedText(entry.name);
    const QString model = trimmedText(entry.model);
    // Every conversion first, so a wrong text writes nothing.
    const double price = num(v, F::PurchasePrice), quantity = num(v, F::Quantity),
                 amount = num(v, F::PurchaseAmount), salesPrice = num(v, F::SalesPrice),
                 sold = num(v, F::SoldQuantity), salesTotal = num(v, F::SalesTotal),
                 stockQuantity = num(v, F::StockQuantity),
                 stockAmount = modification ? num(v, F::StockAmount) : amount;
    const QDate date = stockInDate(entry.dateText);
    return {{stock::kName, name},
            {stock::kModel, model},
            {stock::kCode, trimmedText(entry.code)},
            {stock::kCategory, trimmedText(entry.category)},
            {stock::kPurchasePrice, price},
            {stock::kQuantity, quantity},
            {stock::kPurchaseAmount, amount},
            {stock::kSalesPrice, salesPrice},
            {stock::kSoldQuantity, sold},
            {stock::kSalesTotal, salesTotal},
            {stock::kStockQuantity, stockQuantity},
            {stock::kStockAmount, stockAmount},
            {stock::kRemark, trimmedText(entry.remark)},
            {stock::kDate, date},
            {stock::kSupplier, trimmedText(entry.supplier)},
            {stock::kNameInitials, PinyinInitials(name)},
            {stock::kModelInitials, PinyinInitials(model)}};
}
