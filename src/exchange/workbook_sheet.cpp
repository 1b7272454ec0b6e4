#include "exchange/workbook_sheet.h"

#include "exchange/exchange_error.h"
#include "exchange/ods_reader.h"
#include "exchange/workbook_cells.h"
#include "exchange/xls_reader.h"
#include "exchange/xlsx_reader.h"
#include "exchange/zip_package.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cmath>

SheetCell SheetCell::ofNumber(double value) {
    SheetCell cell;
    cell.kind = Kind::Number;
    cell.number = value;
    return cell;
}

SheetCell SheetCell::ofText(const QString& value) {
    SheetCell cell;
    cell.kind = value.isEmpty() ? Kind::Empty : Kind::Text;
    cell.text = value;
    return cell;
}

SheetCell SheetCell::ofError(const QString& shown) {
    SheetCell cell;
    cell.kind = Kind::Error;
    cell.text = shown;
    return cell;
}

SheetCell SheetCell::ofIsoDate(const QString& value) {
    const QDateTime at = QDateTime::fromString(value, Qt::ISODate);
    const QDate day = at.isValid() ? at.date() : QDate::fromString(value.left(10), Qt::ISODate);
    if (!day.isValid())
        return ofText(value);
    SheetCell cell;
    const bool timed = at.isValid() && at.time() != QTime(0, 0);
    cell.kind = timed ? Kind::DateTime : Kind::Date;
    cell.text = timed ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : day.toString(QStringLiteral("yyyy-MM-dd"));
    return cell;
}

const SheetCell* SheetRow::at(unsigned column) const {
    for (const SheetCellRun& run : cells)
        if (column >= run.first && column - run.first < run.count)
            return &run.cell;
    return nullptr;
}

QString serialDateText(double serial, bool dates1904, SheetCell::Kind kind) {
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const QDate date = (dates1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30)).addDays(days);
    const QString time = QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
    switch (kind) {
    case SheetCell::Kind::Time:
        return time;
    case SheetCell::Kind::DateTime:
        return date.toString(QStringLiteral("yyyy-MM-dd ")) + time;
    default:
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
}

std::unique_ptr<WorkbookSheets> openWorkbook(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw ExchangeError(QStringLiteral("找不到Excel文件 %1").arg(path));
    const QByteArray head = file.read(4);
    file.close();
    if (head.isEmpty())
        throw ExchangeError(workbookDamagedMessage(path) + QStringLiteral("：文件是空的（0 字节）"));
    // An .xlsx and an .ods are ZIP packages; whatever else is left to the .xls reader to judge,
    // whatever the file's name says.
    if (head.startsWith("PK")) {
        auto package = std::make_unique<ZipPackage>(path);
        if (isOdsPackage(*package))
            return openOdsWorkbook(std::move(package));
        if (package->contains(QStringLiteral("[Content_Types].xml")))
            return openXlsxWorkbook(std::move(package));
        package->refuse();
    }
    return openXlsWorkbook(path);
}
