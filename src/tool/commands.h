#pragma once
// The subcommands of tovrakel-tool; each returns the process exit code.
#include <QStringList>

int runToolCommand(const QStringList& args);
// Writes the usage line of one subcommand to standard error; returns the exit code 2.
int printUsage(const char* subcommand);
