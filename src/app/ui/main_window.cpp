#include "app/ui/main_window.h"

#include "app/removable_medium.h"
#include "store/settings.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"
#include "widgets/draggable_panel.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <utility>


namespace {

std::function<bool()> g_removableCheck;

// Menu items that work from the start; the others are enabled by the windows that serve them.
const QStringList kWiredItems = {QStringLiteral("Calculator"), QStringLiteral("TextEditor"),
                                 QStringLiteral("WebSite"), QStringLiteral("SupportQQ")};

constexpr int kClientWidth = 1015;
constexpr int kClientHeight = 636;
constexpr int kGridHeight = 473;
// The control area and status bar keep their designed height; the grid takes the rest. Measured on
// the client area so window decorations of any desktop do not change it.
constexpr int kBelowGrid = kClientHeight - kGridHeight;

QAction* addItem(QMenu* menu, const QString& name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

}  // namespace

void MainWindow::setRemovableCheck(std::function<bool()> check) { g_removableCheck = std::move(check); }

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kProductName + QLatin1Char(' ') + kVersionText);

    auto* central = new QWidget(this);
    setCentralWidget(central);

    m_gridArea = new QWidget(central);
    m_gridArea->setObjectName(QStringLiteral("GridArea"));
    m_controlArea = new QWidget(central);
    m_controlArea->setObjectName(QStringLiteral("ControlArea"));

    buildToolBar(m_controlArea);

    buildPanels();
    buildMenus();
    buildStatusBar();

    m_dateGuard = new QTimer(this);
    m_dateGuard->setObjectName(QStringLiteral("Timer1"));
    m_dateGuard->setInterval(500);
    connect(m_dateGuard, &QTimer::timeout, this, &MainWindow::guardDates);
    m_dateGuard->start();

    m_promptTimer = new QTimer(this);
    m_promptTimer->setObjectName(QStringLiteral("Timer2"));
    m_promptTimer->setInterval(2000);
    connect(m_promptTimer, &QTimer::timeout, this, &MainWindow::hidePromptOnTick);

    resize(kClientWidth, kClientHeight);
    setMinimumSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

QToolButton* MainWindow::addToolButton(QWidget* area, const QString& name, const QString& caption, int iconKind,
                                      int x) {
    auto* button = new QToolButton(area);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(iconKind)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setGeometry(x, 4, 55, 51);
    return button;
}

