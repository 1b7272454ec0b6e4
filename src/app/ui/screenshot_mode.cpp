#include "app/ui/screenshot_mode.h"

#include "app/ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QTextStream>
#include <QTimer>

namespace {

bool g_active = false;

QMap<QString, std::function<void()>>& openers() {
    static QMap<QString, std::function<void()>> map;
    return map;
}

QWidget* findWindow(const QString& name) {
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (QLatin1String(w->metaObject()->className()) == name)
            found = w;
    // Panels inside the main window (the sale panel) count once they are open.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (!found && qobject_cast<MainWindow*>(top))
            for (QWidget* w : top->findChildren<QWidget*>())
                if (w->isVisible() && QLatin1String(w->metaObject()->className()) == name)
                    return w;
    return found;
}

void log(const QString& text) {
    QTextStream err(stderr);
    err << "screenshot: " << text << "\n";
}

void save(QWidget* window, const QString& dir, const QString& name) {
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (window->grab().save(path))
        log(QStringLiteral("saved %1").arg(path));
    else
        log(QStringLiteral("could not save %1").arg(path));
}

}  // namespace

QMessageBox::StandardButton AutoAnswerUiServices::message(QWidget*, const MessageRequest& request) {
    log(QStringLiteral("message box \"%1\": %2").arg(request.caption, request.text));
    return defaultAnswer(request);
}

bool AutoAnswerUiServices::openUrl(const QString& url) {
    log(QStringLiteral("open %1").arg(url));
    return true;
}

bool AutoAnswerUiServices::startProgram(const QString& program, const QStringList& arguments) {
    log(QStringLiteral("start %1 %2").arg(program, arguments.join(QLatin1Char(' '))));
    return true;
}

bool inScreenshotMode() { return g_active; }

void addScreenshotOpener(const QString& windowClass, std::function<void()> open) {
    openers().insert(windowClass, std::move(open));
}

void scheduleScreenshots(const QString& dir, const QStringList& windows, int delayMs) {
    g_active = true;
    QDir().mkpath(dir);
    QTimer::singleShot(delayMs, qApp, [dir, windows] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<MainWindow*>(top))
                save(top, dir, QStringLiteral("main"));
        for (const QString& name : windows) {
            QWidget* found = findWindow(name);
            if (!found && openers().contains(name)) {
                openers()[name]();
                found = findWindow(name);
            }
            if (!found) {
                log(QStringLiteral("no window %1").arg(name));
                continue;
            }
            const bool wasVisible = found->isVisible();
            found->show();
            QApplication::processEvents();
            save(found, dir, name);
            if (!wasVisible)
                found->hide();
        }
        QApplication::quit();
    });
}
