// Amounts in Chinese capitals: readings, refusals and a read-back of random amounts.
#include "text/capitals.h"

#include <QRandomGenerator>
#include <QtTest>
#include <map>

class TestCapitals : public QObject {
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void emptyWithoutRefusal_data();
    void emptyWithoutRefusal();
    void refusedCharacters_data();
    void refusedCharacters();
    void yuanDigitLimit_data();
    void yuanDigitLimit();
    void randomDigitStringsReadBack();
    void randomTextsNeverCrash();
};

void TestCapitals::readings_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("capitals");

    QTest::newRow("five fen") << "0.05" << "伍分";
    QTest::newRow("five jiao") << "0.5" << "伍角";
    QTest::newRow("one yuan") << "1" << "壹元整";
    QTest::newRow("2.10") << "2.10" << "贰元壹角";
    QTest::newRow("10.05") << "10.05" << "壹拾元零伍分";
    QTest::newRow("10.50") << "10.50" << "壹拾元伍角";
    QTest::newRow("101") << "101" << "壹佰零壹元整";
    QTest::newRow("105.5") << "105.5" << "壹佰零伍元伍角";
    QTest::newRow("1000.01") << "1000.01" << "壹仟元零壹分";
    QTest::newRow("1001.5") << "1001.5" << "壹仟零壹元伍角";
    QTest::newRow("1234.50") << "1234.50" << "壹仟贰佰叁拾肆元伍角";
    QTest::newRow("10000") << "10000" << "壹万元整";
    QTest::newRow("10100") << "10100" << "壹万零壹佰元整";
    QTest::newRow("100000") << "100000" << "壹拾万元整";
    QTest::newRow("120000") << "120000" << "壹拾贰万元整";
    QTest::newRow("11000000") << "11000000" << "壹仟壹佰万元整";
    QTest::newRow("100000000") << "100000000" << "壹亿元整";
    QTest::newRow("100000001") << "100000001" << "壹亿零壹元整";
    QTest::newRow("100010000") << "100010000" << "壹亿零壹万元整";
    QTest::newRow("100100000") << "100100000" << "壹亿零壹拾万元整";
    QTest::newRow("1000000000") << "1000000000" << "壹拾亿元整";
    QTest::newRow("1000010000") << "1000010000" << "壹拾亿零壹万元整";
    QTest::newRow("1234567.89") << "1234567.89" << "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角玖分";
    QTest::newRow("fen cut, not rounded") << "12.345" << "壹拾贰元叁角肆分";
    QTest::newRow("0.999 cut to 玖角玖分") << "0.999" << "玖角玖分";
    QTest::newRow("9.999 stays below ten") << "9.999" << "玖元玖角玖分";
    QTest::newRow("0.53 exact") << "0.53" << "伍角叁分";
    QTest::newRow("0.29 exact") << "0.29" << "贰角玖分";
    QTest::newRow("0.10: no 元, no 整") << "0.10" << "壹角";
    QTest::newRow("1000000.00") << "1000000.00" << "壹佰万元整";
    QTest::newRow("1000000.01") << "1000000.01" << "壹佰万元零壹分";
    QTest::newRow("leading zeros, 12 characters") << "0001234567.8"
                                                  << "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角";
    QTest::newRow("same without zeros") << "1234567.8" << "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角";
    QTest::newRow("007.5") << "007.5" << "柒元伍角";
    QTest::newRow(".5") << ".5" << "伍角";
    QTest::newRow("5.") << "5." << "伍元整";
    QTest::newRow("zero yuan, zero jiao, fen") << "0.01" << "壹分";
    QTest::newRow("zero jiao before fen") << "3.07" << "叁元零柒分";

    // Zero runs across the 万 and 亿 sections.
    QTest::newRow("run from 万 into yuan") << "10001" << "壹万零壹元整";
    QTest::newRow("万 group all zero after 亿") << "200000003.5" << "贰亿零叁元伍角";
    QTest::newRow("万 group owed after 仟万") << "10000000" << "壹仟万元整";
    QTest::newRow("亿 written for 仟亿") << "100000000000" << "壹仟亿元整";
    QTest::newRow("亿 and 万 groups") << "305000600" << "叁亿零伍佰万零陆佰元整";
    QTest::newRow("run across 万 and 亿") << "1000000000001" << "壹万亿零壹元整";
    QTest::newRow("万亿 then 亿") << "1000100000000" << "壹万亿零壹亿元整";
    QTest::newRow("拾万亿 owes its section") << "10000000000000" << "壹拾万亿元整";
    QTest::newRow("亿亿") << "10000000000000000" << "壹亿亿元整";
    QTest::newRow("万亿亿") << "100000000000000000000" << "壹万亿亿元整";
    QTest::newRow("亿亿亿") << "1000000000000000000000000" << "壹亿亿亿元整";
    QTest::newRow("28 yuan digits") << "9999999999999999999999999999.99"
                                    << "玖仟玖佰玖拾玖亿亿亿玖仟玖佰玖拾玖万亿亿"
                                       "玖仟玖佰玖拾玖亿亿玖仟玖佰玖拾玖万亿"
                                       "玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万"
                                       "玖仟玖佰玖拾玖元玖角玖分";
    QTest::newRow("28 yuan digits, one at the top") << "1000000000000000000000000000"
                                                    << "壹仟亿亿亿元整";
}

