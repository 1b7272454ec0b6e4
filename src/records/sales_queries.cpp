#include "records/sales_queries.h"

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QString contains(const QString& text) { return QLatin1Char('%') + text + QLatin1Char('%'); }
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
    const std::pair<QString, const QString*> fields[] = {
        {QStringLiteral("d"), &c.category},      {QStringLiteral("e"), &c.nameInitials},
        {QStringLiteral("c"), &c.code},          {QStringLiteral("f"), &c.modelInitials},
        {QStringLiteral("g"), &c.customerName},  {QStringLiteral("j"), &c.remark}};
    for (const auto& [column, text] : fields) {
        if (text->isEmpty())
            continue;
        s.sql += QStringLiteral(" and ") + column + QStringLiteral(" like ?");
        s.params << contains(*text);
    }
    if (c.dateRange) {
        s.sql += QStringLiteral(" and day1>=? and day1<=?");
        s.params << QDate::fromString(c.dateFrom, kDateFormat).toString(kDateFormat)
                 << QDate::fromString(c.dateTo, kDateFormat).toString(kDateFormat);
    }
    return s;
}

QString salesDateRangeProblem(const SalesSearchConditions& c) {
    if (!c.dateRange)
        return QString();
    const std::pair<const QString*, QString> fields[] = {{&c.dateFrom, QStringLiteral("起始日期")},
                                                         {&c.dateTo, QStringLiteral("截止日期")}};
    for (const auto& [text, name] : fields) {
        if (QString(*text).remove(QLatin1Char('-')).trimmed().isEmpty())
            return QStringLiteral("销售日期的%1为空，请输入%1后再查询！").arg(name);
        if (!QDate::fromString(*text, kDateFormat).isValid())
            return QStringLiteral("销售日期的%1“%2”不是有效的日期，请改正后再查询！").arg(name, *text);
    }
    return QString();
}

SalesStatement customerNumberStatement(const QString& text) {
    return {QStringLiteral("select * from data1 where z like ?"), {contains(text.trimmed())}};
}
