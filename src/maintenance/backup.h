#pragma once
// Backup and restore of data.mdb: consistent copies through the engine, a check of what is
// restored, and a dated safety copy of the database a restore replaces. A ledger on a server is
// backed up as a data.mdb too, and put back from one, so one backup format serves both engines.
#include "maintenance/ledger_copy.h"

#include <QDateTime>
#include <QString>

class Database;

// The backup path offered when none is remembered: beifen.mdb in the user's home folder.
QString defaultBackupPath();
// The restore source offered at first: beifen.mdb in the working folder.
extern const QString kDefaultRestoreSource;

// Where a backup to `target` goes and what must be asked first.
struct BackupPlan {
    QString file;           // the file written (inside `target` when it names a folder)
    bool replaces = false;  // a file is there already
    QString missingFolder;  // the folder to create first, or ""
};
BackupPlan planBackup(const QString& target, const QString& databasePath);

// Copies the database to plan.file, creating the missing folder; the copy is made beside the
// target and renamed over it only when complete, with the mode of the file it replaces (a new one
// is readable by the owner only). Parts left by a killed earlier copy are removed first. Throws
// StoreError with the reason.
void backupDatabase(const QString& databasePath, const BackupPlan& plan);

// Writes the ledger open in `source` (a server's) to plan.file as a data.mdb, creating the missing
// folder: copied and checked as migrate copies, within one transaction on the source, into a part
// renamed over the target only when complete (keeping the mode of the file it replaces). Throws
// StoreError with the reason.
void backupLedger(Database& source, const BackupPlan& plan, const CopyProgress& progress = {});

// Replaces the server's ledger open in `server` by the backup at `source` (a data.mdb), after
// checking that `administratorPassword` is the password of the server ledger's administrator and
// that the backup is a sound database of ours, as the file restore checks. Within one transaction
// on the server, the ledger is first kept as a dated safety copy data-before-restore-<date>-<time>.mdb
// beside the backup (never over an existing file; its path is returned), then its four tables are
// replaced by the backup's rows with their identities and checked by counts and sums before the
// commit, which tells the other tills. Throws StoreError; the server's ledger stays as it was (and
// no safety copy is left) on any failure before the commit.
QString restoreServerLedger(Database& server, const QString& source, const QDateTime& now,
                            const QString& administratorPassword, const CopyProgress& progress = {});

// Replaces the database with the backup at `source`, after checking that it is a sound database of
// ours, that no running program holds the database, and that `administratorPassword` is the
// password of the administrator of the database being replaced (asked only when that database can
// be read). The replaced database is first kept beside it as a dated safety copy, never over an
// existing file, whose path is returned ("" when there was no database to keep). Throws
// StoreError; the database stays as it was on any failure.
QString restoreDatabase(const QString& source, const QString& databasePath, const QDateTime& now,
                        const QString& administratorPassword);
// The same over the file of the program's connection: closed while its file is replaced, then open
// on the restored ledger, and the database's events tell ledgerReplaced. After a failure the
// connection is open again on the database as it stayed when it was open before, and nothing is told.
// A connection to a server's ledger restores it by restoreServerLedger() and then tells ledgerReplaced.
QString restoreDatabase(Database& db, const QString& source, const QDateTime& now,
                        const QString& administratorPassword);

// Marks the database as held by this running program until the process ends, so a restore from
// another process refuses to replace it. Returns false when the mark cannot be made.
bool holdDatabaseWhileRunning(const QString& databasePath);
