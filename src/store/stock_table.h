#pragma once
// The stock table `data`: one record per batch taken into stock.
#include "store/ledger_column.h"

#include <QString>

namespace stock {
inline const QString kTable = QStringLiteral("data");
inline const QString kId = QStringLiteral("id");
inline const QString kName = QStringLiteral("a");
inline const QString kModel = QStringLiteral("b");
inline const QString kCode = QStringLiteral("c");
inline const QString kCategory = QStringLiteral("d");
inline const QString kNameInitials = QStringLiteral("e");
inline const QString kModelInitials = QStringLiteral("f");
inline const QString kSupplier = QStringLiteral("g");
inline const QString kRemark = QStringLiteral("z");
inline const QString kPurchasePrice = QStringLiteral("1");
inline const QString kQuantity = QStringLiteral("2");
inline const QString kPurchaseAmount = QStringLiteral("3");
inline const QString kSalesPrice = QStringLiteral("4");
inline const QString kSoldQuantity = QStringLiteral("5");
inline const QString kSalesTotal = QStringLiteral("6");
inline const QString kStockQuantity = QStringLiteral("7");
inline const QString kStockAmount = QStringLiteral("8");
inline const QString kDate = QStringLiteral("day1");

inline Field field(const QString& column) { return {kTable, column}; }
inline const Field PurchasePrice = field(kPurchasePrice);
inline const Field PurchaseAmount = field(kPurchaseAmount);
inline const Field StockAmount = field(kStockAmount);
}  // namespace stock

const TableDescription& stockTable();
// The fifteen columns of the inventory grid.
LedgerColumns inventoryColumns();
