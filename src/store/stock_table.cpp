#include "store/stock_table.h"

using namespace stock;

const TableDescription& stockTable() {
    static const TableDescription table = [] {
        const QString product = QStringLiteral("商 品 信 息"), purchase = QStringLiteral("进 货"),
                      sales = QStringLiteral("销 售"), stockGroup = QStringLiteral("存 货"),
                      notes = QStringLiteral("备 注");
        const QString products = QStringLiteral("Products"), purchaseEn = QStringLiteral("Purchase"),
                      salesEn = QStringLiteral("Sales"), inventory = QStringLiteral("Inventory"),
                      notesEn = QStringLiteral("Notes");
        const QString qty = QStringLiteral("#.###"), money = QStringLiteral("#.##");
        using T = ColumnType;
        // In the order of the import worksheet's columns, after the identity.
        return TableDescription{kTable, {
            {field(kId), T::Integer, {}, {}, {}},
            {field(kName), T::Text, {product, QStringLiteral("名 称")}, {products, QStringLiteral("Name")}, {}},
            {field(kModel), T::Text, {product, QStringLiteral("规格型号")}, {products, QStringLiteral("Description")}, {}},
            {field(kCode), T::Text, {product, QStringLiteral("编 码")}, {products, QStringLiteral("Barcode")}, {}},
            {field(kCategory), T::Text, {product, QStringLiteral("类 别")}, {products, QStringLiteral("Category")}, {}},
            {field(kNameInitials), T::Text, {}, {}, {}},
            {field(kModelInitials), T::Text, {}, {}, {}},
            {field(kSupplier), T::Text, {notes, QStringLiteral("供货商")}, {notesEn, QStringLiteral("Vendors")}, {}},
            {field(kPurchasePrice), T::Number, {purchase, QStringLiteral("单 价")}, {purchaseEn, QStringLiteral("Price")},
             kGeneralNumber},
            {field(kQuantity), T::Number, {purchase, QStringLiteral("数 量")}, {purchaseEn, QStringLiteral("Quantity")}, qty},
            {field(kPurchaseAmount), T::Number, {purchase, QStringLiteral("金 额")}, {purchaseEn, QStringLiteral("Sum")}, money},
            {field(kSalesPrice), T::Number, {sales, QStringLiteral("单 价")}, {salesEn, QStringLiteral("Price")}, kGeneralNumber},
            {field(kSoldQuantity), T::Number, {sales, QStringLiteral("数 量")}, {salesEn, QStringLiteral("Quantity")}, qty},
            {field(kSalesTotal), T::Number, {sales, QStringLiteral("金 额")}, {salesEn, QStringLiteral("Sum")}, money},
            {field(kStockQuantity), T::Number, {stockGroup, QStringLiteral("数 量")}, {inventory, QStringLiteral("Quantity")}, qty},
            {field(kStockAmount), T::Number, {stockGroup, QStringLiteral("金 额")}, {inventory, QStringLiteral("Sum")}, money},
            {field(kRemark), T::Text, {notes, QStringLiteral("备 注")}, {notesEn, QStringLiteral("Notes")}, {}},
            {field(kDate), T::Date, {notes, QStringLiteral("入库日期")}, {notesEn, QStringLiteral("Date")}, {}},
        }};
    }();
    return table;
}

LedgerColumns inventoryColumns() {
    const TableDescription& t = stockTable();
    using A = LedgerColumn::Align;
    using F = LedgerColumn::Footer;
    return {
        ledgerColumn(t.column(kName), A::Left, 104, F::Text, QStringLiteral("总计")),
        ledgerColumn(t.column(kModel), A::Left, 85),
        ledgerColumn(t.column(kCode), A::Left, 80),
        ledgerColumn(t.column(kCategory), A::Left, 60),
        ledgerColumn(t.column(kQuantity), A::Right, 55, F::Sum),
        ledgerColumn(t.column(kPurchasePrice), A::Right, 55),
        ledgerColumn(t.column(kPurchaseAmount), A::Right, 70, F::Sum),
        ledgerColumn(t.column(kSoldQuantity), A::Right, 55, F::Sum),
        ledgerColumn(t.column(kSalesPrice), A::Right, 55),
        ledgerColumn(t.column(kSalesTotal), A::Right, 70, F::Sum),
        ledgerColumn(t.column(kStockQuantity), A::Right, 55, F::Sum),
        ledgerColumn(t.column(kStockAmount), A::Right, 70, F::Sum),
        ledgerColumn(t.column(kDate), A::Centre, 88),
        ledgerColumn(t.column(kSupplier), A::Left, 80),
        ledgerColumn(t.column(kRemark), A::Left, 80),
    };
}
