#include "users/ui/install_users.h"

#include "app/ui/main_window.h"
#include "app/ui/screenshot_mode.h"
#include "store/database.h"
#include "users/ui/apply_rights.h"
#include "users/ui/change_password_window.h"
#include "users/ui/login_window.h"
#include "users/ui/user_admin_window.h"

#include <QAction>
#include <QEvent>
#include <QTimer>

namespace {

// An unattended screenshot run has no desktop to activate the window, so its login starts from
// the show. (The withheld columns need nothing at a show: the grid keeps them out whatever the
// column memory says.)
class ShowWatcher : public QObject {
public:
    ShowWatcher(MainWindow& form, LoginWindow& login) : QObject(&form), m_form(form), m_login(login) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_form || event->type() != QEvent::Show)
            return false;
        QTimer::singleShot(0, &m_form, [form = &m_form, login = &m_login] {
            if (inScreenshotMode() && form->loginEntryId() == 0)
                loginForScreenshots(*login);
        });
        return false;
    }

private:
    MainWindow& m_form;
    LoginWindow& m_login;
};

void wireAction(MainWindow& form, const QString& name, const std::function<void()>& open) {
    if (QAction* action = form.findChild<QAction*>(name)) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, &form, open);
    }
}

}  // namespace

void loginForScreenshots(LoginWindow& login) {
    if (login.loggedIn())
        return;
    QString user = Database::kAdministrator, password = Database::kInitialPassword;
    const QString given = qEnvironmentVariable("TOVRAKEL_SCREENSHOT_LOGIN");
    // Passwords hold no ':', user names might.
    const int colon = given.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        user = given.left(colon);
        password = given.mid(colon + 1);
    }
    login.loginUnattended(user, password);
}

LoginWindow* installUsers(MainWindow& form) {
    auto* login = new LoginWindow(&form);
    form.hooks().loginRequired = [login] {
        if (inScreenshotMode())
            loginForScreenshots(*login);
        else
            login->run();
    };
    honourRights(&form, [&form](const Rights& rights) { applyRights(form, rights); });
    form.installEventFilter(new ShowWatcher(form, *login));

    wireAction(form, QStringLiteral("ChangePassword"), [&form] { ActivateWindow<ChangePasswordWindow>(&form); });
    wireAction(form, QStringLiteral("UserAdmin"), [&form] { ActivateWindow<UserAdminWindow>(&form); });
    addScreenshotOpener(QStringLiteral("ChangePasswordWindow"), [&form] { ActivateWindow<ChangePasswordWindow>(&form); });
    addScreenshotOpener(QStringLiteral("UserAdminWindow"), [&form] { ActivateWindow<UserAdminWindow>(&form); });
    return login;
}
