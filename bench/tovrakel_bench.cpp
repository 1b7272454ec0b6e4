// Times one operation of the program on a data.mdb, through the real code paths, and prints
// "<operation> <seconds> <peak KiB>" per repetition. bench/run compares it with the sqlite3 shell.
#include "store/data_module.h"
#include "store/query.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <functional>
#include <map>

namespace {

long peakKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        QTextStream(stderr) << "usage: tovrakel-bench WORKDIR OPERATION [REPEAT]\n";
        return 2;
    }
    const QString workdir = args[1];
    const QString operation = args[2];
    const int repeat = args.size() > 3 ? args[3].toInt() : 1;
    Tdmfm::create(workdir);

    const std::map<QString, std::function<void()>> operations = {
        {"stock-all", [] { OpenQuery(dm().ADOQuery15, QStringLiteral("select * from data order by day1")); }},
        {"stock-search",
         [] {
             OpenQuery(dm().ADOQuery15, QStringLiteral("select * from data where [2]>0  and e like ?"),
                       {QStringLiteral("%jl%")});
         }},
        {"sales-all", [] { OpenQuery(dm().ADOQuery13, QStringLiteral("select * from data1 order by day1")); }},
        {"sales-sort",
         [] {
             static bool loaded = false;
             if (!loaded) {
                 OpenQuery(dm().ADOQuery13, QStringLiteral("select * from data1 order by day1"));
                 loaded = true;
             }
             static bool descending = true;
             dm().ADOQuery13.sort(descending ? QStringLiteral("a DESC") : QStringLiteral("a"));
             descending = !descending;
         }},
        {"summary",
         [] {
             OpenQuery(dm().ADOQuery12,
                       QStringLiteral("sELECT a,b,c,d, sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,"
                                      "sum([6]) AS 销售金额, sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data GROUP BY a,b,c,d "));
         }},
    };
    const auto it = operations.find(operation);
    if (it == operations.end()) {
        QTextStream(stderr) << "unknown operation " << operation << "\n";
        return 2;
    }
    QTextStream out(stdout);
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        it->second();
        out << operation << ' ' << timer.nsecsElapsed() / 1e9 << ' ' << peakKiB() << '\n';
    }
    return 0;
}
