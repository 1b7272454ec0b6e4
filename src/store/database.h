#pragma once
// The connection to the ledger: the data.mdb file of the working folder, or a database on a
// PostgreSQL server that several tills share. Nothing above the store knows which is open.
#include "store/ledger_engine.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

class LedgerEvents;

class Database {
public:
    // The administrator account every new database is delivered with.
    static const QString kAdministrator;
    static const QString kInitialPassword;
    static const QString kFileName;  // "data.mdb"

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file; throws StoreError with the engine's message when it is missing or
    // is not a database of ours.
    void open(const QString& path);
    // Opens a ledger on a server by its libpq connection URI, creating its tables in an empty
    // database; throws StoreError saying what stands in the way. A connection that only reads
    // beside another need not hear of other tills' changes.
    enum class OtherTills { Heard, Unheard };
    void openServer(const QString& uri, const QString& password = {}, OtherTills otherTills = OtherTills::Heard);
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
    bool isOpen() const { return m_engine != nullptr; }
    // The file of an embedded ledger, also after close(); empty for a server's.
    QString path() const { return m_file; }
    // What is open, for the user: the file, or the server and database.
    QString location() const;
    bool isServer() const;

    // Runs a statement without rows; returns the number of changed rows.
    int exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, or an invalid QVariant without rows.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // The statement's rows, one column store per result column.
    std::vector<ColumnStore> read(const QString& sql, const QVariantList& params = {});
    qint64 lastInsertId();

    void begin();
    void commit();
    void rollback();

    // The engine under the connection; throws when none is open.
    LedgerEngine& engine() const;

    // The notifier of changes made through this connection.
    LedgerEvents& events();

private:
    std::unique_ptr<LedgerEngine> m_engine;
    QString m_file;
    std::unique_ptr<LedgerEvents> m_events;
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

