#include "inventory/ui/inventory.h"

#include "inventory/alarm_rule.h"
#include "inventory/stock_batches.h"
#include "inventory/ui/inventory_grid.h"
#include "inventory/ui/search_box.h"
#include "inventory/ui/stock_in_panel.h"
#include "store/ledger_events.h"
#include "store/query.h"
#include "store/settings.h"
#include "store/stock_table.h"
#include "users/rights.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"
#include "widgets/draggable_panel.h"
#include "widgets/input_helpers.h"
#include "widgets/number_field.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

Inventory::Inventory(Session& session, const InventoryPlaces& places, const InventoryActions& actions, QObject* parent)
    : QObject(parent),
      m_session(session), m_places(places), m_actions(actions) {
    setObjectName(QStringLiteral("Inventory"));
    m_grid = createInventoryGrid();
    buildControls();
    m_search = new QuickSearchBox(m_controls.searchBox, m_controls.searchFrom, m_controls.searchTo);
    m_stockIn = new StockInPanel(m_controls, places, *this);
    m_alarm = alarmQuantityValue(m_controls.alarmQuantity->text());

    m_grid->setRowColour([this](int row) { return rowColour(row); });
    connect(m_grid, &DataGrid::titleClicked, this, [this] {
        hideSalePanel();
        m_stockIn->hidePanel();
    });
    connect(m_grid, &DataGrid::cellClicked, this, &Inventory::onRowClicked);
    connect(m_grid, &DataGrid::rowDoubleClicked, this, &Inventory::saleRequested);
    connect(m_search, &QuickSearchBox::searchRequested, this, &Inventory::search);
    connect(m_controls.showAll, &QPushButton::clicked, this, &Inventory::showAll);
    wireMenus();
    wireDisplayMode();
    wireAlarmQuantity();
}

void Inventory::buildControls() {
    InventoryControls& c = m_controls;
    QWidget* area = m_places.controlArea;
    c.searchBox = new QGroupBox(QStringLiteral("快速拼音查询"), area);
    c.searchBox->setObjectName(QStringLiteral("GroupBox5"));
    c.searchBox->setGeometry(4, 2, 600, 136);
    c.searchFrom = new DateField(c.searchBox);
    c.searchFrom->setObjectName(QStringLiteral("DateEdit3"));
    c.searchTo = new DateField(c.searchBox);
    c.searchTo->setObjectName(QStringLiteral("DateEdit4"));
    c.searchFrom->setGeometry(330, 104, 100, 22);
    c.searchTo->setGeometry(460, 104, 100, 22);

    auto* alarmLabel = new QLabel(QStringLiteral("库存报警数量："), area);
    alarmLabel->setObjectName(QStringLiteral("Label48"));
    alarmLabel->setGeometry(612, 62, 100, 22);
    c.alarmQuantity = new QLineEdit(QStringLiteral("5"), area);
    c.alarmQuantity->setObjectName(QStringLiteral("Edit43"));
    c.alarmQuantity->setGeometry(712, 62, 40, 22);
    c.showAll = new QPushButton(QStringLiteral("全部记录"), area);
    c.showAll->setObjectName(QStringLiteral("Button12"));
    c.showAll->setGeometry(760, 60, 75, 26);
    c.zeroStock = new QCheckBox(QStringLiteral("不显示零库存"), area);
    c.zeroStock->setObjectName(QStringLiteral("CheckBox1"));
    c.zeroStock->setGeometry(845, 62, 110, 22);

    c.stockInPanel = new DraggablePanel(area);
    c.stockInPanel->setObjectName(QStringLiteral("Panel3"));
    c.stockInPanel->setGeometry(200, 120, 489, 216);
    c.stockInDate = new DateField(c.stockInPanel);
    c.stockInDate->setObjectName(QStringLiteral("DateEdit1"));
    c.stockInDate->setGeometry(80, 120, 110, 22);
    if (m_places.placePanel)
        m_places.placePanel(c.stockInPanel);
    c.stockInPanel->hide();
}

void Inventory::setAlarmText(const QString& text) { m_controls.alarmQuantity->setText(text); }

Dataset& Inventory::query() const { return m_session.onLedger(m_stock); }

DataGrid* Inventory::grid() const { return m_grid.data(); }

void Inventory::wireMenus() {
    auto wire = [this](QAction* action, auto* receiver, auto slot) {
        if (!action)
            return;
        action->setEnabled(true);
        connect(action, &QAction::triggered, receiver, slot);
    };
    wire(m_actions.newStockIn, m_stockIn, &StockInPanel::openForNew);
    wire(m_actions.gridNewStockIn, m_stockIn, &StockInPanel::openForNew);
    wire(m_actions.modify, m_stockIn, &StockInPanel::openForModify);
    wire(m_actions.remove, this, &Inventory::deleteCurrent);
    wire(m_actions.showAll, this, &Inventory::showAll);
    const QVector<ColumnMemoryItem>& items = inventoryColumnMemory();
    for (int i = 0; i < items.size() && i < m_actions.columnItems.size(); ++i) {
        QAction* action = m_actions.columnItems[i];
        const ColumnMemoryItem& item = items[i];
        action->setCheckable(true);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, &item](bool ticked) {
            setColumnItem(item, ticked);
            runAction(m_places.window, [&] { WriteSetting(kMainKey, item.setting, tickSetting(ticked)); });
        });
    }
}

