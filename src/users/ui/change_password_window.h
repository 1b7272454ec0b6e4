#pragma once
// ChangePasswordWindow: the logged-in user changes their own password, giving the old one first.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

class Session;

class ChangePasswordWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChangePasswordWindow(Session& session, QWidget* owner = nullptr);

    void onConfirm();  // 更改密码


private:
    Session& m_session;
    void warn(QWidget* field, const QString& text);

    QComboBox* m_operator;
    QLineEdit* m_old;
    QLineEdit* m_new;
    QLineEdit* m_repeat;
    QCheckBox* m_closeWhenDone;
};
