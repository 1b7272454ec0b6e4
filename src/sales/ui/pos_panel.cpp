#include "sales/ui/pos_panel.h"

#include "sales/receipt_layout.h"
#include "sales/ui/receipt_dispatch.h"
#include "sales/ui/sales_notes.h"
#include "store/dataset.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "widgets/number_field.h"
#include "widgets/ui_services.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kSkyBlue = QStringLiteral("#a6caf0");
constexpr int kCellX[PosPanel::kCells] = {16, 120, 224, 328, 392, 456};
constexpr int kCellWidth[PosPanel::kCells] = {105, 105, 105, 65, 65, 73};
constexpr int kLineY[PosList::kLines] = {80, 99, 118, 137, 156, 175};
constexpr int kDeleteY[PosList::kLines] = {81, 98, 117, 137, 156, 175};
const char* const kCellNames[PosPanel::kCells] = {"PosCode", "PosName", "PosModel", "PosQuantity", "PosPrice",
                                                 "PosAmount"};

QLabel* headingTile(QWidget* parent, const QString& text, int x, int width) {
    auto* tile = new QLabel(text, parent);
    tile->setGeometry(x, 47, width, 33);
    tile->setAlignment(Qt::AlignCenter);
    tile->setStyleSheet(QStringLiteral("QLabel { background: %1; color: black; border: 1px solid #7f9db9; }").arg(kSkyBlue));
    return tile;
}

QLabel* boldCaption(QWidget* parent, const QString& text, int pixels, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPixelSize(pixels);
    f.setBold(true);
    label->setFont(f);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* cashField(QWidget* parent, const QString& name, int pixels, const QRect& geometry, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    QFont f = edit->font();
    f.setPixelSize(pixels);
    f.setBold(true);
    edit->setFont(f);
    edit->setGeometry(geometry);
    edit->setReadOnly(readOnly);
    if (readOnly) {
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: black; }").arg(kSkyBlue));
    }
    return edit;
}

}  // namespace

