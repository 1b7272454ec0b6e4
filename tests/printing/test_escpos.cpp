// ESC/POS receipts: the text a receipt printer can print, the byte stream of a page read back by
// a reader of our own, and sending it to a file, a listener on 127.0.0.1 and the failures a shop
// meets (no device, refused, silent printer, dropped half-way, lp refusing).
#include "printing/escpos.h"
#include "printing/escpos_connection.h"
#include "printing/receipt_printer_settings.h"
#include "support/escpos_reader.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A printer on 127.0.0.1 as the tests need it: one that takes the job and closes as printers on
// port 9100 do, one that drops the link after the first bytes, and one too busy to accept at all
// (its only accept slot is taken, so a connect gets no answer).
class TestPrinter {
public:
    enum class Behaviour { TakesJob, DropsHalfWay, Silent };

    explicit TestPrinter(Behaviour behaviour) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("no listener on 127.0.0.1: %s", std::strerror(errno));
        m_port = ntohs(address.sin_port);
        if (behaviour == Behaviour::Silent) {
            // Fills the accept queue of length 0; the kernel then drops further connection requests.
            m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                qFatal("filler cannot connect: %s", std::strerror(errno));
            return;
        }
        m_thread = std::thread([this, behaviour] { serve(behaviour); });
    }
    ~TestPrinter() {
        if (m_thread.joinable())
            m_thread.join();
        for (int fd : {m_filler, m_listener})
            if (fd >= 0)
                ::close(fd);
    }
    quint16 port() const { return m_port; }
    PrinterAddress address() const {
        PrinterAddress a;
        a.kind = PrinterAddress::Kind::Network;
        a.host = QStringLiteral("127.0.0.1");
        a.port = m_port;
        return a;
    }
    // What the printer got, once it has closed.
    QByteArray received() {
        if (m_thread.joinable())
            m_thread.join();
        return m_received;
    }

private:
    void serve(Behaviour behaviour) {
        // A job that never comes (a scheduler that failed) ends the wait after a minute.
        pollfd incoming{m_listener, POLLIN, 0};
        if (::poll(&incoming, 1, 60000) != 1)
            return;
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0)
            return;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            m_received.append(buffer, n);
            if (behaviour == Behaviour::DropsHalfWay) {
                const linger reset{1, 0};  // closes with a reset, as a printer that gives up does
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                break;
            }
        }
        ::close(fd);
    }

    int m_listener = -1;
    int m_filler = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    QByteArray m_received;
};

// A CUPS scheduler of the test's own with one raw queue (no driver) whose device is a network
// printer: what `lp -o raw` hands it must reach the printer byte for byte.
class RawCupsQueue {
public:
    static constexpr const char* kCupsd = "/usr/sbin/cupsd";
    static constexpr const char* kSocketBackend = "/usr/lib/cups/backend/socket";

    static QString missing() {
        if (!QFile::exists(QString::fromLatin1(kCupsd)) || !QFile::exists(QString::fromLatin1(kSocketBackend)))
            return QStringLiteral("needs cupsd and its socket backend (Debian package cups)");
        if (::geteuid() != 0)
            return QStringLiteral("cupsd runs its backends as the user lp only when started as root");
        return {};
    }

    RawCupsQueue(const QString& queue, quint16 printerPort) {
        const QString d = m_dir.path();
        ::chmod(QFile::encodeName(d).constData(), 0755);  // the backend runs as the user lp
        for (const char* sub : {"root", "spool", "cache", "state", "log"})
            QDir(d).mkpath(QString::fromLatin1(sub));
        write(QStringLiteral("root/printers.conf"),
              QStringLiteral("<DefaultPrinter %1>\nDeviceURI socket://127.0.0.1:%2\nState Idle\nAccepting Yes\n"
                             "Shared No\nErrorPolicy abort-job\n</DefaultPrinter>\n")
                  .arg(queue)
                  .arg(printerPort));
        write(QStringLiteral("cups-files.conf"),
              QStringLiteral("ServerRoot %1/root\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                             "Printcap %1/state/printcap\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                             "PageLog %1/log/page_log\nSystemGroup root\n")
                  .arg(d));
        write(QStringLiteral("cupsd.conf"), QStringLiteral("Listen %1\nBrowsing Off\nWebInterface No\n"
                                                           "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                                                           "  Allow all\n</Location>\n")
                                                .arg(socketPath()));
        m_cupsd.start(QString::fromLatin1(kCupsd), {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/cupsd.conf"),
                                                     QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")});
    }
    ~RawCupsQueue() {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(15000))
            m_cupsd.kill();
        m_cupsd.waitForFinished(5000);
    }
    QString socketPath() const { return m_dir.filePath(QStringLiteral("cups.sock")); }
    bool ready() const {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        return socket.waitForConnected(1000);
    }

private:
    void write(const QString& name, const QString& text) {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(f.fileName()));
    }

    QTemporaryDir m_dir;
    QProcess m_cupsd;
};

// Generous: only the silent printer is ever waited for, and it gets the short one.
constexpr std::chrono::milliseconds kAnswered = 20s;
constexpr std::chrono::milliseconds kSilentWait = 300ms;

escpos::Page samplePage(int columns) {
    ReceiptPrinterSettings s;
    s.columns = columns;
    s.connection = QStringLiteral("192.168.1.100:9100");
    return escPosTestPage(s, QStringLiteral("蓝湖便利店"), QStringLiteral("2026-03-05 09:30:00"));
}

PrinterAddress device(const QString& path) {
    PrinterAddress a;
    a.device = path;
    return a;
}

}  // namespace

