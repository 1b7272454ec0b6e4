#include "tool/commands.h"

#include "tool/generate_command.h"

#include "store/database.h"
#include "store/store_error.h"
#include "tool/exchange_commands.h"
#include "tool/text_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <map>

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

int usage() {
    err() << "usage: tovrakel-tool --version\n"
             "       tovrakel-tool init [--workdir DIR]\n"
             "       tovrakel-tool pinyin   < lines    (pinyin initials, one line per line)\n"
             "       tovrakel-tool capitals < amounts  (Chinese capitals, one line per line)\n"
             "       tovrakel-tool generate [--workdir DIR] [--stock N] [--sales N] [--years N] [--seed N]\n"
             "       tovrakel-tool export-xls {inventory|sales|summary} FILE [--workdir DIR] [--user NAME]\n"
             "       tovrakel-tool import-xls WORKBOOK [--workdir DIR]\n"
             "       tovrakel-tool backup TARGET [--workdir DIR]\n"
             "       tovrakel-tool restore SOURCE [--workdir DIR]\n";
    err().flush();
    return 2;
}

// Value of "--name VALUE" in args, or the fallback.
QString option(const QStringList& args, const QString& name, const QString& fallback) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

int init(const QStringList& args) {
    const QString dir = option(args, QStringLiteral("--workdir"), QDir::currentPath());
    if (!QDir().mkpath(dir)) {
        err() << "tovrakel-tool: cannot create folder " << dir << "\n";
        return 1;
    }
    const QString path = QDir(dir).filePath(Database::kFileName);
    try {
        Database::create(path);
    } catch (const StoreError& e) {
        err() << "tovrakel-tool: " << e.message() << "\n";
        return 1;
    }
    out() << "created " << QFileInfo(path).absoluteFilePath() << "\n";
    return 0;
}

}  // namespace

int runToolCommand(const QStringList& args) {
    if (args.isEmpty())
        return usage();
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    int rc;
    if (command == QLatin1String("--version")) {
        out() << "tovrakel-tool " << TOVRAKEL_VERSION << "\n";
        rc = 0;
    } else if (command == QLatin1String("init")) {
        rc = init(rest);
    } else if (command == QLatin1String("generate")) {
        rc = runGenerate(rest);
    } else if (command == QLatin1String("export-xls")) {
        rc = runExportXls(rest);
    } else if (command == QLatin1String("import-xls")) {
        rc = runImportXls(rest);
    } else if (command == QLatin1String("backup")) {
        rc = runBackup(rest);
    } else if (command == QLatin1String("restore")) {
        rc = runRestore(rest);
    } else if (command == QLatin1String("pinyin")) {
        rc = runPinyinFilter(rest);
    } else if (command == QLatin1String("capitals")) {
        rc = runCapitalsFilter(rest);
    } else {
        rc = usage();
    }
    out().flush();
    err().flush();
    return rc;
}
