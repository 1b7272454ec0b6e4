#include "upgrader.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace upgrader {

namespace {

constexpr int kPollMs = 50;

enum class Role { File, Program, Setup };

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

// What one run has to carry around: the bound of its waits and where it reports.
class Upgrade {
public:
    Upgrade(int waitMs, QTextStream& log) : m_waitMs(waitMs), m_log(log) {}

    int run(const Request& request);

private:
    void note(const QString& text) {
        m_log << "upgrader: " << text << '\n';
        m_log.flush();
    }
    void fail(const QString& text) {
        note(text);
        m_ok = false;
    }

    void waitForProgram(const QString& path);
    bool putInPlace(const QString& source, const QString& target, Role role);
    void runSetup(const QString& setupPath, const QStringList& arguments);
    void start(const QString& path, const QStringList& arguments);

    int m_waitMs;
    QTextStream& m_log;
    bool m_ok = true;
};

int Upgrade::run(const Request& request) {
    QString path = request.programPath;
    if (path.isEmpty()) {
        fail(QStringLiteral("no program path given; nothing done"));
        return 1;
    }
    // A relative path means the folder we were started in, never a search along PATH.
    if (!path.startsWith(QLatin1Char('/')))
        path = QDir::currentPath() + QLatin1Char('/') + path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    const QString programName = path.mid(slash + 1);
    if (programName.isEmpty()) {
        fail(QStringLiteral("%1 names no program; nothing done").arg(path));
        return 1;
    }

    const QFileInfo program(path);
    if (program.exists() && !program.isDir())
        waitForProgram(path);

    const bool programDownloaded = QFileInfo(folder + programName + kDownloadSuffix).isFile();
    bool newProgramChosen = programDownloaded;
    QString setupPath;
    const QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& name : names) {
        if (!name.endsWith(kDownloadSuffix) || name.size() == kDownloadSuffix.size())
            continue;
        QString targetName = name.chopped(kDownloadSuffix.size());
        Role role = Role::File;
        if (targetName == programName) {
            role = Role::Program;
        } else if (!newProgramChosen && targetName.right(3) == QLatin1String("exe")) {
            // The first downloaded ".exe" stands for the program (or, in setup mode, the setup).
            newProgramChosen = true;
            if (request.setupMode) {
                role = Role::Setup;
            } else {
                role = Role::Program;
                targetName = programName;
            }
        }
        const QString target = folder + targetName;
        if (putInPlace(folder + name, target, role) && role == Role::Setup)
            setupPath = target;
    }

    const QStringList arguments = QProcess::splitCommand(request.restartArgument);
    if (request.setupMode && !setupPath.isEmpty())
        runSetup(setupPath, arguments);
    start(path, arguments);
    return m_ok ? 0 : 1;
}

void Upgrade::waitForProgram(const QString& path) {
    if (!programRunning(path))
        return;
    note(QStringLiteral("waiting for %1 to end").arg(path));
    // A program that never ends must not hold back the update: after the bound we replace
    // what can be replaced (a running file can be renamed away) and start the program.
    if (!waitUntilEnded(path, m_waitMs))
        fail(QStringLiteral("%1 still runs after %2 ms; going on").arg(path).arg(m_waitMs));
}

// Replaces target by source. An existing target is kept as target.bak (one generation), so a
// download can never take the shop's data with it; when the swap fails the old file goes back.
bool Upgrade::putInPlace(const QString& source, const QString& target, Role role) {
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir()) {
        fail(QStringLiteral("%1 is a folder; %2 left in place").arg(target, source));
        return false;
    }
    const bool targetExists = targetInfo.exists() || targetInfo.isSymLink();

    // The replacement takes the permissions of the file it replaces; a program must stay runnable.
    QFileDevice::Permissions permissions;
    if (targetExists)
        permissions = QFile::permissions(target);
    if (!permissions)
        permissions = QFile::permissions(source);
    if (role != Role::File) {
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
        if (permissions & QFileDevice::ReadGroup)
            permissions |= QFileDevice::ExeGroup;
        if (permissions & QFileDevice::ReadOther)
            permissions |= QFileDevice::ExeOther;
    }

    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    const QString backup = target + kBackupSuffix;
    const QByteArray backupName = QFile::encodeName(backup);
    if (targetExists) {
        if (QFileInfo(backup).isDir()) {
            fail(QStringLiteral("%1 is a folder, so %2 cannot be kept; %3 left in place")
                     .arg(backup, target, source));
            return false;
        }
        if (std::rename(to.constData(), backupName.constData()) != 0) {
            fail(QStringLiteral("cannot keep %1 as %2 (%3); %4 left in place")
                     .arg(target, backup, errnoText(), source));
            return false;
        }
    }
    if (std::rename(from.constData(), to.constData()) != 0) {
        const QString why = errnoText();
        if (targetExists && std::rename(backupName.constData(), to.constData()) != 0)
            fail(QStringLiteral("cannot move %1 back to %2 (%3)").arg(backup, target, errnoText()));
        fail(QStringLiteral("cannot move %1 to %2 (%3)").arg(source, target, why));
        return false;
    }
    if (!QFile::setPermissions(target, permissions))
        fail(QStringLiteral("cannot set the permissions of %1").arg(target));
    return true;
}

