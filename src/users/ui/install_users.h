#pragma once
// Wires the users' windows into the main window: the login demanded at activation, the rights it
// grants, and the menu items 修改密码 and 用户管理.
class MainWindow;
class LoginWindow;

// Creates the login window (owned by the main window) and returns it.
LoginWindow* installUsers(MainWindow& form);

// The login of the unattended screenshot run: TOVRAKEL_SCREENSHOT_LOGIN=user:password, by default
// the administrator with the initial password.
void loginForScreenshots(LoginWindow& login);
