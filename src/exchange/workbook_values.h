#pragma once
// Numbers and dates typed as text in a worksheet, in the forms a Chinese spreadsheet commonly
// holds: full-width digits (１２), thousands separators (1,234.5), 2024年3月5日, 20240305, besides
// the plain ones (12.5, 2024-03-05, 2024/3/5). Anything else is no number or date.
#include <QDate>
#include <QString>
#include <optional>

std::optional<double> numberFromCellText(const QString& text);
QDate dateFromCellText(const QString& text);
// A date typed as the number 20240305; an invalid date otherwise.
QDate dateFromDigits(double number);
