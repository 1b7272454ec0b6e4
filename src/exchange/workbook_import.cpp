#include "exchange/workbook_import.h"

#include "exchange/exchange_error.h"
#include "exchange/workbook_cells.h"
#include "store/database.h"
#include "store/ledger_events.h"
#include "store/stock_table.h"
#include "text/number_text.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <freexl.h>

const QString kImportSheet = QStringLiteral("lanbor");

const std::vector<ImportColumn>& importColumns() {
    // Every stock column but the identity, in the description's order. A heading cannot be a bare
    // number, so a column named by a digit is headed "a" and the digit ("a1" fills "1").
    static const std::vector<ImportColumn> columns = [] {
        using T = ImportColumn::Type;
        std::vector<ImportColumn> out;
        for (const TableColumn& c : stockTable().columns) {
            if (c.name() == stock::kId)
                continue;
            const QString heading = c.name().front().isDigit() ? QLatin1Char('a') + c.name() : c.name();
            out.push_back({heading, c.name(),
                           c.type == ColumnType::Number ? T::Number : c.type == ColumnType::Date ? T::Date : T::Text});
        }
        return out;
    }();
    return columns;
}

namespace {

// Closes the workbook whatever happens.
class Workbook {
public:
    explicit Workbook(const QString& path) {
        const int rc = freexl_open(QFileInfo(path).absoluteFilePath().toLocal8Bit().constData(), &m_handle);
        if (rc != FREEXL_OK) {
            // A file that is no workbook may still leave a half-read one behind.
            if (m_handle)
                freexl_close(m_handle);
            if (!QFileInfo::exists(path))
                throw ExchangeError(QStringLiteral("找不到Excel文件 %1").arg(path));
            throw ExchangeError(QStringLiteral("%1（错误 %2）").arg(workbookDamagedMessage(path)).arg(rc));
        }
    }
    ~Workbook() {
        if (m_handle)
            freexl_close(m_handle);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    const void* handle() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

// What a cell holds, before conversion to its column's type.
struct Cell {
    enum class Kind { Empty, Number, Text, Date, DateTime, Time, Error } kind = Kind::Empty;
    double number = 0;
    QString text;
};

// The reader's value of a cell, or what the workbook saved for it where the reader has nothing:
// formula results and error values.
Cell readCell(const void* book, const SavedCells& saved, unsigned row, unsigned short column) {
    FreeXL_CellValue value;
    const int rc = freexl_get_cell_value(book, row, column, &value);
    if (rc != FREEXL_OK)
        throw ExchangeError(QStringLiteral("第 %1 行第 %2 列无法读取（错误 %3）").arg(row + 1).arg(column + 1).arg(rc));
    Cell cell;
    const auto kept = saved.find({row, column});
    if (kept != saved.end() && (value.type == FREEXL_CELL_NULL || kept->second.kind == SavedCell::Kind::Error)) {
        const SavedCell& s = kept->second;
        switch (s.kind) {
        case SavedCell::Kind::Number:
            cell.kind = Cell::Kind::Number;
            cell.number = s.number;
            break;
        case SavedCell::Kind::Text:
            cell.kind = s.text.isEmpty() ? Cell::Kind::Empty : Cell::Kind::Text;
            cell.text = s.text;
            break;
        case SavedCell::Kind::Error:
            cell.kind = Cell::Kind::Error;
            cell.text = s.text;
            break;
        }
        return cell;
    }
    switch (value.type) {
    case FREEXL_CELL_INT:
        cell.kind = Cell::Kind::Number;
        cell.number = value.value.int_value;
        break;
    case FREEXL_CELL_DOUBLE:
        cell.kind = Cell::Kind::Number;
        cell.number = value.value.double_value;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        cell.kind = Cell::Kind::Text;
        cell.text = QString::fromUtf8(value.value.text_value);
        if (cell.text.isEmpty())
            cell.kind = Cell::Kind::Empty;
        break;
    case FREEXL_CELL_DATE:
        cell.kind = Cell::Kind::Date;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    case FREEXL_CELL_DATETIME:
        cell.kind = Cell::Kind::DateTime;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    case FREEXL_CELL_TIME:
        cell.kind = Cell::Kind::Time;
        cell.text = QString::fromUtf8(value.value.text_value);
        break;
    default:
        break;
    }
    return cell;
}

QDate dateFromText(const QString& text) {
    // Typed dates: 2024-3-5, 2024-03-05, 2024/3/5, with or without a time after them.
    static const QRegularExpression form(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?:[ T]\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QString sheetCellName(const ImportColumn& column) { return column.sheetName; }

QVariant convert(const Cell& cell, const ImportColumn& column, int sheetRow, bool dates1904) {
    auto fail = [&](const QString& why) -> QVariant {
        throw ExchangeError(QStringLiteral("第 %1 行，列 %2：%3").arg(sheetRow).arg(sheetCellName(column), why));
    };
    if (cell.kind == Cell::Kind::Empty)
        return QVariant();
    if (cell.kind == Cell::Kind::Error)
        return fail(cell.text.isEmpty() ? QStringLiteral("公式没有保存结果，请在Excel中重新计算并保存后再导入")
                                        : QStringLiteral("单元格中是错误值 %1").arg(cell.text));
    if (cell.kind == Cell::Kind::Number && !std::isfinite(cell.number))
        return fail(QStringLiteral("%1 不是有效的数字")
                        .arg(std::isnan(cell.number) ? QStringLiteral("NaN")
                                                     : (cell.number > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf"))));
    switch (column.type) {
    case ImportColumn::Type::Text:
        if (cell.kind == Cell::Kind::Number)
            return generalNumberText(cell.number);  // a code typed as a number
        return cell.text;
    case ImportColumn::Type::Number: {
        if (cell.kind == Cell::Kind::Number)
            return cell.number;
        if (cell.kind == Cell::Kind::Text)
            if (const std::optional<double> v = parsePlainDecimal(cell.text, true))
                return *v;
        return fail(QStringLiteral("“%1”不是数字").arg(cell.text));
    }
    case ImportColumn::Type::Date: {
        QDate date;
        if (cell.kind == Cell::Kind::Number) {
            // A date cell without a date format reaches us as its serial day number.
            if (cell.number >= 1 && cell.number < 2958466)
                date = (dates1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30)).addDays(qint64(std::floor(cell.number)));
            if (!date.isValid())
                return fail(QStringLiteral("%1 不是日期").arg(generalNumberText(cell.number)));
        } else {
            date = dateFromText(cell.text);
            if (!date.isValid())
                return fail(QStringLiteral("“%1”不是日期").arg(cell.text));
        }
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
    }
    return QVariant();
}

}  // namespace

ImportRows readStockWorkbook(const QString& workbookPath) {
    const Workbook book(workbookPath);
    const void* h = book.handle();

    unsigned int sheets = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets);
    int found = -1;
    QStringList names;
    for (unsigned short i = 0; i < sheets; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h, i, &name) != FREEXL_OK || !name)
            continue;
        const QString text = QString::fromUtf8(name);
        names << text;
        if (found < 0 && text.compare(kImportSheet, Qt::CaseInsensitive) == 0)
            found = i;
    }
    // The reader opened it but found no sheet at all: no workbook of ours could look like that.
    if (names.isEmpty())
        throw ExchangeError(workbookDamagedMessage(workbookPath));
    if (found < 0)
        throw ExchangeError(QStringLiteral("工作簿中没有名为“%1”的工作表（工作表：%2）")
                                .arg(kImportSheet, names.join(QStringLiteral("、"))));
    if (freexl_select_active_worksheet(h, static_cast<unsigned short>(found)) != FREEXL_OK)
        throw ExchangeError(QStringLiteral("无法打开工作表“%1”").arg(kImportSheet));

    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    freexl_worksheet_dimensions(h, &rowCount, &columnCount);
    unsigned int dateMode = FREEXL_BIFF_DATEMODE_1900;
    freexl_get_info(h, FREEXL_BIFF_DATEMODE, &dateMode);
    const SavedCells saved = readSavedCells(workbookPath, kImportSheet);

    // The first row names the columns; any order, other columns ignored.
    const std::vector<ImportColumn>& wanted = importColumns();
    std::vector<int> sheetColumn(wanted.size(), -1);
    for (unsigned short c = 0; rowCount > 0 && c < columnCount; ++c) {
        const Cell cell = readCell(h, saved, 0, c);
        const QString name = cell.kind == Cell::Kind::Number ? generalNumberText(cell.number) : cell.text.trimmed();
        for (size_t k = 0; k < wanted.size(); ++k)
            if (sheetColumn[k] < 0 && name.compare(wanted[k].sheetName, Qt::CaseInsensitive) == 0)
                sheetColumn[k] = c;
    }
    QStringList missing;
    for (size_t k = 0; k < wanted.size(); ++k)
        if (sheetColumn[k] < 0)
            missing << wanted[k].sheetName;
    if (!missing.isEmpty())
        throw ExchangeError(QStringLiteral("工作表“%1”缺少列：%2").arg(kImportSheet, missing.join(QStringLiteral("、"))));

    ImportRows rows;
    for (unsigned int r = 1; r < rowCount; ++r) {
        QVariantList values;
        values.reserve(int(wanted.size()));
        bool any = false;
        for (size_t k = 0; k < wanted.size(); ++k) {
            const Cell cell = readCell(h, saved, r, static_cast<unsigned short>(sheetColumn[k]));
            values << convert(cell, wanted[k], int(r) + 1, dateMode == FREEXL_BIFF_DATEMODE_1904);
            any = any || values.last().isValid();
        }
        if (!any)
            continue;  // a formatted but empty row is no stock record
        rows.sheetRows.push_back(int(r) + 1);
        rows.values.push_back(std::move(values));
    }
    return rows;
}

int appendStockRecords(Database& db, const ImportRows& rows) {
    QStringList fields;
    for (const ImportColumn& c : importColumns())
        fields << c.field;
    const QString insert = insertStatement(stockTable(), fields);
    Transaction transaction(db);
    for (size_t i = 0; i < rows.values.size(); ++i) {
        try {
            db.exec(insert, rows.values[i]);
        } catch (const StoreError& e) {
            throw ExchangeError(QStringLiteral("第 %1 行：%2").arg(rows.sheetRows[i]).arg(e.message()));
        }
    }
    transaction.commit();
    if (!rows.values.empty())
        db.events().stockChanged();
    return int(rows.values.size());
}

QByteArray importRowsToJson(const ImportRows& rows) {
    QJsonArray list;
    for (size_t i = 0; i < rows.values.size(); ++i) {
        QJsonArray row{rows.sheetRows[i]};
        for (const QVariant& value : rows.values[i])
            row.append(QJsonValue::fromVariant(value));
        list.append(row);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("rows"), list}}).toJson(QJsonDocument::Compact);
}

ImportRows importRowsFromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonObject answer = QJsonDocument::fromJson(json, &error).object();
    if (error.error != QJsonParseError::NoError || !answer.value(QStringLiteral("rows")).isArray())
        throw ExchangeError(QStringLiteral("读取Excel文件的程序交回的数据无法识别"));
    const QJsonArray list = answer.value(QStringLiteral("rows")).toArray();
    const qsizetype width = qsizetype(importColumns().size());
    ImportRows rows;
    for (const QJsonValue& item : list) {
        const QJsonArray row = item.toArray();
        if (row.size() != width + 1)
            throw ExchangeError(QStringLiteral("读取Excel文件的程序交回的数据不完整"));
        rows.sheetRows.push_back(row.at(0).toInt());
        QVariantList values;
        for (qsizetype k = 1; k <= width; ++k) {
            const QJsonValue v = row.at(k);
            values << (v.isString() ? QVariant(v.toString()) : v.isDouble() ? QVariant(v.toDouble()) : QVariant());
        }
        rows.values.push_back(std::move(values));
    }
    return rows;
}

namespace {

QString& chosenReader() {
    static QString program;
    return program;
}

// Long enough for the largest sheet an .xls holds; a reader that takes longer is stuck.
constexpr int kReaderTimeoutMs = 5 * 60 * 1000;

}  // namespace

QString workbookReaderProgram() {
    if (!chosenReader().isEmpty())
        return chosenReader();
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("tovrakel-tool"));
    const QString above = here.filePath(QStringLiteral("../tovrakel-tool"));
    if (!QFileInfo(beside).isExecutable() && QFileInfo(above).isExecutable())
        return QDir::cleanPath(above);
    return beside;
}

