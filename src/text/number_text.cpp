#include "text/number_text.h"

#include "text/errors.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The value as 15 significant decimal digits and the exponent of the first one.
struct Decimal {
    bool negative = false;
    std::string digits;  // exactly 15 digits, first non-zero (or all zero for 0)
    int exponent = 0;    // value = d.ddd… × 10^exponent
};

Decimal toDecimal(double value) {
    Decimal d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (*p != '.')
            d.digits += *p;
    d.exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    if (d.digits.find_first_not_of('0') == std::string::npos) {
        d.negative = false;
        d.exponent = 0;
    }
    return d;
}

std::string stripZeros(std::string digits) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    return digits;
}

// Rounds the digits to `decimals` places, halves away from zero; returns the plain text.
std::string fixedText(const Decimal& d, int decimals) {
    // Integer of all digits up to the kept position, as a string, with the point placed later.
    const int kept = d.exponent + 1 + decimals;  // digits before the cut
    std::string digits = d.digits;
    if (kept < 0)
        return decimals > 0 ? "0." + std::string(size_t(decimals), '0') : "0";
    std::string head = kept >= int(digits.size()) ? digits + std::string(size_t(kept) - digits.size(), '0')
                                                  : digits.substr(0, size_t(kept));
    const bool roundUp = kept < int(digits.size()) && digits[size_t(kept)] >= '5';
    if (head.empty())
        head = "0";
    if (roundUp) {
        int i = int(head.size()) - 1;
        for (; i >= 0; --i) {
            if (head[size_t(i)] == '9') {
                head[size_t(i)] = '0';
            } else {
                ++head[size_t(i)];
                break;
            }
        }
        if (i < 0)
            head.insert(head.begin(), '1');
    }
    // head holds the value × 10^decimals as an integer.
    if (int(head.size()) <= decimals)
        head.insert(0, size_t(decimals - int(head.size()) + 1), '0');
    std::string text = head.substr(0, head.size() - size_t(decimals));
    const size_t firstNonZero = text.find_first_not_of('0');
    text = firstNonZero == std::string::npos ? "0" : text.substr(firstNonZero);
    if (decimals > 0)
        text += "." + head.substr(head.size() - size_t(decimals));
    return text;
}

}  // namespace

QString generalNumberText(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const Decimal d = toDecimal(value);
    if (d.digits.find_first_not_of('0') == std::string::npos)
        return QStringLiteral("0");
    std::string text;
    if (d.exponent >= 15 || d.exponent < -5) {
        const std::string mantissa = stripZeros(d.digits);
        text = mantissa.substr(0, 1);
        if (mantissa.size() > 1)
            text += "." + mantissa.substr(1);
        text += "E" + std::to_string(d.exponent);
    } else if (d.exponent >= 0) {
        const std::string intPart = d.digits.substr(0, size_t(d.exponent) + 1);
        const std::string frac = stripZeros(d.digits.substr(size_t(d.exponent) + 1));
        text = intPart;
        if (frac != "0" && !frac.empty())
            text += "." + frac;
    } else {
        text = "0." + std::string(size_t(-d.exponent - 1), '0') + stripZeros(d.digits);
    }
    if (d.negative)
        text.insert(text.begin(), '-');
    return QString::fromStdString(text);
}

QString twoDecimalText(double value) {
    if (!std::isfinite(value))
        return generalNumberText(value);
    const Decimal d = toDecimal(value);
    std::string text = fixedText(d, 2);
    if (d.negative && text != "0.00")
        text.insert(text.begin(), '-');
    return QString::fromStdString(text);
}

double roundDecimal(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    const Decimal d = toDecimal(value);
    std::string text = fixedText(d, decimals);
    if (d.negative)
        text.insert(text.begin(), '-');
    return std::strtod(text.c_str(), nullptr);
}

QString pictureNumberText(double value, const QString& picture) {
    if (picture.isEmpty() || !std::isfinite(value))
        return generalNumberText(value);
    const int point = int(picture.indexOf(QLatin1Char('.')));
    const QString whole = point < 0 ? picture : picture.left(point);
    const QString fraction = point < 0 ? QString() : picture.mid(point + 1);
    const int minWhole = int(whole.count(QLatin1Char('0')));
    const int maxDecimals = int(fraction.size());
    const int minDecimals = int(fraction.count(QLatin1Char('0')));

    const Decimal d = toDecimal(value);
    std::string text = fixedText(d, maxDecimals);
    std::string head = text, tail;
    if (const size_t dot = text.find('.'); dot != std::string::npos) {
        head = text.substr(0, dot);
        tail = text.substr(dot + 1);
    }
    while (int(tail.size()) > minDecimals && tail.back() == '0')
        tail.pop_back();
    if (head == "0")
        head.clear();
    if (int(head.size()) < minWhole)
        head.insert(0, size_t(minWhole - int(head.size())), '0');
    if (head.empty() && tail.empty())
        return QString();
    std::string result = head;
    if (!tail.empty())
        result += "." + tail;
    const bool zero = result.find_first_not_of("0.") == std::string::npos;
    if (d.negative && !zero)
        result.insert(result.begin(), '-');
    return QString::fromStdString(result);
}

std::optional<double> parsePlainDecimal(const QString& text, bool allowNegative) {
    const QString trimmed = text.trimmed();
    int at = 0;
    if (allowNegative && trimmed.startsWith(QLatin1Char('-')))
        at = 1;
    int digits = 0, points = 0;
    for (int i = at; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.') && points == 0)
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    // Only ASCII is left, so the C-locale reader sees exactly what was checked.
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value == 0 ? 0.0 : value;  // "-0" is 0
}

double readPlainDecimal(const QString& text, bool allowNegative) {
    if (const std::optional<double> value = parsePlainDecimal(text, allowNegative))
        return *value;
    throw ConversionError(QStringLiteral("“%1”不是有效的数值").arg(text));
}
