// tovrakel-tool pinyin and capitals: one output line per input line, nothing else on stdout.
#include "support/tool_run.h"

#include <QTemporaryDir>
#include <QtTest>

class TestToolFilters : public QObject {
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void argumentsAreRefused();
    void generateRefusesCountsThatAreNoWholeNumbers_data();
    void generateRefusesCountsThatAreNoWholeNumbers();
};

void TestToolFilters::filters_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("pinyin") << "pinyin"
                            << QByteArray("联想笔记本\nHP-1020打印机\n麒麟\n（大）\nA4纸 (70g)\na=中\n")
                            << QByteArray("lxbjb\nHP-1020dyj\nq!\n!d!\nA4z!70g)\na!x\n");
    // Blank lines stay lines, "\r\n" ends a line like "\n", a last line may lack its newline,
    // and bytes that are no UTF-8 do not merge or drop lines.
    QTest::newRow("pinyin line endings")
        << "pinyin" << QByteArray("U盘\r\n\n \n\xff\xfe\n锂电池")
        << QByteArray("Up\n\n!\n!!!!\nldc\n");
    QTest::newRow("pinyin no input") << "pinyin" << QByteArray() << QByteArray();
    QTest::newRow("capitals") << "capitals"
                              << QByteArray("1234.50\n0.05\n100010000\n12.345\n1000.01\n")
                              << QByteArray("壹仟贰佰叁拾肆元伍角\n伍分\n壹亿零壹万元整\n"
                                            "壹拾贰元叁角肆分\n壹仟元零壹分\n");
    // Zero, refused and too long amounts give an empty line each and nothing on stdout besides.
    QTest::newRow("capitals empty results")
        << "capitals"
        << QByteArray("0.00\n-5.00\n1,000\n1.2.3\n\n12元\n") + QByteArray(29, '9') + "\r\n1\n"
        << QByteArray("\n\n\n\n\n\n\n壹元整\n");
}

void TestToolFilters::filters() {
    QFETCH(QString, command);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    const ToolRun result = runTool({command}, input);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, output);
    QCOMPARE(result.err, QByteArray());
}

void TestToolFilters::argumentsAreRefused() {
    const ToolRun result = runTool({QStringLiteral("capitals"), QStringLiteral("12.5")}, "1\n");
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QByteArray());
    QVERIFY(!result.err.isEmpty());
}

void TestToolFilters::generateRefusesCountsThatAreNoWholeNumbers_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::newRow("exponent") << "--sales" << "1e2";
    QTest::newRow("nan") << "--sales" << "nan";
    QTest::newRow("inf") << "--stock" << "inf";
    QTest::newRow("words") << "--sales" << "many";
    QTest::newRow("fraction") << "--years" << "2.5";
    QTest::newRow("negative seed") << "--seed" << "-1";
    QTest::newRow("seed beyond 32 bits") << "--seed" << "4294967296";
}

void TestToolFilters::generateRefusesCountsThatAreNoWholeNumbers() {
    QFETCH(QString, option);
    QFETCH(QString, value);
    QTemporaryDir dir;
    // The option under test first: the tool reads the first occurrence of each.
    const ToolRun result = runTool({QStringLiteral("generate"), option, value, QStringLiteral("--workdir"), dir.path(),
                                    QStringLiteral("--stock"), QStringLiteral("2"), QStringLiteral("--sales"),
                                    QStringLiteral("3")});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("用法："));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("data.mdb"))));
}

QTEST_GUILESS_MAIN(TestToolFilters)
#include "test_filters.moc"
