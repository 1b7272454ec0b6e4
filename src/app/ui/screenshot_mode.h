#pragma once
// Screenshot mode: the program starts as usual, answers its own message boxes with their default
// buttons, saves PNGs of the named windows and ends. For looking at the windows on a machine
// without a desktop (scripts/screenshot).
#include "app/ui/qt_ui_services.h"

#include <QStringList>
#include <functional>

class AutoAnswerUiServices : public QtUiServices {
public:
    QMessageBox::StandardButton message(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool openUrl(const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    std::unique_ptr<QPrinter> printer(const QString&) override { return nullptr; }
};

// After the main window has settled, saves <dir>/<name>.png for "main" and for each window class
// named in `windows` (for instance "HelpWindow", "AboutWindow"), then quits the application.
void scheduleScreenshots(const QString& dir, const QStringList& windows, int delayMs = 1500);
// True once screenshots are scheduled: no person is at the keyboard.
bool inScreenshotMode();
// Windows created on first use are opened by these when a screenshot names their class.
void addScreenshotOpener(const QString& windowClass, std::function<void()> open);
