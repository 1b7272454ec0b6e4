// tovrakel-tool export: the kind of file from its name, the sales of a date range, and what an .xls
// cannot hold, read back by openpyxl as a shop's script would use the file.
#include "store/database.h"
#include "support/test_session.h"
#include "support/tool_run.h"
#include "support/xlsx_reader.h"

#include <QtTest>

class WorkbookExportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    ToolRun tool(QStringList args) {
        args << "--workdir" << m_session->path();
        return runTool(args);
    }
    QString path(const QString& name) { return m_session->file(name); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        Database db;
        db.open(path("data.mdb"));
        LedgerBuilder ledger(db, kTestNow.date());
        ledger.addSale({.name = "去年", .quantity = 1, .date = "2023-12-31"});
        ledger.addSale({.name = "一月初", .quantity = 2, .date = "2024-01-01"});
        ledger.addSale({.name = "一月底😀", .quantity = 3, .date = "2024-01-31"});
        ledger.addSale({.name = "二月", .quantity = 4, .date = "2024-02-01"});
    }
    void cleanup() { m_session.reset(); }

    // The sales of the days asked for, both ends included, with the range on the date line.
    void salesOfADateRange_data() {
        QTest::addColumn<QStringList>("range");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("dateLine");
        QTest::newRow("a month") << QStringList{"--from", "2024-01-01", "--to", "2024-01-31"}
                                 << QStringList{"一月初", "一月底😀"}
                                 << QStringList{"起始日期：2024-01-01", "截止日期：2024-01-31"};
        QTest::newRow("from a day on") << QStringList{"--from", "2024-01-31"} << QStringList{"一月底😀", "二月"}
                                       << QStringList{"起始日期：2024-01-31"};
        QTest::newRow("up to a day") << QStringList{"--to", "2023-12-31"} << QStringList{"去年"}
                                     << QStringList{"截止日期：2023-12-31"};
        QTest::newRow("every sale") << QStringList{} << QStringList{"去年", "一月初", "一月底😀", "二月"} << QStringList{};
    }
    void salesOfADateRange() {
        QFETCH(QStringList, range);
        QFETCH(QStringList, names);
        QFETCH(QStringList, dateLine);
        if (!haveOpenpyxl())
            QSKIP("no python3-openpyxl");
        const QString out = path("sales.xlsx");
        const ToolRun r = tool(QStringList{"export", "sales", out} + range);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("已把 %1 条记录写入").arg(names.size()).toUtf8()));
        const QJsonObject sheet = readXlsx(out)["sheets"].toArray()[0].toObject();
        QStringList shownNames, shownLine;
        const int firstRecord = dateLine.isEmpty() ? 5 : 6;
        for (const QJsonValue& v : sheet["cells"].toArray()) {
            const QJsonArray c = v.toArray();
            if (c[0].toInt() >= firstRecord && c[1].toInt() == 1)
                shownNames << c[2].toString();
            if (!dateLine.isEmpty() && c[0].toInt() == 2)
                shownLine << c[2].toString();
            if (c[0].toInt() >= firstRecord && c[1].toInt() == 8 && c[3].toString() == QLatin1String("d")) {
                const QString day = c[2].toString();
                QVERIFY2((range.indexOf("--from") < 0 || day >= range[range.indexOf("--from") + 1]) &&
                             (range.indexOf("--to") < 0 || day <= range[range.indexOf("--to") + 1]),
                         qPrintable(day));
            }
        }
        QCOMPARE(shownNames.mid(0, names.size()), names);
        QCOMPARE(shownNames.size(), names.size() + 1);  // and the footer "合计"
        QCOMPARE(shownLine, dateLine);
    }

    // export-xls stays as a name of the same command; the file's extension picks the kind, and an
    // .xls that cannot hold a text is refused with the reason and no file.
    void kindFromTheFileName() {
        const ToolRun xls = tool({"export-xls", "sales", path("old.xls"), "--from", "2024-02-01"});
        QCOMPARE(xls.exitCode, 0);
        QVERIFY(readAllStart(path("old.xls")).startsWith(QByteArray::fromHex("0908")));
        const ToolRun xlsx = tool({"export-xls", "sales", path("new.xlsx")});
        QCOMPARE(xlsx.exitCode, 0);
        QVERIFY(readAllStart(path("new.xlsx")).startsWith("PK"));
        const ToolRun refused = tool({"export", "sales", path("emoji.xls")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(QString::fromUtf8(refused.err).contains(QStringLiteral("“😀”不在 GBK 字符集里")), refused.err.constData());
        QVERIFY(refused.err.contains(".xlsx"));
        QVERIFY(!QFile::exists(path("emoji.xls")));
    }

    // A file the disk will not take is refused naming the file asked for, never a temporary file
    // written beside it, in the program's words with the system's as the detail; nothing is left.
    void aFileTheDiskRefusesNamesTheFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("detail");  // the system's own reason where it has one
        QTest::newRow("workbook") << "big.xlsx" << "";
        QTest::newRow("sheet") << "big.xls" << "磁盘只写入了";
    }
    void aFileTheDiskRefusesNamesTheFile() {
        QFETCH(QString, name);
        QFETCH(QString, detail);
        const QString program = qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + QStringLiteral("/tovrakel-tool");
        QProcess run;
        // Files may grow to 512 bytes; past that a write fails as on a full disk.
        run.start(QStringLiteral("/bin/sh"), {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"", program, "export",
                                              "sales", path(name), "--to", "2024-01-01", "--workdir", m_session->path()});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 1);
        const QString said = QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(said.startsWith(QStringLiteral("tovrakel-tool: 无法写入文件 ") + path(name) + QStringLiteral("（")),
                 qPrintable(said));
        QCOMPARE(said.count(QLatin1Char('\n')), 1);
        QVERIFY2(said.contains(detail), qPrintable(said));
        QVERIFY(!QFile::exists(path(name)));
        QCOMPARE(QDir(m_session->path()).entryList({"*big*"}, QDir::Hidden | QDir::Files).size(), 0);
    }

    void refusedOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("not a date") << QStringList{"export", "sales", "x.xlsx", "--from", "2024-13-01"} << 2;
        QTest::newRow("another form") << QStringList{"export", "sales", "x.xlsx", "--to", "2024/01/31"} << 2;
        QTest::newRow("not the sales") << QStringList{"export", "inventory", "x.xlsx", "--from", "2024-01-01"} << 1;
    }
    void refusedOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        args[2] = path(args[2]);
        QCOMPARE(tool(args).exitCode, exitCode);
        QVERIFY(!QFile::exists(args[2]));
    }

private:
    static QByteArray readAllStart(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.read(4) : QByteArray();
    }
};

QTEST_GUILESS_MAIN(WorkbookExportTest)
#include "test_workbook_export.moc"