void Inventory::setColumnItem(const ColumnMemoryItem& item, bool ticked) {
    const qsizetype index = &item - inventoryColumnMemory().data();
    if (index >= 0 && index < m_actions.columnItems.size())
        m_actions.columnItems[index]->setChecked(ticked);
    for (int column : item.columns)
        if (m_grid)
            m_grid->setColumnHidden(column, columnsHidden(item, ticked));
}

void Inventory::reapplyColumnMemory() {
    const SettingsKey settings = ReadSettings(kMainKey);
    if (!settings.exists())
        return;  // nothing remembered yet: the columns stay as designed
    for (const ColumnMemoryItem& item : inventoryColumnMemory()) {
        const RememberedTick tick = rememberedTick(settings.value(item.setting));
        if (tick != RememberedTick::Keep)
            setColumnItem(item, tick == RememberedTick::Tick);
    }
    if (restoreCustomerNumber)
        restoreCustomerNumber(settings.value(QStringLiteral("ordernumber")));
    if (reapplySalesColumns)
        reapplySalesColumns(settings);
}

// At each show: the remembered columns, and the grid filled when nothing has filled it yet, so the
// ledger is on screen behind the login (which sets the remembered mode and runs "全部记录" again)
// once the login window itself is.
void Inventory::runShowSteps() {
    reapplyColumnMemory();
    const auto fill = [this] {
        if (m_session.hasLedger() && (!query().isOpen() || (m_grid && m_grid->dataset() != &query())))
            showAll();
    };
    if (m_places.whenLoginShown)
        m_places.whenLoginShown(fill);
    else
        fill();
}

// The grid follows the box however it is ticked (the login ticks it from the remembered mode); a
// click by the user is what gets remembered.
void Inventory::wireDisplayMode() {
    connect(m_controls.zeroStock, &QCheckBox::toggled, this, [this](bool ticked) {
        setMode(ticked ? DisplayMode::ZeroStockHidden : DisplayMode::ShowAll);
        showAll();
    });
    connect(m_controls.zeroStock, &QCheckBox::clicked, this, [this] {
        runAction(m_places.window, [&] { WriteSetting(kMainKey, QStringLiteral("n0"), displayModeSetting(m_mode)); });
    });
}

void Inventory::setMode(DisplayMode mode) { m_mode = mode; }

void Inventory::restoreDisplayMode() {
    DisplayMode mode = m_mode;
    if (!displayModeFromSetting(ReadSettings(kMainKey).value(QStringLiteral("n0")), &mode))
        return;
    if (m_controls.zeroStock->isChecked() != (mode == DisplayMode::ZeroStockHidden))
        m_controls.zeroStock->setChecked(mode == DisplayMode::ZeroStockHidden);  // runs "全部记录"
}

void Inventory::wireAlarmQuantity() {
    NumberKeyFilter::install(m_controls.alarmQuantity, false);
    m_controls.alarmQuantity->setToolTip(QStringLiteral("修改库存报警数量，记录变成红色"));
    connect(m_controls.alarmQuantity, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) {
            m_controls.alarmQuantity->setText(QStringLiteral("0"));  // itself a change, which stores it
            return;
        }
        m_alarm = alarmQuantityValue(text);
        if (m_grid)
            m_grid->view()->viewport()->update();
        runAction(m_places.window, [&] { WriteSetting(kMainKey, QStringLiteral("number"), text); });
    });
}

QColor Inventory::rowColour(int row) const {
    const Dataset& q = query();
    const int column = q.columnIndex(stock::kStockQuantity);
    if (column < 0)
        return QColor();
    double stock = 0;
    const bool empty = !datasetNumber(q, row, column, &stock);
    return isAlarmStock(empty, stock, m_alarm) ? QColor(255, 0, 0) : QColor();
}

// The data module opens after the window is built (and a test may open another), so the grid takes
// the stock query of the module in use at each refresh.
void Inventory::refreshGrid() {
    if (!m_grid)
        return;
    if (m_grid->dataset() != &query())
        m_grid->setDataset(&query());
    else
        m_grid->refresh();
}

// A result read afresh stands in its statement's order: no title keeps a sort mark.
void Inventory::showNewResult() {
    if (m_grid)
        m_grid->clearSortMarks();
    refreshGrid();
}

