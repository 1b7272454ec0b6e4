// The server's client library is opened only with a ledger on a server: a ledger in a data file
// never maps libpq and the libraries it brings, and a missing libpq is told in the user's words.
#include "store/database.h"
#include "store/server_client.h"
#include "store/store_error.h"
#include "support/ledger_builder.h"
#include "support/server_cluster.h"
#include "support/temp_workdir.h"
#include "support/tool_run.h"

#include <QtTest>

namespace {

// The tool's run with the dynamic loader telling each library it maps on its error output.
ToolRun runToolTellingLibraries(const QStringList& args) {
    qputenv("LD_DEBUG", "files");
    ToolRun run = runTool(args);
    qunsetenv("LD_DEBUG");
    return run;
}

}  // namespace

class ServerClientTest : public QObject {
    Q_OBJECT
private slots:
    void libpqOnlyWithServerLedger() {
        TempWorkdir dir;
        const QString shop = dir.file(QStringLiteral("shop"));
        QCOMPARE(runTool({"init", "--workdir", shop}).exitCode, 0);
        {
            Database db;
            db.open(QDir(shop).filePath(Database::kFileName));
            LedgerBuilder(db, QDate(2024, 3, 5)).addBatch({});
        }
        const ToolRun file = runToolTellingLibraries(
            {"export", "summary", dir.file(QStringLiteral("file.csv")), "--workdir", shop});
        QVERIFY2(file.exitCode == 0, file.err.right(2000).constData());
        QVERIFY2(file.err.contains("libsqlite3"), "LD_DEBUG tells no libraries here");
        QVERIFY2(!file.err.contains("libpq.so"), "a ledger in a data file mapped libpq");

        REQUIRE_SERVER_CLUSTER();
        QString error;
        ServerCluster* cluster = ServerCluster::shared(&error);
        QVERIFY2(cluster, qPrintable(error));
        QVERIFY2(cluster->createDatabase(QStringLiteral("client_library"), &error), qPrintable(error));
        {
            Database db;
            db.openServer(cluster->uri(QStringLiteral("client_library")));
            LedgerBuilder(db, QDate(2024, 3, 5)).addBatch({});
        }
        const ToolRun server = runToolTellingLibraries({"export", "summary", dir.file(QStringLiteral("server.csv")),
                                                        "--database", cluster->uri(QStringLiteral("client_library"))});
        QVERIFY2(server.exitCode == 0, server.err.right(2000).constData());
        QVERIFY(server.err.contains("libpq.so.5"));
        QVERIFY(QFileInfo::exists(dir.file(QStringLiteral("server.csv"))));
    }

    void missingLibraryIsTold() {
        try {
            loadServerClient(QStringLiteral("tovrakel-no-such-client"), 5);
            QFAIL("a missing library loaded");
        } catch (const StoreError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("无法载入数据库服务器的客户端库 libpq")), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(ServerClientTest)
#include "test_server_client.moc"
