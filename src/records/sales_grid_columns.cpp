#include "records/sales_grid_columns.h"

#include "records/product_summary.h"
#include "records/sales_columns.h"

LedgerColumns salesColumns() {
    namespace s = salesrecord;
    const QString product = QStringLiteral("商 品 信 息"), sale = QStringLiteral("销 售 信 息"),
                  customer = QStringLiteral("客 户");
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    LedgerColumns columns = {
        {s::kName, product, QStringLiteral(" 名 称"), {}, A::Left, F::Text, QStringLiteral("合计"), 110},
        {s::kModel, product, QStringLiteral("规格型号"), {}, A::Left, F::None, {}, 85},
        {s::kCode, product, QStringLiteral(" 编 码"), {}, A::Left, F::None, {}, 75},
        {s::kCategory, product, QStringLiteral("类 别"), {}, A::Left, F::None, {}, 60},
        {s::kPrice, sale, QStringLiteral("单 价"), kGeneralNumber, A::Right, F::None, {}, 55},
        {s::kQuantity, sale, QStringLiteral("数 量"), QStringLiteral("#.###"), A::Right, F::Sum, {}, 50},
        {s::kAmount, sale, QStringLiteral("金 额"), QStringLiteral("#.##"), A::Right, F::Sum, {}, 65},
        {s::kDate, sale, QStringLiteral("日 期"), {}, A::Centre, F::None, {}, 80},
        {s::kArrears, sale, QStringLiteral("欠款额"), QStringLiteral("#.##"), A::Right, F::Sum, {}, 55},
        {s::kProfit, sale, QStringLiteral("净利润"), kGeneralNumber, A::Right, F::Sum, {}, 60},
        {s::kCustomerNumber, customer, QStringLiteral("编 号"), {}, A::Centre, F::None, {}, 95},
        {s::kCustomerName, customer, QStringLiteral("名 称"), {}, A::Left, F::None, {}, 80},
        {s::kContact, customer, QStringLiteral("联系方式"), {}, A::Left, F::None, {}, 80},
        {s::kAddress, customer, QStringLiteral("地 址"), {}, A::Left, F::None, {}, 90},
        {s::kRemark, customer, QStringLiteral("备 注"), {}, A::Left, F::None, {}, 70},
    };
    for (LedgerColumn& c : columns)
        c.identity = s::field(c.field);
    return columns;
}

LedgerColumns summaryColumns() {
    namespace s = summary;
    const QString product = QStringLiteral("商 品 信 息"), purchase = QStringLiteral("进 货"),
                  sales = QStringLiteral("销 售"), stock = QStringLiteral("存 货");
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    LedgerColumns columns = {
        {QStringLiteral("a"), product, QStringLiteral("名 称"), {}, A::Left, F::Text, QStringLiteral("总计"), 120},
        {QStringLiteral("b"), product, QStringLiteral("规格型号"), {}, A::Left, F::None, {}, 100},
        {QStringLiteral("c"), product, QStringLiteral("编 码"), {}, A::Left, F::None, {}, 90},
        {QStringLiteral("d"), product, QStringLiteral("类 别"), {}, A::Left, F::None, {}, 80},
        {s::kPurchaseQuantity, purchase, QStringLiteral("数 量"), kGeneralNumber, A::Centre, F::Sum, {}, 70},
        {s::kPurchaseAmount, purchase, QStringLiteral("金 额"), kGeneralNumber, A::Centre, F::Sum, {}, 80},
        {s::kSoldQuantity, sales, QStringLiteral("数 量"), kGeneralNumber, A::Centre, F::Sum, {}, 70},
        {s::kSalesAmount, sales, QStringLiteral("金 额"), kGeneralNumber, A::Centre, F::Sum, {}, 80},
        {s::kStockQuantity, stock, QStringLiteral("数 量"), kGeneralNumber, A::Centre, F::Sum, {}, 70},
        {s::kStockAmount, stock, QStringLiteral("金 额"), kGeneralNumber, A::Centre, F::Sum, {}, 80},
    };
    for (LedgerColumn& c : columns)
        c.identity = s::field(c.field);
    return columns;
}
