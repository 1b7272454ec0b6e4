#pragma once
// Which ledger a subcommand works on: "--database URI" (a ledger on a PostgreSQL server),
// "--workdir DIR" (the data.mdb there), or, with neither, the setting "database" of the program's
// main key, else the data.mdb of the current folder.
#include <QMap>
#include <QString>

class Database;

struct LedgerPlace {
    QString uri;     // the server's connection URI, or empty for a file
    QString folder;  // the folder of data.mdb, or empty for a server

    bool onServer() const { return !uri.isEmpty(); }
    QString file() const;  // folder/data.mdb
};

extern const QString kDatabaseOption;  // "--database"
extern const QString kWorkdirOption;   // "--workdir"

// The place the options name; false (and said why on standard error) when both are given.
bool ledgerPlace(const QMap<QString, QString>& options, LedgerPlace* place);

// Opens the ledger at `place`; throws StoreError. A server that wants a password we do not have is
// reported with where libpq looks for one.
void openLedger(Database& db, const LedgerPlace& place);

// True when `address` names a server (a postgresql:// or postgres:// URI) rather than a folder.
bool isServerAddress(const QString& address);
// The server's ledger at a URI; throws StoreError as openLedger() does.
void openServerLedger(Database& db, const QString& uri);
