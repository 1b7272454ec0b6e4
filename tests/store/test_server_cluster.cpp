// The throw-away PostgreSQL server the server-engine tests run on: it starts from nothing, answers
// on its socket only, survives being killed with what it committed, offers the extensions the
// ledger needs, asks for passwords when told to, and leaves nothing behind.
#include "support/server_cluster.h"

#include <QtTest>

#include <libpq-fe.h>

#include <cstdio>
#include <memory>

namespace {

struct ConnectionCloser {
    void operator()(PGconn* c) const { PQfinish(c); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;

Connection connectTo(const QString& uri) { return Connection(PQconnectdb(uri.toUtf8().constData())); }

// The first value of a statement's result, or "error: <message>".
QString valueOf(PGconn* c, const char* sql) {
    PGresult* r = PQexec(c, sql);
    const ExecStatusType status = PQresultStatus(r);
    QString value;
    if (status == PGRES_TUPLES_OK && PQntuples(r) > 0)
        value = QString::fromUtf8(PQgetvalue(r, 0, 0));
    else if (status != PGRES_COMMAND_OK)
        value = QStringLiteral("error: ") + QString::fromUtf8(PQerrorMessage(c)).trimmed();
    PQclear(r);
    return value;
}

}  // namespace

class ServerClusterTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        REQUIRE_SERVER_CLUSTER();
        // Only the URI decides who connects how.
        for (const char* name : {"PGPASSWORD", "PGPASSFILE", "PGSERVICE", "PGOPTIONS"})
            qunsetenv(name);
    }

