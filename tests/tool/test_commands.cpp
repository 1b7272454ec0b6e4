// tovrakel-tool init, --version and help: a new ledger never replaces one, and every subcommand is
// described in the list and on its own; everything the tool says is Chinese and names the user's
// files.
#include "support/test_session.h"
#include "support/tool_run.h"

#include <QtTest>

namespace {

const QStringList kSubcommands = {"init",    "pinyin",   "capitals", "export",       "export-xls", "import-xls", "read-xls",
                                  "backup",  "restore",  "migrate",  "generate",     "receipt-test", "receipt",  "help"};

// The Latin words of a line that are none of the tool's own names, options, values, file names,
// numbers or the names of formats and systems. Text in full-width brackets that holds no Chinese is
// the system's or the engine's own message, shown as the detail.
QStringList foreignWords(QString line) {
    static const QStringList names = kSubcommands + QStringList{"tovrakel-tool", "inventory", "sales", "summary", "CUPS",
                                                                "cups", "JSON", "Excel", "UTF-8", "GBK", "lanbor",
                                                                "yyyy-mm-dd", "database", "PGPASSWORD"};
    line.remove(QRegularExpression(QStringLiteral("（[\\x{20}-\\x{7e}]*）")));
    line.remove(QRegularExpression(QStringLiteral("--[a-z][a-z-]*")));
    line.remove(QRegularExpression(QStringLiteral("\\S*[/.]\\S*")));  // paths and file names
    QStringList foreign;
    for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("[A-Za-z][A-Za-z0-9-]*")).globalMatch(line))
        if (!names.contains(m.captured()))
            foreign << m.captured();
    return foreign;
}

}  // namespace

class ToolCommandsTest : public QObject {
    Q_OBJECT

    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initCreatesAndRefusesToOverwrite() {
        TestSession session(SessionLedger::None);
        const QString ledger = session.file(QStringLiteral("data.mdb"));
        ToolRun r = runTool({"init", "--workdir", session.path()});
        QCOMPARE(r.exitCode, 0);
        const QByteArray first = readFile(ledger);
        QVERIFY(first.startsWith("SQLite format 3"));
        r = runTool({"init", "--workdir", session.path()});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(readFile(ledger), first);
    }

    void versionAndHelp() {
        QCOMPARE(runTool({"--version"}).out.trimmed(), QByteArray("tovrakel-tool 2.3.2"));
        const ToolRun list = runTool({"--help"});
        QCOMPARE(list.exitCode, 0);
        const QString help = QString::fromUtf8(list.out);
        for (const char* sub : {"init", "pinyin", "capitals", "export-xls", "import-xls", "backup", "restore", "generate"}) {
            QVERIFY2(help.contains(QStringLiteral("tovrakel-tool ") + QLatin1String(sub)), sub);
            const ToolRun one = runTool({"help", QLatin1String(sub)});
            QCOMPARE(one.exitCode, 0);
            QVERIFY(one.out.startsWith("用法：tovrakel-tool " + QByteArray(sub)));
        }
        QCOMPARE(runTool({"help", "nonsense"}).exitCode, 2);
    }

