#include "users/ui/login_window.h"

#include "store/settings.h"
#include "users/login_log.h"
#include "users/rights.h"
#include "users/ui/password_field.h"
#include "users/ui/session.h"
#include "users/user_accounts.h"
#include "widgets/input_helpers.h"
#include "widgets/ui_services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& where) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

}  // namespace

LoginWindow::LoginWindow(Session& session, QWidget* owner, LoginSteps steps)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_session(session), m_mainForm(owner), m_steps(std::move(steps)) {
    setObjectName(QStringLiteral("loginfm"));
    setWindowTitle(QStringLiteral("用户登录"));
    setFixedSize(371, 160);

    addLabel(this, QStringLiteral("Label1"), QStringLiteral("用户名称："), QRect(56, 30, 72, 24));
    m_users = new QComboBox(this);
    m_users->setObjectName(QStringLiteral("ComboBox1"));
    m_users->setEditable(true);
    m_users->setInsertPolicy(QComboBox::NoInsert);
    m_users->setGeometry(130, 30, 180, 24);

    addLabel(this, QStringLiteral("Label2"), QStringLiteral("输入密码："), QRect(56, 66, 72, 24));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Edit1"));
    makePasswordField(m_password);
    m_password->setGeometry(130, 66, 180, 24);

    m_hint = addLabel(this, QStringLiteral("Label3"), QStringLiteral("初始登陆密码：") + Database::kInitialPassword,
                      QRect(56, 112, 150, 24));
    m_hint->setStyleSheet(QStringLiteral("color: red;"));

    m_login = new QPushButton(QStringLiteral("登 录"), this);
    m_login->setObjectName(QStringLiteral("bitbtn4"));
    m_login->setGeometry(230, 108, 80, 30);
    // Enter in a field moves on; only the focused button takes Enter.
    m_login->setAutoDefault(true);
    m_login->setDefault(false);

    // Enter in the user list (or a pick with the mouse) goes to the password, Enter there to the
    // button, and a second Enter presses it.
    chainEnter(m_users, m_password);
    chainEnter(m_password, m_login);
    connect(m_users, qOverload<int>(&QComboBox::activated), this,
            [this] { m_password->setFocus(Qt::OtherFocusReason); });
    connect(m_login, &QPushButton::clicked, this, &LoginWindow::onConfirm);
    // Whatever closes the window (the button or the close box) ends the login.
    connect(this, &QDialog::finished, this, &LoginWindow::afterClose);
}

QString LoginWindow::userName() const { return m_users->currentText(); }

void LoginWindow::run() {
    if (m_closed || isVisible())
        return;
    if (m_runner)
        m_runner(*this);
    else
        exec();
}

void LoginWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_mainForm && m_mainForm->isVisible())
        move(m_mainForm->geometry().center() - rect().center());
    fillUsers();
}

void LoginWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The background: a light band with a darker foot.
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0.0, QColor(0xe8, 0xf1, 0xfb));
    gradient.setColorAt(1.0, QColor(0xc4, 0xd9, 0xf0));
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(0x8a, 0xaa, 0xd0));
    painter.drawLine(20, 100, width() - 20, 100);
    // The login is on screen: the main window behind it may now fill its grids.
    if (!m_paintedOnce && m_mainForm) {
        m_paintedOnce = true;
        if (m_steps.runWaitingSteps)
            QTimer::singleShot(0, m_mainForm.data(), m_steps.runWaitingSteps);
    }
}

void LoginWindow::fillUsers() {
    runAction(this, [this] {
        FillCombo(m_session.database(), QStringLiteral("username"), QStringLiteral("userdb"), m_users);
        if (m_users->count() > 0)
            m_users->setCurrentIndex(0);
    });
    m_users->setFocus(Qt::OtherFocusReason);
}

void LoginWindow::onConfirm() {
    const QString user = m_users->currentText();
    const QString password = trimmedText(m_password->text());
    if (!RequireCombo(m_users, QStringLiteral("必须选择用户！")))
        return;
    if (!RequireEdit(m_password, QStringLiteral("必须输入密码！")))
        return;
    runAction(this, [&] {
        if (checkLogin(m_session.database(), user, password)) {
            m_loggedIn = true;
            if (m_steps.runWaitingSteps)
                m_steps.runWaitingSteps();  // what was to fill behind the login comes first
            if (m_steps.loginSucceeded)
                m_steps.loginSucceeded();
            if (m_steps.restoreDisplayMode)
                m_steps.restoreDisplayMode();
            accept();
            return;
        }
        showInfo(this, QStringLiteral("密码不正确！请重新输入！"));
        m_password->clear();
        m_password->setFocus(Qt::OtherFocusReason);
    });
}

void LoginWindow::loginUnattended(const QString& user, const QString& password) {
    m_users->setEditText(user);
    m_password->setText(password);
    onConfirm();
}

void LoginWindow::afterClose() {
    if (m_closed)
        return;
    m_closed = true;
    if (!m_mainForm)
        return;
    if (!m_loggedIn) {
        // Without a login the program ends; nothing is logged.
        m_mainForm->close();
        return;
    }
    // "全部记录": the pick lists and the inventory grid are read afresh.
    if (m_steps.showAll)
        m_steps.showAll();
    m_mainForm->activateWindow();
    m_mainForm->setFocus(Qt::OtherFocusReason);
    const QString user = userName();
    m_session.grantRights(Rights::forUser(user));
    qint64 entryId = 0;
    runAction(m_mainForm.data(), [&] { entryId = writeLogin(m_session.database(), user, m_session.now()); });
    if (m_steps.loggedIn)
        m_steps.loggedIn(user, entryId);
}
