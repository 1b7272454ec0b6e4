#pragma once
// The skins: five named looks that restyle every window of the program at once, over a plain
// built-in default. One skin at a time for the whole application.
//
// Labels that must read on every skin carry a tone (widgets/label_tone.h) that each sheet colours.
#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringList>

class MainWindow;

// The built-in look in force until a remembered or chosen skin replaces it.
constexpr int kDefaultSkin = -1;
constexpr int kSkinCount = 5;

// The menu texts of the skins in menu order; a skin's index is its remembered value.
QStringList skinNames();
// The object names of their menu items in the settings menu (N19 ... N52).
QStringList skinActionNames();
// The skin a remembered text names: exactly "0" to "4"; anything else is the default.
int skinFromText(const QString& text);

// Puts a skin on every window; kDefaultSkin (or any index out of range) restores the built-in look.
void applySkin(int index);
// The skin in force.
int currentSkin();
// What a skin is made of: its style sheet (from the resources) and its palette. The default has
// no sheet and the style's standard palette.
QString skinStyleSheet(int index);
QPalette skinPalette(int index);

// Menu choice: applies the skin, then remembers it as `skin` under the main settings key.
void chooseSkin(int index);
// Applies the remembered skin when it names one; otherwise the skin in force stays.
void applyRememberedSkin();

// Enables and wires the five skin items of the settings menu and the remembered skin that the
// main window applies when it is shown.
void installSkins(MainWindow& form);
