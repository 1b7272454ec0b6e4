#include "store/server_engine.h"

#include "store/ledger_schema.h"
#include "store/server_client.h"
#include "store/server_dialect.h"

#include <QUrl>
#include <QUrlQuery>
#include <charconv>

namespace {

// Writers of every till take turns on this lock, held to the end of their transaction, as the
// file engine's writers take turns on its file: what a sale read of its batch still holds when it
// writes. Reading never waits for it.
constexpr qint64 kWriteTurn = 0x546f7672616b656cLL;  // "Tovrakel"
constexpr int kOldestServer = 130000;

// Type identities of the server's built-in types (pg_type.h).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

bool isNumberType(Oid type) {
    return type == kInt8 || type == kInt2 || type == kInt4 || type == kFloat4 || type == kFloat8 || type == kNumeric;
}
bool isWholeType(Oid type) { return type == kInt8 || type == kInt2 || type == kInt4; }

double parseNumber(const char* text, int size) {
    double value = 0;
    std::from_chars(text, text + size, value);
    return value;
}

QString serverWords(const char* message) { return QString::fromUtf8(message).trimmed(); }

QString detail(const QString& words) { return QStringLiteral("\n（") + words + QStringLiteral("）"); }

// The ledger's own tables; a database holding other tables is not one of ours to fill.
const char* const kLedgerTables = "('data','data1','userdb','rz')";

}  // namespace

QString ServerEngine::describe(const QString& uri) {
    const QUrl url(uri);
    if (!url.isValid() || url.scheme().isEmpty())
        return uri;
    QString host = url.host();
    const QUrlQuery query(url);
    if (host.isEmpty())
        host = query.queryItemValue(QStringLiteral("host"));
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    const int port = url.port();
    const QString path = url.path().mid(1);
    return QStringLiteral("%1%2/%3").arg(host, port > 0 ? QStringLiteral(":%1").arg(port) : QString(), path);
}

ServerEngine::ServerEngine(const QString& uri, const QString& password)
    : m_pq(serverClient()), m_uri(uri), m_password(password), m_location(describe(uri)) {
    connect();
    try {
        if (m_pq.PQserverVersion(m_conn) < kOldestServer)
            throw StoreError(QStringLiteral("数据库服务器 %1 的版本是 PostgreSQL %2，本程序需要 PostgreSQL 13 或更新的版本。")
                                 .arg(m_location, QString::fromUtf8(m_pq.PQparameterStatus(m_conn, "server_version"))));
        prepareSchema();
    } catch (...) {
        m_pq.PQfreeCancel(m_cancel);
        m_pq.PQfinish(m_conn);
        m_conn = nullptr;
        throw;
    }
}

ServerEngine::~ServerEngine() {
    m_pq.PQfreeCancel(m_cancel);
    m_pq.PQfinish(m_conn);
}

