#include "maintenance/backup.h"

#include "maintenance/ledger_copy.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "store/query.h"
#include "store/store_error.h"
#include "store/password_hash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const QString kDefaultRestoreSource = QStringLiteral("beifen.mdb");

QString defaultBackupPath() { return QDir::home().filePath(QStringLiteral("beifen.mdb")); }

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

// A name beside `path` for a copy in progress.
QString partName(const QString& path) { return path + QStringLiteral(".part"); }

QByteArray bytes(const QString& path) { return QFile::encodeName(path); }

// Why a file operation failed, in the program's words for what a shop meets; the system's own
// text for the rest.
QString reason() {
    switch (errno) {
    case EACCES:
    case EPERM: return QStringLiteral("没有权限");
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出了磁盘配额");
    case EROFS: return QStringLiteral("磁盘是只读的");
    case ENOENT: return QStringLiteral("文件夹不存在");
    case EEXIST: return QStringLiteral("旁边有无法清除的临时文件");  // only a copy's part is made exclusively
    case EISDIR: return QStringLiteral("是一个文件夹");
    case EIO: return QStringLiteral("读写磁盘出错");
    default: return QString::fromLocal8Bit(std::strerror(errno));
    }
}

// Removes what a killed copy to `path` left: the part and the engine's journal of the part.
void removeParts(const QString& path) {
    QFile::remove(partName(path));
    QFile::remove(partName(path) + QStringLiteral("-journal"));
}

