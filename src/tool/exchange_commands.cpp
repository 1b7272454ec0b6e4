#include "tool/exchange_commands.h"

#include "exchange/grid_export_source.h"
#include "exchange/grid_to_xls.h"
#include "exchange/ledger_grids.h"
#include "exchange/workbook_import.h"
#include "maintenance/backup.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/store_error.h"
#include "tool/commands.h"
#include "tool/ledger_place.h"
#include "tool/tool_io.h"
#include "users/rights.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

// The arguments split into "--name VALUE" options and the rest, in order.
struct Arguments {
    QMap<QString, QString> options;
    QStringList positional;
    bool bad = false;
};

Arguments parse(const QStringList& args, const QStringList& known) {
    Arguments a;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1String("--"))) {
            if (!known.contains(args[i]) || i + 1 >= args.size()) {
                reportBadOption(args[i]);
                a.bad = true;
                return a;
            }
            a.options[args[i]] = args[i + 1];
            ++i;
        } else {
            a.positional << args[i];
        }
    }
    return a;
}

int fail(const QString& message) {
    toolErr() << "tovrakel-tool: " << message << Qt::endl;
    return 1;
}

// "yyyy-MM-dd" of an option, or an empty text when the option is absent; false for another form.
bool dateOption(const Arguments& a, const char* name, QString* date) {
    *date = a.options.value(QLatin1String(name));
    return date->isEmpty() || QDate::fromString(*date, QStringLiteral("yyyy-MM-dd")).isValid();
}

}  // namespace

