// The Excel workbook (.xlsx) of XlsGridWriter, written by libxlsxwriter in its constant-memory
// mode: each row goes to a temporary file as it is written, so a million records take no more
// memory than a few. The library's calls for the records run on a thread of their own, beside the
// reading of the grid.
#include "exchange/grid_export_source.h"
#include "exchange/grid_to_xls.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

// libxlsxwriter prints its own English lines on standard error, naming its temporary files; the
// result code it returns is told to the user in the program's words instead.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int m_saved = -1;
};

// Where the header cells stand, as in the .xls sheet.
constexpr int kRightColumn = 5;
constexpr qint64 kSheetRows = LXW_ROW_MAX;
constexpr int kCellCharacters = 32767;

QByteArray cellUtf8(const QString& text) {
    if (text.size() <= kCellCharacters)
        return text.toUtf8();
    // Longer texts are refused by readers; cut whole characters.
    qsizetype keep = kCellCharacters;
    if (text[keep - 1].isHighSurrogate())
        --keep;
    return text.left(keep).toUtf8();
}

// A worksheet name: at most 31 characters, none of []:*?/\, and not starting or ending with '.
QString sheetName(const QString& title, int number) {
    QString name = title;
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.remove(c);
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("Sheet");
    const QString suffix = number > 1 ? QStringLiteral(" (%1)").arg(number) : QString();
    return name.left(LXW_SHEETNAME_MAX - suffix.size()) + suffix;
}

// The cell format of a column's numbers: its picture's decimals, or the general format.
QString numberFormat(const ColumnLook& look) {
    const int decimals = pictureDecimals(look.format);
    if (decimals < 0)
        return QString();
    return decimals == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
}

// A stored "yyyy-MM-dd" as the spreadsheet's day number; false for anything else, and for dates
// before March 1900, which spreadsheets count differently.
bool excelDay(const QString& text, double* day) {
    if (text.size() != 10 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-'))
        return false;
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    const QDate date(parts[0], parts[1], parts[2]);
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    if (!date.isValid() || date < QDate(1900, 3, 1))
        return false;
    *day = double(date.toJulianDay() - epoch);
    return true;
}

// What closing the workbook gave: the library's result, and the system's reason when it has one.
struct Closed {
    lxw_error error = LXW_NO_ERROR;
    int systemError = 0;
};

class Workbook {
public:
    Workbook(const QString& path, const QString& tmpdir, bool zip64) : m_tmpdir(QFile::encodeName(tmpdir)) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tmpdir.data();
        options.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (!m_book)
            throw ExchangeError(QStringLiteral("无法写入文件 %1").arg(path));
    }
    ~Workbook() {
        if (m_book)
            lxw_workbook_free(m_book);  // given up: nothing is written
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* get() const { return m_book; }

    lxw_format* format(const QString& numbers, bool bold) {
        const QString key = numbers + (bold ? QStringLiteral("|b") : QString());
        if (lxw_format* known = m_formats.value(key))
            return known;
        if (numbers.isEmpty() && !bold)
            return nullptr;
        lxw_format* f = workbook_add_format(m_book);
        if (!numbers.isEmpty())
            format_set_num_format(f, numbers.toUtf8().constData());
        if (bold)
            format_set_bold(f);
        m_formats.insert(key, f);
        return f;
    }

    // Writes the file; the library compresses the sheets here, which is most of a large
    // workbook's time.
    Closed close() {
        lxw_workbook* book = m_book;
        m_book = nullptr;  // workbook_close frees it, whatever its result
        QuietStandardError quiet;
        Closed closed;
        errno = 0;
        closed.error = workbook_close(book);
        closed.systemError = errno;
        return closed;
    }

private:
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    QHash<QString, lxw_format*> m_formats;
};

// The system's reason (a full disk, no permission) says more than the library's own.
void refuseUnclosed(const Closed& closed, const QString& path) {
    if (closed.error != LXW_NO_ERROR)
        throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）")
                                .arg(path, closed.systemError ? QString::fromLocal8Bit(std::strerror(closed.systemError))
                                                              : QString::fromUtf8(lxw_strerror(closed.error))));
}

// The formats a cell takes by what it holds.
struct CellFormats {
    lxw_format* number = nullptr;
    lxw_format* text = nullptr;
    lxw_format* date = nullptr;
    bool dates = false;  // "yyyy-MM-dd" texts become date cells
};

struct ColumnFormats {
    CellFormats records;
    CellFormats footer;
};

void writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QString& text, lxw_format* format = nullptr) {
    if (!text.isEmpty())
        worksheet_write_string(sheet, row, col, cellUtf8(text).constData(), format);
}

// Cells read from the grid, with their texts already in UTF-8, to be written in one go; the
// library's calls need nothing of Qt's.
class CellBatch {
public:
    void clear() {
        m_cells.clear();
        m_texts.clear();  // keeps its memory for the next rows
    }
    std::size_t size() const { return m_cells.size(); }

