#pragma once
// Inventory: the stock records in the main window: the grid DataGrid1 with its display mode,
// search box, alarm colouring and remembered columns, and the stock-in panel, wired to the
// window's menus and buttons.
#include "inventory/column_memory.h"
#include "inventory/inventory_search.h"
#include "store/dataset.h"

#include <QObject>
#include <QPointer>
#include <functional>

class DataGrid;
class LedgerEvents;
class DateField;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QuickSearchBox;
class SettingsKey;
class StockInPanel;

// Where the inventory lives in the main window, and what it uses of it.
struct InventoryPlaces {
    QWidget* window = nullptr;       // the owner of the inventory's messages
    QWidget* controlArea = nullptr;  // under the grid: the search box and the display controls
    std::function<void(QFrame*)> placePanel;  // the stock-in panel floats over the grid
    std::function<void(const QString&)> successPrompt;
    // Runs a step once the login window is on screen (at once when no login is pending).
    std::function<void(std::function<void()>)> whenLoginShown;
};

// The inventory's own controls.
struct InventoryControls {
    QGroupBox* searchBox = nullptr;
    DateField* searchFrom = nullptr;
    DateField* searchTo = nullptr;
    QPushButton* showAll = nullptr;  // 全部记录
    QCheckBox* zeroStock = nullptr;  // 不显示零库存
    QLineEdit* alarmQuantity = nullptr;
    QFrame* stockInPanel = nullptr;
    DateField* stockInDate = nullptr;
};

struct InventoryActions {
    QAction* newStockIn = nullptr;
    QAction* gridNewStockIn = nullptr;
    QAction* modify = nullptr;
    QAction* remove = nullptr;
    QAction* showAll = nullptr;
    QList<QAction*> columnItems;  // in the order of inventoryColumnMemory()
};

class Session;

class Inventory : public QObject {
    Q_OBJECT
public:
    Inventory(Session& session, const InventoryPlaces& places, const InventoryActions& actions, QObject* parent = nullptr);
    Session& session() const { return m_session; }
    const InventoryControls& controls() const { return m_controls; }
    // The alarm quantity the settings remember, as the field shows it.
    void setAlarmText(const QString& text);

    DataGrid* grid() const;
    QuickSearchBox* searchBox() const { return m_search; }
    StockInPanel* stockIn() const { return m_stockIn; }
    Dataset& query() const;  // the stock query behind the grid (ADOQuery15), on the session's ledger

    // "全部记录": refills the pick lists, shows every batch of the display mode, moves to the last.
    void showAll();
    // "全部记录" after a sale of this batch: a sale changes no pick list, and when the grid already
    // shows every batch only the sold one is read again.
    void showAllAfterSale(qint64 stockId);
    // Reads back a sold batch and everything after a deleted sale, as the ledger tells.
    void followLedger(LedgerEvents& events);
    // Another till changed the ledger: the rows and pick lists are read again where they stand.
    void followOtherTills();
    // "查询": the batches matching the search box, in the display mode.
    void search();
    DisplayMode displayMode() const { return m_mode; }
    // Ticks "不显示零库存" as `n0` remembers it ("no": ticked, "yes": not), which switches the mode
    // and runs "全部记录"; another text changes nothing.
    void restoreDisplayMode();
    // "删 除": the current batch, after the confirmation.
    void deleteCurrent();
    // The remembered hidden columns of the grid, then the hooks below (at each show of the window).
    void reapplyColumnMemory();
    // At each show of the main window: the remembered columns, and the grid filled when nothing
    // has filled it yet.
    void runShowSteps();
    // The alarm quantity as a whole number.
    qint64 alarmQuantity() const { return m_alarm; }
    void hideSalePanel();

    // Filled by the sale subsystem: the remembered customer number for the sale panel, and the
    // remembered columns of the sales grid; both run after the inventory's own columns.
    std::function<void(const QString&)> restoreCustomerNumber;
    std::function<void(const SettingsKey&)> reapplySalesColumns;

signals:
    // A double click on a batch: the sale panel opens for it.
    void saleRequested(int row);
    // A click moved to another batch: the sale panel hides and clears itself.
    void stockRecordChanged();
    // A new result, a sort or a deletion: an open sale panel hides.
    void salePanelDismissed();
    // "全部记录" has read the pick lists and the batches afresh.
    void shownAll();

private:
    Session& m_session;
    void wireMenus();
    void wireDisplayMode();
    void wireAlarmQuantity();
    void setMode(DisplayMode mode);
    void refreshGrid();
    void showNewResult();
    void fillPickLists();
    void showAllRows();
    void onRowClicked(int row);
    QColor rowColour(int row) const;
    void setColumnItem(const ColumnMemoryItem& item, bool ticked);

    void buildControls();

    InventoryPlaces m_places;
    InventoryControls m_controls;
    InventoryActions m_actions;
    mutable Dataset m_stock{QStringLiteral("ADOQuery15"), QStringLiteral("select * from data")};
    QPointer<DataGrid> m_grid;  // the window may replace its grid area (tests do)
    QuickSearchBox* m_search;
    StockInPanel* m_stockIn;
    DisplayMode m_mode = DisplayMode::ShowAll;
    qint64 m_alarm = 5;
    qint64 m_lastClickedId = -1;
};
