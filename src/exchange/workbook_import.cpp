#include "exchange/workbook_import.h"

#include "exchange/exchange_error.h"
#include "exchange/workbook_cells.h"
#include "exchange/workbook_sheet.h"
#include "exchange/workbook_values.h"
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
#include <cmath>

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

using Kind = SheetCell::Kind;

// What the largest workbook part read holds (zip_package), and many times what a shop imports;
// the rows are held whole until the one transaction, so their number bounds the memory.
constexpr size_t kMaxImportRows = 262144;

// "J", "AB": the column as a spreadsheet program names it.
QString columnLetters(unsigned column) {
    QString letters;
    for (unsigned n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QLatin1Char(char('A' + (n - 1) % 26)));
    return letters;
}

QVariant convert(const SheetCell& cell, const ImportColumn& column, unsigned sheetColumn, int sheetRow, bool dates1904) {
    auto fail = [&](const QString& why) -> QVariant {
        const QString cell = columnLetters(sheetColumn) + QString::number(sheetRow);
        throw ExchangeError(QStringLiteral("第 %1 行，列 %2（单元格 %3）：%4").arg(QString::number(sheetRow), column.sheetName, cell, why));
    };
    if (cell.kind == Kind::Empty)
        return QVariant();
    if (cell.kind == Kind::Error)
        return fail(cell.text.isEmpty() ? QStringLiteral("公式没有保存结果，请在Excel中重新计算并保存后再导入")
                                        : QStringLiteral("单元格中是错误值 %1").arg(cell.text));
    if (cell.kind == Kind::Number && !std::isfinite(cell.number))
        return fail(QStringLiteral("%1 不是有效的数字")
                        .arg(std::isnan(cell.number) ? QStringLiteral("NaN")
                                                     : (cell.number > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf"))));
    switch (column.type) {
    case ImportColumn::Type::Text:
        if (cell.kind == Kind::Number)
            return generalNumberText(cell.number);  // a code typed as a number
        return cell.text;
    case ImportColumn::Type::Number: {
        if (cell.kind == Kind::Number)
            return cell.number;
        if (cell.kind == Kind::Text)
            if (const std::optional<double> v = numberFromCellText(cell.text))
                return *v;
        return fail(QStringLiteral("“%1”不是数字").arg(cell.text));
    }
    case ImportColumn::Type::Date: {
        QDate date;
        if (cell.kind == Kind::Number) {
            // 20240305 typed into a cell; else a date cell without a date format, which reaches
            // us as its serial day number.
            date = dateFromDigits(cell.number);
            if (!date.isValid() && cell.number >= 1 && cell.number < 2958466)
                date = (dates1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30)).addDays(qint64(std::floor(cell.number)));
            if (!date.isValid())
                return fail(QStringLiteral("%1 不是日期").arg(generalNumberText(cell.number)));
        } else {
            date = dateFromCellText(cell.text);
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
    const std::unique_ptr<WorkbookSheets> book = openWorkbook(workbookPath);
    const std::vector<ImportColumn>& wanted = importColumns();
    std::vector<int> sheetColumn(wanted.size(), -1);
    bool headerSeen = false;
    ImportRows rows;

    auto onRow = [&](const SheetRow& row) {
        if (!headerSeen) {
            headerSeen = true;
            // The first row names the columns; any order, any letter case, other columns ignored.
            for (const SheetCellRun& run : row.index == 0 ? row.cells : std::vector<SheetCellRun>()) {
                const QString name =
                    run.cell.kind == Kind::Number ? generalNumberText(run.cell.number) : run.cell.text.trimmed();
                for (size_t k = 0; k < wanted.size(); ++k)
                    if (sheetColumn[k] < 0 && name.compare(wanted[k].sheetName, Qt::CaseInsensitive) == 0)
                        sheetColumn[k] = int(run.first);
            }
            QStringList missing;
            for (size_t k = 0; k < wanted.size(); ++k)
                if (sheetColumn[k] < 0)
                    missing << wanted[k].sheetName;
            if (!missing.isEmpty())
                throw ExchangeError(QStringLiteral("工作表“%1”缺少列：%2").arg(kImportSheet, missing.join(QStringLiteral("、"))));
            if (row.index == 0)
                return;
        }
        static const SheetCell empty;
        QVariantList values;
        values.reserve(int(wanted.size()));
        bool any = false;
        for (size_t k = 0; k < wanted.size(); ++k) {
            const SheetCell* cell = row.at(unsigned(sheetColumn[k]));
            values << convert(cell ? *cell : empty, wanted[k], unsigned(sheetColumn[k]), int(row.index) + 1,
                              book->dates1904());
            any = any || values.last().isValid();
        }
        if (!any)
            return;  // a formatted but empty row is no stock record
        // A row saved once for several equal rows below it: a few bytes can claim a million.
        if (rows.values.size() + row.repeat > kMaxImportRows)
            throw ExchangeError(QStringLiteral("工作表“%1”有超过 %2 行记录，一次导入不了这么多，请分成几个工作簿导入")
                                    .arg(kImportSheet)
                                    .arg(kMaxImportRows));
        for (unsigned i = 0; i < row.repeat; ++i) {
            rows.sheetRows.push_back(int(row.index + i) + 1);
            rows.values.push_back(values);
        }
    };
    if (!book->readSheet(kImportSheet, onRow))
        throw ExchangeError(QStringLiteral("工作簿中没有名为“%1”的工作表（工作表：%2）")
                                .arg(kImportSheet, book->sheetNames().join(QStringLiteral("、"))));
    if (!headerSeen)
        onRow(SheetRow{});  // an empty sheet misses every column
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
