#pragma once
// The statements behind the sales grid: the month view, all records, the search of the sales
// search box and the customer-number filter. User texts are always bound.
#include "store/query.h"

#include <QDate>
#include <QString>

using SalesStatement = Statement;

// "本 月": the sales dated in the month of `today`, oldest first.
SalesStatement monthViewStatement(const QDate& today);
// "全部记录": every sales record, oldest first.
SalesStatement allSalesStatement();

// The fields of the sales search box as typed; an empty text takes no part.
struct SalesSearchConditions {
    QString category;
    QString nameInitials;
    QString code;
    QString modelInitials;
    QString customerName;
    QString remark;
    bool dateRange = false;
    QString dateFrom;  // "yyyy-mm-dd" as shown in the date field
    QString dateTo;
};

// "select * from data1 where [3]>0" + one " and … like ?" per filled field (contains-match) + the
// date range when ticked; the name and model texts match the initials or the text itself
// (" and (e like ? or a like ?)"). Check salesDateRangeProblem first.
SalesStatement salesSearchStatement(const SalesSearchConditions& conditions);
// Why a ticked date range cannot be searched ("" when it can): the empty or impossible date is named.
QString salesDateRangeProblem(const SalesSearchConditions& conditions);

// The customer-number filter: the sales whose customer number contains the trimmed text.
SalesStatement customerNumberStatement(const QString& text);
