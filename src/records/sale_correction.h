#pragma once
// Correcting a sale: the arrears and the customer's particulars of one sales record change; the
// goods, figures and dates stay as they were sold.
#include <QString>

class Database;
class Dataset;

// The correction as typed in the sales record panel.
struct SaleCorrectionTexts {
    QString arrears;
    QString customerNumber, customerName, address, contact, remark;
};

// Writes the correction to the sales record with this ID in one transaction: the arrears as a plain
// non-negative decimal, the texts trimmed. Throws ConversionError naming an arrears text that is no
// such number and StoreError when the record is no longer there or its six fields no longer show
// `asRead` (the panel's texts when it opened: another till corrected it since); then nothing is
// written. Once committed, the database's events tell saleCorrected.
void correctSale(Database& db, qint64 saleId, const SaleCorrectionTexts& correction,
                 const SaleCorrectionTexts& asRead);

// The six fields of the current record of a sales query, as the panel shows them.
SaleCorrectionTexts correctionTextsOf(const Dataset& sales);
