#include "app/ui/english_captions.h"

#include "app/ui/main_window.h"
#include "store/settings.h"
#include "store/table_description.h"
#include "widgets/data_grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <climits>

const QString kEnglishFooter = QStringLiteral("Total");

namespace {

// The colon of the captions is the full-width one.
QString c(const char* english) { return QString::fromUtf8(english) + QStringLiteral("："); }

bool setCaption(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* box = qobject_cast<QGroupBox*>(widget))
        box->setTitle(text);
    else
        return false;
    return true;
}

QString captionOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    return {};
}

// The widgets of the main window itself that the caption table names: the tool windows are
// children of the main window too, and may use the same names for their own widgets. The table is
// keyed by object names as a style sheet is.
QList<QWidget*> ownWidgets(MainWindow& form, const QString& name) {
    QList<QWidget*> found;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (w->objectName() == name && w->window() == &form)
            found << w;
    return found;
}

// The font one pixel smaller; false once it would go below `smallest` pixels.
bool shrink(QFont& font, qreal smallest = 9) {
    if (font.pixelSize() > 0) {
        if (font.pixelSize() - 1 < smallest)
            return false;
        font.setPixelSize(font.pixelSize() - 1);
        return true;
    }
    if ((font.pointSizeF() - 0.75) / 0.75 < smallest)
        return false;
    font.setPointSizeF(font.pointSizeF() - 0.75);
    return true;
}

qreal pixels(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() / 0.75; }

// The English captions are longer than the Chinese ones the window was laid out for. A widget
// grows into the free room beside it (a right-aligned label to the left first, so it stays by its
// field; anything else to the right first); where that is not enough, its font gets a little
// smaller, and a label of several words takes two lines.
void fitCaption(QWidget* widget) {
    if (widget->sizeHint().width() <= widget->width() || !widget->parentWidget())
        return;
    QWidget* parent = widget->parentWidget();
    QRect g = widget->geometry();
    constexpr int kGap = 2;
    int leftLimit = 0;
    int rightLimit = parent->width() > 0 ? parent->width() : INT_MAX;
    for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect sg = sibling->geometry();
        if (sibling == widget || sibling->isWindow() || sibling->isHidden() || sg.bottom() < g.top() ||
            sg.top() > g.bottom())
            continue;
        if (sg.right() < g.left())
            leftLimit = qMax(leftLimit, sg.right() + 1 + kGap);
        else if (sg.left() > g.right())
            rightLimit = qMin(rightLimit, sg.left() - kGap);
    }
    const int needed = widget->sizeHint().width();
    auto* label = qobject_cast<QLabel*>(widget);
    auto growLeft = [&] { g.setLeft(qMax(leftLimit, qMin(g.left(), g.right() + 1 - needed))); };
    auto growRight = [&] { g.setRight(qMin(rightLimit - 1, qMax(g.right(), g.left() + needed - 1))); };
    if (label && (label->alignment() & Qt::AlignRight)) {
        growLeft();
        growRight();
    } else {
        growRight();
        growLeft();
    }
    widget->setGeometry(g);
    const QFont designed = widget->font();
    QFont font = designed;
    // A label gives up at most two pixels on one line before it takes two lines instead.
    const qreal smallest = label ? qMax<qreal>(9, pixels(designed) - 2) : 9;
    while (widget->sizeHint().width() > widget->width() && shrink(font, smallest))
        widget->setFont(font);
    if (!label || widget->sizeHint().width() <= widget->width())
        return;

    // Still too long for one line: a label takes two, in the room between the rows above and below.
    int topLimit = 0;
    int bottomLimit = parent->height() > 0 ? parent->height() : INT_MAX;
    for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect sg = sibling->geometry();
        if (sibling == widget || sibling->isWindow() || sibling->isHidden() || sg.right() < g.left() ||
            sg.left() > g.right())
            continue;
        if (sg.bottom() < g.top())
            topLimit = qMax(topLimit, sg.bottom() + 1 + kGap);
        else if (sg.top() > g.bottom())
            bottomLimit = qMin(bottomLimit, sg.top() - kGap);
    }
    QLabel* wrapped = label;
    wrapped->setWordWrap(true);
    font = designed;
    wrapped->setFont(font);
    while (wrapped->heightForWidth(g.width()) > bottomLimit - topLimit && shrink(font))
        wrapped->setFont(font);
    const int height = qMax(g.height(), wrapped->heightForWidth(g.width()));
    const int top = qBound(topLimit, g.center().y() - height / 2, qMax(topLimit, bottomLimit - height));
    wrapped->setGeometry(g.left(), top, g.width(), height);
}

// The grid's lower titles in the font that fits every one of them in its column (the designed
// font when the columns are wide enough), again whenever the columns change their widths.
void fitGridTitles(DataGrid* grid, const QFont& designed) {
    QHeaderView* header = grid->header();
    auto fits = [&](const QFont& font) {
        const QFontMetrics metrics(font);
        for (int column = 0; column < grid->columnCount(); ++column) {
            const int room = header->sectionSize(column) - 6;
            if (grid->isColumnHidden(column) || room <= 0)
                continue;
            if (metrics.horizontalAdvance(grid->columns()[column].lowerTitle) > room)
                return false;
        }
        return true;
    };
    QFont font = designed;
    while (!fits(font) && shrink(font)) {
    }
    if (header->font() != font)
        header->setFont(font);
}

class EnglishAtFirstShow : public QObject {
public:
    explicit EnglishAtFirstShow(MainWindow& form) : QObject(&form), m_form(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_form && event->type() == QEvent::Show) {
            m_form.removeEventFilter(this);
            switchToEnglish(m_form);
            deleteLater();
        }
        return false;
    }