// The setup runs as our child so that we know when it has ended; it gets the restart argument
// like the program does.
void Upgrade::runSetup(const QString& setupPath, const QStringList& arguments) {
    // Deleting a QProcess kills its process, so a setup that outlives the bound is let go
    // undeleted rather than cut short.
    auto* setup = new QProcess;
    setup->setProgram(setupPath);
    setup->setArguments(arguments);
    setup->setProcessChannelMode(QProcess::ForwardedChannels);
    setup->setStandardInputFile(QProcess::nullDevice());
    QDeadlineTimer deadline(m_waitMs);
    setup->start();
    if (!setup->waitForStarted()) {
        // Kept in place so that it can still be run by hand.
        fail(QStringLiteral("cannot start %1 (%2); it is kept")
                 .arg(setupPath, setup->errorString()));
        delete setup;
        return;
    }
    if (!setup->waitForFinished(int(deadline.remainingTime()))) {
        fail(QStringLiteral("%1 still runs after %2 ms; it is kept, going on")
                 .arg(setupPath)
                 .arg(m_waitMs));
        return;
    }
    delete setup;
    // An installer may hand over to a process of its own that still uses the file.
    if (!waitUntilEnded(setupPath, int(deadline.remainingTime()))) {
        fail(QStringLiteral("%1 still in use after %2 ms; it is kept, going on")
                 .arg(setupPath)
                 .arg(m_waitMs));
        return;
    }
    if (!QFile::remove(setupPath))
        fail(QStringLiteral("cannot delete %1").arg(setupPath));
}

// The program runs on by itself: no waiting, its input detached from ours.
void Upgrade::start(const QString& path, const QStringList& arguments) {
    QProcess program;
    program.setProgram(path);
    program.setArguments(arguments);
    program.setStandardInputFile(QProcess::nullDevice());
    if (!program.startDetached())
        fail(QStringLiteral("cannot start %1 (%2)").arg(path, program.errorString()));
}

}  // namespace

Request parseArguments(const QStringList& arguments) {
    Request request;
    if (arguments.isEmpty())
        return request;
    QString text;
    for (const QString& argument : arguments)
        text += argument + QLatin1Char(' ');
    request.setupMode = arguments.last().endsWith(QLatin1Char('1'));
    const int plus = text.indexOf(QLatin1Char('+'));
    if (plus < 0) {
        request.programPath = text.chopped(1);
        return request;
    }
    request.programPath = text.left(plus);
    if (request.programPath.endsWith(QLatin1Char(' ')))
        request.programPath.chop(1);
    // Up to the end of the last argument: the blank the join added is not part of it.
    request.restartArgument = text.mid(plus + 1).chopped(1);
    return request;
}

int waitBoundMs() {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(kWaitVariable, &ok);
    return ok && value >= 0 ? value : kDefaultWaitMs;
}

bool programRunning(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking so that a FIFO in its place cannot stall us; nothing is created or truncated.
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT;
    ::close(fd);

    // Not every kernel refuses to open a running binary for writing, so also look for a
    // process that executes this very file.
    struct stat file {};
    if (::stat(name.constData(), &file) != 0)
        return false;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : processes) {
        bool isPid = false;
        pid.toLongLong(&isPid);
        if (!isPid)
            continue;
        struct stat executable {};
        const QByteArray link = QFile::encodeName(QStringLiteral("/proc/%1/exe").arg(pid));
        if (::stat(link.constData(), &executable) == 0 && executable.st_dev == file.st_dev &&
            executable.st_ino == file.st_ino)
            return true;
    }
    return false;
}

bool waitUntilEnded(const QString& path, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (programRunning(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}

int run(const Request& request, int waitMs, QTextStream& log) {
    return Upgrade(waitMs, log).run(request);
}

}  // namespace upgrader
