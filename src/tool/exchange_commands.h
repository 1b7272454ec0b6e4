#pragma once
// The exchange and maintenance subcommands of tovrakel-tool: workbook export of the three grids,
// import of a stock workbook (.xls, .xlsx or .ods), backup and restore of data.mdb.
#include <QStringList>

// export {inventory|sales|summary} FILE [--workdir DIR] [--user NAME] [--from DATE] [--to DATE]:
// an .xlsx workbook or an .xls sheet, by FILE's extension (export-xls is the same command)
int runExport(const QStringList& args);
// import-xls WORKBOOK [--workdir DIR]: WORKBOOK an .xls, .xlsx or .ods
int runImportXls(const QStringList& args);
// read-xls WORKBOOK: the rows import-xls would append, as JSON; the program and import-xls read
// workbooks this way, in a process of their own
int runReadXls(const QStringList& args);
// backup TARGET [--workdir DIR]
int runBackup(const QStringList& args);
// restore SOURCE [--workdir DIR] < ADMINISTRATOR_PASSWORD
int runRestore(const QStringList& args);
