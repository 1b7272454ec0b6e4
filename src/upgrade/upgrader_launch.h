#pragma once
// Writing out the upgrader the program carries and the command line it is started with.
#include <QString>
#include <QStringList>

// Where the upgrader was written, or why it could not be.
struct UpgraderFile {
    QString path;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Writes the bytes of `source` (a resource such as ":/upgrade/upgrader") unchanged into a fresh
// folder of ours under the first of `baseFolders` that takes it, as the file "upgrader", runnable
// by the user only. A private folder, so nobody else can swap the file before it runs.
UpgraderFile writeUpgrader(const QString& source, const QStringList& baseFolders);

// Removes upgrader folders of ours left in `baseFolders` by earlier upgrades.
void removeLeftoverUpgraders(const QStringList& baseFolders);

// The program's full path, then "+" + the program's own options + the restart argument + the
// method digit ("0" or "1"). The options come first, quoted as the upgrader splits them again
// (QProcess::splitCommand), so the method digit stays the last character it reads.
QStringList upgraderArguments(const QString& programPath, const QString& restartParams, int method,
                              const QStringList& options = {});