void TestCapitals::readings() {
    QFETCH(QString, amount);
    QFETCH(QString, capitals);
    const CapitalsResult result = AmountInCapitals(amount);
    QCOMPARE(result.text, capitals);
    QVERIFY(!result.refused);
    QCOMPARE(result.refusedCode, -1);
    QVERIFY(result.message.isEmpty());
}

void TestCapitals::emptyWithoutRefusal_data() {
    QTest::addColumn<QString>("amount");
    QTest::newRow("empty") << QString();
    QTest::newRow("lone point") << ".";
    QTest::newRow("0.00") << "0.00";
    QTest::newRow("0") << "0";
    QTest::newRow("zeros") << "0000.000";
    QTest::newRow("below one fen") << "0.005";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("two points at the ends") << ".5.";
    QTest::newRow("two points, too many digits") << "1" + QString(40, u'0') + "..";
}

void TestCapitals::emptyWithoutRefusal() {
    QFETCH(QString, amount);
    const CapitalsResult result = AmountInCapitals(amount);
    QCOMPARE(result.text, QString());
    QVERIFY(!result.refused);
    QVERIFY(result.message.isEmpty());
}

void TestCapitals::refusedCharacters_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<int>("code");
    QTest::newRow("minus sign") << "-5.00" << 45;
    QTest::newRow("thousands separator") << "1,000.00" << 44;
    QTest::newRow("blank at the end") << "12.5 " << 32;
    QTest::newRow("plus sign") << "+3" << 43;
    QTest::newRow("exponent letter") << "1E5" << 69;
    QTest::newRow("dollar sign") << "$5" << 36;
    QTest::newRow("first of several") << "1a-" << 97;
    QTest::newRow("checked before the points") << "1.2.x" << 120;
    QTest::newRow("Chinese character: lead byte of 元 (D4AA)") << "12元" << 0xD4;
    QTest::newRow("full-width yen (A3A4)") << "￥12" << 0xA3;
    QTest::newRow("full-width digit (A3B1)") << "１" << 0xA3;
    QTest::newRow("NUL") << QString(QChar(0)) << 0;
    QTest::newRow("tab") << "\t1" << 9;
}

void TestCapitals::refusedCharacters() {
    QFETCH(QString, amount);
    QFETCH(int, code);
    const CapitalsResult result = AmountInCapitals(amount);
    QVERIFY(result.refused);
    QCOMPARE(result.refusedCode, code);
    QCOMPARE(result.message, QStringLiteral("读取错误，应为数字"));
    QCOMPARE(result.text, QString());
}

// The position units end at 28 yuan digits; beyond them the amount is refused, not misread.
// Leading zeros and decimals do not count.
void TestCapitals::yuanDigitLimit_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("refused");
    const QString digits28 = "1" + QString(27, u'3');
    QTest::newRow("28 digits") << digits28 << false;
    QTest::newRow("28 digits with fen") << digits28 + ".999" << false;
    QTest::newRow("28 digits behind zeros") << "0000" + digits28 << false;
    QTest::newRow("29 digits") << digits28 + "0" << true;
    QTest::newRow("29 digits with fen") << digits28 + "4.5" << true;
    QTest::newRow("2000 digits") << QString(2000, u'8') << true;
}

