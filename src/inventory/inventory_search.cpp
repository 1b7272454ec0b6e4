#include "inventory/inventory_search.h"

#include "inventory/stock_columns.h"

#include <QDate>

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}

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
    const std::pair<const QString*, const QString*> likes[] = {
        {&stock::kCategory, &conditions.category},     {&stock::kNameInitials, &conditions.nameInitials},
        {&stock::kModelInitials, &conditions.modelInitials}, {&stock::kCode, &conditions.code},
        {&stock::kSupplier, &conditions.supplier}};
    for (const auto& [column, text] : likes) {
        if (text->isEmpty())
            continue;
        statement.sql += QStringLiteral(" and ") + *column + QStringLiteral(" like ?");
        statement.params << QStringLiteral("%") + *text + QStringLiteral("%");
    }
    if (conditions.dateRange) {
        statement.sql += QStringLiteral(" and day1>=? and day1<=?");
        statement.params << QDate::fromString(conditions.dateFrom, kDateFormat).toString(kDateFormat)
                         << QDate::fromString(conditions.dateTo, kDateFormat).toString(kDateFormat);
    }
    return statement;
}

QString dateRangeProblem(const SearchConditions& conditions) {
    if (!conditions.dateRange)
        return QString();
    const std::pair<const QString*, QString> fields[] = {{&conditions.dateFrom, QStringLiteral("起始日期")},
                                                         {&conditions.dateTo, QStringLiteral("截止日期")}};
    for (const auto& [text, name] : fields) {
        if (text->trimmed().remove(QLatin1Char('-')).trimmed().isEmpty())
            return QStringLiteral("入库日期的%1为空，请输入%1后再查询！").arg(name);
        if (!QDate::fromString(*text, kDateFormat).isValid())
            return QStringLiteral("入库日期的%1“%2”不是有效的日期，请改正后再查询！").arg(name, *text);
    }
    return QString();
}
