#include "sales/sale_computation.h"

#include "store/store_error.h"
#include "text/number_text.h"

#include <cmath>
#include <initializer_list>

namespace {

// Plain decimals can still multiply beyond a double; such a figure would be stored as infinity.
void requireFinite(std::initializer_list<double> values, const QString& price, const QString& quantity) {
    for (double v : values)
        if (!std::isfinite(v))
            throw ConversionError(QStringLiteral("“%1”×“%2”超出了数值范围").arg(price, quantity));
}

}  // namespace

double typedNumber(const QString& text, bool allowNegative) { return readPlainDecimal(text, allowNegative); }

std::optional<SaleFigures> computeSale(const QString& price, const QString& quantity, const StockRecord& stock) {
    if (price.isEmpty() || quantity.isEmpty())
        return std::nullopt;
    const double p = typedNumber(price);
    const double q = typedNumber(quantity, true);
    const double s = stock.stockQuantity;
    const double n = stock.soldQuantity;
    const double m = stock.salesTotal;
    const double k = stock.purchasePrice;
    requireFinite({p * q, p * q + m, s - q, (s - q) * k, n + q, (p - k) * q}, price, quantity);
    SaleFigures figures;
    figures.salesAmount = generalNumberText(p * q);
    figures.newSalesAmount = generalNumberText(p * q + m);
    figures.newStockQuantity = twoDecimalText(s - q);
    figures.newStockAmount = generalNumberText((s - q) * k);
    figures.newSoldQuantity = generalNumberText(n + q);
    figures.netProfit = twoDecimalText((p - k) * q);
    return figures;
}

std::optional<QString> liveSalesAmount(const QString& price, const QString& quantity) {
    if (price.isEmpty() || quantity.isEmpty())
        return std::nullopt;
    const double amount = typedNumber(price) * typedNumber(quantity, true);
    requireFinite({amount}, price, quantity);
    return generalNumberText(amount);
}

std::optional<QString> discountedPrice(const QString& discount, const std::optional<double>& suggestedPrice) {
    if (discount.isEmpty() || !suggestedPrice)
        return std::nullopt;
    // The suggested price is the batch's stored figure, not a typed one.
    const double price = typedNumber(discount) * *suggestedPrice / 100;
    requireFinite({price}, discount, generalNumberText(*suggestedPrice));
    return generalNumberText(price);
}

QString customerNumber(const QDate& day, int counter) {
    return QString::number(day.year()) + QString::number(day.month()) + QString::number(day.day()) +
           QString::asprintf("%.3d", counter);
}
