#pragma once
// Start-up of the program: fonts, services, the windows in their order, the data module.
#include <QString>
#include <QStringList>
#include <functional>

class LoginWindow;
class QIcon;
class QStyle;
class QTranslator;

class LedgerData;

struct StartOptions {
    QString workdir;         // the folder that holds data.mdb, absolute
    QString database;        // --database or the setting "database": a server's ledger by its URI
    bool english = false;    // English captions on the main window
    QString screenshotDir;   // screenshot mode: save PNGs here and end
    QStringList screenshotWindows;  // window classes to save besides the main window
    QString updateUrl;       // --update-url: where the update check looks instead
    QString receiptPdf;      // --receipt-pdf DIR: POS receipts as PDF files there, not on the printer
};

// The folder of data.mdb without --workdir: the current folder when it holds data.mdb, otherwise
// the user's data folder.
QString defaultWorkdir();
// The platform's style with the program's touches (hint timing, tool buttons without menu arrows).
QStyle* createProgramStyle();
// The program's own icon, drawn sharp at any size, for title bars, the task bar and the about box.
QIcon applicationIcon();
// Qt's standard buttons and dialogs in Chinese, unless the user chose the English captions;
// null when the translations are not installed. Owned by the application.
QTranslator* installQtTranslations(bool english);
// A folder named on the command line, made absolute against the current folder once: the start
// changes into the working folder, and a relative name taken again from there would point below it.
QString resolveFolder(const QString& given);
// Parses --workdir DIR, --english, --update-url URL and --receipt-pdf DIR; unknown arguments are
// left to Qt. The folders come back absolute.
StartOptions parseStartOptions(const QStringList& arguments);
// Maps the family "宋体" to the CJK serif font of the machine and makes a CJK sans the default.
void installChineseFonts();
// Opens data.mdb of the working folder as the data module. A missing file is created after the
// user agrees; a file that is not ours is reported. False: the program ends.
bool openDataModule(const QString& workdir);
// Opens the ledger on a server by its URI as the data module: asks for a password when the server
// wants one, offers Retry and Quit when the server cannot be reached or refuses. False when the
// user gives up.
bool openServerLedger(const QString& uri);
// Which ledger is open, for the about window and the status bar.
QString ledgerDescription(const LedgerData& ledger);
// Runs the whole program; returns its exit code.
// `showLogin`, when given, shows the login window in place of the modal login (the benchmark logs
// in by itself).
int runProgram(int argc, char* argv[], std::function<void(LoginWindow&)> showLogin = {});
