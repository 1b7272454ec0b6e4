// The user administration and password change windows: opened from the settings menu, their
// messages and refusals, and what they leave in userdb.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "store/data_module.h"
#include "store/password_hash.h"
#include "store/query.h"
#include "support/test_session.h"
#include "users/ui/change_password_window.h"
#include "users/ui/session.h"
#include "users/ui/user_admin_window.h"
#include "users/user_accounts.h"

#include <QtTest>
#include <QWindow>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

class UserWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window

    Database& db() { return dm().connection(); }
    QStringList storedNames() {
        OpenQuery(m_session->summaryQuery(), QStringLiteral("select username from userdb order by username"));
        QStringList names;
        for (int r = 0; r < m_session->summaryQuery().recordCount(); ++r)
            names << m_session->summaryQuery().text(r, 0);
        return names;
    }
    QString stored(const QString& user) {
        return db().scalar(QStringLiteral("select passwd from userdb where username=?"), {user}).toString();
    }
    template <typename T>
    T* child(QWidget* w, const char* name) {
        T* found = w->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no %s", name);
        return found;
    }
    QStringList listed(UserAdminWindow* w) {
        QStringList names;
        auto* list = child<QListWidget>(w, "ListBox1");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        names.sort();
        return names;
    }
    template <typename W>
    W* openWindow(const char* item) {
        m_form->findChild<QAction*>(QLatin1String(item))->trigger();
        W* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<W*>(w))
                found = window;
        if (found) {
            found->activateWindow();
            if (!QTest::qWaitForWindowActive(found))
                qWarning("window not active");
        }
        return found;
    }
    UserAdminWindow* openAdmin() { return openWindow<UserAdminWindow>("UserAdmin"); }
    UserAdminWindow* unlockedAdmin() {
        UserAdminWindow* w = openAdmin();
        child<QLineEdit>(w, "LabeledEdit1")->setText(QStringLiteral("888"));
        child<QPushButton>(w, "BitBtn3")->click();
        m_session->ui.clear();
        return w;
    }
    void chooseUser(UserAdminWindow* w, const QString& name) {
        auto* list = child<QListWidget>(w, "ListBox1");
        const auto items = list->findItems(name, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        list->setCurrentItem(items.first());
    }
    ChangePasswordWindow* openChange() { return openWindow<ChangePasswordWindow>("ChangePassword"); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        QCoreApplication::setApplicationName(QStringLiteral("Tovrakel"));
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_program->installUsers();
        addUser(dm().connection(), QStringLiteral("小王"));
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void openedOnceFromTheMenuAndDestroyedWhenClosed() {
        QVERIFY(m_form->findChild<QAction*>(QStringLiteral("UserAdmin"))->isEnabled());
        QVERIFY(m_form->findChild<QAction*>(QStringLiteral("ChangePassword"))->isEnabled());
        QPointer<UserAdminWindow> admin = openAdmin();
        QVERIFY(admin && admin->isVisible());
        QCOMPARE(admin->windowTitle(), QStringLiteral("用户管理—(管理员专用)"));
        // Dialogs of the main window, which window managers keep above it when it is clicked.
        QCOMPARE(admin->windowType(), Qt::Dialog);
        QCOMPARE(admin->windowHandle()->transientParent(), m_form->windowHandle());
        QCOMPARE(openAdmin(), admin.data());  // brought to the front, not created again
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += qobject_cast<UserAdminWindow*>(w) != nullptr;
        QCOMPARE(count, 1);
        child<QPushButton>(admin, "BitBtn2")->click();  // 退出
        QTRY_VERIFY(admin.isNull());
        QPointer<ChangePasswordWindow> change = openChange();
        QVERIFY(change && change->isVisible());
        QCOMPARE(change->windowTitle(), QStringLiteral("更改密码"));
        QCOMPARE(change->windowType(), Qt::Dialog);
        change->close();
        QTRY_VERIFY(change.isNull());
    }

    void administratorLogin() {
        UserAdminWindow* w = openAdmin();
        auto* list = child<QListWidget>(w, "ListBox1");
        auto* pages = child<QTabWidget>(w, "PageControl1");
        auto* pw = child<QLineEdit>(w, "LabeledEdit1");
        QVERIFY(!list->isEnabled() && !pages->isEnabled());
        QCOMPARE(pages->currentIndex(), 0);
        QVERIFY(pw->hasFocus());
        QCOMPARE(listed(w), (QStringList{"小王", "超级管理员"}));
        // Enter in the password field moves to 登录, whose Enter presses it.
        QTest::keyClicks(pw, QStringLiteral("8-8 7"));
        QCOMPARE(pw->text(), QStringLiteral("887"));
        QTest::keyClick(pw, Qt::Key_Return);
        auto* login = child<QPushButton>(w, "BitBtn3");
        QVERIFY(login->hasFocus());
        login->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{QStringLiteral("密码不对！")});
        QCOMPARE(pw->text(), QStringLiteral("887"));
        QVERIFY(!w->isUnlocked() && !pages->isEnabled());
        // Another user's password does not unlock it either.
        changePassword(dm().connection(), Rights::forUser(QStringLiteral("小王")), QStringLiteral("小王"), QStringLiteral("888"),
                       QStringLiteral("w1"), QStringLiteral("w1"));
        pw->setText(QStringLiteral("w1"));
        login->click();
        QVERIFY(!w->isUnlocked());
        m_session->ui.clear();
        pw->setText(QStringLiteral("888"));
        login->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{QStringLiteral("超级管理员登录成功！")});
        QVERIFY(list->isEnabled() && pages->isEnabled());
        QVERIFY(pw->text().isEmpty());
    }

    void resetAndHint() {
        UserAdminWindow* w = unlockedAdmin();
        child<QPushButton>(w, "BitBtn4")->click();
        child<QPushButton>(w, "BitBtn5")->click();  // nobody chosen
        QCOMPARE(m_session->ui.messageTexts(), (QStringList{"初始化口令用于忘记密码的用户，将口令更改为:888", "请选择用户名！"}));
        changePassword(dm().connection(), Rights::forUser(QStringLiteral("小王")), QStringLiteral("小王"), QStringLiteral("888"),
                       QStringLiteral("w1"), QStringLiteral("w1"));
        chooseUser(w, QStringLiteral("小王"));
        QCOMPARE(child<QLineEdit>(w, "Edit5")->text(), QStringLiteral("小王"));
        QCOMPARE(child<QLineEdit>(w, "Edit7")->text(), QStringLiteral("小王"));
        QVERIFY(child<QLineEdit>(w, "Edit5")->isReadOnly());
        m_session->ui.clear();
        child<QPushButton>(w, "BitBtn5")->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"已经成功将密码初始化为：888"});
        QVERIFY(isPasswordHash(stored(QStringLiteral("小王"))));
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("小王"), QStringLiteral("888")));
        // The administrator can be reset too.
        chooseUser(w, QStringLiteral("超级管理员"));
        child<QPushButton>(w, "BitBtn5")->click();
        QVERIFY(passwordMatches(stored(QStringLiteral("超级管理员")), QStringLiteral("888")));
    }

    void addUserMessages_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("names");
        const QStringList before{"小王", "超级管理员"};
        QTest::newRow("administrator") << "超级管理员" << "超级管理员只能有一个，不能增加" << before;
        QTest::newRow("empty") << "  " << "请选择用户名！" << before;
        QTest::newRow("existing") << "小王" << "用户名已存在！" << before;
        QTest::newRow("existing in other case") << "" << "" << QStringList();  // filled below
        QTest::newRow("new") << " 老李 " << "成功添加新用户！缺省口令是：888,请此用户下次登录时及时修改口令！"
                             << QStringList{"小王", "老李", "超级管理员"};
        QTest::newRow("quote in name") << "O'Neil" << "成功添加新用户！缺省口令是：888,请此用户下次登录时及时修改口令！"
                                       << QStringList{"O'Neil", "小王", "超级管理员"};
    }
    void addUserMessages() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QStringList, names);
        if (name.isEmpty() && names.isEmpty()) {
            addUser(dm().connection(), QStringLiteral("Tom"));
            name = QStringLiteral("TOM");
            message = QStringLiteral("用户名已存在！");
            names = QStringList{"Tom", "小王", "超级管理员"};
        }
        UserAdminWindow* w = unlockedAdmin();
        child<QLineEdit>(w, "Edit6")->setText(name);
        child<QPushButton>(w, "BitBtn7")->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{message});
        QCOMPARE(storedNames(), names);
        QCOMPARE(listed(w), names);
        QCOMPARE(child<QLineEdit>(w, "Edit6")->text(), name);  // the field keeps its text
        QVERIFY(m_session->ui.messages[0].icon != QMessageBox::Critical);
        if (message.startsWith(QStringLiteral("成功")))
            QVERIFY(checkLogin(dm().connection(), name.trimmed(), QStringLiteral("888")));
    }

    void deleteUser() {
        UserAdminWindow* w = unlockedAdmin();
        auto* edit7 = child<QLineEdit>(w, "Edit7");
        child<QPushButton>(w, "BitBtn9")->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"请选择用户"});
        m_session->ui.clear();
        chooseUser(w, QStringLiteral("超级管理员"));
        child<QPushButton>(w, "BitBtn9")->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"超级管理员不能删除！"});
        // No keeps the user and the chosen name.
        m_session->ui.clear();
        chooseUser(w, QStringLiteral("小王"));
        m_session->ui.replies.enqueue(QMessageBox::No);
        child<QPushButton>(w, "BitBtn9")->click();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].text, QStringLiteral("你真的要删除用户：小王吗?"));
        QCOMPARE(m_session->ui.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(storedNames(), (QStringList{"小王", "超级管理员"}));
        QCOMPARE(edit7->text(), QStringLiteral("小王"));
        // Yes deletes it.
        m_session->ui.clear();
        m_session->ui.replies.enqueue(QMessageBox::Yes);
        child<QPushButton>(w, "BitBtn9")->click();
        QCOMPARE(m_session->ui.messageTexts(), (QStringList{"你真的要删除用户：小王吗?", "成功删除！"}));
        QCOMPARE(storedNames(), QStringList{"超级管理员"});
        QCOMPARE(listed(w), QStringList{"超级管理员"});
        QVERIFY(edit7->text().isEmpty());
        // Resetting the user who is gone is not reported as done.
        m_session->ui.clear();
        child<QPushButton>(w, "BitBtn5")->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"请选择用户名！"});
    }

    void changePasswordWindow() {
        m_session->session().grantRights(Rights::forUser(QStringLiteral("小王")));
        ChangePasswordWindow* w = openChange();
        auto* op = child<QComboBox>(w, "ComboBox1");
        auto* oldPw = child<QLineEdit>(w, "Edit1");
        auto* newPw = child<QLineEdit>(w, "Edit14");
        auto* repeat = child<QLineEdit>(w, "Edit15");
        auto* change = child<QPushButton>(w, "bitbtn4");
        QVERIFY(!op->isEditable());
        QCOMPARE(op->count(), 1);  // the logged-in user alone
        QCOMPARE(op->itemText(0), QStringLiteral("小王"));
        QCOMPARE(op->currentIndex(), -1);
        QVERIFY(child<QCheckBox>(w, "CheckBox1")->isChecked());
        child<QCheckBox>(w, "CheckBox1")->setChecked(false);
        const QString before = stored(QStringLiteral("小王"));

        // No operator chosen: refused, nothing changes.
        oldPw->setText(QStringLiteral("888"));
        newPw->setText(QStringLiteral("abc1"));
        repeat->setText(QStringLiteral("abc1"));
        change->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"必须选择操作员！"});
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(stored(QStringLiteral("小王")), before);

        // Choosing an operator moves to the old password; Enter runs along the fields.
        op->setCurrentText(QStringLiteral("小王"));
        emit op->activated(op->currentIndex());
        QVERIFY(oldPw->hasFocus());
        QTest::keyClick(oldPw, Qt::Key_Return);
        QVERIFY(newPw->hasFocus());
        QTest::keyClick(newPw, Qt::Key_Return);
        QVERIFY(repeat->hasFocus());
        QTest::keyClick(repeat, Qt::Key_Return);
        QVERIFY(change->hasFocus());

        struct Case { QString oldText, newText, repeatText, message; QLineEdit* focus; };
        const QList<Case> cases = {
            {"", "abc1", "abc1", "必须输入旧口令！", oldPw},
            {"888", "", "", "新口令长度不能为空！", newPw},
            {"888", "abc1", "ABC1", "两次输入的密码不一致！请重新输入！", repeat},
            {"999", "abc1", "abc1", "旧密码不正确！", oldPw},
        };
        for (const Case& c : cases) {
            m_session->ui.clear();
            oldPw->setText(c.oldText);
            newPw->setText(c.newText);
            repeat->setText(c.repeatText);
            change->click();
            QCOMPARE(m_session->ui.messageTexts(), QStringList{c.message});
            QCOMPARE(stored(QStringLiteral("小王")), before);
        }
        QVERIFY(repeat->text() == QStringLiteral("abc1"));
        QVERIFY(oldPw->text().isEmpty());  // the wrong old password was emptied

        m_session->ui.clear();
        oldPw->setText(QStringLiteral("888"));
        newPw->setText(QStringLiteral("Abc1"));
        repeat->setText(QStringLiteral("Abc1"));
        change->click();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"你已经成功修改了密码！下次运行程序时生效！"});
        QVERIFY(isPasswordHash(stored(QStringLiteral("小王"))));
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("小王"), QStringLiteral("aBC1")));
        QVERIFY(oldPw->text().isEmpty() && newPw->text().isEmpty() && repeat->text().isEmpty());
        QVERIFY(w->isVisible());  // 更改完毕退出 unticked
    }

    void changeClosesWhenTicked() {
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        QPointer<ChangePasswordWindow> w = openChange();
        child<QComboBox>(w, "ComboBox1")->setCurrentText(QStringLiteral("超级管理员"));
        child<QLineEdit>(w, "Edit1")->setText(QStringLiteral("888"));
        child<QLineEdit>(w, "Edit14")->setText(QStringLiteral("k9"));
        child<QLineEdit>(w, "Edit15")->setText(QStringLiteral("k9"));
        // Enter from the repeat field reaches the button, whose Enter presses it.
        auto* repeat = child<QLineEdit>(w, "Edit15");
        repeat->setFocus();
        QTest::keyClick(repeat, Qt::Key_Return);
        QVERIFY(child<QPushButton>(w, "bitbtn4")->hasFocus());
        QTest::keyClick(child<QPushButton>(w, "bitbtn4"), Qt::Key_Return);
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"你已经成功修改了密码！下次运行程序时生效！"});
        QTRY_VERIFY(w.isNull());
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("超级管理员"), QStringLiteral("K9")));
    }

    // An ordinary user keeps "修改密码" and changes their own password with it, and no one else's:
    // not even a name put into the list by other means gets through.
    void ordinaryUserChangesOnlyOwnPassword() {
        addUser(dm().connection(), QStringLiteral("小李"));
        m_session->session().grantRights(Rights::forUser(QStringLiteral("小王")));
        QAction* item = m_form->findChild<QAction*>(QStringLiteral("ChangePassword"));
        QVERIFY(item->isVisible() && item->isEnabled());
        QVERIFY(!m_form->findChild<QAction*>(QStringLiteral("UserAdmin"))->isVisible());
        ChangePasswordWindow* w = openChange();
        child<QCheckBox>(w, "CheckBox1")->setChecked(false);
        auto* op = child<QComboBox>(w, "ComboBox1");
        QCOMPARE(op->count(), 1);
        const QString admin = stored(QStringLiteral("超级管理员")), li = stored(QStringLiteral("小李"));
        auto attempt = [&](const QString& oldText, const QString& newText) {
            m_session->ui.clear();
            child<QLineEdit>(w, "Edit1")->setText(oldText);
            child<QLineEdit>(w, "Edit14")->setText(newText);
            child<QLineEdit>(w, "Edit15")->setText(newText);
            child<QPushButton>(w, "bitbtn4")->click();
            return m_session->ui.messageTexts();
        };
        for (const QString& other : {QStringLiteral("超级管理员"), QStringLiteral("小李")}) {
            op->addItem(other);
            op->setCurrentText(other);
            QCOMPARE(attempt(QStringLiteral("888"), QStringLiteral("mine1")), QStringList{"只能修改自己的密码！"});
            op->removeItem(op->findText(other));
        }
        QCOMPARE(stored(QStringLiteral("超级管理员")), admin);
        QCOMPARE(stored(QStringLiteral("小李")), li);
        op->setCurrentText(QStringLiteral("小王"));
        QCOMPARE(attempt(QStringLiteral("888"), QStringLiteral("mine1")),
                 QStringList{"你已经成功修改了密码！下次运行程序时生效！"});
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("小王"), QStringLiteral("mine1")));
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("超级管理员"), QStringLiteral("888")));
        QVERIFY(checkLogin(dm().connection(), QStringLiteral("小李"), QStringLiteral("888")));
    }

    void passwordFieldsTakeOnlyLettersAndDigits() {
        ChangePasswordWindow* w = openChange();
        for (const char* name : {"Edit1", "Edit14", "Edit15"}) {
            auto* field = child<QLineEdit>(w, name);
            QTest::keyClicks(field, "x y-z'#123456789012");
            field->insert(QStringLiteral("中"));
            QCOMPARE(field->text(), QStringLiteral("xyz1234567"));
            QCOMPARE(field->echoMode(), QLineEdit::Password);
        }
    }
};

QTEST_MAIN(UserWindowsTest)
#include "test_user_windows.moc"
