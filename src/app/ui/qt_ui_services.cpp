#include "app/ui/qt_ui_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QUrl>

QMessageBox::StandardButton QtUiServices::message(QWidget* parent, const MessageRequest& request) {
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QString QtUiServices::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtUiServices::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter) {
    // The overwrite question is the caller's own, in the program's words.
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool QtUiServices::openUrl(const QString& url) {
    const QUrl target = QUrl::fromUserInput(url);
    return QDesktopServices::openUrl(target);
}

bool QtUiServices::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

std::unique_ptr<QPrinter> QtUiServices::printer(const QString& jobName) {
    if (QPrinterInfo::defaultPrinter().isNull())
        return nullptr;
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setDocName(jobName);
    return p;
}
