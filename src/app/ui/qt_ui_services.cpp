#include "app/ui/qt_ui_services.h"

#include "app/ui/program_pictures.h"

#include <QDesktopServices>
#include <QCoreApplication>
#include <QInputDialog>
#include <QStyle>
#include <QFileDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QUrl>

// The platform's pictures come as small bitmaps; the program's own are drawn from SVG at any size.
QPixmap messageBoxPicture(QMessageBox::Icon icon, qreal pixelRatio, const QStyle& style) {
    QString name;
    switch (icon) {
    case QMessageBox::Information: name = QStringLiteral("information"); break;
    case QMessageBox::Warning: name = QStringLiteral("warning"); break;
    case QMessageBox::Critical: name = QStringLiteral("critical"); break;
    case QMessageBox::Question: name = QStringLiteral("question"); break;
    default: return QPixmap();
    }
    const int size = style.pixelMetric(QStyle::PM_MessageBoxIconSize);
    return programPicture(QStringLiteral("message-%1.svg").arg(name)).pixmap(QSize(size, size), pixelRatio);
}

QMessageBox::StandardButton QtUiServices::message(QWidget* parent, const MessageRequest& request) {
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent);
    if (request.icon != QMessageBox::NoIcon)
        box.setIconPixmap(messageBoxPicture(request.icon, box.devicePixelRatioF(), *box.style()));
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

QString QtUiServices::password(QWidget* parent, const QString& prompt) {
    return QInputDialog::getText(parent, QCoreApplication::applicationName(), prompt, QLineEdit::Password);
}