void ServerEngine::connect() {
    const QByteArray uri = m_uri.toUtf8();
    const QByteArray password = m_password.toUtf8();
    const char* keys[] = {"dbname", "password", "client_encoding", "application_name", nullptr};
    const char* values[] = {uri.constData(), m_password.isEmpty() ? nullptr : password.constData(), "UTF8",
                            "tovrakel", nullptr};
    // expand_dbname: the URI gives everything else.
    PGconn* conn = m_pq.PQconnectdbParams(keys, values, 1);
    if (m_pq.PQstatus(conn) == CONNECTION_OK) {
        m_noticeReader.reset();
        {
            const std::lock_guard<std::mutex> lock(m_cancelLock);
            m_pq.PQfreeCancel(m_cancel);
            m_cancel = m_pq.PQgetCancel(conn);
        }
        m_pq.PQfinish(m_conn);
        m_conn = conn;
        // The server's chatter ("already exists, skipping") is nothing for the user.
        m_pq.PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
        // Numbers travel in their shortest exact form.
        m_pq.PQclear(m_pq.PQexec(m_conn, "SET extra_float_digits = 1"));
        // As on the file, a till waits a few seconds for another's write turn and then gives up
        // with a message, rather than freezing behind a long import or restore.
        m_pq.PQclear(m_pq.PQexec(m_conn, "SET lock_timeout = '5s'"));
        if (m_notice)
            startListening();
        return;
    }
    const QString words = serverWords(m_pq.PQerrorMessage(conn));
    // The server asked for a password that neither the caller nor libpq's own places had.
    const bool wantsPassword = m_pq.PQconnectionNeedsPassword(conn);
    m_pq.PQfinish(conn);
    if (wantsPassword)
        throw ServerPasswordNeeded(QStringLiteral("数据库服务器 %1 要求输入密码。").arg(m_location));
    QString message;
    if (words.contains(QLatin1String("password authentication failed")))
        message = QStringLiteral("数据库服务器 %1 拒绝了这个用户名或密码。").arg(m_location);
    else if (words.contains(QLatin1String("database")) && words.contains(QLatin1String("does not exist")))
        message = QStringLiteral("数据库服务器上没有这个数据库：%1。").arg(m_location);
    else if (words.contains(QLatin1String("role")) && words.contains(QLatin1String("does not exist")))
        message = QStringLiteral("数据库服务器 %1 上没有这个用户。").arg(m_location);
    else if (words.contains(QLatin1String("permission denied")))
        message = QStringLiteral("这个用户没有连接数据库 %1 的权限。").arg(m_location);
    else
        message = QStringLiteral("无法连接数据库服务器 %1。请检查服务器是否开着、网络是否通畅。").arg(m_location);
    throw StoreError(message + detail(words));
}

void ServerEngine::reconnectIfLost() {
    if (m_conn && m_pq.PQstatus(m_conn) == CONNECTION_OK)
        return;
    m_inTransaction = false;
    connect();
}

void ServerEngine::prepareSchema() {
    begin();
    try {
        exec(QStringLiteral("CREATE TABLE IF NOT EXISTS ledger_schema (version integer NOT NULL)"), {});
        const QVariant stored = scalar(QStringLiteral("select max(version) from ledger_schema"), {});
        int version = stored.isValid() ? stored.toInt() : 0;
        if (version == 0) {
            const int others = scalar(QStringLiteral("select count(*) from information_schema.tables where "
                                                     "table_schema=current_schema() and table_name in ") +
                                          QLatin1String(kLedgerTables),
                                      {})
                                   .toInt();
            if (others > 0)
                throw StoreError(QStringLiteral("数据库 %1 里已经有同名的数据表，但不是本程序建立的账本。").arg(m_location));
        }
        const int found = version;
        for (const SchemaStep& step : schemaSteps()) {
            if (step.version <= version)
                continue;
            PGresult* result = m_pq.PQexec(m_conn, step.server);
            if (m_pq.PQresultStatus(result) != PGRES_COMMAND_OK)
                fail(result);
            m_pq.PQclear(result);
            version = step.version;
        }
        if (version != found) {
            exec(QStringLiteral("delete from ledger_schema"), {});
            exec(QStringLiteral("insert into ledger_schema values (?)"), {version});
        }
        if (found == 0)
            addDeliveredAdministrator(*this);
        commit();
    } catch (...) {
        rollback();
        throw;
    }
    const std::vector<ColumnStore> tables = read(
        QStringLiteral("select oid, relname from pg_class where relkind='r' and relname in ") +
            QLatin1String(kLedgerTables) +
            QStringLiteral(" and relnamespace=(select oid from pg_namespace where nspname=current_schema())"),
        {});
    for (int row = 0; row < tables[0].rowCount(); ++row)
        m_tableNames.insert(unsigned(tables[0].number(row)), tables[1].text(row));
}

