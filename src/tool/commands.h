#pragma once
// The subcommands of tovrakel-tool; each returns the process exit code.
#include <QStringList>

int runToolCommand(const QStringList& args);