void setWorkbookReaderProgram(const QString& program) { chosenReader() = program; }

ImportRows readStockWorkbookApart(const QString& workbookPath) {
    if (!QFileInfo::exists(workbookPath))
        throw ExchangeError(QStringLiteral("找不到Excel文件 %1").arg(workbookPath));
    const QString program = workbookReaderProgram();
    QProcess reader;
    reader.setProgram(program);
    // Absolute, so that no file name is ever taken for an option.
    reader.setArguments({QStringLiteral("read-xls"), QFileInfo(workbookPath).absoluteFilePath()});
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.start();
    if (!reader.waitForStarted())
        throw ExchangeError(QStringLiteral("无法启动读取Excel文件的程序 %1：%2").arg(program, reader.errorString()));
    if (!reader.waitForFinished(kReaderTimeoutMs)) {
        reader.kill();
        reader.waitForFinished();
        throw ExchangeError(workbookDamagedMessage(workbookPath) + QStringLiteral("：读取没有结束"));
    }
    if (reader.exitStatus() == QProcess::CrashExit)
        throw ExchangeError(workbookDamagedMessage(workbookPath));
    if (reader.exitCode() != 0) {
        // Its own line, after whatever else the process may have said.
        QString message = QString::fromUtf8(reader.readAllStandardError()).trimmed();
        const QString prefix = QStringLiteral("tovrakel-tool: ");
        const qsizetype at = message.lastIndexOf(prefix);
        message = at < 0 ? QString() : message.mid(at + prefix.size());
        throw ExchangeError(message.isEmpty() ? workbookDamagedMessage(workbookPath) : message);
    }
    return importRowsFromJson(reader.readAllStandardOutput());
}

int importStockWorkbook(Database& db, const QString& workbookPath) {
    return appendStockRecords(db, readStockWorkbookApart(workbookPath));
}
