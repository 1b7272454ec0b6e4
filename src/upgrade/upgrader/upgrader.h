#pragma once
// The upgrader's steps: read its command line, wait for the program to end, put the downloaded
// ".uTMP" files in place and start the program again. It never shows anything; what goes wrong
// is written to the error stream and turns the exit status to 1.
#include <QString>
#include <QStringList>

class QTextStream;

namespace upgrader {

inline const QString kDownloadSuffix = QStringLiteral(".uTMP");
inline const QString kBackupSuffix = QStringLiteral(".bak");
// Environment variable that bounds each wait, in milliseconds.
inline constexpr char kWaitVariable[] = "TOVRAKEL_UPGRADER_WAIT_MS";
inline constexpr int kDefaultWaitMs = 60000;

struct Request {
    QString programPath;      // the main program, blanks inside the path restored
    QString restartArgument;  // e.g. "/afterupgrade0", method digit included
    bool setupMode = false;
};

// Joins the arguments again (the caller does not quote the path) and splits them at the first "+".
Request parseArguments(const QStringList& arguments);

// The bound of each wait: the environment variable when it holds a number, else one minute.
int waitBoundMs();

// A program is still running while its file cannot be opened for writing (a running binary gives
// ETXTBSY) or some process still executes it.
bool programRunning(const QString& path);

// Polls programRunning() until it is false or timeoutMs has passed; true when the program ended.
bool waitUntilEnded(const QString& path, int timeoutMs);

// Does the whole upgrade; returns the exit status (0: everything done, 1: something was left).
int run(const Request& request, int waitMs, QTextStream& log);

}  // namespace upgrader