    void add(lxw_row_t row, lxw_col_t col, const QVariant& value, const CellFormats& f) {
        if (!value.isValid() || value.isNull())
            return;
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            m_cells.push_back({row, col, Cell::Number, nullptr, value.toDouble(), 0});
            return;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double v = value.toDouble();
            if (std::isfinite(v))
                m_cells.push_back({row, col, Cell::Number, f.number, v, 0});
            return;
        }
        case QMetaType::Bool:
            m_cells.push_back({row, col, Cell::Boolean, nullptr, value.toBool() ? 1.0 : 0.0, 0});
            return;
        case QMetaType::QDate:
            add(row, col, value.toDate().toString(QStringLiteral("yyyy-MM-dd")), CellFormats{f.number, f.text, f.date, true});
            return;
        case QMetaType::QDateTime:
            addText(row, col, sheetTimeText(value.toDateTime()), f.text);
            return;
        default: {
            const QString text = value.toString();
            double day = 0;
            if (f.dates && excelDay(text, &day))
                m_cells.push_back({row, col, Cell::Number, f.date, day, 0});
            else
                addText(row, col, text, f.text);
        }
        }
    }

    void write(lxw_worksheet* sheet) const {
        for (const Cell& c : m_cells)
            switch (c.kind) {
            case Cell::Number:
                worksheet_write_number(sheet, c.row, c.col, c.number, c.format);
                break;
            case Cell::Boolean:
                worksheet_write_boolean(sheet, c.row, c.col, c.number != 0, c.format);
                break;
            case Cell::Text:
                worksheet_write_string(sheet, c.row, c.col, m_texts.data() + c.text, c.format);
                break;
            }
    }

private:
    struct Cell {
        enum Kind : unsigned char { Number, Boolean, Text };
        lxw_row_t row;
        lxw_col_t col;
        Kind kind;
        lxw_format* format;
        double number;
        std::size_t text;  // where its UTF-8, ended by a NUL, starts in m_texts
    };

    void addText(lxw_row_t row, lxw_col_t col, const QString& text, lxw_format* format) {
        if (text.isEmpty())
            return;
        const QByteArray utf8 = cellUtf8(text);
        m_cells.push_back({row, col, Cell::Text, format, 0, m_texts.size()});
        m_texts.append(utf8.constData(), std::size_t(utf8.size()) + 1);
    }

    std::vector<Cell> m_cells;
    std::string m_texts;
};

// Runs the library's calls for the records on a thread of their own, so that reading the grid
// overlaps the library's writing of the sheet's XML. The reading side waits for a free batch, so
// the batches bound the memory; jobs run in the order they were posted.
class WritingThread {
public:
    WritingThread() {
        for (CellBatch& b : m_batches)
            m_free.push_back(&b);
        m_thread = std::thread([this] { run(); });
    }
    // Jobs not yet begun are dropped; a running one is waited for.
    ~WritingThread() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            m_jobs.clear();
        }
        m_changed.notify_all();
        m_thread.join();
    }
    WritingThread(const WritingThread&) = delete;
    WritingThread& operator=(const WritingThread&) = delete;

    // An empty batch to fill.
    CellBatch* take() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_free.empty(); });
        CellBatch* batch = m_free.back();
        m_free.pop_back();
        lock.unlock();
        batch->clear();
        return batch;
    }
    // Writes a filled batch into the sheet, then gives it back for filling.
    void write(lxw_worksheet* sheet, CellBatch* batch) {
        post([this, sheet, batch] {
            batch->write(sheet);
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(batch);
        });
    }
    void post(std::function<void()> job) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_changed.notify_all();
    }
    // Waits at most `ms` for every posted job to be done; true when they are. The library is
    // called from this side again only then.
    bool idle(int ms) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_jobs.empty() && !m_busy; });
    }
    void drain() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    }

private:
    void run() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
                if (m_stop)
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_busy = true;
            }
            job();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_busy = false;
            }
            m_changed.notify_all();
        }
    }

    // One filled while one is written and one waits.
    CellBatch m_batches[3];
    std::vector<CellBatch*> m_free;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

// Cells a batch takes before it goes to the writing thread: about a thousand rows of a grid.
constexpr std::size_t kBatchCells = 16384;

}  // namespace

