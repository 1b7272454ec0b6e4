#pragma once
// A throw-away CUPS scheduler with cups-pdf queues, for printing through a real print system:
// its own configuration folder, socket, spool and log, and queues that write every job as a PDF
// file into a folder of its own. Each queue has a default paper of its own (a receipt roll, A4).
//
// The program's printing reaches it when CUPS_SERVER names its socket before anything in the
// process has asked CUPS for printers (libcups keeps the first server it used); LPDEST chooses the
// default queue. cups-pdf reads its settings from /etc/cups only, so the scheduler puts
// cups-pdf-<tag>.conf there for its queues and removes it again. cups-pdf prints only when it
// runs as root, so all this needs root.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <cerrno>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

// A paper of a queue's driver, in points as drivers give them: its size and printable area.
struct CupsPaper {
    QString key;    // the driver's name for it, e.g. "A4"
    double width = 0, height = 0;
    double left = 0, bottom = 0, right = 0, top = 0;  // printable area, from the bottom left corner
};

class CupsPdfScheduler {
public:
    static constexpr const char* kCupsd = "/usr/sbin/cupsd";
    static constexpr const char* kBackend = "/usr/lib/cups/backend/cups-pdf";
    static constexpr const char* kDriver = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
    static constexpr const char* kBackendConfigFolder = "/etc/cups";

    // Why no scheduler can run here; empty when one can.
    static QString missing() {
        for (const char* path : {kCupsd, kBackend, kDriver, kBackendConfigFolder})
            if (!QFileInfo::exists(QString::fromLatin1(path)))
                return QStringLiteral("%1 is missing (Debian packages cups, printer-driver-cups-pdf)")
                    .arg(QString::fromLatin1(path));
        if (::geteuid() != 0)
            return QStringLiteral("cups-pdf prints only for a scheduler running as root");
        return {};
    }

    CupsPdfScheduler() : m_dir(QDir::temp().filePath(QStringLiteral("tovrakel-cups-XXXXXX"))) {
        // The scheduler's filters run as the user lp and must reach its folder.
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        m_tag = QStringLiteral("tovrakel-test-%1").arg(::getpid());
    }
    ~CupsPdfScheduler() {
        stop();
        if (!m_backendConfig.isEmpty())
            QFile::remove(m_backendConfig);
    }

    QString socketPath() const { return m_dir.filePath(QStringLiteral("cups.sock")); }
    QString outputFolder() const { return m_dir.filePath(QStringLiteral("out")); }
    bool isRunning() const { return m_cupsd.state() == QProcess::Running; }

    // A queue whose driver's default paper is `paper`, paused (holding its jobs) if asked; before
    // start().
    void addQueue(const QString& name, const CupsPaper& paper, bool paused = false) {
        m_queues.append({name, paper, paused});
    }

