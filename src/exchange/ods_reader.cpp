#include "exchange/ods_reader.h"

#include "exchange/zip_package.h"

#include <QRegularExpression>

namespace {

using Kind = SheetCell::Kind;

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

quint64 repeatOf(const XmlPart& xml, QLatin1String attribute) {
    bool ok = false;
    const quint64 n = xml.xml().attributes().value(kTable, attribute).toULongLong(&ok);
    return ok && n > 0 ? n : 1;
}

// The text of a cell: its paragraphs, one a line, with their runs of spaces, tabs and breaks;
// comments on the cell are no part of it. Reads up to the cell's end.
QString cellText(XmlPart& xml) {
    QString text;
    int paragraphs = 0;
    for (int depth = 1; depth > 0 && xml.next();) {
        const QXmlStreamReader& r = xml.xml();
        if (r.isStartElement()) {
            if (r.name() == QLatin1String("annotation")) {
                xml.skipElement();
                continue;
            }
            ++depth;
            if (r.namespaceUri() != kText)
                continue;
            if (r.name() == QLatin1String("p") && paragraphs++ > 0)
                text += QLatin1Char('\n');
            else if (r.name() == QLatin1String("s"))
                text += QString(qBound(1, r.attributes().value(kText, QLatin1String("c")).toInt(), 1024), QLatin1Char(' '));
            else if (r.name() == QLatin1String("tab"))
                text += QLatin1Char('\t');
            else if (r.name() == QLatin1String("line-break"))
                text += QLatin1Char('\n');
        } else if (r.isEndElement()) {
            --depth;
        } else if (r.isCharacters() && paragraphs > 0) {
            text += r.text();
        }
    }
    return text;
}

SheetCell timeCell(const QString& value) {
    static const QRegularExpression form(QStringLiteral("^PT(\\d+)H(\\d+)M(\\d+)(?:[.,]\\d+)?S$"));
    const QRegularExpressionMatch m = form.match(value);
    if (!m.hasMatch())
        return SheetCell::ofText(value);
    SheetCell cell;
    cell.kind = Kind::Time;
    cell.text = QStringLiteral("%1:%2:%3")
                    .arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0'))
                    .arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'))
                    .arg(m.captured(3).toInt(), 2, 10, QLatin1Char('0'));
    return cell;
}

// Reads a table cell up to its end.
SheetCell readCell(XmlPart& xml) {
    const QXmlStreamAttributes a = xml.xml().attributes();
    const QString type = a.value(kOffice, QLatin1String("value-type")).toString();
    const bool formula = !a.value(kTable, QLatin1String("formula")).isEmpty();
    // LibreOffice marks an error result in its own namespace and shows the error as the text.
    bool error = false;
    for (const QXmlStreamAttribute& at : a)
        if (at.name() == QLatin1String("value-type") && at.value() == QLatin1String("error"))
            error = true;
    const QString value = a.value(kOffice, QLatin1String("value")).toString();
    const QString date = a.value(kOffice, QLatin1String("date-value")).toString();
    const QString time = a.value(kOffice, QLatin1String("time-value")).toString();
    const QString boolean = a.value(kOffice, QLatin1String("boolean-value")).toString();
    const bool hasString = a.hasAttribute(kOffice, QLatin1String("string-value"));
    const QString string = a.value(kOffice, QLatin1String("string-value")).toString();
    const QString text = cellText(xml);

    if (error)
        return SheetCell::ofError(text);
    if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency")) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? SheetCell::ofNumber(number) : SheetCell::ofText(text);
    }
    if (type == QLatin1String("boolean"))
        return SheetCell::ofNumber(boolean == QLatin1String("true") || boolean == QLatin1String("1"));
    if (type == QLatin1String("date"))
        return SheetCell::ofIsoDate(date);
    if (type == QLatin1String("time"))
        return timeCell(time);
    if (type == QLatin1String("string"))
        return SheetCell::ofText(hasString ? string : text);
    if (formula)
        return SheetCell::ofError(QString());  // saved without its result
    return SheetCell::ofText(text);
}

