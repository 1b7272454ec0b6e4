#include "store/dataset.h"

#include "store/database.h"
#include "store/store_error.h"
#include "text/number_text.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <sqlite3.h>

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

QByteArray gbkKey(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

}  // namespace

double textToNumber(const QString& text) {
    bool ok = false;
    const QString trimmed = text.trimmed();
    const double value = trimmed.toDouble(&ok);
    if (!ok || trimmed.isEmpty())
        throw ConversionError(QStringLiteral("“%1”不是有效的数值").arg(text));
    return value;
}

qint64 roundHalfEven(double value) { return qint64(std::nearbyint(value)); }

// ---- DatasetColumn ----

bool DatasetColumn::isNull(int row) const {
    switch (m_kind) {
    case Kind::Empty: return true;
    case Kind::Number: return std::isnan(m_numbers[size_t(row)]);
    case Kind::Text: return m_texts[size_t(row)] == 0;
    }
    return true;
}

double DatasetColumn::number(int row) const {
    switch (m_kind) {
    case Kind::Empty: return 0;
    case Kind::Number: {
        const double v = m_numbers[size_t(row)];
        return std::isnan(v) ? 0 : v;
    }
    case Kind::Text: {
        const uint32_t i = m_texts[size_t(row)];
        return i == 0 ? 0 : textToNumber(m_pool[i - 1]);
    }
    }
    return 0;
}

QString DatasetColumn::text(int row) const {
    switch (m_kind) {
    case Kind::Empty: return QString();
    case Kind::Number: {
        const double v = m_numbers[size_t(row)];
        return std::isnan(v) ? QString() : generalNumberText(v);
    }
    case Kind::Text: {
        const uint32_t i = m_texts[size_t(row)];
        return i == 0 ? QString() : m_pool[i - 1];
    }
    }
    return QString();
}

QVariant DatasetColumn::value(int row) const {
    if (isNull(row))
        return QVariant();
    if (m_kind == Kind::Number) {
        const double v = m_numbers[size_t(row)];
        return m_integer ? QVariant(qint64(v)) : QVariant(v);
    }
    return m_pool[m_texts[size_t(row)] - 1];
}

int DatasetColumn::compare(int a, int b) const {
    const bool na = isNull(a), nb = isNull(b);
    if (na || nb)
        return int(nb) - int(na) == 0 ? 0 : (na ? -1 : 1);
    if (m_kind == Kind::Number) {
        const double x = m_numbers[size_t(a)], y = m_numbers[size_t(b)];
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (m_ranks.size() != m_pool.size())
        rankTexts();
    const uint32_t x = m_ranks[m_texts[size_t(a)] - 1], y = m_ranks[m_texts[size_t(b)] - 1];
    return x < y ? -1 : (x > y ? 1 : 0);
}

// GBK order puts the common Chinese characters in pinyin order, as a shop owner expects; each
// distinct text is encoded once.
void DatasetColumn::rankTexts() const {
    std::vector<QByteArray> keys;
    keys.reserve(m_pool.size());
    for (const QString& text : m_pool)
        keys.push_back(gbkKey(text));
    std::vector<uint32_t> order(m_pool.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    m_ranks.assign(m_pool.size(), 0);
    uint32_t rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i]] != keys[order[i - 1]])
            ++rank;
        m_ranks[order[i]] = rank;
    }
}

void DatasetColumn::resize(int rows) {
    m_rows = rows;
    if (m_kind == Kind::Number)
        m_numbers.resize(size_t(rows), kEmpty);
    else if (m_kind == Kind::Text)
        m_texts.resize(size_t(rows), 0);
}

void DatasetColumn::setNull(int row) {
    if (m_kind == Kind::Number)
        m_numbers[size_t(row)] = kEmpty;
    else if (m_kind == Kind::Text)
        m_texts[size_t(row)] = 0;
}

