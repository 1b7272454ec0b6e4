#pragma once
// A worksheet as the workbook readers (.xls, .xlsx, .ods) hand it to the import: its rows in order,
// each a few runs of equal cells. A spreadsheet saves a cell repeated across a row, or a row repeated
// down the sheet, once with a count; the runs keep it that way, so a count is never a cost.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// What a cell holds, before conversion to its column's type.
struct SheetCell {
    enum class Kind { Empty, Number, Text, Date, DateTime, Time, Error } kind = Kind::Empty;
    double number = 0;
    // A text; a date as yyyy-MM-dd, a date and time as yyyy-MM-dd HH:mm:ss, a time as HH:mm:ss; an
    // error as the workbook shows it ("#DIV/0!"), empty for a formula saved without its result.
    QString text;

    static SheetCell ofNumber(double value);
    static SheetCell ofText(const QString& value);  // an empty text is an empty cell
    static SheetCell ofError(const QString& shown);
    // An ISO 8601 date, with or without a time of day; a text when it is none.
    static SheetCell ofIsoDate(const QString& value);
};

// Columns `first` to first + count - 1 (0-based) hold the same cell.
struct SheetCellRun {
    unsigned first = 0;
    unsigned count = 1;
    SheetCell cell;
};

struct SheetRow {
    unsigned index = 0;   // 0-based
    unsigned repeat = 1;  // the same row again in the rows below, this many times in all
    std::vector<SheetCellRun> cells;  // ascending, not overlapping; empty cells may be left out

    const SheetCell* at(unsigned column) const;
};

// The largest sheet the formats hold; a file claiming more is damaged or made to harm.
constexpr unsigned kMaxSheetRows = 1048576;
constexpr unsigned kMaxSheetColumns = 16384;

// An open workbook. Every call may throw ExchangeError.
class WorkbookSheets {
public:
    using RowHandler = std::function<void(const SheetRow&)>;
    virtual ~WorkbookSheets() = default;
    // Hands the rows of the first sheet named `name` (any letter case, hidden or not) to onRow in
    // ascending order; rows without cells may be left out. False when there is no such sheet.
    virtual bool readSheet(const QString& name, const RowHandler& onRow) = 0;
    // The names of the sheets, for a message.
    virtual QStringList sheetNames() = 0;
    // Serial day numbers count from 1904-01-01 instead of 1899-12-30.
    virtual bool dates1904() const = 0;
};

// Opens the workbook at `path`, whichever of the three kinds its first bytes say it is.
std::unique_ptr<WorkbookSheets> openWorkbook(const QString& path);

// A serial day number (with the time of day as its fraction) as SheetCell text of `kind`.
QString serialDateText(double serial, bool dates1904, SheetCell::Kind kind);
