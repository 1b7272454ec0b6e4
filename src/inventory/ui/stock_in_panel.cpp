#include "inventory/ui/stock_in_panel.h"

#include "inventory/stock_batches.h"
#include "inventory/ui/form_fields.h"
#include "inventory/ui/inventory.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "users/ui/session.h"
#include "widgets/date_field.h"
#include "widgets/draggable_panel.h"
#include "widgets/input_helpers.h"
#include "widgets/label_tone.h"
#include "widgets/number_field.h"
#include "widgets/ui_services.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

using F = StockInField;

// Where the batch with this identity stands in the result, -1 when it is not there.
int rowOfRecord(const Dataset& query, qint64 id) {
    const int column = query.columnIndex(stock::kId);
    if (column < 0)
        return -1;
    for (int row = 0; row < query.recordCount(); ++row)
        if (qint64(query.number(row, column)) == id)
            return row;
    return -1;
}

}  // namespace

StockInPanel::StockInPanel(const InventoryControls& controls, const InventoryPlaces& places, Inventory& inventory)
    : QObject(&inventory), m_successPrompt(places.successPrompt), m_inventory(inventory), m_panel(controls.stockInPanel) {
    m_date = controls.stockInDate;
    build();
    wireRules();
    wireEnterChain();
    clear();
}

void StockInPanel::build() {
    QFont bold = m_panel->font();
    bold.setBold(true);
    m_panel->setFont(bold);
    m_panel->setToolTip(QStringLiteral("利用回车Enter键和Tab键进行切换"));
    m_panel->resize(489, 216);

    m_title = new QLabel(m_panel);
    m_title->setObjectName(QStringLiteral("StockInTitle"));
    m_title->setGeometry(12, 6, 300, 20);
    m_close = new QToolButton(m_panel);
    m_close->setObjectName(QStringLiteral("Image1"));
    m_close->setIcon(panelCloseIcon());
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::ArrowCursor);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setGeometry(m_panel->width() - 24, 4, 20, 20);
    auto* line = new QFrame(m_panel);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, 27, m_panel->width() - 16, 2);

    const int top = 36, step = 30, h = 22, labelW = 72;
    const int xl1 = 6, xf1 = xl1 + labelW + 4, w1 = 150;
    const int xl2 = xf1 + w1 + 8, xf2 = xl2 + labelW + 4, w2 = m_panel->width() - xf2 - 10;
    auto left = [&](int r) { return QRect(xf1, top + r * step, w1, h); };
    auto right = [&](int r) { return QRect(xf2, top + r * step, w2, h); };

    addFieldLabel(m_panel, QStringLiteral("Label13"), QStringLiteral("商品名称："), QRect(xl1, top, labelW, h));
    m_name = addPickList(m_panel, QStringLiteral("ComboBox3"), left(0));
    m_name->setToolTip(QStringLiteral("直接点击已经输入好的记录，自动填充内容"));
    addFieldLabel(m_panel, QStringLiteral("Label14"), QStringLiteral("规格型号："), QRect(xl1, top + step, labelW, h));
    m_model = addPickList(m_panel, QStringLiteral("ComboBox4"), left(1));
    addFieldLabel(m_panel, QStringLiteral("Label19"), QStringLiteral("商品编码："), QRect(xl1, top + 2 * step, labelW, h));
    m_code = addPickList(m_panel, QStringLiteral("ComboBox5"), left(2));
    addFieldLabel(m_panel, QStringLiteral("Label16"), QStringLiteral("类 别："), QRect(xl1, top + 3 * step, labelW, h));
    m_category = addPickList(m_panel, QStringLiteral("ComboBox2"), left(3));
    addFieldLabel(m_panel, QStringLiteral("Label23"), QStringLiteral("入库日期："), QRect(xl1, top + 4 * step, labelW, h));
    m_date->setGeometry(left(4));

    auto number = [this](F f, const QString& name, const QRect& at) {
        auto* edit = new NumberField(m_panel, 0, 100);
        edit->setObjectName(name);
        edit->setGeometry(at);
        m_numbers[size_t(f)] = edit;
    };
    addFieldLabel(m_panel, QStringLiteral("Label15"), QStringLiteral("进货单价："), QRect(xl2, top, labelW, h));
    number(F::PurchasePrice, QStringLiteral("Edit15"), right(0));
    addFieldLabel(m_panel, QStringLiteral("Label5"), QStringLiteral("数 量："), QRect(xl2, top + step, labelW, h));
    number(F::Quantity, QStringLiteral("Edit1"), right(1));
    addFieldLabel(m_panel, QStringLiteral("Label17"), QStringLiteral("销售单价："), QRect(xl2, top + 2 * step, labelW, h));
    number(F::SalesPrice, QStringLiteral("Edit9"), right(2));
    addFieldLabel(m_panel, QStringLiteral("Label55"), QStringLiteral("供货商："), QRect(xl2, top + 3 * step, labelW, h));
    m_supplier = addPickList(m_panel, QStringLiteral("ComboBox6"), right(3));
    addFieldLabel(m_panel, QStringLiteral("Label2"), QStringLiteral("备 注："), QRect(xl2, top + 4 * step, labelW, h));
    m_remark = new QLineEdit(m_panel);
    m_remark->setObjectName(QStringLiteral("Edit22"));
    m_remark->setGeometry(right(4));

    // The working values travel with the entry but are never shown.
    const std::pair<F, QString> working[] = {{F::PurchaseAmount, QStringLiteral("Edit2")},
                                             {F::SoldQuantity, QStringLiteral("Edit21")},
                                             {F::SalesTotal, QStringLiteral("Edit16")},
                                             {F::StockQuantity, QStringLiteral("Edit17")},
                                             {F::StockAmount, QStringLiteral("Edit27")}};
    for (const auto& [f, name] : working) {
        auto* edit = new QLineEdit(m_panel);
        edit->setObjectName(name);
        edit->hide();
        m_numbers[size_t(f)] = edit;
    }

    const int buttonsTop = top + 5 * step - 2;
    auto* hint = new QLabel(QStringLiteral("Enter 键依次跳到下一项"), m_panel);
    hint->setObjectName(QStringLiteral("StockInHint"));
    QFont plain = hint->font();
    plain.setBold(false);
    hint->setFont(plain);
    setLabelTone(hint, QColor(0x70, 0x70, 0x70), LabelTone::Muted);
    hint->setGeometry(xf1, buttonsTop, w1 + 60, 28);
    m_new = new QPushButton(QStringLiteral("新建入库"), m_panel);
    m_new->setObjectName(QStringLiteral("Button1"));
    m_modify = new QPushButton(QStringLiteral("修改入库"), m_panel);
    m_modify->setObjectName(QStringLiteral("Button3"));
    for (QPushButton* button : {m_new, m_modify}) {
        button->setGeometry(m_panel->width() - 10 - 100, buttonsTop, 100, 28);
        button->setAutoDefault(false);
    }
    m_modify->hide();
    m_modify->setEnabled(false);

    connect(m_new, &QPushButton::clicked, this, &StockInPanel::newStockIn);
    connect(m_modify, &QPushButton::clicked, this, &StockInPanel::modify);
    connect(m_close, &QToolButton::clicked, this, &StockInPanel::close);
}

