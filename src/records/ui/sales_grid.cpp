#include "records/ui/sales_grid.h"

#include "records/sales_columns.h"

QVector<GridColumn> salesGridColumns() {
    namespace s = salesrecord;
    const QColor skyBlue(166, 202, 240), teal(0, 128, 128), maroon(128, 0, 0), white(Qt::white);
    const QString product = QStringLiteral("商 品 信 息"), sale = QStringLiteral("销 售 信 息"),
                  customer = QStringLiteral("客 户");
    const auto left = Qt::AlignLeft, right = Qt::AlignRight, centre = Qt::AlignHCenter;
    using F = GridColumn::Footer;
    return {
        {s::kName, product, QStringLiteral(" 名 称"), {}, left, F::Text, QStringLiteral("合计"), skyBlue, {}, 110},
        {s::kModel, product, QStringLiteral("规格型号"), {}, left, F::None, {}, skyBlue, {}, 85},
        {s::kCode, product, QStringLiteral(" 编 码"), {}, left, F::None, {}, skyBlue, {}, 75},
        {s::kCategory, product, QStringLiteral("类 别"), {}, left, F::None, {}, skyBlue, {}, 60},
        {s::kPrice, sale, QStringLiteral("单 价"), kGeneralNumber, right, F::None, {}, teal, white, 55},
        {s::kQuantity, sale, QStringLiteral("数 量"), QStringLiteral("#.###"), right, F::Sum, {}, teal, white, 50},
        {s::kAmount, sale, QStringLiteral("金 额"), QStringLiteral("#.##"), right, F::Sum, {}, teal, white, 65},
        {s::kDate, sale, QStringLiteral("日 期"), {}, centre, F::None, {}, teal, white, 80},
        {s::kArrears, sale, QStringLiteral("欠款额"), QStringLiteral("#.##"), right, F::Sum, {}, teal, white, 55},
        {s::kProfit, sale, QStringLiteral("净利润"), kGeneralNumber, right, F::Sum, {}, teal, white, 60},
        {s::kCustomerNumber, customer, QStringLiteral("编 号"), {}, centre, F::None, {}, maroon, white, 95},
        {s::kCustomerName, customer, QStringLiteral("名 称"), {}, left, F::None, {}, maroon, white, 80},
        {s::kContact, customer, QStringLiteral("联系方式"), {}, left, F::None, {}, maroon, white, 80},
        {s::kAddress, customer, QStringLiteral("地 址"), {}, left, F::None, {}, maroon, white, 90},
        {s::kRemark, customer, QStringLiteral("备 注"), {}, left, F::None, {}, maroon, white, 70},
    };
}

DataGrid* createSalesGrid(QWidget* parent) {
    auto* grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("SalesGrid"));
    grid->setColumns(salesGridColumns());
    grid->setColumnHidden(salesgrid::kCustomerNumber, true);
    return grid;
}
