#include "sales/ui/install_sale.h"

#include "inventory/ui/inventory.h"
#include "inventory/ui/stock_in_panel.h"
#include "records/ui/sales_details_window.h"
#include "sales/ui/sale_panel.h"
#include "widgets/ui_services.h"

#include <QLineEdit>
#include <QPushButton>

void connectSalePanel(SalePanel& panel, Inventory& inventory, std::function<void(const QString&)> successPrompt) {
    // The panel is opened on the batch double-clicked and keeps that batch by its identity, so
    // rows moving in the grid afterwards cannot redirect the sale.
    QObject::connect(&inventory, &Inventory::saleRequested, &panel, [&panel, &inventory](int row) {
        StockRecord stock;
        if (!runAction(&panel, [&] { stock = stockRecordAt(inventory.query(), row); }) || stock.name.isEmpty())
            return;
        panel.openFor(stock);
        // The batch's remark goes to the stock-in panel too.
        inventory.stockIn()->remark()->setText(stock.remark);
    });
    QObject::connect(&inventory, &Inventory::stockRecordChanged, &panel, &SalePanel::closePanel);
    QObject::connect(&inventory, &Inventory::salePanelDismissed, &panel, &QWidget::hide);
    QObject::connect(&panel, &SalePanel::closed, &inventory,
                     [&inventory] { inventory.stockIn()->modifyButton()->setEnabled(false); });
    inventory.restoreCustomerNumber = [&panel](const QString& number) { panel.setCustomerNumber(number); };
    panel.setSuccessPrompt(std::move(successPrompt));
}

void connectSaleToRecords(SalePanel& panel, SalesDetailsWindow& sales) {
    // The sales details window's month view fills the sale panel's customer names.
    sales.setCustomerNameList(panel.customerNameList());
}
