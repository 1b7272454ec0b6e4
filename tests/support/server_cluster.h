#pragma once
// A throw-away PostgreSQL server for tests: initdb into a temporary folder, a server that listens
// only on a Unix socket in that folder, stopped and removed with the object.
//
//     REQUIRE_SERVER_CLUSTER();               // skips (fails under CI) when PostgreSQL is missing
//     ServerCluster cluster;
//     QString error;
//     QVERIFY2(cluster.start(&error), qPrintable(error));
//     QVERIFY2(cluster.createDatabase("shop", &error), qPrintable(error));
//     PGconn* c = PQconnectdb(cluster.uri("shop").toUtf8());
//
// Root may not run the server programs, and CI runs as root: then they run as the user nobody,
// who owns the folder. The server is the test process's child and dies with it, so a crashed test
// leaves no server behind; the next cluster made removes the folder such a test left.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

struct pg_conn;

class ServerCluster {
public:
    // The superuser made by initdb; local connections of this role never need a password.
    static constexpr const char* kSuperuser = "tovrakel";

    // Why no cluster can run here (no PostgreSQL 13 or newer found); empty when one can.
    static QString missing();
    // The folder of initdb, pg_ctl and postgres of the newest PostgreSQL found; empty when none.
    static QString binFolder();

    // One cluster for the whole test program, started on first use and removed when the
    // application object goes (or at exit). Null with `error` set when it cannot start.
    static ServerCluster* shared(QString* error = nullptr);

    ServerCluster();
    ~ServerCluster();
    ServerCluster(const ServerCluster&) = delete;
    ServerCluster& operator=(const ServerCluster&) = delete;

    // Makes the cluster on the first call, then starts the server and waits until it accepts
    // connections. Again after stopImmediately(): the server recovers as after a crash.
    bool start(QString* error = nullptr);
    // Ends the server at once, without a checkpoint, as when the machine loses it mid-sale;
    // its connections break. start() brings it back.
    void stopImmediately();
    bool isRunning() const;

    // A libpq connection URI, e.g. postgresql:///shop?host=/tmp/x&port=N&user=tovrakel.
    // A password of "" adds none. While the server is stopped the URI names a socket where
    // nothing listens.
    QString uri(const QString& database, const QString& user = QString::fromLatin1(kSuperuser),
                const QString& password = QString()) const;
    QString socketFolder() const { return m_dir.path(); }
    int port() const { return m_port; }

    // A new database on the shared cluster, started on first use; its URI, or "" with `error` set.
    static QString newSharedDatabase(const QString& name, QString* error = nullptr);

    // CREATE DATABASE, owned by `owner` (a role of createRole()) when given.
    bool createDatabase(const QString& name, QString* error = nullptr, const QString& owner = QString());
    // A login role with a password (stored as SCRAM-SHA-256).
    bool createRole(const QString& name, const QString& password, QString* error = nullptr);
    // From now on every role but the superuser must give its password (scram-sha-256); returns
    // once new connections see the change.
    bool requirePasswords(QString* error = nullptr);
    // Runs statements as the superuser in `database`.
    bool execute(const QString& sql, QString* error = nullptr, const QString& database = QStringLiteral("postgres"));
    // The first column of the first row of a query as the superuser; empty on failure.
    QString queryValue(const QString& sql, QString* error = nullptr,
                       const QString& database = QStringLiteral("postgres"));

    // What the server wrote to its log, to show why something failed.
    QString log() const;

private:
    bool initialise(QString* error);
    bool run(const QString& program, const QStringList& arguments, QString* error);
    void prepareAsServerUser(QProcess& process) const;
    pg_conn* connect(const QString& database, QString* error);
    bool query(const QString& sql, const QString& database, QString* value, QString* error);
    QString dataFolder() const;

    QTemporaryDir m_dir;
    QString m_bin;
    int m_port = 0;
    bool m_initialised = false;
    unsigned m_uid = 0, m_gid = 0;  // whom the server programs run as when we are root
    bool m_switchUser = false;
    int m_ownerLock = -1;
    std::unique_ptr<QProcess> m_server;
};

// Skips the running test when no PostgreSQL server can run here. Under CI the server packages are
// installed by scripts/deps, so a missing server is a failure there, never a silent skip.
#define REQUIRE_SERVER_CLUSTER()                                        \
    do {                                                                \
        const QString whyNoServer = ServerCluster::missing();           \
        if (!whyNoServer.isEmpty()) {                                   \
            if (!qEnvironmentVariableIsEmpty("CI"))                     \
                QFAIL(qPrintable(whyNoServer));                         \
            QSKIP(qPrintable(whyNoServer));                             \
        }                                                               \
    } while (false)
