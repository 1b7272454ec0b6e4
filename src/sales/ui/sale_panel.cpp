#include "sales/ui/sale_panel.h"

#include "store/sales_table.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "users/ui/session.h"
#include "widgets/date_field.h"
#include "widgets/input_helpers.h"
#include "widgets/label_tone.h"
#include "widgets/number_field.h"
#include "widgets/ui_services.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <cmath>

namespace {

// The captions' own colours in the built-in look; the skins recolour them by tone.
const QColor kTeal(0, 128, 128);
const QColor kRed(255, 0, 0);
constexpr int kFieldHeight = 21;

// The up-down arrows beside a number field: each click steps the field's whole-number value,
// kept within the arrows' range (typing beyond it stays allowed).
class StepArrows : public QWidget {
public:
    StepArrows(QLineEdit* field, const QString& name, int step, int minimum, int maximum, QWidget* parent)
        : QWidget(parent), m_field(field), m_step(step), m_minimum(minimum), m_maximum(maximum) {
        setObjectName(name);
        setCursor(Qt::ArrowCursor);
        auto* up = new QToolButton(this);
        auto* down = new QToolButton(this);
        up->setObjectName(name + QStringLiteral("Up"));
        down->setObjectName(name + QStringLiteral("Down"));
        up->setArrowType(Qt::UpArrow);
        down->setArrowType(Qt::DownArrow);
        for (QToolButton* b : {up, down}) {
            b->setFocusPolicy(Qt::NoFocus);
            b->setAutoRepeat(true);
            b->setIconSize(QSize(7, 7));
        }
        connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
        connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
        m_up = up;
        m_down = down;
    }
    void stepBy(int steps) {
        const std::optional<double> value = parsePlainDecimal(m_field->text(), true);
        const qint64 whole = value ? qint64(std::trunc(qBound(-1e9, *value, 1e9))) : 0;
        const qint64 next = qBound(qint64(m_minimum), whole + qint64(steps) * m_step, qint64(m_maximum));
        m_field->setText(QString::number(next));
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        const int half = height() / 2;
        m_up->setGeometry(0, 0, width(), half);
        m_down->setGeometry(0, half, width(), height() - half);
    }

private:
    QLineEdit* m_field;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_step, m_minimum, m_maximum;
};

bool isEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

// Drawn at the pixel ratio of the screen it is on, so it stays sharp at any display scaling.
class SalePicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(0, 0, salePanelPicture(devicePixelRatioF())); }
};

}  // namespace

QPixmap salePanelPicture(qreal pixelRatio) {
    QPixmap pixmap(QSize(97, 97) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, 97);
    back.setColorAt(0, QColor(255, 248, 232));
    back.setColorAt(1, QColor(250, 222, 178));
    p.setPen(QPen(QColor(214, 160, 90), 1));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(0.5, 0.5, 96, 96), 10, 10);
    // A price tag with its hole and string.
    QPainterPath tag;
    tag.moveTo(22, 30);
    tag.lineTo(40, 14);
    tag.lineTo(82, 14);
    tag.lineTo(82, 46);
    tag.lineTo(40, 46);
    tag.closeSubpath();
    QTransform turn;
    turn.translate(48, 52);
    turn.rotate(-18);
    turn.translate(-52, -30);
    const QPainterPath turned = turn.map(tag);
    QLinearGradient red(0, 20, 0, 80);
    red.setColorAt(0, QColor(236, 84, 64));
    red.setColorAt(1, QColor(196, 40, 32));
    p.setPen(QPen(QColor(150, 30, 24), 1.5));
    p.setBrush(red);
    p.drawPath(turned);
    const QPointF hole = turn.map(QPointF(34, 30));
    p.setBrush(QColor(255, 248, 232));
    p.drawEllipse(hole, 4, 4);
    p.setPen(QPen(QColor(120, 90, 60), 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath string(hole);
    string.cubicTo(hole + QPointF(-14, -18), QPointF(10, 4), QPointF(8, 22));
    p.drawPath(string);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(24);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.save();
    p.setTransform(turn, true);
    p.drawText(QRectF(40, 14, 42, 32), Qt::AlignCenter, QStringLiteral("¥"));
    p.restore();
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor(170, 60, 30));
    p.drawText(QRectF(0, 68, 97, 24), Qt::AlignCenter, QStringLiteral("商品销售"));
    return pixmap;
}

