#pragma once
// The writes of stock batches (table data): a new stock-in, a modification (a return lowers its
// quantity) and a deletion. Each runs in one transaction and, once committed, the database's events
// tell stockChanged.
#include "inventory/stock_record.h"

#include <QtGlobal>

class Database;
struct StockInEntry;

// Stores a new batch from the stock-in panel's entry and returns its identity. Throws like
// stockRecordFields() before anything is written.
qint64 addStockBatch(Database& db, const StockInEntry& entry);
// Rewrites the batch with this identity from the entry, whose sold and stock figures were computed
// from `asRead`; StoreError when the batch is no longer there or was sold from since.
void modifyStockBatch(Database& db, qint64 id, const StockInEntry& entry, const SoldFigures& asRead);
// Deletes the batch with this identity; StoreError when it is no longer there.
void deleteStockBatch(Database& db, qint64 id);