class EscPosTest : public QObject {
    Q_OBJECT

private slots:
    void printableText_data();
    void printableText();
    void wrapKeepsCharactersWhole();
    void testPageFitsThePaper_data();
    void testPageFitsThePaper();
    void finishFollowsTheSettings_data();
    void finishFollowsTheSettings();
    void printerAddresses_data();
    void printerAddresses();
    void deviceOpenMessages_data();
    void deviceOpenMessages();
    void printsIntoAFile();
    void printsToANetworkPrinter();
    void printsThroughARawCupsQueue();
    void failures_data();
    void failures();
};

void EscPosTest::printableText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<int>("columns");
    QTest::newRow("latin") << QStringLiteral("Cola 330ml") << QStringLiteral("Cola 330ml") << 10;
    QTest::newRow("chinese") << QStringLiteral("可口可乐") << QStringLiteral("可口可乐") << 8;
    QTest::newRow("gbk beyond gb2312") << QStringLiteral("镕") << QStringLiteral("镕") << 2;
    QTest::newRow("full-width punctuation") << QStringLiteral("（大）") << QStringLiteral("（大）") << 6;
    QTest::newRow("emoji") << QStringLiteral("可乐🥤") << QStringLiteral("可乐?") << 5;
    QTest::newRow("four-byte han") << QStringLiteral("𠀀x") << QStringLiteral("?x") << 2;
    QTest::newRow("private use") << QStringLiteral("a\uE000b") << QStringLiteral("a?b") << 3;
    QTest::newRow("lone surrogate") << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"))
                                    << QStringLiteral("a?b") << 3;
    // A name must never turn into printer commands.
    QTest::newRow("escape in a name") << QStringLiteral("a\x1b@\x1dV\x01z") << QStringLiteral("a?@?V?z") << 7;
    QTest::newRow("tab and newline") << QStringLiteral("a\tb\nc") << QStringLiteral("a?b?c") << 5;
}

void EscPosTest::printableText() {
    QFETCH(QString, text);
    QFETCH(QString, printed);
    QFETCH(int, columns);
    QCOMPARE(escpos::printable(text), printed);
    QCOMPARE(escpos::columns(escpos::printable(text)), columns);
    // What goes to the printer reads back as the same text, each character one or two bytes.
    escpos::Page page(40);
    page.text(text);
    const EscPosReading read = readEscPos(escpos::bytes(page, {}));
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.texts(), QStringList{printed});
    QCOMPARE(read.lines.first().columns, columns);
}

void EscPosTest::wrapKeepsCharactersWhole() {
    const QString name = QStringLiteral("特大号Coca-Cola可口可乐330ml罐装饮料");
    for (int width : {3, 7, 10, 32}) {
        const QStringList pieces = escpos::wrap(name, width);
        QCOMPARE(pieces.join(QString()), name);
        for (const QString& piece : pieces)
            QVERIFY2(escpos::columns(piece) <= width, qPrintable(piece));
    }
}

void EscPosTest::testPageFitsThePaper_data() {
    QTest::addColumn<int>("columns");
    QTest::newRow("58 mm") << 32;
    QTest::newRow("80 mm, 42 columns") << 42;
    QTest::newRow("80 mm") << 48;
    QTest::newRow("odd") << 33;
}

