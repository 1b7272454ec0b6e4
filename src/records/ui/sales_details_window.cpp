#include "records/ui/sales_details_window.h"

#include "exchange/ui/data_grid_export.h"
#include "inventory/column_memory.h"
#include "records/sale_correction.h"
#include "records/sale_deletion.h"
#include "records/ui/sales_charts.h"
#include "records/ui/sales_grid.h"
#include "records/ui/sales_record_panel.h"
#include "store/ledger_events.h"
#include "store/query.h"
#include "store/sales_table.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "text/product_info.h"
#include "users/rights.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"
#include "widgets/draggable_panel.h"
#include "widgets/input_helpers.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString kCompanyDefault = QStringLiteral("Tovrakel");
// A function: the web address is a constant of another file, not yet made during static start-up.
QString addressDefault() { return QStringLiteral("网址：") + kWebSite; }
const QString kSheetTitle = QStringLiteral("销 售 报 表");

QLabel* caption(const QString& text, QWidget* parent, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, 22);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* field(const QString& name, QWidget* parent, int x, int y, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, width, 22);
    return edit;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent, int x, int y, int width) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, width, 26);
    return b;
}
}  // namespace

SalesDetailsWindow::SalesDetailsWindow(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("xstj"));
    setWindowTitle(QStringLiteral("销售明细"));
    resize(1008, 585);
    setSizeGripEnabled(false);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    auto* salesPage = new QWidget;
    salesPage->setObjectName(QStringLiteral("TabSheet1"));
    m_statisticsPage = new QWidget;
    m_statisticsPage->setObjectName(QStringLiteral("TabSheet2"));
    (new QVBoxLayout(m_statisticsPage))->setContentsMargins(0, 0, 0, 0);
    m_tabs->addTab(salesPage, QStringLiteral("销售明细"));
    m_tabs->addTab(m_statisticsPage, QStringLiteral("销售统计"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tabs);

    buildSalesPage(salesPage);
    buildMenu();
    // Before anything fills the grid, and again if the rights are granted later.
    m_session.honourRights(this, [this](const Rights& rights) { withholdFromUser(rights); });
}

Dataset& SalesDetailsWindow::query() {
    Dataset* every = m_showsEverySale ? m_everySale.rows() : nullptr;
    return every ? *every : m_session.onLedger(m_sales);
}

// The charts cost more to build than the rest of the window: they are made when first needed.
SalesStatisticsTab* SalesDetailsWindow::statistics() {
    if (!m_statistics) {
        m_statistics = new SalesStatisticsTab(m_session, m_statisticsPage);
        m_statisticsPage->layout()->addWidget(m_statistics);
        // Enter runs the month's profit query while the statistics show, and does nothing on the
        // sales page.
        m_statistics->monthProfitButton()->setDefault(true);
    }
    return m_statistics;
}

void SalesDetailsWindow::buildSalesPage(QWidget* page) {
    m_grid = createSalesGrid(page);
    m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
    auto* strip = new QWidget(page);
    strip->setFixedHeight(122);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 2, 0, 0);
    stripLayout->addWidget(buildSearchBox(strip), 1);
    stripLayout->addWidget(buildCompanyGroup(strip));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_grid, 1);
    layout->addWidget(strip);

    m_recordPanel = new SalesRecordPanel(page);
    m_recordPanel->move(620, 8);
    connect(m_recordPanel, &SalesRecordPanel::correctionRequested, this, &SalesDetailsWindow::correctShownSale);
    connect(m_recordPanel, &SalesRecordPanel::deletionRequested, this, &SalesDetailsWindow::deleteShownSale);

    m_salesPage = page;

    connect(m_grid, &DataGrid::titleClicked, m_recordPanel, &SalesRecordPanel::close);
    connect(m_grid, &DataGrid::cellClicked, this, &SalesDetailsWindow::onCurrentRowChanged);
    connect(m_grid, &DataGrid::currentRowChanged, this, &SalesDetailsWindow::onCurrentRowChanged);
    connect(m_grid, &DataGrid::rowDoubleClicked, this, &SalesDetailsWindow::openForCorrection);
}

