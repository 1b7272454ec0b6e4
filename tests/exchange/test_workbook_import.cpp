// The import of stock records from the worksheet "lanbor": conversions, refusals, all or nothing.
#include "exchange/exchange_error.h"
#include "exchange/workbook_import.h"
#include "exchange/workbook_values.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "support/test_session.h"
#include "support/xls_fixture.h"

#include <QtTest>

class WorkbookImportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    int stockCount() { return dm().connection().scalar(QStringLiteral("select count(*) from data")).toInt(); }
    QString workbook(const QJsonArray& sheets) {
        const QString path = m_session->file(QStringLiteral("book%1.xls").arg(++m_books));
        if (!writeWorkbook(path, sheets))
            return {};
        return path;
    }
    int m_books = 0;
    static QString fixture(const QString& name) {
        return qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + QStringLiteral("/tests/exchange/workbooks/") + name;
    }
    // One text per record: the columns the fixtures vary, in the order of their rows.
    QStringList records(const QString& columns) {
        QStringList out;
        Dataset rows(QStringLiteral("q"), QStringLiteral("select %1 from data order by id").arg(columns), &dm().connection());
        rows.open();
        for (int r = 0; r < rows.recordCount(); ++r) {
            QStringList fields;
            for (int c = 0; c < rows.columnCount(); ++c)
                fields << rows.value(r, c).toString();
            out << fields.join(QLatin1Char('|'));
        }
        return out;
    }
    // The message of a failing import.
    QString failure(const QString& path) {
        try {
            importStockWorkbook(dm().connection(), path);
        } catch (const ExchangeError& e) {
            return e.message();
        }
        return {};
    }