PosPanel::PosPanel(QWidget* parent) : DraggablePanel(parent) {
    setObjectName(QStringLiteral("Panel3"));
    setGeometry(120, 64, 641, 313);
    setToolTip(QStringLiteral("销售明细中点右键POS销售单打印可添加多行记录"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);

    auto* customerCaption = new QLabel(QStringLiteral("客户名称："), this);
    customerCaption->setGeometry(24, 17, 72, 22);
    m_customer = new QLineEdit(this);
    m_customer->setObjectName(QStringLiteral("PosCustomerName"));
    m_customer->setGeometry(96, 17, 185, 22);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("PosClose"));
    m_close->setGeometry(606, 13, 17, 17);
    m_close->setText(QStringLiteral("×"));
    m_close->setToolTip(QStringLiteral("关闭"));
    m_close->setCursor(Qt::ArrowCursor);
    m_close->setStyleSheet(QStringLiteral("QToolButton { color: white; background: #c0392b; border: 1px solid #922b21;"
                                          " font-weight: bold; padding: 0; }"
                                          "QToolButton:hover { background: #e74c3c; }"));
    connect(m_close, &QToolButton::clicked, this, &PosPanel::closePanel);

    const QStringList headings = {QStringLiteral("商品编码"), QStringLiteral("商品名称"), QStringLiteral("规格型号"),
                                  QStringLiteral("数 量"),    QStringLiteral("单 价"),    QStringLiteral("金 额")};
    const int headingX[kCells] = {15, 120, 224, 328, 392, 456};
    const int headingWidth[kCells] = {106, 105, 105, 65, 65, 73};
    for (int c = 0; c < kCells; ++c)
        headingTile(this, headings[c], headingX[c], headingWidth[c]);
    headingTile(this, QStringLiteral("备 注"), 528, 73);

    for (int l = 0; l < PosList::kLines; ++l) {
        for (int c = 0; c < kCells; ++c) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QLatin1String(kCellNames[c]) + QString::number(l + 1));
            edit->setGeometry(kCellX[c], kLineY[l], kCellWidth[c], 20);
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
            edit->setCursor(Qt::ArrowCursor);
            if (c >= kQuantity)
                edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_cells[size_t(l)][size_t(c)] = edit;
        }
        auto* remove = new QPushButton(QStringLiteral("删"), this);
        remove->setObjectName(QStringLiteral("PosDelete") + QString::number(l + 1));
        remove->setToolTip(QStringLiteral("删除"));
        remove->setGeometry(608, kDeleteY[l], 23, 18);
        remove->setCursor(Qt::ArrowCursor);
        remove->setFocusPolicy(Qt::NoFocus);
        connect(remove, &QPushButton::clicked, this, [this, l] { removeLine(l); });
        m_delete[size_t(l)] = remove;
    }

    m_notes = new QPlainTextEdit(this);
    m_notes->setObjectName(QStringLiteral("PosNotes"));
    m_notes->setGeometry(528, 80, 73, 115);

    auto* group = new QGroupBox(QStringLiteral(" 小票现金结算"), this);
    group->setObjectName(QStringLiteral("PosCashGroup"));
    group->setGeometry(16, 199, 425, 99);
    group->setCursor(Qt::ArrowCursor);
    boldCaption(group, QStringLiteral("合计："), 29, QRect(4, 34, 92, 35));
    m_total = cashField(group, QStringLiteral("PosTotal"), 29, QRect(96, 34, 125, 35), true);
    boldCaption(group, QStringLiteral("现金："), 19, QRect(236, 22, 76, 25));
    m_cash = cashField(group, QStringLiteral("PosCash"), 19, QRect(312, 22, 89, 25), false);
    boldCaption(group, QStringLiteral("找零："), 19, QRect(236, 56, 76, 25));
    m_change = cashField(group, QStringLiteral("PosChange"), 19, QRect(312, 56, 89, 25), true);
    NumberKeyFilter::install(m_cash, true);
    m_cash->installEventFilter(this);

    m_receipt = new QPushButton(QStringLiteral("POS小票打印"), this);
    m_receipt->setObjectName(QStringLiteral("PosPrint"));
    m_receipt->setGeometry(472, 211, 121, 33);
    m_receipt->setCursor(Qt::ArrowCursor);
    m_deliveryNote = new QPushButton(QStringLiteral("销售单打印"), this);
    m_deliveryNote->setObjectName(QStringLiteral("DeliveryNotePrint"));
    m_deliveryNote->setGeometry(472, 255, 121, 33);
    m_deliveryNote->setCursor(Qt::ArrowCursor);
    for (QPushButton* b : {m_receipt, m_deliveryNote}) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    // Enter on the focused button prints, inside a dialog or not.
    m_receipt->setAutoDefault(true);
    connect(m_receipt, &QPushButton::clicked, this, [this] { printReceipt(); });
    connect(m_deliveryNote, &QPushButton::clicked, this, &PosPanel::printDeliveryNote);

    // The total follows the lines on its own, for the whole run.
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("PosTotalTimer"));
    m_timer->setInterval(200);
    connect(m_timer, &QTimer::timeout, this, &PosPanel::refreshTotal);
    m_timer->start();
    hide();
}

bool PosPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_cash && event->type() == QEvent::FocusOut)
        computeChange();
    if (watched == m_cash && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Leaving the field shows the change. The Enter is taken here: passed on, the dialog
            // around the panel would hand it to the button that now has the focus and print at once.
            m_receipt->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return DraggablePanel::eventFilter(watched, event);
}

void PosPanel::showLine(int index) {
    const PosLine& line = m_list.line(index);
    const QString texts[kCells] = {line.code, line.name, line.model, line.quantity, line.price, line.amount};
    for (int c = 0; c < kCells; ++c) {
        QLineEdit* edit = m_cells[size_t(index)][size_t(c)];
        edit->setText(texts[c]);
        edit->setCursorPosition(0);
    }
    refreshTotal();  // at once; the timer keeps it current as well
}

int PosPanel::addLine(const PosLine& line) {
    const int index = m_list.add(line);
    if (index >= 0)
        showLine(index);
    return index;
}

int PosPanel::addLine(const QString& code, const QString& name, const QString& model, const QString& quantity,
                      const QString& price, double amount) {
    return addLine(PosLine{code, name, model, quantity, price, twoDecimalText(amount)});
}