QGroupBox* SalesDetailsWindow::buildSearchBox(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral(" 快速拼音查询"), parent);
    box->setObjectName(QStringLiteral("GroupBox1"));
    // Three columns of fields, then the date range with the buttons.
    const int c1 = 8, c2 = 222, c3 = 436, w = 130;
    caption(QStringLiteral("类 别："), box, c1, 20, 70);
    m_category = new QComboBox(box);
    m_category->setObjectName(QStringLiteral("ComboBox4"));
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    m_category->setGeometry(c1 + 72, 20, w, 22);
    caption(QStringLiteral("商品名称："), box, c2, 20, 70);
    m_name = field(QStringLiteral("Edit23"), box, c2 + 72, 20, w);
    caption(QStringLiteral("客户名称："), box, c3, 20, 70);
    m_customer = field(QStringLiteral("Edit14"), box, c3 + 72, 20, w);
    caption(QStringLiteral("规格型号："), box, c1, 50, 70);
    m_model = field(QStringLiteral("Edit29"), box, c1 + 72, 50, w);
    caption(QStringLiteral("商品编码："), box, c2, 50, 70);
    m_code = field(QStringLiteral("Edit25"), box, c2 + 72, 50, w);
    caption(QStringLiteral("备 注："), box, c3, 50, 70);
    m_remark = field(QStringLiteral("Edit50"), box, c3 + 72, 50, w);
    for (QLineEdit* initials : {m_name, m_model})
        initials->setPlaceholderText(QStringLiteral("文字或拼音首字母"));  // the text or its initials

    m_dateRange = new QCheckBox(QStringLiteral("销售日期："), box);
    m_dateRange->setObjectName(QStringLiteral("CheckBox6"));
    m_dateRange->setGeometry(c1 + 4, 82, 84, 22);
    m_from = new DateField(box);
    m_from->setObjectName(QStringLiteral("DateEdit2"));
    m_from->setGeometry(c1 + 88, 82, 100, 22);
    auto* to = new QLabel(QStringLiteral("至"), box);
    to->setGeometry(c1 + 192, 82, 16, 22);
    m_to = new DateField(box);
    m_to->setObjectName(QStringLiteral("DateEdit3"));
    m_to->setGeometry(c1 + 210, 82, 100, 22);

    int x = c1 + 320;
    QPushButton* search = button(QStringLiteral("Button4"), QStringLiteral("查 询"), box, x, 80, 56);
    QPushButton* month = button(QStringLiteral("Button3"), QStringLiteral("本 月"), box, x += 60, 80, 56);
    QPushButton* day = button(QStringLiteral("Button19"), QStringLiteral("当 天"), box, x += 60, 80, 56);
    QPushButton* clear = button(QStringLiteral("Button15"), QStringLiteral("清空条件"), box, x += 60, 80, 66);
    QPushButton* all = button(QStringLiteral("Button16"), QStringLiteral("全部记录"), box, x += 70, 80, 66);
    box->setMinimumWidth(x + 66 + 8);

    setTabOrder(m_category, m_name);
    setTabOrder(m_name, m_customer);
    setTabOrder(m_customer, m_model);
    setTabOrder(m_model, m_code);
    setTabOrder(m_code, m_remark);
    setTabOrder(m_remark, m_dateRange);
    setTabOrder(m_dateRange, m_from);
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, search);
    setTabOrder(search, month);
    setTabOrder(month, day);
    setTabOrder(day, clear);
    setTabOrder(clear, all);

    connect(search, &QPushButton::clicked, this, &SalesDetailsWindow::runSearch);
    connect(month, &QPushButton::clicked, this, &SalesDetailsWindow::runMonthView);
    connect(day, &QPushButton::clicked, this, &SalesDetailsWindow::runToday);
    connect(clear, &QPushButton::clicked, this, &SalesDetailsWindow::clearConditions);
    connect(all, &QPushButton::clicked, this, &SalesDetailsWindow::runAllRecords);
    // Every change of a text condition searches at once; the date tick alone does not.
    connect(m_category, &QComboBox::editTextChanged, this, &SalesDetailsWindow::onLiveFieldChanged);
    for (QLineEdit* live : {m_name, m_model, m_code, m_customer, m_remark})
        connect(live, &QLineEdit::textChanged, this, &SalesDetailsWindow::onLiveFieldChanged);
    return box;
}

