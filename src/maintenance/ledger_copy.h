#pragma once
// A whole ledger copied from one connection to another, whichever engine each is on: the four
// tables with their identities, a block of rows at a time, checked by counts and sums against the
// source before anything is kept. migrate, the backup of a server's ledger and its restore share it.
#include <QString>
#include <functional>

class Database;

// Told a line for the user as a copy goes on: each table, every tenth of a large one, the check.
using CopyProgress = std::function<void(const QString& line)>;

// Copies the ledger open in `source` into `target`, which must hold none, in one transaction on
// the target, and checks the copy against the source; returns the rows copied of each table, for
// the user. The source's writers wait meanwhile. Throws StoreError naming what stands in the way
// or what differs; the target is then as it was.
QString copyLedger(Database& source, Database& target, const CopyProgress& progress = {});

// Replaces every row of the four tables of `target` by those of `source`, identities kept (the
// numbering moves past the highest copied one), and checks the copy as copyLedger() does. Takes no
// transaction: the caller holds one on each side, so that its rollback undoes a failed copy.
QString replaceLedgerRows(Database& source, Database& target, const CopyProgress& progress = {});
