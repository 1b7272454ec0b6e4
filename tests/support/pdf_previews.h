#pragma once
// Print previews in tests: each preview a window would show is printed into a PDF file of its own
// in a folder, to be read back; the previous preview runner returns when this goes.
#include "printing/ui/page_painter.h"

#include <QDir>
#include <QPrinter>
#include <QStringList>

class PdfPreviews {
public:
    explicit PdfPreviews(const QString& folder) : m_folder(folder) {
        m_previous = setPrintPreviewRunner([this](QWidget*, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            const QString path = QDir(m_folder).filePath(QStringLiteral("preview-%1.pdf").arg(files.size() + 1));
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            paint(&printer);
            files << path;
        });
    }
    ~PdfPreviews() { setPrintPreviewRunner(m_previous); }
    PdfPreviews(const PdfPreviews&) = delete;
    PdfPreviews& operator=(const PdfPreviews&) = delete;

    QStringList files;  // the PDF of each preview shown, in order

private:
    QString m_folder;
    PrintPreviewRunner m_previous;
};
