#include "store/sales_table.h"

using namespace salesrecord;

const TableDescription& salesTable() {
    static const TableDescription table = [] {
        const QString product = QStringLiteral("商 品 信 息"), sale = QStringLiteral("销 售 信 息"),
                      customer = QStringLiteral("客 户");
        using T = ColumnType;
        TableDescription t{kTable, {
            {field(kId), T::Integer, {}, {}, {}},
            {field(kName), T::Text, {product, QStringLiteral(" 名 称")}, {}, {}},
            {field(kModel), T::Text, {product, QStringLiteral("规格型号")}, {}, {}},
            {field(kCode), T::Text, {product, QStringLiteral(" 编 码")}, {}, {}},
            {field(kCategory), T::Text, {product, QStringLiteral("类 别")}, {}, {}},
            {field(kNameInitials), T::Text, {}, {}, {}},
            {field(kModelInitials), T::Text, {}, {}, {}},
            {field(kCustomerName), T::Text, {customer, QStringLiteral("名 称")}, {}, {}},
            {field(kAddress), T::Text, {customer, QStringLiteral("地 址")}, {}, {}},
            {field(kContact), T::Text, {customer, QStringLiteral("联系方式")}, {}, {}},
            {field(kRemark), T::Text, {customer, QStringLiteral("备 注")}, {}, {}},
            {field(kCustomerNumber), T::Text, {customer, QStringLiteral("编 号")}, {}, {}},
            {field(kPurchasePrice), T::Number, {}, {}, {}},
            {field(kPrice), T::Number, {sale, QStringLiteral("单 价")}, {}, kGeneralNumber},
            {field(kQuantity), T::Number, {sale, QStringLiteral("数 量")}, {}, QStringLiteral("#.###")},
            {field(kAmount), T::Number, {sale, QStringLiteral("金 额")}, {}, QStringLiteral("#.##")},
            {field(kProfit), T::Number, {sale, QStringLiteral("净利润")}, {}, kGeneralNumber},
            {field(kArrears), T::Number, {sale, QStringLiteral("欠款额")}, {}, QStringLiteral("#.##")},
            {field(kDate), T::Date, {sale, QStringLiteral("日 期")}, {}, {}},
            {field(kStockInDate), T::Date, {}, {}, {}},
        }};
        // The table has always carried these; nothing of this program reads or writes them.
        for (char c = 'k'; c <= 'y'; ++c)
            t.columns.push_back({field(QString(QLatin1Char(c))), T::Text, {}, {}, {}});
        for (const char* name : {"7", "8", "9"})
            t.columns.push_back({field(QString::fromLatin1(name)), T::Number, {}, {}, {}});
        for (int day = 3; day <= 6; ++day)
            t.columns.push_back({field(QStringLiteral("day%1").arg(day)), T::Date, {}, {}, {}});
        return t;
    }();
    return table;
}

LedgerColumns salesColumns() {
    const TableDescription& t = salesTable();
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    return {
        ledgerColumn(t.column(kName), A::Left, 110, F::Text, QStringLiteral("合计")),
        ledgerColumn(t.column(kModel), A::Left, 85),
        ledgerColumn(t.column(kCode), A::Left, 75),
        ledgerColumn(t.column(kCategory), A::Left, 60),
        ledgerColumn(t.column(kPrice), A::Right, 55),
        ledgerColumn(t.column(kQuantity), A::Right, 50, F::Sum),
        ledgerColumn(t.column(kAmount), A::Right, 65, F::Sum),
        ledgerColumn(t.column(kDate), A::Centre, 80),
        ledgerColumn(t.column(kArrears), A::Right, 55, F::Sum),
        ledgerColumn(t.column(kProfit), A::Right, 60, F::Sum),
        ledgerColumn(t.column(kCustomerNumber), A::Centre, 95),
        ledgerColumn(t.column(kCustomerName), A::Left, 80),
        ledgerColumn(t.column(kContact), A::Left, 80),
        ledgerColumn(t.column(kAddress), A::Left, 90),
        ledgerColumn(t.column(kRemark), A::Left, 70),
    };
}