void PosPanel::addSalesRecord(const Dataset& sales) {
    show();
    raise();
    if (!sales.isOpen() || sales.currentRow() < 0)
        return;
    const int row = sales.currentRow();
    auto text = [&](const QString& column) {
        const int c = sales.columnIndex(column);
        return c < 0 ? QString() : sales.text(row, c);
    };
    if (text(QStringLiteral("a")).isEmpty())
        return;
    const int index = m_list.firstFree();
    if (index < 0)
        return;  // six lines already: nothing added, nothing said
    PosLine line{text(QStringLiteral("c")), text(QStringLiteral("a")), text(QStringLiteral("b")),
                 text(QStringLiteral("3")), text(QStringLiteral("2")), QString()};
    // The customer texts are read now: listing the order re-reads the sales query.
    const QString customer = text(QStringLiteral("g"));
    const QString number = text(QStringLiteral("z"));
    const QString amount = text(QStringLiteral("4"));
    m_list.line(index) = line;
    showLine(index);
    // An amount that is no number is reported; the line stays taken without it.
    const bool ok = runAction(window(), [&] { m_list.line(index).amount = twoDecimalText(textToNumber(amount)); });
    showLine(index);
    if (!ok || index != 0)
        return;
    m_customer->setText(customer);
    if (m_context.setCustomerFilter)
        m_context.setCustomerFilter(number);
}

void PosPanel::removeLine(int index) {
    m_list.remove(index);
    showLine(index);
}

void PosPanel::closePanel() {
    hide();
    m_list.clear();
    for (int l = 0; l < PosList::kLines; ++l)
        showLine(l);
}

void PosPanel::clearAfterPrint() {
    m_customer->clear();
    m_cash->clear();
    m_change->clear();
    m_list.clear();
    for (int l = 0; l < PosList::kLines; ++l)
        showLine(l);
}

void PosPanel::refreshTotal() {
    try {
        const QString total = m_list.totalText();
        if (m_total->text() != total)
            m_total->setText(total);
    } catch (const ConversionError&) {
        // Amount cells are read-only two-decimal texts, so this cannot come from the user; a report
        // every 200 ms would lock the window, so the total just stays as it was.
    }
}

void PosPanel::computeChange() {
    if (m_cash->text().isEmpty())
        return;
    refreshTotal();
    runAction(window(), [this] { m_change->setText(posChangeText(m_cash->text(), m_total->text())); });
}

QString PosPanel::contextText(const std::function<QString()>& source) const {
    return source ? source() : QString();
}

bool PosPanel::printReceipt() {
    // The receipt shows the lines as they are now, even within a timer tick of a new line, and a
    // change that fits them.
    refreshTotal();
    if (!m_cash->text().isEmpty() &&
        !runAction(window(), [this] { m_change->setText(posChangeText(m_cash->text(), m_total->text())); }))
        return false;
    ReceiptData data;
    data.lines = m_list;
    data.cash = m_cash->text();
    data.total = m_total->text();
    data.change = m_change->text();
    data.cashier = contextText(m_context.user);
    data.printedAt = ui().now();
    data.company = contextText(m_context.company);
    data.address = contextText(m_context.address);
    if (!printReceiptOnChosenPrinter(window(), data))
        return false;  // the customer's lines stay for another try
    clearAfterPrint();
    return true;
}

void PosPanel::printDeliveryNote() {
    refreshTotal();
    DeliveryNoteData data;
    data.company = contextText(m_context.company);
    data.address = contextText(m_context.address);
    data.customerNumber = contextText(m_context.customerNumber);
    data.customerName = m_customer->text();
    data.date = today().toString(QStringLiteral("yyyy-MM-dd"));
    data.lines = m_list;
    data.notes = m_notes->toPlainText();
    data.total = m_total->text();
    data.capitals = documentCapitals(window(), data.total);
    data.user = contextText(m_context.user);
    DeliveryNoteReport* form = m_context.deliveryNote;
    if (!form)
        form = m_context.deliveryNote = new DeliveryNoteReport(this);
    form->preview(window(), data);
    clearAfterPrint();
    m_notes->clear();
}
