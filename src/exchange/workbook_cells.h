#pragma once
// What the .xls reader library leaves out of a worksheet: the saved results of formula cells and
// error values. They are read here straight from the workbook's stream, so an import never takes a
// cell the workbook shows a value in for an empty one.
#include <QString>
#include <map>
#include <utility>

struct SavedCell {
    enum class Kind { Number, Text, Error } kind = Kind::Number;
    double number = 0;
    // The text result, or the error as the workbook shows it ("#DIV/0!"); an error without a
    // text is a formula whose saved result is missing.
    QString text;
};

// "The file is damaged or of a kind that cannot be read", naming the file.
QString workbookDamagedMessage(const QString& path);

// (row, column), both 0-based, of the worksheet.
using SavedCells = std::map<std::pair<unsigned, unsigned>, SavedCell>;

// The formula results and error cells of the first worksheet named `sheet` (any letter case) of
// the workbook at `path`. Throws ExchangeError when the file's structure cannot be followed.
SavedCells readSavedCells(const QString& path, const QString& sheet);
