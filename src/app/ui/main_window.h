#pragma once
// MainWindow: the main window that hosts the inventory grid, the entry panels, the tool bar and the
// status bar; closing it ends the program.
#include "text/product_info.h"

#include <QMainWindow>
#include <functional>
#include <vector>

class DateField;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolButton;
class QWidget;


// The main window's menu items and tool buttons, by what they do. The application connects them
// to the features; nothing looks them up by name.
struct MainActions {
    // "新建入库" drop-down of the tool bar
    QAction* newStockIn = nullptr;
    QAction* excelImport = nullptr;
    // tool buttons
    QToolButton* newStockInButton = nullptr;    // 新建入库 (its drop-down holds the two above)
    QToolButton* salesDetailsButton = nullptr;  // 销售明细
    QToolButton* posButton = nullptr;           // POS打印
    QToolButton* summaryButton = nullptr;       // 汇总统计
    QToolButton* backupButton = nullptr;        // 数据备份
    // 设 置
    QAction* changePassword = nullptr;
    QAction* userAdmin = nullptr;
    QAction* receiptPrinter = nullptr;  // 小票打印机
    QList<QAction*> skins;  // in the order of the skins' names
    // 技术支持
    QAction* help = nullptr;
    QAction* autoUpgrade = nullptr;
    QAction* about = nullptr;
    // the grid's menu
    QAction* gridNewStockIn = nullptr;
    QAction* gridSummary = nullptr;
    QAction* gridSales = nullptr;
    QAction* gridModify = nullptr;
    QAction* gridDelete = nullptr;
    QAction* gridShowAll = nullptr;
    QAction* gridExport = nullptr;
    QAction* gridPrint = nullptr;
    QList<QAction*> columnItems;  // 隐藏进货单价 … 隐藏备注信息, in menu order
};


class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    const MainActions& actions() const { return m_actions; }

    // The login entry id: 0 until a login succeeds.
    qint64 loginEntryId() const { return m_loginEntryId; }
    void setLoginEntryId(qint64 id) { m_loginEntryId = id; }

    // The success prompt: shows the text for about two seconds; a second call while it shows does
    // not prolong it.
    void showSuccessPrompt(const QString& text);
    QLabel* successPrompt() const { return m_prompt; }

    // Where the program's medium is judged removable; replaceable for tests.
    static void setRemovableCheck(std::function<bool()> check);

    // Steps run at each show of the window that belong to later subsystems; each is optional.
    struct ShowHooks {
        std::function<void()> updateCheck;  // after the show steps, once a login has succeeded
        std::function<void()> columnMemory;
        std::function<void()> closePanels;
        std::function<void(const QString&)> rememberedAlarmQuantity;  // `number` of the settings
        std::function<void()> salesMonthView;
        std::function<void()> applySkin;
        std::function<void()> loginRequired;  // modal login while the login entry id is 0
    };
    ShowHooks& hooks() { return m_hooks; }

    // Filling the windows with a large ledger waits until the login window is on screen, so the
    // login comes at once: a step given here runs when runWaitingSteps() is called, or at once
    // when no login is pending.
    void whenLoginShown(std::function<void()> step);
    void runWaitingSteps();

    // True once a login has succeeded, or when no login is asked for. Until then the inventory grid
    // shows no rows and no totals, though its dataset is filled behind the login.
    bool loginDecided() const;
    // The login window calls this as soon as the password is accepted: the steps kept for after
    // the login (the update check) run once the login window has closed.
    void loginSucceeded();
    // Runs the step after the current event when a login has succeeded, else after the login.
    void afterLogin(std::function<void()> step);

    QWidget* gridArea() const { return m_gridArea; }
    QMenu* gridMenu() const { return m_gridMenu; }
    QLabel* statusPanel(int index) const;
    // Which ledger is open, as the status bar's hint.
    void showLedger(const QString& description);
    QTimer* dateGuard() const { return m_dateGuard; }
    QTimer* promptTimer() const { return m_promptTimer; }

    void setGridArea(QWidget* grid);
    // The area under the grid where features put their controls.
    QWidget* controlArea() const { return m_controlArea; }
    // Places a floating panel over the grid (hidden until its feature opens it), below the prompt.
    void placePanel(QFrame* panel);
    // The sale panel is placed like any panel and known for the English captions.
    void placeSalePanel(QFrame* panel, DateField* saleDate);
    QFrame* salePanel() const { return m_salePanel; }
    DateField* saleDate() const { return m_saleDate; }
    // A date field set to today at each show; a guarded one is refilled whenever it is emptied.
    void keepDateCurrent(DateField* field, bool guarded);

    void startCalculator();
    void startTextEditor();
    void openWebSite();

signals:
    // The company header read at show, for the sales details window.
    void companyHeaderRead(const QString& company, const QString& address);
    // The window is closing: the program ends its login.
    void closing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar(QWidget* area);
    void buildMenus();
    void buildStatusBar();
    void buildPanels();
    void layoutAreas();
    void runShowSteps();
    void askForLogin();
    void veilLedger();
    void guardDates();
    void hidePromptOnTick();
    void adviseRemovableDrive();
    QToolButton* addToolButton(QWidget* area, const QString& name, const QString& caption, int iconKind, int x);

    qint64 m_loginEntryId = 0;
    ShowHooks m_hooks;
    std::vector<std::function<void()>> m_waitingSteps;
    std::vector<std::function<void()>> m_afterLoginSteps;
    bool m_loginSucceeded = false;
    bool m_updateCheckWaits = false;  // one check waits for the login, however often it is shown
    bool m_loginShown = false;  // from then on nothing waits, even if the login could not be logged
    QWidget* m_gridArea = nullptr;
    QWidget* m_controlArea = nullptr;
    QMenu* m_gridMenu = nullptr;
    MainActions m_actions;
    std::vector<DateField*> m_showDates;
    std::vector<DateField*> m_guardedDates;
    QMenu* m_newMenu = nullptr;
    QMenu* m_settingsMenu = nullptr;
    QMenu* m_supportMenu = nullptr;
    QFrame* m_salePanel = nullptr;
    DateField* m_saleDate = nullptr;
    QLabel* m_prompt = nullptr;
    QLabel* m_status[4] = {};
    QTimer* m_dateGuard = nullptr;
    QTimer* m_promptTimer = nullptr;
    bool m_loginAsked = false;
};

// Brings the open window of type W to the front, or creates it owned by `owner`, visible and
// centred; one window of each kind. `args` go to its constructor before the owner.
template <typename W, typename... Args>
W* ActivateWindow(QWidget* owner, Args&... args);
QWidget* activateExisting(const QMetaObject& kind);
void showCreatedWindow(QWidget* window);

template <typename W, typename... Args>
W* ActivateWindow(QWidget* owner, Args&... args) {
    if (QWidget* open = activateExisting(W::staticMetaObject))
        return static_cast<W*>(open);
    auto* window = new W(args..., owner);
    showCreatedWindow(window);
    return window;
}
