#include "sales/ui/install_sale.h"

#include "app/ui/main_window.h"
#include "app/ui/screenshot_mode.h"
#include "inventory/ui/inventory.h"
#include "inventory/ui/stock_in_panel.h"
#include "records/ui/install_records.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/ui/sale_panel.h"
#include "widgets/ui_services.h"
#include "store/data_module.h"

#include <QLineEdit>
#include <QPushButton>

SalePanel* salePanelOf(const MainWindow& form) { return qobject_cast<SalePanel*>(form.salePanel()); }

void installSaleEntry(MainWindow& form) {
    SalePanel* panel = salePanelOf(form);
    Inventory* inventory = Inventory::of(&form);
    if (!panel || !inventory)
        return;
    // The panel is opened on the batch double-clicked and keeps that batch by its identity, so
    // rows moving in the grid afterwards cannot redirect the sale.
    QObject::connect(inventory, &Inventory::saleRequested, panel, [panel, inventory](int row) {
        StockRecord stock;
        if (!runAction(panel, [&] { stock = stockRecordAt(inventory->query(), row); }) || stock.name.isEmpty())
            return;
        panel->openFor(stock);
        // The batch's remark goes to the stock-in panel too.
        if (QLineEdit* remark = inventory->stockIn()->panel()->findChild<QLineEdit*>(QStringLiteral("Edit22")))
            remark->setText(stock.remark);
    });
    QObject::connect(inventory, &Inventory::stockRecordChanged, panel, &SalePanel::closePanel);
    QObject::connect(panel, &SalePanel::closed, &form, [inventory] {
        if (QPushButton* modify = inventory->stockIn()->panel()->findChild<QPushButton*>(QStringLiteral("Button3")))
            modify->setEnabled(false);
    });
    inventory->restoreCustomerNumber = [panel](const QString& number) { panel->setCustomerNumber(number); };
    panel->hooks().showAllStock = [inventory](qint64 stockId) { inventory->showAllAfterSale(stockId); };
    panel->hooks().successPrompt = [&form](const QString& text) { form.showSuccessPrompt(text); };
    // The sales records windows are made after the main window; they are looked up when a sale
    // needs them.
    panel->hooks().refreshSummary = [&form] {
        ProductSummaryWindow* summary = productSummaryWindow(form);
        if (summary && summary->isVisible())
            summary->refreshSummary();
    };
    panel->hooks().salesMonthView = [&form] {
        SalesDetailsWindow* sales = salesDetailsWindow(form);
        if (sales && sales->isVisible())
            sales->runMonthView();
    };
    // The month view follows at once, so the customer's sales are not listed on the way.
    QObject::connect(panel, &SalePanel::customerSold, &form, [&form](const QString&, const QString& number) {
        if (SalesDetailsWindow* sales = salesDetailsWindow(form))
            sales->presetCustomerFilter(number);
    });

    // Screenshots: the panel open on the last batch of the grid.
    addScreenshotOpener(QStringLiteral("SalePanel"), [inventory] {
        if (LedgerData::exists() && inventory->query().recordCount() > 0)
            emit inventory->saleRequested(inventory->query().recordCount() - 1);
    });
}

void linkSaleToSalesDetails(MainWindow& form) {
    SalePanel* panel = salePanelOf(form);
    SalesDetailsWindow* sales = salesDetailsWindow(form);
    if (panel && sales)
        sales->setCustomerNameList(panel->customerNameList());
}
