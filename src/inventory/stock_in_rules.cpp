#include "inventory/stock_in_rules.h"

#include "store/dataset.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "text/pinyin.h"
#include "text/trim.h"

#include <cmath>

namespace {

using F = StockInField;

// Plain decimals can still multiply beyond a double; infinity must never reach a field or the file.
double finite(double value, const QString& text) {
    if (!std::isfinite(value))
        throw ConversionError(QStringLiteral("“%1”超出了数值范围").arg(text));
    return value;
}

QString product(double a, double b) {
    const double value = a * b;
    if (!std::isfinite(value))
        throw ConversionError(
            QStringLiteral("“%1”×“%2”超出了数值范围").arg(generalNumberText(a), generalNumberText(b)));
    return generalNumberText(value);
}

bool filled(const StockInValues& v, F f) { return !v[f].isEmpty(); }

// The typed fields take plain decimals only; the quantity is read with its sign so a pasted "-3"
// reaches the refusal with its own message. The working values are the panel's own number texts.
double num(const StockInValues& v, F f) {
    switch (f) {
    case F::PurchasePrice:
    case F::SalesPrice: return readPlainDecimal(v[f], false);
    case F::Quantity: return readPlainDecimal(v[f], true);
    default: return finite(textToNumber(v[f]), v[f]);
    }
}

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

QString stockInRefusal(const StockInValues& v) {
    if (filled(v, F::Quantity) && num(v, F::Quantity) < 0)
        return QStringLiteral("进货数量不能小于0");
    if (filled(v, F::StockQuantity) && num(v, F::StockQuantity) < 0) {
        const QString sold =
            filled(v, F::SoldQuantity) ? generalNumberText(num(v, F::SoldQuantity)) : QStringLiteral("0");
        return QStringLiteral("数量不能少于已销售的数量%1：库存不能为负数").arg(sold);
    }
    return QString();
}

QVector<QPair<QString, QVariant>> stockRecordFields(const StockInEntry& entry, bool modification) {
    const StockInValues& v = entry.values;
    // The panel refuses these with their message first; nothing else may store them either.
    if (const QString refusal = stockInRefusal(v); !refusal.isEmpty())
        throw StoreError(refusal);
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
