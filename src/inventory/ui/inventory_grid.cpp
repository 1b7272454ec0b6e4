#include "inventory/ui/inventory_grid.h"

#include "inventory/stock_columns.h"

QVector<GridColumn> inventoryGridColumns() {
    const QColor skyBlue(166, 202, 240), teal(0, 128, 128), maroon(128, 0, 0);
    const QColor white(Qt::white);
    const QString product = QStringLiteral("商 品 信 息"), purchase = QStringLiteral("进 货"),
                  sales = QStringLiteral("销 售"), stockGroup = QStringLiteral("存 货"),
                  notes = QStringLiteral("备 注");
    const auto right = Qt::AlignRight, left = Qt::AlignLeft, centre = Qt::AlignHCenter;
    using F = GridColumn::Footer;
    const QString qty = QStringLiteral("#.###"), money = QStringLiteral("#.##");
    return {
        {stock::kName, product, QStringLiteral("名 称"), {}, left, F::Text, QStringLiteral("总计"), skyBlue, {}, 104},
        {stock::kModel, product, QStringLiteral("规格型号"), {}, left, F::None, {}, skyBlue, {}, 85},
        {stock::kCode, product, QStringLiteral("编 码"), {}, left, F::None, {}, skyBlue, {}, 80},
        {stock::kCategory, product, QStringLiteral("类 别"), {}, left, F::None, {}, skyBlue, {}, 60},
        {stock::kQuantity, purchase, QStringLiteral("数 量"), qty, right, F::Sum, {}, teal, white, 55},
        {stock::kPurchasePrice, purchase, QStringLiteral("单 价"), kGeneralNumber, right, F::None, {}, teal, white, 55},
        {stock::kPurchaseAmount, purchase, QStringLiteral("金 额"), money, right, F::Sum, {}, teal, white, 70},
        {stock::kSoldQuantity, sales, QStringLiteral("数 量"), qty, right, F::Sum, {}, skyBlue, {}, 55},
        {stock::kSalesPrice, sales, QStringLiteral("单 价"), kGeneralNumber, right, F::None, {}, skyBlue, {}, 55},
        {stock::kSalesTotal, sales, QStringLiteral("金 额"), money, right, F::Sum, {}, skyBlue, {}, 70},
        {stock::kStockQuantity, stockGroup, QStringLiteral("数 量"), qty, right, F::Sum, {}, maroon, white, 55},
        {stock::kStockAmount, stockGroup, QStringLiteral("金 额"), money, right, F::Sum, {}, maroon, white, 70},
        {stock::kDate, notes, QStringLiteral("入库日期"), {}, centre, F::None, {}, skyBlue, {}, 88},
        {stock::kSupplier, notes, QStringLiteral("供货商"), {}, left, F::None, {}, skyBlue, {}, 80},
        {stock::kRemark, notes, QStringLiteral("备 注"), {}, left, F::None, {}, skyBlue, {}, 80},
    };
}

DataGrid* createInventoryGrid(QWidget* parent) {
    auto* grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    const QString hint = QStringLiteral("点列标题进行排序，双击记录进行销售");
    grid->setToolTip(hint);
    grid->view()->viewport()->setToolTip(hint);  // the status bar shows the hint of what the mouse enters
    grid->setColumns(inventoryGridColumns());
    return grid;
}
