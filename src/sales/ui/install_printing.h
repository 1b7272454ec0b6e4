#pragma once
// Wires the printing into the program: the POS panel on the sales details window with the sale
// panel and the grid menu's POS item, the tool button "POS打印", the two report forms with the
// sales note button, and the print items of the three grids.
#include <QString>

class DataGrid;
class PosPanel;
class ProductSummaryWindow;
class QAction;
class QToolButton;
class QWidget;
class SalePanel;
class Session;
class SalesNoteReport;
class SalesDetailsWindow;

// The main window's part: its grid with the print item, and the tool button "POS打印".
struct PrintingPlaces {
    QWidget* window = nullptr;
    DataGrid* inventoryGrid = nullptr;
    QAction* inventoryPrint = nullptr;
    QToolButton* posButton = nullptr;
};

// `receiptPdfFolder` (from --receipt-pdf) sends receipts into PDF files there; without it the
// setting `xiaopiaopdf` counts, then the default printer. Returns the POS panel it puts on the
// sales details window.
PosPanel* installPrinting(Session& session, const PrintingPlaces& places, SalesDetailsWindow& sales, ProductSummaryWindow& summary,
                          SalePanel& sale, const QString& receiptPdfFolder = {});

// Receipts go into PDF files in the folder --receipt-pdf names, else the setting `xiaopiaopdf`;
// none: to the printer.
void chooseReceiptPdfFolder(const QString& receiptPdfOption);

// "销售单打印" of the group " 个性信息设置": the sales note of the rows the sales grid lists.
void printSalesNote(const Session& session, SalesDetailsWindow& sales, SalesNoteReport& note);
