#pragma once
// Reads an .xlsx back with Debian's python3-openpyxl, an independent reader, as JSON:
// {"sheets": [{"name": ..., "freeze": "A5", "merged": ["A1:O1", ...], "widths": {"A": 15.7, ...},
//   "cells": [[row, column, value, type, number format], ...]}]}
// Rows and columns count from 1 as the reader counts them; only cells with a value are listed.
// The type is openpyxl's: "s" text, "n" number, "d" date (the value then "yyyy-mm-dd"), "b" boolean.
#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

inline bool haveOpenpyxl() {
    if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
        return false;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

inline QJsonObject readXlsx(const QString& path) {
    static const char* script = R"py(
import json, sys, datetime, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for s in book.worksheets:
    cells = []
    for row in s.iter_rows():
        for c in row:
            if c.value is None:
                continue
            v = c.value
            if isinstance(v, (datetime.datetime, datetime.date)):
                v = v.strftime('%Y-%m-%d')
            cells.append([c.row, c.column, v, c.data_type, c.number_format])
    sheets.append({'name': s.title, 'freeze': s.freeze_panes,
                   'merged': sorted(str(r) for r in s.merged_cells.ranges),
                   'widths': {k: d.width for k, d in s.column_dimensions.items()},
                   'cells': cells})
print(json.dumps({'sheets': sheets}, ensure_ascii=False))
)py";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// The cells of one sheet as "row,column" → [value, type, number format].
inline QMap<QString, QJsonArray> xlsxCells(const QJsonObject& sheet) {
    QMap<QString, QJsonArray> cells;
    for (const QJsonValue& c : sheet[QStringLiteral("cells")].toArray()) {
        const QJsonArray a = c.toArray();
        cells.insert(QStringLiteral("%1,%2").arg(a[0].toInt()).arg(a[1].toInt()), QJsonArray{a[2], a[3], a[4]});
    }
    return cells;
}