void StockInPanel::wireRules() {
    auto on = [this](F f, StockInAssignments (*rule)(const StockInValues&)) {
        connect(field(f), &QLineEdit::textChanged, this, [this, rule] { runRule(rule); });
    };
    on(F::Quantity, &quantityChanged);
    on(F::PurchasePrice, &purchasePriceChanged);
    on(F::PurchaseAmount, &purchasePriceChanged);
    on(F::SalesPrice, &salesChanged);
    on(F::SoldQuantity, &salesChanged);
}

void StockInPanel::wireEnterChain() {
    m_chain = {m_name, m_model, m_code, m_category, m_date, field(F::PurchasePrice), field(F::Quantity),
               field(F::SalesPrice), m_supplier, m_remark, m_new, m_modify};
    for (QWidget* w : m_chain) {
        w->installEventFilter(this);
        if (auto* box = qobject_cast<QComboBox*>(w))
            box->lineEdit()->installEventFilter(this);
    }
    for (int i = 0; i + 1 < m_chain.size() - 1; ++i)
        QWidget::setTabOrder(m_chain[i], m_chain[i + 1]);
}

bool StockInPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QObject::eventFilter(watched, event);
    QObject* owner = watched;
    if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && qobject_cast<QComboBox*>(edit->parent()))
        owner = edit->parent();
    if (owner == m_new || owner == m_modify) {
        static_cast<QPushButton*>(owner)->click();
        return true;
    }
    const int index = int(m_chain.indexOf(static_cast<QWidget*>(owner)));
    if (index < 0)
        return false;
    if (owner == m_remark) {
        // After the remark comes the panel's command; in modify mode that is "修改入库".
        QPushButton* command = m_new->isVisibleTo(m_panel) ? m_new : m_modify;
        if (command->isVisibleTo(m_panel) && command->isEnabled())
            command->setFocus();
        return true;
    }
    m_chain[index + 1]->setFocus();
    return true;
}

