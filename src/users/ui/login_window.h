#pragma once
// LoginWindow: the login window the main window shows modally until a user has logged in.
#include <QDialog>
#include <QPointer>
#include <functional>

class Session;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What a login does to the program behind it; each step is optional.
struct LoginSteps {
    std::function<void()> runWaitingSteps;  // what was to fill behind the login window
    std::function<void()> loginSucceeded;   // the password was accepted
    std::function<void()> restoreDisplayMode;  // the remembered "不显示零库存"
    std::function<void()> showAll;          // "全部记录" once the login window has closed
    std::function<void(const QString& user, qint64 entryId)> loggedIn;  // the operator and the log entry
};

class LoginWindow : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window: the login sits over it, and closing the login without logging in
    // closes it.
    LoginWindow(Session& session, QWidget* owner, LoginSteps steps);

    bool loggedIn() const { return m_loggedIn; }
    QString userName() const;

    // How the login is shown: modally by default; tests and the unattended screenshot run put
    // something that does not block in its place.
    using Runner = std::function<void(LoginWindow&)>;
    void setRunner(Runner runner) { m_runner = std::move(runner); }
    // Shows the window through the runner, unless it is already open or has done its work.
    void run();

    // Logs in without a person at the keyboard, as if the name and password had been typed.
    void loginUnattended(const QString& user, const QString& password);

    void onConfirm();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void fillUsers();
    void afterClose();

    Session& m_session;
    Runner m_runner;
    QPointer<QWidget> m_mainForm;
    LoginSteps m_steps;
    QComboBox* m_users;
    QLineEdit* m_password;
    QLabel* m_hint;
    QPushButton* m_login;
    bool m_loggedIn = false;
    bool m_closed = false;
    bool m_paintedOnce = false;
};
