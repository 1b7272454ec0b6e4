#pragma once
// The columns of the ledger's three exported grids (inventory, sales, product summary), for
// exports made without the windows.
#include "exchange/grid_export_source.h"

#include <QString>
#include <vector>

enum class LedgerGrid { Inventory, Sales, Summary };

struct LedgerGridLayout {
    QString sheetTitle;            // the exporting window's sheet title
    QString statement;             // what the grid shows when every record is listed
    std::vector<ExportColumn> columns;  // each with the field it holds, for the rights
};

LedgerGridLayout ledgerGridLayout(LedgerGrid grid);
// "inventory" (or "stock"), "sales" or "summary"; false for another name.
bool ledgerGridFromName(const QString& name, LedgerGrid* grid);