StockInValues StockInPanel::values() const {
    StockInValues v;
    for (int i = 0; i < kStockInFieldCount; ++i)
        v.texts[size_t(i)] = m_numbers[size_t(i)]->text();
    return v;
}

void StockInPanel::apply(const StockInAssignments& assignments) {
    for (const auto& [f, text] : assignments)
        field(f)->setText(text);
}

void StockInPanel::runRule(StockInAssignments (*rule)(const StockInValues&)) {
    runAction(m_panel, [&] { apply(rule(values())); });
}

StockInEntry StockInPanel::entry() const {
    StockInEntry e;
    e.name = m_name->currentText();
    e.model = m_model->currentText();
    e.code = m_code->currentText();
    e.category = m_category->currentText();
    e.supplier = m_supplier->currentText();
    e.remark = m_remark->text();
    e.dateText = m_date->dateText();
    e.values = values();
    return e;
}

bool StockInPanel::requiredFilled() {
    return RequireCombo(m_name, QStringLiteral("商品名称必须输入！")) &&
           RequireCombo(m_code, QStringLiteral("商品编码必须输入！")) &&
           RequireCombo(m_category, QStringLiteral("商品类别必须输入！")) &&
           RequireEdit(field(F::PurchasePrice), QStringLiteral("进货单价必须输入！")) &&
           RequireEdit(field(F::Quantity), QStringLiteral("进货数量必须输入！")) &&
           RequireEdit(field(F::SalesPrice), QStringLiteral("销售单价必须输入！"));
}

bool StockInPanel::refused() {
    QString refusal;
    if (!runAction(m_panel, [&] { refusal = stockInRefusal(values()); }))
        return true;
    if (refusal.isEmpty())
        return false;
    showInfo(m_panel, refusal);
    field(F::Quantity)->setFocus();
    field(F::Quantity)->selectAll();
    return true;
}

void StockInPanel::clear() {
    apply(clearedValues());
    m_remark->clear();
}

StockInPanel::Mode StockInPanel::mode() const {
    if (m_panel->isHidden())
        return Mode::Closed;
    return m_modify->isVisibleTo(m_panel) ? Mode::Modify : Mode::New;
}

void StockInPanel::openForNew() {
    m_panel->show();
    m_panel->raise();
    clear();
    m_modify->hide();
    m_modify->setEnabled(false);
    m_new->show();
    m_title->setText(QStringLiteral("商品入库"));
    m_modifyId = 0;
    m_inventory.hideSalePanel();
    m_name->setFocus();
}

void StockInPanel::setFromRow(QComboBox* box, int row, const QString& column) {
    const Dataset& q = m_inventory.query();
    const int c = q.columnIndex(column);
    box->setEditText(c >= 0 ? q.text(row, c) : QString());
}

void StockInPanel::setFromRow(QLineEdit* edit, int row, const QString& column) {
    const Dataset& q = m_inventory.query();
    const int c = q.columnIndex(column);
    edit->setText(c >= 0 ? q.text(row, c) : QString());
}

void StockInPanel::openForModify() {
    const Dataset& q = m_inventory.query();
    if (!q.isOpen() || q.currentRow() < 0 || q.fieldText(stock::kName).isEmpty())
        return;
    fillForModify(q.currentRow());
}