SalePanel::SalePanel(Session& session, QWidget* parent) : DraggablePanel(parent), m_session(session) {
    setObjectName(QStringLiteral("Panel1"));
    setGeometry(662, 2, 323, 469);
    build();
    wireFields();
    wireKeys();
    hide();
}

QLabel* SalePanel::addCaption(const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(x, y, label->sizeHint().width() + 2, 14);
    return label;
}

QLabel* SalePanel::addValue(const QString& name, int y, int width) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setGeometry(114, y, width, 14);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* SalePanel::addField(const QString& name, int x, int y, int width) {
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    field->setGeometry(x, y - 4, width, kFieldHeight);
    return field;
}

void SalePanel::build() {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("SaleClose"));
    m_close->setIcon(panelCloseIcon());
    m_close->setIconSize(QSize(13, 13));
    m_close->setAutoRaise(true);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setToolTip(QStringLiteral("关闭"));
    m_close->setGeometry(278, 14, 17, 17);

    auto* picture = new SalePicture(this);
    picture->setObjectName(QStringLiteral("SalePicture"));
    picture->setGeometry(216, 40, 97, 97);

    addCaption(QStringLiteral("NameCaption"), QStringLiteral("商品名称："), 39, 22);
    m_nameValue = addValue(QStringLiteral("NameValue"), 22, 100);
    addCaption(QStringLiteral("ModelCaption"), QStringLiteral("规格型号："), 39, 51);
    m_modelValue = addValue(QStringLiteral("ModelValue"), 51, 100);
    addCaption(QStringLiteral("CodeCaption"), QStringLiteral("商品编码："), 39, 80);
    m_codeValue = addValue(QStringLiteral("CodeValue"), 80, 100);
    addCaption(QStringLiteral("CategoryCaption"), QStringLiteral("类 别："), 60, 109);
    m_categoryValue = addValue(QStringLiteral("CategoryValue"), 109, 100);
    addCaption(QStringLiteral("SuggestedPriceCaption"), QStringLiteral("建议销售价："), 25, 138);
    m_suggestedValue = addValue(QStringLiteral("SuggestedPrice"), 138, 190);

    setLabelTone(addCaption(QStringLiteral("PriceCaption"), QStringLiteral("实际销售价："), 25, 167),
                 kRed, LabelTone::Warning);
    m_price = addField(QStringLiteral("SalePrice"), 114, 167, 55);
    m_price->setToolTip(QStringLiteral("利用回车Enter键和Tab键进行切换"));
    m_discount = addField(QStringLiteral("Discount"), 178, 167, 37);
    auto* discountArrows = new StepArrows(m_discount, QStringLiteral("DiscountArrows"), 5, 0, 100, this);
    m_discountArrows = discountArrows;
    discountArrows->setGeometry(215, 163, 16, kFieldHeight);
    addCaption(QStringLiteral("DiscountCaption"), QStringLiteral("折"), 235, 167);

    setLabelTone(addCaption(QStringLiteral("QuantityCaption"), QStringLiteral("销售数量："), 39, 196),
                 kRed, LabelTone::Warning);
    m_quantity = addField(QStringLiteral("SaleQuantity"), 114, 196, 37);
    auto* quantityArrows = new StepArrows(m_quantity, QStringLiteral("QuantityArrows"), 1, 0, 100, this);
    m_quantityArrows = quantityArrows;
    quantityArrows->setGeometry(151, 192, 16, kFieldHeight);
    addCaption(QStringLiteral("StockQuantityCaption"), QStringLiteral("库存数量："), 175, 196);
    m_stockQuantity = addField(QStringLiteral("StockQuantity"), 239, 196, 42);

    addCaption(QStringLiteral("AmountCaption"), QStringLiteral("销售金额："), 39, 224);
    m_amount = addField(QStringLiteral("SaleAmount"), 114, 224, 55);
    addCaption(QStringLiteral("ArrearsCaption"), QStringLiteral("欠款金额："), 175, 224);
    m_arrears = addField(QStringLiteral("Arrears"), 239, 224, 42);
    for (QLineEdit* shown : {m_stockQuantity, m_amount}) {
        shown->setReadOnly(true);
        shown->setFocusPolicy(Qt::ClickFocus);  // not on the Tab path
    }

    addCaption(QStringLiteral("SaleDateCaption"), QStringLiteral("销售日期："), 39, 253);
    m_saleDate = new DateField(this);
    m_saleDate->setObjectName(QStringLiteral("SaleDate"));
    m_saleDate->setGeometry(114, 249, 101, kFieldHeight);

    setLabelTone(addCaption(QStringLiteral("CustomerNumberCaption"), QStringLiteral("客户编号："), 39, 280),
                 kTeal, LabelTone::Accent);
    m_customerNumber = addField(QStringLiteral("CustomerNumber"), 114, 280, 87);
    m_plus = new QPushButton(QStringLiteral("+"), this);
    m_plus->setObjectName(QStringLiteral("NextCustomerNumber"));
    m_plus->setGeometry(202, 274, 25, 25);
    m_plus->setAutoDefault(false);
    m_plus->setCursor(Qt::ArrowCursor);
    m_plus->setToolTip(QStringLiteral("新的客户编号"));
    QLabel* required = addCaption(QStringLiteral("PrintRequiredNote"), QStringLiteral("销售单打印必填"), 229, 281);
    QFont small = font;
    small.setPixelSize(11);
    required->setFont(small);
    setLabelTone(required, kTeal, LabelTone::Accent);
    required->resize(required->sizeHint().width() + 2, 13);

    setLabelTone(addCaption(QStringLiteral("CustomerNameCaption"), QStringLiteral("客户名称："), 39, 305),
                 kTeal, LabelTone::Accent);
    m_customerName = new QComboBox(this);
    m_customerName->setObjectName(QStringLiteral("CustomerName"));
    m_customerName->setEditable(true);
    m_customerName->setInsertPolicy(QComboBox::NoInsert);
    m_customerName->setMaxVisibleItems(20);
    m_customerName->setGeometry(114, 301, 166, kFieldHeight);
    m_customerName->setCursor(Qt::ArrowCursor);
    setLabelTone(addCaption(QStringLiteral("AddressCaption"), QStringLiteral("地 址："), 60, 334),
                 kTeal, LabelTone::Accent);
    m_address = addField(QStringLiteral("Address"), 114, 334, 167);
    setLabelTone(addCaption(QStringLiteral("ContactCaption"), QStringLiteral("联系方式："), 39, 362),
                 kTeal, LabelTone::Accent);
    m_contact = addField(QStringLiteral("Contact"), 114, 362, 111);
    setLabelTone(addCaption(QStringLiteral("RemarkCaption"), QStringLiteral("备 注："), 60, 390),
                 kTeal, LabelTone::Accent);
    m_remark = addField(QStringLiteral("Remark"), 114, 390, 111);

    // The picture button: a face of its own, whatever the skin.
    m_confirm = new QPushButton(QStringLiteral("销售确认"), this);
    m_confirm->setObjectName(QStringLiteral("ConfirmSale"));
    m_confirm->setGeometry(64, 415, 192, 36);
    m_confirm->setFocusPolicy(Qt::NoFocus);
    m_confirm->setCursor(Qt::PointingHandCursor);
    QFont big = font;
    big.setPixelSize(18);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    m_confirm->setFont(big);
    m_confirm->setStyleSheet(QStringLiteral(
        "QPushButton#ConfirmSale { color: white; border: 1px solid #a8431a; border-radius: 6px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f8a14a, stop:0.5 #ee7d23, stop:1 #d9601a); }"
        "QPushButton#ConfirmSale:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #fbb567, stop:0.5 #f48d35, stop:1 #e26c22); }"
        "QPushButton#ConfirmSale:pressed { background: #c9561a; }"));

    for (QWidget* w : findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
            w->setCursor(Qt::IBeamCursor);

    m_discount->setText(QStringLiteral("100"));
    m_quantity->setText(QStringLiteral("1"));
    m_arrears->setText(QStringLiteral("0"));
    m_saleDate->setDate(m_session.today());
}

