#include "tool/tool_io.h"

QTextStream& toolOut() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& toolErr() {
    static QTextStream s(stderr);
    return s;
}

QString toolOption(const QStringList& args, const QString& name, const QString& fallback) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

void printProgress(const QString& line) { toolOut() << line << Qt::endl; }

void reportBadOption(const QString& option) {
    toolErr() << "tovrakel-tool: 未知的选项，或选项缺少值：" << option << "\n";
}
