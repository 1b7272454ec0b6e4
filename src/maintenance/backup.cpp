#include "maintenance/backup.h"

#include "store/database.h"
#include "store/store_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

const QString kDefaultRestoreSource = QStringLiteral("beifen.mdb");

QString defaultBackupPath() { return QDir::home().filePath(QStringLiteral("beifen.mdb")); }

namespace {

// A name beside `path` for a copy in progress.
QString partName(const QString& path) { return path + QStringLiteral(".part"); }

// Replaces `to` by `from` in one step, so `to` is never missing or half-written.
void replaceFile(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(from);
        throw StoreError(QStringLiteral("无法替换 %1：%2").arg(to, reason));
    }
}

// Copies through the engine into a part file, then puts it in place.
void copyInto(const QString& from, const QString& to) {
    const QString part = partName(to);
    QFile::remove(part);
    try {
        Database::copy(from, part);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    replaceFile(part, to);
}

}  // namespace

BackupPlan planBackup(const QString& target, const QString& databasePath) {
    BackupPlan plan;
    const QFileInfo info(target);
    // A folder as target receives the file under its own name.
    plan.file = info.isDir() ? QDir(target).filePath(QFileInfo(databasePath).fileName()) : info.absoluteFilePath();
    plan.replaces = QFileInfo::exists(plan.file);
    const QString folder = QFileInfo(plan.file).absolutePath();
    if (!QFileInfo(folder).isDir())
        plan.missingFolder = folder;
    return plan;
}

void backupDatabase(const QString& databasePath, const BackupPlan& plan) {
    if (QFileInfo(plan.file) == QFileInfo(databasePath))
        throw StoreError(QStringLiteral("备份文件不能是数据库文件本身：%1").arg(plan.file));
    if (!plan.missingFolder.isEmpty() && !QDir().mkpath(plan.missingFolder))
        throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(plan.missingFolder));
    if (QFileInfo(plan.file).isDir())
        throw StoreError(QStringLiteral("%1 是一个文件夹").arg(plan.file));
    copyInto(databasePath, plan.file);
}

QString restoreDatabase(const QString& source, const QString& databasePath, const QDateTime& now) {
    try {
        Database::verify(source);
    } catch (const StoreError& e) {
        throw StoreError(QStringLiteral("所选文件不是可以恢复的数据库：\n%1").arg(e.message()));
    }
    // Brought beside the database first, so the last step is one rename on the same disk.
    const QString incoming = partName(databasePath);
    QFile::remove(incoming);
    try {
        Database::copy(source, incoming);
        Database::verify(incoming);
    } catch (...) {
        QFile::remove(incoming);
        throw;
    }

    QString safety;
    if (QFileInfo::exists(databasePath)) {
        const QFileInfo db(databasePath);
        safety = db.dir().filePath(QStringLiteral("%1-before-restore-%2.%3")
                                       .arg(db.completeBaseName(), now.toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                            db.suffix()));
        QFile::remove(partName(safety));
        try {
            copyInto(databasePath, safety);
        } catch (const StoreError&) {
            // A damaged database may not open; its bytes are kept as they are.
            QFile::remove(safety);
            if (!QFile::copy(databasePath, safety)) {
                QFile::remove(incoming);
                throw StoreError(QStringLiteral("无法保存当前数据库的安全副本 %1").arg(safety));
            }
        }
    }
    // A journal left by the replaced file must not be applied to the restored one.
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(databasePath + QLatin1String(suffix));
    replaceFile(incoming, databasePath);
    return safety;
}
