#include "sales/receipt_layout.h"

#include <algorithm>

const QString kReceiptTitle = QStringLiteral("      POS小票销售凭证");
const QString kReceiptRule = QString(31, QLatin1Char('-'));
const QString kReceiptHeading = QStringLiteral("条码\\名称        数量     金额 ");
const QString kReceiptWelcome = QStringLiteral("         欢迎下次惠顾        ");
const QString kReceiptSupport = QStringLiteral("Tovrakel软件提供打印技术支持");

QString receiptLineText(const PosLine& line) {
    return line.name + QString(6, QLatin1Char(' ')) + line.quantity + QString(5, QLatin1Char(' ')) + line.amount;
}

double receiptPaperWidthMm(const QSizeF& defaultPaperMm) {
    const double width = defaultPaperMm.width();
    // A little above 80 mm still counts: paper sizes come in whole points.
    if (width > 0 && width <= kReceiptWidestRollMm + 0.5)
        return width;
    return kReceiptDesignWidthMm;
}

PageItems receiptLayout(const ReceiptData& data, double widthMm, const TextMeasure* measure) {
    const PageFont title = PageFont::song(10, true);
    const PageFont body = PageFont::song(8);
    PageItems items;
    double below = 0;  // mm that wrapped texts above have added
    // `y` in design dots
    auto text = [&](double y, const QString& s) {
        const double top = receiptDotsToMm(y) + below;
        if (!measure || widthMm <= 0 || measure->width(s, body) <= widthMm) {
            items << pageText(0, top, s, body);
            return;
        }
        const double height = measure->wrappedHeight(s, body, widthMm);
        items << pageBox(QRectF(0, top, widthMm, height + 0.5), s, body);
        below += std::max(0.0, height - measure->lineHeight(body));
    };

    items << pageText(0, 0, kReceiptTitle, title);
    text(40, kReceiptRule);
    text(60, kReceiptHeading);
    text(82, kReceiptRule);
    double y = 105;
    for (int i = 0; i < PosList::kLines; ++i) {
        const PosLine& line = data.lines.line(i);
        if (line.isFree())
            continue;  // an empty line leaves no gap
        text(y, receiptLineText(line));
        y += 30;
    }
    const QString when = data.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QStringList rest = {
        kReceiptRule,
        QStringLiteral("现金:") + data.cash + QStringLiteral("元    应收金额:") + data.total + QStringLiteral("元"),
        QStringLiteral("找零:") + data.change + QStringLiteral("元    收款员:") + data.cashier,
        kReceiptRule,
        QStringLiteral("交易时间:") + when,
        kReceiptSupport,
        kReceiptRule,
        kReceiptWelcome,
        kReceiptRule,
        data.company,
        data.address,
    };
    for (const QString& s : rest) {
        text(y, s);
        y += 30;
    }
    return items;
}
