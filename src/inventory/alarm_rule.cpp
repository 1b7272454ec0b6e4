#include "inventory/alarm_rule.h"

#include <cmath>
#include <limits>

qint64 alarmQuantityValue(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return 0;
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (ok)
        return value;
    // Only digits can be typed, so a text that does not convert is too large.
    const bool negative = digits.startsWith(QLatin1Char('-'));
    return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
}

bool isAlarmStock(bool stockEmpty, double stock, qint64 alarm) {
    if (stockEmpty || std::isnan(stock))
        return 0 <= alarm;
    const double rounded = std::nearbyint(stock);  // the default rounding mode: halves to even
    constexpr double kLargest = 9223372036854775807.0;
    // A stock beyond the whole-number range counts as the largest (or smallest) whole number.
    if (rounded >= kLargest)
        return alarm == std::numeric_limits<qint64>::max();
    if (rounded <= -kLargest)
        return true;
    return qint64(rounded) <= alarm;
}
