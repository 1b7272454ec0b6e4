#pragma once
// Wires the printing into the program: the POS panel of the sales details window with the sale
// panel and the grid menu's POS item, the tool button "POS打印", the two report forms with the
// sales note button, and the print items of the three grids.
#include <QString>

class MainWindow;
class SalesNoteReport;
class SalesDetailsWindow;

// `receiptPdfFolder` (from --receipt-pdf) sends receipts into PDF files there; without it the
// setting `xiaopiaopdf` counts, then the default printer.
void installPrinting(MainWindow& form, const QString& receiptPdfFolder = {});

// "销售单打印" of the group " 个性信息设置": the sales note of the rows the sales grid lists.
void printSalesNote(SalesDetailsWindow& sales, SalesNoteReport& note);
