#include "inventory/ui/inventory_grid.h"

#include "store/stock_table.h"

QVector<GridColumn> inventoryGridColumns() {
    return gridColumns(inventoryColumns(), {{QStringLiteral("商 品 信 息"), kSkyBlueBand},
                                            {QStringLiteral("进 货"), kTealBand},
                                            {QStringLiteral("销 售"), kSkyBlueBand},
                                            {QStringLiteral("存 货"), kMaroonBand},
                                            {QStringLiteral("备 注"), kSkyBlueBand}});
}

DataGrid* createInventoryGrid(QWidget* parent) {
    auto* grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    const QString hint = QStringLiteral("点列标题进行排序，双击记录进行销售");
    grid->setToolTip(hint);
    grid->view()->viewport()->setToolTip(hint);  // the status bar shows the hint of what the mouse enters
    grid->setColumns(inventoryGridColumns());
    grid->rememberColumnWidths(QStringLiteral("kucunliekuan"));
    return grid;
}
