#pragma once
// Backup and restore of data.mdb: consistent copies through the engine, a check of what is
// restored, and a dated safety copy of the database a restore replaces.
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
QString restoreDatabase(Database& db, const QString& source, const QDateTime& now,
                        const QString& administratorPassword);

// Marks the database as held by this running program until the process ends, so a restore from
// another process refuses to replace it. Returns false when the mark cannot be made.
bool holdDatabaseWhileRunning(const QString& databasePath);
