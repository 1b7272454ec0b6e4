// The login window driven through its components on a temporary database: the Enter chain, the
// refusals, the login log, the zero-stock mode, and what an ordinary user no longer sees.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "store/data_module.h"
#include "store/password_hash.h"
#include "store/query.h"
#include "store/settings.h"
#include "store/stock_table.h"
#include "store/summary_table.h"
#include "support/test_session.h"
#include "users/ui/login_window.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QtTest>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

class LoginTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    LoginWindow* m_login = nullptr;
    DataGrid* m_grid = nullptr;

    Database& db() { return m_session->db(); }
    int rzCount() { return db().scalar(QStringLiteral("select count(*) from rz")).toInt(); }
    QComboBox* users() { return m_login->findChild<QComboBox*>(QStringLiteral("ComboBox1")); }
    QLineEdit* password() { return m_login->findChild<QLineEdit*>(QStringLiteral("Edit1")); }
    QPushButton* loginButton() { return m_login->findChild<QPushButton*>(QStringLiteral("bitbtn4")); }
    QAction* action(const char* name) { return m_form->findChild<QAction*>(QLatin1String(name)); }
    int gridColumn(const QString& title) {
        for (int c = 0; c < m_grid->columnCount(); ++c)
            if (m_grid->columnTitle(c) == title)
                return c;
        return -1;
    }

    // Shows the main window; its activation brings up the login window.
    void showMain() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->activateWindow();
        QTRY_VERIFY(m_login->isVisible());
    }
    void typeLogin(const QString& user, const QString& pw) {
        users()->setEditText(user);
        password()->setText(pw);
        QTest::mouseClick(loginButton(), Qt::LeftButton);
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_grid = new DataGrid;
        m_grid->setObjectName(QStringLiteral("DataGrid1"));
        QVector<GridColumn> columns;
        struct Column { const char* upper; const char* lower; QString field; };
        for (const Column& t : {Column{"商 品 信 息", "名 称", stock::kName}, {"进 货", "单 价", stock::kPurchasePrice},
                                {"进 货", "金 额", stock::kPurchaseAmount}, {"销 售", "单 价", stock::kSalesPrice},
                                {"销 售", "金 额", stock::kSalesTotal}, {"存 货", "金 额", stock::kStockAmount}}) {
            GridColumn c;
            c.field = QStringLiteral("a");
            c.upperTitle = QString::fromUtf8(t.upper);
            c.lowerTitle = QString::fromUtf8(t.lower);
            c.identity = stock::field(t.field);
            columns << c;
        }
        m_grid->setColumns(columns);
        m_form->setGridArea(m_grid);
        m_login = m_program->installUsers();
        // Shown without blocking; the result is read from the windows.
        m_login->setRunner([](LoginWindow& login) { login.show(); });
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void singleUserByKeyboard() {
        showMain();
        QCOMPARE(m_login->windowTitle(), QStringLiteral("用户登录"));
        QCOMPARE(m_login->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("初始登陆密码：888"));
        QCOMPARE(users()->currentText(), QStringLiteral("超级管理员"));
        QCOMPARE(users()->count(), 1);
        QTRY_VERIFY(users()->hasFocus());
        QTest::keyClick(users(), Qt::Key_Return);
        QVERIFY(password()->hasFocus());
        QTest::keyClicks(password(), QStringLiteral("888"));
        QCOMPARE(password()->text(), QStringLiteral("888"));
        QTest::keyClick(password(), Qt::Key_Return);
        QVERIFY(loginButton()->hasFocus());
        QVERIFY(m_login->isVisible());  // the first Enter only moves on
        QTest::keyClick(loginButton(), Qt::Key_Return);
        QVERIFY(m_login->loggedIn());
        QVERIFY(!m_login->isVisible());
        QVERIFY(m_session->ui.messages.isEmpty());
        QCOMPARE(m_form->statusPanel(1)->text(), QStringLiteral("超级管理员"));
        QCOMPARE(rzCount(), 1);
        const qint64 id = db().scalar(QStringLiteral("select max(id) from rz")).toLongLong();
        QCOMPARE(m_form->loginEntryId(), id);
        QCOMPARE(db().scalar(QStringLiteral("select username from rz where id=?"), {id}).toString(),
                 QStringLiteral("超级管理员"));
        QCOMPARE(db().scalar(QStringLiteral("select btime from rz where id=?"), {id}).toString(),
                 QStringLiteral("2024-03-05 09:30:15"));
        QVERIFY(db().scalar(QStringLiteral("select jtime from rz where id=?"), {id}).isNull());
        // The delivered plain-text password became its hash at this login.
        QVERIFY(isPasswordHash(db().scalar(QStringLiteral("select passwd from userdb")).toString()));
        // The administrator keeps everything.
        QVERIFY(action("GridModify")->isVisible() && action("UserAdmin")->isVisible());
        QVERIFY(!m_grid->isColumnHidden(gridColumn(QStringLiteral("进 货|单 价"))));
        QVERIFY(!m_form->saleDate()->isReadOnly());
        // No second login in the run.
        m_form->activateWindow();
        QTest::qWait(0);
        QVERIFY(!m_login->isVisible());
        // Closing the main window writes the logout time.
        m_session->ui.setNow(QDateTime(QDate(2024, 3, 5), QTime(18, 0, 1)));
        m_form->close();
        QCOMPARE(db().scalar(QStringLiteral("select jtime from rz where id=?"), {id}).toString(),
                 QStringLiteral("2024-03-05 18:00:01"));
    }

    void wrongPasswordAllowsAnotherTry() {
        showMain();
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("887"));
        QCOMPARE(m_session->ui.messageTexts(), QStringList{QStringLiteral("密码不正确！请重新输入！")});
        QVERIFY(password()->text().isEmpty());
        QVERIFY(password()->hasFocus());
        QVERIFY(m_login->isVisible() && !m_login->loggedIn());
        QCOMPARE(rzCount(), 0);
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QVERIFY(m_login->loggedIn());
        QCOMPARE(rzCount(), 1);
    }

    void refusals_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pw");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        QTest::newRow("no user") << "" << "888" << "Warning" << "必须选择用户！";
        QTest::newRow("no password") << "超级管理员" << "" << "Warning" << "必须输入密码！";
        QTest::newRow("blank password") << "超级管理员" << "   " << "Warning" << "必须输入密码！";
        // Refused as an unknown user, not as a broken statement.
        QTest::newRow("apostrophe in name") << "a'b" << "888" << "Tovrakel" << "密码不正确！请重新输入！";
        QTest::newRow("unknown user") << "nobody" << "888" << "Tovrakel" << "密码不正确！请重新输入！";
    }
    void refusals() {
        QFETCH(QString, user);
        QFETCH(QString, pw);
        QFETCH(QString, caption);
        QFETCH(QString, message);
        QCoreApplication::setApplicationName(QStringLiteral("Tovrakel"));
        showMain();
        m_session->ui.clear();
        typeLogin(user, pw);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].caption, caption);
        QCOMPARE(m_session->ui.messages[0].text, message);
        QVERIFY(m_login->isVisible());
        QVERIFY(!m_login->loggedIn());
        QCOMPARE(rzCount(), 0);
    }

    void letterCaseIgnored() {
        m_session->ledger.addUser(QStringLiteral("Li"), QStringLiteral("AbC1"));
        m_session->ledger.addUserStoredAs(QStringLiteral("Wu"), QStringLiteral("XyZ9"));  // plain text, from elsewhere
        showMain();
        QCOMPARE(users()->count(), 3);
        typeLogin(QStringLiteral("Wu"), QStringLiteral("xYz9"));
        QVERIFY(m_login->loggedIn());
        const QString upgraded = db().scalar(QStringLiteral("select passwd from userdb where username='Wu'")).toString();
        QVERIFY(isPasswordHash(upgraded));
        QVERIFY(passwordMatches(upgraded, QStringLiteral("XYZ9")));
        QVERIFY(passwordMatches(db().scalar(QStringLiteral("select passwd from userdb where username='Li'")).toString(),
                                QStringLiteral("abc1")));
    }

    void passwordFieldTakesOnlyLettersAndDigits() {
        showMain();
        password()->setFocus();
        QTest::keyClicks(password(), "a-b c!'9_Z");
        password()->insert(QStringLiteral("中"));  // as an input method would
        QCOMPARE(password()->text(), QStringLiteral("abc9Z"));
        QTest::keyClick(password(), Qt::Key_Backspace);
        QCOMPARE(password()->text(), QStringLiteral("abc9"));
        QTest::keyClicks(password(), QStringLiteral("1234567890"));
        QCOMPARE(password()->text(), QStringLiteral("abc9123456"));  // ten at most
        QCOMPARE(password()->echoMode(), QLineEdit::Password);
    }

    void closingWithoutLoginEndsTheProgram() {
        showMain();
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("1"));
        m_login->close();
        QVERIFY(!m_login->loggedIn());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->loginEntryId(), 0);
        QCOMPARE(rzCount(), 0);
        QCOMPARE(m_form->statusPanel(1)->text(), QStringLiteral("操作员："));
    }

    // The ledger fills behind the login once the login window is on screen, and exactly once; a
    // login made before it painted (unattended) fills it first.
    void ledgerFillsOnceTheLoginIsShown() {
        int fills = 0;
        m_form->hooks().salesMonthView = [&fills] { ++fills; };
        m_form->show();
        QCOMPARE(fills, 0);
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->activateWindow();
        QTRY_VERIFY(m_login->isVisible());
        QTRY_COMPARE(fills, 1);
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QVERIFY(m_login->loggedIn());
        QCOMPARE(fills, 1);
        // Shown again after the login, the window fills at once.
        m_form->hide();
        m_form->show();
        QCOMPARE(fills, 2);
    }
    void unattendedLoginFillsFirst() {
        int fills = 0;
        bool filledBeforeLogin = false;
        m_form->hooks().salesMonthView = [&] {
            ++fills;
            filledBeforeLogin = m_form->loginEntryId() == 0;
        };
        m_login->setRunner([](LoginWindow& login) {
            login.loginUnattended(QStringLiteral("超级管理员"), QStringLiteral("888"));
        });
        m_form->show();
        m_form->activateWindow();
        QTRY_VERIFY(m_login->loggedIn());
        QCOMPARE(fills, 1);
        QVERIFY(filledBeforeLogin);
    }

    // The login comes from the window's show, so it appears on every desktop, also where the new
    // window is never activated (no window manager, focus-stealing prevention).
    void loginAppearsWithoutActivation() {
        // Such a desktop: the window never hears of an activation.
        struct NoActivation : QObject {
            bool eventFilter(QObject*, QEvent* event) override {
                return event->type() == QEvent::WindowActivate || event->type() == QEvent::ActivationChange;
            }
        } noActivation;
        m_form->installEventFilter(&noActivation);
        m_form->show();
        QCoreApplication::processEvents();
        QVERIFY(m_login->isVisible());
        m_form->removeEventFilter(&noActivation);
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QVERIFY(m_login->loggedIn());
    }

    // Until the login has decided, nothing it may withhold is shown: the ledger filled behind the
    // login holds no rows and no totals in the grid, and the update check (whose windows would
    // come over the login) waits for a successful login.
    void ledgerAndUpdateCheckWaitForTheLogin() {
        QVector<GridColumn> columns = m_grid->columns();
        columns[1].footer = GridColumn::Footer::Sum;
        columns[1].format = QStringLiteral("#.##");
        m_grid->setColumns(columns);
        Dataset& stock = m_session->stockQuery();
        auto fill = [this, &stock] {
            OpenQuery(stock, QStringLiteral("select 12.5 as a"));
            m_grid->setDataset(&stock);
        };
        // Filled behind the login as the inventory does it, and read again by its "全部记录".
        m_form->whenLoginShown(fill);
        connect(&m_program->inventory(), &Inventory::shownAll, this, fill);
        int checks = 0;
        m_form->hooks().updateCheck = [&checks] { ++checks; };

        m_form->show();
        QCoreApplication::processEvents();
        QVERIFY(m_login->isVisible());
        m_form->runWaitingSteps();  // as the login window's first paint does
        QCoreApplication::processEvents();
        QVERIFY(stock.isOpen());
        QCOMPARE(m_grid->rowCount(), 0);
        QVERIFY(!m_grid->footerText(1).contains(QStringLiteral("12.5")));
        QCOMPARE(checks, 0);

        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("1"));  // refused: still nothing
        QCOMPARE(m_grid->rowCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(checks, 0);

        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QVERIFY(m_login->loggedIn());
        QCOMPARE(m_grid->rowCount(), 1);
        QCOMPARE(m_grid->footerText(1), QStringLiteral("12.5"));
        QCoreApplication::processEvents();
        QCOMPARE(checks, 1);
        // Shown again after the login: the check runs with the show, as before.
        m_form->hide();
        m_form->show();
        QCoreApplication::processEvents();
        QCOMPARE(checks, 2);
    }

    void ordinaryUserLosesItemsAndColumns() {
        m_session->ledger.addUser(QStringLiteral("小王"), QStringLiteral("123"));
        // The remembered column settings show every column, at every show of the window.
        for (const char* name : {"rukuyin1", "rukuyin2", "rukuyin6"})
            WriteSetting(kMainKey, QLatin1String(name), QStringLiteral("no"));
        m_form->hooks().columnMemory = [this] {
            for (int c = 0; c < m_grid->columnCount(); ++c)
                m_grid->setColumnHidden(c, false);
        };
        showMain();
        typeLogin(QStringLiteral("小王"), QStringLiteral("123"));
        QVERIFY(m_login->loggedIn());
        QCOMPARE(m_form->statusPanel(1)->text(), QStringLiteral("小王"));
        for (const char* name : {"NewStockIn", "GridModify", "GridDelete", "GridNewStockIn", "UserAdmin", "N5", "N6"})
            QVERIFY2(!action(name)->isVisible(), name);
        for (const char* name : {"GridSummary", "GridSales", "GridShowAll", "GridExport", "GridPrint", "N31", "N9",
                                 "ChangePassword"})
            QVERIFY2(action(name)->isVisible(), name);
        QVERIFY(m_form->findChild<QToolButton*>(QStringLiteral("ToolButton7"))->isHidden());
        QVERIFY(!m_form->findChild<QToolButton*>(QStringLiteral("ToolButton19"))->isHidden());
        QVERIFY(m_form->saleDate()->isReadOnly());
        const QStringList withheld = {QStringLiteral("进 货|单 价"), QStringLiteral("进 货|金 额"),
                                      QStringLiteral("存 货|金 额")};
        for (const QString& title : withheld)
            QVERIFY2(m_grid->isColumnHidden(gridColumn(title)), qPrintable(title));
        QVERIFY(!m_grid->isColumnHidden(gridColumn(QStringLiteral("销 售|单 价"))));
        QVERIFY(!m_grid->isColumnHidden(gridColumn(QStringLiteral("销 售|金 额"))));
        QCOMPARE(rzCount(), 1);

        // Shown again (as after the backup window): the column memory runs, the columns stay hidden.
        m_form->hide();
        m_form->show();
        QTRY_VERIFY(m_grid->isColumnHidden(gridColumn(withheld[0])));
        for (const QString& title : withheld)
            QVERIFY(m_grid->isColumnHidden(gridColumn(title)));

        // A window built after the login gets the same rights at once.
        QWidget later;
        Fields applied;
        m_session->session().honourRights(&later, [&applied](const Rights& r) { applied = r.withheldFields(); });
        QVERIFY(applied.contains(stock::PurchasePrice) && applied.contains(summary::SalesAmount));
        QVERIFY(!m_session->session().rights().mayDeleteSales());
    }

    void zeroStockModeRestored_data() {
        QTest::addColumn<QString>("n0");
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<bool>("checkedAfter");
        QTest::newRow("no hides zero stock") << "no" << false << true;
        QTest::newRow("yes shows all") << "yes" << true << false;
        QTest::newRow("other text leaves it") << "maybe" << true << true;
        QTest::newRow("other text leaves it unticked") << "" << false << false;
    }
    void zeroStockModeRestored() {
        QFETCH(QString, n0);
        QFETCH(bool, checkedBefore);
        QFETCH(bool, checkedAfter);
        WriteSetting(kMainKey, QStringLiteral("n0"), n0);
        auto* box = m_form->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        box->setChecked(checkedBefore);
        int toggles = 0;
        connect(box, &QCheckBox::toggled, this, [&toggles] { ++toggles; });
        showMain();
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QCOMPARE(box->isChecked(), checkedAfter);
        QCOMPARE(toggles, checkedBefore == checkedAfter ? 0 : 1);  // the box's own handler ran
    }

    void midnightLoginWritesTheDateAlone() {
        m_session->ui.setNow(QDateTime(QDate(2024, 3, 6), QTime(0, 0, 0)));
        showMain();
        typeLogin(QStringLiteral("超级管理员"), QStringLiteral("888"));
        QCOMPARE(db().scalar(QStringLiteral("select btime from rz")).toString(), QStringLiteral("2024-03-06"));
    }
};

QTEST_MAIN(LoginTest)
#include "test_login.moc"
