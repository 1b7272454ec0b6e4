#pragma once
// Builds the sales records windows into the program: the sales details window SalesDetailsWindow and the
// product summary ProductSummaryWindow, created hidden and owned by the main window, and their commands wired.
class ProductSummaryWindow;
class MainWindow;
class SalesDetailsWindow;

struct SalesRecordsWindows {
    SalesDetailsWindow* salesDetails = nullptr;
    ProductSummaryWindow* summary = nullptr;
};

SalesRecordsWindows installSalesRecords(MainWindow& form);

// The windows of a main window (null before installSalesRecords), for the sale panel and printing.
SalesDetailsWindow* salesDetailsWindow(const MainWindow& form);
ProductSummaryWindow* productSummaryWindow(const MainWindow& form);
