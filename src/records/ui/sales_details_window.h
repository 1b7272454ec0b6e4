#pragma once
// SalesDetailsWindow: the sales details window: the sales grid with its search box, customer-number filter,
// column items and sales record panel (correction, deletion with the stock given back), the sales
// statistics tab, and the places of the POS panel and the company fields.
#include "records/every_sale_hold.h"
#include "records/sales_filter.h"
#include "records/sales_queries.h"
#include "store/dataset.h"
#include "users/rights.h"

#include <QDialog>
#include <QMap>
#include <QList>
#include <QPointer>
#include <array>
#include <utility>

class DataGrid;
class LedgerEvents;
class DateField;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class Rights;
class SalesRecordPanel;
class SalesStatisticsTab;
class SettingsKey;
struct ColumnMemoryItem;

class Session;

class SalesDetailsWindow : public QDialog {
    Q_OBJECT
public:
    explicit SalesDetailsWindow(Session& session, QWidget* parent = nullptr);

    // The sales the window lists (ADOQuery13), on the session's ledger.
    Dataset& query();
    // Every sale, read beside the window while it is open, which answers its searches.
    EverySaleHold& everySale() { return m_everySale; }

    // Shows the window modally without blocking the caller; closed() follows when it closes.
    void showModal();

    // "本 月": refills the category list and the sale panel's customer names, lists the sales of
    // the current month, moves to the latest one, hides the sales record panel.
    void runMonthView();
    // "全部记录": the same with every sales record.
    void runAllRecords();
    // "查 询": the sales matching the search box (a ticked date range must hold two real dates).
    void runSearch();
    // "当 天": ticks the date range and searches.
    void runToday();
    // "清空条件".
    void clearConditions();
    // Puts a customer number into the filter field "客户编号：", which lists that order's sales.
    void setCustomerFilter(const QString& text);
    // The same number in the field without listing its sales (a sale runs the month view next).
    void presetCustomerFilter(const QString& text);
    QString customerFilter() const;
    // The combo box the month view and "全部记录" fill with the distinct customer names (the sale
    // panel's customer name list); may be null.
    void setCustomerNameList(QComboBox* list);
    // The company name and address line fields (" 个性信息设置"), as the settings hold them.
    void setCompanyHeader(const QString& company, const QString& address);
    // The same from the settings: a field whose value the settings do not hold keeps its text, so
    // saving another setting never empties the header.
    void readCompanyHeader(const SettingsKey& settings);
    QString companyName() const;
    QString addressLine() const;

    // The remembered column items (xiaoshouyin1 … xiaoshouyin10) from the settings read at start;
    // a column the login withholds stays hidden.
    void reapplyColumnMemory(const SettingsKey& settings);
    // Hides the commands, columns and charts the logged-in user may not have (once per run is
    // enough; repeating it does no harm).
    void applyRights();

    // After a sale the order's number goes to the filter field, and the month view is read again
    // while the window is open (a closed one reads it when it opens).
    void followLedger(LedgerEvents& events);

    // The sales record panel on the current row ("修 改 " / double click, "删 除").
    void openForCorrection();
    void openForDeletion();
    // The panel's "修 改" and "删 除".
    void correctShownSale();
    void deleteShownSale();

    DataGrid* grid() const { return m_grid; }
    SalesRecordPanel* recordPanel() const { return m_recordPanel; }
    SalesStatisticsTab* statistics();
    QMenu* gridMenu() const { return m_menu; }
    QTabWidget* tabs() const { return m_tabs; }
    // Places kept for the POS list and the notes: the page the POS panel floats on, the grid
    // menu's first item, the grid print item and the sales note button; unconnected until printing
    // is installed.
    QWidget* salesPage() const { return m_salesPage; }
    QAction* posPrintItem() const { return m_posItem; }
    QAction* printItem() const { return m_printItem; }
    QPushButton* salesNoteButton() const { return m_salesNoteButton; }

signals:
    // The window closed (after its own closing steps).
    void closed();

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    Session& m_session;
    Dataset m_sales{QStringLiteral("ADOQuery13"), QStringLiteral("SELECT * from data1")};
    HeldSales m_held;  // which searches the rows read can answer
    EverySaleHold m_everySale;
    bool m_showsEverySale = false;  // the grid shows rows of m_everySale, not m_sales
    void buildSalesPage(QWidget* page);
    QGroupBox* buildSearchBox(QWidget* parent);
    QGroupBox* buildCompanyGroup(QWidget* parent);
    // The company fields with the names of their settings values.
    std::array<std::pair<QLineEdit*, QString>, 2> companyFields() const;
    void buildMenu();
    void runOpeningSteps();
    void runClosingSteps();
    void openSales(const SalesStatement& statement, bool last, HeldSales::Reading reading = HeldSales::Reading::Other,
                   const SalesSearchConditions& search = {});
    void refillLists();
    void holdEverySale();
    void forgetHeldSales();
    void stopReadingBeforeWriting();
    SalesSearchConditions conditions() const;
    void onLiveFieldChanged();
    void setItemTicked(const ColumnMemoryItem& item, bool ticked);
    void toggleItem(const ColumnMemoryItem& item);
    void setSalesColumnHidden(int column, bool hidden);
    void withholdFromUser(const Rights& rights);
    bool maySeeCharts() const;
    QAction* columnItem(const ColumnMemoryItem& item) const;
    void showAllColumns();
    void openPanel(int mode);
    void onCurrentRowChanged();

    QTabWidget* m_tabs;
    DataGrid* m_grid = nullptr;
    SalesRecordPanel* m_recordPanel = nullptr;
    QWidget* m_statisticsPage = nullptr;
    SalesStatisticsTab* m_statistics = nullptr;
    QWidget* m_salesPage = nullptr;
    QMenu* m_menu = nullptr;
    QList<QAction*> m_columnItems;  // in the order of salesColumnMemory()
    QMap<Command, QAction*> m_commandItems;
    QAction* m_posItem = nullptr;
    QAction* m_printItem = nullptr;
    QPushButton* m_salesNoteButton = nullptr;
    QComboBox* m_category = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_model = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_customer = nullptr;
    QLineEdit* m_remark = nullptr;
    QCheckBox* m_dateRange = nullptr;
    DateField* m_from = nullptr;
    DateField* m_to = nullptr;
    QLineEdit* m_customerFilter = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_address = nullptr;
    QPointer<QComboBox> m_customerNames;
    bool m_clearing = false;
};
