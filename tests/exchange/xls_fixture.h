#pragma once
// Writes .xls workbooks for the import tests with Debian's python3-xlwt, from a JSON description:
// {"sheets": [{"name": "lanbor", "rows": [["a", "b"], ["x", 1.5, {"date": "2024-03-05"}, null]]}]}
// A {"date": ...} cell is a real date cell with a date format; null leaves the cell empty.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

inline bool haveXlwt() {
    if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
        return false;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import xlwt")});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

inline bool writeWorkbook(const QString& path, const QJsonArray& sheets) {
    static const char* script = R"py(
import json, sys, datetime, xlwt
spec = json.loads(sys.argv[2])
book = xlwt.Workbook(encoding='utf-8')
datefmt = xlwt.easyxf(num_format_str='yyyy-mm-dd')
for sheet in spec['sheets']:
    ws = book.add_sheet(sheet['name'])
    for r, row in enumerate(sheet['rows']):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, dict) and 'date' in v:
                ws.write(r, c, datetime.datetime.strptime(v['date'], '%Y-%m-%d'), datefmt)
            else:
                ws.write(r, c, v)
book.save(sys.argv[1])
)py";
    QProcess p;
    const QByteArray spec = QJsonDocument(QJsonObject{{"sheets", sheets}}).toJson(QJsonDocument::Compact);
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromUtf8(script), path, QString::fromUtf8(spec)});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

inline QJsonObject sheet(const QString& name, const QJsonArray& rows) {
    return QJsonObject{{"name", name}, {"rows", rows}};
}

inline QJsonObject dateCell(const QString& date) { return QJsonObject{{"date", date}}; }

// The seventeen import columns as a header row.
inline QJsonArray importHeader() {
    return QJsonArray{"a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"};
}

// A stock row in header order with its own name, initials and date cell.
inline QJsonArray stockRow(const QString& name, const QString& e, const QJsonValue& day1, double quantity = 10) {
    return QJsonArray{name, "HB", "001", "文具", e, "HB", "供货商", 1.5, quantity, 1.5 * quantity, 2.0, 0, 0,
                      quantity, 1.5 * quantity, "备注", day1};
}
