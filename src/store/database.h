#pragma once
// The connection to data.mdb: one SQLite file, opened once for the run (closed only by the backup).
#include <QString>
#include <QVariant>
#include <QVariantList>

class LedgerEvents;
struct sqlite3;
struct sqlite3_stmt;

class Database {
public:
    // The administrator account every new database is delivered with.
    static const QString kAdministrator;
    static const QString kInitialPassword;
    static const QString kFileName;  // "data.mdb"

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file; throws StoreError with the engine's message when it is missing or
    // is not a database of ours.
    void open(const QString& path);
    // Creates a new delivered database at path, readable by its owner only; refuses an existing file.
    static void create(const QString& path);
    // Opens an existing file for reading only, waiting for a busy file, without checking its tables.
    void openReadOnly(const QString& path);
    // Opens the file read-write and reads it, so the engine rolls back the journal a crash left
    // beside it; false when the file does not read as a database.
    static bool settle(const QString& path);
    // Copies the database file `from` to `to` with the engine's online backup, so the copy is
    // consistent even while another connection writes; `to` is created or replaced.
    static void copy(const QString& from, const QString& to);
    // Throws StoreError saying why the file at path is not a sound database of ours (does not open,
    // fails the integrity check, lacks one of the four tables or a column the program uses). A busy
    // file is waited for as the copy waits.
    static void verify(const QString& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }

    // Runs a statement without rows; returns the number of changed rows.
    int exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, or an invalid QVariant without rows.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    qint64 lastInsertId() const;

    void begin();
    void commit();
    void rollback();

    sqlite3* handle() const { return m_db; }
    // Prepares a statement with its parameters bound; the caller finalizes it.
    sqlite3_stmt* prepare(const QString& sql, const QVariantList& params);
    // Throws what the engine reported, in the program's words with the engine's message as the
    // detail; `file` names the database file when the failure is about it.
    [[noreturn]] void fail(const QString& file = {}) const;

    // The notifier of changes made through this connection.
    LedgerEvents& events();

private:
    void applySchema();
    sqlite3* m_db = nullptr;
    QString m_path;
    LedgerEvents* m_events = nullptr;
};

// Runs a block of writes as one transaction: committed by commit(), rolled back otherwise.
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction();
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

// Rewrites "#yyyy-mm-dd#" date literals outside quoted texts into quoted texts, so statements in
// the ledger's classic form run unchanged.
QString translateDateLiterals(const QString& sql);
