#pragma once
// Runs the built tovrakel-tool as a shop's script would: its arguments, a standard input, and what
// comes back (exit code and both outputs as bytes).
#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

struct ToolRun {
    int exitCode = -1;  // -1: it did not end normally in time
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QStringList& args, const QByteArray& input = {}) {
    const QString program = qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + QStringLiteral("/tovrakel-tool");
    if (!QFileInfo::exists(program))
        qFatal("%s is missing: build the tovrakel-tool target first", qPrintable(program));
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted())
        qFatal("cannot start %s", qPrintable(program));
    process.write(input);
    process.closeWriteChannel();
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
