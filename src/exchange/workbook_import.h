#pragma once
// The import of stock records from the worksheet "lanbor" of a workbook: Excel 97-2003 (.xls),
// Excel (.xlsx) or OpenDocument (.ods), told apart by the file's first bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <vector>

class Database;

// The worksheet the import reads and its seventeen columns, with the stock-record column each fills.
extern const QString kImportSheet;  // "lanbor"
struct ImportColumn {
    QString sheetName;  // "a1"
    QString field;      // "1"
    enum class Type { Text, Number, Date } type;
};
const std::vector<ImportColumn>& importColumns();

// A worksheet as read: the sheet's row number of each record (1-based, as a spreadsheet program
// shows it) and one value per import column, in importColumns() order, already converted (a QString,
// a double, a 'yyyy-MM-dd' QString for dates, or an invalid QVariant for an empty cell).
struct ImportRows {
    std::vector<int> sheetRows;
    std::vector<QVariantList> values;
};

// Reads and converts the whole worksheet; throws ExchangeError naming the workbook, the missing
// sheet or columns, or the row and column of a value that does not convert. Rows without any
// value in the seventeen columns are left out. Numbers and dates typed as text are read as
// numberFromCellText() and dateFromCellText() read them. The .xls reader library can crash on a
// damaged file:
// in the program and the tool this runs only in a process of its own (readStockWorkbookApart).
ImportRows readStockWorkbook(const QString& workbookPath);

// The rows as the reading process hands them over, and back.
QByteArray importRowsToJson(const ImportRows& rows);
ImportRows importRowsFromJson(const QByteArray& json);

// The program that reads workbooks apart: "PROGRAM read-xls WORKBOOK" prints the rows as
// importRowsToJson() does and ends with 0, or prints "tovrakel-tool: MESSAGE" to its error stream
// and ends with 1. By default tovrakel-tool beside the running program (in a build folder, one
// folder up for its tests and benchmarks).
QString workbookReaderProgram();
void setWorkbookReaderProgram(const QString& program);

// readStockWorkbook() in the reader program: a workbook that crashes or stalls the reader is
// reported as damaged, and the calling process goes on. Throws ExchangeError like it.
ImportRows readStockWorkbookApart(const QString& workbookPath);

// Appends the rows to table `data` of db in one transaction: all of them or, on any failure,
// none. Returns the number of records appended; when there were any, the database's events tell
// stockChanged once committed.
int appendStockRecords(Database& db, const ImportRows& rows);

// Both steps, the reading apart; the workbook is read completely before anything is written.
int importStockWorkbook(Database& db, const QString& workbookPath);
