#include "widgets/number_field.h"

#include "text/number_text.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>

void NumberKeyFilter::install(QLineEdit* field, bool allowPoint) {
    field->installEventFilter(new NumberKeyFilter(allowPoint, field));
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers().testFlag(Qt::ControlModifier))
        return false;  // no character: an editing key or a shortcut
    const QChar c = text.at(0);
    if (c == QLatin1Char('\b') || c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t') ||
        c == QChar(0x7f) || c == QChar(0x1b))
        return false;
    if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (m_allowPoint && c == QLatin1Char('.')))
        return false;
    return true;  // any other character is dropped
}

NumberField::NumberField(QWidget* parent, int minimum, int maximum)
    : QLineEdit(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)), m_minimum(minimum),
      m_maximum(maximum) {
    NumberKeyFilter::install(this, true);
    for (QToolButton* button : {m_up, m_down}) {
        button->setCursor(Qt::ArrowCursor);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0px; }"));
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    setTextMargins(0, 0, 14, 0);
}

void NumberField::stepBy(int steps) {
    const std::optional<double> value = parsePlainDecimal(text(), true);
    const qint64 whole = value ? qint64(std::trunc(qBound(-1e15, *value, 1e15))) : 0;
    const qint64 next = qBound(qint64(m_minimum), whole + steps, qint64(m_maximum));
    setText(generalNumberText(double(next)));
    emit textEdited(text());
}

void NumberField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int half = (height() - 2) / 2;
    m_up->setGeometry(width() - 14, 1, 13, half);
    m_down->setGeometry(width() - 14, 1 + half, 13, height() - 2 - half);
}

void NumberField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        stepBy(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NumberField::wheelEvent(QWheelEvent* event) {
    if (hasFocus() && event->angleDelta().y() != 0) {
        stepBy(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::wheelEvent(event);
}
