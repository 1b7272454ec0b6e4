#include "app/ui/program.h"

#include "app/ui/main_window.h"
#include "app/ui/screenshot_mode.h"
#include "exchange/ui/data_grid_export.h"
#include "exchange/ui/excel_import_window.h"
#include "inventory/ui/inventory.h"
#include "inventory/ui/stock_in_panel.h"
#include "maintenance/ui/backup_window.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/ui/install_printing.h"
#include "sales/ui/install_sale.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer_settings_window.h"
#include "sales/ui/sale_panel.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "users/login_log.h"
#include "users/ui/change_password_window.h"
#include "users/ui/login_window.h"
#include "users/ui/session.h"
#include "users/ui/user_admin_window.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace {

void wire(QAction* item, QObject* receiver, std::function<void()> slot) {
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, receiver, [slot = std::move(slot)] { slot(); });
}

void wire(QToolButton* button, QObject* receiver, std::function<void()> slot) {
    QObject::connect(button, &QToolButton::clicked, receiver, [slot = std::move(slot)] { slot(); });
}

InventoryPlaces inventoryPlaces(MainWindow& window) {
    InventoryPlaces places;
    places.window = &window;
    places.controlArea = window.controlArea();
    places.placePanel = [&window](QFrame* panel) { window.placePanel(panel); };
    places.successPrompt = [&window](const QString& text) { window.showSuccessPrompt(text); };
    places.whenLoginShown = [&window](std::function<void()> step) { window.whenLoginShown(std::move(step)); };
    return places;
}

InventoryActions inventoryActions(const MainActions& a) {
    return {a.newStockIn, a.gridNewStockIn, a.gridModify, a.gridDelete, a.gridShowAll, a.columnItems};
}

// An unattended screenshot run has no desktop to activate the window, so its login starts from
// the show. (The withheld columns need nothing at a show: the grid keeps them out whatever the
// column memory says.)
class ScreenshotLoginAtShow : public QObject {
public:
    ScreenshotLoginAtShow(MainWindow& window, LoginWindow& login) : QObject(&window), m_window(window), m_login(login) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window || event->type() != QEvent::Show)
            return false;
        QTimer::singleShot(0, &m_window, [window = &m_window, login = &m_login] {
            if (inScreenshotMode() && window->loginEntryId() == 0)
                loginForScreenshots(*login);
        });
        return false;
    }

private:
    MainWindow& m_window;
    LoginWindow& m_login;
};

}  // namespace

void loginForScreenshots(LoginWindow& login) {
    if (login.loggedIn())
        return;
    QString user = Database::kAdministrator, password = Database::kInitialPassword;
    const QString given = qEnvironmentVariable("TOVRAKEL_SCREENSHOT_LOGIN");
    // Passwords hold no ':', user names might.
    const int colon = given.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        user = given.left(colon);
        password = given.mid(colon + 1);
    }
    login.loginUnattended(user, password);
}

Program::Program(MainWindow& window, Session& session)
    : QObject(&window),
      m_window(window),
      m_session(session),
      m_inventory(new Inventory(session, inventoryPlaces(window), inventoryActions(window.actions()), this)),
      m_salePanel(new SalePanel(session)) {
    setObjectName(QStringLiteral("Program"));
    window.setGridArea(m_inventory->grid());
    window.hooks().columnMemory = [inventory = m_inventory] { inventory->runShowSteps(); };
    window.hooks().closePanels = [inventory = m_inventory] { inventory->stockIn()->panel()->hide(); };
    window.hooks().rememberedAlarmQuantity = [inventory = m_inventory](const QString& number) {
        inventory->setAlarmText(number);
    };
    const InventoryControls& controls = m_inventory->controls();
    window.keepDateCurrent(controls.stockInDate, true);
    window.keepDateCurrent(controls.searchFrom, false);
    window.keepDateCurrent(controls.searchTo, false);
    // Panel1, hidden until a batch is double-clicked.
    window.placeSalePanel(m_salePanel, m_salePanel->saleDate());
    connectSalePanel(*m_salePanel, *m_inventory, [&window](const QString& text) { window.showSuccessPrompt(text); });
    if (session.hasLedger())
        followLedger(session.database());

    // Screenshots: the panel open on the last batch of the grid.
    addScreenshotOpener(QStringLiteral("SalePanel"), [inventory = m_inventory] {
        const int rows = inventory->query().isOpen() ? inventory->query().recordCount() : 0;
        if (rows > 0)
            emit inventory->saleRequested(rows - 1);
    });
}

