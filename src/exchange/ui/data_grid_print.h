#pragma once
// "打 印" of a grid: the shared grid widget printed with its title, maker line and page numbers,
// in the print preview.
#include "exchange/grid_print_layout.h"

class DataGrid;
class QAction;
class Session;
class QWidget;

// The fixed print settings of one window's grid.
struct GridPrintOptions {
    QString title;           // "销 售 统 计 报 表" …
    QString macro;           // "%[Today]" or "%[Today1]"
    int blankLinesAfterTitle = 1;
    int blanksAfterMacro = 1;
};

// The settings of the three grids.
GridPrintOptions inventoryGridPrint();   // main window
GridPrintOptions salesGridPrint();       // sales details window
GridPrintOptions summaryGridPrint();     // product summary window

// What the grid shows now: its visible columns in order with their titles, widths and colours,
// every displayed cell, the row colours and the footer.
GridPrintTable gridPrintTable(const DataGrid& grid);
// The maker line with the macro substituted: "制表人：" + user + "    日期：" + today.
QString gridMakerLine(const GridPrintOptions& options, const QString& user, const QString& date);

// Opens the print preview of the grid (the logged-in user, today's date).
void printDataGrid(const Session& session, QWidget* parent, const DataGrid& grid, const GridPrintOptions& options);
// Makes a pop-up item "打 印" print `grid` and enables it.
void connectGridPrint(const Session& session, QAction* item, QWidget* parent, const DataGrid& grid,
                      const GridPrintOptions& options);
