#include "widgets/label_tone.h"

#include <QLabel>

void setLabelTone(QLabel* label, const QColor& colour, LabelTone tone) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    const char* property = tone == LabelTone::Muted ? "muted" : tone == LabelTone::Warning ? "warning" : "accent";
    label->setProperty(property, true);
}
