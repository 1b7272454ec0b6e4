#pragma once
// Wires the update component into the main window: the check at every show once a login has
// succeeded (held back while a modal box is open) and the support-menu command 软件自动升级.
#include <QString>
#include <QStringList>

struct StartOptions;
class MainWindow;
class Updater;

// The maker's info file; `--update-url` and the settings value `infofileurl` point elsewhere.
extern const char kDefaultInfoFileUrl[];

// The address a check fetches: the command line first, then the settings, then the maker's.
QString infoFileUrl(const StartOptions& options);

// The options the program was started with, as the restarted program is to get them again.
QStringList restartOptions(const StartOptions& options);

// Creates the component owned by the main window; null when the program updates through the
// package manager instead.
Updater* installUpdater(MainWindow& form, const StartOptions& options);
