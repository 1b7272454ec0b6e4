#pragma once
// DataGrid: the read-only grid of the ledger over an open Dataset, with two-level band titles, a
// footer row of fixed texts and sums, title-click sorting in memory, hidden columns and a per-row
// text colour. The inventory grid, the sales grid and the product summary are all DataGrids that
// differ only in their column tables.
#include "store/ledger_column.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QColor>
#include <QFrame>
#include <QHeaderView>
#include <QTableView>
#include <QVector>
#include <functional>

class Dataset;
class DatasetColumn;
class DataGrid;

// One column of a grid: what it shows and how.
struct GridColumn {
    enum class Footer { None, Text, Sum };

    QString field;                 // column of the dataset
    QString upperTitle;            // adjacent columns with the same upper title share one band cell
    QString lowerTitle;
    // "" shows the stored text; kGeneralNumber the general number text; anything else is a
    // number picture such as "#.##" (see pictureNumberText).
    QString format;
    Qt::Alignment alignment = Qt::AlignLeft;
    Footer footer = Footer::None;
    QString footerText;            // for Footer::Text
    QColor band;                   // title band colour; invalid: the style's button colour
    QColor titleColour;            // title text colour; invalid: the style's text colour
    int width = 80;                // designed width; the grid fits all visible columns to its width
    Field identity = {};           // the value the column holds, for the rights
};

// The colours of one title band: the band and its title text.
struct BandColours {
    QColor band;
    QColor title;  // invalid: the style's text colour
};
extern const BandColours kSkyBlueBand, kTealBand, kMaroonBand;

// A grid's columns from their description, each band coloured by its upper title.
QVector<GridColumn> gridColumns(const LedgerColumns& columns, const QHash<QString, BandColours>& bands);

// A cell of a dataset as a number: false for an empty cell or a text that is no number.
bool datasetNumber(const Dataset& dataset, int row, int column, double* value);

// The table model over the dataset: reads each shown cell on demand from the dataset's compact
// columns; only the footer values are computed ahead, once per reload.
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setColumns(const QVector<GridColumn>& columns);
    const QVector<GridColumn>& columns() const { return m_columns; }
    GridColumn& column(int index) { return m_columns[index]; }
    // The fields withheld from the user: their columns stay in place (so column numbers hold) but
    // are never read from the dataset, and show no cells and no footer.
    void setWithheld(const Fields& fields);
    bool isWithheld(int column) const;
    void setDataset(const Dataset* dataset);
    const Dataset* dataset() const { return m_dataset; }
    // Re-reads the dataset after it was opened, sorted or changed.
    void reload();
    // Re-reads the rows after the dataset was only re-ordered: the rows are the same, so the sums
    // of the footer stay as they are (summing a million rows again would cost more than the sort).
    void reorder();

    QString cellText(int row, int column) const;
    QString footerText(int column) const;

    // Text colour of a whole row (a row of the dataset); an invalid colour keeps the normal one.
    std::function<QColor(int row)> rowColour;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void computeFooter();
    QVector<GridColumn> m_columns;
    Fields m_withheld;
    QVector<bool> m_withheldColumns;  // per column, as of the last reload
    QVector<int> m_fields;         // dataset column of each grid column, -1 when absent
    QVector<QString> m_footer;
    const Dataset* m_dataset = nullptr;
    int m_rows = 0;
};

// The two-level title row: lower titles per column, upper titles spanning the adjacent columns
// that share them, each band in its group's colour, with the sort mark of each column.
class BandHeader : public QHeaderView {
    Q_OBJECT
public:
    enum class Mark { None, Down, Up };
    explicit BandHeader(DataGridModel* model, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    Mark mark(int column) const { return m_marks.value(column, Mark::None); }
    void setMarks(const QVector<Mark>& marks);
    const QVector<Mark>& marks() const { return m_marks; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintCell(QPainter& painter, const QRect& rect, const QString& text, const GridColumn& column,
                   Mark mark) const;
    DataGridModel* m_model;
    QVector<Mark> m_marks;
};

// The footer row under the rows, aligned with the columns above it.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(DataGrid* grid);
    QSize sizeHint() const override;
    // The font a column's footer text is drawn in: the footer's own, smaller where the text would
    // not fit its column otherwise, so a total is never cut short.
    QFont textFont(int column) const;
    // Where a column's footer text is drawn.
    QRect textRect(int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect cellRect(int column) const;  // the column's whole footer cell
    DataGrid* m_grid;
};

class DataGrid : public QFrame {
    Q_OBJECT
public:
    static const QColor kFooterColour;  // RGB(255, 194, 134)

    explicit DataGrid(QWidget* parent = nullptr);

    void setColumns(const QVector<GridColumn>& columns);
    const QVector<GridColumn>& columns() const { return m_model->columns(); }
    int columnCount() const { return m_model->columnCount(); }
    // Replaces the titles of one column (the English captions, for instance).
    void setColumnTitles(int column, const QString& upper, const QString& lower);
    void setFooterText(int column, const QString& text);

    // The dataset shown; refresh() after each open, sort or change of it.
    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }
    // Re-reads the rows and the footer, keeps the dataset's current row current and in sight.
    void refresh();
    // A new result stands in the engine's order: no title shows a sort mark.
    void clearSortMarks();

    // Withholds these fields from the grid (replacing the earlier ones): their columns hold no
    // values, stay hidden whatever shows them, and cannot be sorted by.
    void withholdFields(const Fields& fields);
    bool isColumnWithheld(int column) const { return m_model->isWithheld(column); }

    // The user widens and narrows columns by dragging their titles' edges; the widths are kept in
    // the settings under `settingName` and come back with the same columns in the next run.
    void rememberColumnWidths(const QString& settingName);

    // A withheld column stays hidden.
    void setColumnHidden(int column, bool hidden);
    bool isColumnHidden(int column) const;
    void setRowColour(std::function<QColor(int row)> colour);

    // What the grid shows, for export and printing: title "upper|lower", the visible columns in
    // their order, each displayed cell in the current row order, and the footer texts.
    QString columnTitle(int column) const;
    QList<int> visibleColumns() const;
    int rowCount() const { return m_model->rowCount(); }
    QString cellText(int row, int column) const { return m_model->cellText(row, column); }
    QString footerText(int column) const { return m_model->footerText(column); }

    // The current row (a row of the dataset), -1 without rows.
    int currentRow() const;
    void setCurrentRow(int row);

    QTableView* view() const { return m_view; }
    BandHeader* header() const { return m_header; }
    GridFooter* footer() const { return m_footer; }
    DataGridModel* model() const { return m_model; }
    // Where a cell lies in the grid's coordinates, for tests that click it.
    QRect cellRect(int row, int column) const;
    // Sorts as a click on the title of the column does (with Ctrl held when `ctrl`).
    void sortByTitle(int column, bool ctrl = false);

signals:
    // A title was clicked; emitted before the rows are re-ordered.
    void titleClicked(int column);
    // A click with the left button on a cell.
    void cellClicked(int row);
    void rowDoubleClicked(int row);
    void currentRowChanged(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    void selectDatasetRow();
    void applyRememberedWidths();
    void columnDragged(int column, int width);
    void saveColumnWidths();

    DataGridModel* m_model;
    QTableView* m_view;
    BandHeader* m_header;
    GridFooter* m_footer;
    Dataset* m_dataset = nullptr;
    bool m_selecting = false;
    bool m_fitting = false;
    bool m_widthsDragged = false;
    bool m_headerPressed = false;  // a drag of a title's edge is a user's choice of width
    QString m_widthSetting;
    Qt::MouseButton m_pressed = Qt::NoButton;
};
