// Backup and restore of data.mdb: consistent copies, checks before a restore, the safety copy; and
// the same for a ledger on a server, backed up as and put back from a data.mdb.
#include "maintenance/backup.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/store_error.h"
#include "store/password_hash.h"
#include "support/ledger_rows.h"
#include "support/server_cluster.h"
#include "support/test_session.h"

#include <QDir>
#include <QtTest>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kPassword = QStringLiteral("888");

mode_t modeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// A file system that answers the first shared-lock request on data.mdb with "busy", as when the
// program is committing a sale at that moment; everything else goes to the real one.
namespace busy {
sqlite3_vfs* real = nullptr;
sqlite3_vfs vfs;
sqlite3_io_methods methods;
int refusalsLeft = 0;
struct File {
    sqlite3_file base;
    sqlite3_file* inner;
    bool ledger;
};
sqlite3_file* in(sqlite3_file* f) { return reinterpret_cast<File*>(f)->inner; }
int xClose(sqlite3_file* f) {
    const int rc = in(f)->pMethods ? in(f)->pMethods->xClose(in(f)) : SQLITE_OK;
    sqlite3_free(in(f));
    return rc;
}
int xLock(sqlite3_file* f, int level) {
    if (reinterpret_cast<File*>(f)->ledger && level == SQLITE_LOCK_SHARED && refusalsLeft > 0) {
        --refusalsLeft;
        return SQLITE_BUSY;
    }
    return in(f)->pMethods->xLock(in(f), level);
}
int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    file->inner = static_cast<sqlite3_file*>(sqlite3_malloc(real->szOsFile));
    std::memset(file->inner, 0, size_t(real->szOsFile));
    const int rc = real->xOpen(real, name, file->inner, flags, outFlags);
    if (rc != SQLITE_OK) {
        sqlite3_free(file->inner);
        return rc;
    }
    file->ledger = (flags & SQLITE_OPEN_MAIN_DB) && name && QByteArray(name).endsWith("/data.mdb");
    const sqlite3_io_methods* m = file->inner->pMethods;
    methods = *m;
    methods.xClose = xClose;
    methods.xLock = xLock;
    methods.xRead = [](sqlite3_file* x, void* b, int n, sqlite3_int64 o) { return in(x)->pMethods->xRead(in(x), b, n, o); };
    methods.xWrite = [](sqlite3_file* x, const void* b, int n, sqlite3_int64 o) { return in(x)->pMethods->xWrite(in(x), b, n, o); };
    methods.xTruncate = [](sqlite3_file* x, sqlite3_int64 n) { return in(x)->pMethods->xTruncate(in(x), n); };
    methods.xSync = [](sqlite3_file* x, int n) { return in(x)->pMethods->xSync(in(x), n); };
    methods.xFileSize = [](sqlite3_file* x, sqlite3_int64* n) { return in(x)->pMethods->xFileSize(in(x), n); };
    methods.xUnlock = [](sqlite3_file* x, int n) { return in(x)->pMethods->xUnlock(in(x), n); };
    methods.xCheckReservedLock = [](sqlite3_file* x, int* n) { return in(x)->pMethods->xCheckReservedLock(in(x), n); };
    methods.xFileControl = [](sqlite3_file* x, int op, void* a) { return in(x)->pMethods->xFileControl(in(x), op, a); };
    methods.xSectorSize = [](sqlite3_file* x) { return in(x)->pMethods->xSectorSize(in(x)); };
    methods.xDeviceCharacteristics = [](sqlite3_file* x) { return in(x)->pMethods->xDeviceCharacteristics(in(x)); };
    // No shared memory or memory mapping: the ledger uses neither.
    methods.iVersion = 1;
    file->base.pMethods = &methods;
    return SQLITE_OK;
}
// Installed as the default file system for the life of the test program.
void install() {
    if (real)
        return;
    real = sqlite3_vfs_find(nullptr);
    vfs = *real;
    vfs.zName = "busy-once";
    vfs.szOsFile = int(sizeof(File));
    vfs.xOpen = xOpen;
    sqlite3_vfs_register(&vfs, 1);
}
}  // namespace busy

}  // namespace

class BackupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    const QDateTime m_now = kTestNow;

    QString dbPath() { return m_session->file(Database::kFileName); }
    int stockIn(const QString& path) {
        Database db;
        db.open(path);
        return db.scalar(QStringLiteral("select count(*) from data")).toInt();
    }
    void addStock(Database& db, int n) {
        LedgerBuilder ledger(db, m_now.date());
        for (int i = 0; i < n; ++i)
            ledger.addBatch({.name = QStringLiteral("商品%1").arg(i)});
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(m_session->file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

    // A new ledger on the test server, returned as its database's name: three batches and a sale,
    // the administrator's password "boss42" and a cashier 张三 with "clerk1".
    QString serverLedger() {
        static int made = 0;
        const QString name = QStringLiteral("restore_%1").arg(++made);
        QString error;
        const QString uri = ServerCluster::newSharedDatabase(name, &error);
        if (uri.isEmpty())
            qFatal("%s", qPrintable(error));
        Database db;
        db.openServer(uri);
        addStock(db, 3);
        LedgerBuilder ledger(db, m_now.date());
        ledger.addSale({.name = QStringLiteral("服务器上的")});
        ledger.addUser(QStringLiteral("张三"), QStringLiteral("clerk1"));
        db.exec("update userdb set passwd=? where username=?", {hashPassword("boss42"), Database::kAdministrator});
        return name;
    }
    QString serverUri(const QString& name) { return ServerCluster::shared()->uri(name); }
    // The shop's books as a backup in a folder of its own.
    QString shopBackup() {
        QDir().mkpath(m_session->file("copies"));
        const QString path = m_session->file("copies/beifen.mdb");
        Database::create(path);
        Database db;
        db.open(path);
        fillShopLedger(db);
        return path;
    }
    QStringList leftInCopies() {
        return QDir(m_session->file("copies")).entryList({"*before-restore*", "*.part*"}, QDir::Files | QDir::Hidden);
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(m_now);
    }
    void cleanup() { m_session.reset(); }

    // The program holds the database open, with a transaction running on it: the backup is the
    // committed state, and a sound database of ours.
    void backupWhileTheProgramHoldsTheDatabase() {
        addStock(dm().connection(), 3);
        Transaction open(dm().connection());
        addStock(dm().connection(), 2);  // not committed
        const BackupPlan plan = planBackup(m_session->file("copies/backup.mdb"), dbPath());
        QCOMPARE(plan.missingFolder, m_session->file("copies"));
        QVERIFY(!plan.replaces);
        backupDatabase(dbPath(), plan);
        open.commit();
        Database::verify(plan.file);
        QCOMPARE(stockIn(plan.file), 3);
        QVERIFY(!QFile::exists(plan.file + ".part"));
    }

    void backupTargets() {
        // A folder receives data.mdb under its own name.
        QDir().mkpath(m_session->file("folder"));
        BackupPlan plan = planBackup(m_session->file("folder"), dbPath());
        QCOMPARE(plan.file, QDir(m_session->file("folder")).filePath("data.mdb"));
        QVERIFY(plan.missingFolder.isEmpty());
        // An existing file is reported and, once agreed, replaced whole.
        const QString old = writeFile("old.mdb", "some old bytes");
        plan = planBackup(old, dbPath());
        QVERIFY(plan.replaces);
        backupDatabase(dbPath(), plan);
        Database::verify(old);
        // The database itself is never its own backup.
        QVERIFY_THROWS_EXCEPTION(StoreError, backupDatabase(dbPath(), planBackup(dbPath(), dbPath())));
        Database::verify(dbPath());
    }

    void backupFailure() {
        const QString blocker = writeFile("blocker", "a file where a folder should be");
        const BackupPlan plan = planBackup(blocker + "/sub/backup.mdb", dbPath());
        QVERIFY_THROWS_EXCEPTION(StoreError, backupDatabase(dbPath(), plan));
    }

    void restoreValidBackup() {
        addStock(dm().connection(), 2);
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        addStock(dm().connection(), 5);  // newer work, then the database is "lost"
        dm().closeConnection();

        const QString safety = restoreDatabase(backup, dbPath(), m_now, kPassword);
        QCOMPARE(QFileInfo(safety).fileName(), QStringLiteral("data-before-restore-20240305-093015.mdb"));
        QCOMPARE(stockIn(dbPath()), 2);
        QCOMPARE(stockIn(safety), 7);  // nothing lost: the replaced database is kept
        dm().reopenConnection();
        QCOMPARE(dm().connection().scalar("select count(*) from data").toInt(), 2);
        QVERIFY(!QFile::exists(dbPath() + ".part"));
    }

    // Restored through the program's connection: it is open on the restored ledger and the views
    // hear of it once; a refused restore leaves it open on the ledger as it was and tells nothing.
    void restoreThroughTheConnectionTellsTheViews() {
        Database& db = dm().connection();
        addStock(db, 2);
        const QString backup = QFileInfo(dbPath()).dir().filePath(QStringLiteral("beifen.mdb"));
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        addStock(db, 5);
        QSignalSpy replaced(&db.events(), &LedgerEvents::ledgerReplaced);
        QVERIFY_THROWS_EXCEPTION(StoreError, restoreDatabase(db, backup, m_now, QStringLiteral("wrong")));
        QCOMPARE(replaced.size(), 0);
        QCOMPARE(db.scalar("select count(*) from data").toInt(), 7);
        QVERIFY(!restoreDatabase(db, backup, m_now, kPassword).isEmpty());
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(db.scalar("select count(*) from data").toInt(), 2);
    }

    void restoreWhenTheDatabaseIsGone() {
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        dm().closeConnection();
        QVERIFY(QFile::remove(dbPath()));
        QCOMPARE(restoreDatabase(backup, dbPath(), m_now, kPassword), QString());
        Database::verify(dbPath());
    }

    void restoreOfADamagedDatabaseKeepsItsBytes() {
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        dm().closeConnection();
        QFile::remove(dbPath());
        writeFile(Database::kFileName, QByteArray(3000, 'x'));
        const QString safety = restoreDatabase(backup, dbPath(), m_now, kPassword);
        QFile kept(safety);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(3000, 'x'));
        Database::verify(dbPath());
    }

    void restoreRefusesWhatIsNotOurs_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("other SQLite database") << "foreign";
        QTest::newRow("damaged database") << "damaged";
        QTest::newRow("missing file") << "missing";
        QTest::newRow("four tables with other columns") << "columns";
    }
    void restoreRefusesWhatIsNotOurs() {
        QFETCH(QString, kind);
        addStock(dm().connection(), 4);
        QString source = m_session->file("source.mdb");
        if (kind == "text") {
            writeFile("source.mdb", "这不是数据库");
        } else if (kind == "foreign") {
            Database::create(source);
            Database db;
            db.open(source);
            db.exec("drop table rz");
        } else if (kind == "columns") {
            Database::create(source);
            Database db;
            db.open(source);
            db.exec("alter table data1 rename column day6 to day7");
        } else if (kind == "damaged") {
            backupDatabase(dbPath(), planBackup(source, dbPath()));
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);  // the whole second page: the root of a table
            f.write(QByteArray(4096, '\xff'));
        }
        dm().closeConnection();
        QVERIFY_THROWS_EXCEPTION(StoreError, restoreDatabase(source, dbPath(), m_now, kPassword));
        QCOMPARE(stockIn(dbPath()), 4);
        QCOMPARE(QDir(m_session->path()).entryList({"*before-restore*", "*.part"}, QDir::Files), QStringList());
        dm().reopenConnection();
    }

    // The check before a backup waits for a ledger that is busy for a moment, as the copy does.
    void checkWaitsForABusyLedger() {
        busy::install();
        busy::refusalsLeft = 1;
        Database::verify(dbPath());
        QCOMPARE(busy::refusalsLeft, 0);
    }

    // A killed backup left its part and the part's journal; the next backup removes both.
    void backupRemovesWhatAKilledBackupLeft() {
        const QString target = m_session->file("nightly.mdb");
        writeFile("nightly.mdb.part", QByteArray(5000, 'p'));
        writeFile("nightly.mdb.part-journal", QByteArray(5000, 'j'));
        backupDatabase(dbPath(), planBackup(target, dbPath()));
        Database::verify(target);
        QVERIFY(!QFile::exists(target + ".part"));
        QVERIFY(!QFile::exists(target + ".part-journal"));
    }

    // A folder stands where a copy's part goes: the refusal names the file the user gave (the
    // backup or the ledger), never the part, and says why in the program's words.
    void failuresNameTheUsersFile_data() {
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("named");
        QTest::newRow("backup") << "nightly.mdb.part" << false << "nightly.mdb";
        QTest::newRow("restore") << "data.mdb.part" << true << "data.mdb";
        QTest::newRow("safety copy") << ".data.mdb.safety.part" << true << "data.mdb";
    }
    void failuresNameTheUsersFile() {
        QFETCH(QString, blocked);
        QFETCH(bool, restore);
        QFETCH(QString, named);
        const QString backup = m_session->file("nightly.mdb");
        if (restore) {
            backupDatabase(dbPath(), planBackup(backup, dbPath()));
            dm().closeConnection();
        }
        QVERIFY(QDir().mkpath(m_session->file(blocked)));
        QString message;
        try {
            if (restore)
                restoreDatabase(backup, dbPath(), m_now, kPassword);
            else
                backupDatabase(dbPath(), planBackup(backup, dbPath()));
        } catch (const StoreError& e) {
            message = e.message();
        }
        if (restore)
            dm().reopenConnection();
        QVERIFY2(message.contains(m_session->file(named)), qPrintable(message));
        QVERIFY2(!message.contains(QStringLiteral(".part")), qPrintable(message));
        QVERIFY2(!message.contains(QRegularExpression(QStringLiteral("\\b[a-z]+\\s+[a-z]+\\b"),
                                                      QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(message));
    }

    // New files are for the owner only; a replaced file keeps its mode.
    void fileModes() {
        QCOMPARE(modeOf(dbPath()), mode_t(0600));
        const QString fresh = m_session->file("fresh.mdb");
        backupDatabase(dbPath(), planBackup(fresh, dbPath()));
        QCOMPARE(modeOf(fresh), mode_t(0600));
        QVERIFY(::chmod(QFile::encodeName(fresh).constData(), 0640) == 0);
        backupDatabase(dbPath(), planBackup(fresh, dbPath()));
        QCOMPARE(modeOf(fresh), mode_t(0640));

        QVERIFY(::chmod(QFile::encodeName(dbPath()).constData(), 0660) == 0);
        dm().closeConnection();
        const QString safety = restoreDatabase(fresh, dbPath(), m_now, kPassword);
        QCOMPARE(modeOf(dbPath()), mode_t(0660));
        QCOMPARE(modeOf(safety), mode_t(0600));
        dm().reopenConnection();
    }

    // Only the administrator of the ledger being replaced may replace it: an old backup's
    // password and another user's password do not count.
    void restoreNeedsTheAdministratorPassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("restored");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("initial password of the backup") << "888" << false;
        QTest::newRow("the clerk's password") << "clerk1" << false;
        QTest::newRow("administrator") << "boss42" << true;
        QTest::newRow("administrator, other letter case") << "BOSS42" << true;
    }
    void restoreNeedsTheAdministratorPassword() {
        QFETCH(QString, typed);
        QFETCH(bool, restored);
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));  // an empty ledger, password 888
        Database& db = dm().connection();
        db.exec("update userdb set passwd=? where username=?", {hashPassword("boss42"), Database::kAdministrator});
        db.exec("insert into userdb values (?,?)", {QStringLiteral("张三"), hashPassword("clerk1")});
        addStock(db, 4);
        dm().closeConnection();
        if (restored) {
            QVERIFY(!restoreDatabase(backup, dbPath(), m_now, typed).isEmpty());
            QCOMPARE(stockIn(dbPath()), 0);
        } else {
            try {
                restoreDatabase(backup, dbPath(), m_now, typed);
                QFAIL("restored without the administrator's password");
            } catch (const StoreError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("管理员密码")), qPrintable(e.message()));
            }
            QCOMPARE(stockIn(dbPath()), 4);
            QCOMPARE(QDir(m_session->path()).entryList({"*before-restore*", "*.part"}, QDir::Files), QStringList());
        }
        dm().reopenConnection();
    }

    // Two restores in one second: each replaced ledger keeps its own safety copy.
    void safetyCopiesAreNeverReplaced() {
        addStock(dm().connection(), 1);
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        addStock(dm().connection(), 2);  // 3 records: the only copy of this state is the first safety copy
        dm().closeConnection();
        const QString first = restoreDatabase(backup, dbPath(), m_now, kPassword);
        const QString second = restoreDatabase(backup, dbPath(), m_now, kPassword);
        QVERIFY(first != second);
        QCOMPARE(stockIn(first), 3);
        QCOMPARE(stockIn(second), 1);
        dm().reopenConnection();
    }

    // Another running program holds the ledger: the restore refuses and changes nothing; once it
    // has ended, the restore goes ahead. The program's own hold does not stop its own restore.
    void restoreRefusesALedgerAnotherProgramRuns() {
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        addStock(dm().connection(), 2);
        dm().closeConnection();
        int held[2], release[2];
        QVERIFY(::pipe(held) == 0 && ::pipe(release) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(release[1]);
            char c = holdDatabaseWhileRunning(dbPath()) ? '1' : '0';
            (void)!::write(held[1], &c, 1);
            (void)!::read(release[0], &c, 1);  // runs until the test lets it end
            ::_exit(0);
        }
        char c = 0;
        QVERIFY(::read(held[0], &c, 1) == 1 && c == '1');
        QVERIFY_THROWS_EXCEPTION(StoreError, restoreDatabase(backup, dbPath(), m_now, kPassword));
        QCOMPARE(stockIn(dbPath()), 2);
        (void)!::write(release[1], "x", 1);
        ::close(release[1]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ::close(held[0]);
        ::close(held[1]);
        ::close(release[0]);

        QVERIFY(holdDatabaseWhileRunning(dbPath()));
        restoreDatabase(backup, dbPath(), m_now, kPassword);
        QCOMPARE(stockIn(dbPath()), 0);
        dm().reopenConnection();
    }

    // A crash left a hot journal beside the ledger: it is rolled back before the safety copy is
    // made, so that copy holds the committed records, and the restored file is not touched by it.
    void restoreAfterACrashRollsTheJournalBack() {
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        const QString crashed = m_session->file("crashed/data.mdb");
        QDir().mkpath(m_session->file("crashed"));
        {
            Database db;
            Database::create(crashed);
            db.open(crashed);
            addStock(db, 3);
            db.exec("PRAGMA cache_size=10");
            Transaction t(db);
            const QString filler(500, QChar(u'货'));
            LedgerBuilder ledger(db, m_now.date());
            for (int i = 0; i < 500; ++i)
                ledger.addBatch({.name = "未提交", .model = filler});
            // The files as a power cut leaves them: changed pages in the ledger, the journal beside it.
            QVERIFY(QFile::exists(crashed + "-journal"));
            QVERIFY(QFile::copy(crashed, m_session->file("crashed/copy")));
            QVERIFY(QFile::copy(crashed + "-journal", m_session->file("crashed/copy-journal")));
        }
        QFile::remove(crashed);
        QFile::remove(crashed + "-journal");
        QVERIFY(QFile::rename(m_session->file("crashed/copy"), crashed));
        QVERIFY(QFile::rename(m_session->file("crashed/copy-journal"), crashed + "-journal"));

        const QString safety = restoreDatabase(backup, crashed, m_now, kPassword);
        Database::verify(safety);
        QCOMPARE(stockIn(safety), 3);
        QVERIFY(!QFile::exists(crashed + "-journal"));
        Database::verify(crashed);
        QCOMPARE(stockIn(crashed), 0);
    }

    // A server's ledger put back from a data.mdb by its administrator: every row of the backup to
    // the fen with its identity, the numbering past the copied identities, the replaced books kept
    // beside the backup, the program's views told once and the other tills told by the server.
    void restoreOntoAServerReplacesItsLedger() {
        REQUIRE_SERVER_CLUSTER();
        const QString uri = serverUri(serverLedger());
        const QString backup = shopBackup();
        Database server, otherTill;
        server.openServer(uri);
        otherTill.openServer(uri);
        const QList<QList<QVariantList>> before = everyRow(server);
        QSignalSpy replaced(&server.events(), &LedgerEvents::ledgerReplaced);
        QSignalSpy heard(&otherTill.events(), &LedgerEvents::changedElsewhere);

        const QString safety = restoreDatabase(server, backup, m_now, QStringLiteral("boss42"));
        QCOMPARE(safety, m_session->file("copies/data-before-restore-20240305-093015.mdb"));
        QCOMPARE(modeOf(safety), mode_t(0600));
        Database restored, kept;
        restored.openReadOnly(backup);
        kept.openReadOnly(safety);
        QCOMPARE(firstDifference(restored, server), QString());
        QVERIFY(everyRow(kept) == before);
        QCOMPARE(replaced.size(), 1);
        QVERIFY(heard.wait(10000));
        QCOMPARE(otherTill.scalar("select count(*) from data").toInt(), 2);
        LedgerBuilder ledger(server, m_now.date());
        QVERIFY(ledger.addBatch({}) > 1000);
        QVERIFY(ledger.addSale({}) > restored.scalar("select max(id) from data1").toLongLong());

        // Again in the same second, now with the restored books' administrator: a copy of its own.
        const QString second = restoreDatabase(server, backup, m_now, Database::kInitialPassword);
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("data-before-restore-20240305-093015-2.mdb"));
        QStringList both{QFileInfo(safety).fileName(), QFileInfo(second).fileName()};
        both.sort();
        QCOMPARE(leftInCopies(), both);
    }

    // Refused before anything is written: only the administrator of the server's ledger may
    // replace it, and only by a sound ledger of ours. The ledger, the views and the folder stay.
    void restoreOntoAServerRefuses_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("backupBytes");  // empty: the shop's backup
        QTest::addColumn<QString>("says");
        QTest::newRow("no password") << "" << QByteArray() << "管理员密码不正确";
        QTest::newRow("the cashier's password") << "clerk1" << QByteArray() << "管理员密码不正确";
        QTest::newRow("the backup's administrator") << "888" << QByteArray() << "管理员密码不正确";
        QTest::newRow("not a database") << "boss42" << QByteArray("no database") << "不是可以恢复的数据库";
        QTest::newRow("cut short") << "boss42" << QByteArray("half") << "不是可以恢复的数据库";
        QTest::newRow("another program's database") << "boss42" << QByteArray("foreign") << "不是可以恢复的数据库";
    }
    void restoreOntoAServerRefuses() {
        REQUIRE_SERVER_CLUSTER();
        QFETCH(QString, typed);
        QFETCH(QByteArray, backupBytes);
        QFETCH(QString, says);
        Database server;
        server.openServer(serverUri(serverLedger()));
        const QString backup = shopBackup();
        if (backupBytes == "half") {
            QFile f(backup);
            QVERIFY(f.resize(f.size() / 2));
        } else if (backupBytes == "foreign") {
            QFile::remove(backup);
            sqlite3* other = nullptr;
            sqlite3_open(QFile::encodeName(backup).constData(), &other);
            sqlite3_exec(other, "create table notes (a text); insert into notes values ('x')", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        } else if (!backupBytes.isEmpty()) {
            QFile f(backup);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(backupBytes);
        }
        const QList<QList<QVariantList>> before = everyRow(server);
        QSignalSpy replaced(&server.events(), &LedgerEvents::ledgerReplaced);
        try {
            restoreDatabase(server, backup, m_now, typed);
            QFAIL("restored");
        } catch (const StoreError& e) {
            QVERIFY2(e.message().contains(says), qPrintable(e.message()));
        }
        QVERIFY(everyRow(server) == before);
        QCOMPARE(replaced.size(), 0);
        QCOMPARE(leftInCopies(), QStringList());
    }

    // A failure halfway through the copy (the server refuses a row, alters a sum, or the
    // connection breaks) undoes it all: the ledger is as it was, and no safety copy stays behind.
    void restoreOntoAServerFailingMidwayChangesNothing_data() {
        QTest::addColumn<QString>("sabotage");
        QTest::addColumn<QString>("says");
        QTest::newRow("a row the server refuses") << R"sql(
CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '磁盘已满'; END $$;
CREATE TRIGGER refuse BEFORE INSERT ON data1 FOR EACH ROW WHEN (NEW.a = '退货') EXECUTE FUNCTION refuse();
)sql" << "磁盘已满";
        QTest::newRow("a sum off by two fen") << R"sql(
CREATE FUNCTION skew() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN NEW."4" := NEW."4" + 0.02; RETURN NEW; END $$;
CREATE TRIGGER skew BEFORE INSERT ON data1 FOR EACH ROW WHEN (NEW.a = '可乐') EXECUTE FUNCTION skew();
)sql" << "列 4 的合计";
        QTest::newRow("the connection breaks") << R"sql(
CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;
CREATE TRIGGER cut BEFORE INSERT ON rz FOR EACH ROW EXECUTE FUNCTION cut();
)sql" << "连接断开";
    }
    void restoreOntoAServerFailingMidwayChangesNothing() {
        REQUIRE_SERVER_CLUSTER();
        QFETCH(QString, sabotage);
        QFETCH(QString, says);
        const QString name = serverLedger();
        const QString backup = shopBackup();
        Database server;
        server.openServer(serverUri(name));
        const QList<QList<QVariantList>> before = everyRow(server);
        QString error;
        QVERIFY2(ServerCluster::shared()->execute(sabotage, &error, name), qPrintable(error));
        try {
            restoreDatabase(server, backup, m_now, QStringLiteral("boss42"));
            QFAIL("restored");
        } catch (const StoreError& e) {
            QVERIFY2(e.message().contains(says) && e.message().contains(QStringLiteral("服务器上的账本没有改变")),
                     qPrintable(e.message()));
        }
        Database check;
        check.openServer(serverUri(name));
        QVERIFY(everyRow(check) == before);
        QCOMPARE(leftInCopies(), QStringList());
    }
};

QTEST_GUILESS_MAIN(BackupTest)
#include "test_backup.moc"
