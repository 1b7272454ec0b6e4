// tovrakel-tool pinyin and capitals: one output line per input line, nothing else on stdout.
#include <QProcess>
#include <QtTest>

class TestToolFilters : public QObject {
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void argumentsAreRefused();
    void generateRefusesCountsThatAreNoWholeNumbers_data();
    void generateRefusesCountsThatAreNoWholeNumbers();

private:
    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    static Run run(const QStringList& args, const QByteArray& input);
};

TestToolFilters::Run TestToolFilters::run(const QStringList& args, const QByteArray& input) {
    const QString tool = qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + "/tovrakel-tool";
    if (!QFileInfo::exists(tool))
        qFatal("%s is missing: build the tovrakel-tool target first", qPrintable(tool));
    QProcess process;
    process.start(tool, args);
    if (!process.waitForStarted())
        qFatal("cannot start %s", qPrintable(tool));
    process.write(input);
    process.closeWriteChannel();
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

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
    const Run result = run({command}, input);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, output);
    QCOMPARE(result.err, QByteArray());
}

void TestToolFilters::argumentsAreRefused() {
    const Run result = run({QStringLiteral("capitals"), QStringLiteral("12.5")}, "1\n");
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
    const Run result = run({QStringLiteral("generate"), option, value, QStringLiteral("--workdir"), dir.path(),
                            QStringLiteral("--stock"), QStringLiteral("2"), QStringLiteral("--sales"),
                            QStringLiteral("3")},
                           QByteArray());
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("usage"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("data.mdb"))));
}

QTEST_GUILESS_MAIN(TestToolFilters)
#include "test_filters.moc"
