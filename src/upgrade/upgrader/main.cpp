// The upgrader: started by the main program just before it ends, it puts the downloaded files in
// place and starts the program again. No windows, so it links Qt Core only.
#include "upgrader.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        QTextStream(stdout) << "Tovrakel 升级程序 (upgrader)\n";
        return 0;
    }
    QTextStream log(stderr);
    return upgrader::run(upgrader::parseArguments(arguments), upgrader::waitBoundMs(), log);
}