void SalePanel::wireFields() {
    for (QLineEdit* number : {m_price, m_discount, m_quantity, m_arrears})
        NumberKeyFilter::install(number, true);
    connect(m_price, &QLineEdit::textChanged, this, &SalePanel::recalculateAmount);
    connect(m_quantity, &QLineEdit::textChanged, this, &SalePanel::recalculateAmount);
    connect(m_discount, &QLineEdit::textChanged, this, &SalePanel::applyDiscount);
    // Every change of the customer number is remembered at once, typed or set here.
    connect(m_customerNumber, &QLineEdit::textChanged, this, [this](const QString& text) {
        runAction(this, [&] { WriteSetting(kMainKey, QStringLiteral("ordernumber"), text); });
    });
    connect(m_plus, &QPushButton::clicked, this, &SalePanel::nextCustomerNumber);
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(); });
    connect(m_close, &QToolButton::clicked, this, &SalePanel::closePanel);
}

void SalePanel::wireKeys() {
    m_enterChain = {m_price, m_discount, m_quantity, m_arrears, m_saleDate, m_customerNumber,
                    m_customerName, m_address, m_contact, m_remark};
    for (QWidget* w : m_enterChain)
        w->installEventFilter(this);
    m_customerName->lineEdit()->installEventFilter(this);
    m_amount->installEventFilter(this);
    for (int i = 0; i + 1 < m_enterChain.size(); ++i)
        QWidget::setTabOrder(m_enterChain[i], m_enterChain[i + 1]);
    QWidget::setTabOrder(m_remark, m_plus);
}

