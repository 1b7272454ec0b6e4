#include "inventory/inventory_columns.h"

#include "inventory/stock_columns.h"

LedgerColumns inventoryColumns() {
    const QString product = QStringLiteral("商 品 信 息"), purchase = QStringLiteral("进 货"),
                  sales = QStringLiteral("销 售"), stockGroup = QStringLiteral("存 货"),
                  notes = QStringLiteral("备 注");
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    const QString qty = QStringLiteral("#.###"), money = QStringLiteral("#.##");
    LedgerColumns columns = {
        {stock::kName, product, QStringLiteral("名 称"), {}, A::Left, F::Text, QStringLiteral("总计"), 104},
        {stock::kModel, product, QStringLiteral("规格型号"), {}, A::Left, F::None, {}, 85},
        {stock::kCode, product, QStringLiteral("编 码"), {}, A::Left, F::None, {}, 80},
        {stock::kCategory, product, QStringLiteral("类 别"), {}, A::Left, F::None, {}, 60},
        {stock::kQuantity, purchase, QStringLiteral("数 量"), qty, A::Right, F::Sum, {}, 55},
        {stock::kPurchasePrice, purchase, QStringLiteral("单 价"), kGeneralNumber, A::Right, F::None, {}, 55},
        {stock::kPurchaseAmount, purchase, QStringLiteral("金 额"), money, A::Right, F::Sum, {}, 70},
        {stock::kSoldQuantity, sales, QStringLiteral("数 量"), qty, A::Right, F::Sum, {}, 55},
        {stock::kSalesPrice, sales, QStringLiteral("单 价"), kGeneralNumber, A::Right, F::None, {}, 55},
        {stock::kSalesTotal, sales, QStringLiteral("金 额"), money, A::Right, F::Sum, {}, 70},
        {stock::kStockQuantity, stockGroup, QStringLiteral("数 量"), qty, A::Right, F::Sum, {}, 55},
        {stock::kStockAmount, stockGroup, QStringLiteral("金 额"), money, A::Right, F::Sum, {}, 70},
        {stock::kDate, notes, QStringLiteral("入库日期"), {}, A::Centre, F::None, {}, 88},
        {stock::kSupplier, notes, QStringLiteral("供货商"), {}, A::Left, F::None, {}, 80},
        {stock::kRemark, notes, QStringLiteral("备 注"), {}, A::Left, F::None, {}, 80},
    };
    for (LedgerColumn& c : columns)
        c.identity = stock::field(c.field);
    return columns;
}
