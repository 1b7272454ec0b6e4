#include "records/sales_statistics.h"

#include "store/database.h"
#include "store/dataset.h"

#include <QDate>
#include <algorithm>

namespace {
QString sumOf(StatisticsMeasure measure) {
    return measure == StatisticsMeasure::Profit ? QStringLiteral("sum(a5)") : QStringLiteral("sum([4])");
}

bool wholeNumber(const QString& text, int low, int high, int* value) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}
}  // namespace

// The year or month is selected as a range of the stored yyyy-MM-dd texts, so the date index
// answers it instead of a pass over years of sales.
SalesStatement monthStatisticsStatement(StatisticsMeasure measure, int year) {
    const QDate first(year, 1, 1);
    return {QStringLiteral("select month([day1]) as 月份,") + sumOf(measure) +
                QStringLiteral(" as 总量 from data1 where day1>=? and day1<? group by month([day1])"),
            {first, first.addYears(1)}};
}

SalesStatement dayStatisticsStatement(StatisticsMeasure measure, int year, int month) {
    const QDate first(year, month, 1);
    return {QStringLiteral("select day([day1]) as 日期,") + sumOf(measure) +
                QStringLiteral(" as 总量 from data1 where day1>=? and day1<?  group by day1 order by day1"),
            {first, first.addMonths(1)}};
}

bool statisticsYear(const QString& text, int* year, QString* problem) {
    if (wholeNumber(text, 1, 9999, year))
        return true;
    if (problem)
        *problem = QStringLiteral("“%1”不是有效的年份，请输入或选择年份，例如 %2。")
                       .arg(text)
                       .arg(QDate::currentDate().year());
    return false;
}

bool statisticsMonth(const QString& text, int* month, QString* problem) {
    if (wholeNumber(text, 1, 12, month))
        return true;
    if (problem)
        *problem = QStringLiteral("“%1”不是有效的月份，请输入或选择 1 到 12 的月份。").arg(text);
    return false;
}

QStringList statisticsYears(int earliestSaleYear, int currentYear) {
    int first = 2009;
    if (earliestSaleYear > 0 && earliestSaleYear < first)
        first = earliestSaleYear;
    QStringList years;
    for (int y = first; y <= std::max(first, currentYear); ++y)
        years << QString::number(y);
    return years;
}

int earliestSaleYear(Database& db) {
    // The smallest stored date comes straight from the date index.
    const QVariant year = db.scalar(QStringLiteral("select year(min(day1)) from data1 where day1>='0001-01-01'"));
    return year.isValid() ? year.toInt() : 0;
}

QVector<ChartPoint> chartPoints(const Dataset& result) {
    QVector<ChartPoint> points;
    if (!result.isOpen() || result.columnCount() < 2)
        return points;
    points.reserve(result.recordCount());
    for (int row = 0; row < result.recordCount(); ++row) {
        if (result.isNull(row, 0) || result.isNull(row, 1))
            continue;
        points.push_back({int(result.number(row, 0)), result.number(row, 1)});
    }
    std::sort(points.begin(), points.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
    return points;
}
