#include "inventory/ui/search_box.h"

#include "inventory/ui/form_fields.h"
#include "widgets/date_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

QLineEdit* addEdit(QWidget* parent, const QString& name, const QRect& at, const QString& hint = {}) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(at);
    edit->setToolTip(hint);
    return edit;
}

}  // namespace

QuickSearchBox::QuickSearchBox(QGroupBox* box, DateField* from, DateField* to)
    : QObject(box), m_box(box), m_from(from), m_to(to) {
    // Names and models are found by their own text or their pinyin initials.
    const QString initialsHint = QStringLiteral("输入文字或拼音首字母查询");
    // Two columns of label and field, the buttons at the right, the date range below.
    const int labelW = 66, fieldW = 158, row = 29, top = 20, h = 22;
    const int xl1 = 6, xf1 = xl1 + labelW, xl2 = xf1 + fieldW + 8, xf2 = xl2 + labelW;
    const int xb = xf2 + fieldW + 14, bw = box->width() - xb - 10;

    addFieldLabel(box, QStringLiteral("Label7"), QStringLiteral("类 别："), QRect(xl1, top, labelW, h));
    m_category = addPickList(box, QStringLiteral("ComboBox1"), QRect(xf1, top, fieldW, h));
    addFieldLabel(box, QStringLiteral("Label9"), QStringLiteral("商品名称："), QRect(xl2, top, labelW, h));
    m_name = addEdit(box, QStringLiteral("Edit23"), QRect(xf2, top, fieldW, h), initialsHint);

    addFieldLabel(box, QStringLiteral("Label8"), QStringLiteral("规格型号："), QRect(xl1, top + row, labelW, h));
    m_model = addEdit(box, QStringLiteral("Edit29"), QRect(xf1, top + row, fieldW, h), initialsHint);
    addFieldLabel(box, QStringLiteral("Label49"), QStringLiteral("商品编码："), QRect(xl2, top + row, labelW, h));
    m_code = addEdit(box, QStringLiteral("Edit25"), QRect(xf2, top + row, fieldW, h));

    addFieldLabel(box, QStringLiteral("Label3"), QStringLiteral("供货商："), QRect(xl1, top + 2 * row, labelW, h));
    m_supplier = addPickList(box, QStringLiteral("ComboBox8"), QRect(xf1, top + 2 * row, fieldW, h));

    m_dateRange = new QCheckBox(QStringLiteral("入库日期："), box);
    m_dateRange->setObjectName(QStringLiteral("CheckBox5"));
    m_dateRange->setGeometry(xl1 + 4, top + 3 * row, labelW + 20, h);
    const int dateW = 112, dateX = m_dateRange->geometry().right() + 6;
    m_from->setGeometry(dateX, top + 3 * row, dateW, h);
    addFieldLabel(box, QStringLiteral("Label50"), QStringLiteral("至"), QRect(dateX + dateW, top + 3 * row, 26, h),
             Qt::AlignCenter);
    m_to->setGeometry(dateX + dateW + 26, top + 3 * row, dateW, h);

    auto* search = new QPushButton(QStringLiteral("查询"), box);
    search->setObjectName(QStringLiteral("Button7"));
    search->setGeometry(xb, top - 1, bw, 26);
    auto* clear = new QPushButton(QStringLiteral("清空条件"), box);
    clear->setObjectName(QStringLiteral("Button15"));
    clear->setGeometry(xb, top + row - 1, bw, 26);

    for (QLineEdit* edit : {m_name, m_model, m_code})
        connect(edit, &QLineEdit::textChanged, this, &QuickSearchBox::searchRequested);
    connect(m_category, &QComboBox::currentTextChanged, this, &QuickSearchBox::searchRequested);
    connect(search, &QPushButton::clicked, this, &QuickSearchBox::searchRequested);
    connect(clear, &QPushButton::clicked, this, &QuickSearchBox::clearConditions);

    QWidget::setTabOrder(m_category, m_name);
    QWidget::setTabOrder(m_name, m_model);
    QWidget::setTabOrder(m_model, m_code);
    QWidget::setTabOrder(m_code, m_supplier);
    QWidget::setTabOrder(m_supplier, m_dateRange);
    QWidget::setTabOrder(m_dateRange, m_from);
    QWidget::setTabOrder(m_from, m_to);
    QWidget::setTabOrder(m_to, search);
    QWidget::setTabOrder(search, clear);
}

SearchConditions QuickSearchBox::conditions() const {
    SearchConditions c;
    c.category = m_category->currentText();
    c.nameInitials = m_name->text();
    c.modelInitials = m_model->text();
    c.code = m_code->text();
    c.supplier = m_supplier->currentText();
    c.dateRange = m_dateRange->isChecked();
    c.dateFrom = m_from->dateText();
    c.dateTo = m_to->dateText();
    return c;
}

void QuickSearchBox::clearConditions() {
    m_name->clear();
    m_code->clear();
    m_model->clear();
    const QSignalBlocker blocker(m_category);
    m_category->setCurrentIndex(-1);
    m_category->setEditText(QString());
    m_dateRange->setChecked(false);
}
