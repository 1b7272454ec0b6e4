// tovrakel-tool receipt-test and receipt, as a shop sets up a till over a remote shell: the test
// page and an order's reprint on an ESC/POS printer named on the command line or set up in
// 小票打印机, and what the shop is told when the printer or the options are wrong.
#include "printing/receipt_printer_settings.h"
#include "store/database.h"
#include "store/settings.h"
#include "support/escpos_reader.h"
#include "support/test_session.h"
#include "support/tool_run.h"

#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

#include <unistd.h>

class ReceiptCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    // An empty file standing for the printer's device.
    QString device() {
        const QString path = m_session->file(QStringLiteral("lp0"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }
    EscPosReading printed(const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return readEscPos(f.readAll());
    }

private slots:
    void init() { m_session = std::make_unique<TestSession>(SessionLedger::None); }
    void cleanup() { m_session.reset(); }

    void testPageOnTheNamedPrinter() {
        const QString lp = device();
        const ToolRun r = runTool({"receipt-test", "--printer", lp, "--paper", "80"});
        QCOMPARE(r.exitCode, 0);
        const EscPosReading read = printed(lp);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.lines[read.lineWith(QStringLiteral("1234567890"))].columns, 48);
        QCOMPARE(read.count(QStringLiteral("GS V")), 1);  // the defaults: cut, drawer shut
        QCOMPARE(read.count(QStringLiteral("ESC p")), 0);
    }

    void storedPrinterCountsWithoutOptions() {
        const QString lp = device();
        WriteSetting(kMainKey, kReceiptPrinterKind, kEscPosKindText);
        WriteSetting(kMainKey, kReceiptPrinterConnection, lp);
        WriteSetting(kMainKey, kReceiptPrinterPaper, QStringLiteral("80"));
        WriteSetting(kMainKey, kReceiptPrinterColumns, QStringLiteral("42"));
        WriteSetting(kMainKey, kReceiptPrinterDrawer, QStringLiteral("yes"));
        WriteSetting(kMainKey, QStringLiteral("company"), QStringLiteral("蓝湖便利店"));
        QCOMPARE(runTool({"receipt-test"}).exitCode, 0);
        EscPosReading read = printed(lp);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.lines.first().text.contains(QStringLiteral("蓝湖便利店")));
        QCOMPARE(read.lines[read.lineWith(QStringLiteral("1234567890"))].columns, 42);
        QCOMPARE(read.count(QStringLiteral("ESC p")), 1);

        // The reprint of an order: its own lines and total, and the drawer stays shut.
        m_session->openLedger();
        m_session->ledger.addSale({.name = QStringLiteral("可乐"), .customerNumber = QStringLiteral("20240305001"),
                                   .price = 3.5, .quantity = 2.0});
        m_session->ledger.addSale({.name = QStringLiteral("别的单"), .customerNumber = QStringLiteral("20240305002")});
        m_session->ledger.addSale({.name = QStringLiteral("雪碧"), .customerNumber = QStringLiteral("20240305001"),
                                   .price = 3.0, .quantity = 1.0});
        device();
        const ToolRun r = runTool({"receipt", "--customer", "20240305001", "--workdir", m_session->path()});
        QCOMPARE(r.exitCode, 0);
        read = printed(lp);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.lineWith(QStringLiteral("可乐")) > 0 && read.lineWith(QStringLiteral("雪碧")) > 0);
        QCOMPARE(read.lineWith(QStringLiteral("别的单")), -1);
        QVERIFY(read.lines[read.lineWith(QStringLiteral("合计:"))].text.endsWith(QStringLiteral(" 10.00元")));
        QCOMPARE(read.count(QStringLiteral("ESC p")), 0);
        QVERIFY(read.lineWith(QStringLiteral("1234567890")) < 0);
        for (const EscPosTextLine& line : read.lines)
            QVERIFY(line.columns <= 42);

        QCOMPARE(runTool({"receipt", "--customer", "20240305009", "--workdir", m_session->path()}).exitCode, 1);
    }

    // A user outside the group that owns the device: what the shop must do is said.
    void permissionDeniedNamesTheLpGroup() {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            QSKIP("needs root and runuser to try as another user");
        const QString lp = device();
        QFile::setPermissions(lp, QFile::ReadOwner | QFile::WriteOwner);
        QProcess run;
        run.start(QStringLiteral("runuser"), {"-u", "nobody", "--", qEnvironmentVariable("TOVRAKEL_BINARY_DIR") +
                                              "/tovrakel-tool", "receipt-test", "--printer", lp});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 1);
        const QString said = QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("没有权限")) && said.contains(QStringLiteral("lp 组")), qPrintable(said));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost);
        const QString refused = QStringLiteral("127.0.0.1:%1").arg(gone.serverPort());
        gone.close();
        QTest::newRow("no printer set up") << QStringList{"receipt-test"} << 2 << QStringLiteral("--printer");
        QTest::newRow("paper") << QStringList{"receipt-test", "--printer", "/dev/null", "--paper", "70"} << 2
                               << QStringLiteral("--paper");
        QTest::newRow("columns") << QStringList{"receipt-test", "--printer", "/dev/null", "--columns", "8"} << 2
                                 << QStringLiteral("--columns");
        QTest::newRow("no customer") << QStringList{"receipt", "--printer", "/dev/null"} << 2 << QStringLiteral("用法：");
        QTest::newRow("refused") << QStringList{"receipt-test", "--printer", refused} << 1 << QStringLiteral("拒绝连接");
        QTest::newRow("no device") << QStringList{"receipt-test", "--printer", "/dev/usb/tovrakel-no-lp"} << 1
                                   << QStringLiteral("找不到打印机设备");
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const ToolRun r = runTool(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(r.err).contains(says), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(ReceiptCommandsTest)
#include "test_receipt_commands.moc"
