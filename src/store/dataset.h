#pragma once
// A dataset of the data module: a statement (or a whole table), its rows held in memory, a current
// row, and the append/edit/delete/sort operations the windows are written in.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>
#include <vector>

class Database;

// One column of a result, stored compactly: numbers as doubles, texts as indexes into a pool of
// shared strings. A column that is empty in every row stores nothing.
class DatasetColumn {
public:
    enum class Kind { Empty, Number, Text };
    explicit DatasetColumn(QString name = {}) : m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    Kind kind() const { return m_kind; }
    bool isNull(int row) const;
    double number(int row) const;      // 0 for an empty cell; texts are converted or throw
    QString text(int row) const;       // "" for an empty cell; numbers in the general number text
    QVariant value(int row) const;     // invalid for an empty cell
    // Compares two rows of this column for sorting: empty first, numbers before texts.
    int compare(int a, int b) const;

    void resize(int rows);
    void setNull(int row);
    void setNumber(int row, double value);
    void setText(int row, const QString& value);
    void setValue(int row, const QVariant& value);
    void removeRow(int row);
    void permute(const std::vector<int>& order);
    void setInteger(bool integer) { m_integer = integer; }
    bool isInteger() const { return m_integer; }

private:
    void toText();
    void rankTexts() const;
    uint32_t intern(const QString& value);
    QString m_name;
    Kind m_kind = Kind::Empty;
    bool m_integer = false;             // whole numbers (identities) read back as integers
    int m_rows = 0;
    std::vector<double> m_numbers;      // NaN marks an empty cell
    std::vector<uint32_t> m_texts;      // 0 marks an empty cell, otherwise pool index + 1
    std::vector<QString> m_pool;
    QHash<QString, uint32_t> m_index;
    mutable std::vector<uint32_t> m_ranks;  // sort rank of each pool text
};

class Dataset {
public:
    // A query dataset with a statement, or a table dataset (statement "select * from <table>").
    explicit Dataset(QString name = {}, QString statement = {}, Database* db = nullptr);
    static Dataset table(const QString& name, const QString& table, Database* db = nullptr);

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
    const DatasetColumn& column(int index) const { return m_columns.at(size_t(index)); }
    QStringList columnNames() const;

    // Fields of the current row; throw when the column is absent or there is no current row.
    QString fieldText(const QString& name) const;
    double fieldNumber(const QString& name) const;
    qint64 fieldInteger(const QString& name) const;  // rounded to nearest, halves to even
    QVariant fieldValue(const QString& name) const;
    // Fields of any row, for grids and reports.
    QString text(int row, int column) const { return m_columns[size_t(column)].text(row); }
    double number(int row, int column) const { return m_columns[size_t(column)].number(row); }

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
    // Re-orders the open result: "col" ascending or "col DESC"; "" restores the read order.
    void sort(const QString& spec);
    QString sortSpec() const { return m_sortSpec; }

    // The table a change is written to: the table of a table dataset, else the first table named
    // after "from" in the statement.
    QString baseTable() const;
    Database& database() const;

private:
    enum class State { Browse, Append, Edit };
    void requireRow() const;
    int requireColumn(const QString& name) const;
    QString identityColumn() const;
    void reloadRow(int row, qint64 id);

    QString m_name;
    QString m_statement;
    QVariantList m_params;
    QString m_table;
    Database* m_db;
    bool m_open = false;
    bool m_eof = true;
    int m_rowCount = 0;
    int m_current = -1;
    std::vector<DatasetColumn> m_columns;
    std::vector<int> m_readOrder;            // read position of each row, to undo a sort
    QString m_sortSpec;
    State m_state = State::Browse;
    QVector<QPair<QString, QVariant>> m_pending;
};

// Reads a text the way the entry panels write numbers; throws ConversionError naming the text.
double textToNumber(const QString& text);
// Whole number, halves to even.
qint64 roundHalfEven(double value);