    // Start, work, be killed mid-transaction, come back with what was committed and without what
    // was not; and nothing of it stays once the cluster goes.
    void survivesAnImmediateStopAndLeavesNothing() {
        QString folder;
        {
            ServerCluster cluster;
            QString error;
            QVERIFY2(cluster.start(&error), qPrintable(error));
            QVERIFY(cluster.isRunning());
            folder = cluster.socketFolder();
            QVERIFY(cluster.uri(QStringLiteral("postgres")).startsWith(QStringLiteral("postgresql:///postgres?host=/")));

            Connection c = connectTo(cluster.uri(QStringLiteral("postgres")));
            QVERIFY2(PQstatus(c.get()) == CONNECTION_OK, PQerrorMessage(c.get()));
            QVERIFY2(valueOf(c.get(), "select version()").startsWith(QStringLiteral("PostgreSQL ")),
                     qPrintable(valueOf(c.get(), "select version()")));
            QVERIFY(valueOf(c.get(), "show server_version_num").toInt() >= 130000);
            // No TCP port: the socket in the folder is the only way in.
            QCOMPARE(valueOf(c.get(), "show listen_addresses"), QString());
            QCOMPARE(valueOf(c.get(), "show unix_socket_directories"), folder);
            QCOMPARE(valueOf(c.get(), "select current_user"), QString::fromLatin1(ServerCluster::kSuperuser));
            QCOMPARE(valueOf(c.get(), "show server_encoding"), QStringLiteral("UTF8"));

            QCOMPARE(valueOf(c.get(), "create table kept(n int); insert into kept values (1)"), QString());
            QCOMPARE(valueOf(c.get(), "begin; insert into kept values (2)"), QString());
            cluster.stopImmediately();
            QVERIFY(!cluster.isRunning());
            QVERIFY(valueOf(c.get(), "commit").startsWith(QStringLiteral("error: ")));
            QCOMPARE(PQstatus(connectTo(cluster.uri(QStringLiteral("postgres"))).get()), CONNECTION_BAD);

            QVERIFY2(cluster.start(&error), qPrintable(error));
            c = connectTo(cluster.uri(QStringLiteral("postgres")));
            QVERIFY2(PQstatus(c.get()) == CONNECTION_OK, PQerrorMessage(c.get()));
            QCOMPARE(valueOf(c.get(), "select string_agg(n::text, ',') from kept"), QStringLiteral("1"));
        }
        QVERIFY(!folder.isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
    }

    // A shop's database with the case-blind text type, a till's own role, and passwords asked
    // once the server is told to.
    void databasesRolesAndPasswords() {
        ServerCluster cluster;
        QString error;
        QVERIFY2(cluster.start(&error), qPrintable(error));
        QVERIFY2(cluster.createRole(QStringLiteral("kasse1"), QStringLiteral("geh'eim 1"), &error), qPrintable(error));
        QVERIFY2(cluster.createDatabase(QStringLiteral("shop"), &error, QStringLiteral("kasse1")), qPrintable(error));
        QVERIFY(!cluster.createDatabase(QStringLiteral("shop"), &error));
        QVERIFY2(error.contains(QStringLiteral("already exists")), qPrintable(error));

        {
            // The database's owner may add the extension; it is not the superuser's privilege.
            Connection c = connectTo(cluster.uri(QStringLiteral("shop"), QStringLiteral("kasse1")));
            QVERIFY2(PQstatus(c.get()) == CONNECTION_OK, PQerrorMessage(c.get()));
            QCOMPARE(valueOf(c.get(), "create extension citext"), QString());
            QCOMPARE(valueOf(c.get(), "select 'Hong Mian'::citext = 'hong MIAN'"), QStringLiteral("t"));
            QCOMPARE(valueOf(c.get(), "select '红棉'::citext = '红棉'"), QStringLiteral("t"));
        }

        QVERIFY2(cluster.requirePasswords(&error), qPrintable(error));
        struct Case {
            const char* name;
            QString uri;
            const char* refusal;  // nullptr: connects
        };
        const Case cases[] = {
            {"right password", cluster.uri(QStringLiteral("shop"), QStringLiteral("kasse1"), QStringLiteral("geh'eim 1")),
             nullptr},
            {"wrong password", cluster.uri(QStringLiteral("shop"), QStringLiteral("kasse1"), QStringLiteral("geheim")),
             "password authentication failed"},
            {"no password", cluster.uri(QStringLiteral("shop"), QStringLiteral("kasse1")), "no password supplied"},
            {"superuser", cluster.uri(QStringLiteral("shop")), nullptr},
            {"missing database", cluster.uri(QStringLiteral("lager")), "does not exist"},
        };
        for (const Case& k : cases) {
            Connection c = connectTo(k.uri);
            const QString message = QString::fromUtf8(PQerrorMessage(c.get()));
            if (!k.refusal)
                QVERIFY2(PQstatus(c.get()) == CONNECTION_OK, qPrintable(QString::fromLatin1(k.name) + QStringLiteral(": ") + message));
            else
                QVERIFY2(PQstatus(c.get()) == CONNECTION_BAD && message.contains(QLatin1String(k.refusal)),
                         qPrintable(QString::fromLatin1(k.name) + QStringLiteral(": ") + message));
        }
    }

    // A test that dies without cleaning up takes its server with it, and the next cluster made
    // removes the folder it left.
    void aDeadTestsClusterGoesWithTheNextOne() {
        QProcess test;
        test.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-cluster-and-wait")});
        QVERIFY2(test.waitForStarted(30000), qPrintable(test.errorString()));
        while (!test.canReadLine() && test.waitForReadyRead(60000)) {
        }
        const QStringList started = QString::fromLocal8Bit(test.readLine()).trimmed().split(QLatin1Char(' '));
        QCOMPARE(started.size(), 2);
        const QString folder = started[0];
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/data/PG_VERSION")));
        test.kill();
        QVERIFY(test.waitForFinished(30000));
        // The server saw its test go: it has shut down (its pid file goes last) and nothing
        // answers on the socket any more.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(folder + QStringLiteral("/data/postmaster.pid")), 30000);
        QCOMPARE(PQping(started[1].toUtf8().constData()), PQPING_NO_RESPONSE);
        QVERIFY(QFileInfo::exists(folder));

        ServerCluster next;
        QVERIFY(!QFileInfo::exists(folder));
    }

    // One server per test program: started once, the same each time it is asked for.
    void sharedClusterIsStartedOnce() {
        QString error;
        ServerCluster* first = ServerCluster::shared(&error);
        QVERIFY2(first, qPrintable(error));
        QVERIFY(first->isRunning());
        QCOMPARE(ServerCluster::shared(), first);
        QCOMPARE(first->queryValue(QStringLiteral("select 6 * 7")), QStringLiteral("42"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The test that dies: starts a cluster, tells its folder and URI, and waits to be killed.
    if (argc == 2 && qstrcmp(argv[1], "--start-cluster-and-wait") == 0) {
        ServerCluster cluster;
        QString error;
        if (!cluster.start(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s %s\n", qPrintable(cluster.socketFolder()), qPrintable(cluster.uri(QStringLiteral("postgres"))));
        std::fflush(stdout);
        std::getchar();
        return 0;
    }
    ServerClusterTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_server_cluster.moc"
