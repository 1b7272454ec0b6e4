#pragma once
// The sales table `data1`: one record per line sold.
#include "store/ledger_column.h"

#include <QString>

namespace salesrecord {
inline const QString kTable = QStringLiteral("data1");
inline const QString kId = QStringLiteral("ID");
inline const QString kName = QStringLiteral("a");
inline const QString kModel = QStringLiteral("b");
inline const QString kCode = QStringLiteral("c");
inline const QString kCategory = QStringLiteral("d");
inline const QString kNameInitials = QStringLiteral("e");
inline const QString kModelInitials = QStringLiteral("f");
inline const QString kCustomerName = QStringLiteral("g");
inline const QString kAddress = QStringLiteral("h");
inline const QString kContact = QStringLiteral("i");
inline const QString kRemark = QStringLiteral("j");
inline const QString kCustomerNumber = QStringLiteral("z");
inline const QString kPurchasePrice = QStringLiteral("1");
inline const QString kPrice = QStringLiteral("2");
inline const QString kQuantity = QStringLiteral("3");
inline const QString kAmount = QStringLiteral("4");
inline const QString kProfit = QStringLiteral("a5");
inline const QString kArrears = QStringLiteral("6");
inline const QString kDate = QStringLiteral("day1");
inline const QString kStockInDate = QStringLiteral("day2");

inline Field field(const QString& column) { return {kTable, column}; }
inline const Field PurchasePrice = field(kPurchasePrice);
inline const Field Profit = field(kProfit);
}  // namespace salesrecord

const TableDescription& salesTable();
// The fifteen columns of the sales grid.
LedgerColumns salesColumns();
