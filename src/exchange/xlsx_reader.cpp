#include "exchange/xlsx_reader.h"

#include "exchange/zip_package.h"
#include "text/replace_each.h"

#include <QDir>
#include <QRegularExpression>
#include <map>

namespace {

using Kind = SheetCell::Kind;

// What a number format makes of a number: a date, a time or both, or a number (Empty).
Kind formatKindOfId(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || id == 50 || id == 51 || id == 54 || id == 57 ||
        id == 58)
        return Kind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) || id == 52 || id == 53 ||
        id == 55 || id == 56)
        return Kind::Time;
    if (id == 22)
        return Kind::DateTime;
    return Kind::Empty;
}

Kind formatKindOfCode(const QString& code) {
    // Quoted texts, escaped and padding characters and [colour]/[$-804] sections say nothing about
    // the kind; [h]:mm elapsed times do. Only the first section (positive numbers) counts.
    QString plain;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"')) {
            const int end = code.indexOf(QLatin1Char('"'), i + 1);
            i = end < 0 ? code.size() : end;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const int end = code.indexOf(QLatin1Char(']'), i + 1);
            const QString inside = code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1).toLower();
            if (!inside.isEmpty() && QStringLiteral("hms").contains(inside.front()))
                plain += inside;
            i = end < 0 ? code.size() : end;
        } else if (c == QLatin1Char(';')) {
            break;
        } else {
            plain += c.toLower();
        }
    }
    const bool day = plain.contains(QLatin1Char('y')) || plain.contains(QLatin1Char('d'));
    const bool time = plain.contains(QLatin1Char('h')) || plain.contains(QLatin1Char('s')) ||
                      plain.contains(QLatin1String("am/pm")) || plain.contains(QLatin1String("a/p"));
    const bool date = day || (plain.contains(QLatin1Char('m')) && !time);
    return date && time ? Kind::DateTime : date ? Kind::Date : time ? Kind::Time : Kind::Empty;
}

// Control characters are saved as _x000D_.
QString unescaped(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    return replaceEach(text, escape, [](const QRegularExpressionMatch& m) {
        return QString(QChar(char16_t(m.captured(1).toUShort(nullptr, 16))));
    });
}

// The text of a shared or inline string: its runs, without the phonetic guide above them.
QString richText(XmlPart& xml, QLatin1String element) {
    QString text;
    while (xml.next() && !xml.isEnd(element)) {
        if (xml.isStart(QLatin1String("rPh")))
            xml.skipElement();
        else if (xml.isStart(QLatin1String("t")))
            text += xml.elementText();
    }
    return unescaped(text);
}

struct Relationship {
    QString type;
    QString target;  // the part's name in the package
};