void StockInPanel::fillForModify(int row) {
    const Dataset& q = m_inventory.query();
    m_panel->show();
    m_panel->raise();
    m_inventory.hideSalePanel();
    m_new->hide();
    m_modify->setEnabled(true);
    m_modify->show();
    m_title->setText(QStringLiteral("修改入库（退货请减少数量）"));
    // The change rules run as the fields fill, in this order, so the purchase amount ends as
    // price × quantity while the sold and stock values end as the record holds them.
    setProductFromRow(row);
    setFromRow(field(F::PurchaseAmount), row, stock::kPurchaseAmount);
    setFromRow(field(F::SalesPrice), row, stock::kSalesPrice);
    setFromRow(field(F::SoldQuantity), row, stock::kSoldQuantity);
    setFromRow(field(F::SalesTotal), row, stock::kSalesTotal);
    setFromRow(field(F::StockQuantity), row, stock::kStockQuantity);
    setFromRow(field(F::StockAmount), row, stock::kStockAmount);
    setFromRow(m_remark, row, stock::kRemark);
    setFromRow(m_date, row, stock::kDate);
    setFromRow(m_supplier, row, stock::kSupplier);
    // The modification goes to this batch, wherever the grid's selection moves meanwhile.
    m_modifyId = qint64(q.number(row, q.columnIndex(stock::kId)));
    try {
        m_modifyRead = soldFiguresAt(q, row);
    } catch (const ConversionError&) {
        m_modifyRead.reset();
    }
}

// The product, its purchase price and quantity, in the order their change rules expect.
void StockInPanel::setProductFromRow(int row) {
    setFromRow(m_name, row, stock::kName);
    setFromRow(m_model, row, stock::kModel);
    setFromRow(m_code, row, stock::kCode);
    setFromRow(m_category, row, stock::kCategory);
    setFromRow(field(F::PurchasePrice), row, stock::kPurchasePrice);
    setFromRow(field(F::Quantity), row, stock::kQuantity);
}

void StockInPanel::prefill(int row) {
    const Dataset& q = m_inventory.query();
    const int nameColumn = q.columnIndex(stock::kName);
    if (row < 0 || row >= q.recordCount() || nameColumn < 0 || q.text(row, nameColumn).isEmpty())
        return;
    // While a batch is being modified, a click on another one turns the modification to it, with
    // all its values: a panel half of one batch and half of another could only mislead.
    if (mode() == Mode::Modify) {
        fillForModify(row);
        return;
    }
    setProductFromRow(row);
    setFromRow(field(F::SalesPrice), row, stock::kSalesPrice);
    setFromRow(m_remark, row, stock::kRemark);
}

void StockInPanel::newStockIn() {
    if (!requiredFilled())
        return;
    if (m_date->isEmptyDate()) {
        showInfo(m_panel, QStringLiteral("入库日期必须输入"));
        return;
    }
    if (refused())
        return;
    const bool stored = runAction(m_panel, [this] { addStockBatch(m_inventory.session().database(), entry()); });
    if (!stored)
        return;
    if (m_successPrompt)
        m_successPrompt(QStringLiteral("数据入库成功..."));
    clear();
    m_inventory.showAll();
    m_modify->setEnabled(false);
    m_name->setFocus();
}

void StockInPanel::modify() {
    if (!runAction(m_panel, [this] { apply(recomputeBeforeModify(values())); }))
        return;
    // A return can give back only what is still in stock.
    if (refused())
        return;
    const auto answer = showMessage(m_panel, QStringLiteral("警告！"), QStringLiteral("你确实要修改选中资料吗？"),
                                    QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Cancel);
    if (answer != QMessageBox::Ok || !requiredFilled())
        return;
    const bool stored = runAction(m_panel, [this] {
        if (m_modifyId <= 0 || rowOfRecord(m_inventory.query(), m_modifyId) < 0)
            throw StoreError(QStringLiteral("要修改的入库记录已不在列表中，没有修改。"));
        if (!m_modifyRead)
            throw StoreError(QStringLiteral("这条入库记录的销售数字不是有效的数字，无法修改。"));
        modifyStockBatch(m_inventory.session().database(), m_modifyId, entry(), *m_modifyRead);
    });
    if (!stored)
        return;
    m_inventory.showAll();
    m_panel->hide();
    showInfo(m_panel, QStringLiteral("修改数据成功！"));
    clear();
    m_modify->setEnabled(false);
    m_modifyId = 0;
}

void StockInPanel::close() {
    m_panel->hide();
    clear();
    m_modify->setEnabled(false);
    m_modifyId = 0;
}

void StockInPanel::hidePanel() {
    m_panel->hide();
    m_modify->setEnabled(false);
    m_modifyId = 0;
}

void StockInPanel::disableModify() { m_modify->setEnabled(false); }