void EscPosTest::testPageFitsThePaper() {
    QFETCH(int, columns);
    const EscPosReading read = readEscPos(escpos::bytes(samplePage(columns), {}));
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    for (const EscPosTextLine& line : read.lines)
        QVERIFY2(line.columns <= columns, qPrintable(line.text));
    // The shop's name first, large; the ruler's last digit stands at the right edge.
    QVERIFY(read.lines.first().text.contains(QStringLiteral("蓝湖便利店")));
    QVERIFY(read.lines.first().doubleHeight);
    const int ruler = read.lineWith(QStringLiteral("1234567890"));
    QVERIFY(ruler > 0);
    QCOMPARE(read.lines[ruler].columns, columns);
    QCOMPARE(read.lines[ruler].text.back(), QChar(QLatin1Char('0' + columns % 10)));
    // A full line of Chinese characters, two columns each, as GB18030 double bytes.
    const int chinese = read.lineWith(QStringLiteral("中文打印"));
    QVERIFY(chinese > 0);
    QCOMPARE(read.lines[chinese].columns, columns - columns % 2);
    QCOMPARE(read.lines[chinese].bytes.left(4), QByteArray("\xD6\xD0\xCE\xC4"));
    QVERIFY(read.lineWith(QStringLiteral("%1列").arg(columns)) > 0);
}

void EscPosTest::finishFollowsTheSettings_data() {
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("drawer");
    QTest::newRow("neither") << false << false;
    QTest::newRow("cut") << true << false;
    QTest::newRow("drawer") << false << true;
    QTest::newRow("both") << true << true;
}

void EscPosTest::finishFollowsTheSettings() {
    QFETCH(bool, cut);
    QFETCH(bool, drawer);
    const EscPosReading read = readEscPos(escpos::bytes(samplePage(32), {cut, drawer}));
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    const QStringList names = read.commandNames();
    QCOMPARE(names.mid(0, 2), (QStringList{QStringLiteral("ESC @"), QStringLiteral("FS &")}));
    QCOMPARE(read.count(QStringLiteral("GS V")), int(cut));
    QCOMPARE(read.count(QStringLiteral("ESC p")), int(drawer));
    QCOMPARE(read.count(QStringLiteral("FS .")), 1);
    // Chinese mode ends, the cut and the pulse come after the last line, with the text in normal size.
    for (const EscPosCommand& c : read.commands)
        if (c.name == QLatin1String("GS V") || c.name == QLatin1String("ESC p") || c.name == QLatin1String("FS ."))
            QCOMPARE(c.beforeLine, read.lines.size());
    QVERIFY(!read.lines.last().doubleHeight);
    QVERIFY(read.lines[read.lineWith(QStringLiteral("123.45"))].doubleHeight);
}

void EscPosTest::printerAddresses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("shown");  // as the message names it
    QTest::newRow("usb device") << QStringLiteral(" /dev/usb/lp0 ") << true << QStringLiteral("/dev/usb/lp0");
    QTest::newRow("network") << QStringLiteral("192.168.1.100:9100") << true << QStringLiteral("192.168.1.100:9100");
    QTest::newRow("host alone") << QStringLiteral("printer.local") << true << QStringLiteral("printer.local:9100");
    QTest::newRow("ipv6") << QStringLiteral("[fe80::1]:9101") << true << QStringLiteral("[fe80::1]:9101");
    QTest::newRow("cups queue") << QStringLiteral("cups:receipt") << true << QStringLiteral("cups:receipt");
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("cups without queue") << QStringLiteral("cups:") << false << QString();
    QTest::newRow("port no number") << QStringLiteral("192.168.1.100:abc") << false << QString();
    QTest::newRow("port too large") << QStringLiteral("192.168.1.100:70000") << false << QString();
}

void EscPosTest::printerAddresses() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, shown);
    QString error;
    const std::optional<PrinterAddress> address = parsePrinterAddress(text, &error);
    QCOMPARE(address.has_value(), valid);
    if (valid)
        QCOMPARE(address->text(), shown);
    else
        QVERIFY(!error.isEmpty());
}

void EscPosTest::deviceOpenMessages_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << ENOENT << QStringLiteral("找不到打印机设备“/dev/usb/lp0”");
    QTest::newRow("permission") << EACCES << QStringLiteral("lp 组");
    QTest::newRow("not permitted") << EPERM << QStringLiteral("sudo adduser 用户名 lp");
    QTest::newRow("no printer behind") << ENODEV << QStringLiteral("后面没有打印机");
    QTest::newRow("busy") << EBUSY << QStringLiteral("别的程序");
}

