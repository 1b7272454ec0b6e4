#include "widgets/date_field.h"

#include <QCalendarWidget>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QWidgetAction>

const QString kEmptyDateText = QStringLiteral("    -  -  ");

DateField::DateField(QWidget* parent) : QLineEdit(parent), m_button(new QToolButton(this)) {
    setInputMask(QStringLiteral("9999-99-99; "));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0px; }"));
    connect(m_button, &QToolButton::clicked, this, &DateField::showCalendar);
    setTextMargins(0, 0, 16, 0);
}

QDate DateField::date() const { return QDate::fromString(displayText(), QStringLiteral("yyyy-MM-dd")); }

void DateField::setDate(const QDate& date) {
    setText(date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString());
}

void DateField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int side = height() - 4;
    m_button->setGeometry(width() - side - 2, 2, side, side);
}

void DateField::showCalendar() {
    QMenu menu(this);
    auto* calendar = new QCalendarWidget(&menu);
    calendar->setSelectedDate(date().isValid() ? date() : QDate::currentDate());
    calendar->setGridVisible(true);
    auto* action = new QWidgetAction(&menu);
    action->setDefaultWidget(calendar);
    menu.addAction(action);
    connect(calendar, &QCalendarWidget::clicked, &menu, [&](const QDate& d) {
        setDate(d);
        emit textEdited(text());
        menu.close();
    });
    menu.exec(mapToGlobal(QPoint(0, height())));
}