void MainWindow::buildToolBar(QWidget* area) {
    auto* bar = new QWidget(area);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setGeometry(608, 0, 7 * 57 + 4, 58);
    m_newMenu = new QMenu(this);
    m_newMenu->setObjectName(QStringLiteral("PopupMenuNew"));
    m_actions.newStockIn = addItem(m_newMenu, QStringLiteral("NewStockIn"), QStringLiteral("新建入库"));
    m_actions.excelImport = addItem(m_newMenu, QStringLiteral("ExcelImport"), QStringLiteral("Excel导入"));

    int x = 2;
    auto* newButton = m_actions.newStockInButton = addToolButton(bar, QStringLiteral("ToolButton7"), QStringLiteral("新建入库"),
                                    QStyle::SP_FileDialogNewFolder, x);
    newButton->setMenu(m_newMenu);
    newButton->setPopupMode(QToolButton::InstantPopup);
    m_actions.salesDetailsButton = addToolButton(bar, QStringLiteral("ToolButton19"), QStringLiteral("销售明细"),
                                                 QStyle::SP_FileDialogDetailedView, x += 57);
    auto* pos = m_actions.posButton = addToolButton(bar, QStringLiteral("ToolButton2"), QStringLiteral("POS打印"),
                              QStyle::SP_DialogSaveButton, x += 57);
    pos->setToolTip(QStringLiteral("销售完成，直接点此打印销售单"));
    m_actions.summaryButton = addToolButton(bar, QStringLiteral("ToolButton22"), QStringLiteral("汇总统计"),
                                            QStyle::SP_FileDialogInfoView, x += 57);
    m_actions.backupButton = addToolButton(bar, QStringLiteral("ToolButton17"), QStringLiteral("数据备份"),
                                           QStyle::SP_DialogOpenButton, x += 57);
    auto* settings = addToolButton(bar, QStringLiteral("ToolButton18"), QStringLiteral("设 置"),
                                   QStyle::SP_FileDialogContentsView, x += 57);
    auto* support = addToolButton(bar, QStringLiteral("ToolButton1"), QStringLiteral("技术支持"),
                                  QStyle::SP_DialogHelpButton, x += 57);

    m_settingsMenu = new QMenu(this);
    m_settingsMenu->setObjectName(QStringLiteral("PopupMenuSettings"));
    m_actions.changePassword = addItem(m_settingsMenu, QStringLiteral("ChangePassword"), QStringLiteral("修改密码"));
    m_actions.userAdmin = addItem(m_settingsMenu, QStringLiteral("UserAdmin"), QStringLiteral("用户管理"));
    m_actions.receiptPrinter = addItem(m_settingsMenu, QStringLiteral("ReceiptPrinter"), QStringLiteral("小票打印机"));
    m_settingsMenu->addSeparator();
    const QStringList skins = {QStringLiteral("黑色经典(皮肤)"), QStringLiteral("蓝色幻想(皮肤)"),
                               QStringLiteral("梦幻天空(皮肤)"), QStringLiteral("黑色遐想(皮肤)"),
                               QStringLiteral("梦想成真(皮肤)")};
    const QStringList skinNames = {QStringLiteral("N19"), QStringLiteral("N26"), QStringLiteral("N32"),
                                   QStringLiteral("N42"), QStringLiteral("N52")};
    for (int i = 0; i < skins.size(); ++i)
        m_actions.skins << addItem(m_settingsMenu, skinNames[i], skins[i]);
    m_settingsMenu->addSeparator();
    connect(addItem(m_settingsMenu, QStringLiteral("Calculator"), QStringLiteral("计算器")), &QAction::triggered,
            this, &MainWindow::startCalculator);
    connect(addItem(m_settingsMenu, QStringLiteral("TextEditor"), QStringLiteral("记事本")), &QAction::triggered,
            this, &MainWindow::startTextEditor);
    settings->setMenu(m_settingsMenu);
    settings->setPopupMode(QToolButton::InstantPopup);

    m_supportMenu = new QMenu(this);
    m_supportMenu->setObjectName(QStringLiteral("PopupMenuSupport"));
    m_actions.help = addItem(m_supportMenu, QStringLiteral("Help"), QStringLiteral("使用帮助"));
    m_actions.autoUpgrade = addItem(m_supportMenu, QStringLiteral("AutoUpgrade"), QStringLiteral("软件自动升级"));
    connect(addItem(m_supportMenu, QStringLiteral("WebSite"), QStringLiteral("官方网站")), &QAction::triggered,
            this, &MainWindow::openWebSite);
    addItem(m_supportMenu, QStringLiteral("SupportQQ"), QStringLiteral("客服QQ：") + kSupportQQ);
    m_actions.about = addItem(m_supportMenu, QStringLiteral("About"), QStringLiteral("关于..."));
    support->setMenu(m_supportMenu);
    support->setPopupMode(QToolButton::InstantPopup);
}

void MainWindow::buildMenus() {
    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    MainActions& a = m_actions;
    a.gridNewStockIn = addItem(m_gridMenu, QStringLiteral("GridNewStockIn"), QStringLiteral("新建入库"));
    a.gridSummary = addItem(m_gridMenu, QStringLiteral("GridSummary"), QStringLiteral("汇总统计"));
    a.gridSummary->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    a.gridSales = addItem(m_gridMenu, QStringLiteral("GridSales"), QStringLiteral("销售明细"));
    m_gridMenu->addSeparator();
    a.gridModify = addItem(m_gridMenu, QStringLiteral("GridModify"), QStringLiteral("修 改(退货)"));
    a.gridDelete = addItem(m_gridMenu, QStringLiteral("GridDelete"), QStringLiteral("删 除"));
    a.gridShowAll = addItem(m_gridMenu, QStringLiteral("GridShowAll"), QStringLiteral("全部记录"));
    a.gridExport = addItem(m_gridMenu, QStringLiteral("GridExport"), QStringLiteral("导出Excel"));
    a.gridExport->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    a.gridPrint = addItem(m_gridMenu, QStringLiteral("GridPrint"), QStringLiteral("打 印"));
    a.gridPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    m_gridMenu->addSeparator();
    const QList<QPair<QString, QString>> hideItems = {
        {QStringLiteral("N5"), QStringLiteral("隐藏进货单价")}, {QStringLiteral("N31"), QStringLiteral("隐藏销售单价")},
        {QStringLiteral("N6"), QStringLiteral("隐藏金额")},     {QStringLiteral("N9"), QStringLiteral("隐藏日期")},
        {QStringLiteral("N10"), QStringLiteral("隐藏供货商")},  {QStringLiteral("N7"), QStringLiteral("隐藏备注信息")}};
    for (const auto& item : hideItems) {
        a.columnItems << addItem(m_gridMenu, item.first, item.second);
        a.columnItems.last()->setCheckable(true);
    }
    // Commands whose windows are not wired yet stay visible but disabled.
    for (QAction* action : m_gridMenu->actions())
        if (!action->isSeparator())
            action->setEnabled(false);
    for (QMenu* menu : {m_newMenu, m_settingsMenu, m_supportMenu})
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !kWiredItems.contains(action->objectName()))
                action->setEnabled(false);
    // The shortcuts work from anywhere in the window.
    addActions(m_gridMenu->actions());
    m_gridArea->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_gridArea, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_gridMenu->popup(m_gridArea->mapToGlobal(p)); });
}

