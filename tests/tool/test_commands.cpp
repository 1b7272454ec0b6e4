// tovrakel-tool init, --version and help: a new ledger never replaces one, and every subcommand is
// described in the list and on its own.
#include "support/test_session.h"
#include "support/tool_run.h"

#include <QtTest>

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
            QVERIFY(one.out.startsWith("usage: tovrakel-tool " + QByteArray(sub)));
        }
        QCOMPARE(runTool({"help", "nonsense"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(ToolCommandsTest)
#include "test_commands.moc"
