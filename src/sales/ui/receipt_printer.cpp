#include "sales/ui/receipt_printer.h"

#include "printing/print_service.h"
#include "printing/ui/page_painter.h"
#include "widgets/ui_services.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString g_folder;
QString g_lastPdf;

const QString kJobName = QStringLiteral("POS小票");
// A 58 mm roll prints 48 mm wide in the middle.
const QMarginsF kPdfMarginsMm(5, 3, 5, 3);
constexpr int kOwnerOnly = 0600;

QPageSize receiptPaper(double widthMm) {
    return QPageSize(QSizeF(widthMm, kReceiptPaperLengthMm), QPageSize::Millimeter, QStringLiteral("POS"),
                     QPageSize::ExactMatch);
}

// Opens a new file for the receipt: never through a link and never over anything already there,
// so a name planted in the folder (a link to another file, or to none) cannot redirect it. -1 when
// no file can be made; errno tells why.
int createReceiptFile(const QString& folder, const QDateTime& when, QString& path) {
    QDir().mkpath(folder);
    const QString stem = QDir(folder).filePath(QStringLiteral("POS小票-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int n = 1; n <= 10000; ++n) {
        path = n == 1 ? stem + QStringLiteral(".pdf") : stem + QStringLiteral("-%1.pdf").arg(n);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeReceiptPdf(QWidget* parent, const ReceiptData& data) {
    const QString notSaved = QStringLiteral("小票没有保存。POS单中的内容已保留。");
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(kJobName);
        writer.setPageLayout(QPageLayout(receiptPaper(kReceiptDesignWidthMm), QPageLayout::Portrait, kPdfMarginsMm,
                                         QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer)) {
            showError(parent, QStringLiteral("无法生成小票的PDF文件，") + notSaved);
            return false;
        }
        paintReceipt(painter, data);
        painter.end();
    }

    QString path;
    const int fd = createReceiptFile(g_folder, data.printedAt, path);
    if (fd < 0) {
        showError(parent, QStringLiteral("无法在文件夹“%1”中新建小票文件（%2），")
                                  .arg(QDir::toNativeSeparators(g_folder), QString::fromLocal8Bit(std::strerror(errno))) +
                              notSaved);
        return false;
    }
    QFile file;
    bool written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    written = written && file.write(pdf.data()) == pdf.data().size() && file.flush() && ::fsync(fd) == 0;
    const QString error = file.errorString();
    file.close();
    if (!written) {
        QFile::remove(path);  // our own half-written file
        showError(parent, QStringLiteral("小票文件“%1”没有写完（%2），").arg(QDir::toNativeSeparators(path), error) +
                              notSaved);
        return false;
    }
    g_lastPdf = path;
    ui().openUrl(path);
    return true;
}

// The default printer's own paper, as its driver describes it.
QSizeF defaultPaperMm(const QPrinter& printer) {
    const QPrinterInfo info(printer);
    QPageSize paper = info.isNull() ? QPageSize() : info.defaultPageSize();
    if (!paper.isValid())
        paper = printer.pageLayout().pageSize();
    return paper.size(QPageSize::Millimeter);
}

bool printOnDefaultPrinter(QWidget* parent, const ReceiptData& data) {
    std::unique_ptr<QPrinter> printer = ui().printer(kJobName);
    if (!printer) {
        // With the print service stopped no printer is seen at all, installed or not.
        if (printServiceState() == PrintServiceState::NotRunning)
            showError(parent, QStringLiteral("系统的打印服务（CUPS）没有运行，小票没有打印。\n"
                                             "请启动打印服务（或请管理员启动）后再打印；POS单中的内容已保留。"));
        else
            showError(parent, QStringLiteral("没有找到默认打印机，小票没有打印。\n"
                                             "请在系统中安装小票打印机并设为默认打印机；POS单中的内容已保留。"));
        return false;
    }
    // A paused queue would take the job and hold it silently while the customer waits.
    const QPrinterInfo queue(*printer);
    if (printer->outputFormat() == QPrinter::NativeFormat && !queue.isNull() && queue.state() == QPrinter::Error) {
        showMessage(parent, QStringLiteral("提示"),
                    QStringLiteral("打印机“%1”已暂停，小票没有打印。\n"
                                   "请在系统的打印机设置中恢复这台打印机后再打印；POS单中的内容已保留。")
                        .arg(printer->printerName()),
                    QMessageBox::Warning);
        return false;
    }
    // A printer starts on a general paper (A4), whatever its driver's default is.
    printer->setPageSize(receiptPaper(receiptPaperWidthMm(defaultPaperMm(*printer))));
    printer->setFullPage(false);
    printer->setPageMargins(printer->pageLayout().minimumMargins(), printer->pageLayout().units());

    QPainter painter;
    if (!painter.begin(printer.get())) {
        const bool file = printer->outputFormat() == QPrinter::PdfFormat;
        showError(parent, QStringLiteral("打印机“%1”无法开始打印任务，小票没有打印。\n"
                                         "请检查打印机是否连接、开机、有纸；POS单中的内容已保留。")
                              .arg(file ? printer->outputFileName() : printer->printerName()));
        return false;
    }
    paintReceipt(painter, data);
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        showError(parent, QStringLiteral("打印任务没有完成，小票可能没有打印。POS单中的内容已保留。"));
        return false;
    }
    return true;
}

}  // namespace

void setReceiptPdfFolder(const QString& folder) { g_folder = folder; }
QString receiptPdfFolder() { return g_folder; }
QString lastReceiptPdf() { return g_lastPdf; }

void paintReceipt(QPainter& painter, const ReceiptData& data) {
    // Texts are set at one fine resolution and scaled to the device's: set at the device's own,
    // their advances would be rounded to its dots and lines would come out up to 3 % wider or
    // narrower from one printer to the next.
    constexpr double kSettingDpi = 1200;
    QPaintDevice* device = painter.device();
    const double k = device->logicalDpiY() / kSettingDpi;
    // Measured as they will be set, so a text wraps exactly where its box breaks it.
    const TextMeasure onDevice = textMeasure(device);
    auto setting = [k](PageFont font) {
        font.pointSize /= k;
        return font;
    };
    TextMeasure measure;
    measure.width = [&](const QString& text, const PageFont& font) { return onDevice.width(text, setting(font)) * k; };
    measure.lineHeight = [&](const PageFont& font) { return onDevice.lineHeight(setting(font)) * k; };
    measure.wrappedHeight = [&](const QString& text, const PageFont& font, double width) {
        return onDevice.wrappedHeight(text, setting(font), width / k) * k;
    };
    const double widthMm = device->width() * 25.4 / device->logicalDpiX();
    PageItems items = receiptLayout(data, widthMm, &measure);
    for (PageItem& item : items)
        item.font = setting(item.font);
    painter.save();
    painter.scale(k, k);
    paintPageItems(painter, items, kSettingDpi / 25.4);
    painter.restore();
}

bool printPosReceipt(QWidget* parent, const ReceiptData& data) {
    return g_folder.isEmpty() ? printOnDefaultPrinter(parent, data) : writeReceiptPdf(parent, data);
}
