#pragma once
// Password fields of the user windows: masked with '*', at most 10 characters, and only digits and
// ASCII letters get in (keys, paste and input methods alike).
#include <QObject>

class QLineEdit;
class QWidget;

constexpr int kPasswordMaxLength = 10;

void makePasswordField(QLineEdit* field);

// Moves the focus to `next` when Enter is pressed in `field`, instead of letting the window's
// default button take the key.
void chainEnter(QWidget* field, QWidget* next);
