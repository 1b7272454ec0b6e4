#pragma once
// GridExportSource: what the workbook export and the grid print read of a grid, without any widget.
#include "store/field.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class Dataset;

// How a column shows its values, for a workbook that keeps numbers and dates as such.
struct ColumnLook {
    // "" shows the stored text; kGeneralNumber the general number text; otherwise a picture such
    // as "#.##" whose decimals the numbers show.
    QString format;
    int width = 80;     // pixels
    bool date = false;  // holds dates stored as "yyyy-MM-dd" texts
};

// How many decimals a column's picture shows at most; -1 when it shows every digit.
int pictureDecimals(const QString& format);
// The total of a column as its summing footer shows it: the figures as the rows show them (rounded
// to the picture's decimals), so the total agrees with the grid's own footer.
double shownTotal(const Dataset& dataset, int field, const QString& format);
// The look of a column showing `identity`: its dates are date cells when the field holds dates.
ColumnLook columnLookOf(const Field& identity, const QString& format, int width);

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
    // The footer as a workbook keeps it: the fixed text, or the total a summing footer shows (a
    // double, as the grid rounds it).
    virtual QVariant footerValue(int column, int footerRow) const { return footerText(column, footerRow); }
    virtual ColumnLook columnLook(int) const { return {}; }
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
    ColumnLook look = {};
    bool sum = false;  // its footer shows the total of the figures the rows show
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
    QVariant footerValue(int column, int footerRow) const override;
    ColumnLook columnLook(int column) const override { return m_columns.at(size_t(column)).look; }
    int rowCount() const override;
    QVariant cellValue(int row, int column) const override;

    std::vector<ExportColumn>& columns() { return m_columns; }
    void setColumnVisible(int column, bool visible) { m_columns.at(size_t(column)).visible = visible; }
    // Withholds these fields, as the login does for an ordinary user: their columns are never
    // read and never written, whatever makes them visible.
    void withhold(const Fields& fields);

private:
    // The dataset column of a grid column; -1 for a withheld one.
    int field(int column) const;
    const Dataset& m_dataset;
    std::vector<ExportColumn> m_columns;
    mutable std::vector<int> m_fieldIndex;  // dataset column of each grid column, -1 when absent
};
