// Backup and restore of data.mdb: consistent copies, checks before a restore, the safety copy.
#include "maintenance/backup.h"
#include "store/data_module.h"
#include "store/store_error.h"
#include "support/temp_workdir.h"

#include <QDir>
#include <QtTest>

class BackupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkdir> m_dir;
    const QDateTime m_now{QDate(2024, 3, 5), QTime(9, 30, 15)};

    QString dbPath() { return m_dir->file(Database::kFileName); }
    int stockIn(const QString& path) {
        Database db;
        db.open(path);
        return db.scalar(QStringLiteral("select count(*) from data")).toInt();
    }
    void addStock(Database& db, int n) {
        for (int i = 0; i < n; ++i)
            db.exec(QStringLiteral("insert into data (a) values (?)"), {QStringLiteral("商品%1").arg(i)});
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(m_dir->file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

private slots:
    void init() {
        m_dir = std::make_unique<TempWorkdir>();
        m_dir->openNewDatabase();
    }
    void cleanup() { m_dir.reset(); }

    // The program holds the database open, with a transaction running on it: the backup is the
    // committed state, and a sound database of ours.
    void backupWhileTheProgramHoldsTheDatabase() {
        addStock(dm().connection(), 3);
        Transaction open(dm().connection());
        addStock(dm().connection(), 2);  // not committed
        const BackupPlan plan = planBackup(m_dir->file("copies/backup.mdb"), dbPath());
        QCOMPARE(plan.missingFolder, m_dir->file("copies"));
        QVERIFY(!plan.replaces);
        backupDatabase(dbPath(), plan);
        open.commit();
        Database::verify(plan.file);
        QCOMPARE(stockIn(plan.file), 3);
        QVERIFY(!QFile::exists(plan.file + ".part"));
    }

    void backupTargets() {
        // A folder receives data.mdb under its own name.
        QDir().mkpath(m_dir->file("folder"));
        BackupPlan plan = planBackup(m_dir->file("folder"), dbPath());
        QCOMPARE(plan.file, QDir(m_dir->file("folder")).filePath("data.mdb"));
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
        const QString backup = m_dir->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        addStock(dm().connection(), 5);  // newer work, then the database is "lost"
        dm().closeConnection();

        const QString safety = restoreDatabase(backup, dbPath(), m_now);
        QCOMPARE(QFileInfo(safety).fileName(), QStringLiteral("data-before-restore-20240305-093015.mdb"));
        QCOMPARE(stockIn(dbPath()), 2);
        QCOMPARE(stockIn(safety), 7);  // nothing lost: the replaced database is kept
        dm().reopenConnection();
        QCOMPARE(dm().connection().scalar("select count(*) from data").toInt(), 2);
        QVERIFY(!QFile::exists(dbPath() + ".part"));
    }

    void restoreWhenTheDatabaseIsGone() {
        const QString backup = m_dir->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        dm().closeConnection();
        QVERIFY(QFile::remove(dbPath()));
        QCOMPARE(restoreDatabase(backup, dbPath(), m_now), QString());
        Database::verify(dbPath());
    }

    void restoreOfADamagedDatabaseKeepsItsBytes() {
        const QString backup = m_dir->file("beifen.mdb");
        backupDatabase(dbPath(), planBackup(backup, dbPath()));
        dm().closeConnection();
        QFile::remove(dbPath());
        writeFile(Database::kFileName, QByteArray(3000, 'x'));
        const QString safety = restoreDatabase(backup, dbPath(), m_now);
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
    }
    void restoreRefusesWhatIsNotOurs() {
        QFETCH(QString, kind);
        addStock(dm().connection(), 4);
        QString source = m_dir->file("source.mdb");
        if (kind == "text") {
            writeFile("source.mdb", "这不是数据库");
        } else if (kind == "foreign") {
            Database::create(source);
            Database db;
            db.open(source);
            db.exec("drop table rz");
        } else if (kind == "damaged") {
            backupDatabase(dbPath(), planBackup(source, dbPath()));
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);  // the whole second page: the root of a table
            f.write(QByteArray(4096, '\xff'));
        }
        dm().closeConnection();
        QVERIFY_THROWS_EXCEPTION(StoreError, restoreDatabase(source, dbPath(), m_now));
        QCOMPARE(stockIn(dbPath()), 4);
        QCOMPARE(QDir(m_dir->path()).entryList({"*before-restore*", "*.part"}, QDir::Files), QStringList());
        dm().reopenConnection();
    }
};

QTEST_GUILESS_MAIN(BackupTest)
#include "test_backup.moc"