bool SalePanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return DraggablePanel::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QObject* field = watched == m_customerName->lineEdit() ? m_customerName : watched;
    // The arrow keys step the two fields that have arrows.
    if ((field == m_discount || field == m_quantity) && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        QWidget* arrows = field == m_discount ? m_discountArrows : m_quantityArrows;
        static_cast<StepArrows*>(arrows)->stepBy(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
    }
    if (!isEnter(key))
        return DraggablePanel::eventFilter(watched, event);
    if (field == m_amount) {
        m_saleDate->setFocus();
        m_saleDate->selectAll();
        return true;
    }
    const int at = int(m_enterChain.indexOf(static_cast<QWidget*>(field)));
    if (at < 0)
        return DraggablePanel::eventFilter(watched, event);
    if (at + 1 < m_enterChain.size()) {
        QWidget* next = m_enterChain[at + 1];
        next->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(next))
            edit->selectAll();
    }
    return true;  // Enter in the remark field stays there
}

SaleEntryTexts SalePanel::entryTexts() const {
    SaleEntryTexts e;
    e.price = m_price->text();
    e.quantity = m_quantity->text();
    e.arrears = m_arrears->text();
    e.saleDate = m_saleDate->dateText();
    e.customerNumber = m_customerNumber->text();
    e.customerName = m_customerName->currentText();
    e.address = m_address->text();
    e.contact = m_contact->text();
    e.remark = m_remark->text();
    return e;
}

void SalePanel::recalculateAmount() {
    runAction(this, [this] {
        if (const auto amount = liveSalesAmount(m_price->text(), m_quantity->text()))
            m_amount->setText(*amount);
    });
}

void SalePanel::applyDiscount() {
    runAction(this, [this] {
        // Overwrites a price typed by hand; the amount follows through the price field.
        if (const auto price = discountedPrice(m_discount->text(), m_stock.salesPrice))
            m_price->setText(*price);
    });
}

void SalePanel::showFigures(const SaleFigures& figures) {
    m_figures = figures;
    m_amount->setText(figures.salesAmount);
}

void SalePanel::runComputation() {
    runAction(this, [this] {
        if (const auto figures = computeSale(m_price->text(), m_quantity->text(), m_stock))
            showFigures(*figures);
    });
}

void SalePanel::openFor(const StockRecord& stock) {
    if (stock.name.isEmpty())
        return;
    show();
    raise();
    m_stock = stock;
    m_figures.reset();
    m_nameValue->setText(stock.name);
    m_modelValue->setText(stock.model);
    m_codeValue->setText(stock.code);
    m_categoryValue->setText(stock.category);
    const QString suggested = stock.salesPrice ? generalNumberText(*stock.salesPrice) : QString();
    m_suggestedValue->setText(suggested);
    for (QLabel* value : {m_nameValue, m_modelValue, m_codeValue, m_categoryValue})
        value->setToolTip(value->text());
    m_stockQuantity->setText(generalNumberText(stock.stockQuantity));
    // A sale starts at the suggested price whatever the discount field shows.
    m_price->setText(suggested);
    runComputation();
    if (m_customerNumber->text().isEmpty())
        startOrder(qMax(m_counter, storedCounter() + 1));
    m_price->setFocus();
    m_price->selectAll();
}

