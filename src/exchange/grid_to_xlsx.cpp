// The Excel workbook (.xlsx) of XlsGridWriter, written by libxlsxwriter in its constant-memory
// mode: each row goes to a temporary file as it is written, so a million records take no more
// memory than a few.
#include "exchange/grid_export_source.h"
#include "exchange/grid_to_xls.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
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

    void close(const QString& path) {
        lxw_workbook* book = m_book;
        m_book = nullptr;  // workbook_close frees it, whatever its result
        lxw_error error;
        int systemError = 0;
        {
            QuietStandardError quiet;
            errno = 0;
            error = workbook_close(book);
            systemError = errno;
        }
        // The system's reason (a full disk, no permission) says more than the library's own.
        if (error != LXW_NO_ERROR)
            throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）")
                                    .arg(path, systemError ? QString::fromLocal8Bit(std::strerror(systemError))
                                                           : QString::fromUtf8(lxw_strerror(error))));
    }

private:
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    QHash<QString, lxw_format*> m_formats;
};

struct ColumnFormats {
    lxw_format* number = nullptr;
    lxw_format* footer = nullptr;
    lxw_format* date = nullptr;
    bool dates = false;
};

void writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QString& text, lxw_format* format = nullptr) {
    if (!text.isEmpty())
        worksheet_write_string(sheet, row, col, cellUtf8(text).constData(), format);
}

void writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QVariant& value, const ColumnFormats& f) {
    if (!value.isValid() || value.isNull())
        return;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        worksheet_write_number(sheet, row, col, value.toDouble(), nullptr);
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (std::isfinite(v))
            worksheet_write_number(sheet, row, col, v, f.number);
        return;
    }
    case QMetaType::Bool:
        worksheet_write_boolean(sheet, row, col, value.toBool(), nullptr);
        return;
    case QMetaType::QDate:
        writeCell(sheet, row, col, value.toDate().toString(QStringLiteral("yyyy-MM-dd")), ColumnFormats{f.number, f.footer, f.date, true});
        return;
    case QMetaType::QDateTime:
        writeText(sheet, row, col, sheetTimeText(value.toDateTime()));
        return;
    default: {
        const QString text = value.toString();
        double day = 0;
        if (f.dates && excelDay(text, &day))
            worksheet_write_number(sheet, row, col, day, f.date);
        else
            writeText(sheet, row, col, text);
    }
    }
}

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
        formats.push_back({book.format(numbers, false), book.format(numbers, true), dateFormat, look.date});
    }

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
        for (; record < last; ++record, ++row) {
            for (int k = 0; k < columns; ++k)
                writeCell(sheet, row, lxw_col_t(k), grid.cellValue(record, visible[k]), formats[k]);
            advance(record + 1, records);
        }

        if (s == sheets)
            for (int f = 0; f < footers; ++f, ++row)
                for (int k = 0; k < columns; ++k) {
                    const QVariant footer = grid.footerValue(visible[k], f);
                    if (footer.typeId() == QMetaType::Double)
                        worksheet_write_number(sheet, row, lxw_col_t(k), footer.toDouble(), formats[k].footer);
                    else
                        writeText(sheet, row, lxw_col_t(k), footer.toString(), formats[k].footer);
                }
    }
    book.close(path);
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
