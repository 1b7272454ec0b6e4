#include "users/ui/user_admin_window.h"

#include "users/ui/password_field.h"
#include "users/ui/session.h"
#include "users/user_accounts.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPushButton* addButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(true);  // Enter on the focused button presses it
    button->setMinimumWidth(90);
    return button;
}

QLineEdit* addChosenUserPage(QTabWidget* pages, const QString& title, const QString& fieldName,
                             QPushButton** buttons, int buttonCount) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("请在左边列表中选择用户"), page));
    layout->addWidget(new QLabel(QStringLiteral("你选择的用户名："), page));
    auto* field = new QLineEdit(page);
    field->setObjectName(fieldName);
    field->setReadOnly(true);
    layout->addWidget(field);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < buttonCount; ++i) {
        buttons[i]->setParent(page);
        row->addWidget(buttons[i]);
    }
    layout->addLayout(row);
    pages->addTab(page, title);
    return field;
}

}  // namespace

UserAdminWindow::UserAdminWindow(Session& session, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("userglfm"));
    setWindowTitle(QStringLiteral("用户管理—(管理员专用)"));

    // Login area.
    auto* loginBox = new QGroupBox(QStringLiteral("管理员登录"), this);
    auto* loginLayout = new QVBoxLayout(loginBox);
    auto* passwordLabel = new QLabel(QStringLiteral("管理员密码："), loginBox);
    m_adminPassword = new QLineEdit(loginBox);
    m_adminPassword->setObjectName(QStringLiteral("LabeledEdit1"));
    makePasswordField(m_adminPassword);
    passwordLabel->setBuddy(m_adminPassword);
    m_adminLogin = addButton(loginBox, QStringLiteral("BitBtn3"), QStringLiteral("登录"));
    auto* quit = addButton(loginBox, QStringLiteral("BitBtn2"), QStringLiteral("退出"));
    loginLayout->addWidget(passwordLabel);
    loginLayout->addWidget(m_adminPassword);
    loginLayout->addSpacing(8);
    loginLayout->addWidget(m_adminLogin);
    loginLayout->addWidget(quit);
    loginLayout->addStretch();

    // User list.
    auto* listBox = new QGroupBox(QStringLiteral("用户列表"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    m_users = new QListWidget(listBox);
    m_users->setObjectName(QStringLiteral("ListBox1"));
    listLayout->addWidget(m_users);
    m_users->setEnabled(false);

    // Pages.
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    QPushButton* resetButtons[] = {addButton(this, QStringLiteral("BitBtn5"), QStringLiteral("初始化密码")),
                                   addButton(this, QStringLiteral("BitBtn4"), QStringLiteral("提示"))};
    m_resetName = addChosenUserPage(m_pages, QStringLiteral("初始化密码"), QStringLiteral("Edit5"), resetButtons, 2);

    auto* addPage = new QWidget;
    auto* addLayout = new QVBoxLayout(addPage);
    addLayout->addWidget(new QLabel(QStringLiteral("新增用户名："), addPage));
    m_newName = new QLineEdit(addPage);
    m_newName->setObjectName(QStringLiteral("Edit6"));
    addLayout->addWidget(m_newName);
    addLayout->addStretch();
    auto* addRow = new QHBoxLayout;
    addRow->addStretch();
    auto* addButtonWidget = addButton(addPage, QStringLiteral("BitBtn7"), QStringLiteral("增加用户"));
    addRow->addWidget(addButtonWidget);
    addLayout->addLayout(addRow);
    m_pages->addTab(addPage, QStringLiteral("增加用户"));

    QPushButton* deleteButtons[] = {addButton(this, QStringLiteral("BitBtn9"), QStringLiteral("删除用户"))};
    m_deleteName = addChosenUserPage(m_pages, QStringLiteral("删除用户"), QStringLiteral("Edit7"), deleteButtons, 1);
    m_pages->setCurrentIndex(0);
    m_pages->setEnabled(false);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(loginBox);
    layout->addWidget(listBox);
    layout->addWidget(m_pages, 1);
    loginBox->setFixedWidth(150);
    listBox->setFixedWidth(150);
    m_pages->setMinimumWidth(260);

    chainEnter(m_adminPassword, m_adminLogin);
    connect(m_adminLogin, &QPushButton::clicked, this, &UserAdminWindow::onAdministratorLogin);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
    connect(resetButtons[0], &QPushButton::clicked, this, &UserAdminWindow::onResetPassword);
    connect(resetButtons[1], &QPushButton::clicked, this, &UserAdminWindow::onExplainReset);
    connect(addButtonWidget, &QPushButton::clicked, this, &UserAdminWindow::onAddUser);
    connect(deleteButtons[0], &QPushButton::clicked, this, &UserAdminWindow::onDeleteUser);
    connect(m_users, &QListWidget::currentItemChanged, this, &UserAdminWindow::userChosen);

    setFixedSize(600, 250);
    fillUsers();
    m_adminPassword->setFocus(Qt::OtherFocusReason);
}

bool UserAdminWindow::isUnlocked() const { return m_users->isEnabled(); }

void UserAdminWindow::fillUsers() {
    const QSignalBlocker blocker(m_users);
    m_users->clear();
    runAction(this, [this] { m_users->addItems(userNames(m_session.database())); });
}

void UserAdminWindow::userChosen() {
    if (QListWidgetItem* item = m_users->currentItem()) {
        m_resetName->setText(item->text());
        m_deleteName->setText(item->text());
    }
}

void UserAdminWindow::onAdministratorLogin() {
    runAction(this, [this] {
        if (checkLogin(m_session.database(), Database::kAdministrator, m_adminPassword->text().trimmed())) {
            showInfo(this, QStringLiteral("超级管理员登录成功！"));
            m_users->setEnabled(true);
            m_pages->setEnabled(true);
            m_adminPassword->clear();
        } else {
            showInfo(this, QStringLiteral("密码不对！"));
        }
    });
}

void UserAdminWindow::onExplainReset() {
    showInfo(this, QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:") + Database::kInitialPassword);
}

void UserAdminWindow::onResetPassword() {
    runAction(this, [this] {
        if (!resetPassword(m_session.database(), m_resetName->text())) {
            showInfo(this, QStringLiteral("请选择用户名！"));
            return;
        }
        showInfo(this, QStringLiteral("已经成功将密码初始化为：") + Database::kInitialPassword);
    });
}

void UserAdminWindow::onAddUser() {
    runAction(this, [this] {
        switch (addUser(m_session.database(), m_newName->text())) {
        case AddUserOutcome::Administrator:
            showInfo(this, QStringLiteral("超级管理员只能有一个，不能增加"));
            return;
        case AddUserOutcome::Exists:
            showInfo(this, QStringLiteral("用户名已存在！"));
            return;
        case AddUserOutcome::EmptyName:
            showInfo(this, QStringLiteral("请选择用户名！"));
            break;
        case AddUserOutcome::Added:
            showInfo(this, QStringLiteral("成功添加新用户！缺省口令是：") + Database::kInitialPassword +
                               QStringLiteral(",请此用户下次登录时及时修改口令！"));
            break;
        }
        fillUsers();
    });
}

void UserAdminWindow::onDeleteUser() {
    runAction(this, [this] {
        const QString name = m_deleteName->text().trimmed();
        switch (checkUserDeletion(name)) {
        case DeleteUserOutcome::Administrator:
            showInfo(this, QStringLiteral("超级管理员不能删除！"));
            return;
        case DeleteUserOutcome::EmptyName:
            showInfo(this, QStringLiteral("请选择用户"));
            return;
        case DeleteUserOutcome::Allowed:
            break;
        }
        const auto answer = showMessage(this, QApplication::applicationName(),
                                        QStringLiteral("你真的要删除用户：") + name + QStringLiteral("吗?"),
                                        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            deleteUser(m_session.database(), name);
            showInfo(this, QStringLiteral("成功删除！"));
            m_deleteName->clear();
            // The reset page must not go on naming a user that is gone.
            if (m_resetName->text().trimmed() == name)
                m_resetName->clear();
        }
        fillUsers();
    });
}