int runExport(const QStringList& args) {
    const Arguments a = parse(args, {kWorkdirOption, kDatabaseOption, QStringLiteral("--user"), QStringLiteral("--from"),
                                     QStringLiteral("--to")});
    LedgerGrid which;
    QString from, to;
    if (a.bad || a.positional.size() != 2 || !ledgerGridFromName(a.positional[0], &which) ||
        !dateOption(a, "--from", &from) || !dateOption(a, "--to", &to))
        return printUsage("export");
    if ((!from.isEmpty() || !to.isEmpty()) && which != LedgerGrid::Sales)
        return fail(QStringLiteral("--from 和 --to 按日期选择销售记录，只用于 sales。"));
    LedgerPlace place;
    if (!ledgerPlace(a.options, &place))
        return 2;
    try {
        Database db;
        openLedger(db, place);
        const LedgerGridLayout layout = ledgerGridLayout(which);
        // The sales of the days asked for, as the sales window's date search finds them.
        QString statement = layout.statement;
        QVariantList params;
        QStringList conditions;
        if (!from.isEmpty()) {
            conditions << QStringLiteral("day1>=?");
            params << from;
        }
        if (!to.isEmpty()) {
            conditions << QStringLiteral("day1<=?");
            params << to;
        }
        if (!conditions.isEmpty())
            statement += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
        Dataset rows(QStringLiteral("export"), statement, &db);
        rows.setStatement(statement, params);
        // Every record and every column the user may see, without the windows' own choices.
        const QString user = a.options.value(QStringLiteral("--user"), Database::kAdministrator);
        DatasetGridSource grid(rows, layout.columns);
        grid.withhold(Rights::forUser(user).withheldFields());
        XlsGridWriter xls;
        xls.setGrid(&grid);
        xls.setTitleName(layout.sheetTitle);
        if (!from.isEmpty())
            xls.setBeginDate(QStringLiteral("起始日期：") + from);
        if (!to.isEmpty())
            xls.setEndDate(QStringLiteral("截止日期：") + to);
        xls.setUserName(user);
        xls.setMadeAt(QDateTime::currentDateTime());
        xls.setShowProgress(false);
        xls.setFileName(a.positional[1]);
        if (xls.Export() != XlsGridWriter::Outcome::Written)
            return fail(QStringLiteral("没有可导出的记录，没有写入文件。"));
        toolOut() << "已把 " << rows.recordCount() << " 条记录写入 " << QFileInfo(a.positional[1]).absoluteFilePath()
                  << Qt::endl;
    } catch (const XlsMisfitError& e) {
        return fail(e.message() + QStringLiteral("请把文件名改为 .xlsx，写成可以容纳它们的工作簿。"));
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

int runImportXls(const QStringList& args) {
    const Arguments a = parse(args, {kWorkdirOption, kDatabaseOption});
    LedgerPlace place;
    if (a.bad || a.positional.size() != 1)
        return printUsage("import-xls");
    if (!ledgerPlace(a.options, &place))
        return 2;
    try {
        Database db;
        openLedger(db, place);
        const int count = importStockWorkbook(db, a.positional[0]);
        toolOut() << "已把 " << count << " 条入库记录导入 "
                  << (db.isServer() ? db.location() : QFileInfo(db.path()).absoluteFilePath()) << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

int runReadXls(const QStringList& args) {
    const Arguments a = parse(args, {});
    if (a.bad || a.positional.size() != 1)
        return printUsage("read-xls");
    try {
        toolOut() << QString::fromUtf8(importRowsToJson(readStockWorkbook(a.positional[0]))) << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

namespace {

// A server's ledger backed up as a data.mdb, so one backup format serves both engines.
int backupServerLedger(const QString& uri, const QString& target) {
    const BackupPlan plan = planBackup(target, Database::kFileName);
    if (!plan.missingFolder.isEmpty())
        return fail(QStringLiteral("文件夹 %1 不存在").arg(plan.missingFolder));
    try {
        Database source;
        openServerLedger(source, uri);
        backupLedger(source, plan, printProgress);
        toolOut() << "已把 " << source.location() << " 备份到 " << plan.file << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

// The administrator's password, one line of standard input, so a script can pipe it in.
QString passwordLine() {
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return QString::fromStdString(password);
}

int restoreOnServer(const QString& uri, const QString& source) {
    try {
        Database server;
        openServerLedger(server, uri);
        const QString safety =
            restoreServerLedger(server, source, QDateTime::currentDateTime(), passwordLine(), printProgress);
        toolOut() << "已用 " << source << " 恢复 " << server.location() << Qt::endl;
        toolOut() << "恢复前服务器上的账本保存为 " << safety << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

}  // namespace

int runBackup(const QStringList& args) {
    const Arguments a = parse(args, {kWorkdirOption, kDatabaseOption});
    if (a.bad || a.positional.size() != 1)
        return printUsage("backup");
    LedgerPlace place;
    if (!ledgerPlace(a.options, &place))
        return 2;
    if (place.onServer())
        return backupServerLedger(place.uri, a.positional[0]);
    const QString db = place.file();
    try {
        Database::verify(db);
        const BackupPlan plan = planBackup(a.positional[0], db);
        // A script names its target on purpose, so an old backup there is replaced; a folder that
        // is missing is more likely a typing error than a wish.
        if (!plan.missingFolder.isEmpty())
            return fail(QStringLiteral("文件夹 %1 不存在").arg(plan.missingFolder));
        backupDatabase(db, plan);
        toolOut() << "已把 " << QFileInfo(db).absoluteFilePath() << " 备份到 " << plan.file << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}

int runRestore(const QStringList& args) {
    const Arguments a = parse(args, {kWorkdirOption, kDatabaseOption});
    if (a.bad || a.positional.size() != 1)
        return printUsage("restore");
    LedgerPlace place;
    if (!ledgerPlace(a.options, &place))
        return 2;
    if (place.onServer())
        return restoreOnServer(place.uri, a.positional[0]);
    const QString db = place.file();
    try {
        const QString safety = restoreDatabase(a.positional[0], db, QDateTime::currentDateTime(), passwordLine());
        toolOut() << "已用 " << a.positional[0] << " 恢复 " << QFileInfo(db).absoluteFilePath() << Qt::endl;
        if (!safety.isEmpty())
            toolOut() << "被替换的数据库保存为 " << safety << Qt::endl;
    } catch (const StoreError& e) {
        return fail(e.message());
    }
    return 0;
}
