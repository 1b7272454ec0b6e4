#pragma once
// One till selling from a batch as the sale panel does: the batch read afresh, the checks of a
// confirmation, every value converted, and both records written together. When another till sold
// from the batch between the read and the write, the sale is refused; the till reads the batch
// again and confirms once more, as the cashier does after the message. Used by the concurrency
// test and by bench/tills, each running tills in several processes against one ledger.
#include "inventory/stock_record.h"
#include "sales/sale_entry.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/stock_table.h"
#include "store/table_description.h"
#include "store/store_error.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <iostream>
#include <string>

// A ledger as a till is given it: a libpq connection URI, a data.mdb file or the folder holding one.
inline bool isServerLedger(const QString& ledger) {
    return ledger.startsWith(QLatin1String("postgresql:")) || ledger.startsWith(QLatin1String("postgres:"));
}

inline void openTillLedger(Database& db, const QString& ledger) {
    if (isServerLedger(ledger))
        db.openServer(ledger);
    else
        db.open(QFileInfo(ledger).isDir() ? QDir(ledger).filePath(Database::kFileName) : ledger);
}

// Tells the process that started the till that it is ready, then waits for "go" on the input, so
// every till starts selling at the same moment. False when something else came.
inline bool readyThenWaitForGo() {
    std::cout << "ready" << std::endl;
    std::string go;
    return std::getline(std::cin, go) && go == "go";
}

// One unit at `price`, sold on `day` to a walk-in customer, nothing owed.
inline SaleEntryTexts oneUnitSale(const QString& price, const QDate& day) {
    SaleEntryTexts entry;
    entry.price = price;
    entry.quantity = QStringLiteral("1");
    entry.arrears = QStringLiteral("0");
    entry.saleDate = day.toString(QStringLiteral("yyyy-MM-dd"));
    entry.customerName = QStringLiteral("散客");
    return entry;
}

enum class TillOutcome { Sold, StockShort };

struct TillSale {
    TillOutcome outcome = TillOutcome::Sold;
    int conflicts = 0;  // refusals because another till had just sold from the batch
};

// A batch taken into stock, nothing sold from it yet.
struct TillBatch {
    QString name, model, code, category;
    double purchasePrice = 0, units = 0, salesPrice = 0;
    QDate stockInDate;
};

inline void addBatch(Database& db, const TillBatch& b) {
    db.exec(insertStatement(stockTable(), {stock::kName, stock::kModel, stock::kCode, stock::kCategory,
                                           stock::kPurchasePrice, stock::kQuantity, stock::kPurchaseAmount,
                                           stock::kSalesPrice, stock::kSoldQuantity, stock::kSalesTotal,
                                           stock::kStockQuantity, stock::kStockAmount, stock::kDate}),
            {b.name, b.model, b.code, b.category, b.purchasePrice, b.units, b.units * b.purchasePrice, b.salesPrice,
             0, 0, b.units, b.units * b.purchasePrice, b.stockInDate});
}

// The batch as the inventory grid would show it now.
inline StockRecord readBatch(Database& db, qint64 stockId) {
    Dataset batch(QStringLiteral("TillBatch"), {}, &db);
    batch.setStatement(QStringLiteral("select * from %1 where %2=?").arg(stock::kTable, stock::kId), {stockId});
    if (batch.isEmpty())
        throw StoreError(QStringLiteral("batch %1 is gone").arg(stockId));
    return stockRecordAt(batch, 0);
}

// Sells `entry` from the batch; throws StoreError for anything but short stock and a batch another
// till changed meanwhile (retried at most `maxConflicts` times).
// With `newOrderDay` valid, the entry's customer number is a new order's, as the panel hands out.
inline TillSale sellFromBatch(Database& db, qint64 stockId, const SaleEntryTexts& entry, int maxConflicts = 10000,
                              const QDate& newOrderDay = {}) {
    TillSale result;
    for (;;) {
        const StockRecord stock = readBatch(db, stockId);
        const SaleCheck check = checkSale(entry, stock);
        if (check.refusal == SaleRefusal::StockShort) {
            result.outcome = TillOutcome::StockShort;
            return result;
        }
        if (check.refusal != SaleRefusal::None || !check.figures)
            throw StoreError(refusalMessage(check.refusal));
        try {
            SaleRecord record = prepareSale(stock, entry, *check.figures);
            record.newOrderDay = newOrderDay;
            recordSale(record, db);
            return result;
        } catch (const StoreError&) {
            // Only a batch whose figures moved since the read was sold from elsewhere; any other
            // failure is the till's.
            const StockRecord now = readBatch(db, stockId);
            const bool soldElsewhere =
                now.soldQuantity != stock.soldQuantity || now.stockQuantity != stock.stockQuantity;
            if (!soldElsewhere || ++result.conflicts > maxConflicts)
                throw;
        }
    }
}