void MainWindow::buildPanels() {
    m_prompt = new QLabel(centralWidget());
    m_prompt->setObjectName(QStringLiteral("Panel4"));
    m_prompt->setGeometry(0, 0, 257, 49);
    m_prompt->setAlignment(Qt::AlignCenter);
    m_prompt->setAutoFillBackground(true);
    QFont bold = m_prompt->font();
    bold.setBold(true);
    m_prompt->setFont(bold);
    // White on the system's hot-light blue.
    m_prompt->setStyleSheet(QStringLiteral("QLabel#Panel4 { background: #0066cc; color: white; }"));
    m_prompt->hide();
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[4] = {350, 200, 200, 300};
    const Qt::Alignment aligns[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter,
                                     Qt::AlignRight | Qt::AlignVCenter};
    for (int i = 0; i < 4; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setAlignment(aligns[i]);
        m_status[i]->setFrameShape(QFrame::Panel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        m_status[i]->installEventFilter(this);
        bar->addWidget(m_status[i]);
    }
    m_status[1]->setText(QStringLiteral("操作员："));
    m_status[3]->setText(kWebSite);
    bar->installEventFilter(this);
}

QLabel* MainWindow::statusPanel(int index) const { return m_status[index]; }

void MainWindow::showLedger(const QString& description) {
    statusBar()->setToolTip(description);
    m_status[0]->setToolTip(description);
    m_status[0]->setText(description);
}

void MainWindow::placePanel(QFrame* panel) {
    panel->setParent(centralWidget());
    panel->stackUnder(m_prompt);  // the success prompt shows above every panel
    panel->hide();
}

void MainWindow::placeSalePanel(QFrame* panel, DateField* saleDate) {
    placePanel(panel);
    m_salePanel = panel;
    m_saleDate = saleDate;
    keepDateCurrent(saleDate, true);
}

void MainWindow::keepDateCurrent(DateField* field, bool guarded) {
    m_showDates.push_back(field);
    if (guarded)
        m_guardedDates.push_back(field);
}

void MainWindow::setGridArea(QWidget* grid) {
    grid->setParent(centralWidget());
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& p) { m_gridMenu->popup(grid->mapToGlobal(p)); });
    delete m_gridArea;
    m_gridArea = grid;
    grid->lower();
    layoutAreas();
}

void MainWindow::layoutAreas() {
    if (!centralWidget())
        return;
    const int gridHeight = qMax(100, height() - kBelowGrid);
    const int width = centralWidget()->width();
    m_gridArea->setGeometry(0, 0, width, gridHeight);
    const int top = m_gridArea->geometry().bottom() + 1;
    m_controlArea->setGeometry(0, top, width, qMax(0, centralWidget()->height() - top));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutAreas();
}

void MainWindow::showSuccessPrompt(const QString& text) {
    m_prompt->setText(text);
    m_prompt->raise();
    m_prompt->show();
    if (!m_promptTimer->isActive())
        m_promptTimer->start();
}

void MainWindow::hidePromptOnTick() {
    if (m_prompt->isVisible()) {
        m_promptTimer->stop();
        m_prompt->hide();
    }
}

void MainWindow::guardDates() {
    for (DateField* field : m_guardedDates)
        if (field->isEmptyDate())
            field->setDate(today());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        runShowSteps();
        askForLogin();
    }
}

// The login follows the show, not the window's activation: a desktop without a window manager, or
// one that keeps the focus from new windows, never activates it. It comes after the show's own
// steps (and their box) are over.
void MainWindow::askForLogin() {
    if (!m_hooks.loginRequired || loginDecided() || m_loginAsked)
        return;
    m_loginAsked = true;
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !loginDecided())
            m_hooks.loginRequired();
        m_loginAsked = false;
    });
}

