#pragma once
// Tuserglfm: the administrator's user maintenance (reset a password, add and delete users),
// unlocked by the administrator password typed inside the window.
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class Tuserglfm : public QWidget {
    Q_OBJECT
public:
    explicit Tuserglfm(QWidget* owner = nullptr);

    bool isUnlocked() const;

    void BitBtn3Click();  // 登录
    void BitBtn4Click();  // 提示
    void BitBtn5Click();  // 初始化密码
    void BitBtn7Click();  // 增加用户
    void BitBtn9Click();  // 删除用户

protected:
    void closeEvent(QCloseEvent* event) override;

private:
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
