#include "widgets/data_grid.h"

#include "store/dataset.h"
#include "store/settings.h"
#include "text/number_text.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

const BandColours kSkyBlueBand{QColor(166, 202, 240), QColor()};
const BandColours kTealBand{QColor(0, 128, 128), QColor(Qt::white)};
const BandColours kMaroonBand{QColor(128, 0, 0), QColor(Qt::white)};

QVector<GridColumn> gridColumns(const LedgerColumns& columns, const QHash<QString, BandColours>& bands) {
    QVector<GridColumn> out;
    out.reserve(int(columns.size()));
    for (const LedgerColumn& c : columns) {
        const BandColours colours = bands.value(c.upper);
        const Qt::Alignment align = c.align == LedgerColumn::Align::Right    ? Qt::AlignRight
                                    : c.align == LedgerColumn::Align::Centre ? Qt::AlignHCenter
                                                                             : Qt::AlignLeft;
        out.push_back({c.field, c.upper, c.lower, c.format, align, GridColumn::Footer(int(c.footer)), c.footerText,
                       colours.band, colours.title, c.width, c.identity});
    }
    return out;
}
const QColor DataGrid::kFooterColour(255, 194, 134);

bool datasetNumber(const Dataset& dataset, int row, int column, double* value) {
    const DatasetColumn& c = dataset.column(column);
    if (c.isNull(row))
        return false;
    if (c.kind() == DatasetColumn::Kind::Number) {
        *value = c.number(row);
        return true;
    }
    bool ok = false;
    const double v = c.text(row).trimmed().toDouble(&ok);
    if (ok)
        *value = v;
    return ok;
}

namespace {

// Keeps a row's own text colour (the alarm red) on the selected row too, on a light selection.
class RowColourDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant colour = index.data(Qt::ForegroundRole);
        if (colour.isValid())
            option->palette.setBrush(QPalette::HighlightedText, qvariant_cast<QBrush>(colour));
    }
};

QString formatNumber(double value, const QString& format) {
    if (format.isEmpty() || format == kGeneralNumber)
        return generalNumberText(value);
    return pictureNumberText(value, format);
}

constexpr int kGeneralTotalDecimals = 4;

// How many decimals a picture shows at most; -1 when the column shows every digit.
int shownDecimals(const QString& format) {
    if (format.isEmpty() || format == kGeneralNumber)
        return -1;
    const int point = int(format.indexOf(QLatin1Char('.')));
    return point < 0 ? 0 : int(format.size()) - point - 1;
}

// The value as its cell shows it: rounded half away from zero at the shown decimals, judged on
// 15 significant digits as the cell text is, so 4.995 counts as 5 and not as 4.99499999.
double asShown(double value, double scale) {
    const double scaled = value * scale;
    const double below = std::floor(scaled);
    const double half = below + 0.5;
    if (std::fabs(scaled - half) <= 1e-12 * std::max(1.0, std::fabs(scaled)))
        return (scaled < 0 ? below : below + 1) / scale;
    return std::round(scaled) / scale;
}

}  // namespace

// ---- DataGridModel ----

void DataGridModel::setColumns(const QVector<GridColumn>& columns) {
    beginResetModel();
    m_columns = columns;
    m_fields.fill(-1, columns.size());
    m_footer.fill(QString(), columns.size());
    endResetModel();
    reload();
}

void DataGridModel::setDataset(const Dataset* dataset) { m_dataset = dataset; }

void DataGridModel::setWithheld(const Fields& fields) {
    m_withheld = fields;
    reload();
}

bool DataGridModel::isWithheld(int column) const { return m_withheldColumns.value(column, false); }

void DataGridModel::reload() {
    beginResetModel();
    m_rows = m_dataset && m_dataset->isOpen() ? m_dataset->recordCount() : 0;
    m_fields.resize(m_columns.size());
    m_withheldColumns.resize(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        const Field& identity = m_columns[c].identity;
        m_withheldColumns[c] = !identity.isNull() && m_withheld.contains(identity);
        m_fields[c] = m_dataset && !m_withheldColumns[c] ? m_dataset->columnIndex(m_columns[c].field) : -1;
    }
    computeFooter();
    endResetModel();
}

void DataGridModel::reorder() {
    beginResetModel();
    m_rows = m_dataset && m_dataset->isOpen() ? m_dataset->recordCount() : 0;
    endResetModel();
}

