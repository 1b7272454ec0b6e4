#pragma once
// Writes .xls workbooks for the import tests with Debian's python3-xlwt, from a JSON description:
// {"sheets": [{"name": "lanbor", "rows": [["a", "b"], ["x", 1.5, {"date": "2024-03-05"}, null]]}]}
// A {"date": ...} cell is a real date cell with a date format; null leaves the cell empty.
// {"number": "nan"} (or "inf", "-inf") writes that number; {"error": "#DIV/0!"} an error value.
// {"formula": "H2*I2", "result": 60} is a formula cell with its saved result, as a spreadsheet
// program writes it: "result" a number, "text" a text (in a STRING record), "bool" true or false,
// "formulaError" an error code; without any of them the saved result is an empty text.
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
import json, struct, sys, datetime, xlwt
from xlwt import BIFFRecords, Cell

# xlwt saves no result with a formula; a spreadsheet program saves the one it calculated.
def formula_data(self):
    data = BIFFRecords.FormulaRecord(self.rowx, self.colx, self.xf_idx, self.frmla.rpn(), self.calc_flags)._rec_data
    saved = getattr(self.frmla, 'saved', {})
    text = None
    if 'result' in saved:
        cached = struct.pack('<d', saved['result'])
    elif 'text' in saved:
        text = saved['text']
        cached = bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    elif 'bool' in saved:
        cached = bytes([1, 0, int(saved['bool']), 0, 0, 0, 0xFF, 0xFF])
    elif 'formulaError' in saved:
        cached = bytes([2, 0, saved['formulaError'], 0, 0, 0, 0xFF, 0xFF])
    else:
        cached = data[6:14]
    data = data[:6] + cached + data[14:]
    out = struct.pack('<2H', 0x0006, len(data)) + data
    if text is not None:
        chars = text.encode('utf-16-le')
        out += struct.pack('<3HB', 0x0207, 3 + len(chars), len(chars) // 2, 1) + chars
    return out
Cell.FormulaCell.get_biff_data = formula_data

class SavedFormula(xlwt.Formula):
    def __init__(self, text, saved):
        xlwt.Formula.__init__(self, text)
        self.saved = saved

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
            elif isinstance(v, dict) and 'number' in v:
                ws.write(r, c, float(v['number']))
            elif isinstance(v, dict) and 'error' in v:
                ws.row(r).set_cell_error(c, v['error'])
            elif isinstance(v, dict) and 'formula' in v:
                ws.write(r, c, SavedFormula(v['formula'], v))
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

// A formula cell and what it saved: {"result": 60}, {"text": "铅笔"}, {"bool": true},
// {"formulaError": 7} or nothing.
inline QJsonObject formulaCell(const QString& formula, QJsonObject saved = {}) {
    saved.insert("formula", formula);
    return saved;
}

// The seventeen import columns as a header row.
inline QJsonArray importHeader() {
    return QJsonArray{"a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"};
}

// A stock row in header order with its own name, initials and date cell.
inline QJsonArray stockRow(const QString& name, const QString& e, const QJsonValue& day1, double quantity = 10) {
    return QJsonArray{name, "HB", "001", "文具", e, "HB", "供货商", 1.5, quantity, 1.5 * quantity, 2.0, 0, 0,
                      quantity, 1.5 * quantity, "备注", day1};
}
