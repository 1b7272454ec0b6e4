#include "inventory/inventory_search.h"

#include "store/stock_table.h"

QString fullStatement(DisplayMode mode) {
    return mode == DisplayMode::ShowAll ? QStringLiteral("select * from data order by day1")
                                        : QStringLiteral("select * from data where [7]<>0 order by day1");
}

QString baseCondition(DisplayMode mode) {
    return mode == DisplayMode::ShowAll ? QStringLiteral("where [2]>0 ") : QStringLiteral("where [7]<>0 ");
}

bool displayModeFromSetting(const QString& n0, DisplayMode* mode) {
    if (n0 == QLatin1String("no"))
        *mode = DisplayMode::ZeroStockHidden;
    else if (n0 == QLatin1String("yes"))
        *mode = DisplayMode::ShowAll;
    else
        return false;
    return true;
}

QString displayModeSetting(DisplayMode mode) {
    return mode == DisplayMode::ZeroStockHidden ? QStringLiteral("no") : QStringLiteral("yes");
}

Statement searchStatement(DisplayMode mode, const SearchConditions& conditions) {
    Statement statement{QStringLiteral("select * from data ") + baseCondition(mode), {}};
    addContains(statement, stock::kCategory, conditions.category);
    // A name or model is found by its pinyin initials or by its own text, as typed.
    addContainsAny(statement, {stock::kNameInitials, stock::kName}, conditions.nameInitials);
    addContainsAny(statement, {stock::kModelInitials, stock::kModel}, conditions.modelInitials);
    addContains(statement, stock::kCode, conditions.code);
    addContains(statement, stock::kSupplier, conditions.supplier);
    if (conditions.dateRange)
        addDateRange(statement, stock::kDate, conditions.dateFrom, conditions.dateTo);
    return statement;
}

QString dateRangeProblem(const SearchConditions& conditions) {
    return conditions.dateRange ? dateRangeProblem(QStringLiteral("入库日期"), conditions.dateFrom, conditions.dateTo)
                                : QString();
}