void Inventory::hideSalePanel() { emit salePanelDismissed(); }

void Inventory::showAll() {
    runAction(m_places.window, [this] { fillPickLists(); });
    showAllRows();
    emit shownAll();
}

void Inventory::showAllAfterSale(qint64 stockId) {
    bool refreshed = false;
    runAction(m_places.window, [&] {
        Dataset& q = query();
        if (!q.isOpen() || q.statement() != fullStatement(m_mode) || !q.parameters().isEmpty())
            return;
        const int row = q.refreshRecord(stockId);
        if (row < 0)
            return;
        // A batch sold out leaves the view that hides empty stock: that takes the whole read.
        double stock = 0;
        if (m_mode == DisplayMode::ZeroStockHidden &&
            (!datasetNumber(q, row, q.columnIndex(stock::kStockQuantity), &stock) || stock == 0))
            return;
        q.last();
        refreshed = true;
    });
    if (!refreshed) {
        showAllRows();
        return;
    }
    refreshGrid();
    hideSalePanel();
}

void Inventory::followLedger(LedgerEvents& events) {
    connect(&events, &LedgerEvents::saleRecorded, this, [this](qint64 stockId) { showAllAfterSale(stockId); });
    // A deleted sale gave its stock back.
    connect(&events, &LedgerEvents::saleDeleted, this, &Inventory::showAll);
    connect(&events, &LedgerEvents::changedElsewhere, this, &Inventory::followOtherTills);
}

void Inventory::followOtherTills() {
    runAction(m_places.window, [this] {
        // What the user is typing in a panel or a search box stays as typed.
        std::vector<std::pair<QComboBox*, QString>> typed;
        const StockInPickLists panel = m_stockIn->pickLists();
        for (QComboBox* box : {panel.category, panel.name, panel.model, panel.code, panel.supplier,
                               m_search->category(), m_search->supplier()})
            if (box)
                typed.emplace_back(box, box->currentText());
        fillPickLists();
        for (const auto& [box, text] : typed) {
            const QSignalBlocker blocker(box);
            box->setEditText(text);
        }
        query().reread();
    });
    refreshGrid();
}

void Inventory::fillPickLists() {
    Database& work = m_session.database();
    const StockInPickLists panel = m_stockIn->pickLists();
    FillCombos(work, stock::kCategory, stock::kTable, {panel.category, m_search->category()});
    FillCombo(work, stock::kName, stock::kTable, panel.name);
    FillCombo(work, stock::kModel, stock::kTable, panel.model);
    FillCombo(work, stock::kCode, stock::kTable, panel.code);
    FillCombos(work, stock::kSupplier, stock::kTable, {panel.supplier, m_search->supplier()});
}

void Inventory::showAllRows() {
    runAction(m_places.window, [this] {
        OpenQuery(query(), fullStatement(m_mode));
        query().last();
    });
    showNewResult();
    hideSalePanel();
}

void Inventory::search() {
    const SearchConditions conditions = m_search->conditions();
    const QString problem = dateRangeProblem(conditions);
    if (!problem.isEmpty()) {
        showMessage(m_places.window, QStringLiteral("Warning"), problem, QMessageBox::Warning, QMessageBox::Ok);
        return;  // nothing is run: the grid keeps its rows
    }
    runAction(m_places.window, [&] {
        const Statement statement = searchStatement(m_mode, conditions);
        OpenQuery(query(), statement.sql, statement.params);
    });
    showNewResult();
    hideSalePanel();
    m_stockIn->hidePanel();
}

void Inventory::deleteCurrent() {
    if (!query().isOpen() || query().isEmpty())
        return;  // nothing to delete, nothing to ask
    hideSalePanel();
    const auto answer = showMessage(m_places.window, QStringLiteral("警告！"), QStringLiteral("你真的要删除选中资料吗？"),
                                    QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    const bool removed = runAction(m_places.window, [this] {
        const qint64 id = query().fieldInteger(stock::kId);
        deleteStockBatch(m_session.database(), id);
        query().dropRecord(id);
    });
    refreshGrid();
    if (removed)
        showInfo(m_places.window, QStringLiteral("删除数据成功！"));
}

void Inventory::onRowClicked(int row) {
    if (row < 0 || row >= query().recordCount())
        return;
    const int idColumn = query().columnIndex(stock::kId);
    const qint64 id = idColumn >= 0 ? qint64(query().number(row, idColumn)) : row;
    // The batch being modified stays modifiable when it is clicked again.
    if (id != m_lastClickedId && id != m_stockIn->modifyTarget()) {
        hideSalePanel();
        emit stockRecordChanged();
        m_stockIn->disableModify();
    }
    m_lastClickedId = id;
    // The panel takes the batch's purchase price: not for a user who may not enter stock and
    // must not see it.
    if (m_session.rights().mayEnterStock())
        m_stockIn->prefill(row);
}
