#pragma once
// English captions of the main window: its labels, buttons, tool buttons, the inventory grid's
// titles and the sale panel's labels. Menus, messages, hints and the other windows stay Chinese,
// and there is no way back short of a restart.
#include <QList>
#include <QPair>
#include <QString>

class MainWindow;

// The captions set by name, in the order they are set: object name, English caption.
const QList<QPair<QString, QString>>& englishCaptions();
// The inventory grid's columns take the English titles of the stock table's description.
extern const QString kEnglishFooter;  // "Total", the footer under the names
// The sale panel's labels, found by their Chinese caption: Chinese, English.
const QList<QPair<QString, QString>>& englishSalePanelCaptions();

// Puts the English captions on the main window. Widgets that do not exist are skipped; widgets of
// other windows are never touched, even when they carry the same names.
void switchToEnglish(MainWindow& form);

// True when the run asks for English: the option --english, or `english` = "yes" under the main
// settings key.
bool englishWanted(bool fromCommandLine);
// Switches the main window to English at its first show when the run asks for it, after every
// part of the window has been built.
void installEnglishCaptions(MainWindow& form, bool fromCommandLine);
