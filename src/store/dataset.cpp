#include "store/dataset.h"

#include "store/database.h"
#include "store/store_error.h"
#include "text/number_text.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <cmath>
#include <numeric>

double textToNumber(const QString& text) {
    bool ok = false;
    const QString trimmed = text.trimmed();
    const double value = trimmed.toDouble(&ok);
    if (!ok || trimmed.isEmpty())
        throw ConversionError(QStringLiteral("“%1”不是有效的数值").arg(text));
    return value;
}

qint64 roundHalfEven(double value) { return qint64(std::nearbyint(value)); }

// ---- Dataset ----

Dataset::Dataset(QString name, QString statement, Database* db)
    : m_name(std::move(name)), m_statement(std::move(statement)), m_db(db) {}

Dataset Dataset::table(const QString& name, const QString& table, Database* db) {
    Dataset ds(name, QStringLiteral("select * from ") + table, db);
    ds.m_table = table;
    return ds;
}

Database& Dataset::database() const {
    if (!m_db)
        throw StoreError(QStringLiteral("数据库没有打开"));
    return *m_db;
}

void Dataset::open() {
    close();
    const QString statement = inWrittenOrder(m_statement);
    if (!openOrderedInMemory(statement))
        readRows(statement);
    m_sortSpec.clear();
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
}

void Dataset::readRows(const QString& statement) {
    m_columns = database().read(statement, m_params);
    m_rowCount = storedRowCount();
    m_order.resize(size_t(m_rowCount));
    std::iota(m_order.begin(), m_order.end(), 0);
}

