#pragma once
// DataGridExport: the shared grid widget seen as a grid to export, and the export command the
// grids' pop-up menus call.
#include "exchange/grid_export_source.h"

#include <QVector>

class DataGrid;
class QAction;
class Session;
class QWidget;

class DataGridExport : public GridExportSource {
public:
    explicit DataGridExport(const DataGrid& grid);

    bool isOpen() const override;
    void prepare() const override;
    // Columns in the order the grid shows them.
    int columnCount() const override;
    QString columnTitle(int column) const override;
    bool isColumnVisible(int column) const override;
    QString footerText(int column, int footerRow) const override;
    QVariant footerValue(int column, int footerRow) const override;
    ColumnLook columnLook(int column) const override;
    int rowCount() const override;
    QVariant cellValue(int row, int column) const override;

private:
    int logical(int column) const;
    const DataGrid& m_grid;
    mutable QVector<int> m_order;   // logical column at each shown position
    mutable QVector<int> m_fields;  // dataset column of each logical column, -1 when absent
};

// "导出Excel" of a grid: the save dialog, the sheet titled `title` made by the logged-in user, and
// the written file opened. Returns true when a file was written.
bool exportDataGrid(const Session& session, QWidget* parent, const DataGrid& grid, const QString& title);

// Makes a pop-up item "导出Excel" (with its shortcut) export `grid` with the sheet title `title`,
// and enables it. The main window's item is GridExport: "商品进货统计报表" over the inventory grid.
void connectGridExport(const Session& session, QAction* item, QWidget* parent, const DataGrid& grid,
                       const QString& title);
