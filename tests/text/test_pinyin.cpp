// Pinyin initials: the byte walk, its tables and the texts product names are made of.
#include "text/gbk.h"
#include "text/pinyin.h"
#include "text/pinyin_tables.h"

#include <QRandomGenerator>
#include <QSet>
#include <QStringEncoder>
#include <QtTest>

class TestPinyin : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void bytes_data();
    void bytes();
    void keptCharactersPassUnchanged();
    void level1Bounds_data();
    void level1Bounds();
    void level2RowCounts();
    void level2RowsReadTheirLetter();
    void unlistedLevel2CharactersGiveBang();
    void everyLevel2CodeIsListedOrUnlisted();
    void randomBytes();
    void randomTexts();
    void encoderKeepsNoStateBetweenTexts();
    void gbkBytesAgreeWithTheConverter();
};

// The 93 level-2 characters that no row holds.
static const QString kUnlisted = QStringLiteral(
    "丨丿丶匚刂冂亻伢佼偎氽勹亠冫冖讠诙谘卩阝叟廴凵垅艹苁莼薰廾扌搡吖呒哌咤唢唷嗦嗯噢囗峋崽彳徇徉"
    "彡犭夂饣忄怏惴丬氵泱淙漪宀辶迤彐屮嬉驿骢纟缢琮璁枰辍攵肫灬礻肀钅铮稔穑鹑疒窀衤衽虍蝽筝踔龊"
    "鞅麟");

static QByteArray hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

void TestPinyin::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("initials");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("five level-1 characters") << "联想笔记本" << "lxbjb";
    QTest::newRow("ASCII copied, case kept") << "HP-1020打印机" << "HP-1020dyj";
    QTest::newRow("letter then character") << "U盘" << "Up";
    QTest::newRow("level-2 锂 in row l") << "锂电池" << "ldc";
    QTest::newRow("level-2 鏖 in row a") << "鏖战" << "az";
    QTest::newRow("麟 is in no row") << "麒麟" << "q!";
    QTest::newRow("full-width parentheses") << "（大）" << "!d!";
    QTest::newRow("full-width letter and digit") << "Ａ４" << "!!";
    QTest::newRow("full-width comma and stop") << "红，蓝。" << "h!l!";
    QTest::newRow("blank pairs with the parenthesis") << "A4纸 (70g)" << "A4z!70g)";
    QTest::newRow("equals sign shifts the walk") << "a=中" << "a!x";
    // The blank swallows 中's lead byte; 中's trail byte and 文's lead byte form 0xD0CE (x),
    // and 文's trail byte 0xC4 ends the text alone: 0xC400 lies in the m range.
    QTest::newRow("blank shifts the walk") << " 中文" << "!xm";
    QTest::newRow("colon shifts the walk") << "型号:联想" << "xh!!!";
    QTest::newRow("blank between ASCII words") << "AB CD" << "AB!D";
    QTest::newRow("GBK extension character in the b range") << "盄" << "b";
    // Outside GBK the walk reads GB18030's four bytes as two units: 가 is 82 37 CF 35, and
    // 0xCF35 happens to lie in the x range.
    QTest::newRow("outside GBK: Hangul, four GB18030 bytes") << "가" << "!x";
    QTest::newRow("outside GBK: emoji") << "😀笔" << "!!b";
}

void TestPinyin::texts() {
    QFETCH(QString, text);
    QFETCH(QString, initials);
    QCOMPARE(PinyinInitials(text), initials);
}

void TestPinyin::bytes_data() {
    QTest::addColumn<QByteArray>("gbk");
    QTest::addColumn<QByteArray>("initials");

    QTest::newRow("first level-1 code") << hex("B0A1") << QByteArray("a");
    QTest::newRow("last code of a") << hex("B0C4") << QByteArray("a");
    QTest::newRow("first code of b") << hex("B0C5") << QByteArray("b");
    QTest::newRow("last level-1 code") << hex("D7F9") << QByteArray("z");
    QTest::newRow("just below level 1") << hex("B0A0") << QByteArray("!");
    QTest::newRow("just above level 1") << hex("D7FA") << QByteArray("!");
    QTest::newRow("range bounds inside the table") << hex("C5B5C5B6C5BDC5BE") << QByteArray("noop");
    QTest::newRow("lone trailing 0xC0") << hex("C0") << QByteArray("k");
    QTest::newRow("lone trailing 0xC0 after text") << QByteArray("pc") + hex("C0")
                                                   << QByteArray("pck");
    QTest::newRow("lone trailing 0xB0") << hex("B0") << QByteArray("!");
    QTest::newRow("lone trailing 0xD0 after a level-1 pair") << hex("B0A1D0")
                                                            << QByteArray("ax");
    // The test is on the value alone: an ASCII second byte inside a range still gives the letter.
    QTest::newRow("ASCII second byte in the k range") << hex("C041") << QByteArray("k");
    QTest::newRow("NUL inside the text") << hex("41004200") << QByteArray("A!!");
    QTest::newRow("control byte swallows a letter") << hex("0941") << QByteArray("!");
    QTest::newRow("DEL swallows a digit") << hex("7F31") << QByteArray("!");
    QTest::newRow("0xFF pair") << hex("FFFF") << QByteArray("!");
    QTest::newRow("level-2 byte pair of 锂") << hex("EFAE") << QByteArray("l");

    // Each printable ASCII character outside the kept set takes the next byte with it.
    for (const char c : QByteArray("\"&':;<=>?] ")) {
        QTest::addRow("not kept %c", c) << QByteArray(1, c) + "Xy" << QByteArray("!y");
        QTest::addRow("not kept %c at the end", c) << QByteArray("x") + c << QByteArray("x!");
    }
}

