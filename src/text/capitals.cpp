#include "text/capitals.h"

#include "text/gbk.h"

#include <array>

const QString kCapitalsReadError = QStringLiteral("读取错误，应为数字");
const QString kCapitalsTooLarge = QStringLiteral("金额过大，整数部分最多28位");

namespace {

const char16_t kDigitCapitals[] = u"零壹贰叁肆伍陆柒捌玖";

// The unit of each position of the fen digit string, counted from the right, starting at 1.
// Position 3 is the yuan digit, whose "元" is written separately.
constexpr int kMaxPositions = kCapitalsMaxYuanDigits + 2;
const std::array<const char16_t*, kMaxPositions + 1> kUnits = {
    u"",                                     // no position 0
    u"分", u"角", u"",                       // 1-3
    u"拾", u"佰", u"仟", u"万",              // 4-7
    u"拾", u"佰", u"仟", u"亿",              // 8-11
    u"拾", u"佰", u"仟", u"万亿",            // 12-15
    u"拾", u"佰", u"仟", u"亿亿",            // 16-19
    u"拾", u"佰", u"仟", u"万亿亿",          // 20-23
    u"拾", u"佰", u"仟", u"亿亿亿",          // 24-27
    u"拾", u"佰", u"仟",                     // 28-30
};

// 7, 11, 15, ... carry the 万/亿 units; 3 would fit the rule but is the yuan digit.
bool isSectionPosition(int p) {
    return p > 4 && (p + 1) % 4 == 0;
}

bool isAmountChar(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'.';
}

// The code the user is shown for a refused character: its (first) GBK byte.
int refusedCode(const QString& amount, qsizetype at) {
    const qsizetype length = amount.at(at).isHighSurrogate() && at + 1 < amount.size() &&
                                     amount.at(at + 1).isLowSurrogate()
                                 ? 2
                                 : 1;
    const QByteArray bytes = toGbk(QStringView(amount).mid(at, length));
    return bytes.isEmpty() ? '?' : static_cast<unsigned char>(bytes.at(0));
}

// The amount as a whole number of fen, as decimal digits without leading zeros ("0" for none).
QString fenDigits(const QString& amount) {
    const qsizetype point = amount.indexOf(u'.');
    if (point >= 0 && amount.indexOf(u'.', point + 1) >= 0)
        return QStringLiteral("0");
    QString digits = point >= 0 ? amount.left(point) : amount;
    const QString fraction = point >= 0 ? amount.mid(point + 1) : QString();
    digits += fraction.left(2);
    for (qsizetype i = fraction.size(); i < 2; ++i)
        digits += u'0';
    qsizetype firstNonZero = 0;
    while (firstNonZero < digits.size() && digits.at(firstNonZero) == u'0')
        ++firstNonZero;
    digits.remove(0, firstNonZero);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

}  // namespace

CapitalsResult AmountInCapitals(const QString& amount) {
    CapitalsResult result;
    for (qsizetype i = 0; i < amount.size(); ++i) {
        if (!isAmountChar(amount.at(i))) {
            result.refused = true;
            result.refusedCode = refusedCode(amount, i);
            result.message = kCapitalsReadError;
            return result;
        }
    }

    const QString fen = fenDigits(amount);
    const int n = static_cast<int>(fen.size());
    if (n > kMaxPositions) {
        // There is no unit beyond 仟亿亿亿; refuse rather than write a wrong amount.
        result.refused = true;
        result.message = kCapitalsTooLarge;
        return result;
    }

    QString& text = result.text;
    bool pendingZero = false;
    bool sectionOpen = true;  // a section unit (万, 亿, ...) is still owed for an all-zero group
    for (int i = 0; i < n; ++i) {
        const int p = n - i;
        const int digit = fen.at(i).unicode() - u'0';
        if (digit != 0) {
            if (pendingZero)
                text += kDigitCapitals[0];
            text += kDigitCapitals[digit];
            text += QStringView(kUnits[p]);
            pendingZero = false;
            sectionOpen = !isSectionPosition(p);
        } else {
            pendingZero = true;
            if (isSectionPosition(p) && sectionOpen) {
                text += QStringView(kUnits[p]);
                pendingZero = false;
                sectionOpen = false;
            }
        }
        if (p == 3) {
            text += u'元';
            pendingZero = false;
        }
    }
    if (n >= 2 && fen.endsWith(QLatin1String("00")))
        text += u'整';
    return result;
}
