#include "exchange/ui/data_grid_export.h"

#include "exchange/ui/xls_export_command.h"
#include "store/dataset.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/ui_services.h"

#include <QAction>

DataGridExport::DataGridExport(const DataGrid& grid) : m_grid(grid) {}

bool DataGridExport::isOpen() const { return m_grid.dataset() && m_grid.dataset()->isOpen(); }

void DataGridExport::prepare() const {
    m_order.clear();
    for (int visual = 0; visual < m_grid.columnCount(); ++visual)
        m_order << m_grid.header()->logicalIndex(visual);
    m_fields.clear();
    const Dataset* dataset = m_grid.dataset();
    // A withheld column is never read, though the dataset behind the grid holds it.
    for (int c = 0; c < m_grid.columnCount(); ++c) {
        const bool readable = dataset && !m_grid.isColumnWithheld(c);
        m_fields << (readable ? dataset->columnIndex(m_grid.columns().at(c).field) : -1);
    }
}

int DataGridExport::logical(int column) const {
    if (m_order.size() != m_grid.columnCount())
        prepare();
    return m_order.value(column, column);
}

int DataGridExport::columnCount() const { return m_grid.columnCount(); }

QString DataGridExport::columnTitle(int column) const { return m_grid.columnTitle(logical(column)); }

bool DataGridExport::isColumnVisible(int column) const {
    const int c = logical(column);
    return !m_grid.isColumnHidden(c) && !m_grid.isColumnWithheld(c);
}

QString DataGridExport::footerText(int column, int) const {
    // Sums are computed by the grid and have no fixed text.
    const int at = logical(column);
    const GridColumn& c = m_grid.columns().at(at);
    return c.footer == GridColumn::Footer::Text && !m_grid.isColumnWithheld(at) ? c.footerText : QString();
}

QVariant DataGridExport::footerValue(int column, int footerRow) const {
    const int at = logical(column);
    const int field = m_fields.value(at, -1);
    const GridColumn& c = m_grid.columns().at(at);
    if (c.footer != GridColumn::Footer::Sum || field < 0)
        return footerText(column, footerRow);
    return shownTotal(*m_grid.dataset(), field, c.format);
}

ColumnLook DataGridExport::columnLook(int column) const {
    const GridColumn& c = m_grid.columns().at(logical(column));
    return columnLookOf(c.identity, c.format, c.width);
}

int DataGridExport::rowCount() const { return isOpen() ? m_grid.dataset()->recordCount() : 0; }

QVariant DataGridExport::cellValue(int row, int column) const {
    const int field = m_fields.value(logical(column), -1);
    if (field < 0)
        return QVariant();
    // The dataset holds the rows in the grid's order (title sorts re-order it in memory).
    return m_grid.dataset()->value(row, field);
}

bool exportDataGrid(const Session& session, QWidget* parent, const DataGrid& grid, const QString& title) {
    const DataGridExport source(grid);
    return exportGridToXls(parent, source, title, session.rights().user());
}

void connectGridExport(const Session& session, QAction* item, QWidget* parent, const DataGrid& grid,
                       const QString& title) {
    if (!item)
        return;
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, parent, [&session, parent, &grid, title] {
        runAction(parent, [&] { exportDataGrid(session, parent, grid, title); });
    });
}
