// The general number text, the two-decimal text and the reader of typed numbers.
#include "text/number_text.h"

#include <QtTest>
#include <cmath>

class NumberTextTest : public QObject {
    Q_OBJECT
private slots:
    void general_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("7.5") << 7.5 << "7.5";
        QTest::newRow("0.3") << 0.3 << "0.3";
        QTest::newRow("12") << 12.0 << "12";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("negative") << -37.5 << "-37.5";
        QTest::newRow("sum artefact") << 0.1 + 0.2 << "0.3";
        QTest::newRow("product artefact") << 3 * 1.1 << "3.3";
        QTest::newRow("15 digits") << 123456789012.345 << "123456789012.345";
        QTest::newRow("below 1e15") << 999999999999999.0 << "999999999999999";
        QTest::newRow("1e15") << 1e15 << "1E15";
        QTest::newRow("rounds up to 1e15") << 999999999999999.9 << "1E15";
        QTest::newRow("big mantissa") << 1.5e16 << "1.5E16";
        QTest::newRow("0.00001") << 0.00001 << "0.00001";
        QTest::newRow("below 0.00001") << 0.000009 << "9E-6";
        QTest::newRow("negative tiny") << -0.0000012 << "-1.2E-6";
        QTest::newRow("0.0001234") << 0.0001234 << "0.0001234";
        QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("two thirds") << 2.0 / 3 << "0.666666666666667";
    }
    void general() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(generalNumberText(value), text);
    }

    void twoDecimals_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.675 halves up") << 2.675 << "2.68";
        QTest::newRow("0.125") << 0.125 << "0.13";
        QTest::newRow("1.005") << 1.005 << "1.01";
        QTest::newRow("negative half away") << -0.125 << "-0.13";
        QTest::newRow("integer") << 12.0 << "12.00";
        QTest::newRow("zero") << 0.0 << "0.00";
        QTest::newRow("tiny negative") << -0.001 << "0.00";
        QTest::newRow("carry") << 9.999 << "10.00";
        QTest::newRow("carry all nines") << 99.995 << "100.00";
        QTest::newRow("small") << 0.004 << "0.00";
        QTest::newRow("half cent") << 0.005 << "0.01";
        QTest::newRow("37.5") << 37.5 << "37.50";
        QTest::newRow("big") << 123456789.125 << "123456789.13";
    }
    void twoDecimals() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(twoDecimalText(value), text);
    }

    void roundDecimalMatchesTheText() {
        QCOMPARE(roundDecimal(2.675, 2), 2.68);
        QCOMPARE(roundDecimal(-1.23456, 4), -1.2346);
        QCOMPARE(roundDecimal(0.1 + 0.2, 4), 0.3);
    }
    void plainDecimal_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowNegative");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "12" << false << true << 12.0;
        QTest::newRow("decimal") << "7.25" << false << true << 7.25;
        QTest::newRow("blanks around") << " 3.5 " << false << true << 3.5;
        QTest::newRow("leading point") << ".5" << false << true << 0.5;
        QTest::newRow("trailing point") << "5." << false << true << 5.0;
        QTest::newRow("zero") << "0" << false << true << 0.0;
        QTest::newRow("negative allowed") << "-3" << true << true << -3.0;
        QTest::newRow("negative zero is zero") << "-0" << true << true << 0.0;
        QTest::newRow("negative refused") << "-3" << false << false << 0.0;
        QTest::newRow("nan") << "nan" << true << false << 0.0;
        QTest::newRow("NaN") << "NaN" << true << false << 0.0;
        QTest::newRow("inf") << "inf" << true << false << 0.0;
        QTest::newRow("-inf") << "-inf" << true << false << 0.0;
        QTest::newRow("infinity") << "Infinity" << true << false << 0.0;
        QTest::newRow("exponent") << "1e2" << true << false << 0.0;
        QTest::newRow("capital exponent") << "1E2" << true << false << 0.0;
        QTest::newRow("plus") << "+5" << true << false << 0.0;
        QTest::newRow("hex") << "0x10" << true << false << 0.0;
        QTest::newRow("comma") << "1,5" << true << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << true << false << 0.0;
        QTest::newRow("lone point") << "." << true << false << 0.0;
        QTest::newRow("lone minus") << "-" << true << false << 0.0;
        QTest::newRow("double minus") << "--3" << true << false << 0.0;
        QTest::newRow("inner blank") << "1 000" << true << false << 0.0;
        QTest::newRow("empty") << "" << true << false << 0.0;
        QTest::newRow("blanks") << "   " << true << false << 0.0;
        QTest::newRow("full-width digits") << "１２" << true << false << 0.0;
        QTest::newRow("too big for a double") << "1" + QString(400, QLatin1Char('0')) << true << false << 0.0;
    }
    void plainDecimal() {
        QFETCH(QString, text);
        QFETCH(bool, allowNegative);
        QFETCH(bool, accepted);
        QFETCH(double, value);
        const std::optional<double> read = parsePlainDecimal(text, allowNegative);
        QCOMPARE(read.has_value(), accepted);
        if (accepted) {
            QCOMPARE(*read, value);
            QVERIFY(!std::signbit(*read) || value < 0);
        }
    }
};

QTEST_APPLESS_MAIN(NumberTextTest)
#include "test_number_text.moc"