    // Help, refusals and what was done, as a script sees them: "@" stands for a folder holding a
    // new data.mdb, a copy of it, a file that is no ledger, and a folder in the way of a backup's
    // copy in progress.
    void everyTextIsChinese_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("--help") << QStringList{"--help"} << QByteArray() << 0 << "tovrakel-tool receipt-test [";
        for (const QString& sub : kSubcommands)
            QTest::addRow("help %s", qPrintable(sub)) << QStringList{"help", sub} << QByteArray() << 0
                                                      << "用法：tovrakel-tool " + sub;
        QTest::newRow("no subcommand") << QStringList{} << QByteArray() << 2 << "用法：";
        QTest::newRow("unknown subcommand") << QStringList{"nonsense"} << QByteArray() << 2 << "用法：";
        QTest::newRow("help unknown") << QStringList{"help", "导出"} << QByteArray() << 2 << "导出";
        QTest::newRow("init over a ledger") << QStringList{"init", "--workdir", "@"} << QByteArray() << 1 << "@/data.mdb";
        QTest::newRow("init") << QStringList{"init", "--workdir", "@/new"} << QByteArray() << 0 << "@/new/data.mdb";
        QTest::newRow("pinyin with arguments") << QStringList{"pinyin", "x"} << QByteArray() << 2 << "标准输入";
        QTest::newRow("capitals with arguments") << QStringList{"capitals", "x"} << QByteArray() << 2 << "标准输入";
        QTest::newRow("export without a file") << QStringList{"export", "sales"} << QByteArray() << 2 << "用法：";
        QTest::newRow("export unknown option")
            << QStringList{"export", "sales", "@/a.xlsx", "--bogus", "1"} << QByteArray() << 2 << "--bogus";
        QTest::newRow("export option without value")
            << QStringList{"export", "sales", "@/a.xlsx", "--workdir"} << QByteArray() << 2 << "--workdir";
        QTest::newRow("export dates of the stock")
            << QStringList{"export", "inventory", "@/a.xlsx", "--from", "2024-01-01", "--workdir", "@"} << QByteArray()
            << 1 << "--from";
        QTest::newRow("export without a ledger")
            << QStringList{"export", "sales", "@/a.xlsx", "--workdir", "@/none"} << QByteArray() << 1 << "@/none/data.mdb";
        QTest::newRow("export of nothing") << QStringList{"export", "sales", "@/a.xlsx", "--workdir", "@"} << QByteArray()
                                           << 1 << "没有可导出的记录";
        QTest::newRow("import without a workbook") << QStringList{"import-xls"} << QByteArray() << 2 << "用法：";
        QTest::newRow("import of a missing workbook")
            << QStringList{"import-xls", "@/none.xls", "--workdir", "@"} << QByteArray() << 1 << "@/none.xls";
        QTest::newRow("read of a missing workbook") << QStringList{"read-xls", "@/none.xls"} << QByteArray() << 1
                                                    << "@/none.xls";
        QTest::newRow("backup without a target") << QStringList{"backup"} << QByteArray() << 2 << "用法：";
        QTest::newRow("backup into a missing folder")
            << QStringList{"backup", "@/no/x.mdb", "--workdir", "@"} << QByteArray() << 1 << "@/no";
        QTest::newRow("backup blocked") << QStringList{"backup", "@/blocked.mdb", "--workdir", "@"} << QByteArray() << 1
                                        << "@/blocked.mdb";
        QTest::newRow("backup") << QStringList{"backup", "@/nightly.mdb", "--workdir", "@"} << QByteArray() << 0
                                << "@/nightly.mdb";
        QTest::newRow("restore without a source") << QStringList{"restore"} << QByteArray() << 2 << "用法：";
        QTest::newRow("restore of no ledger")
            << QStringList{"restore", "@/junk.mdb", "--workdir", "@"} << QByteArray("888\n") << 1 << "@/junk.mdb";
        QTest::newRow("restore with a wrong password")
            << QStringList{"restore", "@/copy.mdb", "--workdir", "@"} << QByteArray("777\n") << 1 << "管理员密码";
        QTest::newRow("restore") << QStringList{"restore", "@/copy.mdb", "--workdir", "@"} << QByteArray("888\n") << 0
                                 << "before-restore";
        QTest::newRow("backup of an unreachable server's ledger")
            << QStringList{"backup", "@/b.mdb", "--database", "postgresql://till@127.0.0.1:1/shop"} << QByteArray() << 1
            << "127.0.0.1:1/shop";
        QTest::newRow("restore onto an unreachable server's ledger")
            << QStringList{"restore", "@/copy.mdb", "--database", "postgresql://till@127.0.0.1:1/shop"} << QByteArray("888\n")
            << 1 << "127.0.0.1:1/shop";
        QTest::newRow("migrate without a target") << QStringList{"migrate", "--from", "@"} << QByteArray() << 2 << "用法：";
        QTest::newRow("migrate from nothing")
            << QStringList{"migrate", "--from", "@/none", "--to", "@/new"} << QByteArray() << 1 << "@/none/data.mdb";
        QTest::newRow("migrate into a ledger")
            << QStringList{"migrate", "--from", "@/copy.mdb", "--to", "@"} << QByteArray() << 0 << "@/data.mdb";
        QTest::newRow("migrate onto itself")
            << QStringList{"migrate", "--from", "@", "--to", "@/data.mdb"} << QByteArray() << 1 << "同一个账本";
        QTest::newRow("generate a wrong count") << QStringList{"generate", "--stock", "x"} << QByteArray() << 2 << "用法：";
        QTest::newRow("generate")
            << QStringList{"generate", "--workdir", "@/gen", "--stock", "3", "--sales", "3", "--years", "1"} << QByteArray()
            << 0 << "@/gen/data.mdb";
        QTest::newRow("receipt paper") << QStringList{"receipt-test", "--printer", "/dev/null", "--paper", "70"}
                                       << QByteArray() << 2 << "--paper";
        QTest::newRow("receipt columns") << QStringList{"receipt-test", "--printer", "/dev/null", "--columns", "8"}
                                         << QByteArray() << 2 << "--columns";
        QTest::newRow("receipt unknown option") << QStringList{"receipt-test", "--bogus", "1"} << QByteArray() << 2
                                                << "--bogus";
        QTest::newRow("receipt without a customer") << QStringList{"receipt", "--printer", "/dev/null"} << QByteArray()
                                                    << 2 << "用法：";
        QTest::newRow("receipt of an unknown customer")
            << QStringList{"receipt", "--customer", "2024", "--printer", "/dev/null", "--workdir", "@"} << QByteArray()
            << 1 << "2024";
        QTest::newRow("receipt printer missing")
            << QStringList{"receipt-test", "--printer", "/dev/usb/tovrakel-no-lp"} << QByteArray() << 1
            << "/dev/usb/tovrakel-no-lp";
        QTest::newRow("receipt test page") << QStringList{"receipt-test", "--printer", "/dev/null"} << QByteArray() << 0
                                           << "/dev/null";
    }
    void everyTextIsChinese() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        TestSession session(SessionLedger::None);
        const QString folder = session.path();
        Database::create(session.file("data.mdb"));
        QVERIFY(QFile::copy(session.file("data.mdb"), session.file("copy.mdb")));
        QFile junk(session.file("junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("junk") == 4);
        junk.close();
        QVERIFY(QDir().mkpath(session.file("blocked.mdb.part")));
        for (QString& arg : args)
            arg.replace(QLatin1Char('@'), folder);
        says.replace(QLatin1Char('@'), folder);

        const ToolRun r = runTool(args, input);
        const QString said = QString::fromUtf8(r.out + r.err);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(said.contains(says), qPrintable(said));
        QVERIFY2(!said.contains(QStringLiteral(".part")), qPrintable(said));
        for (const QString& line : said.split(QLatin1Char('\n')))
            QVERIFY2(foreignWords(line).isEmpty(), qPrintable(line + QStringLiteral(" -- ") + foreignWords(line).join(' ')));
    }
};

QTEST_GUILESS_MAIN(ToolCommandsTest)
#include "test_commands.moc"
