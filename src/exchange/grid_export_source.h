#pragma once
// GridExportSource: what the XLS export and the grid print read of a grid, without any widget.
#include "store/field.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class Dataset;

class GridExportSource {
public:
    virtual ~GridExportSource() = default;

    // A closed grid exports nothing.
    virtual bool isOpen() const { return true; }
    // Called once before the rows are read, so a source can look up its fields.
    virtual void prepare() const {}
    // Every column of the grid in grid order, visible or not.
    virtual int columnCount() const = 0;
    // The column's title with its levels joined by "|" ("商 品 信 息|名 称").
    virtual QString columnTitle(int column) const = 0;
    virtual bool isColumnVisible(int column) const = 0;
    // Footer rows under the records (every grid of the program has one).
    virtual int footerRowCount() const { return 1; }
    // The fixed text of a column's footer; a footer that shows a computed sum has none ("").
    virtual QString footerText(int column, int footerRow) const = 0;
    // Rows in the grid's current order (after a title-click sort).
    virtual int rowCount() const = 0;
    // The stored value, not the display format: invalid for a missing value, a double for a
    // number, a qint64 for a whole-number (identity) column, a QString for everything else.
    virtual QVariant cellValue(int row, int column) const = 0;
};

// One column of a grid over a dataset.
struct ExportColumn {
    QString field;       // the dataset column it shows
    QString title;       // levels joined by "|"
    QString footer;      // fixed footer text; "" for a sum or nothing
    bool visible = true;
    Field identity = {};  // the value the column holds, for the rights
    bool withheld = false;
};

// A grid described by its columns, reading its rows from a dataset in the dataset's current order.
// The shared grid widget and the command-line tool both export through it.
class DatasetGridSource : public GridExportSource {
public:
    DatasetGridSource(const Dataset& dataset, std::vector<ExportColumn> columns);

    bool isOpen() const override;
    void prepare() const override;
    int columnCount() const override { return int(m_columns.size()); }
    QString columnTitle(int column) const override { return m_columns.at(size_t(column)).title; }
    bool isColumnVisible(int column) const override {
        return m_columns.at(size_t(column)).visible && !m_columns.at(size_t(column)).withheld;
    }
    QString footerText(int column, int) const override {
        return m_columns.at(size_t(column)).withheld ? QString() : m_columns.at(size_t(column)).footer;
    }
    int rowCount() const override;
    QVariant cellValue(int row, int column) const override;

    std::vector<ExportColumn>& columns() { return m_columns; }
    void setColumnVisible(int column, bool visible) { m_columns.at(size_t(column)).visible = visible; }
    // Withholds these fields, as the login does for an ordinary user: their columns are never
    // read and never written, whatever makes them visible.
    void withhold(const Fields& fields);

private:
    const Dataset& m_dataset;
    std::vector<ExportColumn> m_columns;
    mutable std::vector<int> m_fieldIndex;  // dataset column of each grid column, -1 when absent
};
