#pragma once
// The server engine: the ledger in a PostgreSQL database that several tills share, reached
// through libpq with a connection URI.
#include "store/ledger_engine.h"
#include "store/store_error.h"

#include <QHash>
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <mutex>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;
typedef struct pg_cancel PGcancel;
struct ServerClient;

// The server asked for a password and none was given (none in ~/.pgpass or PGPASSWORD).
class ServerPasswordNeeded : public StoreError {
public:
    using StoreError::StoreError;
};

class ServerEngine final : public LedgerEngine {
public:
    // Connects, refuses a server older than PostgreSQL 13, and creates the ledger's tables in an
    // empty database or brings ours up to date. A password, when given, is used for this run only.
    explicit ServerEngine(const QString& uri, const QString& password = {});
    ~ServerEngine() override;
    ServerEngine(const ServerEngine&) = delete;
    ServerEngine& operator=(const ServerEngine&) = delete;

    int exec(const QString& sql, const QVariantList& params) override;
    QVariant scalar(const QString& sql, const QVariantList& params) override;
    std::vector<ColumnStore> read(const QString& sql, const QVariantList& params) override;
    qint64 lastInsertId() override;
    void begin() override;
    void commit() override;
    void rollback() override;
    TextOrder orderOf(const QString& table, const QString& column) override;
    QString inTableOrder(const QString& statement, const QString& table) const override;
    QString rowByIdentity(const QString& table, const QString& column) const override;
    void interrupt() override;
    QVariant changesElsewhere() override;
    QString location() const override { return m_location; }
    bool isServer() const override { return true; }

    // The connection's socket, to wait for other tills' notices on; -1 without a connection.
    int socket() const;
    PGconn* connection() const { return m_conn; }

    // Calls `notice` with each change another connection announces (after its commit), from the
    // event loop; the connection listens from now on, also after it reconnects.
    void listen(std::function<void()> notice);
    // Tells the other connections that this one changed the ledger.
    void announceChange();

    // "server/database" of a URI, without user or password, for messages.
    static QString describe(const QString& uri);

private:
    void connect();
    void startListening();
    void takeNotices();
    void deferNotices();
    void reconnectIfLost();
    void prepareSchema();
    // Sends a statement; its results are then taken with PQgetResult.
    // Sends a statement; its results are then taken with PQgetResult. True when the statement
    // gives back the identities it inserted.
    bool run(const QString& sql, const QVariantList& params);
    [[noreturn]] void fail(PGresult* result);

    const ServerClient& m_pq;  // libpq, loaded with the first server ledger
    QString m_uri;
    QString m_password;
    QString m_location;
    PGconn* m_conn = nullptr;
    bool m_inTransaction = false;
    qint64 m_lastInsertId = 0;
    bool m_transactionWrote = false;
    QHash<QString, QHash<QString, TextOrder>> m_orders;
    QHash<unsigned, QString> m_tableNames;
    std::function<void()> m_notice;
    std::unique_ptr<QSocketNotifier> m_noticeReader;
    qint64 m_changesElsewhere = 0;  // notices of other connections taken
    // What interrupt() cancels with, replaced with the connection; another thread may use it.
    std::mutex m_cancelLock;
    PGcancel* m_cancel = nullptr;
};
