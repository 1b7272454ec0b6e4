#include "sales/ui/install_printing.h"

#include "app/ui/main_window.h"
#include "app/ui/screenshot_mode.h"
#include "exchange/ui/data_grid_print.h"
#include "records/ui/install_records.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/sale_entry.h"
#include "sales/ui/install_sale.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer.h"
#include "sales/ui/sale_panel.h"
#include "sales/ui/sales_notes.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "users/rights.h"
#include "widgets/data_grid.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

void printSalesNote(SalesDetailsWindow& sales, SalesNoteReport& note) {
    if (!LedgerData::exists())
        return;
    SalesNoteData data;
    data.company = sales.companyName();
    data.address = sales.addressLine();
    data.customerNumber = sales.customerFilter();
    data.date = today().toString(QStringLiteral("yyyy-MM-dd"));
    data.user = currentRights().user();
    Dataset& query = dm().ADOQuery13;
    readSalesNoteRows(query, &data);
    sales.grid()->refresh();  // the walk ends on the last row
    data.capitals = documentCapitals(&sales, data.total);
    note.preview(&sales, data);
}

void installPrinting(MainWindow& form, const QString& receiptPdfOption) {
    const QString folder = receiptPdfOption.isEmpty()
                               ? ReadSettings(kMainKey).value(QStringLiteral("xiaopiaopdf")).trimmed()
                               : receiptPdfOption;
    setReceiptPdfFolder(folder);

    auto* deliveryNote = new DeliveryNoteReport(&form);
    auto* salesNote = new SalesNoteReport(&form);

    if (auto* grid = form.findChild<DataGrid*>(QStringLiteral("DataGrid1")))
        connectGridPrint(form.findChild<QAction*>(QStringLiteral("GridPrint")), &form, *grid, inventoryGridPrint());
    if (ProductSummaryWindow* summary = productSummaryWindow(form))
        connectGridPrint(summary->printItem(), summary, *summary->grid(), summaryGridPrint());

    SalesDetailsWindow* sales = salesDetailsWindow(form);
    if (!sales)
        return;
    connectGridPrint(sales->printItem(), sales, *sales->grid(), salesGridPrint());
    if (QPushButton* button = sales->salesNoteButton()) {
        button->setEnabled(true);
        QObject::connect(button, &QPushButton::clicked, sales,
                         [sales, salesNote] { runAction(sales, [&] { printSalesNote(*sales, *salesNote); }); });
    }

    auto* pos = qobject_cast<PosPanel*>(sales->posPanel());
    if (!pos)
        return;
    PosPanel::Context context;
    context.company = [sales] { return sales->companyName(); };
    context.address = [sales] { return sales->addressLine(); };
    context.customerNumber = [sales] { return sales->customerFilter(); };
    context.user = [] { return currentRights().user(); };
    context.setCustomerFilter = [sales](const QString& number) { sales->setCustomerFilter(number); };
    context.deliveryNote = deliveryNote;
    pos->setContext(context);

    if (QAction* item = sales->posPrintItem()) {
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, pos, [pos] {
            if (LedgerData::exists())
                pos->addSalesRecord(dm().ADOQuery13);
        });
    }
    if (auto* button = form.findChild<QToolButton*>(QStringLiteral("ToolButton2"))) {
        button->setEnabled(true);
        QObject::connect(button, &QToolButton::clicked, sales, [sales, pos] {
            pos->show();
            pos->raise();
            sales->showModal();
        });
    }
    // A confirmed sale hands over its line and its customer.
    if (SalePanel* sale = salePanelOf(form)) {
        QObject::connect(sale, &SalePanel::lineSold, pos, [pos](const SoldLine& line) {
            pos->addLine(PosLine{line.code, line.name, line.model, line.quantity, line.price, line.amount});
        });
        QObject::connect(sale, &SalePanel::customerSold, pos,
                         [pos](const QString& name, const QString&) { pos->customerName()->setText(name); });
    }

    // Screenshots: the sales details window with the POS panel holding the latest sale.
    addScreenshotOpener(QStringLiteral("PosPanel"), [sales, pos] {
        pos->show();
        sales->showModal();
        if (LedgerData::exists())
            pos->addSalesRecord(dm().ADOQuery13);
    });
}
