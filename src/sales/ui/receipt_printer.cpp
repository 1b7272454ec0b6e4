#include "sales/ui/receipt_printer.h"

#include "printing/ui/page_painter.h"
#include "widgets/ui_services.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace {

QString g_folder;
QString g_lastPdf;

const QString kJobName = QStringLiteral("POS小票");

QString newReceiptFile(const QString& folder, const QDateTime& when) {
    QDir().mkpath(folder);
    const QString stem = QDir(folder).filePath(QStringLiteral("POS小票-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString path = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.pdf").arg(n);
    return path;
}

std::unique_ptr<QPrinter> receiptPrinter(const QDateTime& when) {
    if (g_folder.isEmpty())
        return ui().printer(kJobName);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(newReceiptFile(g_folder, when));
    printer->setDocName(kJobName);
    return printer;
}

}  // namespace

void setReceiptPdfFolder(const QString& folder) { g_folder = folder; }
QString receiptPdfFolder() { return g_folder; }
QString lastReceiptPdf() { return g_lastPdf; }

bool printPosReceipt(QWidget* parent, const ReceiptData& data) {
    std::unique_ptr<QPrinter> printer = receiptPrinter(data.printedAt);
    if (!printer) {
        showError(parent, QStringLiteral("没有找到默认打印机，小票没有打印。\n"
                                         "请在系统中安装小票打印机并设为默认打印机；POS单中的内容已保留。"));
        return false;
    }
    const bool pdf = printer->outputFormat() == QPrinter::PdfFormat;
    const double widthMm =
        pdf ? kReceiptPdfWidthMm : printer->pageLayout().fullRect(QPageLayout::Millimeter).width();
    // The roll's own width, 250 mm long.
    printer->setPageSize(QPageSize(QSizeF(widthMm, kReceiptPaperLengthMm), QPageSize::Millimeter,
                                   QStringLiteral("POS"), QPageSize::ExactMatch));
    if (pdf) {
        printer->setResolution(kReceiptPdfResolution);
        // A 58 mm roll prints 48 mm wide in the middle.
        printer->setPageMargins(QMarginsF(5, 3, 5, 3), QPageLayout::Millimeter);
    }
    printer->setFullPage(false);  // dots from the top left of the printable area

    QPainter painter;
    if (!painter.begin(printer.get())) {
        showError(parent, QStringLiteral("打印机“%1”无法开始打印任务，小票没有打印。\n"
                                         "请检查打印机是否连接、开机、有纸；POS单中的内容已保留。")
                              .arg(pdf ? printer->outputFileName() : printer->printerName()));
        return false;
    }
    paintPageItems(painter, receiptLayout(data), 1.0);
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        showError(parent, QStringLiteral("打印任务没有完成，小票可能没有打印。POS单中的内容已保留。"));
        return false;
    }
    if (pdf)
        g_lastPdf = printer->outputFileName();
    if (!g_folder.isEmpty())
        ui().openUrl(g_lastPdf);
    return true;
}
