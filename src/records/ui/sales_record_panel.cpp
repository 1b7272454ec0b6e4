#include "records/ui/sales_record_panel.h"

#include "store/dataset.h"
#include "store/sales_table.h"
#include "widgets/label_tone.h"
#include "widgets/number_field.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {
// The read-only rows: caption and column, in panel order.
struct ShownRow {
    const char* caption;
    const QString& column;
};
const ShownRow kShown[] = {{"商品名称：", salesrecord::kName},  {"规格型号：", salesrecord::kModel},
                           {"商品编码：", salesrecord::kCode},  {"类 别：", salesrecord::kCategory},
                           {"销售日期：", salesrecord::kDate},  {"销售单价：", salesrecord::kPrice},
                           {"销售数量：", salesrecord::kQuantity}, {"销售金额：", salesrecord::kAmount}};
constexpr int kRow = 24;
constexpr int kTop = 30;
constexpr int kCaptionX = 16;
constexpr int kValueX = 92;
}  // namespace

SalesRecordPanel::SalesRecordPanel(QWidget* parent) : DraggablePanel(parent) {
    setObjectName(QStringLiteral("SalesRecordPanel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    resize(300, 402);

    m_title = new QLabel(this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setGeometry(kCaptionX, 6, 200, 20);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("CloseIcon"));
    m_close->setIcon(panelCloseIcon());
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->setGeometry(width() - 24, 5, 17, 17);
    connect(m_close, &QToolButton::clicked, this, &SalesRecordPanel::close);

    int y = kTop;
    for (size_t i = 0; i < std::size(kShown); ++i, y += kRow) {
        auto* caption = new QLabel(QString::fromUtf8(kShown[i].caption), this);
        caption->setGeometry(kCaptionX, y, kValueX - kCaptionX, 20);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_values[i] = new QLabel(this);
        m_values[i]->setObjectName(QStringLiteral("Shown_") + kShown[i].column);
        m_values[i]->setGeometry(kValueX + 4, y, 190, 20);
        m_values[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_arrears = addField(QStringLiteral("Edit8"), QStringLiteral("欠款金额："), y, 90);
    NumberKeyFilter::install(m_arrears, true);
    auto* note = new QLabel(QStringLiteral("不欠款填0"), this);
    note->setGeometry(kValueX + 100, y, 90, 22);
    setLabelTone(note, QColor(0x80, 0x80, 0x80), LabelTone::Muted);
    m_customerNumber = addField(QStringLiteral("Edit13"), QStringLiteral("客户编号："), y += kRow, 190);
    m_customerName = addField(QStringLiteral("Edit9"), QStringLiteral("客户名称："), y += kRow, 190);
    m_address = addField(QStringLiteral("Edit10"), QStringLiteral("地 址："), y += kRow, 190);
    m_contact = addField(QStringLiteral("Edit11"), QStringLiteral("联系方式："), y += kRow, 190);
    m_remark = addField(QStringLiteral("Edit12"), QStringLiteral("备 注："), y += kRow, 190);

    m_delete = new QPushButton(QStringLiteral("删 除"), this);
    m_delete->setObjectName(QStringLiteral("Button6"));
    m_modify = new QPushButton(QStringLiteral("修 改"), this);
    m_modify->setObjectName(QStringLiteral("Button12"));
    for (QPushButton* b : {m_delete, m_modify})
        b->setGeometry(kValueX + 4, y + kRow + 8, 100, 28);
    resize(width(), y + kRow + 8 + 28 + 14);
    connect(m_modify, &QPushButton::clicked, this, &SalesRecordPanel::correctionRequested);
    connect(m_delete, &QPushButton::clicked, this, &SalesRecordPanel::deletionRequested);

    // Enter leaves the arrears for the customer number; Tab walks the customer fields to the button.
    connect(m_arrears, &QLineEdit::returnPressed, m_customerNumber, [this] { m_customerNumber->setFocus(); });
    setTabOrder(m_customerNumber, m_customerName);
    setTabOrder(m_customerName, m_address);
    setTabOrder(m_address, m_contact);
    setTabOrder(m_contact, m_remark);
    setTabOrder(m_remark, m_modify);
    setTabOrder(m_modify, m_delete);
    hide();
}

QLineEdit* SalesRecordPanel::addField(const QString& name, const QString& caption, int y, int width) {
    auto* label = new QLabel(caption, this);
    label->setGeometry(kCaptionX, y, kValueX - kCaptionX, 22);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    field->setGeometry(kValueX + 4, y, width, 22);
    return field;
}

bool SalesRecordPanel::openFor(const Dataset& sales, Mode mode) {
    namespace s = salesrecord;
    if (!sales.isOpen() || sales.isEmpty() || sales.currentRow() < 0 || sales.fieldText(s::kName).isEmpty())
        return false;
    m_mode = mode;
    m_recordId = sales.fieldInteger(s::kId);
    for (size_t i = 0; i < std::size(kShown); ++i)
        m_values[i]->setText(sales.fieldText(kShown[i].column));
    m_asRead = correctionTextsOf(sales);
    m_arrears->setText(m_asRead.arrears);
    m_customerNumber->setText(m_asRead.customerNumber);
    m_customerName->setText(m_asRead.customerName);
    m_address->setText(m_asRead.address);
    m_contact->setText(m_asRead.contact);
    m_remark->setText(m_asRead.remark);
    // The batch, purchase price and quantity of a deletion are read from the stored record itself.
    m_title->setText(mode == Mode::Correction ? QStringLiteral("修改销售记录") : QStringLiteral("删除销售记录"));
    m_modify->setVisible(mode == Mode::Correction);
    m_delete->setVisible(mode == Mode::Deletion);
    show();
    raise();
    m_arrears->setFocus();
    return true;
}

void SalesRecordPanel::clearShown() {
    for (QLabel* value : m_values)
        value->clear();
    for (QLineEdit* field : {m_customerNumber, m_customerName, m_address, m_contact, m_remark})
        field->clear();
}

void SalesRecordPanel::close() {
    hide();
    m_recordId = -1;
}

QString SalesRecordPanel::shownValue(const QString& column) const {
    for (size_t i = 0; i < std::size(kShown); ++i)
        if (column == kShown[i].column)
            return m_values[i]->text();
    return QString();
}
