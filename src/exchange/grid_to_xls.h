#pragma once
// XlsGridWriter: writes a grid as an XLS worksheet (a bare BIFF record stream with GBK texts), or
// as an Excel workbook (.xlsx) when FileName ends in ".xlsx".
#include "exchange/exchange_error.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class GridExportSource;
class QIODevice;

// The records do not fit an .xls sheet (too many rows, or a text outside GBK); the message says
// why in one sentence. An .xlsx holds them.
class XlsMisfitError : public ExchangeError {
public:
    using ExchangeError::ExchangeError;
};

// True when the file name asks for an Excel workbook (.xlsx) rather than an .xls sheet.
bool isWorkbookFileName(const QString& fileName);

class XlsGridWriter {
public:
    enum class Outcome {
        NothingToDo,  // closed or empty grid, or a blank file name
        Declined,     // the file exists and the user kept it
        Written,
        Cancelled,    // stopped by the user; nothing was written
    };

    // The seven properties; each setter only stores the value.
    void setGrid(const GridExportSource* grid) { m_grid = grid; }
    void setShowProgress(bool show) { m_showProgress = show; }
    void setTitleName(const QString& text) { m_titleName = text; }
    void setBeginDate(const QString& text) { m_beginDate = text; }
    void setEndDate(const QString& text) { m_endDate = text; }
    void setUserName(const QString& text) { m_userName = text; }
    void setFileName(const QString& path) { m_fileName = path; }

    // When the sheet was made ("制表时间："); the caller's clock.
    void setMadeAt(const QDateTime& when) { m_madeAt = when; }
    // Asked when the file exists; true replaces it. Without one, an existing file is replaced.
    void setConfirmOverwrite(std::function<bool(const QString& fileName)> ask) { m_confirm = std::move(ask); }
    // Called with (0, total) before the first record and (n, total) after record n, while
    // ShowProgress is set.
    void setProgress(std::function<void(int done, int total)> progress) { m_progress = std::move(progress); }
    // Asked after each record; true stops the export and leaves no file.
    void setCancelled(std::function<bool()> asked) { m_cancelled = std::move(asked); }
    // Opens the written file with the desktop's program.
    void setOpenFile(std::function<void(const QString& fileName)> open) { m_open = std::move(open); }

    bool showProgress() const { return m_showProgress; }
    QString fileName() const { return m_fileName; }

    // Writes the sheet to FileName and opens it. The file is written beside its target and put in
    // place only when complete, so a failure or a cancel leaves no half-written file and keeps an
    // old one. Throws ExchangeError with the reason (XlsMisfitError when an .xls cannot hold it).
    Outcome Export();

    // The whole record stream. Throws XlsMisfitError when the sheet would not fit the format.
    void WriteSheet(QIODevice& out);
    // The whole workbook, written to `path` (which it replaces): the sheet with numbers and dates
    // as such, merged and frozen title rows and the grid's column widths. Records beyond what one
    // worksheet holds continue on further worksheets under the same title rows.
    void WriteWorkbook(const QString& path);

    // Thrown by WriteSheet and WriteWorkbook when the user stops the export.
    struct Cancelled {};

private:
    // What both kinds of file lay out, with the grid prepared for reading.
    struct SheetPlan {
        QVector<QStringList> titles;  // per visible column, one part per title level
        int levels = 0;
        QVector<int> visible;  // the grid columns shown, in grid order
        bool dateLine = false;
        int records = 0;
        int footers = 0;
    };
    SheetPlan sheetPlan() const;
    // Reports record `done` of `total`; throws Cancelled when the user stopped the export.
    void advance(int done, int total);
    // WriteWorkbook into a file beside FileName, which then takes its place.
    void writeWorkbookInPlace();
    // Records gather in a buffer that goes to the device in large pieces.
    void write(const QByteArray& record);
    void writeLabel(int row, int column, const QString& text);
    void writeValue(int row, int column, const QVariant& value);
    void flush(qsizetype atLeast = 0);

    QIODevice* m_out = nullptr;
    QByteArray m_buffer;

    const GridExportSource* m_grid = nullptr;
    bool m_showProgress = true;
    QString m_titleName;
    QString m_beginDate;
    QString m_endDate;
    QString m_userName;
    QString m_fileName;
    QDateTime m_madeAt;
    std::function<bool(const QString&)> m_confirm;
    std::function<void(int, int)> m_progress;
    std::function<bool()> m_cancelled;
    std::function<void(const QString&)> m_open;
};

// The date-time text of the sheet header: the short date and the long time.
QString sheetTimeText(const QDateTime& when);
