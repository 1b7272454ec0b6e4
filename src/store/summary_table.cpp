#include "store/summary_table.h"

#include "store/stock_table.h"

using namespace summary;

// Ordered as grouped: the file engine hands its groups over in that order, a server in none.
const QString kSummaryStatement = QStringLiteral(
    "sELECT a,b,c,d, sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,sum([6]) AS 销售金额, "
    "sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data GROUP BY a,b,c,d order by a,b,c,d");

const TableDescription& summaryTable() {
    static const TableDescription table = [] {
        const QString purchase = QStringLiteral("进 货"), sales = QStringLiteral("销 售"), stockGroup = QStringLiteral("存 货"),
                      quantity = QStringLiteral("数 量"), amount = QStringLiteral("金 额");
        using T = ColumnType;
        TableDescription t{kTable, {}};
        // The product: the stock table's own columns, titled alike.
        for (const QString& name : {stock::kName, stock::kModel, stock::kCode, stock::kCategory})
            t.columns.push_back({field(name), T::Text, stockTable().column(name).chinese, {}, {}});
        const std::vector<TableColumn> sums = {
            {field(kPurchaseQuantity), T::Number, {purchase, quantity}, {}, kGeneralNumber},
            {field(kPurchaseAmount), T::Number, {purchase, amount}, {}, kGeneralNumber},
            {field(kSoldQuantity), T::Number, {sales, quantity}, {}, kGeneralNumber},
            {field(kSalesAmount), T::Number, {sales, amount}, {}, kGeneralNumber},
            {field(kStockQuantity), T::Number, {stockGroup, quantity}, {}, kGeneralNumber},
            {field(kStockAmount), T::Number, {stockGroup, amount}, {}, kGeneralNumber},
        };
        t.columns.insert(t.columns.end(), sums.begin(), sums.end());
        return t;
    }();
    return table;
}

LedgerColumns summaryColumns() {
    const TableDescription& t = summaryTable();
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    return {
        ledgerColumn(t.column(stock::kName), A::Left, 120, F::Text, QStringLiteral("总计")),
        ledgerColumn(t.column(stock::kModel), A::Left, 100),
        ledgerColumn(t.column(stock::kCode), A::Left, 90),
        ledgerColumn(t.column(stock::kCategory), A::Left, 80),
        ledgerColumn(t.column(kPurchaseQuantity), A::Centre, 70, F::Sum),
        ledgerColumn(t.column(kPurchaseAmount), A::Centre, 80, F::Sum),
        ledgerColumn(t.column(kSoldQuantity), A::Centre, 70, F::Sum),
        ledgerColumn(t.column(kSalesAmount), A::Centre, 80, F::Sum),
        ledgerColumn(t.column(kStockQuantity), A::Centre, 70, F::Sum),
        ledgerColumn(t.column(kStockAmount), A::Centre, 80, F::Sum),
    };
}