void ServerEngine::fail(PGresult* result) {
    const char* state = result ? m_pq.PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString code = QString::fromLatin1(state ? state : "");
    // The server's own words without the statement it quotes: that is nothing for a user.
    const char* primary = result ? m_pq.PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString words = serverWords(primary ? primary : m_pq.PQerrorMessage(m_conn));
    m_pq.PQclear(result);
    if (m_pq.PQstatus(m_conn) != CONNECTION_OK) {
        // The server rolled back whatever the transaction had written.
        m_inTransaction = false;
        throw StoreError(QStringLiteral("与数据库服务器 %1 的连接断开了，这次操作没有完成，也没有写入任何数据。"
                                        "下一次操作时会重新连接。")
                             .arg(m_location) +
                         detail(words));
    }
    QString message;
    if (code == QLatin1String("42501"))
        message = QStringLiteral("这个用户没有操作数据库 %1 的权限。").arg(m_location);
    else if (code.startsWith(QLatin1String("23")))
        message = QStringLiteral("这些数据不符合数据库的规则，没有写入。");
    else if (code == QLatin1String("53100"))
        message = QStringLiteral("数据库服务器的磁盘已满，数据没有写入。");
    else if (code.startsWith(QLatin1String("40")) || code == QLatin1String("55P03"))
        message = QStringLiteral("数据库正被另一台电脑使用，请稍后再试。");
    else if (code == QLatin1String("25006"))
        message = QStringLiteral("数据库服务器只允许读取，没有写入。");
    else if (code == QLatin1String("22P02"))
        message = QStringLiteral("数据的格式不对，没有写入。");
    else
        message = QStringLiteral("数据库操作失败。");
    throw StoreError(message + detail(words));
}

bool ServerEngine::run(const QString& sql, const QVariantList& params) {
    if (!m_inTransaction)
        reconnectIfLost();
    const ServerStatement statement = serverStatement(sql);
    if (statement.parameterCount != params.size())
        throw StoreError(QStringLiteral("语句需要 %1 个参数，实际给出 %2 个：%3")
                             .arg(statement.parameterCount).arg(params.size()).arg(sql));
    std::vector<QByteArray> texts(size_t(params.size()));
    std::vector<const char*> values(size_t(params.size()), nullptr);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        if (v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Bool: texts[size_t(i)] = v.toBool() ? "1" : "0"; break;
        case QMetaType::Double:
        case QMetaType::Float:
            texts[size_t(i)] = QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
            break;
        default: texts[size_t(i)] = boundText(v).toUtf8();
        }
        values[size_t(i)] = texts[size_t(i)].constData();
    }
    const QByteArray text = statement.text.toUtf8();
    if (!m_pq.PQsendQueryParams(m_conn, text.constData(), params.size(), nullptr, values.data(), nullptr, nullptr, 0))
        fail(nullptr);
    return statement.returnsIdentity;
}

int ServerEngine::exec(const QString& sql, const QVariantList& params) {
    const bool returnsIdentity = run(sql, params);
    int changed = 0;
    bool wrote = false;
    PGresult* failed = nullptr;
    while (PGresult* result = m_pq.PQgetResult(m_conn)) {
        const ExecStatusType status = m_pq.PQresultStatus(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            changed = QByteArray(m_pq.PQcmdTuples(result)).toInt();
            const QByteArray command = QByteArray(m_pq.PQcmdStatus(result)).left(6);
            wrote = wrote || (changed > 0 && (command == "INSERT" || command == "UPDATE" || command == "DELETE"));
            if (returnsIdentity && m_pq.PQntuples(result) > 0)
                m_lastInsertId = QByteArray(m_pq.PQgetvalue(result, m_pq.PQntuples(result) - 1, 0)).toLongLong();
            m_pq.PQclear(result);
        } else if (!failed) {
            failed = result;
        } else {
            m_pq.PQclear(result);
        }
    }
    if (failed || m_pq.PQstatus(m_conn) != CONNECTION_OK)
        fail(failed);
    if (wrote && m_inTransaction)
        m_transactionWrote = true;
    else if (wrote && m_notice)
        announceChange();
    deferNotices();
    return changed;
}

