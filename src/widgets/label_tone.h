#pragma once
// Label tones: a quiet hint, a warning or an accented caption (the teal of the fields a sales note
// needs). A window's own style sheet outranks the skin, so a fixed text colour that suits the
// default may vanish on a dark skin; a toned label takes its colour from its palette and sets the
// property "muted", "warning" or "accent" to true, and each skin gives those labels a colour that
// reads on its background while the default keeps the palette's.
#include <QColor>

class QLabel;

// The three kinds of label a skin recolours, each named by the property it sets.
enum class LabelTone { Muted, Warning, Accent };
// Gives a label its colour for the built-in look through its palette and marks it with its tone,
// so that every skin can give it a colour that reads on the skin's background. Called while the
// window is built: the sheet reads the property when it first polishes the label.
void setLabelTone(QLabel* label, const QColor& colour, LabelTone tone);
