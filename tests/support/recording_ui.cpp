#include "support/recording_ui.h"

#include <QPrinter>

RecordingUi::RecordingUi() { m_previous = setUiServices(this); }

RecordingUi::~RecordingUi() { setUiServices(m_previous); }

QMessageBox::StandardButton RecordingUi::message(QWidget*, const MessageRequest& request) {
    messages << request;
    if (!replies.isEmpty())
        return replies.dequeue();
    return defaultAnswer(request);
}

QString RecordingUi::openFileName(QWidget*, const QString& caption, const QString&, const QString& filter) {
    dialogCaptions << caption;
    dialogFilters << filter;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString RecordingUi::saveFileName(QWidget*, const QString& caption, const QString&, const QString& filter) {
    dialogCaptions << caption;
    dialogFilters << filter;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

bool RecordingUi::openUrl(const QString& url) {
    openedUrls << url;
    return true;
}

bool RecordingUi::startProgram(const QString& program, const QStringList& arguments) {
    startedPrograms << (QStringList{program} + arguments);
    return true;
}

std::unique_ptr<QPrinter> RecordingUi::printer(const QString& jobName) {
    printJobs << jobName;
    if (pdfPath.isEmpty())
        return nullptr;
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(pdfPath);
    p->setDocName(jobName);
    return p;
}

QStringList RecordingUi::messageTexts() const {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts;
}

void RecordingUi::clear() {
    messages.clear();
    dialogCaptions.clear();
    dialogFilters.clear();
    openedUrls.clear();
    startedPrograms.clear();
    printJobs.clear();
}
