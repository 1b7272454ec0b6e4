// Numbers under the display pictures of the grids.
#include "text/number_text.h"

#include <QtTest>

class PictureNumberTest : public QObject {
    Q_OBJECT
private slots:
    void picture_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero is empty") << 0.0 << "#.##" << "";
        QTest::newRow("zero is empty, three") << 0.0 << "#.###" << "";
        QTest::newRow("no leading zero") << 0.5 << "#.##" << ".5";
        QTest::newRow("trailing zeros go") << 7.5 << "#.##" << "7.5";
        QTest::newRow("whole") << 12.0 << "#.##" << "12";
        QTest::newRow("rounds half away") << 2.675 << "#.##" << "2.68";
        QTest::newRow("rounds to three") << 1.23456 << "#.###" << "1.235";
        QTest::newRow("tiny rounds to empty") << 0.001 << "#.##" << "";
        QTest::newRow("sum artefact") << 0.1 + 0.2 << "#.##" << ".3";
        QTest::newRow("negative") << -3.5 << "#.##" << "-3.5";
        QTest::newRow("negative fraction") << -0.25 << "#.##" << "-.25";
        QTest::newRow("big") << 1234567.891 << "#.##" << "1234567.89";
        QTest::newRow("forced zeros") << 0.5 << "0.00" << "0.50";
        QTest::newRow("forced zero whole") << 0.0 << "0.00" << "0.00";
        QTest::newRow("general when empty") << 0.3 << "" << "0.3";
        QTest::newRow("no point") << 2.6 << "#" << "3";
    }
    void picture() {
        QFETCH(double, value);
        QFETCH(QString, picture);
        QFETCH(QString, text);
        QCOMPARE(pictureNumberText(value, picture), text);
    }
};

QTEST_MAIN(PictureNumberTest)
#include "test_picture_number.moc"
