#pragma once
// The real desktop behind UiServices.
#include "widgets/ui_services.h"

class QStyle;

// The picture of a message box's icon drawn for `pixelRatio` device pixels per point: Qt's own box
// draws a small bitmap at one and stretches it on a scaled display.
QPixmap messageBoxPicture(QMessageBox::Icon icon, qreal pixelRatio, const QStyle& style);

class QtUiServices : public UiServices {
public:
    QMessageBox::StandardButton message(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    bool openUrl(const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    std::unique_ptr<QPrinter> printer(const QString& jobName) override;
    QDateTime now() override { return QDateTime::currentDateTime(); }
    QString password(QWidget* parent, const QString& prompt) override;
};
