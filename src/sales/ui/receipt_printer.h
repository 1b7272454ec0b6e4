#pragma once
// Prints the POS receipt straight onto the default printer (no dialog), or into a PDF file for
// shops without a receipt printer.
#include "sales/receipt_layout.h"

class QPainter;
class QWidget;

// Prints the receipt. True only when the job went through; otherwise the user has been told why
// (no default printer, a job or file that cannot start or finish) and the caller keeps its lines.
// On a printer the receipt takes the width of the default paper when that is a roll, else 58 mm,
// and stands at its printable area's top left; a PDF file is 58 mm wide with 5 mm and 3 mm
// margins.
bool printPosReceipt(QWidget* parent, const ReceiptData& data);

// Paints the receipt from the painter's origin in the millimetres of its layout, whatever the
// resolution of the painter's device.
void paintReceipt(QPainter& painter, const ReceiptData& data);

// A folder where every receipt is written as its own PDF file (and opened) instead of printed;
// empty: the default printer. Set at start-up from --receipt-pdf or the setting `xiaopiaopdf`.
// Each receipt gets a new file "POS小票-<date>-<time>[-n].pdf", readable by its owner only; a name
// already taken by anything, a link included, is left alone and the next number is used.
void setReceiptPdfFolder(const QString& folder);
QString receiptPdfFolder();
// The file of the last receipt written into the folder.
QString lastReceiptPdf();
