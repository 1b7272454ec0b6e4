#pragma once
// The grid print as pages: a title line, the grid fitted to the page width with its two-level
// titles (repeated on every page), rows as tall as their text, the footer row, the maker line,
// and "Page. N" over a double line at the top of each page. Millimetres; no painting here.
//
// Columns are sized from their contents: a number, a date, a code (any run of characters without
// a blank or a Chinese character) and every column title keep one line; texts wrap between their
// Chinese characters and words. When the columns do not fit the page, the font shrinks.
#include "printing/page_items.h"

#include <QStringList>
#include <QVector>

struct GridPrintColumn {
    QString upper;
    QString lower;
    double width = 80;              // the designed width on screen, in pixels
    Qt::Alignment align = Qt::AlignLeft;
    quint32 band = 0xffd4d0c8;      // title cell colour, ARGB
    quint32 titleColour = 0xff000000;
};

// What the grid shows at the moment of printing: visible columns in their order, displayed texts.
struct GridPrintTable {
    QVector<GridPrintColumn> columns;
    QVector<QStringList> rows;
    QVector<quint32> rowColours;    // text colour per row; 0 for the normal colour
    QStringList footer;
    quint32 footerColour = 0xffffc286;
};

struct GridPrintSettings {
    QString title;                  // "销 售 统 计 报 表" …
    int blankLinesAfterTitle = 1;
    QString makerLine;              // the substituted macro with its trailing blanks
    QSizeF paperMm{210, 297};
    double marginMm = 20;
};

// The macro texts and their substitution.
extern const QString kTodayMacro;   // "%[Today]"
extern const QString kToday1Macro;  // "%[Today1]"
// "制表人：" + user + "    日期：" + date.
QString gridPrintMakerText(const QString& user, const QString& date);
QString substituteMacro(const QString& line, const QString& macro, const QString& replacement);

// The grid's font size on a page `widthMm` wide: the largest from 9 pt down to 6 pt at which no
// number, date, code or title has to break; 0 when even 6 pt is too large.
double gridPrintFontPoints(const GridPrintTable& table, double widthMm, const TextMeasure& measure);
// Whether the grid prints better across the page: when upright it would need a font under 7.5 pt
// and across it gets a larger one.
bool gridPrintWantsLandscape(const GridPrintTable& table, const GridPrintSettings& settings,
                             const TextMeasure& measure);

PagedDocument gridPrintDocument(const GridPrintTable& table, const GridPrintSettings& settings,
                                const TextMeasure& measure);