void TestPinyin::bytes() {
    QFETCH(QByteArray, gbk);
    QFETCH(QByteArray, initials);
    QCOMPARE(PinyinInitialsBytes(gbk), initials);
}

void TestPinyin::keptCharactersPassUnchanged() {
    const QByteArray kept =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!#$%()*+,-./@[\\^_`{|}~";
    QCOMPARE(kept.size(), 84);
    QCOMPARE(PinyinInitialsBytes(kept), kept);
    QCOMPARE(PinyinInitials(QString::fromLatin1(kept)), QString::fromLatin1(kept));
}

void TestPinyin::level1Bounds_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<char>("letter");
    QTest::newRow("0xB0A1") << 0xB0A1 << 'a';
    QTest::newRow("0xB0C4") << 0xB0C4 << 'a';
    QTest::newRow("0xB0C5") << 0xB0C5 << 'b';
    QTest::newRow("0xD7F9") << 0xD7F9 << 'z';
    QTest::newRow("0xB0A0") << 0xB0A0 << '\0';
    QTest::newRow("0xD7FA") << 0xD7FA << '\0';
    QTest::newRow("0xC000 lone lead") << 0xC000 << 'k';
    QTest::newRow("0xB000 lone lead") << 0xB000 << '\0';
    QTest::newRow("0xC5B6 first o") << 0xC5B6 << 'o';
    QTest::newRow("0xC5BD last o") << 0xC5BD << 'o';
    QTest::newRow("0xCEF3 last w") << 0xCEF3 << 'w';
    QTest::newRow("0xCEF4 first x") << 0xCEF4 << 'x';
    QTest::newRow("level 2 0xEFAE") << 0xEFAE << '\0';
    QTest::newRow("0x0000") << 0x0000 << '\0';
    QTest::newRow("0xFFFF") << 0xFFFF << '\0';
}

void TestPinyin::level1Bounds() {
    QFETCH(int, code);
    QFETCH(char, letter);
    QCOMPARE(Level1Initial(static_cast<quint16>(code)), letter);
}

void TestPinyin::level2RowCounts() {
    const int expected[pinyin::kLetterCount] = {33,  132, 181, 143, 26,  80, 144, 142,
                                                230, 96,  222, 132, 76,  4,  95,  162,
                                                38,  175, 103, 82,  164, 250, 205};
    QSet<QChar> seen;
    int total = 0;
    for (int row = 0; row < pinyin::kLetterCount; ++row) {
        const QString characters = QString::fromUtf8(pinyin::kLevel2Rows[row]);
        QVERIFY2(characters.size() == expected[row],
                 qPrintable(QStringLiteral("row %1 holds %2 characters")
                                .arg(pinyin::kLetters[row])
                                .arg(characters.size())));
        for (const QChar c : characters) {
            QVERIFY2(!seen.contains(c), qPrintable(QStringLiteral("%1 stands twice").arg(c)));
            seen.insert(c);
            QVERIFY2(!kUnlisted.contains(c),
                     qPrintable(QStringLiteral("unlisted %1 in row %2").arg(c).arg(
                         pinyin::kLetters[row])));
        }
        total += characters.size();
    }
    QCOMPARE(total, 2915);
    QCOMPARE(kUnlisted.size(), 93);
}

void TestPinyin::level2RowsReadTheirLetter() {
    for (int row = 0; row < pinyin::kLetterCount; ++row) {
        const QString characters = QString::fromUtf8(pinyin::kLevel2Rows[row]);
        const QByteArray gbk = toGbk(characters);
        QCOMPARE(gbk.size(), 2 * characters.size());
        for (qsizetype i = 0; i < characters.size(); ++i) {
            const auto lead = static_cast<unsigned char>(gbk.at(2 * i));
            QVERIFY2(lead >= 0xD8 && lead <= 0xF7,
                     qPrintable(QStringLiteral("%1 is no level-2 character").arg(characters[i])));
        }
        // All characters of a row in one text: the walk stays aligned and gives the letter each time.
        QCOMPARE(PinyinInitials(characters),
                 QString(characters.size(), QLatin1Char(pinyin::kLetters[row])));
    }
}

