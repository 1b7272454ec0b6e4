#pragma once
// What every subcommand of tovrakel-tool shares: one stream each for standard output and error
// (two streams on one file would each keep their own buffer and could reorder the lines), and the
// "--name VALUE" options.
#include <QStringList>
#include <QTextStream>

QTextStream& toolOut();
QTextStream& toolErr();
// Value of "--name VALUE" in args, or the fallback.
QString toolOption(const QStringList& args, const QString& name, const QString& fallback);
// One line of a long command's progress on standard output, shown at once.
void printProgress(const QString& line);
// Says on standard error that `option` is unknown or lacks its value.
void reportBadOption(const QString& option);
