#pragma once
// The inventory grid DataGrid1: the fifteen columns of a stock record with their titles, formats,
// bands and footers.
#include "widgets/data_grid.h"

// Column indexes of the inventory grid.
namespace inventory_column {
enum : int {
    Name, Model, Code, Category, Quantity, PurchasePrice, PurchaseAmount, SoldQuantity, SalesPrice, SalesTotal,
    StockQuantity, StockAmount, Date, Supplier, Remark, Count
};
}

QVector<GridColumn> inventoryGridColumns();
// A DataGrid named DataGrid1 with the inventory columns and its hint.
DataGrid* createInventoryGrid(QWidget* parent = nullptr);
