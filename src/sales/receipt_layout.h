#pragma once
// The POS receipt as text lines in millimetres from the top left of the printable area: every
// text at x 0, its top at y, the title in 宋体 10 pt bold and the rest in 宋体 8 pt. The receipt
// was drawn for a 203 dpi receipt printer (its tops at dot rows 0, 40, 60, …, lines 30 dots
// apart); those dots are turned into millimetres here, so the receipt keeps its size on a printer
// of any resolution.
#include "printing/page_items.h"
#include "sales/pos_list.h"

#include <QDateTime>
#include <QSizeF>

struct ReceiptData {
    PosList lines;
    QString cash;       // the cash field as it stands (may be empty)
    QString total;      // the total field
    QString change;     // the change field
    QString cashier;    // the logged-in user
    QDateTime printedAt;
    QString company;
    QString address;
};

extern const QString kReceiptTitle;     // "      POS小票销售凭证"
extern const QString kReceiptRule;      // 31 hyphens
extern const QString kReceiptHeading;   // "条码\名称        数量     金额 "
extern const QString kReceiptWelcome;   // "         欢迎下次惠顾        "
extern const QString kReceiptSupport;   // "Tovrakel软件提供打印技术支持"

constexpr double kReceiptDesignDpi = 203;       // the dots the receipt was drawn in
constexpr double kReceiptDesignWidthMm = 58;    // the roll it was drawn for
constexpr double kReceiptWidestRollMm = 80;     // the widest receipt roll
constexpr double kReceiptPaperLengthMm = 250;

// Millimetres of a length in the receipt's design dots.
constexpr double receiptDotsToMm(double dots) { return dots * 25.4 / kReceiptDesignDpi; }

// The paper width of a receipt on a printer whose default paper is `defaultPaperMm`: that
// paper's width when it is a receipt roll (up to 80 mm wide), else the design's 58 mm.
double receiptPaperWidthMm(const QSizeF& defaultPaperMm);

// The receipt's texts in printing order; with n filled lines the last stands at design dot
// 405 + 30 n. Given the printable width and a measure, a text wider than the paper (a long
// address, say) wraps within the width and the texts below it move down by its extra lines.
PageItems receiptLayout(const ReceiptData& data, double widthMm = 0, const TextMeasure* measure = nullptr);
// "名称      数量     金额" of one line: joined with six and five blanks, not aligned.
QString receiptLineText(const PosLine& line);