void SalePanel::clear() {
    m_quantity->setText(QStringLiteral("1"));
    m_arrears->setText(QStringLiteral("0"));
    m_address->clear();
    m_contact->clear();
    m_remark->clear();
    m_price->clear();
}

void SalePanel::closePanel() {
    hide();
    clear();
    emit closed();
}

int SalePanel::storedCounter() {
    int highest = 0;
    runAction(this, [&] { highest = highestCustomerCounter(m_session.database(), m_session.today()); });
    return highest;
}

void SalePanel::nextCustomerNumber() {
    // Past every number already stored for the day, so a restart hands out no number twice.
    startOrder(qMax(m_counter + 1, storedCounter() + 1));
}

void SalePanel::startOrder(int counter) {
    m_counter = counter;
    m_newOrderDay = m_session.today();
    m_newOrderNumber = customerNumber(m_newOrderDay, m_counter);
    setCustomerNumber(m_newOrderNumber);
}

void SalePanel::setCustomerNumber(const QString& number) { m_customerNumber->setText(number); }

void SalePanel::fillCustomerNames() {
    const QString typed = m_customerName->currentText();
    runAction(this, [this] {
        FillCombo(m_session.database(), salesrecord::kCustomerName, salesrecord::kTable, m_customerName);
    });
    m_customerName->setEditText(typed);
}

void SalePanel::addCustomerName(const QString& name) {
    if (m_customerName->findText(name, Qt::MatchFixedString) < 0)
        fillCustomerNames();
}

bool SalePanel::refuse(SaleRefusal refusal) {
    const QString message = refusalMessage(refusal);
    switch (refusal) {
    case SaleRefusal::None:
        return false;
    case SaleRefusal::QuantityMissing:
        RequireEdit(m_quantity, message);
        break;
    case SaleRefusal::PriceMissing:
        RequireEdit(m_price, message);
        break;
    case SaleRefusal::ArrearsMissing:
        RequireEdit(m_arrears, message);
        break;
    case SaleRefusal::QuantityZero:
    case SaleRefusal::QuantityNegative:
        showInfo(this, message);
        m_quantity->setFocus();
        m_quantity->selectAll();
        break;
    case SaleRefusal::StockShort: {
        showInfo(this, message);
        // Confirming again sells what is left.
        m_quantity->setText(generalNumberText(m_stock.stockQuantity));
        m_quantity->setFocus();
        m_quantity->selectAll();
        break;
    }
    case SaleRefusal::DateMissing:
        showInfo(this, message);
        m_saleDate->setFocus();
        break;
    }
    return true;
}


bool SalePanel::confirm() {
    const SaleEntryTexts entry = entryTexts();
    SaleCheck check;
    if (!runAction(this, [&] { check = checkSale(entry, m_stock); }))
        return false;
    if (check.figures)
        showFigures(*check.figures);
    if (refuse(check.refusal) || !check.figures)
        return false;

    // Every value is converted before anything is written, and both records are written together.
    SaleRecord record;
    const bool saved = runAction(this, [&] {
        record = prepareSale(m_stock, entry, *check.figures);
        if (!m_newOrderNumber.isEmpty() && record.customerNumber == m_newOrderNumber)
            record.newOrderDay = m_newOrderDay;
        try {
            record.customerNumber = recordSale(record, m_session.database());
        } catch (const ConversionError&) {
            throw;
        } catch (const StoreError& e) {
            throw StoreError(e.message() + QStringLiteral("\n\n销售数据没有保存，库存记录没有改动。"));
        }
    });
    if (!saved)
        return false;
    m_newOrderNumber.clear();
    if (record.customerNumber != m_customerNumber->text().trimmed()) {
        // Another till had taken the number: the order goes on under the one written.
        setCustomerNumber(record.customerNumber);
        m_counter = qMax(m_counter, storedCounter());
    }

    const SoldLine line = soldLine(m_stock, entry, *check.figures);
    const QString customer = m_customerName->currentText();
    hide();
    if (m_successPrompt)
        m_successPrompt(QStringLiteral("销售数据保存成功..."));
    emit lineSold(line);
    emit customerSold(customer, m_customerNumber->text());
    addCustomerName(record.customerName);
    clear();
    // The customer stays for the order's next line.
    m_customerName->setEditText(customer);
    return true;
}