void DatasetColumn::setNumber(int row, double value) {
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Number;
        m_numbers.assign(size_t(m_rows), kEmpty);
    }
    if (m_kind == Kind::Text) {
        m_texts[size_t(row)] = intern(generalNumberText(value));
        return;
    }
    m_numbers[size_t(row)] = value;
}

void DatasetColumn::setText(int row, const QString& value) {
    if (m_kind == Kind::Number)
        toText();
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Text;
        m_texts.assign(size_t(m_rows), 0);
    }
    m_texts[size_t(row)] = intern(value);
}

void DatasetColumn::setValue(int row, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        setNull(row);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        setNumber(row, value.toDouble());
        break;
    case QMetaType::QDate:
        setText(row, value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
        break;
    default:
        setText(row, value.toString());
    }
}

void DatasetColumn::toText() {
    std::vector<uint32_t> texts(size_t(m_rows), 0);
    for (int r = 0; r < m_rows; ++r)
        if (!std::isnan(m_numbers[size_t(r)]))
            texts[size_t(r)] = intern(generalNumberText(m_numbers[size_t(r)]));
    m_numbers.clear();
    m_numbers.shrink_to_fit();
    m_texts = std::move(texts);
    m_kind = Kind::Text;
}

uint32_t DatasetColumn::intern(const QString& value) {
    auto it = m_index.constFind(value);
    if (it != m_index.constEnd())
        return it.value();
    m_pool.push_back(value);
    const auto index = uint32_t(m_pool.size());
    m_index.insert(value, index);
    return index;
}

void DatasetColumn::removeRow(int row) {
    if (m_kind == Kind::Number)
        m_numbers.erase(m_numbers.begin() + row);
    else if (m_kind == Kind::Text)
        m_texts.erase(m_texts.begin() + row);
    --m_rows;
}

void DatasetColumn::permute(const std::vector<int>& order) {
    if (m_kind == Kind::Number) {
        std::vector<double> out(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            out[i] = m_numbers[size_t(order[i])];
        m_numbers = std::move(out);
    } else if (m_kind == Kind::Text) {
        std::vector<uint32_t> out(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            out[i] = m_texts[size_t(order[i])];
        m_texts = std::move(out);
    }
}

// ---- Dataset ----

Dataset::Dataset(QString name, QString statement, Database* db)
    : m_name(std::move(name)), m_statement(std::move(statement)), m_db(db) {}

Dataset Dataset::table(const QString& name, const QString& table, Database* db) {
    Dataset ds(name, QStringLiteral("select * from ") + table, db);
    ds.m_table = table;
    return ds;
}

Database& Dataset::database() const { return m_db ? *m_db : Database::instance(); }

void Dataset::open() {
    close();
    Database& db = database();
    sqlite3_stmt* stmt = db.prepare(m_statement, m_params);
    const int count = sqlite3_column_count(stmt);
    std::vector<DatasetColumn> columns;
    columns.reserve(size_t(count));
    for (int c = 0; c < count; ++c) {
        columns.emplace_back(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        const char* declared = sqlite3_column_decltype(stmt, c);
        if (declared && qstricmp(declared, "INTEGER") == 0)
            columns.back().setInteger(true);
    }
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < count; ++c) {
            DatasetColumn& col = columns[size_t(c)];
            col.resize(rows + 1);
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL: break;
            case SQLITE_INTEGER:
                col.setNumber(rows, double(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_FLOAT: col.setNumber(rows, sqlite3_column_double(stmt, c)); break;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                col.setText(rows, QString::fromUtf8(text, sqlite3_column_bytes(stmt, c)));
            }
            }
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        db.fail(m_statement);
    m_columns = std::move(columns);
    m_rowCount = rows;
    m_readOrder.resize(size_t(rows));
    std::iota(m_readOrder.begin(), m_readOrder.end(), 0);
    m_sortSpec.clear();
    m_open = true;
    m_current = rows > 0 ? 0 : -1;
    m_eof = rows == 0;
}

void Dataset::close() {
    m_open = false;
    m_columns.clear();
    m_readOrder.clear();
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
    return m_columns[size_t(requireColumn(name))].text(m_current);
}

double Dataset::fieldNumber(const QString& name) const {
    requireRow();
    return m_columns[size_t(requireColumn(name))].number(m_current);
}

qint64 Dataset::fieldInteger(const QString& name) const { return roundHalfEven(fieldNumber(name)); }

QVariant Dataset::fieldValue(const QString& name) const {
    requireRow();
    return m_columns[size_t(requireColumn(name))].value(m_current);
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
        for (auto& c : m_columns)
            c.resize(row + 1);
        m_readOrder.push_back(m_readOrder.empty() ? 0 : *std::max_element(m_readOrder.begin(), m_readOrder.end()) + 1);
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
    reloadRow(m_current, id);
}

// Reads a stored row back so the result shows exactly what the engine holds.
void Dataset::reloadRow(int row, qint64 id) {
    Database& db = database();
    const QString idColumn = identityColumn();
    const QString table = baseTable();
    const QString sql = idColumn.isEmpty()
        ? QStringLiteral("select * from %1 where rowid=?").arg(table)
        : QStringLiteral("select * from %1 where %2=?").arg(table, quoted(idColumn));
    sqlite3_stmt* stmt = db.prepare(sql, {id});
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const int index = columnIndex(QString::fromUtf8(sqlite3_column_name(stmt, c)));
            if (index < 0)
                continue;
            DatasetColumn& col = m_columns[size_t(index)];
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL: col.setNull(row); break;
            case SQLITE_INTEGER: col.setNumber(row, double(sqlite3_column_int64(stmt, c))); break;
            case SQLITE_FLOAT: col.setNumber(row, sqlite3_column_double(stmt, c)); break;
            default:
                col.setText(row, QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                                   sqlite3_column_bytes(stmt, c)));
            }
        }
    }
    sqlite3_finalize(stmt);
}