class OdsWorkbook : public WorkbookSheets {
public:
    explicit OdsWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {}

    bool readSheet(const QString& name, const RowHandler& onRow) override {
        XmlPart xml(*m_package, QStringLiteral("content.xml"));
        m_names.clear();
        while (xml.next()) {
            if (!isTable(xml))
                continue;
            const QString sheet = xml.xml().attributes().value(kTable, QLatin1String("name")).toString();
            m_names << sheet;
            if (sheet.compare(name, Qt::CaseInsensitive) == 0) {
                readTable(xml, onRow);
                return true;
            }
            xml.skipElement();
        }
        m_allNames = true;
        return false;
    }

    QStringList sheetNames() override {
        if (!m_allNames)
            readSheet(QString(QChar(0xFFFF)), {});
        return m_names;
    }

    bool dates1904() const override { return false; }

private:
    static bool isTable(const XmlPart& xml) {
        return xml.isStart(QLatin1String("table")) && xml.xml().namespaceUri() == kTable;
    }

    void readTable(XmlPart& xml, const RowHandler& onRow) {
        quint64 rowIndex = 0;
        SheetRow row;
        for (int depth = 1; depth > 0 && xml.next();) {
            if (xml.xml().isEndElement()) {
                --depth;
                continue;
            }
            if (!xml.xml().isStartElement())
                continue;
            if (!xml.isStart(QLatin1String("table-row")) || xml.xml().namespaceUri() != kTable) {
                // Row groups and header rows hold rows; columns, shapes and the rest do not.
                if (xml.isStart(QLatin1String("table-column")) || xml.isStart(QLatin1String("shapes")) ||
                    xml.isStart(QLatin1String("named-expressions")))
                    xml.skipElement();
                else
                    ++depth;
                continue;
            }
            const quint64 repeat = repeatOf(xml, QLatin1String("number-rows-repeated"));
            readRowCells(xml, row);
            if (!row.cells.empty()) {
                // Equal rows are saved once with a count; a count past the sheet's end is no sheet.
                if (rowIndex + repeat > kMaxSheetRows)
                    xml.refuse(QStringLiteral("工作表超过了 %1 行").arg(kMaxSheetRows));
                row.index = unsigned(rowIndex);
                row.repeat = unsigned(repeat);
                onRow(row);
            }
            rowIndex = qMin<quint64>(rowIndex + repeat, quint64(1) << 40);
        }
    }

    void readRowCells(XmlPart& xml, SheetRow& row) {
        row.cells.clear();
        quint64 column = 0;
        while (xml.next() && !xml.isEnd(QLatin1String("table-row"))) {
            if (!xml.isStart(QLatin1String("table-cell")) && !xml.isStart(QLatin1String("covered-table-cell"))) {
                if (xml.xml().isStartElement())
                    xml.skipElement();
                continue;
            }
            const quint64 repeat = repeatOf(xml, QLatin1String("number-columns-repeated"));
            SheetCell cell = readCell(xml);
            if (cell.kind != Kind::Empty) {
                // The empty cells to the right of a sheet are saved as one cell repeated to its
                // edge; a value there is a claim no sheet makes.
                if (column >= kMaxSheetColumns)
                    xml.refuse(QStringLiteral("工作表超过了 %1 列").arg(kMaxSheetColumns));
                row.cells.push_back({unsigned(column), unsigned(qMin<quint64>(repeat, kMaxSheetColumns - column)), std::move(cell)});
            }
            column = qMin<quint64>(column + repeat, quint64(1) << 40);
        }
    }

    std::unique_ptr<ZipPackage> m_package;
    QStringList m_names;
    bool m_allNames = false;
};

}  // namespace

bool isOdsPackage(const ZipPackage& package) {
    return package.contains(QStringLiteral("mimetype")) &&
           package.read(QStringLiteral("mimetype"), 64).startsWith("application/vnd.oasis.opendocument.spreadsheet");
}

std::unique_ptr<WorkbookSheets> openOdsWorkbook(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<OdsWorkbook>(std::move(package));
}
