#pragma once
// Sale computation: the figures of one sale line worked out from the sale panel's texts and the
// batch's figures, kept in the text forms the panel holds them in, and the customer numbers that
// group the lines of an order.
#include "inventory/stock_record.h"

#include <QDate>
#include <QString>
#include <optional>

// The sale working values; numbers as texts, in the form each is stored from.
struct SaleFigures {
    QString salesAmount;       // p × q, general number text
    QString newSalesAmount;    // p × q + m, general number text
    QString newStockQuantity;  // s − q, two decimals
    QString newStockAmount;    // (s − q) × k from the unrounded s − q, general number text
    QString newSoldQuantity;   // n + q, general number text
    QString netProfit;         // (p − k) × q, two decimals
};

// Reads a number the user typed or pasted: a plain decimal, negative only where allowed; throws
// ConversionError naming the text (also for an empty one, "nan", "inf" or "1e2").
double typedNumber(const QString& text, bool allowNegative = false);

// The sale computation: nothing when the price or the quantity text is empty. Throws
// ConversionError when a text is not a number or a figure grows beyond what a number holds. A
// negative quantity is computed; the checks of a confirmation refuse it.
std::optional<SaleFigures> computeSale(const QString& price, const QString& quantity, const StockRecord& stock);

// Live recalculation while typing: the sales amount p × q, nothing while either text is empty.
std::optional<QString> liveSalesAmount(const QString& price, const QString& quantity);
// The actual price of a discount in percent: discount × suggested price ÷ 100 (the multiplication
// first), nothing while the discount is empty or the batch has no suggested price.
std::optional<QString> discountedPrice(const QString& discount, const std::optional<double>& suggestedPrice);

// Year, month and day without leading zeros, then the counter with at least three digits:
// 5 November 2013 with counter 1 gives "2013115001".
QString customerNumber(const QDate& day, int counter);
