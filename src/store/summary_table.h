#pragma once
// The product summary: the stock records summed per product (name, model, code, category). It is
// no stored table but a result of its own, and its sums are values of their own.
#include "store/ledger_column.h"

#include <QString>

// Columns a, b, c, d and the six sums 进货数量, 进货金额, 销售数量, 销售金额, 库存数量, 库存金额.
extern const QString kSummaryStatement;

namespace summary {
inline const QString kTable = QStringLiteral("summary");
inline const QString kPurchaseQuantity = QStringLiteral("进货数量");
inline const QString kPurchaseAmount = QStringLiteral("进货金额");
inline const QString kSoldQuantity = QStringLiteral("销售数量");
inline const QString kSalesAmount = QStringLiteral("销售金额");
inline const QString kStockQuantity = QStringLiteral("库存数量");
inline const QString kStockAmount = QStringLiteral("库存金额");

inline Field field(const QString& column) { return {kTable, column}; }
inline const Field PurchaseAmount = field(kPurchaseAmount);
inline const Field SalesAmount = field(kSalesAmount);
inline const Field StockAmount = field(kStockAmount);
}  // namespace summary

const TableDescription& summaryTable();
// The ten columns of the product summary grid.
LedgerColumns summaryColumns();