void TestCapitals::yuanDigitLimit() {
    QFETCH(QString, amount);
    QFETCH(bool, refused);
    const CapitalsResult result = AmountInCapitals(amount);
    QCOMPARE(result.refused, refused);
    if (refused) {
        QCOMPARE(result.text, QString());
        QCOMPARE(result.refusedCode, -1);
        QVERIFY(!result.message.isEmpty());
    } else {
        QVERIFY(result.text.startsWith(u"壹仟叁佰叁拾叁亿亿亿"));
    }
}

namespace {

const QString kDigits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");

// Reads capitals back into the fen digit string they were written from, or says what is out of
// place. Each non-zero digit carries its unit; 拾, 佰 and 仟 count from the next section unit or
// 元 after them. A 零 must stand for a real gap between two written positions, and a gap that is
// not closed by 元 or a section unit must be marked by 零; a section unit follows a digit.
struct ReadBack {
    QString fen;
    QString fault;
};

ReadBack readBack(const QString& text) {
    static const std::pair<QString, int> sections[] = {
        {QStringLiteral("万亿亿"), 23}, {QStringLiteral("亿亿亿"), 27},
        {QStringLiteral("亿亿"), 19},   {QStringLiteral("万亿"), 15},
        {QStringLiteral("亿"), 11},     {QStringLiteral("万"), 7}};
    static const QString offsets = QStringLiteral("拾佰仟");
    struct Token {
        enum Kind { Digit, Marker } kind;  // a marker is 元 or a section unit
        int digit = 0;
        int position = 0;  // digits under 拾/佰/仟 or with no unit wait for the next marker
        int offset = 0;
        bool zeroBefore = false;
    };
    QList<Token> tokens;
    auto fail = [](const QString& why) { return ReadBack{QString(), why}; };

    bool zero = false;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'零') {
            if (zero)
                return fail("two 零");
            zero = true;
            ++i;
            continue;
        }
        if (c == u'整' && i == text.size() - 1) {
            ++i;
            continue;
        }
        int marker = c == u'元' ? 3 : 0;
        qsizetype length = 1;
        for (const auto& [unit, position] : sections)
            if (!marker && QStringView(text).mid(i).startsWith(unit)) {
                marker = position;
                length = unit.size();
            }
        if (marker) {
            if (zero)
                return fail("零 before a unit");
            if (marker != 3 && (tokens.isEmpty() || tokens.last().kind != Token::Digit))
                return fail("section unit without a digit");
            for (Token& t : tokens)
                if (t.kind == Token::Digit && t.position == 0)
                    t.position = marker + t.offset;
            tokens.append({Token::Marker, 0, marker, 0, false});
            i += length;
            continue;
        }
        const qsizetype digit = kDigits.indexOf(c);
        if (digit <= 0)
            return fail(QStringLiteral("unexpected %1").arg(c));
        ++i;
        Token t{Token::Digit, int(digit), 0, 0, zero};
        zero = false;
        const QChar unit = i < text.size() ? text.at(i) : QChar();
        if (unit == u'分' || unit == u'角') {
            t.position = unit == u'分' ? 1 : 2;
            ++i;
        } else if (offsets.contains(unit)) {
            t.offset = int(offsets.indexOf(unit)) + 1;
            ++i;
        }
        tokens.append(t);
    }
    if (zero)
        return fail("零 at the end");

    std::map<int, int> digitAt;
    int previous = 0;  // position of the token before, 0 at the start
    Token::Kind previousKind = Token::Marker;
    for (const Token& t : tokens) {
        if (t.position == 0)
            return fail("digit without its group");
        // 元 and a section unit share the position of a digit written right before them.
        const bool sameAllowed = t.kind == Token::Marker && previousKind == Token::Digit;
        if (previous && (t.position > previous || (t.position == previous && !sameAllowed)))
            return fail("positions out of order");
        if (t.kind == Token::Digit) {
            if (t.zeroBefore != (previous > t.position + 1))
                return fail(t.zeroBefore ? "零 without a gap" : "gap without 零");
            digitAt[t.position] = t.digit;
        }
        previous = t.position;
        previousKind = t.kind;
    }
    if (digitAt.empty())
        return {QStringLiteral("0"), QString()};
    QString fen(digitAt.rbegin()->first, u'0');
    for (const auto& [position, digit] : digitAt)
        fen[fen.size() - position] = QChar(u'0' + digit);
    return {fen, QString()};
}

