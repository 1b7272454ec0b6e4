#include "store/database.h"

#include "store/ledger_events.h"
#include "store/server_engine.h"
#include "store/sqlite_engine.h"
#include "store/store_error.h"

const QString Database::kAdministrator = QStringLiteral("超级管理员");
const QString Database::kInitialPassword = QStringLiteral("888");
const QString Database::kFileName = QStringLiteral("data.mdb");

Database::Database() = default;

Database::~Database() = default;

LedgerEvents& Database::events() {
    if (!m_events)
        m_events = std::make_unique<LedgerEvents>();
    return *m_events;
}

void Database::open(const QString& path) {
    close();
    m_file = path;
    m_engine = std::make_unique<SqliteEngine>(path, SqliteEngine::Access::ReadWrite);
}

void Database::openServer(const QString& uri, const QString& password, OtherTills otherTills) {
    close();
    m_file.clear();
    auto engine = std::make_unique<ServerEngine>(uri, password);
    // Other tills' changes reach the views like this connection's own.
    if (otherTills == OtherTills::Heard)
        engine->listen([this] { emit events().changedElsewhere(); });
    m_engine = std::move(engine);
}

void Database::openReadOnly(const QString& path) {
    close();
    m_file = path;
    m_engine = std::make_unique<SqliteEngine>(path, SqliteEngine::Access::ReadOnly);
}

void Database::create(const QString& path) { SqliteEngine::create(path); }
void Database::copy(const QString& from, const QString& to) { SqliteEngine::copy(from, to); }
bool Database::settle(const QString& path) { return SqliteEngine::settle(path); }
void Database::verify(const QString& path) { SqliteEngine::verify(path); }

void Database::close() { m_engine.reset(); }

LedgerEngine& Database::engine() const {
    if (!m_engine)
        throw StoreError(QStringLiteral("数据库没有打开"));
    return *m_engine;
}

QString Database::location() const { return m_engine ? m_engine->location() : QString(); }
bool Database::isServer() const { return m_engine && m_engine->isServer(); }

int Database::exec(const QString& sql, const QVariantList& params) { return engine().exec(sql, params); }
QVariant Database::scalar(const QString& sql, const QVariantList& params) { return engine().scalar(sql, params); }
std::vector<ColumnStore> Database::read(const QString& sql, const QVariantList& params) {
    return engine().read(sql, params);
}
qint64 Database::lastInsertId() { return engine().lastInsertId(); }

void Database::begin() { engine().begin(); }
void Database::commit() { engine().commit(); }
void Database::rollback() {
    if (m_engine)
        m_engine->rollback();
}

Transaction::~Transaction() {
    if (!m_done)
        m_db.rollback();
}

void Transaction::commit() {
    m_db.commit();
    m_done = true;
}
