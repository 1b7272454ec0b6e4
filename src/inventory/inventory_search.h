#pragma once
// The statements behind the inventory grid: the two display modes and the quick search.
#include "store/query.h"

#include <QString>

// Show every batch, or hide the batches whose stock is used up.
enum class DisplayMode { ShowAll, ZeroStockHidden };

// What "全部记录" runs in the mode.
QString fullStatement(DisplayMode mode);
// The condition every search of the mode starts with.
QString baseCondition(DisplayMode mode);
// The remembered mode: `n0` = "no" hides zero stock, "yes" shows all; false for another text.
bool displayModeFromSetting(const QString& n0, DisplayMode* mode);
QString displayModeSetting(DisplayMode mode);

// The search fields as typed; an empty text takes no part.
struct SearchConditions {
    QString category;
    QString nameInitials;
    QString modelInitials;
    QString code;
    QString supplier;
    bool dateRange = false;
    QString dateFrom;  // "yyyy-mm-dd" as shown
    QString dateTo;
};

// "select * from data " + the base condition + one " and … like ?" per filled field + the date
// range; the texts are bound, matched anywhere inside their columns. The name and the model
// texts match the pinyin initials or the name (model) itself: " and (e like ? or a like ?)".
Statement searchStatement(DisplayMode mode, const SearchConditions& conditions);

// Why a ticked date range cannot be searched ("" when it can): a date field that is empty or
// holds no real date is named.
QString dateRangeProblem(const SearchConditions& conditions);