QGroupBox* SalesDetailsWindow::buildCompanyGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral(" 个性信息设置"), parent);
    group->setObjectName(QStringLiteral("GroupBox2"));
    group->setFixedSize(305, 118);
    caption(QStringLiteral("单位名称："), group, 8, 22, 76);
    m_company = field(QStringLiteral("CompanyName"), group, 88, 22, 193);
    m_company->setText(kCompanyDefault);
    caption(QStringLiteral("电话地址："), group, 8, 51, 76);
    m_address = field(QStringLiteral("AddressLine"), group, 88, 51, 193);
    m_address->setText(addressDefault());
    caption(QStringLiteral("客户编号："), group, 8, 81, 76);
    m_customerFilter = field(QStringLiteral("Edit2"), group, 88, 81, 97);
    m_salesNoteButton = button(QStringLiteral("SalesNotePrint"), QStringLiteral("销售单打印"), group, 192, 80, 89);
    m_salesNoteButton->setEnabled(false);  // the sales note comes with the printing of documents

    // The shop enters its own name and address line here; each change is remembered at once.
    for (const auto& [edit, setting] : companyFields()) {
        const QString name = setting;
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& text) { runAction(this, [&] { WriteSetting(kMainKey, name, text); }); });
    }
    connect(m_customerFilter, &QLineEdit::textChanged, this,
            [this](const QString& text) { openSales(customerNumberStatement(text), false); });
    return group;
}

void SalesDetailsWindow::buildMenu() {
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const QString& name, const QString& text, const QString& shortcut = {}) {
        QAction* a = m_menu->addAction(text);
        a->setObjectName(name);
        if (!shortcut.isEmpty())
            a->setShortcut(QKeySequence(shortcut));
        return a;
    };
    m_posItem = add(QStringLiteral("SalesPosPrint"), QStringLiteral("POS小票(销售单)打印"));
    m_posItem->setEnabled(false);  // the POS list comes with the receipt printing
    m_menu->addSeparator();
    QAction* modify = m_commandItems[Command::CorrectSale] = add(QStringLiteral("SalesModify"), QStringLiteral("修 改 "));
    connect(modify, &QAction::triggered, this, &SalesDetailsWindow::openForCorrection);
    QAction* remove = m_commandItems[Command::DeleteSale] = add(QStringLiteral("SalesDelete"), QStringLiteral("删 除"));
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(remove, &QAction::triggered, this, &SalesDetailsWindow::openForDeletion);
    connect(add(QStringLiteral("SalesExport"), QStringLiteral("导出Excel"), QStringLiteral("Ctrl+E")),
            &QAction::triggered, this, [this] { exportDataGrid(m_session, this, *m_grid, kSheetTitle); });
    m_printItem = add(QStringLiteral("SalesPrint"), QStringLiteral("打 印"), QStringLiteral("Ctrl+D"));
    m_printItem->setEnabled(false);  // the grid print comes with the printing of grids

    const QVector<ColumnMemoryItem>& items = salesColumnMemory();
    const QStringList captions = {QStringLiteral("隐藏销售单价"), QStringLiteral("隐藏销售日期"),
                                  QStringLiteral("隐藏欠款"),     QStringLiteral("隐藏净利润"),
                                  QStringLiteral("隐藏全部客户信息"), QStringLiteral("显示客户编号"),
                                  QStringLiteral("隐藏客户名称"), QStringLiteral("隐藏联系方式"),
                                  QStringLiteral("隐藏地址"),     QStringLiteral("隐藏备注")};
    for (int i = 0; i < items.size(); ++i) {
        if (i == 0 || i == 4)
            m_menu->addSeparator();
        QAction* a = add(items[i].item, captions[i]);
        m_columnItems << a;
        a->setCheckable(true);
        const ColumnMemoryItem& item = items[i];
        // The menu ticks on its own; the item's rule decides from the state before the click.
        connect(a, &QAction::triggered, this, [this, &item](bool) { toggleItem(item); });
    }
    m_menu->addSeparator();
    QAction* showAll = m_commandItems[Command::ShowAllSalesColumns] =
        add(QStringLiteral("SalesShowAll"), QStringLiteral("全部显示"));
    connect(showAll, &QAction::triggered, this, &SalesDetailsWindow::showAllColumns);
    m_commandItems[Command::ToggleHiddenProfit] = m_columnItems.at(3);  // 隐藏净利润

    addActions(m_menu->actions());  // the shortcuts work anywhere in the window
    m_grid->view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid->view(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_menu->popup(m_grid->view()->viewport()->mapToGlobal(p)); });
}

