#include "records/ui/sales_grid.h"

#include "store/sales_table.h"

QVector<GridColumn> salesGridColumns() {
    return gridColumns(salesColumns(), {{QStringLiteral("商 品 信 息"), kSkyBlueBand},
                                        {QStringLiteral("销 售 信 息"), kTealBand},
                                        {QStringLiteral("客 户"), kMaroonBand}});
}

DataGrid* createSalesGrid(QWidget* parent) {
    auto* grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("SalesGrid"));
    grid->setColumns(salesGridColumns());
    grid->rememberColumnWidths(QStringLiteral("xiaoshouliekuan"));
    grid->setColumnHidden(salesgrid::kCustomerNumber, true);
    return grid;
}
