#pragma once
// Program: the application's composition. It builds the features around the main window in
// their order, hands each what it needs, and connects the window's items to them. The main window
// knows no feature and no feature knows the main window.
#include <QObject>
#include <QString>

class Database;
class ExcelImportWindow;
class Inventory;
class LoginWindow;
class MainWindow;
class PosPanel;
class ProductSummaryWindow;
class Rights;
class SalePanel;
class SalesDetailsWindow;
class Session;
struct StartOptions;

struct SalesRecordsWindows {
    SalesDetailsWindow* salesDetails = nullptr;
    ProductSummaryWindow* summary = nullptr;
};

class Program : public QObject {
    Q_OBJECT
public:
    // The inventory and the sale panel come with the window; the rest is added in the program's
    // order by the install steps (tests add only what they need). Owned by the window.
    Program(MainWindow& window, Session& session);

    MainWindow& window() const { return m_window; }
    Session& session() const { return m_session; }
    Inventory& inventory() const { return *m_inventory; }
    SalePanel& salePanel() const { return *m_salePanel; }

    // The views read again what the ledger's events tell them (a sale, a deleted sale), from the
    // connection opened now; called again for a ledger opened in its place.
    void followLedger(Database& database);

    // The sales details window and the product summary, made once, hidden, with their commands.
    SalesRecordsWindows installSalesRecords();
    // The POS list, the notes and the grid prints (after the sales records, which it makes when
    // needed). `receiptPdfFolder` as --receipt-pdf gives it.
    PosPanel* installPrinting(const QString& receiptPdfFolder = {});
    // The login demanded after the show, the rights it grants, 修改密码 and 用户管理.
    LoginWindow* installUsers();
    ExcelImportWindow* installExcelImport();
    // "数据备份": the backup window, the main window hidden until it closes.
    void installBackup();
    // "导出Excel" of the inventory grid.
    void installGridExport();

    SalesDetailsWindow* salesDetails() const { return m_records.salesDetails; }
    ProductSummaryWindow* summary() const { return m_records.summary; }
    PosPanel* posPanel() const { return m_pos; }
    LoginWindow* login() const { return m_login; }

private:
    void applyRights(const Rights& rights);

    void followLedgerWithRecords();

    MainWindow& m_window;
    Session& m_session;
    Database* m_ledger = nullptr;
    Inventory* m_inventory;
    SalePanel* m_salePanel;
    SalesRecordsWindows m_records;
    PosPanel* m_pos = nullptr;
    LoginWindow* m_login = nullptr;
};

// The login of the unattended screenshot run: TOVRAKEL_SCREENSHOT_LOGIN=user:password, by default
// the administrator with the initial password.
void loginForScreenshots(LoginWindow& login);
