// tovrakel-tool: the command-line companion for scripting and checks, without windows.
#include "tool/commands.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrakel-tool"));
    QStringList args = app.arguments().mid(1);
    return runToolCommand(args);
}
