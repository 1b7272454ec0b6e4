// tovrakel-tool on a ledger of a PostgreSQL server: migrate copies a whole ledger between data.mdb
// and a server database and back without changing a value or an identity, refuses a target that
// holds a ledger and a copy that does not add up; the ledger commands take --database or the
// setting "database"; backup and restore serve a server's ledger through a data.mdb.
#include "store/database.h"
#include "store/sales_table.h"
#include "store/settings.h"
#include "store/table_description.h"
#include "store/user_tables.h"
#include "support/ledger_builder.h"
#include "support/ledger_rows.h"
#include "support/server_cluster.h"
#include "support/temp_workdir.h"
#include "support/tool_run.h"

#include <QtTest>

namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

qint64 maxIdentity(Database& db, const QString& table, const QString& column) {
    return db.scalar(QStringLiteral("select max(%1) from %2").arg(quoted(column), table)).toLongLong();
}

}  // namespace

class ToolMigrateTest : public QObject {
    Q_OBJECT

    ServerCluster* m_cluster = nullptr;
    std::unique_ptr<TempWorkdir> m_dir;
    QString m_source;  // a folder holding the ledger of fillShopLedger()

    // A new empty database on the test server.
    QString emptyServerDatabase() {
        static int made = 0;
        const QString name = QStringLiteral("migrate_%1").arg(++made);
        QString error;
        if (!m_cluster->createDatabase(name, &error))
            qFatal("%s", qPrintable(error));
        return name;
    }

    // "@" is the folder of the source ledger, "$name" the URI of that database on the test server.
    QString expand(QString text) const {
        text.replace(QLatin1Char('@'), m_source);
        static const QRegularExpression server(QStringLiteral("\\$([a-z_0-9]+)"));
        QRegularExpressionMatch m;
        while ((m = server.match(text)).hasMatch())
            text.replace(m.capturedStart(), m.capturedLength(), m_cluster->uri(m.captured(1)));
        return text;
    }

private slots:
    void initTestCase() {
        REQUIRE_SERVER_CLUSTER();
        QString error;
        m_cluster = ServerCluster::shared(&error);
        QVERIFY2(m_cluster, qPrintable(error));
    }

    void init() {
        m_dir = std::make_unique<TempWorkdir>();
        m_source = m_dir->file(QStringLiteral("shop"));
        QVERIFY(QDir().mkpath(m_source));
        Database::create(QDir(m_source).filePath(Database::kFileName));
        Database db;
        db.open(QDir(m_source).filePath(Database::kFileName));
        fillShopLedger(db);
    }
    void cleanup() { m_dir.reset(); }

    // From the file to a new server database and on into a new folder: every value, its kind and
    // every identity arrive; afterwards both number new rows past the copied ones.
    void roundTripKeepsEveryRow() {
        const QString uri = m_cluster->uri(emptyServerDatabase());
        const QString home = m_dir->file(QStringLiteral("home"));
        ToolRun r = runTool({"migrate", "--from", m_source, "--to", uri});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.out.contains("销售记录（data1） 3 条"), r.out.constData());
        r = runTool({"migrate", "--from", uri, "--to", home});
        QVERIFY2(r.exitCode == 0, r.err.constData());

        Database source, server, back;
        source.open(QDir(m_source).filePath(Database::kFileName));
        server.openServer(uri);
        back.open(QDir(home).filePath(Database::kFileName));
        QCOMPARE(firstDifference(source, server), QString());
        QCOMPARE(firstDifference(source, back), QString());