void SalesDetailsWindow::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void SalesDetailsWindow::setVisible(bool visible) {
    if (visible)
        statistics();  // made before the window shows, as a part of it
    QDialog::setVisible(visible);
}

void SalesDetailsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    runOpeningSteps();
}

void SalesDetailsWindow::runOpeningSteps() {
    applyRights();
    const QDate now = m_session.today();
    m_from->setDate(now);
    m_to->setDate(now);
    // The statistics page, hidden from a user who may not see the charts, reads nothing for them.
    if (maySeeCharts()) {
        statistics()->setPeriod(now);
        statistics()->runProfitQueries();
    }
    runMonthView();
    readCompanyHeader(ReadSettings(kMainKey));
    holdEverySale();
}

void SalesDetailsWindow::holdEverySale() {
    if (m_session.hasLedger())
        runAction(this, [this] { m_everySale.readSoon(m_session.database(), m_session.ledger().readerOpener()); });
}

// A file being read cannot take a write until the read ends: a correction or deletion made while
// every sale is still being read would wait for it, and past the busy wait give up.
void SalesDetailsWindow::stopReadingBeforeWriting() {
    if (m_everySale.isReading())
        m_everySale.forget();
}

// The ledger changed under the rows held: rows the grid shows stay, as rows read from the engine,
// and every sale is read again later.
void SalesDetailsWindow::forgetHeldSales() {
    m_held.forget();
    if (m_showsEverySale) {
        if (std::optional<Dataset> shown = m_everySale.take())
            m_sales = std::move(*shown);
        m_showsEverySale = false;
        m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
    }
    m_everySale.forget();
}

void SalesDetailsWindow::done(int result) {
    runClosingSteps();
    QDialog::done(result);
    emit closed();
}

void SalesDetailsWindow::runClosingSteps() {
    if (m_statistics)
        m_statistics->closeQueries();
    m_recordPanel->close();
    m_showsEverySale = false;
    m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
    if (m_session.hasLedger())
        query().close();
    m_grid->refresh();
    m_everySale.drop();  // last: it hands the memory of the rows freed back to the system
}

void SalesDetailsWindow::applyRights() {
    withholdFromUser(m_session.rights());
    // The statistics page holds the charts and what chooses them; without the charts it is not shown.
    m_tabs->setTabVisible(m_tabs->indexOf(m_statisticsPage), maySeeCharts());
}

bool SalesDetailsWindow::maySeeCharts() const { return !m_session.rights().withholds(Command::ViewSalesCharts); }

// The grid's withheld fields and this window's own items of the withheld commands.
void SalesDetailsWindow::withholdFromUser(const Rights& rights) {
    m_grid->withholdFields(rights.withheldFields());
    for (auto it = m_commandItems.cbegin(); it != m_commandItems.cend(); ++it)
        if (rights.withholds(it.key()))
            it.value()->setVisible(false);
}

QAction* SalesDetailsWindow::columnItem(const ColumnMemoryItem& item) const {
    const qsizetype index = &item - salesColumnMemory().data();
    return index >= 0 && index < m_columnItems.size() ? m_columnItems[index] : nullptr;
}

void SalesDetailsWindow::setSalesColumnHidden(int column, bool hidden) {
    // A column the login withholds is never shown again in the run: the grid sees to that.
    m_grid->setColumnHidden(column, hidden);
}

// ---- queries ----

void SalesDetailsWindow::openSales(const SalesStatement& statement, bool last, HeldSales::Reading reading,
                                   const SalesSearchConditions& search) {
    m_recordPanel->close();
    runAction(this, [&] {
        const bool wasEverySale = m_showsEverySale;
        m_showsEverySale = m_everySale.answer(statement, reading, search) != nullptr;
        Dataset& sales = query();
        if (m_showsEverySale) {
            if (!wasEverySale)
                m_sales.close();  // its rows are not shown again
            m_held.forget();
        } else {
            m_held.open(sales, statement, reading, search);
        }
        if (last)
            sales.last();
    });
    // A new result is in the engine's order: no title shows a sort mark.
    m_grid->clearSortMarks();
    m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
}

void SalesDetailsWindow::refillLists() {
    runAction(this, [this] {
        FillCombo(m_session.database(), salesrecord::kCategory, salesrecord::kTable, m_category);
        if (m_customerNames)
            FillCombo(m_session.database(), salesrecord::kCustomerName, salesrecord::kTable, m_customerNames);
    });
}