// "... order by col" on one table: the rows are read in table order and ordered here, ties kept
// in read order. This gives the engine's rows in the engine's order without its slow sorter.
bool Dataset::openOrderedInMemory(const QString& statement) {
    static const QRegularExpression orderBy(
        QStringLiteral("^(.*\\S)\\s+order\\s+by\\s+\\[?([A-Za-z0-9_]+)\\]?(\\s+(asc|desc))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression unsafe(QStringLiteral("\\b(group\\s+by|order\\s+by|limit|union|join)\\b|\\bselect\\b.*\\bselect\\b|,\\s*\\[?\\w+\\]?\\s*(where|$)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto match = orderBy.match(statement);
    if (!match.hasMatch() || unsafe.match(match.captured(1)).hasMatch())
        return false;
    const QString column = match.captured(2);
    const bool descending = match.captured(4).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    QString table;
    try {
        table = baseTable();
    } catch (const StoreError&) {
        return false;
    }
    const LedgerEngine::TextOrder order = database().engine().orderOf(table, column);
    if (order == LedgerEngine::TextOrder::Unknown)
        return false;
    const bool ignoreCase = order == LedgerEngine::TextOrder::BytesIgnoringCase;
    readRows(database().engine().inTableOrder(match.captured(1), table));
    const int index = columnIndex(column);
    if (index < 0) {
        readRows(statement);
        return true;
    }
    m_columns[size_t(index)].sortRowsAsEngine(m_order, descending, ignoreCase);
    return true;
}

// A plain read of one table that names no order ("select * from data1 where ..."): the file engine
// gives its rows in the order they were written, and so must a server, whose scan moves a changed
// row behind the others. A range of dates the file engine answers from the date index: by date,
// then as written.
QString Dataset::inWrittenOrder(const QString& statement) {
    static const QRegularExpression plain(
        QStringLiteral("^\\s*select\\s+[^()]*?\\s+from\\s+\\[?(\\w+)\\]?(\\s+where\\b.*)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression unsafe(
        QStringLiteral("\\b(group\\s+by|order\\s+by|limit|offset|union|join|distinct)\\b|\\bselect\\b.*\\bselect\\b|;"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto match = plain.match(statement);
    if (!match.hasMatch() || unsafe.match(statement).hasMatch())
        return statement;
    static const QRegularExpression dateRange(QStringLiteral("\\bday1\\s*>=\\s*\\?"));
    if (dateRange.match(statement).hasMatch())
        return statement + QStringLiteral(" order by day1");
    return database().engine().inTableOrder(statement, match.captured(1));
}

void Dataset::close() {
    m_open = false;
    m_columns.clear();
    m_order.clear();
    m_rowCount = 0;
    m_current = -1;
    m_eof = true;
    m_state = State::Browse;
    m_pending.clear();
}

void Dataset::setStatement(const QString& statement, const QVariantList& params) {
    close();
    m_statement = statement;
    m_params = params;
    open();
}

void Dataset::execute() {
    close();
    database().exec(m_statement, m_params);
}

void Dataset::execute(const QString& statement, const QVariantList& params) {
    close();
    m_statement = statement;
    m_params = params;
    database().exec(m_statement, m_params);
}

void Dataset::setCurrentRow(int row) {
    if (row < 0 || row >= m_rowCount)
        throw StoreError(QStringLiteral("行号 %1 超出范围").arg(row));
    m_current = row;
    m_eof = false;
}

void Dataset::first() {
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
}

void Dataset::last() {
    m_current = m_rowCount - 1;
    m_eof = m_rowCount == 0;
}

void Dataset::next() {
    if (m_current + 1 < m_rowCount)
        ++m_current;
    else
        m_eof = true;
}

int Dataset::columnIndex(const QString& name) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name().compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QStringList Dataset::columnNames() const {
    QStringList names;
    for (const auto& c : m_columns)
        names << c.name();
    return names;
}

void Dataset::requireRow() const {
    if (!m_open)
        throw StoreError(QStringLiteral("数据集 %1 没有打开").arg(m_name));
    if (m_current < 0 || m_current >= m_rowCount)
        throw StoreError(QStringLiteral("数据集 %1 为空，没有当前记录").arg(m_name));
}

int Dataset::requireColumn(const QString& name) const {
    const int index = columnIndex(name);
    if (index < 0)
        throw StoreError(QStringLiteral("数据集 %1 中没有字段 %2").arg(m_name, name));
    return index;
}

QString Dataset::fieldText(const QString& name) const {
    requireRow();
    return m_columns[size_t(requireColumn(name))].text(stored());
}

double Dataset::fieldNumber(const QString& name) const {
    requireRow();
    return m_columns[size_t(requireColumn(name))].number(stored());
}

qint64 Dataset::fieldInteger(const QString& name) const { return roundHalfEven(fieldNumber(name)); }

QVariant Dataset::fieldValue(const QString& name) const {
    requireRow();
    return m_columns[size_t(requireColumn(name))].value(stored());
}

QString Dataset::baseTable() const {
    if (!m_table.isEmpty())
        return m_table;
    static const QRegularExpression from(QStringLiteral("\\bfrom\\s+\\[?(\\w+)\\]?"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = from.match(m_statement);
    if (!match.hasMatch())
        throw StoreError(QStringLiteral("数据集 %1 的语句没有数据表，不能修改").arg(m_name));
    return match.captured(1);
}

QString Dataset::identityColumn() const {
    const int index = columnIndex(QStringLiteral("id"));
    return index >= 0 ? m_columns[size_t(index)].name() : QString();
}

void Dataset::append() {
    if (!m_open)
        open();
    m_state = State::Append;
    m_pending.clear();
}

void Dataset::edit() {
    requireRow();
    if (identityColumn().isEmpty())
        throw StoreError(QStringLiteral("数据集 %1 没有记录标识，不能修改").arg(m_name));
    m_state = State::Edit;
    m_pending.clear();
}

void Dataset::setField(const QString& name, const QVariant& value) {
    if (m_state == State::Browse)
        throw StoreError(QStringLiteral("数据集 %1 不在编辑状态").arg(m_name));
    QVariant stored = value;
    if (value.typeId() == QMetaType::QDate)
        stored = value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    for (auto& p : m_pending)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = stored;
            return;
        }
    m_pending.append({name, stored});
}

void Dataset::cancel() {
    m_state = State::Browse;
    m_pending.clear();
}

static QString quoted(const QString& column) { return QLatin1Char('"') + column + QLatin1Char('"'); }

void Dataset::post() {
    if (m_state == State::Browse)
        throw StoreError(QStringLiteral("数据集 %1 不在编辑状态").arg(m_name));
    Database& db = database();
    const QString table = baseTable();
    QStringList names;
    QVariantList values;
    for (const auto& p : m_pending) {
        names << quoted(p.first);
        values << p.second;
    }
    const State state = m_state;
    qint64 id = 0;
    if (state == State::Append) {
        const QString sql = names.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(table)
            : QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(table, names.join(QLatin1Char(',')),
                       QStringList(QVector<QString>(names.size(), QStringLiteral("?"))).join(QLatin1Char(',')));
        db.exec(sql, values);
        id = db.lastInsertId();
        const int row = m_rowCount;
        const int storedRows = storedRowCount();
        for (auto& c : m_columns)
            c.appendNull();
        m_order.push_back(storedRows);
        ++m_rowCount;
        m_current = row;
        m_eof = false;
    } else {
        const QString idColumn = identityColumn();
        id = fieldInteger(idColumn);
        if (!names.isEmpty()) {
            QStringList sets;
            for (const auto& n : names)
                sets << n + QStringLiteral("=?");
            values << id;
            db.exec(QStringLiteral("update %1 set %2 where %3=?").arg(table, sets.join(QLatin1Char(',')), quoted(idColumn)),
                    values);
        }
    }
    m_state = State::Browse;
    m_pending.clear();
    reloadRow(stored(), id);
}

// Reads a row back from the table into its stored place, so the result shows exactly what the
// engine holds.
void Dataset::reloadRow(int row, qint64 id) {
    Database& db = database();
    const std::vector<ColumnStore> stored =
        db.read(db.engine().rowByIdentity(baseTable(), identityColumn()), {id});
    for (const ColumnStore& from : stored) {
        const int index = columnIndex(from.name());
        if (index < 0 || from.rowCount() == 0)
            continue;
        ColumnStore& col = m_columns[size_t(index)];
        if (from.isNull(0))
            col.setNull(row);
        else if (from.kind() == ColumnStore::Kind::Text)
            col.setText(row, from.text(0));
        else
            col.setNumber(row, from.number(0));
    }
}

int Dataset::shownRowOf(qint64 id) const {
    const int idColumn = m_open ? columnIndex(QStringLiteral("id")) : -1;
    if (idColumn < 0)
        return -1;
    const ColumnStore& ids = m_columns[size_t(idColumn)];
    for (int row = m_rowCount - 1; row >= 0; --row) {
        const int storedRow = m_order[size_t(row)];
        if (!ids.isNull(storedRow) && qint64(ids.number(storedRow)) == id)
            return row;
    }
    return -1;
}

int Dataset::refreshRecord(qint64 id) {
    const int row = shownRowOf(id);
    if (row >= 0)
        reloadRow(m_order[size_t(row)], id);
    return row;
}

bool Dataset::refreshStoredRecord(qint64 id) {
    const int idColumn = m_open ? columnIndex(QStringLiteral("id")) : -1;
    if (idColumn < 0)
        return false;
    const ColumnStore& ids = m_columns[size_t(idColumn)];
    for (int row = storedRowCount() - 1; row >= 0; --row)
        if (!ids.isNull(row) && qint64(ids.number(row)) == id) {
            reloadRow(row, id);
            return true;
        }
    return false;
}

void Dataset::remove() {
    requireRow();
    const QString idColumn = identityColumn();
    if (idColumn.isEmpty())
        throw StoreError(QStringLiteral("数据集 %1 没有记录标识，不能删除").arg(m_name));
    const qint64 id = fieldInteger(idColumn);
    database().exec(QStringLiteral("delete from %1 where %2=?").arg(baseTable(), quoted(idColumn)), {id});
    dropShownRow(m_current);
}

bool Dataset::dropRecord(qint64 id) {
    const int row = shownRowOf(id);
    if (row >= 0)
        dropShownRow(row);
    return row >= 0;
}

void Dataset::dropShownRow(int row) {
    // The stored row stays as a hole; only the shown order forgets it.
    m_order.erase(m_order.begin() + row);
    --m_rowCount;
    if (m_current > row || m_current >= m_rowCount)
        --m_current;
    m_eof = m_rowCount == 0;
}

void Dataset::sort(const QString& spec) {
    if (!m_open)
        return;
    const QString trimmed = spec.trimmed();
    const int currentStored = m_current >= 0 ? stored() : -1;
    if (trimmed.isEmpty()) {
        std::sort(m_order.begin(), m_order.end());  // stored order is read order
    } else {
        const bool descending = trimmed.endsWith(QStringLiteral(" DESC"), Qt::CaseInsensitive);
        const QString name = descending ? trimmed.left(trimmed.size() - 5).trimmed() : trimmed;
        m_columns[size_t(requireColumn(name))].sortRows(m_order, descending);
    }
    m_sortSpec = trimmed;
    // The current record stays the same record.
    if (currentStored >= 0)
        m_current = int(std::find(m_order.begin(), m_order.end(), currentStored) - m_order.begin());
}

void Dataset::showStoredRows(const QString& statement, const QVariantList& params, std::vector<int> rows) {
    if (!m_open)
        throw StoreError(QStringLiteral("数据集 %1 没有打开").arg(m_name));
    m_statement = statement;
    m_params = params;
    m_order = std::move(rows);
    m_rowCount = int(m_order.size());
    m_sortSpec.clear();
    m_state = State::Browse;
    m_pending.clear();
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
}

void Dataset::reread() {
    if (!m_open)
        return;
    const QString order = m_sortSpec;
    const int idColumn = columnIndex(QStringLiteral("id"));
    const bool hadCurrent = m_current >= 0 && idColumn >= 0 && !isNull(m_current, idColumn);
    const qint64 id = hadCurrent ? qint64(number(m_current, idColumn)) : 0;
    open();
    if (!order.isEmpty())
        sort(order);
    const int row = hadCurrent ? shownRowOf(id) : -1;
    if (row >= 0)
        setCurrentRow(row);
}