// The mode a file replacing `path` keeps: that of the file there, or owner-only for a new one.
mode_t modeFor(const QString& path) {
    struct stat st;
    if (::stat(bytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    return kOwnerOnly;
}

// Creates an empty file with exactly `mode`, never through a link and never over a file. A failure
// names `shown`, the file the user knows, as the path may be a part of it.
void createEmpty(const QString& path, mode_t mode, const QString& shown) {
    const int fd = ::open(bytes(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
    if (fd < 0)
        throw StoreError(QStringLiteral("无法写入 %1（%2）").arg(shown, reason()));
    const bool ok = ::fchmod(fd, mode) == 0;
    ::close(fd);
    if (!ok)
        throw StoreError(QStringLiteral("无法设置 %1 的权限（%2）").arg(shown, reason()));
}

// Replaces `to` by `from` in one step, so `to` is never missing or half-written.
void replaceFile(const QString& from, const QString& to) {
    if (std::rename(bytes(from).constData(), bytes(to).constData()) != 0) {
        const QString why = reason();
        QFile::remove(from);
        throw StoreError(QStringLiteral("无法替换 %1（%2）").arg(to, why));
    }
}

// Puts `from` in place as `to` only when no file is there; false when one is.
bool placeNew(const QString& from, const QString& to) {
    if (::link(bytes(from).constData(), bytes(to).constData()) != 0) {
        if (errno == EEXIST)
            return false;
        const QString why = reason();
        QFile::remove(from);
        throw StoreError(QStringLiteral("无法保存 %1（%2）").arg(to, why));
    }
    QFile::remove(from);
    return true;
}

// Copies through the engine into a part file of the given mode. A failure names `shown`, the file
// the part becomes, and keeps the engine's words as the detail.
void copyToPart(const QString& from, const QString& part, mode_t mode, const QString& shown) {
    QFile::remove(part + QStringLiteral("-journal"));
    createEmpty(part, mode, shown);
    try {
        Database::copy(from, part);
    } catch (const StoreError& e) {
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        throw StoreError(QStringLiteral("无法写入 %1（%2）")
                             .arg(shown, QString(e.message()).replace(part, shown).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
}

// The bytes of `from` into a new owner-only file `to`, for a file the engine cannot read.
bool copyBytes(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    try {
        createEmpty(to, kOwnerOnly, to);
    } catch (const StoreError&) {
        return false;
    }
    QFile out(to);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::ExistingOnly);
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        ok = !chunk.isEmpty() || in.atEnd();
        ok = ok && out.write(chunk) == chunk.size();
    }
    ok = ok && out.flush();
    if (!ok)
        QFile::remove(to);
    return ok;
}

// The lock files this process holds for running on a database, by database path.
QHash<QString, int>& heldLocks() {
    static QHash<QString, int> held;
    return held;
}

// A running program holds a shared flock on "<database>.lock"; the kernel drops it when the
// process ends, even on a kill, and it never touches the engine's own locks on the database.
QString lockName(const QString& databasePath) {
    return QFileInfo(databasePath).absoluteFilePath() + QStringLiteral(".lock");
}

int openLockFile(const QString& databasePath) {
    return ::open(bytes(lockName(databasePath)).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
}

// Holds the database for the restore alone; a running program (another process) refuses it.
class ExclusiveHold {
public:
    explicit ExclusiveHold(const QString& databasePath) : m_name(lockName(databasePath)) {
        // This process's own mark gives way for the restore and is taken again afterwards.
        m_own = heldLocks().value(m_name, -1);
        if (m_own >= 0)
            ::flock(m_own, LOCK_UN);
        m_fd = openLockFile(databasePath);
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            release();
            throw StoreError(QStringLiteral("程序正在使用数据库 %1，请先关闭程序再恢复。").arg(databasePath));
        }
    }
    ~ExclusiveHold() { release(); }

private:
    void release() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (m_own >= 0)
            ::flock(m_own, LOCK_SH | LOCK_NB);
        m_own = -1;
    }
    QString m_name;
    int m_fd = -1;
    int m_own = -1;
};

// The administrator's password of the ledger open in `db` must be the one given.
void requireAdministrator(Database& db, const QString& password) {
    Dataset work(QStringLiteral("restore"), QString(), &db);
    OpenQuery(work, QStringLiteral("select passwd from userdb where username=?"), {Database::kAdministrator});
    int matches = 0;
    for (int row = 0; row < work.recordCount(); ++row)
        if (passwordMatches(work.text(row, 0), password.trimmed()))
            ++matches;
    if (matches != 1)
        throw StoreError(QStringLiteral("管理员密码不正确：恢复数据库需要当前数据库的管理员（%1）密码。")
                             .arg(Database::kAdministrator));
}

// When the database reads as a ledger, its administrator's password must be the one given.
void checkAdministrator(const QString& databasePath, const QString& password) {
    Database db;
    try {
        db.openReadOnly(databasePath);
        db.scalar(QStringLiteral("select count(*) from userdb"));
    } catch (const StoreError&) {
        return;  // missing or damaged: there is nothing left to protect
    }
    requireAdministrator(db, password);
}

// Only a sound ledger of ours is put back.
void checkRestorable(const QString& source) {
    try {
        Database::verify(source);
    } catch (const StoreError& e) {
        throw StoreError(QStringLiteral("所选文件 %1 不是可以恢复的数据库：\n%2").arg(source, e.message()));
    }
}

// A free name for the safety copy; a second restore in the same second gets "-2", "-3"...
QString safetyName(const QFileInfo& db, const QDateTime& now, int attempt) {
    QString name = QStringLiteral("%1-before-restore-%2")
                       .arg(db.completeBaseName(), now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (attempt > 1)
        name += QStringLiteral("-%1").arg(attempt);
    return db.dir().filePath(name + QLatin1Char('.') + db.suffix());
}

// Where the safety copy of `db` is made before it gets its dated name.
QString safetyPart(const QFileInfo& db) { return db.dir().filePath(QStringLiteral(".%1.safety.part").arg(db.fileName())); }

// Puts the finished `part` in place as the safety copy of `db`, never over an existing file;
// returns its name.
QString placeSafetyCopy(const QString& part, const QFileInfo& db, const QDateTime& now, const QString& shown) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString safety = safetyName(db, now, attempt);
        if (!QFileInfo::exists(safety) && placeNew(part, safety))
            return safety;
    }
    QFile::remove(part);
    throw StoreError(QStringLiteral("无法保存当前数据库的安全副本 %1").arg(shown));
}

// Keeps the replaced database as a new owner-only file that never replaces another; returns it.
QString keepSafetyCopy(const QString& databasePath, const QDateTime& now, bool readable) {
    const QFileInfo db(databasePath);
    const QString part = safetyPart(db);
    QFile::remove(part);
    if (readable) {
        try {
            copyToPart(databasePath, part, kOwnerOnly, part);
        } catch (const StoreError&) {
            readable = false;
        }
    }
    // A damaged database may not open; its bytes are kept as they are.
    if (!readable && !copyBytes(databasePath, part))
        throw StoreError(QStringLiteral("无法保存当前数据库的安全副本 %1").arg(databasePath));
    return placeSafetyCopy(part, db, now, databasePath);
}

// Writes the ledger open in `source` as a new data.mdb at `part` with `mode`, copied and checked
// as migrate copies, reading within the caller's transaction on `source`. A failure removes the part.
void writeSnapshot(Database& source, const QString& part, mode_t mode, const CopyProgress& progress) {
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
    try {
        Database::create(part);
        if (::chmod(bytes(part).constData(), mode) != 0)
            throw StoreError(QStringLiteral("无法设置 %1 的权限（%2）").arg(part, reason()));
        Database copy;
        copy.open(part);
        Transaction writing(copy);
        replaceLedgerRows(source, copy, progress);
        writing.commit();
    } catch (...) {
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        throw;
    }
}

// Makes the folder of a backup when the plan says so, and clears what a killed copy left there.
void prepareTarget(const BackupPlan& plan) {
    if (!plan.missingFolder.isEmpty() && !QDir().mkpath(plan.missingFolder))
        throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(plan.missingFolder));
    if (QFileInfo(plan.file).isDir())
        throw StoreError(QStringLiteral("%1 是一个文件夹").arg(plan.file));
    removeParts(plan.file);
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
    prepareTarget(plan);
    copyToPart(databasePath, partName(plan.file), modeFor(plan.file), plan.file);
    replaceFile(partName(plan.file), plan.file);
}

QString restoreDatabase(const QString& source, const QString& databasePath, const QDateTime& now,
                        const QString& administratorPassword) {
    ExclusiveHold hold(databasePath);
    // A crash may have left a hot journal: the engine rolls it back before anything is read.
    const bool readable = Database::settle(databasePath);
    checkAdministrator(databasePath, administratorPassword);
    checkRestorable(source);
    // Brought beside the database first, so the last step is one rename on the same disk.
    const QString incoming = partName(databasePath);
    removeParts(databasePath);
    copyToPart(source, incoming, modeFor(databasePath), databasePath);
    try {
        Database::verify(incoming);
    } catch (const StoreError& e) {
        removeParts(databasePath);
        throw StoreError(QStringLiteral("复制到 %1 的数据没有通过检查（%2）")
                             .arg(databasePath, QString(e.message()).replace(incoming, source)));
    }

    QString safety;
    if (QFileInfo::exists(databasePath)) {
        try {
            safety = keepSafetyCopy(databasePath, now, readable);
        } catch (...) {
            removeParts(databasePath);
            throw;
        }
    }
    // A journal that could not be rolled back belongs to the replaced file: it goes with the safety
    // copy (so that copy can still be repaired) and is never applied to the restored file.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString left = databasePath + QLatin1String(suffix);
        if (!QFileInfo::exists(left))
            continue;
        const QString keep = (safety.isEmpty() ? databasePath + QStringLiteral(".orphan") : safety) + QLatin1String(suffix);
        if (std::rename(bytes(left).constData(), bytes(keep).constData()) != 0) {
            removeParts(databasePath);
            throw StoreError(QStringLiteral("无法移开 %1（%2）").arg(left, reason()));
        }
    }
    replaceFile(incoming, databasePath);
    return safety;
}

void backupLedger(Database& source, const BackupPlan& plan, const CopyProgress& progress) {
    prepareTarget(plan);
    {
        // The ledger's writers wait meanwhile, so the copy and its check see one state of the books.
        Transaction reading(source);
        writeSnapshot(source, partName(plan.file), modeFor(plan.file), progress);
    }
    replaceFile(partName(plan.file), plan.file);
}

QString restoreServerLedger(Database& server, const QString& source, const QDateTime& now,
                            const QString& administratorPassword, const CopyProgress& progress) {
    requireAdministrator(server, administratorPassword);
    checkRestorable(source);
    Database backup;
    backup.openReadOnly(source);
    // Through the engine's own transaction: the other tills' writers wait, and hear of the new
    // books when it commits.
    Transaction writing(server);
    const QFileInfo beside(QFileInfo(source).absoluteDir().filePath(Database::kFileName));
    const QString part = safetyPart(beside);
    if (progress)
        progress(QStringLiteral("正在保存恢复前服务器上的账本……"));
    try {
        writeSnapshot(server, part, kOwnerOnly, progress);
    } catch (const StoreError& e) {
        throw StoreError(QStringLiteral("无法在文件夹 %1 中保存当前账本的安全副本，没有恢复：%2")
                             .arg(beside.absolutePath(), e.message()));
    }
    const QString safety = placeSafetyCopy(part, beside, now, server.location());
    if (progress)
        progress(QStringLiteral("正在用 %1 替换服务器上的账本……").arg(source));
    try {
        // A backup has no writers: it is read without a transaction, so read-only media serve.
        replaceLedgerRows(backup, server, progress);
    } catch (const StoreError& e) {
        // The books stay as they were, so their copy is no longer needed.
        QFile::remove(safety);
        throw StoreError(e.message() + QStringLiteral("\n服务器上的账本没有改变。"));
    }
    writing.commit();
    return safety;
}

QString restoreDatabase(Database& db, const QString& source, const QDateTime& now,
                        const QString& administratorPassword) {
    if (db.isServer()) {
        const QString safety = restoreServerLedger(db, source, now, administratorPassword);
        db.events().ledgerReplaced();
        return safety;
    }
    const QString path = db.path();
    if (path.isEmpty())
        throw StoreError(QStringLiteral("数据库没有打开"));
    const bool wasOpen = db.isOpen();
    db.close();  // its file is replaced beneath it
    QString safety;
    try {
        safety = restoreDatabase(source, path, now, administratorPassword);
    } catch (...) {
        if (wasOpen) {
            try {
                db.open(path);
            } catch (const StoreError&) {
                // the restore's own reason is the one to tell
            }
        }
        throw;
    }
    db.open(path);
    db.events().ledgerReplaced();
    return safety;
}

bool holdDatabaseWhileRunning(const QString& databasePath) {
    const QString name = lockName(databasePath);
    if (heldLocks().contains(name))
        return true;
    const int fd = openLockFile(databasePath);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    heldLocks().insert(name, fd);
    return true;
}
