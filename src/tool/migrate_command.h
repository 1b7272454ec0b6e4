#pragma once
// migrate --from DIR_OR_URI --to DIR_OR_URI: copies a whole ledger between data.mdb and a
// PostgreSQL server, in one transaction on the target, and checks the copy against the source.
#include <QStringList>

class Database;

int runMigrate(const QStringList& args);

// Copies the ledger open in `source` into `target`, which must hold none, in one transaction on
// the target, and checks the copy against the source; returns the rows copied of each table, for
// the user. Throws StoreError naming what stands in the way or what differs.
QString copyLedger(Database& source, Database& target);
