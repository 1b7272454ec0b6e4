#pragma once
// migrate --from DIR_OR_URI --to DIR_OR_URI: copies a whole ledger between data.mdb and a
// PostgreSQL server, in one transaction on the target, and checks the copy against the source.
#include <QStringList>

int runMigrate(const QStringList& args);
