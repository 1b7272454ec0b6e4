#include "sales/ui/receipt_dispatch.h"

#include "printing/receipt_printer_settings.h"
#include "sales/receipt_columns.h"
#include "sales/ui/receipt_printer.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QCursor>

namespace {

std::chrono::milliseconds g_timeout = kPrinterTimeout;

}  // namespace

void setEscPosTimeout(std::chrono::milliseconds timeout) { g_timeout = timeout; }
std::chrono::milliseconds escPosTimeout() { return g_timeout; }

bool printReceiptOnChosenPrinter(QWidget* parent, const ReceiptData& data) {
    // Read at each receipt, so a change in "小票打印机" counts at once.
    const ReceiptPrinterSettings settings = readReceiptPrinterSettings();
    if (settings.kind != ReceiptPrinterSettings::Kind::EscPos)
        return printPosReceipt(parent, data);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error =
        printOnEscPos(settings, receiptPage(columnReceipt(data), settings.columns), settings.finish(), g_timeout);
    QApplication::restoreOverrideCursor();
    if (error.isEmpty())
        return true;
    showError(parent, error + QStringLiteral("\nPOS单中的内容已保留。"));
    return false;
}
