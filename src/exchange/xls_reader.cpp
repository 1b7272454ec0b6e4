#include "exchange/xls_reader.h"

#include "exchange/exchange_error.h"
#include "exchange/workbook_cells.h"

#include <QFileInfo>
#include <freexl.h>

namespace {

using Kind = SheetCell::Kind;

// The reader's value of a cell, or what the workbook saved for it where the reader has nothing:
// formula results and error values.
SheetCell readCell(const void* book, const SavedCells& saved, unsigned row, unsigned short column) {
    FreeXL_CellValue value;
    const int rc = freexl_get_cell_value(book, row, column, &value);
    if (rc != FREEXL_OK)
        throw ExchangeError(QStringLiteral("第 %1 行第 %2 列无法读取（错误 %3）").arg(row + 1).arg(column + 1).arg(rc));
    const auto kept = saved.find({row, column});
    if (kept != saved.end() && (value.type == FREEXL_CELL_NULL || kept->second.kind == SavedCell::Kind::Error)) {
        const SavedCell& s = kept->second;
        switch (s.kind) {
        case SavedCell::Kind::Number:
            return SheetCell::ofNumber(s.number);
        case SavedCell::Kind::Text:
            return SheetCell::ofText(s.text);
        case SavedCell::Kind::Error:
            return SheetCell::ofError(s.text);
        }
    }
    SheetCell cell;
    switch (value.type) {
    case FREEXL_CELL_INT:
        return SheetCell::ofNumber(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return SheetCell::ofNumber(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return SheetCell::ofText(QString::fromUtf8(value.value.text_value));
    case FREEXL_CELL_DATE:
        cell.kind = Kind::Date;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    case FREEXL_CELL_DATETIME:
        cell.kind = Kind::DateTime;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    case FREEXL_CELL_TIME:
        cell.kind = Kind::Time;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    default:
        break;
    }
    return cell;
}

class XlsWorkbook : public WorkbookSheets {
public:
    explicit XlsWorkbook(const QString& path) : m_path(path) {
        const int rc = freexl_open(QFileInfo(path).absoluteFilePath().toLocal8Bit().constData(), &m_handle);
        if (rc != FREEXL_OK) {
            // A file that is no workbook may still leave a half-read one behind.
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            throw ExchangeError(QStringLiteral("%1（错误 %2）").arg(workbookDamagedMessage(path)).arg(rc));
        }
        unsigned int sheets = 0;
        freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
        for (unsigned short i = 0; i < sheets; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle, i, &name) == FREEXL_OK && name)
                m_names.push_back({QString::fromUtf8(name), i});
        }
        // The reader opened it but found no sheet at all: no workbook of ours could look like that.
        if (m_names.empty()) {
            freexl_close(m_handle);
            throw ExchangeError(workbookDamagedMessage(path));
        }
        unsigned int dateMode = FREEXL_BIFF_DATEMODE_1900;
        freexl_get_info(m_handle, FREEXL_BIFF_DATEMODE, &dateMode);
        m_1904 = dateMode == FREEXL_BIFF_DATEMODE_1904;
    }
    ~XlsWorkbook() override { freexl_close(m_handle); }
    XlsWorkbook(const XlsWorkbook&) = delete;
    XlsWorkbook& operator=(const XlsWorkbook&) = delete;

    QStringList sheetNames() override {
        QStringList names;
        for (const auto& n : m_names)
            names << n.first;
        return names;
    }
    bool dates1904() const override { return m_1904; }

    bool readSheet(const QString& name, const RowHandler& onRow) override {
        for (const auto& n : m_names) {
            if (n.first.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (freexl_select_active_worksheet(m_handle, n.second) != FREEXL_OK)
                throw ExchangeError(QStringLiteral("无法打开工作表“%1”").arg(n.first));
            unsigned int rowCount = 0;
            unsigned short columnCount = 0;
            freexl_worksheet_dimensions(m_handle, &rowCount, &columnCount);
            const SavedCells saved = readSavedCells(m_path, name);
            SheetRow row;
            for (unsigned r = 0; r < rowCount; ++r) {
                row.index = r;
                row.cells.clear();
                for (unsigned short c = 0; c < columnCount; ++c) {
                    SheetCell cell = readCell(m_handle, saved, r, c);
                    if (cell.kind != Kind::Empty)
                        row.cells.push_back({c, 1, std::move(cell)});
                }
                if (!row.cells.empty())
                    onRow(row);
            }
            return true;
        }
        return false;
    }

private:
    QString m_path;
    const void* m_handle = nullptr;
    std::vector<std::pair<QString, unsigned short>> m_names;
    bool m_1904 = false;
};

}  // namespace

std::unique_ptr<WorkbookSheets> openXlsWorkbook(const QString& path) { return std::make_unique<XlsWorkbook>(path); }
