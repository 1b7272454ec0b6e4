#include "tool/migrate_command.h"

#include "maintenance/ledger_copy.h"
#include "store/database.h"
#include "store/store_error.h"
#include "tool/commands.h"
#include "tool/ledger_place.h"
#include "tool/tool_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// One end of the move: a folder's data.mdb (or a .mdb file named outright), or a server's database.
struct End {
    QString address;
    bool server = false;
    QString file;
    bool created = false;  // a new data.mdb made for the copy, removed again when it fails
    Database db;
};

void locate(End& end, const QString& address) {
    end.address = address;
    end.server = isServerAddress(address);
    if (!end.server)
        end.file = QFileInfo(address.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)
                                 ? address
                                 : QDir(address).filePath(Database::kFileName))
                       .absoluteFilePath();
}

void openSource(End& from) {
    if (from.server) {
        openServerLedger(from.db, from.address);
        return;
    }
    if (!QFileInfo::exists(from.file))
        throw StoreError(QStringLiteral("没有找到要复制的账本：%1 不存在。").arg(from.file));
    from.db.open(from.file);
}

void openTarget(End& to) {
    if (to.server) {
        // An empty database gets the ledger's tables and the delivered administrator.
        openServerLedger(to.db, to.address);
        return;
    }
    if (!QFileInfo::exists(to.file)) {
        if (!QDir().mkpath(QFileInfo(to.file).path()))
            throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(to.file).path()));
        Database::create(to.file);
        to.created = true;
    }
    to.db.open(to.file);
}

}  // namespace

int runMigrate(const QStringList& args) {
    QMap<QString, QString> options;
    for (int i = 0; i < args.size(); i += 2) {
        if ((args[i] != QLatin1String("--from") && args[i] != QLatin1String("--to")) || i + 1 >= args.size()) {
            reportBadOption(args[i]);
            return 2;
        }
        options.insert(args[i], args[i + 1]);
    }
    if (!options.contains(QStringLiteral("--from")) || !options.contains(QStringLiteral("--to")))
        return printUsage("migrate");
    End from, to;
    locate(from, options.value(QStringLiteral("--from")));
    locate(to, options.value(QStringLiteral("--to")));
    if (from.server == to.server && (from.server ? from.address == to.address : from.file == to.file)) {
        toolErr() << "tovrakel-tool: --from 和 --to 是同一个账本\n";
        return 1;
    }
    try {
        openSource(from);
        toolOut() << "原账本：" << from.db.location() << Qt::endl;
        try {
            openTarget(to);
            toolOut() << "目标：" << to.db.location() << Qt::endl;
            const QString counts = copyLedger(from.db, to.db, printProgress);
            toolOut() << "已把账本从 " << from.db.location() << " 复制到 " << to.db.location() << "：" << counts
                      << "。行数、编号和金额的合计与原账本一致。" << Qt::endl;
        } catch (...) {
            if (to.created) {
                to.db.close();
                QFile::remove(to.file);
            }
            throw;
        }
    } catch (const StoreError& e) {
        toolErr() << "tovrakel-tool: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