void XlsGridWriter::WriteWorkbook(const QString& path) {
    const SheetPlan plan = sheetPlan();
    const GridExportSource& grid = *m_grid;
    const auto& [matrix, levels, visible, dateLine, records, footers] = plan;
    const int columns = int(visible.size());
    const int headRows = 2 + (dateLine ? 1 : 0) + levels;
    const qint64 perSheet = kSheetRows - headRows - footers;
    if (perSheet <= 0)
        throw ExchangeError(QStringLiteral("表头行太多，工作表放不下"));
    const int sheets = int(qMax<qint64>(1, (records + perSheet - 1) / perSheet));

    // The sheet's XML outgrows a plain zip at about 4 GB; ZIP64 only then, as older readers lack it.
    const bool zip64 = qint64(records) * qMax(1, columns) > 40'000'000;
    Workbook book(path, QFileInfo(path).absolutePath(), zip64);

    lxw_format* titleFormat = workbook_add_format(book.get());
    format_set_bold(titleFormat);
    format_set_font_size(titleFormat, 14);
    format_set_align(titleFormat, LXW_ALIGN_CENTER);
    lxw_format* headFormat = workbook_add_format(book.get());
    format_set_bold(headFormat);
    format_set_align(headFormat, LXW_ALIGN_CENTER);
    format_set_align(headFormat, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(headFormat, LXW_BORDER_THIN);
    lxw_format* dateFormat = workbook_add_format(book.get());
    format_set_num_format(dateFormat, "yyyy-mm-dd");

    QVector<ColumnFormats> formats;
    for (const int c : visible) {
        const ColumnLook look = grid.columnLook(c);
        const QString numbers = numberFormat(look);
        lxw_format* footer = book.format(numbers, true);
        formats.push_back({{book.format(numbers, false), nullptr, dateFormat, look.date}, {footer, footer, nullptr, false}});
    }

    // Destroyed before the workbook and the result of its close: a job it still runs has them.
    Closed closed;
    WritingThread writer;
    advance(0, records);
    int record = 0;
    for (int s = 1; s <= sheets; ++s) {
        lxw_worksheet* sheet = workbook_add_worksheet(book.get(), sheetName(m_titleName, s).toUtf8().constData());
        if (!sheet)
            throw ExchangeError(QStringLiteral("无法建立工作表"));
        for (int k = 0; k < columns; ++k)
            worksheet_set_column_pixels(sheet, lxw_col_t(k), lxw_col_t(k), uint32_t(qMax(1, grid.columnLook(visible[k]).width)),
                                        nullptr);

        lxw_row_t row = 0;
        if (columns > 1)
            worksheet_merge_range(sheet, 0, 0, 0, lxw_col_t(columns - 1), cellUtf8(m_titleName).constData(), titleFormat);
        else
            writeText(sheet, 0, 0, m_titleName, titleFormat);
        ++row;
        if (dateLine) {
            if (!m_beginDate.trimmed().isEmpty())
                writeText(sheet, row, 0, m_beginDate);
            if (!m_endDate.trimmed().isEmpty())
                writeText(sheet, row, kRightColumn, m_endDate);
            ++row;
        }
        writeText(sheet, row, 0, QStringLiteral("制表人：") + m_userName);
        writeText(sheet, row, kRightColumn, QStringLiteral("制表时间：") + sheetTimeText(m_madeAt));
        ++row;

        // Each upper title spans the adjacent columns that share it (and the titles above it), as
        // the grid's bands do; the last level stands one title per column.
        for (int level = 0; level < levels; ++level, ++row) {
            for (int k = 0; k < columns;) {
                int end = k;
                const bool upper = level + 1 < levels && !matrix[k][level].isEmpty();
                while (upper && end + 1 < columns && matrix[end + 1].mid(0, level + 1) == matrix[k].mid(0, level + 1))
                    ++end;
                if (end > k)
                    worksheet_merge_range(sheet, row, lxw_col_t(k), row, lxw_col_t(end),
                                          cellUtf8(matrix[k][level]).constData(), headFormat);
                else if (matrix[k][level].isEmpty())
                    worksheet_write_blank(sheet, row, lxw_col_t(k), headFormat);
                else
                    writeText(sheet, row, lxw_col_t(k), matrix[k][level], headFormat);
                k = end + 1;
            }
        }
        worksheet_freeze_panes(sheet, row, 0);

        // Only the visible columns, in grid order: a column the login hides never reaches the file.
        const int last = int(qMin<qint64>(records, record + perSheet));
        CellBatch* batch = writer.take();
        for (; record < last; ++record, ++row) {
            for (int k = 0; k < columns; ++k)
                batch->add(row, lxw_col_t(k), grid.cellValue(record, visible[k]), formats[k].records);
            if (batch->size() >= kBatchCells) {
                writer.write(sheet, batch);
                batch = writer.take();
            }
            advance(record + 1, records);
        }
        if (s == sheets)
            for (int f = 0; f < footers; ++f, ++row)
                for (int k = 0; k < columns; ++k)
                    batch->add(row, lxw_col_t(k), grid.footerValue(visible[k], f), formats[k].footer);
        writer.write(sheet, batch);
        writer.drain();
    }

    // The close takes a while for a large workbook (the compression); meanwhile the progress
    // window keeps answering, and a Cancel leaves no file.
    writer.post([&book, &closed] { closed = book.close(); });
    do
        advance(records, records);
    while (!writer.idle(16));
    refuseUnclosed(closed, path);
}

void XlsGridWriter::writeWorkbookInPlace() {
    const QFileInfo target(m_fileName);
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temp.open())
        throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）").arg(m_fileName, temp.errorString()));
    temp.close();
    try {
        WriteWorkbook(temp.fileName());  // an exception leaves the temporary file to be removed
    } catch (const ExchangeError& e) {
        // The user asked for the target; the temporary file beside it is nothing of theirs.
        throw ExchangeError(QString(e.message()).replace(temp.fileName(), m_fileName));
    }
    QFile::setPermissions(temp.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ReadOther);
    // The finished workbook replaces the old file in one step.
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）").arg(m_fileName, QString::fromLocal8Bit(std::strerror(errno))));
    temp.setAutoRemove(false);
}