    // Writes the configuration and starts the scheduler; ready() tells when it answers.
    bool start(QString& error) {
        removeStaleBackendConfigs();
        const QString d = m_dir.path();
        for (const char* sub : {"root/ppd", "spool", "cache", "state", "log", "out", "pdf-spool", "gs-tmp"})
            QDir(d).mkpath(QString::fromLatin1(sub));
        ::chmod(QFile::encodeName(d + QStringLiteral("/gs-tmp")).constData(), 01777);
        QString printers;
        for (int i = 0; i < m_queues.size(); ++i) {
            const Queue& q = m_queues[i];
            if (!writeDriver(d + QStringLiteral("/root/ppd/") + q.name + QStringLiteral(".ppd"), q.paper, error))
                return false;
            printers += QStringLiteral("<%1 %2>\nInfo receipt test queue\nDeviceURI cups-pdf:/%3\nState %4\n"
                                       "Accepting Yes\nShared No\nErrorPolicy abort-job\n</%1>\n")
                            .arg(i == 0 ? QStringLiteral("DefaultPrinter") : QStringLiteral("Printer"), q.name, m_tag,
                                 q.paused ? QStringLiteral("Stopped") : QStringLiteral("Idle"));
        }
        const QString files = QStringLiteral(
                                  "ServerRoot %1/root\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                                  "Printcap %1/state/printcap\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                  "PageLog %1/log/page_log\nSystemGroup root\n")
                                  .arg(d);
        // Job files stay in the spool: the document each job received is read back from there.
        const QString daemon = QStringLiteral(
                                   "Listen %1\nBrowsing Off\nWebInterface No\nLogLevel debug\nMaxLogSize 0\n"
                                   "DefaultAuthType None\nPreserveJobFiles Yes\nPreserveJobHistory Yes\n"
                                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                                   .arg(socketPath());
        m_backendConfig = QStringLiteral("%1/cups-pdf-%2.conf").arg(QString::fromLatin1(kBackendConfigFolder), m_tag);
        // Nothing of the system's cups-pdf folders is used.
        const QString backend = QStringLiteral("Out %1/out\nSpool %1/pdf-spool\nLog %1/log\nLogType 7\n"
                                               "GSTmp %1/gs-tmp\n")
                                    .arg(d);
        if (!writeFile(d + QStringLiteral("/root/printers.conf"), printers, error) ||
            !writeFile(d + QStringLiteral("/cups-files.conf"), files, error) ||
            !writeFile(d + QStringLiteral("/cupsd.conf"), daemon, error) ||
            !writeFile(m_backendConfig, backend, error))
            return false;
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(QString::fromLatin1(kCupsd), {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/cupsd.conf"),
                                                     QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000)) {
            error = QStringLiteral("cupsd does not start: ") + m_cupsd.errorString();
            return false;
        }
        return true;
    }

    // Stops the scheduler, as a shop's print service may be; start() runs it again with the same
    // queues and jobs.
    void stop() {
        if (m_cupsd.state() == QProcess::NotRunning)
            return;
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(15000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

    // Whether the scheduler accepts connections on its socket.
    bool ready() const {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        return socket.waitForConnected(1000);
    }

    // How a job ended as the scheduler logged it ("Job completed." …); empty while it runs.
    QString jobEnd(int job) const {
        const QString log = errorLog();
        const QRegularExpression end(QStringLiteral("\\[Job %1\\] (Job completed\\.|Job stopped.*|Job aborted.*|"
                                                    "Job held.*|Job canceled.*)$")
                                         .arg(job),
                                     QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = end.match(log);
        return m.hasMatch() ? m.captured(1) : QString();
    }
    // The PDF file cups-pdf wrote for a job ("<title>-job_<id>.pdf"); empty when there is none.
    QString jobPdf(int job) const {
        const QStringList files =
            QDir(outputFolder()).entryList({QStringLiteral("*-job_%1.pdf").arg(job)}, QDir::Files);
        return files.size() == 1 ? QDir(outputFolder()).filePath(files.first()) : QString();
    }
    // The document the scheduler received with a job, as the printing program sent it.
    QString jobDocument(int job) const {
        return m_dir.filePath(QStringLiteral("spool/d%1-001").arg(job, 5, 10, QLatin1Char('0')));
    }
    QString errorLog() const {
        QFile f(m_dir.filePath(QStringLiteral("log/error_log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // The end of the scheduler's and cups-pdf's logs, to show why a job failed.
    QString logTail() const {
        QString text = QString::fromLocal8Bit(const_cast<QProcess&>(m_cupsd).readAll());
        text += QStringLiteral("\n== printed: ") + QDir(outputFolder()).entryList(QDir::Files).join(QStringLiteral(", "));
        for (const QFileInfo& log : QDir(m_dir.filePath(QStringLiteral("log"))).entryInfoList(QDir::Files)) {
            QFile f(log.filePath());
            if (f.open(QIODevice::ReadOnly)) {
                const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
                text += QStringLiteral("\n== %1\n").arg(log.fileName()) + lines.mid(std::max(0, int(lines.size()) - 40)).join(QLatin1Char('\n'));
            }
        }
        return text;
    }

private:
    struct Queue {
        QString name;
        CupsPaper paper;
        bool paused = false;
    };

    static bool writeFile(const QString& path, const QString& text, QString& error) {
        return writeBytes(path, text.toUtf8(), error);
    }
    static bool writeBytes(const QString& path, const QByteArray& bytes, QString& error) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) < 0) {
            error = path + QStringLiteral(": ") + f.errorString();
            return false;
        }
        return true;
    }

    // The cups-pdf driver with `paper` as its default, added to its papers when it lacks it.
    static bool writeDriver(const QString& path, const CupsPaper& paper, QString& error) {
        QFile in(QString::fromLatin1(kDriver));
        if (!in.open(QIODevice::ReadOnly)) {
            error = in.fileName() + QStringLiteral(": ") + in.errorString();
            return false;
        }
        const QString text = QString::fromLatin1(in.readAll());
        const bool known = text.contains(QStringLiteral("*PageSize %1/").arg(paper.key));
        const QString size = QStringLiteral("%1 %2").arg(paper.width).arg(paper.height);
        const QString setPage = QStringLiteral("\"<</PageSize[%1]/ImagingBBox null>>setpagedevice\"").arg(size);
        QStringList out;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            static const QRegularExpression defaults(QStringLiteral("^\\*Default(PageSize|PageRegion|ImageableArea|PaperDimension):"));
            const QRegularExpressionMatch m = defaults.match(line);
            if (m.hasMatch()) {
                out << QStringLiteral("*Default%1: %2").arg(m.captured(1), paper.key);
                continue;
            }
            out << line;
            if (known)
                continue;
            const QString entry = QStringLiteral("%1/%1").arg(paper.key);
            if (line.startsWith(QStringLiteral("*PageSize A4/")))
                out << QStringLiteral("*PageSize %1: %2").arg(entry, setPage);
            else if (line.startsWith(QStringLiteral("*PageRegion A4/")))
                out << QStringLiteral("*PageRegion %1: %2").arg(entry, setPage);
            else if (line.startsWith(QStringLiteral("*ImageableArea A4/")))
                out << QStringLiteral("*ImageableArea %1: \"%2 %3 %4 %5\"")
                           .arg(entry)
                           .arg(paper.left)
                           .arg(paper.bottom)
                           .arg(paper.right)
                           .arg(paper.top);
            else if (line.startsWith(QStringLiteral("*PaperDimension A4/")))
                out << QStringLiteral("*PaperDimension %1: \"%2\"").arg(entry, size);
        }
        return writeBytes(path, out.join(QLatin1Char('\n')).toLatin1(), error);
    }

    // Settings files left by test runs that ended without cleaning up.
    static void removeStaleBackendConfigs() {
        const QDir folder(QString::fromLatin1(kBackendConfigFolder));
        static const QRegularExpression name(QStringLiteral("^cups-pdf-tovrakel-test-(\\d+)\\.conf$"));
        for (const QString& file : folder.entryList({QStringLiteral("cups-pdf-tovrakel-test-*.conf")}, QDir::Files)) {
            const QRegularExpressionMatch m = name.match(file);
            if (m.hasMatch() && ::kill(m.captured(1).toInt(), 0) != 0 && errno == ESRCH)
                QFile::remove(folder.filePath(file));
        }
    }

    QTemporaryDir m_dir;
    QString m_tag;
    QString m_backendConfig;
    QVector<Queue> m_queues;
    QProcess m_cupsd;
};
