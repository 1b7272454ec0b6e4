#pragma once
// Builds the sales records windows into the program: the sales details window Txstj and the
// product summary TForm1, created hidden and owned by the main window, and their commands wired.
class TForm1;
class TMainForm;
class Txstj;

struct SalesRecordsWindows {
    Txstj* salesDetails = nullptr;
    TForm1* summary = nullptr;
};

SalesRecordsWindows installSalesRecords(TMainForm& form);

// The windows of a main window (null before installSalesRecords), for the sale panel and printing.
Txstj* salesDetailsWindow(const TMainForm& form);
TForm1* productSummaryWindow(const TMainForm& form);
