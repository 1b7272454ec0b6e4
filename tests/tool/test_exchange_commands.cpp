// tovrakel-tool export-xls, import-xls, backup and restore, run as a shop's scripts would.
#include "store/database.h"
#include "support/test_session.h"
#include "support/tool_run.h"
#include "support/xls_fixture.h"

#include <QProcess>
#include <QtTest>

class ExchangeCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    ToolRun tool(QStringList args, const QByteArray& input = {}, bool inWorkdir = true) {
        if (inWorkdir)
            args << "--workdir" << m_session->path();
        return runTool(args, input);
    }
    QString path(const QString& name) { return m_session->file(name); }
    // Writes rows into the folder's data.mdb, as the shop left it before the script runs.
    void write(const std::function<void(LedgerBuilder&)>& rows) {
        Database db;
        db.open(path("data.mdb"));
        LedgerBuilder ledger(db, kTestNow.date());
        rows(ledger);
    }
    int stock(const QString& file) {
        Database db;
        db.open(file);
        return db.scalar("select count(*) from data").toInt();
    }
    // The sheet as Debian's xlrd reads it: rows of cell values.
    QJsonArray readSheet(const QString& file) {
        QProcess p;
        p.start("/usr/bin/python3",
                {"-c",
                 "import json,sys,xlrd\ns=xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                 "print(json.dumps([[s.cell_value(r,c) for c in range(s.ncols)] for r in range(s.nrows)]))",
                 file});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return {};
        return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(SessionLedger::None);
        Database::create(path("data.mdb"));
    }
    void cleanup() { m_session.reset(); }

    void exportEachGrid_data() {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("footer");
        QTest::newRow("inventory") << "inventory" << "商品进货统计报表" << 15 << "总计";
        QTest::newRow("sales") << "sales" << "销 售 报 表" << 15 << "合计";
        QTest::newRow("summary") << "summary" << "商品进销存统计报表" << 10 << "总计";
    }
    void exportEachGrid() {
        QFETCH(QString, grid);
        QFETCH(QString, title);
        QFETCH(int, columns);
        QFETCH(QString, footer);
        write([](LedgerBuilder& ledger) {
            ledger.addBatch({.name = "铅笔", .model = "HB", .purchasePrice = 1.25, .quantity = 10, .date = "2024-01-02"});
            ledger.addSale({.name = "铅笔", .customerNumber = "2024010201", .quantity = 2, .amount = 5, .profit = 2.5,
                            .date = "2024-01-03"});
        });
        const QString out = path(grid + ".xls");
        const ToolRun r = tool({"export-xls", grid, out});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("已把 1 条记录写入"));
        if (!QFile::exists("/usr/bin/python3"))
            QSKIP("no /usr/bin/python3");
        const QJsonArray rows = readSheet(out);
        QCOMPARE(rows.size(), 2 + 2 + 1 + 1);
        QCOMPARE(rows[0].toArray()[3].toString(), title);
        QCOMPARE(rows[1].toArray()[0].toString(), QStringLiteral("制表人：超级管理员"));
        QCOMPARE(rows[3].toArray().size(), columns);
        QCOMPARE(rows[4].toArray()[0].toString(), QStringLiteral("铅笔"));
        QCOMPARE(rows[5].toArray()[0].toString(), footer);
    }

    // Another user's export leaves out the fields the login withholds from that user, in each grid.
    void restrictedUserExport_data() {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("withheld");
        QTest::newRow("inventory") << "inventory" << 12 << QStringList{"1.25", "12.5", "6.25"};
        QTest::newRow("sales") << "sales" << 14 << QStringList{"1.35"};
        QTest::newRow("summary") << "summary" << 7 << QStringList{"12.5", "7.75", "6.25"};
    }
    void restrictedUserExport() {
        QFETCH(QString, grid);
        QFETCH(int, columns);
        QFETCH(QStringList, withheld);
        write([](LedgerBuilder& ledger) {
            ledger.addBatch({.name = "铅笔", .purchasePrice = 1.25, .purchaseAmount = 12.5, .salesTotal = 7.75,
                             .stockAmount = 6.25});
            ledger.addSale({.name = "铅笔", .purchasePrice = 1.25, .quantity = 2, .amount = 4, .profit = 1.35,
                            .date = "2024-01-03"});
        });
        ToolRun r = tool({"export-xls", grid, path("clerk.xls"), "--user", "张三"});
        QCOMPARE(r.exitCode, 0);
        if (!QFile::exists("/usr/bin/python3"))
            QSKIP("no /usr/bin/python3");
        const QJsonArray rows = readSheet(path("clerk.xls"));
        QCOMPARE(rows[1].toArray()[0].toString(), QStringLiteral("制表人：张三"));
        QCOMPARE(rows[3].toArray().size(), columns);
        const QByteArray all = QJsonDocument(rows).toJson();
        for (const QString& value : withheld)
            QVERIFY2(!all.contains(value.toLatin1()), qPrintable(value));
        // The administrator's export of the same grid has them.
        r = tool({"export-xls", grid, path("boss.xls")});
        QCOMPARE(r.exitCode, 0);
        const QByteArray boss = QJsonDocument(readSheet(path("boss.xls"))).toJson();
        for (const QString& value : withheld)
            QVERIFY2(boss.contains(value.toLatin1()), qPrintable(value));
    }

    void exportRefusals() {
        ToolRun r = tool({"export-xls", "inventory", path("empty.xls")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!QFile::exists(path("empty.xls")));
        r = tool({"export-xls", "prices", path("x.xls")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("用法："));
    }

    void importWorkbook() {
        if (!haveXlwt())
            QSKIP("python3-xlwt is needed to write the workbooks");
        QVERIFY(writeWorkbook(path("good.xls"), {sheet("lanbor", {importHeader(), stockRow("铅笔", "QB", "2024-01-01"),
                                                                  stockRow("橡皮", "XP", "2024-01-02")})}));
        ToolRun r = tool({"import-xls", path("good.xls")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("已把 2 条入库记录导入"));
        QCOMPARE(stock(path("data.mdb")), 2);

        QJsonArray bad = stockRow("尺子", "CZ", "2024-01-03");
        bad[9] = "abc";
        QVERIFY(writeWorkbook(path("bad.xls"), {sheet("lanbor", {importHeader(), stockRow("铅笔", "QB", "2024-01-01"), bad})}));
        r = tool({"import-xls", path("bad.xls")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("第 3 行") && r.err.contains("a3"), r.err.constData());
        QCOMPARE(stock(path("data.mdb")), 2);
    }

    // An .xlsx and an .ods import like an .xls; a formula saved without its result is refused
    // naming its cell, and nothing is appended.
    void importXlsxAndOds() {
        const QString folder = qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + "/tests/exchange/workbooks/";
        ToolRun r = tool({"import-xls", folder + "stock.xlsx"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("已把 5 条入库记录导入"));
        r = tool({"import-xls", folder + "formulas-libreoffice.ods"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(stock(path("data.mdb")), 6);
        r = tool({"import-xls", folder + "formulas.xlsx"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("A2") && r.err.contains("公式没有保存结果"), r.err.constData());
        QCOMPARE(stock(path("data.mdb")), 6);
    }

    // A workbook that crashes the reader is reported as damaged; the tool itself ends normally
    // and the ledger is untouched. read-xls shows what would be imported.
    void damagedWorkbook() {
        const QString folder = qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + "/tests/exchange/workbooks/";
        ToolRun r = tool({"import-xls", folder + "reader-crash.xls"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("已损坏"), r.err.constData());
        QCOMPARE(stock(path("data.mdb")), 0);

        r = tool({"import-xls", folder + "no-sheets.xls"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("已损坏"), r.err.constData());

        r = tool({"read-xls", folder + "sound.xls"}, {}, false);
        QCOMPARE(r.exitCode, 0);
        const QJsonArray rows = QJsonDocument::fromJson(r.out).object().value("rows").toArray();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).toArray().at(0).toInt(), 2);
        QCOMPARE(rows.at(0).toArray().at(1).toString(), QStringLiteral("铅笔"));
        QCOMPARE(rows.at(0).toArray().at(10).toDouble(), 15.0);
        QCOMPARE(stock(path("data.mdb")), 0);
    }

    void backupAndRestore() {
        write([](LedgerBuilder& ledger) { ledger.addBatch({.name = "铅笔"}); });
        ToolRun r = tool({"backup", path("nightly.mdb")});
        QCOMPARE(r.exitCode, 0);
        Database::verify(path("nightly.mdb"));
        r = tool({"backup", path("nightly.mdb")});  // a script's second night replaces it
        QCOMPARE(r.exitCode, 0);
        r = tool({"backup", path("no/such/folder/x.mdb")});
        QCOMPARE(r.exitCode, 1);

        write([](LedgerBuilder& ledger) { ledger.addBatch({.name = "橡皮"}); });
        QFile junk(path("junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("junk");
        junk.close();
        r = tool({"restore", path("junk.mdb")}, "888\n");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(stock(path("data.mdb")), 2);

        // The administrator's password of the ledger being replaced, one line on standard input.
        for (const QByteArray& wrong : {QByteArray(), QByteArray("777\n")}) {
            r = tool({"restore", path("nightly.mdb")}, wrong);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains("管理员密码"), r.err.constData());
            QCOMPARE(stock(path("data.mdb")), 2);
        }
        r = tool({"restore", path("nightly.mdb")}, "888\n");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(stock(path("data.mdb")), 1);
        QVERIFY(r.out.contains("before-restore"));
    }
};

QTEST_GUILESS_MAIN(ExchangeCommandsTest)
#include "test_exchange_commands.moc"
