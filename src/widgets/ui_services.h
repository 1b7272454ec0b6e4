#pragma once
// Everything a window asks of the desktop goes through UiServices: message boxes, file dialogs,
// opening addresses and files, starting programs, printers and the clock. The program installs the
// real Qt services; tests install a recorder that answers with canned replies.
#include <QDateTime>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include <QPrinter>
class QWidget;

struct MessageRequest {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// The button an unattended answer takes: the default one, else OK, else Yes.
QMessageBox::StandardButton defaultAnswer(const MessageRequest& request);

class UiServices {
public:
    virtual ~UiServices() = default;
    // Shows a modal message box; returns the button chosen.
    virtual QMessageBox::StandardButton message(QWidget* parent, const MessageRequest& request) = 0;
    // Empty when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual bool openUrl(const QString& url) = 0;       // web and mailto: addresses, local files
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // A printer ready to paint on, or null when none can be had (no default printer). `pdfName`
    // names the job; the recorder prints into PDF files instead.
    virtual std::unique_ptr<QPrinter> printer(const QString& jobName) = 0;
    virtual QDateTime now() = 0;
    // Asks for a password, shown as dots; empty when the user cancels (and where nobody can answer).
    virtual QString password(QWidget* parent, const QString& prompt) {
        Q_UNUSED(parent);
        Q_UNUSED(prompt);
        return {};
    }
};

UiServices& ui();
// Installs the services for the run (the program or a test); the previous ones are returned.
UiServices* setUiServices(UiServices* services);

// Shorthands for the message boxes of the house style.
QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon = QMessageBox::NoIcon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
// A plain information box with OK and the application's title.
void showInfo(QWidget* parent, const QString& text);
// The general error report: the message in a box with OK and the application's title.
void showError(QWidget* parent, const QString& text);

// Runs one user action; an error it raises ends the action and is shown by the general error
// report, so no exception crosses the event loop. Returns false when the action failed.
bool runAction(QWidget* parent, const std::function<void()>& action);

QDate today();
