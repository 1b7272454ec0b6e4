#include "exchange/ledger_grids.h"

#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/summary_table.h"

namespace {

std::vector<ExportColumn> exportColumns(const LedgerColumns& columns) {
    std::vector<ExportColumn> out;
    for (const LedgerColumn& c : columns)
        out.push_back(ExportColumn{c.field, c.title(), c.footer == LedgerColumn::Footer::Text ? c.footerText : QString(),
                                   true, c.identity, false, columnLookOf(c.identity, c.format, c.width),
                                   c.footer == LedgerColumn::Footer::Sum});
    return out;
}

}  // namespace

LedgerGridLayout ledgerGridLayout(LedgerGrid grid) {
    LedgerGridLayout layout;
    switch (grid) {
    case LedgerGrid::Inventory:
        layout.sheetTitle = QStringLiteral("商品进货统计报表");
        layout.statement = QStringLiteral("select * from data order by day1");
        layout.columns = exportColumns(inventoryColumns());
        break;
    case LedgerGrid::Sales:
        layout.sheetTitle = QStringLiteral("销 售 报 表");
        layout.statement = QStringLiteral("SELECT * from data1");
        layout.columns = exportColumns(salesColumns());
        break;
    case LedgerGrid::Summary:
        layout.sheetTitle = QStringLiteral("商品进销存统计报表");
        layout.statement = kSummaryStatement;
        layout.columns = exportColumns(summaryColumns());
        break;
    }
    return layout;
}

bool ledgerGridFromName(const QString& name, LedgerGrid* grid) {
    if (name == QLatin1String("inventory") || name == QLatin1String("stock"))
        *grid = LedgerGrid::Inventory;
    else if (name == QLatin1String("sales"))
        *grid = LedgerGrid::Sales;
    else if (name == QLatin1String("summary"))
        *grid = LedgerGrid::Summary;
    else
        return false;
    return true;
}
