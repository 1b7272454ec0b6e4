#pragma once
// LoginWindow: the login window the main window shows modally until a user has logged in.
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class MainWindow;

class LoginWindow : public QDialog {
    Q_OBJECT
public:
    explicit LoginWindow(MainWindow* mainForm);

    bool loggedIn() const { return m_loggedIn; }
    QString userName() const;

    // How the login is shown: modally by default; tests and the unattended screenshot run put
    // something that does not block in its place.
    using Runner = std::function<void(LoginWindow&)>;
    static void setRunner(Runner runner);
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
    void restoreZeroStockMode();
    void afterClose();

    MainWindow* m_mainForm;
    QComboBox* m_users;
    QLineEdit* m_password;
    QLabel* m_hint;
    QPushButton* m_login;
    bool m_loggedIn = false;
    bool m_closed = false;
    bool m_paintedOnce = false;
};