// The whole fen of an amount of digits and at most one point, worked out plainly.
QString expectedFen(const QString& amount) {
    const qsizetype point = amount.indexOf(u'.');
    QString fen = point < 0 ? amount + "00" : amount.left(point) + (amount.mid(point + 1) + "00").left(2);
    while (fen.size() > 1 && fen.startsWith(u'0'))
        fen.remove(0, 1);
    return fen.isEmpty() ? QStringLiteral("0") : fen;
}

}  // namespace

// Random amounts (runs of zeros favoured, with leading zeros, decimals and long integer parts)
// must read back to their exact fen, with one 零 per inner zero run at most, and 元 and 整
// exactly where they belong.
void TestCapitals::randomDigitStringsReadBack() {
    QRandomGenerator random(1234567);
    for (int round = 0; round < 30000; ++round) {
        QString amount;
        const int yuanDigits = random.bounded(0, 34);
        for (int i = 0; i < yuanDigits; ++i)
            amount += random.bounded(3) == 0 ? QChar(u'0' + random.bounded(10)) : QChar(u'0');
        if (random.bounded(2) == 0) {
            amount += u'.';
            const int decimals = random.bounded(0, 5);
            for (int i = 0; i < decimals; ++i)
                amount += QChar(u'0' + random.bounded(10));
        }
        const CapitalsResult result = AmountInCapitals(amount);
        const QString fen = expectedFen(amount);
        const QByteArray context = amount.toUtf8() + " -> " + result.text.toUtf8();
        if (fen.size() > kCapitalsMaxYuanDigits + 2) {
            QVERIFY2(result.refused && result.text.isEmpty(), context.constData());
            continue;
        }
        QVERIFY2(!result.refused, context.constData());
        const ReadBack back = readBack(result.text);
        QVERIFY2(back.fault.isEmpty(), (context + ": " + back.fault.toUtf8()).constData());
        QVERIFY2(back.fen == fen, context.constData());

        const QString& text = result.text;
        QCOMPARE(text.contains(u'元'), fen.size() >= 3);
        QCOMPARE(text.endsWith(u'整'), fen.size() >= 3 && fen.endsWith(u"00"));
        QVERIFY2(text.size() <= 5 * fen.size() + 2, context.constData());
    }
}

// Any text: refused exactly when it holds something other than digits and points, and the code
// is then that of the first such character; nothing crashes.
void TestCapitals::randomTextsNeverCrash() {
    QRandomGenerator random(99);
    const QString alphabet = QStringLiteral("0123456789..-,. e元Ａ");
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = random.bounded(0, 24);
        for (int i = 0; i < length; ++i)
            text += random.bounded(8) == 0 ? QChar(char16_t(random.bounded(0x10000)))
                                           : alphabet.at(random.bounded(alphabet.size()));
        const CapitalsResult result = AmountInCapitals(text);
        qsizetype bad = 0;
        while (bad < text.size() &&
               ((text.at(bad) >= u'0' && text.at(bad) <= u'9') || text.at(bad) == u'.'))
            ++bad;
        QCOMPARE(result.refused && result.refusedCode >= 0, bad < text.size());
        if (bad < text.size()) {
            QVERIFY(result.text.isEmpty());
            const QChar c = text.at(bad);
            if (c.unicode() < 0x80)
                QCOMPARE(result.refusedCode, int(c.unicode()));
            else if (!c.isSurrogate())  // a broken surrogate has no GBK bytes of its own
                QVERIFY(result.refusedCode >= 0x81 && result.refusedCode <= 0xFE);
        }
    }
}

QTEST_GUILESS_MAIN(TestCapitals)
#include "test_capitals.moc"