// Sums over every row of the result, once per reload; painting only reads the texts.
void DataGridModel::computeFooter() {
    m_footer.resize(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        const GridColumn& column = m_columns[c];
        if (isWithheld(c)) {
            m_footer[c].clear();
            continue;
        }
        switch (column.footer) {
        case GridColumn::Footer::None: m_footer[c].clear(); break;
        case GridColumn::Footer::Text: m_footer[c] = column.footerText; break;
        case GridColumn::Footer::Sum: {
            // The total is the sum of the figures the rows show, so it agrees with the printed notes.
            double sum = 0;
            const int field = m_fields[c];
            const int decimals = shownDecimals(column.format);
            const double scale = decimals < 0 ? 0 : std::pow(10.0, decimals);
            for (int r = 0; field >= 0 && r < m_rows; ++r) {
                double v;
                if (datasetNumber(*m_dataset, r, field, &v))
                    sum += decimals < 0 || !std::isfinite(v) ? v : asShown(v, scale);
            }
            // A column shown with every digit still totals to four decimals, as the printed notes
            // do: a million figures summed in binary leave noise in the fifteenth digit.
            m_footer[c] = formatNumber(decimals < 0 ? roundDecimal(sum, kGeneralTotalDecimals) : sum, column.format);
        }
        }
    }
}

QString DataGridModel::cellText(int row, int column) const {
    if (column < 0 || column >= m_fields.size())
        return QString();
    const int field = m_fields[column];
    if (field < 0 || !m_dataset || row < 0 || row >= m_rows || row >= m_dataset->recordCount())
        return QString();
    const QString& format = m_columns[column].format;
    if (format.isEmpty())
        return m_dataset->text(row, field);
    double value;
    if (!datasetNumber(*m_dataset, row, field, &value))
        return m_dataset->text(row, field);  // empty, or a text that is no number: as stored
    return formatNumber(value, format);
}

QString DataGridModel::footerText(int column) const { return m_footer.value(column); }

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int DataGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || isWithheld(index.column()))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole: return int(m_columns[index.column()].alignment | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (rowColour && index.row() < m_rows && m_dataset && index.row() < m_dataset->recordCount()) {
            const QColor colour = rowColour(index.row());
            if (colour.isValid())
                return QBrush(colour);
        }
        return QVariant();
    default: return QVariant();
    }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section].upperTitle + QLatin1Char('|') + m_columns[section].lowerTitle;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---- BandHeader ----

BandHeader::BandHeader(DataGridModel* model, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), m_model(model) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(8);
}

QSize BandHeader::sizeHint() const {
    const int line = fontMetrics().height() + 6;
    return QSize(QHeaderView::sizeHint().width(), 2 * line);
}

void BandHeader::setMarks(const QVector<Mark>& marks) {
    m_marks = marks;
    viewport()->update();
}

void BandHeader::paintCell(QPainter& painter, const QRect& rect, const QString& text, const GridColumn& column,
                           Mark mark) const {
    const QColor band = column.band.isValid() ? column.band : palette().color(QPalette::Button);
    painter.fillRect(rect, band);
    painter.setPen(band.darker(135));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.setPen(band.lighter(115));
    painter.drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
    painter.drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));

    QRect textRect = rect.adjusted(2, 0, -2, 0);
    if (mark != Mark::None) {
        // A small triangle at the right: pointing down for the descending mark.
        const int size = 7;
        const QPoint centre(rect.right() - 8, rect.center().y() + 1);
        QPainterPath arrow;
        if (mark == Mark::Down) {
            arrow.moveTo(centre.x() - size / 2, centre.y() - 2);
            arrow.lineTo(centre.x() + size / 2 + 1, centre.y() - 2);
            arrow.lineTo(centre.x(), centre.y() + 2);
        } else {
            arrow.moveTo(centre.x() - size / 2, centre.y() + 2);
            arrow.lineTo(centre.x() + size / 2 + 1, centre.y() + 2);
            arrow.lineTo(centre.x(), centre.y() - 2);
        }
        arrow.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(arrow, column.titleColour.isValid() ? column.titleColour : palette().color(QPalette::ButtonText));
        painter.setRenderHint(QPainter::Antialiasing, false);
        textRect.adjust(0, 0, -12, 0);
    }
    painter.setPen(column.titleColour.isValid() ? column.titleColour : palette().color(QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignCenter, fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
}

void BandHeader::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
    const QVector<GridColumn>& columns = m_model->columns();
    const int height = viewport()->height();
    const int half = height / 2;

    // Runs of adjacent visible columns that share an upper title get one band cell.
    int runColumn = -1, runLeft = 0, runRight = 0;
    auto flush = [&] {
        if (runColumn >= 0)
            paintCell(painter, QRect(runLeft, 0, runRight - runLeft, half), columns[runColumn].upperTitle,
                      columns[runColumn], Mark::None);
    };
    for (int visual = 0; visual < count(); ++visual) {
        const int logical = logicalIndex(visual);
        if (logical < 0 || logical >= columns.size() || isSectionHidden(logical))
            continue;
        const int x = sectionViewportPosition(logical);
        const int width = sectionSize(logical);
        paintCell(painter, QRect(x, half, width, height - half), columns[logical].lowerTitle, columns[logical],
                  mark(logical));
        if (runColumn >= 0 && columns[runColumn].upperTitle == columns[logical].upperTitle && x == runRight) {
            runRight = x + width;
            continue;
        }
        flush();
        runColumn = logical;
        runLeft = x;
        runRight = x + width;
    }
    flush();
}

