#include "records/sales_queries.h"

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}  // namespace

SalesStatement monthViewStatement(const QDate& today) {
    // Dates are yyyy-MM-dd texts, so the month is a range of texts; unlike a like-pattern on the
    // date, the range is answered from the date index, which matters with a million sales.
    const QDate first(today.year(), today.month(), 1);
    return {QStringLiteral("select * from data1 where day1>=? and day1<? order by day1"),
            {first.toString(kDateFormat), first.addMonths(1).toString(kDateFormat)}};
}

SalesStatement allSalesStatement() { return {QStringLiteral("select * from data1 order by day1"), {}}; }

SalesStatement salesSearchStatement(const SalesSearchConditions& c) {
    SalesStatement s{QStringLiteral("select * from data1 where [3]>0 "), {}};
    // The texts are taken as typed, without trimming; the order is the one of the search box.
    addContains(s, QStringLiteral("d"), c.category);
    // A name or model is found by its pinyin initials or by its own text.
    addContainsAny(s, {QStringLiteral("e"), QStringLiteral("a")}, c.nameInitials);
    addContains(s, QStringLiteral("c"), c.code);
    addContainsAny(s, {QStringLiteral("f"), QStringLiteral("b")}, c.modelInitials);
    addContains(s, QStringLiteral("g"), c.customerName);
    addContains(s, QStringLiteral("j"), c.remark);
    if (c.dateRange)
        addDateRange(s, QStringLiteral("day1"), c.dateFrom, c.dateTo);
    return s;
}

QString salesDateRangeProblem(const SalesSearchConditions& c) {
    return c.dateRange ? dateRangeProblem(QStringLiteral("销售日期"), c.dateFrom, c.dateTo) : QString();
}

SalesStatement customerNumberStatement(const QString& text) {
    return {QStringLiteral("select * from data1 where z like ?"), {containsPattern(text.trimmed())}};
}
