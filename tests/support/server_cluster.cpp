#include "support/server_cluster.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QVersionNumber>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr int kOldestMajor = 13;
constexpr int kReadyWaitMs = 60000;
// Whom the server programs run as when the tests run as root (initdb and postgres refuse root).
constexpr const char* kServerUser = "nobody";

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString quoteLiteral(const QString& text) {
    QString quoted = text;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

bool hasServerPrograms(const QString& folder) {
    for (const char* program : {"initdb", "postgres"})
        if (!QFileInfo(folder + QLatin1Char('/') + QLatin1String(program)).isExecutable())
            return false;
    return true;
}

// The major version `postgres --version` reports ("postgres (PostgreSQL) 15.18 ..."); 0 when unknown.
int reportedMajor(const QString& folder) {
    QProcess p;
    p.start(folder + QStringLiteral("/postgres"), {QStringLiteral("--version")});
    if (!p.waitForFinished(10000))
        return 0;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\(PostgreSQL\\) (\\d+)")).match(QString::fromLocal8Bit(p.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// A TCP port nobody listens on. The server listens on no TCP port at all; the number names its
// socket, and a fresh one keeps two clusters of parallel test programs apart in `ps` and logs.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (s >= 0)
        ::close(s);
    return port > 0 ? port : 5432;
}

// Root's temporary folder may lie where the server user cannot reach, and a socket path has
// at most 107 bytes: then /tmp.
QString temporaryBase() {
    const QString base = QDir::tempPath();
    return ::geteuid() == 0 || base.size() > 60 ? QStringLiteral("/tmp") : base;
}

QString temporaryTemplate() { return temporaryBase() + QStringLiteral("/tovrakel-pg-XXXXXX"); }

// Each cluster holds a lock on this file in its folder while its test runs; the system lets go of
// it when the test ends, however it ends.
const QString kOwnerLock = QStringLiteral("owner.lock");

// Whether the server of a cluster folder is still shutting down: it removes its pid file last.
bool serverStillGoing(const QString& folder) {
    QFile pidFile(folder + QStringLiteral("/data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = pid_t(pidFile.readLine().trimmed().toLong());
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Removes the folders of clusters whose tests died without cleaning up (a crash, a timeout): their
// servers went with them, their folders stayed, a hundred megabytes each.
void removeAbandonedClusters() {
    const QDir base(temporaryBase());
    for (const QString& name : base.entryList({QStringLiteral("tovrakel-pg-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = base.filePath(name);
        const int fd = ::open(QFile::encodeName(folder + QLatin1Char('/') + kOwnerLock).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;  // being made, or not ours to judge
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && !serverStillGoing(folder))
            QDir(folder).removeRecursively();
        ::close(fd);
    }
}

std::unique_ptr<ServerCluster>& sharedCluster() {
    static std::unique_ptr<ServerCluster> cluster;
    return cluster;
}

void removeSharedCluster() { sharedCluster().reset(); }

}  // namespace

QString ServerCluster::binFolder() {
    // Debian keeps each major version apart under /usr/lib/postgresql/<major>/bin.
    const QDir debian(QStringLiteral("/usr/lib/postgresql"));
    int bestMajor = 0;
    QString best;
    for (const QString& version : debian.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const int major = QVersionNumber::fromString(version).majorVersion();
        const QString folder = debian.filePath(version + QStringLiteral("/bin"));
        if (major >= kOldestMajor && major > bestMajor && hasServerPrograms(folder)) {
            bestMajor = major;
            best = folder;
        }
    }
    if (!best.isEmpty())
        return best;
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    if (initdb.isEmpty())
        return {};
    const QString folder = QFileInfo(initdb).canonicalPath();
    return hasServerPrograms(folder) && reportedMajor(folder) >= kOldestMajor ? folder : QString();
}

QString ServerCluster::missing() {
    if (binFolder().isEmpty())
        return QStringLiteral("no PostgreSQL %1 or newer server here (initdb and postgres; Debian package postgresql)")
            .arg(kOldestMajor);
    if (::geteuid() == 0 && !::getpwnam(kServerUser))
        return QStringLiteral("running as root, and there is no user %1 to run the PostgreSQL server as")
            .arg(QLatin1String(kServerUser));
    return {};
}

ServerCluster* ServerCluster::shared(QString* error) {
    static QString failure;
    std::unique_ptr<ServerCluster>& cluster = sharedCluster();
    if (!cluster && failure.isEmpty()) {
        auto started = std::make_unique<ServerCluster>();
        if (started->start(&failure)) {
            cluster = std::move(started);
            if (QCoreApplication::instance())
                qAddPostRoutine(removeSharedCluster);
            else
                std::atexit(removeSharedCluster);
        } else if (failure.isEmpty()) {
            failure = QStringLiteral("the PostgreSQL server does not start");
        }
    }
    if (!cluster)
        setError(error, failure);
    return cluster.get();
}

QString ServerCluster::newSharedDatabase(const QString& name, QString* error) {
    ServerCluster* cluster = shared(error);
    return cluster && cluster->createDatabase(name, error) ? cluster->uri(name) : QString();
}

ServerCluster::ServerCluster() : m_dir(temporaryTemplate()), m_bin(binFolder()), m_port(freePort()) {
    removeAbandonedClusters();
    // Not handed to the server's processes, so the lock goes with this one.
    m_ownerLock = ::open(QFile::encodeName(m_dir.filePath(kOwnerLock)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_ownerLock >= 0)
        ::flock(m_ownerLock, LOCK_EX);
}

ServerCluster::~ServerCluster() {
    stopImmediately();
    if (m_ownerLock >= 0)
        ::close(m_ownerLock);
}

QString ServerCluster::dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }

void ServerCluster::prepareAsServerUser(QProcess& process) const {
    // The programs' own working folder: root's may be closed to the server user.
    process.setWorkingDirectory(m_dir.path());
    const bool switchUser = m_switchUser;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    process.setChildProcessModifier([switchUser, uid, gid] {
        if (switchUser && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(126);
        // After the user change, which clears it: the server goes when the test does.
        ::prctl(PR_SET_PDEATHSIG, SIGQUIT);
    });
}

bool ServerCluster::run(const QString& program, const QStringList& arguments, QString* error) {
    QProcess p;
    prepareAsServerUser(p);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(m_bin + QLatin1Char('/') + program, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        setError(error, QStringLiteral("%1 failed (%2): %3")
                            .arg(program, p.errorString(), QString::fromLocal8Bit(p.readAll())));
        return false;
    }
    return true;
}

bool ServerCluster::initialise(QString* error) {
    if (m_bin.isEmpty() || !m_dir.isValid()) {
        setError(error, m_bin.isEmpty() ? missing() : QStringLiteral("no temporary folder: ") + m_dir.errorString());
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam(kServerUser);
        if (!user) {
            setError(error, missing());
            return false;
        }
        m_switchUser = true;
        m_uid = user->pw_uid;
        m_gid = user->pw_gid;
        if (::chown(QFile::encodeName(m_dir.path()).constData(), m_uid, m_gid) != 0) {
            setError(error, QStringLiteral("cannot hand %1 to %2").arg(m_dir.path(), QLatin1String(kServerUser)));
            return false;
        }
    }
    // C.UTF-8 sorts text by code point, as the embedded engine's binary order does.
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), QString::fromLatin1(kSuperuser),
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")},
             error))
        return false;
    // fsync off: a killed server keeps what it committed (the kernel has it), only a machine
    // crash would lose it. Commits stay synchronous so a sale the server confirmed survives a kill.
    const QString settings = QStringLiteral(
                                 "\n# throw-away test cluster\n"
                                 "listen_addresses = ''\n"
                                 "unix_socket_directories = '%1'\n"
                                 "port = %2\n"
                                 "fsync = off\n"
                                 "full_page_writes = off\n"
                                 "password_encryption = 'scram-sha-256'\n"
                                 "lc_messages = 'C'\n")
                                 .arg(m_dir.path())
                                 .arg(m_port);
    QFile conf(dataFolder() + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append) || conf.write(settings.toUtf8()) < 0) {
        setError(error, conf.fileName() + QStringLiteral(": ") + conf.errorString());
        return false;
    }
    m_initialised = true;
    return true;
}

bool ServerCluster::start(QString* error) {
    if (isRunning())
        return true;
    if (!m_initialised && !initialise(error))
        return false;
    m_server = std::make_unique<QProcess>();
    prepareAsServerUser(*m_server);
    const QString logFile = m_dir.filePath(QStringLiteral("server.log"));
    m_server->setStandardOutputFile(logFile, QIODevice::Append);
    m_server->setStandardErrorFile(logFile, QIODevice::Append);
    m_server->start(m_bin + QStringLiteral("/postgres"), {QStringLiteral("-D"), dataFolder()});
    if (!m_server->waitForStarted(30000)) {
        setError(error, QStringLiteral("postgres does not start: ") + m_server->errorString());
        m_server.reset();
        return false;
    }
    // Ready once it answers on its socket (after recovery when it was killed before).
    const QByteArray conninfo = uri(QStringLiteral("postgres")).toUtf8();
    const QDeadlineTimer deadline(kReadyWaitMs);
    while (PQping(conninfo.constData()) != PQPING_OK) {
        // Waiting for the process doubles as the pause between two tries.
        if (m_server->waitForFinished(20) || m_server->state() == QProcess::NotRunning || deadline.hasExpired()) {
            setError(error, QStringLiteral("the PostgreSQL server did not come up:\n") + log());
            stopImmediately();
            return false;
        }
    }
    return true;
}

void ServerCluster::stopImmediately() {
    if (!m_server)
        return;
    if (m_server->state() != QProcess::NotRunning) {
        // SIGQUIT is the server's immediate shutdown: its sessions end without a checkpoint.
        ::kill(pid_t(m_server->processId()), SIGQUIT);
        if (!m_server->waitForFinished(30000)) {
            m_server->kill();
            m_server->waitForFinished(10000);
        }
    }
    m_server.reset();
}

bool ServerCluster::isRunning() const { return m_server && m_server->state() == QProcess::Running; }

QString ServerCluster::uri(const QString& database, const QString& user, const QString& password) const {
    const QByteArray keep("/");
    QString text = QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4")
                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(database)),
                            QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path(), keep)))
                       .arg(m_port)
                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(user)));
    if (!password.isEmpty())
        text += QStringLiteral("&password=") + QString::fromLatin1(QUrl::toPercentEncoding(password));
    return text;
}