void EscPosTest::deviceOpenMessages() {
    QFETCH(int, error);
    QFETCH(QString, says);
    const QString text = deviceOpenErrorText(QStringLiteral("/dev/usb/lp0"), error);
    QVERIFY2(text.contains(says), qPrintable(text));
}

void EscPosTest::printsIntoAFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lp0"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray first = escpos::bytes(samplePage(32), {true, false});
    const QByteArray second = escpos::bytes(samplePage(48), {false, true});
    QCOMPARE(sendToPrinter(device(path), first, kAnswered), QString());
    QCOMPARE(sendToPrinter(device(path), second, kAnswered), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first + second);  // a device takes one job after the other
}

void EscPosTest::printsToANetworkPrinter() {
    TestPrinter printer(TestPrinter::Behaviour::TakesJob);
    const QByteArray job = escpos::bytes(samplePage(48), {true, true});
    QCOMPARE(sendToPrinter(printer.address(), job, kAnswered), QString());
    QCOMPARE(printer.received(), job);
}

void EscPosTest::printsThroughARawCupsQueue() {
    if (const QString why = RawCupsQueue::missing(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestPrinter printer(TestPrinter::Behaviour::TakesJob);
    RawCupsQueue cups(QStringLiteral("receipt"), printer.port());
    QTRY_VERIFY_WITH_TIMEOUT(cups.ready(), 30000);
    qputenv("CUPS_SERVER", QFile::encodeName(cups.socketPath()));
    QString error;
    const std::optional<PrinterAddress> queue = parsePrinterAddress(QStringLiteral("cups:receipt"), &error);
    const QByteArray job = escpos::bytes(samplePage(32), {true, true});
    error = sendToPrinter(*queue, job, kAnswered);
    qunsetenv("CUPS_SERVER");
    QCOMPARE(error, QString());
    QCOMPARE(printer.received(), job);
}

void EscPosTest::failures_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("says");
    QTest::newRow("no device") << QStringLiteral("missing") << QStringLiteral("找不到打印机设备");
    QTest::newRow("device refuses writing") << QStringLiteral("/dev/full") << QStringLiteral("小票没有打印");
    QTest::newRow("connection refused") << QStringLiteral("refused") << QStringLiteral("拒绝连接");
    QTest::newRow("printer silent") << QStringLiteral("silent") << QStringLiteral("秒内没有应答");
    QTest::newRow("closed half-way") << QStringLiteral("drops") << QStringLiteral("出错");
    QTest::newRow("cups queue missing") << QStringLiteral("cups") << QStringLiteral("队列“tovrakel-no-such-queue”没有接受小票");
}

void EscPosTest::failures() {
    QFETCH(QString, situation);
    QFETCH(QString, says);
    const QByteArray job = escpos::bytes(samplePage(32), {});
    QTemporaryDir dir;
    QString error;
    if (situation == QLatin1String("missing")) {
        error = sendToPrinter(device(dir.filePath(QStringLiteral("lp0"))), job, kAnswered);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("lp0"))));  // never made up
    } else if (situation == QLatin1String("/dev/full")) {
        error = sendToPrinter(device(situation), job, kAnswered);
    } else if (situation == QLatin1String("refused")) {
        PrinterAddress closed;
        {
            TestPrinter gone(TestPrinter::Behaviour::Silent);
            closed = gone.address();
        }
        error = sendToPrinter(closed, job, kAnswered);
    } else if (situation == QLatin1String("silent")) {
        TestPrinter printer(TestPrinter::Behaviour::Silent);
        error = sendToPrinter(printer.address(), job, kSilentWait);
    } else if (situation == QLatin1String("drops")) {
        TestPrinter printer(TestPrinter::Behaviour::DropsHalfWay);
        error = sendToPrinter(printer.address(), job, kAnswered);
        QVERIFY(!printer.received().isEmpty());
    } else if (situation == QLatin1String("cups")) {
        qputenv("CUPS_SERVER", dir.filePath(QStringLiteral("no-scheduler.sock")).toUtf8());
        PrinterAddress queue;
        queue.kind = PrinterAddress::Kind::CupsQueue;
        queue.queue = QStringLiteral("tovrakel-no-such-queue");
        error = sendToPrinter(queue, job, kAnswered);
        qunsetenv("CUPS_SERVER");
    }
    QVERIFY2(error.contains(says), qPrintable(error));
}

QTEST_GUILESS_MAIN(EscPosTest)
#include "test_escpos.moc"