void TestPinyin::unlistedLevel2CharactersGiveBang() {
    QCOMPARE(PinyinInitials(kUnlisted), QString(kUnlisted.size(), u'!'));
    const QByteArray gbk = toGbk(kUnlisted);
    QCOMPARE(gbk.size(), 2 * kUnlisted.size());
    for (qsizetype i = 0; i < gbk.size(); i += 2)
        QVERIFY(static_cast<unsigned char>(gbk.at(i)) >= 0xD8 &&
                static_cast<unsigned char>(gbk.at(i)) <= 0xF7);
}

// The rows and the unlisted characters together are exactly the 3008 codes of level 2.
void TestPinyin::everyLevel2CodeIsListedOrUnlisted() {
    QSet<int> codes;
    QString all = kUnlisted;
    for (const char* row : pinyin::kLevel2Rows)
        all += QString::fromUtf8(row);
    const QByteArray gbk = toGbk(all);
    for (qsizetype i = 0; i + 1 < gbk.size(); i += 2)
        codes.insert(static_cast<unsigned char>(gbk.at(i)) * 256 +
                     static_cast<unsigned char>(gbk.at(i + 1)));
    QCOMPARE(codes.size(), 3008);
    for (int lead = 0xD8; lead <= 0xF7; ++lead)
        for (int trail = 0xA1; trail <= 0xFE; ++trail)
            QVERIFY2(codes.contains(lead * 256 + trail),
                     qPrintable(QString::number(lead * 256 + trail, 16)));
}

// Whatever the bytes, the walk ends, stays within the input's length and writes only kept
// characters, lower-case initials and "!"; a kept byte in front only puts itself in front.
void TestPinyin::randomBytes() {
    QRandomGenerator random(20240611);
    const QByteArray kept =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!#$%()*+,-./@[\\^_`{|}~";
    const QByteArray letters = "abcdefghjklmnopqrstwxyz!";
    for (int round = 0; round < 20000; ++round) {
        QByteArray input(random.bounded(0, 41), Qt::Uninitialized);
        for (char& b : input)
            b = static_cast<char>(random.bounded(256));
        const QByteArray output = PinyinInitialsBytes(input);
        QVERIFY(output.size() <= input.size());
        QVERIFY(output.size() >= (input.size() + 1) / 2);
        for (const char c : output)
            QVERIFY2(kept.contains(c) || letters.contains(c), input.toHex().constData());
        const char first = kept.at(random.bounded(kept.size()));
        QCOMPARE(PinyinInitialsBytes(first + input), first + output);
    }
}

// Random texts, including lone surrogates and characters outside GBK, go through the encoder
// and the walk without harm; the result is never longer than the GBK bytes.
void TestPinyin::randomTexts() {
    QRandomGenerator random(7);
    for (int round = 0; round < 5000; ++round) {
        QString text;
        const int length = random.bounded(0, 16);
        for (int i = 0; i < length; ++i) {
            const quint32 range = random.bounded(4);
            const char16_t c = range == 0   ? char16_t(random.bounded(0x20, 0x7F))
                               : range == 1 ? char16_t(random.bounded(0x4E00, 0x9FA6))
                                            : char16_t(random.bounded(0x10000));
            text += QChar(c);
        }
        const QString initials = PinyinInitials(text);
        QVERIFY(initials.size() <= toGbk(text).size());
    }
}

void TestPinyin::encoderKeepsNoStateBetweenTexts() {
    PinyinInitials(QString(QChar(0xD83D)));  // a high surrogate without its partner
    QCOMPARE(PinyinInitials(QStringLiteral("U盘")), QStringLiteral("Up"));
    QCOMPARE(toGbk(QStringLiteral("中")), hex("D6D0"));
}

// The table behind toGbk gives the converter's bytes for every character, in texts that mix
// one-, two- and four-byte characters.
void TestPinyin::gbkBytesAgreeWithTheConverter() {
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    QString all;
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            all.append(QChar(char16_t(c)));
    for (qsizetype at = 0; at < all.size(); at += 256) {
        const QStringView piece = QStringView(all).mid(at, 256);
        QCOMPARE(toGbk(piece), QByteArray(encoder.encode(piece)));
    }
    for (const QString& text : {QStringLiteral("A-7 中华原味毛巾 250ml"), QStringLiteral("€ 𠀀 ∮"), QString()})
        QCOMPARE(toGbk(text), QByteArray(encoder.encode(text)));
}

QTEST_GUILESS_MAIN(TestPinyin)
#include "test_pinyin.moc"
