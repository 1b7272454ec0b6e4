#include "widgets/ui_services.h"

#include "store/store_error.h"

#include <QApplication>

namespace {
UiServices* g_services = nullptr;
}

UiServices& ui() {
    Q_ASSERT_X(g_services, "ui()", "no UiServices installed");
    return *g_services;
}

UiServices* setUiServices(UiServices* services) {
    UiServices* previous = g_services;
    g_services = services;
    return previous;
}

QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) {
    return ui().message(parent, MessageRequest{caption, text, icon, buttons, defaultButton});
}

void showInfo(QWidget* parent, const QString& text) {
    showMessage(parent, QApplication::applicationName(), text);
}

void showError(QWidget* parent, const QString& text) {
    showMessage(parent, QApplication::applicationName(), text, QMessageBox::Critical);
}

bool runAction(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const StoreError& e) {
        showError(parent, e.message());
    } catch (const std::exception& e) {
        showError(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

QDate today() { return ui().now().date(); }

QMessageBox::StandardButton defaultAnswer(const MessageRequest& request) {
    if (request.defaultButton != QMessageBox::NoButton)
        return request.defaultButton;
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes})
        if (request.buttons.testFlag(b))
            return b;
    return QMessageBox::NoButton;
}