void SalesDetailsWindow::runMonthView() {
    refillLists();
    openSales(monthViewStatement(m_session.today()), true);
}

void SalesDetailsWindow::runAllRecords() {
    refillLists();
    openSales(allSalesStatement(), true, HeldSales::Reading::Every);
}

SalesSearchConditions SalesDetailsWindow::conditions() const {
    SalesSearchConditions c;
    c.category = m_category->currentText();
    c.nameInitials = m_name->text();
    c.code = m_code->text();
    c.modelInitials = m_model->text();
    c.customerName = m_customer->text();
    c.remark = m_remark->text();
    c.dateRange = m_dateRange->isChecked();
    c.dateFrom = m_from->dateText();
    c.dateTo = m_to->dateText();
    return c;
}

void SalesDetailsWindow::runSearch() {
    const SalesSearchConditions c = conditions();
    const QString problem = salesDateRangeProblem(c);
    if (!problem.isEmpty()) {
        // While the conditions are being cleared the range is about to be dropped: no message.
        if (!m_clearing)
            showMessage(this, QStringLiteral("Warning"), problem, QMessageBox::Warning);
        return;  // nothing runs: the grid keeps its rows
    }
    openSales(salesSearchStatement(c), false, HeldSales::Reading::Search, c);
}

void SalesDetailsWindow::onLiveFieldChanged() { runSearch(); }

void SalesDetailsWindow::runToday() {
    m_dateRange->setChecked(true);
    runSearch();
    m_recordPanel->close();
}

void SalesDetailsWindow::clearConditions() {
    m_clearing = true;
    for (QLineEdit* edit : {m_name, m_customer, m_code, m_model, m_remark})
        edit->clear();  // a field that had text searches once more as it empties
    {
        const QSignalBlocker blocker(m_category);
        m_category->setEditText(QString());
    }
    m_dateRange->setChecked(false);
    m_clearing = false;
}

void SalesDetailsWindow::setCustomerFilter(const QString& text) {
    if (m_customerFilter->text() == text)
        openSales(customerNumberStatement(text), false);  // the same number: list it again
    else
        m_customerFilter->setText(text);
}

void SalesDetailsWindow::followLedger(LedgerEvents& events) {
    // Changed sales are read again by the next search, not picked from the rows held.
    connect(&events, &LedgerEvents::saleRecorded, this, &SalesDetailsWindow::forgetHeldSales);
    connect(&events, &LedgerEvents::saleDeleted, this, &SalesDetailsWindow::forgetHeldSales);
    connect(&events, &LedgerEvents::ledgerReplaced, this, &SalesDetailsWindow::forgetHeldSales);
    connect(&events, &LedgerEvents::saleCorrected, this, [this](qint64 id) {
        m_held.forget();
        // A correction made here changes one row, which every sale held follows.
        if (!m_everySale.refreshRecord(id))
            forgetHeldSales();
    });
    connect(&events, &LedgerEvents::changedElsewhere, this, [this] {
        forgetHeldSales();
        if (!query().isOpen())
            return;
        runAction(this, [this] { query().reread(); });
        m_grid->refresh();
    });
    connect(&events, &LedgerEvents::saleRecorded, this, [this](qint64, const QString& customerNumber) {
        // The month view follows at once, so the customer's sales are not listed on the way.
        presetCustomerFilter(customerNumber);
        if (isVisible())
            runAction(this, [this] { runMonthView(); });
    });
}

void SalesDetailsWindow::presetCustomerFilter(const QString& text) {
    const QSignalBlocker blocker(m_customerFilter);
    m_customerFilter->setText(text);
}

QString SalesDetailsWindow::customerFilter() const { return m_customerFilter->text(); }

void SalesDetailsWindow::setCustomerNameList(QComboBox* list) { m_customerNames = list; }

void SalesDetailsWindow::setCompanyHeader(const QString& company, const QString& address) {
    m_company->setText(company);
    m_address->setText(address);
}

std::array<std::pair<QLineEdit*, QString>, 2> SalesDetailsWindow::companyFields() const {
    return {{{m_company, QStringLiteral("company")}, {m_address, QStringLiteral("address")}}};
}

void SalesDetailsWindow::readCompanyHeader(const SettingsKey& settings) {
    for (const auto& [edit, name] : companyFields())
        if (settings.has(name))
            edit->setText(settings.value(name));
}

