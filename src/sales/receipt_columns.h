#pragma once
// The POS receipt for an ESC/POS printer, laid out in the printer's character columns: the shop's
// name, each line's name (wrapped when long) with quantity, price and amount (right-aligned, never
// split), the total in double height, cash and change, the time, the cashier and the shop's
// address. Also the reprint of an order from its stored sales records.
#include "printing/escpos.h"
#include "sales/receipt_layout.h"

#include <QVector>

class Database;

struct ColumnReceipt {
    QString company;
    QString address;
    QString customerNumber;  // a reprint names its order
    QString customerLine;    // "客户名称：…" of a reprint
    QVector<PosLine> lines;
    QString cash;    // empty: no cash line (nor change)
    QString change;
    QString total;
    QString cashier;
    QString when;
    bool reprint = false;
};

// The receipt of the POS panel: its filled lines in order, the time to the second.
ColumnReceipt columnReceipt(const ReceiptData& data);

// The sales records stored under the customer number, in the order they were sold, with their
// total and the day they were sold; `found` tells whether there were any.
ColumnReceipt orderReceipt(Database& db, const QString& customerNumber, bool* found);

escpos::Page receiptPage(const ColumnReceipt& receipt, int columns);
