#pragma once
// UserAdminWindow: the administrator's user maintenance (reset a password, add and delete users),
// unlocked by the administrator password typed inside the window.
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class Session;

class UserAdminWindow : public QWidget {
    Q_OBJECT
public:
    explicit UserAdminWindow(Session& session, QWidget* owner = nullptr);

    bool isUnlocked() const;

    void onAdministratorLogin();  // 登录
    void onExplainReset();  // 提示
    void onResetPassword();  // 初始化密码
    void onAddUser();  // 增加用户
    void onDeleteUser();  // 删除用户

private:
    Session& m_session;
    void fillUsers();
    void userChosen();

    QLineEdit* m_adminPassword;
    QPushButton* m_adminLogin;
    QListWidget* m_users;
    QTabWidget* m_pages;
    QLineEdit* m_resetName;
    QLineEdit* m_newName;
    QLineEdit* m_deleteName;
};