// ---- GridFooter ----

GridFooter::GridFooter(DataGrid* grid) : QWidget(grid), m_grid(grid) {
    setObjectName(QStringLiteral("GridFooter"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize GridFooter::sizeHint() const { return QSize(100, fontMetrics().height() + 8); }

QRect GridFooter::cellRect(int column) const {
    QTableView* view = m_grid->view();
    QHeaderView* header = view->horizontalHeader();
    const int offset = view->geometry().x() + view->viewport()->geometry().x() - geometry().x();
    return QRect(offset + header->sectionViewportPosition(column), 0, header->sectionSize(column), height());
}

QRect GridFooter::textRect(int column) const { return cellRect(column).adjusted(3, 0, -4, 0); }

QFont GridFooter::textFont(int column) const {
    QFont fitted = font();
    const QString text = m_grid->footerText(column);
    const int room = textRect(column).width();
    // Down to five pixels: smaller than that nobody reads it, and no total of the ledger needs it.
    while (QFontMetrics(fitted).horizontalAdvance(text) > room && QFontInfo(fitted).pixelSize() > 5)
        fitted.setPixelSize(QFontInfo(fitted).pixelSize() - 1);
    return fitted;
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), DataGrid::kFooterColour);
    const QColor line = DataGrid::kFooterColour.darker(140);
    painter.setPen(line);
    painter.drawLine(rect().topLeft(), rect().topRight());
    QHeaderView* header = m_grid->view()->horizontalHeader();
    const QVector<GridColumn>& columns = m_grid->columns();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= columns.size() || header->isSectionHidden(logical))
            continue;
        const QRect cell = cellRect(logical);
        painter.setPen(line);
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const QString text = m_grid->footerText(logical);
        if (text.isEmpty())
            continue;
        const Qt::Alignment align = columns[logical].footer == GridColumn::Footer::Text
            ? Qt::AlignCenter
            : (columns[logical].alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(textFont(logical));
        painter.drawText(textRect(logical), align, text);
    }
}

// ---- DataGrid ----

DataGrid::DataGrid(QWidget* parent) : QFrame(parent), m_model(new DataGridModel(this)) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("GridView"));
    m_view->setFrameShape(QFrame::NoFrame);
    m_header = new BandHeader(m_model, m_view);
    m_header->setObjectName(QStringLiteral("GridTitles"));
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new RowColourDelegate(m_view));
    m_view->verticalHeader()->hide();
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTabKeyNavigation(false);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    QHeaderView* rows = m_view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(8);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    QPalette selection = m_view->palette();
    selection.setColor(QPalette::Highlight, QColor(190, 218, 248));
    selection.setColor(QPalette::HighlightedText, Qt::black);
    selection.setColor(QPalette::Inactive, QPalette::Highlight, QColor(214, 230, 248));
    selection.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    m_view->setPalette(selection);
    m_view->viewport()->installEventFilter(this);
    setFocusProxy(m_view);

    m_footer = new GridFooter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
        sortByTitle(column, QApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
    });
    connect(m_header, &QHeaderView::sectionResized, m_footer, qOverload<>(&QWidget::update));
    connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (m_headerPressed && !m_fitting)
            columnDragged(column, width);
    });
    m_header->viewport()->installEventFilter(this);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_selecting || !m_dataset || !current.isValid() || current.row() >= m_dataset->recordCount())
                    return;
                m_dataset->setCurrentRow(current.row());
                emit currentRowChanged(current.row());
            });
    connect(m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && m_pressed == Qt::LeftButton)
            emit cellClicked(index.row());
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit rowDoubleClicked(index.row());
    });
}