private:
    MainWindow& m_form;
};

}  // namespace

const QList<QPair<QString, QString>>& englishCaptions() {
    static const QList<QPair<QString, QString>> captions = {
        {QStringLiteral("Label7"), c("Category")},
        {QStringLiteral("Label16"), c("Category")},
        {QStringLiteral("Label8"), c("Description")},
        {QStringLiteral("Label14"), c("Description")},
        {QStringLiteral("Label9"), c("Name")},
        {QStringLiteral("Label13"), c("Name")},
        {QStringLiteral("Label48"), c("Alarm Quantity")},
        {QStringLiteral("Label49"), c("Barcode")},
        {QStringLiteral("Label19"), c("Barcode")},
        {QStringLiteral("Label50"), QStringLiteral("To")},
        {QStringLiteral("Label3"), c("Vendors")},
        {QStringLiteral("Label55"), c("Vendors")},
        {QStringLiteral("Label23"), c("Date")},
        {QStringLiteral("Label15"), c("Purchase Price")},
        {QStringLiteral("Label5"), c("Quantity")},
        {QStringLiteral("Label17"), c("Sales Price")},
        {QStringLiteral("Label2"), c("Note")},
        {QStringLiteral("Button1"), QStringLiteral("New")},
        {QStringLiteral("Button15"), QStringLiteral("Empty")},
        {QStringLiteral("Button12"), QStringLiteral("Show All")},
        {QStringLiteral("Button7"), QStringLiteral("Query")},
        {QStringLiteral("GroupBox5"), QStringLiteral("Query")},
        {QStringLiteral("CheckBox5"), c("Date")},
        {QStringLiteral("CheckBox1"), QStringLiteral("Not show Zero-stock")},
        {QStringLiteral("Button3"), QStringLiteral("Edit")},
        {QStringLiteral("ToolButton7"), QStringLiteral("New")},
        {QStringLiteral("ToolButton19"), QStringLiteral("Sales")},
        {QStringLiteral("ToolButton2"), QStringLiteral("Print")},
        {QStringLiteral("ToolButton22"), QStringLiteral("Sum")},
        {QStringLiteral("ToolButton17"), QStringLiteral("Backup")},
        {QStringLiteral("ToolButton18"), QStringLiteral("Option")},
        {QStringLiteral("ToolButton1"), QStringLiteral("Support")},
    };
    return captions;
}

const QList<QPair<QString, QString>>& englishSalePanelCaptions() {
    static const QList<QPair<QString, QString>> captions = {
        {QStringLiteral("商品名称："), c("Name")},
        {QStringLiteral("规格型号："), c("Description")},
        {QStringLiteral("商品编码："), c("Barcode")},
        {QStringLiteral("类 别："), c("Category")},
        {QStringLiteral("建议销售价："), c("Price")},
        {QStringLiteral("实际销售价："), c("Sales Price")},
        {QStringLiteral("销售数量："), c("Quantity")},
        {QStringLiteral("库存数量："), c("Stock Qua")},
        {QStringLiteral("销售金额："), c("Sales Sum")},
        {QStringLiteral("欠款金额："), c("amount dues")},
        {QStringLiteral("销售日期："), c("Sales Date")},
        {QStringLiteral("客户编号："), c("Customer No")},
        {QStringLiteral("客户名称："), c("Customer")},
        {QStringLiteral("地 址："), c("Address")},
        {QStringLiteral("联系方式："), c("Contact")},
        {QStringLiteral("备 注："), c("Notes")},
        {QStringLiteral("销售单打印必填"), QStringLiteral("Report fill in")},
    };
    return captions;
}

void switchToEnglish(MainWindow& form) {
    for (const auto& [name, text] : englishCaptions())
        for (QWidget* widget : ownWidgets(form, name))
            if (setCaption(widget, text))
                fitCaption(widget);

    for (QWidget* widget : ownWidgets(form, QStringLiteral("DataGrid1")))
        if (auto* grid = qobject_cast<DataGrid*>(widget)) {
            // Each column by the value it holds, wherever it stands.
            for (int column = 0; column < grid->columnCount(); ++column) {
                const GridColumn shown = grid->columns()[column];
                const TableColumn* described = describedColumn(shown.identity);
                if (described && !described->english.isEmpty())
                    grid->setColumnTitles(column, described->english.upper, described->english.lower);
                if (shown.footer == GridColumn::Footer::Text)
                    grid->setFooterText(column, kEnglishFooter);
            }
            const QFont designed = grid->header()->font();
            fitGridTitles(grid, designed);
            QObject::connect(grid->header(), &QHeaderView::sectionResized, grid,
                             [grid, designed] { fitGridTitles(grid, designed); });
        }

    // The sale panel's labels carry no names of their own here: they are known by their captions.
    if (QFrame* panel = form.salePanel()) {
        const QList<QWidget*> widgets = panel->findChildren<QWidget*>();
        for (const auto& [chinese, english] : englishSalePanelCaptions())
            for (QWidget* widget : widgets)
                if (captionOf(widget) == chinese && setCaption(widget, english))
                    fitCaption(widget);
    }
}

bool englishWanted(bool fromCommandLine) {
    if (fromCommandLine)
        return true;
    return ReadSettings(kMainKey).value(QStringLiteral("english")).trimmed().compare(QLatin1String("yes"),
                                                                                     Qt::CaseInsensitive) == 0;
}

void installEnglishCaptions(MainWindow& form, bool fromCommandLine) {
    if (englishWanted(fromCommandLine))
        form.installEventFilter(new EnglishAtFirstShow(form));
}