void Dataset::remove() {
    requireRow();
    const QString idColumn = identityColumn();
    if (idColumn.isEmpty())
        throw StoreError(QStringLiteral("数据集 %1 没有记录标识，不能删除").arg(m_name));
    const qint64 id = fieldInteger(idColumn);
    database().exec(QStringLiteral("delete from %1 where %2=?").arg(baseTable(), quoted(idColumn)), {id});
    for (auto& c : m_columns)
        c.removeRow(m_current);
    m_readOrder.erase(m_readOrder.begin() + m_current);
    --m_rowCount;
    if (m_current >= m_rowCount)
        m_current = m_rowCount - 1;
    m_eof = m_rowCount == 0;
}

void Dataset::sort(const QString& spec) {
    if (!m_open)
        return;
    const QString trimmed = spec.trimmed();
    std::vector<int> order(static_cast<size_t>(m_rowCount));
    std::iota(order.begin(), order.end(), 0);
    if (trimmed.isEmpty()) {
        std::sort(order.begin(), order.end(), [&](int a, int b) { return m_readOrder[size_t(a)] < m_readOrder[size_t(b)]; });
    } else {
        const bool descending = trimmed.endsWith(QStringLiteral(" DESC"), Qt::CaseInsensitive);
        const QString name = descending ? trimmed.left(trimmed.size() - 5).trimmed() : trimmed;
        const DatasetColumn& col = m_columns[size_t(requireColumn(name))];
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = col.compare(a, b);
            return descending ? c > 0 : c < 0;
        });
    }
    const int currentRead = m_current >= 0 ? m_readOrder[size_t(m_current)] : -1;
    for (auto& c : m_columns)
        c.permute(order);
    std::vector<int> readOrder(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        readOrder[i] = m_readOrder[size_t(order[i])];
    m_readOrder = std::move(readOrder);
    m_sortSpec = trimmed;
    // The current record stays the same record.
    if (currentRead >= 0)
        m_current = int(std::find(m_readOrder.begin(), m_readOrder.end(), currentRead) - m_readOrder.begin());
}