void DataGrid::setColumns(const QVector<GridColumn>& columns) {
    m_model->setColumns(columns);
    for (int c = 0; c < columnCount(); ++c)
        if (isColumnWithheld(c))
            m_view->setColumnHidden(c, true);
    clearSortMarks();
    applyRememberedWidths();
    fitColumns();
}

void DataGrid::rememberColumnWidths(const QString& settingName) {
    m_widthSetting = settingName;
    applyRememberedWidths();
    fitColumns();
}

// The widths are kept for the columns they were chosen for; another set of columns keeps its own.
void DataGrid::applyRememberedWidths() {
    if (m_widthSetting.isEmpty())
        return;
    const QStringList widths = ReadSettings(kMainKey).value(m_widthSetting).split(QLatin1Char(','));
    if (widths.size() != columnCount())
        return;
    for (int c = 0; c < columnCount(); ++c) {
        bool ok = false;
        const int width = widths[c].toInt(&ok);
        if (ok && width > 0)
            m_model->column(c).width = width;
    }
}

// The dragged column keeps its new width; the other visible columns share what is left in their
// proportions, so the grid still fills its width without a scroll bar.
void DataGrid::columnDragged(int column, int width) {
    const QList<int> visible = visibleColumns();
    const int available = m_view->viewport()->width();
    if (!visible.contains(column) || available <= 0)
        return;
    qint64 others = 0;
    for (int c : visible)
        if (c != column)
            others += m_header->sectionSize(c);
    const int left = qMax(available - width, 8 * int(visible.size() - 1));
    for (int c : visible)
        m_model->column(c).width = c == column ? width
                                               : qMax(8, others > 0 ? int(m_header->sectionSize(c) * left / others) : 8);
    m_widthsDragged = true;
    fitColumns();
}

void DataGrid::saveColumnWidths() {
    if (!m_widthsDragged || m_widthSetting.isEmpty())
        return;
    m_widthsDragged = false;
    QStringList widths;
    for (const GridColumn& c : m_model->columns())
        widths << QString::number(c.width);
    runAction(this, [&] { WriteSetting(kMainKey, m_widthSetting, widths.join(QLatin1Char(','))); });
}

void DataGrid::setColumnTitles(int column, const QString& upper, const QString& lower) {
    m_model->column(column).upperTitle = upper;
    m_model->column(column).lowerTitle = lower;
    m_header->viewport()->update();
}

void DataGrid::setFooterText(int column, const QString& text) {
    m_model->column(column).footerText = text;
    m_model->reload();
    selectDatasetRow();
    m_footer->update();
}

void DataGrid::setDataset(Dataset* dataset) {
    m_dataset = dataset;
    m_model->setDataset(dataset);
    refresh();
}

void DataGrid::refresh() {
    m_model->reload();
    selectDatasetRow();
    m_footer->update();
    m_header->viewport()->update();
}

void DataGrid::clearSortMarks() {
    m_header->setMarks(QVector<BandHeader::Mark>(columnCount(), BandHeader::Mark::None));
}

void DataGrid::selectDatasetRow() {
    m_selecting = true;
    const int row = m_dataset && m_dataset->isOpen() ? m_dataset->currentRow() : -1;
    if (row >= 0 && row < m_model->rowCount()) {
        int column = 0;
        const QList<int> visible = visibleColumns();
        if (!visible.isEmpty())
            column = visible.first();
        const QModelIndex index = m_model->index(row, column);
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
        m_view->scrollTo(index);
    } else {
        m_view->selectionModel()->clear();
    }
    m_selecting = false;
}

int DataGrid::currentRow() const {
    return m_dataset && m_dataset->isOpen() ? m_dataset->currentRow() : -1;
}

void DataGrid::setCurrentRow(int row) {
    if (!m_dataset)
        return;
    m_dataset->setCurrentRow(row);
    selectDatasetRow();
}

