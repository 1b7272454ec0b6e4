#pragma once
// The POS receipt as text lines at printer-dot positions: every text at x 0, its top at y, the
// title in 宋体 10 pt bold and the rest in 宋体 8 pt.
#include "printing/page_items.h"
#include "sales/pos_list.h"

#include <QDateTime>

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
constexpr double kReceiptPaperLengthMm = 250;

// The receipt's texts in printing order; with n filled lines the last stands at 405 + 30 n.
PageItems receiptLayout(const ReceiptData& data);
// "名称      数量     金额" of one line: joined with six and five blanks, not aligned.
QString receiptLineText(const PosLine& line);