QVariant ServerEngine::scalar(const QString& sql, const QVariantList& params) {
    const std::vector<ColumnStore> columns = read(sql, params);
    if (columns.empty() || columns.front().rowCount() == 0)
        return {};
    return columns.front().value(0);
}

std::vector<ColumnStore> ServerEngine::read(const QString& sql, const QVariantList& params) {
    run(sql, params);
    // Row by row, so a year of sales never sits twice in memory.
    m_pq.PQsetSingleRowMode(m_conn);
    std::vector<ColumnStore> columns;
    enum class Cell { Text, Number, Truth };
    std::vector<Cell> cells;  // how each column's values are written
    bool described = false;
    PGresult* failed = nullptr;
    while (PGresult* result = m_pq.PQgetResult(m_conn)) {
        const ExecStatusType status = m_pq.PQresultStatus(result);
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
            if (!failed)
                failed = result;
            else
                m_pq.PQclear(result);
            continue;
        }
        if (!described) {
            const int count = m_pq.PQnfields(result);
            for (int c = 0; c < count; ++c) {
                columns.emplace_back(
                    fileEngineColumnName(m_tableNames.value(m_pq.PQftable(result, c)), QString::fromUtf8(m_pq.PQfname(result, c))));
                const Oid type = m_pq.PQftype(result, c);
                cells.push_back(type == kBool ? Cell::Truth : isNumberType(type) ? Cell::Number : Cell::Text);
                // A table's whole-number column is an identity, read back as a whole number.
                if (isWholeType(type) && m_pq.PQftable(result, c) != 0)
                    columns.back().setInteger(true);
            }
            described = true;
        }
        for (int row = 0; row < m_pq.PQntuples(result); ++row) {
            for (size_t c = 0; c < columns.size(); ++c) {
                ColumnStore& col = columns[c];
                if (m_pq.PQgetisnull(result, row, int(c))) {
                    col.appendNull();
                    continue;
                }
                const char* value = m_pq.PQgetvalue(result, row, int(c));
                const int size = m_pq.PQgetlength(result, row, int(c));
                switch (cells[c]) {
                case Cell::Text: col.appendUtf8(value, size); break;
                case Cell::Truth: col.appendNumber(value[0] == 't' ? 1 : 0); break;
                case Cell::Number: col.appendNumber(parseNumber(value, size)); break;
                }
            }
        }
        m_pq.PQclear(result);
    }
    if (failed || m_pq.PQstatus(m_conn) != CONNECTION_OK)
        fail(failed);
    for (ColumnStore& col : columns)
        col.finishReading();
    deferNotices();
    return columns;
}

qint64 ServerEngine::lastInsertId() { return m_lastInsertId; }

void ServerEngine::begin() {
    reconnectIfLost();
    exec(QStringLiteral("BEGIN"), {});
    m_inTransaction = true;
    try {
        exec(QStringLiteral("select pg_advisory_xact_lock(?)"), {kWriteTurn});
    } catch (...) {
        // No transaction object owns it yet: left open, it would refuse every later statement.
        rollback();
        throw;
    }
}

void ServerEngine::commit() {
    exec(QStringLiteral("COMMIT"), {});
    m_inTransaction = false;
    if (m_transactionWrote && m_notice)
        announceChange();
    m_transactionWrote = false;
}

void ServerEngine::rollback() {
    m_transactionWrote = false;
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (m_pq.PQstatus(m_conn) == CONNECTION_OK)
        m_pq.PQclear(m_pq.PQexec(m_conn, "ROLLBACK"));
}

LedgerEngine::TextOrder ServerEngine::orderOf(const QString& table, const QString& column) {
    const QString key = table.toLower();
    if (!m_orders.contains(key)) {
        QHash<QString, TextOrder>& orders = m_orders[key];
        const std::vector<ColumnStore> rows =
            read(QStringLiteral("select column_name, udt_name from information_schema.columns "
                                "where table_schema=current_schema() and table_name=?"),
                 {key});
        for (int row = 0; row < (rows.empty() ? 0 : rows[0].rowCount()); ++row)
            orders.insert(rows[0].text(row).toLower(), rows[1].text(row) == QLatin1String("citext")
                                                           ? TextOrder::BytesIgnoringCase
                                                           : TextOrder::Bytes);
    }
    return m_orders.value(key).value(column.toLower(), TextOrder::Unknown);
}

