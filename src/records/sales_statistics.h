#pragma once
// The queries of the sales statistics: net profit or sale amount summed per month of a year and
// per day of a month, and the year choices of the lists beside the charts.
#include "records/sales_queries.h"

#include <QStringList>
#include <QVector>

class Database;
class Dataset;

enum class StatisticsMeasure { Profit, Amount };

// Columns 月份 (month number) and 总量 (the sum), one row per month with sales.
SalesStatement monthStatisticsStatement(StatisticsMeasure measure, int year);
// Columns 日期 (day of month) and 总量, one row per sale date of the month, in date order.
SalesStatement dayStatisticsStatement(StatisticsMeasure measure, int year, int month);

// A year or month as typed into a list; false for a text that is no whole number in range, with
// `problem` saying so in the program's words.
bool statisticsYear(const QString& text, int* year, QString* problem);
bool statisticsMonth(const QString& text, int* month, QString* problem);

// Every year from 2009 (or the earliest sale year, when earlier) to `currentYear`.
QStringList statisticsYears(int earliestSaleYear, int currentYear);
// The year of the oldest dated sale; 0 without dated sales.
int earliestSaleYear(Database& db);

// One bar: X the month or day, Y the sum.
struct ChartPoint {
    int x = 0;
    double y = 0;
};
// The bars of an open statistics result, by ascending X; rows without a number are left out.
QVector<ChartPoint> chartPoints(const Dataset& result);
