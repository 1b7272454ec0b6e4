#pragma once
// Sends the POS receipt where "小票打印机" says: drawn by the system printer (or into a PDF
// folder) as before, or as ESC/POS bytes straight to a receipt printer.
#include "sales/receipt_layout.h"

#include <chrono>

class QWidget;

// True only when the receipt went out; otherwise the user has been told why and the caller keeps
// its lines.
bool printReceiptOnChosenPrinter(QWidget* parent, const ReceiptData& data);

// How long an ESC/POS printer may keep the window waiting; tests shorten it.
void setEscPosTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds escPosTimeout();
