#pragma once
// Deleting a sale: the sales record goes, and its quantity, amount and stock value go back to the
// stock record (batch) it was sold from, in one transaction.
#include <QString>

class Database;

// The new figures of the batch: sold quantity and sales amount go down, the stock quantity and the
// stock value at purchase price go up. Each is the general number text read back, as written.
struct RestoredStock {
    double sold = 0;         // `5` - q
    double salesAmount = 0;  // `6` - m
    double stock = 0;        // `7` + q
    double stockValue = 0;   // q * p + `8`
};

// The batch's `5`, `6`, `7`, `8` and the sale's quantity, amount and purchase price as texts;
// throws ConversionError naming an empty or non-numeric text.
RestoredStock restoreStock(const QString& sold, const QString& salesAmount, const QString& stock,
                           const QString& stockValue, const QString& quantity, const QString& amount,
                           const QString& purchasePrice);

struct SaleDeletion {
    bool stockRestored = false;  // false: no batch matched, only the sale was deleted
    qint64 stockId = 0;
};

// Deletes the sales record with this ID. Its batch is the stock record that agrees exactly in
// name, model, code and category, whose stock-in date is the sale's and whose purchase price is
// the one the sale kept (an empty and a missing value count as equal, text case as the store
// compares it, prices to 15 significant digits), and whose sold quantity is at least the sale's;
// of several, the oldest. When none fits, only the sale goes and no stock comes back. All or
// nothing: on any error (a figure that is no number, the sale no longer there, the engine) neither
// record changes and the error propagates. Once committed, the database's events tell saleDeleted
// with the batch that took the stock back (0 when none did).
SaleDeletion deleteSale(Database& db, qint64 saleId);

// What the user is told after a deletion: whether the stock came back.
QString saleDeletionMessage(const SaleDeletion& deletion);
