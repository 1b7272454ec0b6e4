#pragma once
// UiServices for tests: answers from queues of canned replies and records every request, so no
// test ever blocks on a dialog.
#include "widgets/ui_services.h"

#include <QList>
#include <QQueue>

class RecordingUi : public UiServices {
public:
    RecordingUi();   // installs itself
    ~RecordingUi() override;  // restores the previous services

    QMessageBox::StandardButton message(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget*, const QString& caption, const QString&, const QString& filter) override;
    QString saveFileName(QWidget*, const QString& caption, const QString&, const QString& filter) override;
    bool openUrl(const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    std::unique_ptr<QPrinter> printer(const QString& jobName) override;
    QDateTime now() override { return m_now.isValid() ? m_now : QDateTime::currentDateTime(); }

    // Replies, taken in order; when a queue is empty the default button (or OK/Yes) answers.
    QQueue<QMessageBox::StandardButton> replies;
    QQueue<QString> fileAnswers;
    QList<MessageRequest> messages;
    QStringList dialogCaptions;
    QStringList dialogFilters;
    QStringList openedUrls;
    QList<QStringList> startedPrograms;  // program first, then its arguments
    QString pdfPath;                      // where printer() prints; empty: no printer
    QStringList printJobs;

    void setNow(const QDateTime& now) { m_now = now; }
    QStringList messageTexts() const;
    void clear();

private:
    QDateTime m_now;
    UiServices* m_previous;
};