QString SalesDetailsWindow::companyName() const { return m_company->text(); }
QString SalesDetailsWindow::addressLine() const { return m_address->text(); }

// ---- column items ----

void SalesDetailsWindow::setItemTicked(const ColumnMemoryItem& item, bool ticked) {
    if (QAction* a = columnItem(item))
        a->setChecked(ticked);
    for (int column : item.columns)
        setSalesColumnHidden(column, columnsHidden(item, ticked));
}

void SalesDetailsWindow::toggleItem(const ColumnMemoryItem& item) {
    QAction* a = columnItem(item);
    // The action has already flipped its own tick: its state before the click is the opposite.
    const bool wasTicked = a && !a->isChecked();
    setItemTicked(item, !wasTicked);
    runAction(this, [&] { WriteSetting(kMainKey, item.setting, tickSetting(!wasTicked)); });
}

void SalesDetailsWindow::reapplyColumnMemory(const SettingsKey& settings) {
    // In table order, so a single customer column's value overrides the all-customers item.
    for (const ColumnMemoryItem& item : salesColumnMemory()) {
        const RememberedTick tick = rememberedTick(settings.value(item.setting));
        if (tick != RememberedTick::Keep)
            setItemTicked(item, tick == RememberedTick::Tick);
    }
}

void SalesDetailsWindow::showAllColumns() {
    for (int c = salesgrid::kModel; c < salesgrid::kColumnCount; ++c)
        if (c != salesgrid::kCustomerNumber)
            setSalesColumnHidden(c, false);
}

// ---- the sales record panel ----

void SalesDetailsWindow::openPanel(int mode) {
    const auto panelMode = SalesRecordPanel::Mode(mode);
    const Rights& rights = m_session.rights();
    // The double click and the Del key follow the rights of the hidden menu items.
    if (panelMode == SalesRecordPanel::Mode::Correction ? !rights.mayCorrectSales() : !rights.mayDeleteSales())
        return;
    if (!m_session.hasLedger())
        return;
    runAction(this, [&] { m_recordPanel->openFor(query(), panelMode); });
}

void SalesDetailsWindow::openForCorrection() { openPanel(int(SalesRecordPanel::Mode::Correction)); }
void SalesDetailsWindow::openForDeletion() { openPanel(int(SalesRecordPanel::Mode::Deletion)); }

void SalesDetailsWindow::onCurrentRowChanged() {
    if (!m_recordPanel->isVisible() || !m_session.hasLedger())
        return;
    const Dataset& sales = query();
    const int idColumn = sales.columnIndex(salesrecord::kId);
    const int row = sales.currentRow();
    // The panel belongs to one record: moving to another row closes it.
    if (idColumn < 0 || row < 0 || qint64(sales.number(row, idColumn)) != m_recordPanel->recordId())
        m_recordPanel->close();
}

void SalesDetailsWindow::correctShownSale() {
    namespace s = salesrecord;
    const qint64 id = m_recordPanel->recordId();
    if (id < 0 || !m_session.hasLedger() || !m_session.rights().mayCorrectSales())
        return;
    Dataset& sales = query();
    if (!sales.isOpen() || sales.isEmpty())
        return;
    stopReadingBeforeWriting();
    runAction(this, [&] {
        if (sales.fieldInteger(s::kId) != id)
            throw StoreError(QStringLiteral("当前记录已经不是面板中的销售记录，请重新打开。"));
        correctSale(m_session.database(), id,
                    {m_recordPanel->arrears()->text(), m_recordPanel->customerNumber()->text(),
                     m_recordPanel->customerName()->text(), m_recordPanel->address()->text(),
                     m_recordPanel->contact()->text(), m_recordPanel->remark()->text()},
                    m_recordPanel->asRead());
        sales.refreshRecord(id);
    });
    m_grid->refresh();  // the arrears footer
}

void SalesDetailsWindow::deleteShownSale() {
    const qint64 id = m_recordPanel->recordId();
    if (id < 0 || !m_session.hasLedger() || !m_session.rights().mayDeleteSales())
        return;
    SaleDeletion deletion;
    stopReadingBeforeWriting();
    if (!runAction(this, [&] { deletion = deleteSale(m_session.database(), id); }))
        return;  // neither record changed; the panel stays for another try
    runMonthView();
    m_recordPanel->clearShown();
    m_recordPanel->close();
    statistics()->runProfitQueries();
    showInfo(this, saleDeletionMessage(deletion));
}
