#pragma once
// Prints the POS receipt straight onto the default printer (no dialog), or into a PDF file for
// shops without a receipt printer.
#include "sales/receipt_layout.h"

class QPrinter;
class QWidget;

// Dots per inch of a PDF receipt: that of the common thermal receipt printers, so the dot
// positions of the layout read as on paper.
constexpr int kReceiptPdfResolution = 203;
constexpr double kReceiptPdfWidthMm = 58;

// Prints the receipt. True only when the job went through; otherwise the user has been told why
// (no default printer, a job that cannot start or finish) and the caller keeps its lines.
bool printPosReceipt(QWidget* parent, const ReceiptData& data);

// A folder where every receipt is written as its own PDF file (and opened) instead of printed;
// empty: the default printer. Set at start-up from --receipt-pdf or the setting `xiaopiaopdf`.
void setReceiptPdfFolder(const QString& folder);
QString receiptPdfFolder();
// The file of the last receipt written into the folder.
QString lastReceiptPdf();