private slots:
    void initTestCase() {
        if (!haveXlwt())
            QSKIP("python3-xlwt is needed to write the workbooks");
    }
    void init() {
        m_session = std::make_unique<TestSession>();
    }
    void cleanup() { m_session.reset(); }

    // Three rows keep their own initials; dates come as date cells, bare serial numbers and text.
    void threeRowsAppended() {
        const QString path = workbook({sheet("lanbor", {importHeader(),
                                                         stockRow("铅笔", "XX", dateCell("2024-03-05")),
                                                         stockRow("橡皮", "YY", 45357),
                                                         stockRow("尺子", "ZZ", "2024-3-7")})});
        QVERIFY(!path.isEmpty());
        m_session->ledger.addBatch({.name = "已有"});
        QSignalSpy changed(&dm().connection().events(), &LedgerEvents::stockChanged);
        QCOMPARE(importStockWorkbook(dm().connection(), path), 3);
        QCOMPARE(changed.size(), 1);  // once for the whole import
        QCOMPARE(stockCount(), 4);
        Dataset rows(QStringLiteral("q"), QStringLiteral("select * from data where a <> '已有' order by id"),
                     &dm().connection());
        rows.open();
        QCOMPARE(rows.recordCount(), 3);
        const QStringList names = {"铅笔", "橡皮", "尺子"}, initials = {"XX", "YY", "ZZ"},
                          dates = {"2024-03-05", "2024-03-06", "2024-03-07"};
        for (int i = 0; i < 3; ++i, rows.next()) {
            QCOMPARE(rows.fieldText("a"), names[i]);
            QCOMPARE(rows.fieldText("e"), initials[i]);  // not computed
            QCOMPARE(rows.fieldText("f"), QStringLiteral("HB"));
            QCOMPARE(rows.fieldText("g"), QStringLiteral("供货商"));
            QCOMPARE(rows.fieldNumber("1"), 1.5);
            QCOMPARE(rows.fieldNumber("2"), 10.0);
            QCOMPARE(rows.fieldNumber("3"), 15.0);
            QCOMPARE(rows.fieldNumber("7"), 10.0);
            QCOMPARE(rows.fieldText("z"), QStringLiteral("备注"));
            QCOMPARE(rows.fieldText("day1"), dates[i]);
        }
    }

    // Columns in any order, others ignored, names in any case; numbers typed as text convert; a
    // code typed as a number becomes its text; empty rows are no records.
    void columnsByName() {
        QJsonArray header = importHeader();
        header.removeAt(16);
        header.prepend("DAY1");
        header.append("其他");
        const QJsonArray row = {dateCell("2024-01-02"), "笔", QJsonValue(), 1001, "文具", "B", QJsonValue(), "甲",
                                " 2.5 ", 4, 10, 3, 0, 0, 4, 10, "", "忽略"};
        const QString path = workbook({sheet("lanbor", {header, row, QJsonArray{}, QJsonArray{QJsonValue(), QJsonValue()}})});
        QCOMPARE(importStockWorkbook(dm().connection(), path), 1);
        Dataset rows(QStringLiteral("q"), QStringLiteral("select * from data"), &dm().connection());
        rows.open();
        QCOMPARE(rows.fieldText("day1"), QStringLiteral("2024-01-02"));
        QCOMPARE(rows.fieldText("a"), QStringLiteral("笔"));
        QVERIFY(rows.fieldValue("b").isNull());
        QCOMPARE(rows.fieldText("c"), QStringLiteral("1001"));
        QCOMPARE(rows.fieldNumber("1"), 2.5);
        QVERIFY(rows.fieldValue("z").isNull());
    }

    // Formula cells bring the result the workbook saved with them: a number, a text, TRUE as 1
    // and an empty text as no value.
    void formulaResultsImported() {
        QJsonArray row = stockRow("铅笔", "QB", "2024-01-01");
        row[0] = formulaCell("\"铅\"&\"笔\"", {{"text", "铅笔"}});
        row[9] = formulaCell("H2*I2", {{"result", 60}});
        row[11] = formulaCell("I2>5", {{"bool", true}});
        row[13] = formulaCell("I2-L2", {{"result", 9.5}});
        row[15] = formulaCell("\"\"");
        row[16] = formulaCell("DATE(2024,3,5)", {{"result", 45356}});
        const QString path = workbook({sheet("lanbor", {importHeader(), row})});
        QCOMPARE(importStockWorkbook(dm().connection(), path), 1);
        Dataset rows(QStringLiteral("q"), QStringLiteral("select * from data"), &dm().connection());
        rows.open();
        QCOMPARE(rows.fieldText("a"), QStringLiteral("铅笔"));
        QCOMPARE(rows.fieldValue("3").toDouble(), 60.0);
        QCOMPARE(rows.fieldValue("5").toDouble(), 1.0);
        QCOMPARE(rows.fieldValue("7").toDouble(), 9.5);
        QVERIFY(rows.fieldValue("z").isNull());
        QCOMPARE(rows.fieldText("day1"), QStringLiteral("2024-03-05"));
    }

    void emptyDay1GivesNoDate() {
        const QString path = workbook({sheet("lanbor", {importHeader(), stockRow("铅笔", "QB", QJsonValue())})});
        QCOMPARE(importStockWorkbook(dm().connection(), path), 1);
        QCOMPARE(dm().connection().scalar(QStringLiteral("select count(*) from data where day1 is null")).toInt(), 1);
    }

    void refusals_data() {
        QTest::addColumn<QJsonArray>("sheets");
        QTest::addColumn<QStringList>("expected");  // parts the message must hold
        QTest::newRow("sheet named otherwise")
            << QJsonArray{sheet("Sheet1", {importHeader(), stockRow("铅笔", "QB", "2024-01-01")})}
            << QStringList{"lanbor", "Sheet1"};
        QJsonArray noA2 = importHeader();
        noA2.removeAt(8);
        QJsonArray shortRow = stockRow("铅笔", "QB", "2024-01-01");
        shortRow.removeAt(8);
        QTest::newRow("missing column") << QJsonArray{sheet("lanbor", {noA2, shortRow})} << QStringList{"缺少列", "a2"};
        QTest::newRow("bad number in row 3")
            << QJsonArray{sheet("lanbor", {importHeader(), stockRow("甲", "J", "2024-01-01"),
                                           stockRow("乙", "Y", "2024-01-01"),
                                           [] {
                                               QJsonArray r = stockRow("丙", "B", "2024-01-01");
                                               r[8] = "十个";
                                               return r;
                                           }()})}
            << QStringList{"第 4 行", "a2", "十个"};
        QTest::newRow("bad date")
            << QJsonArray{sheet("lanbor", {importHeader(), stockRow("甲", "J", "2024-01-01"),
                                           stockRow("乙", "Y", "昨天")})}
            << QStringList{"第 3 行", "day1", "昨天"};
        QTest::newRow("impossible date")
            << QJsonArray{sheet("lanbor", {importHeader(), stockRow("甲", "J", "2024-02-30")})}
            << QStringList{"第 2 行", "day1"};
        // What the workbook shows must come in or the file is refused, naming the cell; numbers
        // that are no finite plain decimals are refused, never stored as empty or infinite.
        auto withCell = [](int column, const QJsonValue& value) {
            QJsonArray r = stockRow("丙", "B", "2024-01-01");
            r[column] = value;
            return QJsonArray{sheet("lanbor", {importHeader(), stockRow("甲", "J", "2024-01-01"), r})};
        };
        QTest::newRow("formula error") << withCell(9, formulaCell("H3/0", {{"formulaError", 7}}))
                                       << QStringList{"第 3 行", "a3", "#DIV/0!"};
        QTest::newRow("error value") << withCell(0, QJsonObject{{"error", "#N/A!"}}) << QStringList{"第 3 行", "列 a", "#N/A"};
        QTest::newRow("NaN number") << withCell(8, QJsonObject{{"number", "nan"}}) << QStringList{"第 3 行", "a2", "NaN"};
        QTest::newRow("infinite number") << withCell(10, QJsonObject{{"number", "inf"}}) << QStringList{"第 3 行", "a4", "Inf"};
        QTest::newRow("negative infinity in a text column")
            << withCell(2, QJsonObject{{"number", "-inf"}}) << QStringList{"第 3 行", "列 c", "-Inf"};
        QTest::newRow("typed nan") << withCell(8, "nan") << QStringList{"第 3 行", "a2", "nan"};
        QTest::newRow("typed inf") << withCell(7, "inf") << QStringList{"第 3 行", "a1", "inf"};
        QTest::newRow("typed exponent") << withCell(12, "1e2") << QStringList{"第 3 行", "a6", "1e2"};
    }
    // Any refusal leaves the database as it was.
    void refusals() {
        QFETCH(QJsonArray, sheets);
        QFETCH(QStringList, expected);
        m_session->ledger.addBatch({.name = "已有"});
        const QString path = workbook(sheets);
        QVERIFY(!path.isEmpty());
        const QString message = failure(path);
        for (const QString& part : expected)
            QVERIFY2(message.contains(part), qPrintable(message));
        QCOMPARE(stockCount(), 1);
    }

    // A damaged workbook is read in a process of its own: one that crashes the reader, one it
    // opens without finding a sheet and a cut-off one each give a message that says the file is
    // damaged, this process goes on and nothing is written.
    void damagedWorkbooks_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("crashes the reader") << "reader-crash.xls";
        QTest::newRow("opens without sheets") << "no-sheets.xls";
        QTest::newRow("cut off") << "cut-off.xls";
    }
    void damagedWorkbooks() {
        QFETCH(QString, name);
        const QString folder = qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + QStringLiteral("/tests/exchange/workbooks/");
        QFile sound(folder + QStringLiteral("sound.xls"));
        QVERIFY(sound.open(QIODevice::ReadOnly));
        QFile cut(m_session->file("cut-off.xls"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(sound.read(sound.size() / 2));
        cut.close();
        const QString path = name == QLatin1String("cut-off.xls") ? cut.fileName() : folder + name;

        QCOMPARE(importStockWorkbook(dm().connection(), folder + QStringLiteral("sound.xls")), 3);
        const QString message = failure(path);
        QVERIFY2(message.contains(QStringLiteral("已损坏")) && message.contains(name), qPrintable(message));
        QVERIFY2(!message.contains(QStringLiteral("没有名为")), qPrintable(message));
        QCOMPARE(stockCount(), 3);
    }

    // The same workbook as openpyxl writes it and as LibreOffice saves it again in both of its
    // kinds: a hidden "LANBOR" after another sheet, columns in any order and case, inline and
    // shared strings, booleans, date cells by a built-in and a custom format, a row with formatting
    // only, and the common forms of typed numbers and dates.
    void xlsxAndOds_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("openpyxl .xlsx") << "stock.xlsx";
        QTest::newRow("LibreOffice .xlsx") << "stock-libreoffice.xlsx";
        QTest::newRow("LibreOffice .ods") << "stock-libreoffice.ods";
    }
    void xlsxAndOds() {
        QFETCH(QString, name);
        QCOMPARE(importStockWorkbook(dm().connection(), fixture(name)), 5);
        const QStringList expected = {
            "铅笔|001|QB|1.5|10|1|备注😀𠮷|2024-03-05", "橡皮|1001|XP|1234.5|12|0||2024-03-06",
            "尺子|003|CZ|2.5|4|0||2024-03-07", "本子|004|BZ|1|1|0||2024-03-08",
            "日历|005|RL|1|1|0|2024年3月9日|2024-03-09"};
        QCOMPARE(records(QStringLiteral("a, c, e, \"1\", \"2\", \"5\", z, day1")), expected);
    }

    // Formula cells bring the result LibreOffice saved with them, in both kinds.
    void savedFormulaResults_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow(".xlsx") << "formulas-libreoffice.xlsx";
        QTest::newRow(".ods") << "formulas-libreoffice.ods";
    }
    void savedFormulaResults() {
        QFETCH(QString, name);
        QCOMPARE(importStockWorkbook(dm().connection(), fixture(name)), 1);
        QCOMPARE(records(QStringLiteral("a, \"3\", \"5\", \"7\", \"8\", day1")), QStringList{"铅笔|15|1|9|13.5|2024-03-05"});
    }

    // What other writers do: phonetic guides and rich runs in shared strings, cells without their
    // address, a formula's text result, ISO date cells, dates counted from 1904 by built-in and
    // custom formats, a colour format that is no date, control characters saved escaped.
    void handMadeXlsx() {
        QCOMPARE(importStockWorkbook(dm().connection(), fixture("hand-made.xlsx")), 4);
        const QStringList expected = {"铅笔|HB |001|供货商|1.5|15|1|备注\r行|2024-03-05", "尺子||||||||2024-03-07",
                                      "本子||||||||2024-03-07", "日历||||||||2024-03-08"};
        QCOMPARE(records(QStringLiteral("a, b, c, g, \"1\", \"3\", \"5\", z, day1")), expected);
    }

    // Damaged and hostile workbooks are refused with a message, in their own process, quickly and
    // without memory growing; nothing is written.
    void refusedWorkbooks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("formula without its result")
            << "formulas.xlsx" << QStringList{"第 2 行", "列 a", "A2", "公式没有保存结果"};
        QTest::newRow("error value") << "error-value.xlsx" << QStringList{"第 2 行", "a3", "J2", "#DIV/0!"};
        QTest::newRow("entity expansion") << "entity-expansion.xlsx" << QStringList{"已损坏", "DTD"};
        QTest::newRow("a million columns") << "million-columns.xlsx" << QStringList{"已损坏", "BDWGN2", "16384"};
        QTest::newRow("a million columns, .ods") << "million-columns.ods" << QStringList{"已损坏", "16384"};
        QTest::newRow("a million equal rows, .ods") << "million-rows.ods" << QStringList{"超过 262144 行"};
        QTest::newRow("0 bytes") << "*empty.xlsx" << QStringList{"已损坏", "0 字节"};
        QTest::newRow("cut off") << "*cut-off.xlsx" << QStringList{"已损坏"};
        QTest::newRow("cut off .ods") << "*cut-off.ods" << QStringList{"已损坏"};
        QTest::newRow("zip bomb") << "*honest" << QStringList{"已损坏", "300 MB"};
        QTest::newRow("zip bomb declaring 1000 bytes") << "*lying" << QStringList{"已损坏", "MB"};
    }
    void refusedWorkbooks() {
        QFETCH(QString, name);
        QFETCH(QStringList, expected);
        QString path = fixture(name);
        if (name.startsWith(QLatin1Char('*'))) {
            // Made here: the cut-off ones from a sound file, the bombs by the fixtures' script.
            path = m_session->file(name.mid(1));
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            if (name.contains(QLatin1String("cut-off"))) {
                QFile sound(fixture(name.endsWith(QLatin1String(".ods")) ? "stock-libreoffice.ods" : "stock.xlsx"));
                QVERIFY(sound.open(QIODevice::ReadOnly));
                out.write(sound.read(sound.size() * 2 / 3));
            }
            out.close();
            if (name == QLatin1String("*honest") || name == QLatin1String("*lying")) {
                QProcess script;
                script.start(QStringLiteral("/usr/bin/python3"),
                             {fixture("make_workbooks.py"), QStringLiteral("bomb"), path, name.mid(1)});
                QVERIFY(script.waitForFinished(120000) && script.exitCode() == 0);
            }
        }
        m_session->ledger.addBatch({.name = "已有"});
        const QString message = failure(path);
        for (const QString& part : expected)
            QVERIFY2(message.contains(part), qPrintable(message));
        QCOMPARE(stockCount(), 1);
    }

    // Numbers and dates typed as text: the forms a Chinese worksheet holds, and what stays refused.
    void typedForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("number");  // invalid: no number
        QTest::addColumn<QString>("date");     // empty: no date
        QTest::newRow("plain") << "12.5" << QVariant(12.5) << "";
        QTest::newRow("grouped") << "1,234.5" << QVariant(1234.5) << "";
        QTest::newRow("grouped millions") << "-1,234,567" << QVariant(-1234567.0) << "";
        QTest::newRow("full-width digits") << "１２" << QVariant(12.0) << "";
        QTest::newRow("full-width grouped") << "１，２３４．５" << QVariant(1234.5) << "";
        QTest::newRow("ideographic spaces") << "\u3000１２\u3000" << QVariant(12.0) << "";
        QTest::newRow("wrong grouping") << "1,23" << QVariant() << "";
        QTest::newRow("comma as decimal point") << "12,5" << QVariant() << "";
        QTest::newRow("exponent") << "1e2" << QVariant() << "";
        QTest::newRow("currency sign") << "¥12" << QVariant() << "";
        QTest::newRow("Chinese numeral") << "十二" << QVariant() << "";
        QTest::newRow("year month day") << "2024年3月5日" << QVariant() << "2024-03-05";
        QTest::newRow("year month day, padded") << "2024年03月05日" << QVariant() << "2024-03-05";
        QTest::newRow("full-width year month day") << "２０２４年３月５日" << QVariant() << "2024-03-05";
        QTest::newRow("eight digits") << "20240305" << QVariant(20240305.0) << "2024-03-05";
        QTest::newRow("dashes") << "2024-3-5" << QVariant() << "2024-03-05";
        QTest::newRow("full-width slashes") << "２０２４／３／５" << QVariant() << "2024-03-05";
        QTest::newRow("no such day") << "2024年2月30日" << QVariant() << "";
        QTest::newRow("no such day, digits") << "20241301" << QVariant(20241301.0) << "";
        QTest::newRow("month and day only") << "3月5日" << QVariant() << "";
        QTest::newRow("seven digits") << "2024035" << QVariant(2024035.0) << "";
        QTest::newRow("yesterday") << "昨天" << QVariant() << "";
    }
    void typedForms() {
        QFETCH(QString, text);
        QFETCH(QVariant, number);
        QFETCH(QString, date);
        const std::optional<double> read = numberFromCellText(text);
        QCOMPARE(read.has_value(), number.isValid());
        if (read)
            QCOMPARE(*read, number.toDouble());
        QCOMPARE(dateFromCellText(text).toString(QStringLiteral("yyyy-MM-dd")), date);
    }

    // The same forms in an .xls, and a date typed as the number 20240305.
    void typedFormsInXls() {
        QJsonArray row = stockRow("铅笔", "QB", "2024年3月5日");
        row[7] = "1,234.5";
        row[8] = "１２";
        QJsonArray second = stockRow("橡皮", "XP", 20240306);
        const QString path = workbook({sheet("lanbor", {importHeader(), row, second})});
        QCOMPARE(importStockWorkbook(dm().connection(), path), 2);
        QCOMPARE(records(QStringLiteral("a, \"1\", \"2\", day1")),
                 (QStringList{"铅笔|1234.5|12|2024-03-05", "橡皮|1.5|10|2024-03-06"}));
    }

    // What the reading process hands over comes back as it was read.
    void rowsSurviveTheHandOver() {
        ImportRows rows;
        rows.sheetRows = {2, 7};
        for (int i = 0; i < 2; ++i) {
            QVariantList values;
            for (size_t k = 0; k < importColumns().size(); ++k)
                values << QVariant();
            rows.values.push_back(values);
        }
        rows.values[0][0] = QStringLiteral("铅笔 \"HB\"\n");
        rows.values[0][7] = 0.1 + 0.2;
        rows.values[1][8] = -1234567.125;
        rows.values[1][16] = QStringLiteral("2024-03-05");
        const ImportRows back = importRowsFromJson(importRowsToJson(rows));
        QCOMPARE(back.sheetRows, rows.sheetRows);
        QCOMPARE(back.values, rows.values);
        QVERIFY_THROWS_EXCEPTION(ExchangeError, importRowsFromJson("Segmentation fault"));
    }

    void notAWorkbook() {
        const QString path = m_session->file("text.xls");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a,b,c\n1,2,3\n");
        f.close();
        QVERIFY(failure(path).contains(QStringLiteral("不是可以读取的Excel")));
        QVERIFY(failure(m_session->file("missing.xls")).contains(QStringLiteral("找不到")));
    }

    // A row the database refuses in the middle of the import takes the rows before it back too.
    void allOrNothingInTheDatabase() {
        ImportRows rows;
        for (int i = 0; i < 3; ++i) {
            rows.sheetRows.push_back(i + 2);
            QVariantList values;
            for (size_t k = 0; k < importColumns().size(); ++k)
                values << QVariant(QStringLiteral("1"));
            rows.values.push_back(values);
        }
        rows.values[2].removeLast();  // one value short: the engine refuses the statement
        QSignalSpy changed(&dm().connection().events(), &LedgerEvents::stockChanged);
        try {
            appendStockRecords(dm().connection(), rows);
            QFAIL("the import should have failed");
        } catch (const ExchangeError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("第 4 行")), qPrintable(e.message()));
        }
        QCOMPARE(stockCount(), 0);
        QCOMPARE(changed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(WorkbookImportTest)
#include "test_workbook_import.moc"
