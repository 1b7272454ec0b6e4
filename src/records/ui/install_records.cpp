#include "records/ui/install_records.h"

#include "app/ui/main_window.h"
#include "app/ui/screenshot_mode.h"
#include "inventory/ui/inventory.h"
#include "inventory/ui/stock_in_panel.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"

#include <QAction>
#include <QFrame>
#include <QToolButton>

namespace {
void wireItem(MainWindow& form, const QString& name, QObject* receiver, std::function<void()> slot) {
    if (QAction* item = form.findChild<QAction*>(name)) {
        item->setEnabled(true);
        QObject::connect(item, &QAction::triggered, receiver, [slot] { slot(); });
    }
}

void wireButton(MainWindow& form, const QString& name, QObject* receiver, std::function<void()> slot) {
    if (QToolButton* button = form.findChild<QToolButton*>(name))
        QObject::connect(button, &QToolButton::clicked, receiver, [slot] { slot(); });
}
}  // namespace

SalesRecordsWindows installSalesRecords(MainWindow& form) {
    SalesRecordsWindows windows;
    if ((windows.salesDetails = salesDetailsWindow(form)))
        return {windows.salesDetails, productSummaryWindow(form)};
    SalesDetailsWindow* sales = windows.salesDetails = new SalesDetailsWindow(&form);
    ProductSummaryWindow* summary = windows.summary = new ProductSummaryWindow(&form);

    wireButton(form, QStringLiteral("ToolButton19"), sales, [sales] { sales->showModal(); });
    wireItem(form, QStringLiteral("GridSales"), sales, [sales] { sales->showModal(); });
    wireButton(form, QStringLiteral("ToolButton22"), summary, [summary] { summary->showModal(); });
    wireItem(form, QStringLiteral("GridSummary"), summary, [summary] { summary->showNonModal(); });

    // After the sales details the main window's panels close and the stock is read afresh.
    QObject::connect(sales, &SalesDetailsWindow::closed, &form, [&form] {
        Inventory* inventory = Inventory::of(&form);
        if (inventory)
            inventory->stockIn()->hidePanel();
        else if (QFrame* panel = form.stockInPanel())
            panel->hide();
        if (QFrame* panel = form.salePanel())
            panel->hide();
        if (inventory)
            inventory->showAll();
    });
    // A deleted sale gave stock back: the summary and the inventory grid must not show old figures.
    QObject::connect(sales, &SalesDetailsWindow::saleDeleted, &form, [&form, summary] {
        summary->refreshSummary();
        if (Inventory* inventory = Inventory::of(&form))
            inventory->showAll();
    });
    QObject::connect(&form, &MainWindow::companyHeaderRead, sales, &SalesDetailsWindow::setCompanyHeader);
    form.hooks().salesMonthView = [sales] { sales->runMonthView(); };
    if (Inventory* inventory = Inventory::of(&form))
        inventory->reapplySalesColumns = [sales](const SettingsKey& settings) { sales->reapplyColumnMemory(settings); };

    addScreenshotOpener(QStringLiteral("SalesDetailsWindow"), [sales] { sales->showModal(); });
    addScreenshotOpener(QStringLiteral("ProductSummaryWindow"), [summary] { summary->showNonModal(); });
    return windows;
}

SalesDetailsWindow* salesDetailsWindow(const MainWindow& form) {
    return form.findChild<SalesDetailsWindow*>(QString(), Qt::FindDirectChildrenOnly);
}

ProductSummaryWindow* productSummaryWindow(const MainWindow& form) {
    return form.findChild<ProductSummaryWindow*>(QString(), Qt::FindDirectChildrenOnly);
}
