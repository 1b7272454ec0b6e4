#pragma once
// The sales grid of the sales details window: fifteen columns of the sales records with their
// two-level titles, formats and footers.
#include "widgets/data_grid.h"

// Column numbers of the sales grid (the column items refer to them).
namespace salesgrid {
enum Column {
    kName = 0, kModel, kCode, kCategory, kPrice, kQuantity, kAmount, kDate, kArrears, kProfit,
    kCustomerNumber, kCustomerName, kContact, kAddress, kRemark, kColumnCount
};
}

QVector<GridColumn> salesGridColumns();
// The grid with its columns; the customer-number column starts hidden.
DataGrid* createSalesGrid(QWidget* parent = nullptr);