QString folderOf(const QString& part) {
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

std::map<QString, Relationship> relationships(const ZipPackage& package, const QString& part) {
    const QString rels = folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) + QStringLiteral(".rels");
    std::map<QString, Relationship> out;
    if (!package.contains(rels))
        return out;
    XmlPart xml(package, rels);
    while (xml.next()) {
        if (!xml.isStart(QLatin1String("Relationship")) || xml.attribute(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        const QString target = xml.attribute(QLatin1String("Target"));
        const QString name = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QDir::cleanPath(folderOf(part) + target);
        out[xml.attribute(QLatin1String("Id"))] = {xml.attribute(QLatin1String("Type")), name};
    }
    return out;
}

QString targetOfType(const std::map<QString, Relationship>& rels, QLatin1String type) {
    for (const auto& r : rels)
        if (r.second.type.endsWith(type))
            return r.second.target;
    return {};
}

class XlsxWorkbook : public WorkbookSheets {
public:
    explicit XlsxWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {
        QString book = targetOfType(relationships(*m_package, QString()), QLatin1String("/officeDocument"));
        if (book.isEmpty())
            book = QStringLiteral("xl/workbook.xml");
        const std::map<QString, Relationship> rels = relationships(*m_package, book);
        m_sharedStrings = targetOfType(rels, QLatin1String("/sharedStrings"));
        m_styles = targetOfType(rels, QLatin1String("/styles"));
        XmlPart xml(*m_package, book);
        while (xml.next()) {
            if (xml.isStart(QLatin1String("workbookPr"))) {
                const QString v = xml.attribute(QLatin1String("date1904"));
                m_1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (xml.isStart(QLatin1String("sheet"))) {
                const auto rel = rels.find(xml.attribute(QLatin1String("id")));
                m_sheets.push_back({xml.attribute(QLatin1String("name")), rel == rels.end() ? QString() : rel->second.target});
            }
        }
        if (m_sheets.empty())
            m_package->refuse();
    }

    QStringList sheetNames() override {
        QStringList names;
        for (const auto& s : m_sheets)
            names << s.first;
        return names;
    }
    bool dates1904() const override { return m_1904; }

    bool readSheet(const QString& name, const RowHandler& onRow) override {
        for (const auto& s : m_sheets) {
            if (s.first.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (s.second.isEmpty())
                m_package->refuse();
            readStrings();
            readStyles();
            readRows(s.second, onRow);
            return true;
        }
        return false;
    }

private:
    void readStrings() {
        if (m_sharedStrings.isEmpty() || !m_package->contains(m_sharedStrings))
            return;
        XmlPart xml(*m_package, m_sharedStrings);
        while (xml.next())
            if (xml.isStart(QLatin1String("si")))
                m_strings.push_back(richText(xml, QLatin1String("si")));
    }

    void readStyles() {
        if (m_styles.isEmpty() || !m_package->contains(m_styles))
            return;
        std::map<int, Kind> custom;
        XmlPart xml(*m_package, m_styles);
        bool inCellXfs = false;
        while (xml.next()) {
            if (xml.isStart(QLatin1String("numFmt"))) {
                custom[xml.attribute(QLatin1String("numFmtId")).toInt()] =
                    formatKindOfCode(xml.attribute(QLatin1String("formatCode")));
            } else if (xml.isStart(QLatin1String("cellXfs"))) {
                inCellXfs = true;
            } else if (xml.isEnd(QLatin1String("cellXfs"))) {
                inCellXfs = false;
            } else if (inCellXfs && xml.isStart(QLatin1String("xf"))) {
                const int id = xml.attribute(QLatin1String("numFmtId")).toInt();
                const auto own = custom.find(id);
                m_styleKinds.push_back(own != custom.end() ? own->second : formatKindOfId(id));
            }
        }
    }

    // "BC12" -> 54 (0-based); refuses a column beyond the widest sheet.
    unsigned columnOf(const XmlPart& xml, const QString& ref, unsigned next) const {
        if (ref.isEmpty())
            return next;
        quint64 column = 0;
        int i = 0;
        for (; i < ref.size() && ref.at(i).isLetter(); ++i) {
            column = column * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
            if (column > kMaxSheetColumns)
                xml.refuse(QStringLiteral("单元格 %1 超出了工作表的 %2 列").arg(ref.left(12)).arg(kMaxSheetColumns));
        }
        if (column == 0)
            xml.refuse();
        return unsigned(column - 1);
    }

    void readRows(const QString& part, const RowHandler& onRow) {
        XmlPart xml(*m_package, part);
        SheetRow row;
        quint64 nextRow = 0;
        unsigned nextColumn = 0;
        while (xml.next()) {
            if (xml.isStart(QLatin1String("row"))) {
                const QString r = xml.attribute(QLatin1String("r"));
                bool ok = true;
                const quint64 index = r.isEmpty() ? nextRow : r.toULongLong(&ok) - 1;
                if (!ok || index < nextRow || index >= kMaxSheetRows)
                    xml.refuse(QStringLiteral("行号 %1 无效").arg(r.left(12)));
                row.index = unsigned(index);
                row.cells.clear();
                nextColumn = 0;
            } else if (xml.isEnd(QLatin1String("row"))) {
                if (!row.cells.empty())
                    onRow(row);
                nextRow = quint64(row.index) + 1;
            } else if (xml.isStart(QLatin1String("c"))) {
                const unsigned column = columnOf(xml, xml.attribute(QLatin1String("r")), nextColumn);
                SheetCell cell = readCell(xml);
                if (cell.kind != Kind::Empty)
                    row.cells.push_back({column, 1, std::move(cell)});
                nextColumn = column + 1;
            } else if (xml.isEnd(QLatin1String("sheetData"))) {
                break;
            }
        }
    }

    SheetCell readCell(XmlPart& xml) {
        const QString type = xml.attribute(QLatin1String("t"));
        const int style = xml.attribute(QLatin1String("s")).toInt();
        QString value, inlineText;
        bool hasValue = false, hasFormula = false;
        while (xml.next() && !xml.isEnd(QLatin1String("c"))) {
            if (xml.isStart(QLatin1String("v"))) {
                value = xml.elementText();
                hasValue = true;
            } else if (xml.isStart(QLatin1String("f"))) {
                hasFormula = true;
                xml.skipElement();
            } else if (xml.isStart(QLatin1String("is"))) {
                inlineText = richText(xml, QLatin1String("is"));
            } else if (xml.xml().isStartElement()) {
                xml.skipElement();
            }
        }
        // A formula written by a program that does not calculate has no result to take.
        if (hasFormula && (!hasValue || (value.isEmpty() && type != QLatin1String("str"))))
            return SheetCell::ofError(QString());
        if (type == QLatin1String("inlineStr"))
            return SheetCell::ofText(inlineText);
        if (!hasValue)
            return {};
        if (type == QLatin1String("s")) {
            bool ok = false;
            const qulonglong index = value.toULongLong(&ok);
            if (!ok || index >= m_strings.size())
                xml.refuse();
            return SheetCell::ofText(m_strings[index]);
        }
        if (type == QLatin1String("str"))
            return SheetCell::ofText(unescaped(value));
        if (type == QLatin1String("b"))
            return SheetCell::ofNumber(value.trimmed() == QLatin1String("1") || value.trimmed() == QLatin1String("true"));
        if (type == QLatin1String("e"))
            return SheetCell::ofError(value);
        if (type == QLatin1String("d"))
            return SheetCell::ofIsoDate(value);
        if (value.isEmpty())
            return {};
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            xml.refuse();
        const Kind kind = style >= 0 && size_t(style) < m_styleKinds.size() ? m_styleKinds[size_t(style)] : Kind::Empty;
        if (kind != Kind::Empty && number >= 0 && number < 2958466) {
            SheetCell cell;
            cell.kind = kind;
            cell.number = number;
            cell.text = serialDateText(number, m_1904, kind);
            return cell;
        }
        return SheetCell::ofNumber(number);
    }

    std::unique_ptr<ZipPackage> m_package;
    std::vector<std::pair<QString, QString>> m_sheets;  // name, part
    QString m_sharedStrings, m_styles;
    bool m_1904 = false;
    std::vector<QString> m_strings;
    std::vector<Kind> m_styleKinds;
};

}  // namespace

std::unique_ptr<WorkbookSheets> openXlsxWorkbook(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<XlsxWorkbook>(std::move(package));
}