        for (Database* db : {&server, &back}) {
            for (const auto& [table, id] : {std::pair{QStringLiteral("data"), QStringLiteral("id")},
                                           std::pair{salesrecord::kTable, salesrecord::kId},
                                           std::pair{QStringLiteral("rz"), QStringLiteral("id")}}) {
                const qint64 copied = maxIdentity(*db, table, id);
                db->exec(QStringLiteral("insert into %1 (%2) values (?)")
                             .arg(table, table == QLatin1String("rz") ? QStringLiteral("username") : QStringLiteral("a")),
                         {QStringLiteral("新")});
                QVERIFY2(db->lastInsertId() > copied, qPrintable(table));
            }
        }
    }

    // A target that holds anything but the delivered administrator is left exactly as it was.
    void refusesATargetHoldingALedger_data() {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("says");
        QTest::newRow("stock in a file") << false << "insert into data (a) values ('x')" << "入库记录（data） 1 条";
        QTest::newRow("a sale on a server") << true << "insert into data1 (a) values ('x')" << "销售记录（data1） 1 条";
        QTest::newRow("a login in a file") << false << "insert into rz (username) values ('x')" << "登录日志（rz） 1 条";
        QTest::newRow("a cashier on a server") << true << "insert into userdb values ('收银员','1')" << "用户（userdb） 2 个";
        QTest::newRow("the administrator's own password")
            << false << "update userdb set passwd='999'" << "用户（userdb） 1 个";
    }
    void refusesATargetHoldingALedger() {
        QFETCH(bool, server);
        QFETCH(QString, statement);
        QFETCH(QString, says);
        Database target;
        QString address;
        if (server) {
            address = m_cluster->uri(emptyServerDatabase());
            target.openServer(address);
        } else {
            address = m_dir->file(QStringLiteral("other"));
            QVERIFY(QDir().mkpath(address));
            Database::create(QDir(address).filePath(Database::kFileName));
            target.open(QDir(address).filePath(Database::kFileName));
        }
        target.exec(statement);
        const QList<QList<QVariantList>> before = everyRow(target);

        const ToolRun r = runTool({"migrate", "--from", m_source, "--to", address});
        QCOMPARE(r.exitCode, 1);
        const QString said = QString::fromUtf8(r.err);
        QVERIFY2(said.contains(says) && said.contains(target.location()), qPrintable(said));
        QVERIFY(everyRow(target) == before);
    }

    // The copy is checked against the source: a server that alters a value on the way (here a
    // trigger) makes the whole copy undone, naming the table; a difference within a fen passes.
    void checksTheCopyAgainstTheSource_data() {
        QTest::addColumn<double>("skew");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("two fen off") << 0.02 << 1;
        QTest::newRow("within a fen") << 0.004 << 0;
    }
    void checksTheCopyAgainstTheSource() {
        QFETCH(double, skew);
        QFETCH(int, exitCode);
        const QString name = emptyServerDatabase();
        {
            Database prepared;
            prepared.openServer(m_cluster->uri(name));
        }
        QString error;
        QVERIFY2(m_cluster->execute(QStringLiteral(R"sql(
CREATE FUNCTION skew() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN NEW."4" := NEW."4" + %1; RETURN NEW; END $$;
CREATE TRIGGER skew BEFORE INSERT ON data1 FOR EACH ROW WHEN (NEW.a = '可乐') EXECUTE FUNCTION skew();
)sql").arg(skew),
                                     &error, name),
                 qPrintable(error));
        const ToolRun r = runTool({"migrate", "--from", m_source, "--to", m_cluster->uri(name)});
        QCOMPARE(r.exitCode, exitCode);
        Database target;
        target.openServer(m_cluster->uri(name));
        if (exitCode == 0) {
            QCOMPARE(target.scalar(QStringLiteral("select count(*) from data1")).toInt(), 3);
            return;
        }
        QVERIFY2(r.err.contains("销售记录（data1）") && r.err.contains("列 4 的合计"), r.err.constData());
        QCOMPARE(target.scalar(QStringLiteral("select count(*) from data1")).toInt(), 0);
        QCOMPARE(target.scalar(QStringLiteral("select count(*) from userdb")).toInt(), 1);
    }

    // Wrong calls and missing ledgers: nothing is made, and the message names what is missing.
    void refusedCalls_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("no target") << QStringList{"migrate", "--from", "@"} << 2 << "用法：tovrakel-tool migrate";
        QTest::newRow("unknown option") << QStringList{"migrate", "--from", "@", "--into", "@/new"} << 2 << "--into";
        QTest::newRow("missing source folder")
            << QStringList{"migrate", "--from", "@/none", "--to", "@/new"} << 1 << "@/none/data.mdb";
        QTest::newRow("missing server database")
            << QStringList{"migrate", "--from", "$nosuch", "--to", "@/new"} << 1 << "没有这个数据库";
        QTest::newRow("onto itself") << QStringList{"migrate", "--from", "@", "--to", "@/data.mdb"} << 1 << "同一个账本";
    }
    void refusedCalls() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        for (QString& arg : args)
            arg = expand(arg);
        const ToolRun r = runTool(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(r.err).contains(expand(says)), r.err.constData());
        QVERIFY(!QFileInfo::exists(expand(QStringLiteral("@/new/data.mdb"))));
    }

    // The ledger commands on a server's ledger: by --database, by the setting "database" when
    // neither option is given, --workdir before the setting; the file commands refuse it.
    void commandsTakeTheServerLedger_data() {
        QTest::addColumn<bool>("setting");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("export --database")
            << false << QStringList{"export", "sales", "@/s.xlsx", "--database", "$ledger"} << 0 << "已把 3 条记录写入";
        QTest::newRow("export inventory by the setting")
            << true << QStringList{"export", "inventory", "@/s.xlsx"} << 0 << "已把 2 条记录写入";
        QTest::newRow("--workdir before the setting")
            << true << QStringList{"export", "sales", "@/s.xlsx", "--workdir", "@/empty"} << 1 << "没有可导出的记录";
        QTest::newRow("both") << false
                              << QStringList{"export", "sales", "@/s.xlsx", "--workdir", "@", "--database", "$ledger"}
                              << 2 << "只能给出一个";
        QTest::newRow("receipt --database")
            << false
            << QStringList{"receipt", "--customer", "20240305001", "--printer", "/dev/null", "--database", "$ledger"}
            << 0 << "";
        QTest::newRow("backup by the setting") << true << QStringList{"backup", "@/b.mdb"} << 0 << "@/b.mdb";
        QTest::newRow("restore --database without the password")
            << false << QStringList{"restore", "@/b.mdb", "--database", "$ledger"} << 1 << "管理员密码不正确";
    }
    void commandsTakeTheServerLedger() {
        QFETCH(bool, setting);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        static QString ledger;
        if (ledger.isEmpty()) {
            ledger = emptyServerDatabase();
            QCOMPARE(runTool({"migrate", "--from", m_source, "--to", m_cluster->uri(ledger)}).exitCode, 0);
        }
        QVERIFY(QDir().mkpath(m_dir->file(QStringLiteral("shop/empty"))));
        Database::create(m_dir->file(QStringLiteral("shop/empty/data.mdb")));
        if (setting)
            WriteSetting(kMainKey, QStringLiteral("database"), m_cluster->uri(ledger));
        for (QString& arg : args)
            arg = expand(arg.replace(QStringLiteral("$ledger"), QLatin1Char('$') + ledger));
        const ToolRun r = runTool(args);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        QVERIFY2(QString::fromUtf8(r.out + r.err).contains(expand(says)), (r.out + r.err).constData());
    }

    // A backup of a server's ledger is a data.mdb holding every row, made again over an old one,
    // and restore puts it back as a file's ledger.
    void backupOfAServerLedger() {
        const QString uri = m_cluster->uri(emptyServerDatabase());
        QCOMPARE(runTool({"migrate", "--from", m_source, "--to", uri}).exitCode, 0);
        const QString nightly = m_dir->file(QStringLiteral("nightly.mdb"));
        for (int night = 0; night < 2; ++night) {
            const ToolRun r = runTool({"backup", nightly, "--database", uri});
            QVERIFY2(r.exitCode == 0 && r.out.contains(nightly.toUtf8()), (r.out + r.err).constData());
        }
        QVERIFY(!QFileInfo::exists(nightly + QStringLiteral(".part")));
        Database::verify(nightly);
        Database source, backup;
        source.open(QDir(m_source).filePath(Database::kFileName));
        backup.open(nightly);
        QCOMPARE(firstDifference(source, backup), QString());
        const QString home = m_dir->file(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        const ToolRun restored = runTool({"restore", nightly, "--workdir", home}, "888\n");
        QVERIFY2(restored.exitCode == 0, restored.err.constData());
    }

    // restore puts a backup back onto a server's ledger by --database or by the setting, with the
    // administrator's password on standard input, and says where it kept the ledger it replaced;
    // a wrong password changes nothing.
    void restoreOntoAServerLedger_data() {
        QTest::addColumn<bool>("setting");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("--database") << false << QByteArray("888\n") << 0;
        QTest::newRow("the setting") << true << QByteArray("888\r\n") << 0;
        QTest::newRow("the cashier's password") << false << QByteArray("123\n") << 1;
    }
    void restoreOntoAServerLedger() {
        QFETCH(bool, setting);
        QFETCH(QByteArray, password);
        QFETCH(int, exitCode);
        const QString uri = m_cluster->uri(emptyServerDatabase());
        QCOMPARE(runTool({"migrate", "--from", m_source, "--to", uri}).exitCode, 0);
        const QString nightly = m_dir->file(QStringLiteral("nightly/beifen.mdb"));
        QVERIFY(QDir().mkpath(QFileInfo(nightly).path()));
        QCOMPARE(runTool({"backup", nightly, "--database", uri}).exitCode, 0);
        Database server;
        server.openServer(uri);
        LedgerBuilder(server, QDate(2024, 3, 6)).addSale({.name = QStringLiteral("备份之后")});
        const QList<QList<QVariantList>> before = everyRow(server);

        QStringList args{"restore", nightly};
        if (setting)
            WriteSetting(kMainKey, QStringLiteral("database"), uri);
        else
            args << "--database" << uri;
        const ToolRun r = runTool(args, password);
        QVERIFY2(r.exitCode == exitCode, (r.out + r.err).constData());
        const QStringList kept = QDir(QFileInfo(nightly).path()).entryList({"data-before-restore-*.mdb"}, QDir::Files);
        if (exitCode != 0) {
            QVERIFY2(r.err.contains("管理员密码不正确"), r.err.constData());
            QVERIFY(everyRow(server) == before);
            QCOMPARE(kept, QStringList());
            return;
        }
        Database source;
        source.open(QDir(m_source).filePath(Database::kFileName));
        QCOMPARE(firstDifference(source, server), QString());
        QCOMPARE(kept.size(), 1);
        const QString safety = QDir(QFileInfo(nightly).path()).filePath(kept.first());
        QVERIFY2(r.out.contains(("恢复前服务器上的账本保存为 " + safety).toUtf8()), r.out.constData());
        Database old;
        old.open(safety);
        QVERIFY(everyRow(old) == before);
    }

    // A server that asks for a password the tool cannot find is named, with where to put it.
    void passwordTheToolCannotFind() {
        QString error;
        QVERIFY2(m_cluster->createRole(QStringLiteral("kasse"), QStringLiteral("geheim"), &error), qPrintable(error));
        QVERIFY2(m_cluster->createDatabase(QStringLiteral("kasse_ledger"), &error, QStringLiteral("kasse")),
                 qPrintable(error));
        QVERIFY2(m_cluster->requirePasswords(&error), qPrintable(error));
        const QString uri = m_cluster->uri(QStringLiteral("kasse_ledger"), QStringLiteral("kasse"));
        const QByteArray oldPassword = qgetenv("PGPASSWORD"), oldFile = qgetenv("PGPASSFILE");
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", m_dir->file(QStringLiteral("no-pgpass")).toUtf8());
        const ToolRun refused = runTool({"migrate", "--from", m_source, "--to", uri});
        qputenv("PGPASSWORD", "geheim");
        const ToolRun given = runTool({"migrate", "--from", m_source, "--to", uri});
        qputenv("PGPASSWORD", oldPassword);
        qputenv("PGPASSFILE", oldFile);
        if (oldPassword.isNull())
            qunsetenv("PGPASSWORD");
        if (oldFile.isNull())
            qunsetenv("PGPASSFILE");
        QCOMPARE(refused.exitCode, 1);
        const QString said = QString::fromUtf8(refused.err);
        QVERIFY2(said.contains(QStringLiteral("要求输入密码")) && said.contains(QStringLiteral("/kasse_ledger")) &&
                     said.contains(QStringLiteral("PGPASSWORD")),
                 qPrintable(said));
        QVERIFY2(given.exitCode == 0, given.err.constData());
    }
};

QTEST_GUILESS_MAIN(ToolMigrateTest)
#include "test_migrate.moc"
