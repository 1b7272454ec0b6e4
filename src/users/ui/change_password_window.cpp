#include "users/ui/change_password_window.h"

#include "users/rights.h"
#include "users/ui/password_field.h"
#include "users/ui/session.h"
#include "users/user_accounts.h"
#include "widgets/input_helpers.h"
#include "widgets/label_tone.h"
#include "widgets/ui_services.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLineEdit* addPasswordRow(QFormLayout* form, QWidget* parent, const QString& name, const QString& label) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    makePasswordField(field);
    form->addRow(label, field);
    return field;
}

}  // namespace

ChangePasswordWindow::ChangePasswordWindow(Session& session, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("changepassfm"));
    setWindowTitle(QStringLiteral("更改密码"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setVerticalSpacing(8);
    m_operator = new QComboBox(this);
    m_operator->setObjectName(QStringLiteral("ComboBox1"));
    form->addRow(QStringLiteral("选择操作员"), m_operator);
    m_old = addPasswordRow(form, this, QStringLiteral("Edit1"), QStringLiteral("输入旧密码"));
    m_new = addPasswordRow(form, this, QStringLiteral("Edit14"), QStringLiteral("输入新密码"));
    m_repeat = addPasswordRow(form, this, QStringLiteral("Edit15"), QStringLiteral("新密码重复"));

    m_closeWhenDone = new QCheckBox(QStringLiteral("更改完毕退出"), this);
    m_closeWhenDone->setObjectName(QStringLiteral("CheckBox1"));
    m_closeWhenDone->setChecked(true);
    auto* change = new QPushButton(QStringLiteral("更改密码"), this);
    change->setObjectName(QStringLiteral("bitbtn4"));
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    quit->setObjectName(QStringLiteral("BitBtn1"));
    for (QPushButton* b : {change, quit}) {
        b->setAutoDefault(true);  // Enter on the focused button presses it
        b->setMinimumWidth(80);
    }
    auto* hint = new QLabel(QStringLiteral("提示：密码只能输入字母和数字，最长10个字符！"), this);
    hint->setObjectName(QStringLiteral("Label5"));
    setLabelTone(hint, QColor(0x1f, 0x4e, 0x8c), LabelTone::Muted);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_closeWhenDone);
    buttons->addStretch();
    buttons->addWidget(change);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->addSpacing(4);
    layout->addWidget(hint);

    chainEnter(m_old, m_new);
    chainEnter(m_new, m_repeat);
    chainEnter(m_repeat, change);
    connect(m_operator, qOverload<int>(&QComboBox::activated), this,
            [this] { m_old->setFocus(Qt::OtherFocusReason); });
    connect(change, &QPushButton::clicked, this, &ChangePasswordWindow::onConfirm);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);

    setFixedSize(340, 230);
    runAction(this, [this] {
        FillCombo(m_session.database(), QStringLiteral("username"), QStringLiteral("userdb"), m_operator);
        // Everyone changes their own password only: the list keeps the logged-in user alone.
        const QSignalBlocker blocker(m_operator);
        for (int i = m_operator->count() - 1; i >= 0; --i)
            if (!m_session.rights().mayChangePasswordOf(m_operator->itemText(i)))
                m_operator->removeItem(i);
        m_operator->setCurrentIndex(-1);
    });
    m_operator->setFocus(Qt::OtherFocusReason);
}

void ChangePasswordWindow::warn(QWidget* field, const QString& text) {
    showMessage(field, QStringLiteral("Warning"), text, QMessageBox::Warning, QMessageBox::Ok);
    field->setFocus(Qt::OtherFocusReason);
}

void ChangePasswordWindow::onConfirm() {
    runAction(this, [this] {
        switch (changePassword(m_session.database(), m_session.rights(), m_operator->currentText(), m_old->text(),
                               m_new->text(), m_repeat->text())) {
        case PasswordChangeOutcome::NoOperator:
            warn(m_operator, QStringLiteral("必须选择操作员！"));
            return;
        case PasswordChangeOutcome::NotOwnPassword:
            warn(m_operator, QStringLiteral("只能修改自己的密码！"));
            return;
        case PasswordChangeOutcome::NoOldPassword:
            warn(m_old, QStringLiteral("必须输入旧口令！"));
            return;
        case PasswordChangeOutcome::NoNewPassword:
            warn(m_new, QStringLiteral("新口令长度不能为空！"));
            return;
        case PasswordChangeOutcome::Mismatch:
            showInfo(this, QStringLiteral("两次输入的密码不一致！请重新输入！"));
            m_repeat->clear();
            m_repeat->setFocus(Qt::OtherFocusReason);
            return;
        case PasswordChangeOutcome::WrongOldPassword:
            showInfo(this, QStringLiteral("旧密码不正确！"));
            m_old->clear();
            m_old->setFocus(Qt::OtherFocusReason);
            return;
        case PasswordChangeOutcome::Changed:
            break;
        }
        showInfo(this, QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"));
        if (m_closeWhenDone->isChecked())
            close();
        m_repeat->clear();
        m_new->clear();
        m_old->clear();
    });
}

