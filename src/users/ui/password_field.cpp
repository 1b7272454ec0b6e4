#include "users/ui/password_field.h"

#include "store/password_hash.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace {

class PasswordValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar c : input)
            if (!isPasswordCharacter(c))
                return Invalid;
        return Acceptable;
    }
};

class EnterChain : public QObject {
public:
    EnterChain(QWidget* field, QWidget* next) : QObject(field), m_next(next) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (m_next)
                    m_next->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        return false;
    }

private:
    QWidget* m_next;
};

}  // namespace

void makePasswordField(QLineEdit* field) {
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(kPasswordMaxLength);
    field->setValidator(new PasswordValidator(field));
    field->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

void chainEnter(QWidget* field, QWidget* next) { field->installEventFilter(new EnterChain(field, next)); }
