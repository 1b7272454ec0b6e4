#pragma once
// The alarm rule of the inventory grid: a batch whose stock has fallen to the alarm quantity is
// drawn in red.
#include <QString>
#include <QtGlobal>

// The alarm quantity field's text as a whole number: "" is 0, and a quantity beyond the range of a
// whole number is the largest whole number.
qint64 alarmQuantityValue(const QString& text);
// True when the stock quantity, rounded to a whole number (halves to even; an empty stock counts
// 0), is at most the alarm quantity.
bool isAlarmStock(bool stockEmpty, double stock, qint64 alarm);