QString ServerEngine::inTableOrder(const QString& statement, const QString& table) const {
    // The server's scan order changes as rows are rewritten; the identities give the order the
    // rows were written in, which is what the file engine's scan gives. An identity is never
    // empty, and placed as the key's index holds it the server reads that index instead of
    // sorting every row (on disk, for a million sales).
    return table.compare(QLatin1String("userdb"), Qt::CaseInsensitive) == 0
               ? statement
               : statement + QStringLiteral(" order by id nulls last");
}

QString ServerEngine::rowByIdentity(const QString& table, const QString& column) const {
    // The user table has no identity column: its rows are known by their unique name.
    return QStringLiteral("select * from %1 where \"%2\"=?")
        .arg(table, column.isEmpty() ? QStringLiteral("username") : column.toLower());
}

int ServerEngine::socket() const { return m_conn ? m_pq.PQsocket(m_conn) : -1; }

namespace {
const char* const kChannel = "tovrakel_ledger";
}  // namespace

void ServerEngine::listen(std::function<void()> notice) {
    m_notice = std::move(notice);
    startListening();
}

void ServerEngine::startListening() {
    m_pq.PQclear(m_pq.PQexec(m_conn, QByteArray("LISTEN ").append(kChannel).constData()));
    m_noticeReader = std::make_unique<QSocketNotifier>(m_pq.PQsocket(m_conn), QSocketNotifier::Read);
    QObject::connect(m_noticeReader.get(), &QSocketNotifier::activated, m_noticeReader.get(), [this] {
        if (!m_inTransaction)
            takeNotices();
    });
}

// Notices that arrived while a statement ran were read with its results and wake no socket
// notifier: they are handed on once the statement's caller is done.
void ServerEngine::deferNotices() {
    if (!m_noticeReader || m_inTransaction)
        return;
    PGnotify* pending = m_pq.PQnotifies(m_conn);
    if (!pending)
        return;
    const bool changed = pending->be_pid != m_pq.PQbackendPID(m_conn);
    m_pq.PQfreemem(pending);
    if (changed) {
        ++m_changesElsewhere;
        QMetaObject::invokeMethod(m_noticeReader.get(), [this] { m_notice(); }, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(m_noticeReader.get(), [this] { takeNotices(); }, Qt::QueuedConnection);
}

void ServerEngine::takeNotices() {
    if (!m_conn || !m_notice)
        return;
    m_pq.PQconsumeInput(m_conn);
    bool changed = false;
    while (PGnotify* notice = m_pq.PQnotifies(m_conn)) {
        changed = changed || notice->be_pid != m_pq.PQbackendPID(m_conn);
        m_pq.PQfreemem(notice);
    }
    if (changed) {
        ++m_changesElsewhere;
        m_notice();
    }
}

QVariant ServerEngine::changesElsewhere() {
    // One round trip brings what the server has signalled by now; notices already on the socket
    // count, though the event loop has not handed them on yet.
    if (!m_inTransaction && m_conn) {
        m_pq.PQclear(m_pq.PQexec(m_conn, ""));
        takeNotices();
    }
    return m_changesElsewhere;
}

void ServerEngine::interrupt() {
    const std::lock_guard<std::mutex> lock(m_cancelLock);
    char error[256];
    if (m_cancel)
        m_pq.PQcancel(m_cancel, error, int(sizeof error));
}

void ServerEngine::announceChange() {
    // Sent on its own, after the change committed; the others hear it once.
    exec(QStringLiteral("select pg_notify(?, '')"), {QString::fromLatin1(kChannel)});
}