pg_conn* ServerCluster::connect(const QString& database, QString* error) {
    PGconn* c = PQconnectdb(uri(database).toUtf8().constData());
    if (PQstatus(c) != CONNECTION_OK) {
        setError(error, QString::fromUtf8(PQerrorMessage(c)).trimmed());
        PQfinish(c);
        return nullptr;
    }
    return c;
}

bool ServerCluster::query(const QString& sql, const QString& database, QString* value, QString* error) {
    PGconn* c = connect(database, error);
    if (!c)
        return false;
    PGresult* r = PQexec(c, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(r);
    const bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!done)
        setError(error, QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
    else if (value && status == PGRES_TUPLES_OK && PQntuples(r) > 0 && PQnfields(r) > 0)
        *value = QString::fromUtf8(PQgetvalue(r, 0, 0));
    PQclear(r);
    PQfinish(c);
    return done;
}

QString ServerCluster::queryValue(const QString& sql, QString* error, const QString& database) {
    QString value;
    query(sql, database, &value, error);
    return value;
}

bool ServerCluster::execute(const QString& sql, QString* error, const QString& database) {
    return query(sql, database, nullptr, error);
}

bool ServerCluster::createDatabase(const QString& name, QString* error, const QString& owner) {
    QString sql = QStringLiteral("CREATE DATABASE ") + quoteIdentifier(name);
    if (!owner.isEmpty())
        sql += QStringLiteral(" OWNER ") + quoteIdentifier(owner);
    return execute(sql, error);
}

bool ServerCluster::createRole(const QString& name, const QString& password, QString* error) {
    return execute(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2").arg(quoteIdentifier(name), quoteLiteral(password)),
                   error);
}

bool ServerCluster::requirePasswords(QString* error) {
    QFile hba(dataFolder() + QStringLiteral("/pg_hba.conf"));
    const QByteArray rules = QByteArrayLiteral("local all ") + kSuperuser +
                             QByteArrayLiteral(" trust\nlocal all all scram-sha-256\n");
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) || hba.write(rules) < 0) {
        setError(error, hba.fileName() + QStringLiteral(": ") + hba.errorString());
        return false;
    }
    hba.close();
    const QString before = queryValue(QStringLiteral("select pg_conf_load_time()"), error);
    if (before.isEmpty() || !execute(QStringLiteral("select pg_reload_conf()"), error))
        return false;
    // The server rereads its rules when the signal reaches it; a session started after that
    // carries the new load time.
    const QDeadlineTimer deadline(kReadyWaitMs);
    for (;;) {
        const QString now = queryValue(QStringLiteral("select pg_conf_load_time()"), error);
        if (now.isEmpty())
            return false;
        if (now != before)
            break;
        if (deadline.hasExpired()) {
            setError(error, QStringLiteral("the server did not reload its access rules:\n") + log());
            return false;
        }
        ::usleep(5000);
    }
    const QString broken =
        queryValue(QStringLiteral("select count(*) from pg_hba_file_rules where error is not null"), error);
    if (broken != QLatin1String("0")) {
        setError(error, QStringLiteral("the access rules do not load:\n") + log());
        return false;
    }
    return true;
}

QString ServerCluster::log() const {
    QFile f(m_dir.filePath(QStringLiteral("server.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
