#pragma once
// The embedded engine: the ledger as one SQLite file, data.mdb.
#include "store/ledger_engine.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteEngine final : public LedgerEngine {
public:
    enum class Access { ReadWrite, ReadOnly };
    // Opens an existing file; a read-write ledger is checked to be ours and brought up to date.
    SqliteEngine(const QString& path, Access access);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    int exec(const QString& sql, const QVariantList& params) override;
    QVariant scalar(const QString& sql, const QVariantList& params) override;
    std::vector<ColumnStore> read(const QString& sql, const QVariantList& params) override;
    qint64 lastInsertId() override;
    void begin() override;
    void commit() override;
    void rollback() override;
    TextOrder orderOf(const QString& table, const QString& column) override;
    QString inTableOrder(const QString& statement, const QString&) const override { return statement; }
    QString rowByIdentity(const QString& table, const QString& column) const override;
    void interrupt() override;
    QVariant changesElsewhere() override;
    QString location() const override { return m_path; }
    bool isServer() const override { return false; }
    // For tracing statements in the bench.
    sqlite3* handle() const { return m_db; }

    // Creates a new delivered ledger at path, readable by its owner only; refuses an existing file.
    static void create(const QString& path);
    // A consistent copy of the file `from` at `to` (created or replaced), even while another
    // connection writes.
    static void copy(const QString& from, const QString& to);
    // Opens the file read-write and reads it, so the engine rolls back the journal a crash left
    // beside it; false when the file does not read as a database.
    static bool settle(const QString& path);
    // Throws StoreError saying why the file is not a sound ledger of ours.
    static void verify(const QString& path);

private:
    explicit SqliteEngine(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {}
    void upgradeSchema();
    sqlite3_stmt* prepare(const QString& sql, const QVariantList& params);
    [[noreturn]] void fail(const QString& file = {}) const;

    sqlite3* m_db = nullptr;
    QString m_path;
};