void DataGrid::withholdFields(const Fields& fields) {
    QVector<bool> before(columnCount());
    for (int c = 0; c < columnCount(); ++c)
        before[c] = isColumnWithheld(c);
    m_model->setWithheld(fields);
    for (int c = 0; c < columnCount(); ++c)
        if (isColumnWithheld(c))
            m_view->setColumnHidden(c, true);
        else if (before[c])
            m_view->setColumnHidden(c, false);  // given back: shown as designed
    QVector<BandHeader::Mark> marks = m_header->marks();
    for (int c = 0; c < marks.size() && c < columnCount(); ++c)
        if (isColumnWithheld(c))
            marks[c] = BandHeader::Mark::None;
    m_header->setMarks(marks);
    selectDatasetRow();
    fitColumns();
    m_footer->update();
}

void DataGrid::setColumnHidden(int column, bool hidden) {
    m_view->setColumnHidden(column, hidden || isColumnWithheld(column));
    fitColumns();
    m_footer->update();
}

bool DataGrid::isColumnHidden(int column) const { return m_view->isColumnHidden(column); }

void DataGrid::setRowColour(std::function<QColor(int)> colour) {
    m_model->rowColour = std::move(colour);
    m_view->viewport()->update();
}

QString DataGrid::columnTitle(int column) const {
    const GridColumn& c = m_model->columns().at(column);
    return c.upperTitle + QLatin1Char('|') + c.lowerTitle;
}

QList<int> DataGrid::visibleColumns() const {
    QList<int> visible;
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (!m_header->isSectionHidden(logical))
            visible << logical;
    }
    return visible;
}

QRect DataGrid::cellRect(int row, int column) const {
    const QRect r = m_view->visualRect(m_model->index(row, column));
    return r.translated(m_view->viewport()->mapTo(this, QPoint(0, 0)));
}

// Descending first, then alternating: the clicked column's mark before the click chooses the
// order, then it advances none -> down -> up -> down. Ctrl keeps the other marks and lets a mark go
// up -> none.
void DataGrid::sortByTitle(int column, bool ctrl) {
    // The order of a withheld column would tell its values.
    if (column < 0 || column >= columnCount() || isColumnWithheld(column))
        return;
    emit titleClicked(column);
    QVector<BandHeader::Mark> marks = m_header->marks();
    marks.resize(columnCount());
    const BandHeader::Mark before = marks[column];
    const QString field = m_model->columns().at(column).field;
    const bool sorted = runAction(this, [&] {
        if (m_dataset)
            m_dataset->sort(before == BandHeader::Mark::Down ? field : field + QStringLiteral(" DESC"));
    });
    if (!sorted)
        return;
    if (!ctrl)
        for (int c = 0; c < marks.size(); ++c)
            if (c != column)
                marks[c] = BandHeader::Mark::None;
    switch (before) {
    case BandHeader::Mark::None: marks[column] = BandHeader::Mark::Down; break;
    case BandHeader::Mark::Down: marks[column] = BandHeader::Mark::Up; break;
    case BandHeader::Mark::Up: marks[column] = ctrl ? BandHeader::Mark::None : BandHeader::Mark::Down; break;
    }
    m_header->setMarks(marks);
    m_model->reorder();
    selectDatasetRow();
    m_footer->update();
    m_header->viewport()->update();
}

// The columns share the grid's width in proportion to their designed widths.
void DataGrid::fitColumns() {
    m_fitting = true;
    const auto done = qScopeGuard([this] { m_fitting = false; });
    const QList<int> visible = visibleColumns();
    if (visible.isEmpty())
        return;
    const int available = m_view->viewport()->width();
    if (available <= 0)
        return;
    qint64 designed = 0;
    for (int c : visible)
        designed += qMax(1, m_model->columns().at(c).width);
    int used = 0;
    for (int i = 0; i < visible.size(); ++i) {
        const int c = visible[i];
        int width = i + 1 == visible.size()
            ? available - used
            : int(qint64(qMax(1, m_model->columns().at(c).width)) * available / designed);
        width = qMax(width, 8);
        m_header->resizeSection(c, width);
        used += width;
    }
    m_footer->update();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonPress)
        m_pressed = static_cast<QMouseEvent*>(event)->button();
    if (watched == m_header->viewport() && event->type() == QEvent::MouseButtonPress)
        m_headerPressed = true;
    if (watched == m_header->viewport() && event->type() == QEvent::MouseButtonRelease) {
        m_headerPressed = false;
        saveColumnWidths();
    }
    return QFrame::eventFilter(watched, event);
}
