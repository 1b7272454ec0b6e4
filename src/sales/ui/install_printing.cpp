#include "sales/ui/install_printing.h"

#include "exchange/ui/data_grid_print.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/sale_entry.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer.h"
#include "sales/ui/sale_panel.h"
#include "sales/ui/sales_notes.h"
#include "store/settings.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

void printSalesNote(const Session& session, SalesDetailsWindow& sales, SalesNoteReport& note) {
    if (!session.hasLedger())
        return;
    SalesNoteData data;
    data.company = sales.companyName();
    data.address = sales.addressLine();
    data.customerNumber = sales.customerFilter();
    data.date = session.today().toString(QStringLiteral("yyyy-MM-dd"));
    data.user = session.rights().user();
    Dataset& query = sales.query();
    readSalesNoteRows(query, &data);
    sales.grid()->refresh();  // the walk ends on the last row
    data.capitals = documentCapitals(&sales, data.total);
    note.preview(&sales, data);
}

void chooseReceiptPdfFolder(const QString& receiptPdfOption) {
    setReceiptPdfFolder(receiptPdfOption.isEmpty()
                            ? ReadSettings(kMainKey).value(QStringLiteral("xiaopiaopdf")).trimmed()
                            : receiptPdfOption);
}

PosPanel* installPrinting(Session& session, const PrintingPlaces& places, SalesDetailsWindow& salesWindow,
                          ProductSummaryWindow& summary, SalePanel& sale, const QString& receiptPdfOption) {
    chooseReceiptPdfFolder(receiptPdfOption);

    auto* deliveryNote = new DeliveryNoteReport(&salesWindow);
    auto* salesNote = new SalesNoteReport(&salesWindow);
    SalesDetailsWindow* sales = &salesWindow;

    if (places.inventoryGrid)
        connectGridPrint(session, places.inventoryPrint, places.window, *places.inventoryGrid, inventoryGridPrint());
    connectGridPrint(session, summary.printItem(), &summary, *summary.grid(), summaryGridPrint());
    connectGridPrint(session, sales->printItem(), sales, *sales->grid(), salesGridPrint());
    if (QPushButton* button = sales->salesNoteButton()) {
        button->setEnabled(true);
        QObject::connect(button, &QPushButton::clicked, sales,
                         [&session, sales, salesNote] { runAction(sales, [&] { printSalesNote(session, *sales, *salesNote); }); });
    }

    // The POS panel (Panel3), hidden until the grid's POS item or the tool button "POS打印" shows it.
    auto* pos = new PosPanel(sales->salesPage());
    PosPanel::Context context;
    context.company = [sales] { return sales->companyName(); };
    context.address = [sales] { return sales->addressLine(); };
    context.customerNumber = [sales] { return sales->customerFilter(); };
    context.user = [&session] { return session.rights().user(); };
    context.setCustomerFilter = [sales](const QString& number) { sales->setCustomerFilter(number); };
    context.deliveryNote = deliveryNote;
    pos->setContext(context);

    if (QAction* item = sales->posPrintItem()) {
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, pos, [&session, sales, pos] {
            if (session.hasLedger())
                pos->addSalesRecord(sales->query());
        });
    }
    if (QToolButton* button = places.posButton) {
        button->setEnabled(true);
        QObject::connect(button, &QToolButton::clicked, sales, [sales, pos] {
            pos->show();
            pos->raise();
            sales->showModal();
        });
    }
    // A confirmed sale hands over its line and its customer.
    QObject::connect(&sale, &SalePanel::lineSold, pos, [pos](const SoldLine& line) {
        pos->addLine(PosLine{line.code, line.name, line.model, line.quantity, line.price, line.amount});
    });
    QObject::connect(&sale, &SalePanel::customerSold, pos,
                     [pos](const QString& name, const QString&) { pos->customerName()->setText(name); });
    return pos;
}
