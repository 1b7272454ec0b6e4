#pragma once
// A dataset of the data module: a statement (or a whole table), its rows held in memory, a current
// row, and the append/edit/delete/sort operations the windows are written in.
#include "store/dataset_column.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>
#include <vector>

class Database;

class Dataset {
public:
    // A query dataset with a statement, or a table dataset (statement "select * from <table>").
    explicit Dataset(QString name = {}, QString statement = {}, Database* db = nullptr);
    static Dataset table(const QString& name, const QString& table, Database* db = nullptr);

    // The connection the dataset reads; a view made before the ledger opens is put on it later.
    void setDatabase(Database* db) { m_db = db; }

    QString name() const { return m_name; }
    QString statement() const { return m_statement; }
    QVariantList parameters() const { return m_params; }
    bool isOpen() const { return m_open; }

    void open();
    void close();
    // Closes, replaces the statement (with its bound values) and opens again.
    void setStatement(const QString& statement, const QVariantList& params = {});
    // Runs the statement as it stands without expecting rows; the dataset stays closed.
    void execute();
    // Replaces the statement and executes it; the dataset stays closed.
    void execute(const QString& statement, const QVariantList& params = {});

    int recordCount() const { return m_rowCount; }
    bool isEmpty() const { return m_rowCount == 0; }
    int currentRow() const { return m_current; }   // -1 when there are no rows
    void setCurrentRow(int row);
    void first();
    void last();
    void next();
    bool eof() const { return m_eof; }

    int columnCount() const { return int(m_columns.size()); }
    int columnIndex(const QString& name) const;      // -1 when absent (names ignore case)
    DatasetColumn column(int index) const { return DatasetColumn(m_columns.at(size_t(index)), m_order); }
    QStringList columnNames() const;

    // Fields of the current row; throw when the column is absent or there is no current row.
    QString fieldText(const QString& name) const;
    double fieldNumber(const QString& name) const;
    qint64 fieldInteger(const QString& name) const;  // rounded to nearest, halves to even
    QVariant fieldValue(const QString& name) const;
    // Fields of any row, for grids and reports.
    QString text(int row, int column) const { return m_columns[size_t(column)].text(m_order[size_t(row)]); }
    double number(int row, int column) const { return m_columns[size_t(column)].number(m_order[size_t(row)]); }
    QVariant value(int row, int column) const { return m_columns[size_t(column)].value(m_order[size_t(row)]); }
    bool isNull(int row, int column) const { return m_columns[size_t(column)].isNull(m_order[size_t(row)]); }

    // append … post stores a new row in the table; edit … post changes the current row in its
    // table by its identity. cancel() drops the pending changes.
    void append();
    void edit();
    void setField(const QString& name, const QVariant& value);
    void post();
    void cancel();
    bool isEditing() const { return m_state != State::Browse; }
    // Removes the current row from the table and from the result.
    void remove();
    // Takes the row with this identity out of the result only (its record was deleted elsewhere);
    // false when the result does not hold it.
    bool dropRecord(qint64 id);
    // Reads the row with this identity again from its table, where it stands in the result; the
    // shown position of that row, or -1 when the result does not hold it.
    int refreshRecord(qint64 id);
    // The same for a stored row whether shown or not; false when none holds that identity.
    bool refreshStoredRecord(qint64 id);
    // Reads the open result again with its statement, keeping its sort and its current record.
    void reread();
    // Re-orders the open result: "col" ascending or "col DESC"; "" restores the read order.
    void sort(const QString& spec);
    QString sortSpec() const { return m_sortSpec; }

    // A search answered from rows already held: the rows as read (read order, rows dropped from
    // the result included), and showing a chosen list of them as the result of `statement`, as
    // open() shows what it read (the first row current, no sort).
    int storedRowCount() const { return m_columns.empty() ? 0 : m_columns.front().rowCount(); }
    const ColumnStore& storedColumn(int index) const { return m_columns.at(size_t(index)); }
    void showStoredRows(const QString& statement, const QVariantList& params, std::vector<int> rows);

    // The table a change is written to: the table of a table dataset, else the first table named
    // after "from" in the statement.
    QString baseTable() const;
    Database& database() const;

private:
    enum class State { Browse, Append, Edit };
    void requireRow() const;
    int shownRowOf(qint64 id) const;  // -1 when the result does not hold it
    void dropShownRow(int row);
    int stored() const { return m_order[size_t(m_current)]; }
    int requireColumn(const QString& name) const;
    QString identityColumn() const;
    void reloadRow(int row, qint64 id);
    void readRows(const QString& statement);
    bool openOrderedInMemory(const QString& statement);
    QString inWrittenOrder(const QString& statement);

    QString m_name;
    QString m_statement;
    QVariantList m_params;
    QString m_table;
    Database* m_db;
    bool m_open = false;
    bool m_eof = true;
    int m_rowCount = 0;
    int m_current = -1;
    std::vector<ColumnStore> m_columns;      // rows in read order; appended rows at the end
    std::vector<int> m_order;                // the stored row of each row shown; sorts reorder this only
    QString m_sortSpec;
    State m_state = State::Browse;
    QVector<QPair<QString, QVariant>> m_pending;
};

// Reads a text the way the entry panels write numbers; throws ConversionError naming the text.
double textToNumber(const QString& text);
// Whole number, halves to even.
qint64 roundHalfEven(double value);