void MainWindow::runShowSteps() {
    runAction(this, [this] {
        adviseRemovableDrive();
        if (m_hooks.columnMemory)
            m_hooks.columnMemory();
        if (m_hooks.salesMonthView)
            whenLoginShown(m_hooks.salesMonthView);
        if (m_hooks.closePanels)
            m_hooks.closePanels();
        for (QWidget* w : findChildren<QWidget*>())
            if (!w->toolTip().isEmpty())
                w->setToolTipDuration(2000);
        const QDate now = today();
        for (DateField* field : m_showDates)
            field->setDate(now);
        const SettingsKey settings = ReadSettings(kMainKey);
        if (settings.exists()) {
            if (m_hooks.applySkin)
                m_hooks.applySkin();
            const QString number = settings.value(QStringLiteral("number"));
            if (!number.isEmpty()) {
                if (m_hooks.rememberedAlarmQuantity)
                    m_hooks.rememberedAlarmQuantity(number);
                // The company header fields belong to the sales details window.
                emit companyHeaderRead(settings.value(QStringLiteral("company")),
                                       settings.value(QStringLiteral("address")));
            }
        }
        m_status[2]->setText(QStringLiteral("今天：") + now.toString(QStringLiteral("yyyy-MM-dd")));
        // Its question and wizard come after the advice box, and never before the login.
        if (m_hooks.updateCheck && !m_updateCheckWaits) {
            m_updateCheckWaits = true;
            afterLogin([this] {
                m_updateCheckWaits = false;
                if (m_hooks.updateCheck)
                    m_hooks.updateCheck();
            });
        }
    });
}

void MainWindow::whenLoginShown(std::function<void()> step) {
    if (m_hooks.loginRequired && m_loginEntryId == 0 && !m_loginShown) {
        m_waitingSteps.push_back(std::move(step));
        return;
    }
    runAction(this, step);
    veilLedger();
}

void MainWindow::runWaitingSteps() {
    m_loginShown = true;
    const std::vector<std::function<void()>> steps = std::exchange(m_waitingSteps, {});
    for (const auto& step : steps)
        runAction(this, step);
    veilLedger();
}

bool MainWindow::loginDecided() const { return !m_hooks.loginRequired || m_loginSucceeded || m_loginEntryId != 0; }

// The rows and totals filled behind the login leave the grid until the login has decided (the
// login's "全部记录" fills it again). Hiding the grid would not do: a hidden grid still hands its
// cells to an accessibility client.
void MainWindow::veilLedger() {
    if (loginDecided())
        return;
    auto* grid = qobject_cast<DataGrid*>(m_gridArea);
    if (grid && grid->dataset())
        grid->setDataset(nullptr);
}

void MainWindow::loginSucceeded() {
    if (m_loginSucceeded)
        return;
    m_loginSucceeded = true;
    m_loginShown = true;
    const std::vector<std::function<void()>> steps = std::exchange(m_afterLoginSteps, {});
    for (const auto& step : steps)
        afterLogin(step);
}

void MainWindow::afterLogin(std::function<void()> step) {
    if (!loginDecided()) {
        m_afterLoginSteps.push_back(std::move(step));
        return;
    }
    QTimer::singleShot(0, this, [this, step = std::move(step)] { runAction(this, step); });
}

// The advice is for a copy the shop keeper carries on a stick; a package lives where the package
// manager put it, and nobody can follow the advice there.
static bool installedByPackage() { return QCoreApplication::applicationDirPath().startsWith(QLatin1String("/usr/")); }

void MainWindow::adviseRemovableDrive() {
    static const QString kGiven = QStringLiteral("removableadvice");
    if (installedByPackage() || ReadSettings(kMainKey).value(kGiven) == QLatin1String("given"))
        return;
    const bool removable = g_removableCheck ? g_removableCheck()
                                            : isOnRemovableMedium(QCoreApplication::applicationDirPath());
    if (removable)
        return;
    // Once for this user: a piece of advice, not an error to meet at every start.
    WriteSetting(kMainKey, kGiven, QStringLiteral("given"));
    showMessage(this, QApplication::applicationName(), QStringLiteral("建议将软件安装在U盘上使用!"),
                QMessageBox::Information, QMessageBox::Ok);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == statusBar() || (watched->parent() == statusBar() && qobject_cast<QLabel*>(watched)))) {
        openWebSite();
        return true;
    }
    // The first status panel shows the hint of the control under the mouse.
    if (event->type() == QEvent::Enter && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this && m_status[0])
            m_status[0]->setText(widget->toolTip());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::startCalculator() {
    for (const char* tool : {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (!path.isEmpty()) {
            ui().startProgram(path, {});
            return;
        }
    }
}

void MainWindow::startTextEditor() {
    for (const char* tool : {"gedit", "gnome-text-editor", "kate", "kwrite", "mousepad", "pluma", "leafpad", "xed"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (!path.isEmpty()) {
            ui().startProgram(path, {});
            return;
        }
    }
}

void MainWindow::openWebSite() { ui().openUrl(kWebSite); }

// ---- ActivateWindow ----

QWidget* activateExisting(const QMetaObject& kind) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->metaObject() != &kind)
            continue;
        if (w->isMinimized())
            w->showNormal();
        else if (w->isHidden())
            w->show();
        w->raise();
        w->activateWindow();
        w->setFocus();
        return w;
    }
    return nullptr;
}

void showCreatedWindow(QWidget* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    window->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->raise();
    window->activateWindow();
}
