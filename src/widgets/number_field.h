#pragma once
// Number entry: a key filter that lets only digits (and, where allowed, ".") be typed besides
// Backspace, Enter and the editing keys, and a number field with spin buttons that step its
// whole-number value.
#include <QLineEdit>
#include <QObject>

class QToolButton;

// Drops every typed character other than the digits (and "." when allowed); Enter, Backspace,
// the cursor keys, Tab and shortcuts pass.
class NumberKeyFilter : public QObject {
    Q_OBJECT
public:
    NumberKeyFilter(bool allowPoint, QObject* parent) : QObject(parent), m_allowPoint(allowPoint) {}
    // Installs a filter owned by the field.
    static void install(QLineEdit* field, bool allowPoint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_allowPoint;
};

// A number field with spin buttons: the buttons step the whole-number part of its value by 1
// between `minimum` and `maximum`; typing is filtered to digits and ".".
class NumberField : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberField(QWidget* parent = nullptr, int minimum = 0, int maximum = 100);
    void stepBy(int steps);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
};
