#pragma once
// The arithmetic of the stock-in panel: its change rules over the number texts of its fields, and
// the stock record a new stock-in or a modification writes.
#include <QDate>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>
#include <array>

// The number fields of the panel, the typed ones and the working values.
enum class StockInField {
    PurchasePrice,   // typed
    Quantity,        // typed
    SalesPrice,      // typed
    PurchaseAmount,  // working values from here on
    SoldQuantity,
    SalesTotal,
    StockQuantity,
    StockAmount,
};
constexpr int kStockInFieldCount = 8;

// The texts of the number fields as the panel holds them.
struct StockInValues {
    std::array<QString, kStockInFieldCount> texts;
    QString& operator[](StockInField f) { return texts[size_t(f)]; }
    const QString& operator[](StockInField f) const { return texts[size_t(f)]; }
};

// The texts a rule puts into fields, in the order it puts them (a field put later may run its own
// rule in turn). A rule that meets a text that is no number throws ConversionError before it
// puts anything.
using StockInAssignments = QVector<QPair<StockInField, QString>>;

// The quantity changed: the stock quantity copies it; with a purchase price the purchase amount
// follows.
StockInAssignments quantityChanged(const StockInValues& v);
// The purchase price (or the purchase amount) changed: with price, quantity and stock quantity
// the purchase amount and the stock amount follow.
StockInAssignments purchasePriceChanged(const StockInValues& v);
// The sales price or the sold quantity changed: the sales total follows.
StockInAssignments salesChanged(const StockInValues& v);
// Before a modification: amounts and stock from quantity, sold quantity and purchase price.
StockInAssignments recomputeBeforeModify(const StockInValues& v);
// Clearing the panel: prices, quantities, stock and the remark empty, sold and sales total "0";
// the purchase amount stays.
StockInAssignments clearedValues();

// A stock-in as the panel holds it.
struct StockInEntry {
    QString name, model, code, category, supplier, remark;
    QString dateText;  // "yyyy-mm-dd" as shown
    StockInValues values;
};

// Why the fields cannot be stored, or an empty text: a negative quantity (pasted past the key
// filter), or a stock quantity below zero, as a modification that lowers the quantity below what was
// sold would leave. Run after recomputeBeforeModify for a modification. Throws ConversionError for
// a number text that is not one.
QString stockInRefusal(const StockInValues& v);

// The columns a stock-in writes, with texts trimmed, numbers read and the pinyin initials of name
// and model. A modification stores the stock amount in `8`, a new stock-in the purchase amount.
// Throws ConversionError for a number text or a date that is not one, StoreError with the refusal
// for a negative quantity or stock.
QVector<QPair<QString, QVariant>> stockRecordFields(const StockInEntry& entry, bool modification);
// The date of the field, or ConversionError naming its text.
QDate stockInDate(const QString& text);