void Program::followLedger(Database& database) {
    if (m_ledger == &database)
        return;
    m_ledger = &database;
    m_inventory->followLedger(database.events());
    followLedgerWithRecords();
}

void Program::followLedgerWithRecords() {
    if (!m_ledger || !m_records.salesDetails)
        return;
    m_records.salesDetails->followLedger(m_ledger->events());
    m_records.summary->followLedger(m_ledger->events());
}

SalesRecordsWindows Program::installSalesRecords() {
    if (m_records.salesDetails)
        return m_records;
    SalesDetailsWindow* sales = m_records.salesDetails = new SalesDetailsWindow(m_session, &m_window);
    ProductSummaryWindow* summary = m_records.summary = new ProductSummaryWindow(m_session, &m_window);
    const MainActions& a = m_window.actions();

    wire(a.salesDetailsButton, sales, [sales] { sales->showModal(); });
    wire(a.gridSales, sales, [sales] { sales->showModal(); });
    wire(a.summaryButton, summary, [summary] { summary->showModal(); });
    wire(a.gridSummary, summary, [summary] { summary->showNonModal(); });

    Inventory* inventory = m_inventory;
    SalePanel* sale = m_salePanel;
    // After the sales details the main window's panels close and the stock is read afresh.
    connect(sales, &SalesDetailsWindow::closed, this, [inventory, sale] {
        inventory->stockIn()->hidePanel();
        sale->hide();
        inventory->showAll();
    });
    // Read again from the settings: a value they do not hold leaves its field as it is.
    connect(&m_window, &MainWindow::companyHeaderRead, sales,
            [sales] { sales->readCompanyHeader(ReadSettings(kMainKey)); });
    m_window.hooks().salesMonthView = [sales] { sales->runMonthView(); };
    inventory->reapplySalesColumns = [sales](const SettingsKey& settings) { sales->reapplyColumnMemory(settings); };
    connectSaleToRecords(*sale, *sales);
    followLedgerWithRecords();

    addScreenshotOpener(QStringLiteral("SalesDetailsWindow"), [sales] { sales->showModal(); });
    addScreenshotOpener(QStringLiteral("ProductSummaryWindow"), [summary] { summary->showNonModal(); });
    return m_records;
}

PosPanel* Program::installPrinting(const QString& receiptPdfFolder) {
    const SalesRecordsWindows records = installSalesRecords();
    if (m_pos) {
        chooseReceiptPdfFolder(receiptPdfFolder);
        return m_pos;
    }
    PrintingPlaces places;
    places.window = &m_window;
    places.inventoryGrid = m_inventory->grid();
    places.inventoryPrint = m_window.actions().gridPrint;
    places.posButton = m_window.actions().posButton;
    m_pos = ::installPrinting(m_session, places, *records.salesDetails, *records.summary, *m_salePanel, receiptPdfFolder);

    // 设 置 › 小票打印机
    const auto receiptPrinter = [window = &m_window, session = &m_session] {
        ActivateWindow<ReceiptPrinterSettingsWindow>(window, session->services());
    };
    wire(m_window.actions().receiptPrinter, &m_window, receiptPrinter);
    addScreenshotOpener(QStringLiteral("ReceiptPrinterSettingsWindow"), receiptPrinter);

    // Screenshots: the sales details window with the POS panel holding the latest sale.
    SalesDetailsWindow* sales = records.salesDetails;
    PosPanel* pos = m_pos;
    Session* session = &m_session;
    addScreenshotOpener(QStringLiteral("PosPanel"), [session, sales, pos] {
        pos->show();
        sales->showModal();
        if (session->hasLedger())
            pos->addSalesRecord(sales->query());
    });
    return m_pos;
}

