#include "sales/sale_computation.h"

#include "store/dataset.h"
#include "text/number_text.h"

double typedNumber(const QString& text) { return textToNumber(text); }

double recordNumber(const QString& text) { return text.trimmed().isEmpty() ? 0.0 : textToNumber(text); }

std::optional<SaleFigures> computeSale(const QString& price, const QString& quantity, const SaleBasis& basis) {
    if (price.isEmpty() || quantity.isEmpty())
        return std::nullopt;
    const double p = typedNumber(price);
    const double q = typedNumber(quantity);
    const double s = recordNumber(basis.stockQuantity);
    const double n = recordNumber(basis.soldQuantity);
    const double m = recordNumber(basis.salesAmount);
    const double k = recordNumber(basis.purchasePrice);
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
    return generalNumberText(typedNumber(price) * typedNumber(quantity));
}

std::optional<QString> discountedPrice(const QString& discount, const QString& suggestedPrice) {
    if (discount.isEmpty() || suggestedPrice.isEmpty())
        return std::nullopt;
    return generalNumberText(typedNumber(discount) * typedNumber(suggestedPrice) / 100);
}

QString customerNumber(const QDate& day, int counter) {
    return QString::number(day.year()) + QString::number(day.month()) + QString::number(day.day()) +
           QString::asprintf("%.3d", counter);
}
