#include "tool/ledger_place.h"

#include "store/database.h"
#include "store/server_engine.h"
#include "store/settings.h"
#include "tool/tool_io.h"

#include <QDir>

namespace {

[[noreturn]] void passwordNeeded(const QString& uri) {
    // The tool asks nobody: a script gives the password where libpq looks for it.
    throw StoreError(QStringLiteral("数据库服务器 %1 要求输入密码。请把密码写入 ~/.pgpass，或者放在环境变量 PGPASSWORD 中。")
                         .arg(ServerEngine::describe(uri)));
}

}  // namespace

const QString kDatabaseOption = QStringLiteral("--database");
const QString kWorkdirOption = QStringLiteral("--workdir");

QString LedgerPlace::file() const { return QDir(folder).filePath(Database::kFileName); }

bool ledgerPlace(const QMap<QString, QString>& options, LedgerPlace* place) {
    *place = {};
    if (options.contains(kDatabaseOption) && options.contains(kWorkdirOption)) {
        toolErr() << "tovrakel-tool: --database 和 --workdir 只能给出一个\n";
        return false;
    }
    if (options.contains(kDatabaseOption))
        place->uri = options.value(kDatabaseOption);
    else if (options.contains(kWorkdirOption))
        place->folder = options.value(kWorkdirOption);
    else
        place->uri = configuredServerLedger();
    if (!place->onServer() && place->folder.isEmpty())
        place->folder = QDir::currentPath();
    return true;
}

bool isServerAddress(const QString& address) {
    return address.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

void openServerLedger(Database& db, const QString& uri) {
    try {
        db.openServer(uri);
    } catch (const ServerPasswordNeeded&) {
        passwordNeeded(uri);
    }
}

void openLedger(Database& db, const LedgerPlace& place) {
    if (place.onServer())
        openServerLedger(db, place.uri);
    else
        db.open(place.file());
}