LoginWindow* Program::installUsers() {
    if (m_login)
        return m_login;
    MainWindow& window = m_window;
    Inventory* inventory = m_inventory;
    LoginSteps steps;
    steps.runWaitingSteps = [&window] { window.runWaitingSteps(); };
    steps.loginSucceeded = [&window] { window.loginSucceeded(); };
    steps.restoreDisplayMode = [inventory] { inventory->restoreDisplayMode(); };
    steps.showAll = [inventory] { inventory->showAll(); };
    steps.loggedIn = [&window](const QString& user, qint64 entryId) {
        window.statusPanel(1)->setText(user);
        window.setLoginEntryId(entryId);
    };
    LoginWindow* login = m_login = new LoginWindow(m_session, &window, steps);
    window.hooks().loginRequired = [login] {
        if (inScreenshotMode())
            loginForScreenshots(*login);
        else
            login->run();
    };
    m_session.honourRights(&window, [this](const Rights& rights) { applyRights(rights); });
    // Closing the window ends the login in the log.
    connect(&window, &MainWindow::closing, this, [this] {
        const qint64 entry = m_window.loginEntryId();
        if (entry != 0 && m_session.hasLedger())
            runAction(&m_window, [&] { writeLogout(m_session.database(), entry, m_session.now()); });
    });
    window.installEventFilter(new ScreenshotLoginAtShow(window, *login));

    const MainActions& a = window.actions();
    Session& session = m_session;
    const auto changePassword = [&window, &session] { ActivateWindow<ChangePasswordWindow>(&window, session); };
    const auto userAdmin = [&window, &session] { ActivateWindow<UserAdminWindow>(&window, session); };
    wire(a.changePassword, &window, changePassword);
    wire(a.userAdmin, &window, userAdmin);
    addScreenshotOpener(QStringLiteral("ChangePasswordWindow"), changePassword);
    addScreenshotOpener(QStringLiteral("UserAdminWindow"), userAdmin);
    return login;
}

// The main window's own items of the withheld commands; nothing gives a command back within the run.
void Program::applyRights(const Rights& rights) {
    if (auto* grid = qobject_cast<DataGrid*>(m_window.gridArea()))
        grid->withholdFields(rights.withheldFields());
    const MainActions& a = m_window.actions();
    if (rights.withholds(Command::EnterStock)) {
        a.newStockIn->setVisible(false);
        a.gridNewStockIn->setVisible(false);
        a.newStockInButton->hide();
    }
    if (rights.withholds(Command::ModifyStock))
        a.gridModify->setVisible(false);
    if (rights.withholds(Command::DeleteStock))
        a.gridDelete->setVisible(false);
    if (rights.withholds(Command::AdministerUsers))
        a.userAdmin->setVisible(false);
    if (rights.withholds(Command::ToggleHiddenPurchasePrice))
        a.columnItems.at(0)->setVisible(false);  // 隐藏进货单价
    if (rights.withholds(Command::ToggleHiddenAmounts))
        a.columnItems.at(2)->setVisible(false);  // 隐藏金额
    if (rights.withholds(Command::ChangeSaleDate)) {
        DateField* saleDate = m_salePanel->saleDate();
        saleDate->setReadOnly(true);
        for (QToolButton* calendar : saleDate->findChildren<QToolButton*>())
            calendar->setEnabled(false);
    }
}

ExcelImportWindow* Program::installExcelImport() {
    auto* window = new ExcelImportWindow(m_session, &m_window);
    wire(m_window.actions().excelImport, window, [window] { window->showModal(); });
    // The new batches are read with "全部记录".
    connect(window, &ExcelImportWindow::imported, m_inventory, &Inventory::showAll);
    return window;
}

void Program::installBackup() {
    MainWindow& window = m_window;
    Inventory* inventory = m_inventory;
    Session& session = m_session;
    const auto open = [&window, &session, inventory] {
        auto* backup = ActivateWindow<BackupWindow>(&window, session);
        if (!backup->property("followed").toBool()) {
            backup->setProperty("followed", true);
            connect(backup, &BackupWindow::closed, inventory, [&window, inventory] {
                inventory->showAll();
                window.show();
            });
        }
        window.hide();
    };
    wire(window.actions().backupButton, &window, open);
    addScreenshotOpener(QStringLiteral("BackupWindow"), open);
}

void Program::installGridExport() {
    connectGridExport(m_session, m_window.actions().gridExport, &m_window, *m_inventory->grid(), QStringLiteral("商品进货统计报表"));
}
