#pragma once
// The data module: the connection to the ledger, data.mdb or a server's database. Each view owns
// the dataset of its rows.
#include "store/database.h"

#include <functional>

class LedgerData {
public:
    // Opens data.mdb in the given folder as the module of the run; throws StoreError with the
    // engine's message (the previous module stays when opening fails).
    static LedgerData& create(const QString& folder);
    // Opens the ledger on a server by its connection URI as the module of the run; a password,
    // when given, is used for this run only.
    static LedgerData& createOnServer(const QString& uri, const QString& password = {});
    static LedgerData& instance();
    static bool exists();
    static void reset();  // for tests: drops the module so the next one opens another folder

    Database& connection() { return m_db; }
    // The data.mdb file; empty for a ledger on a server.
    QString databasePath() const { return m_server ? QString() : m_address; }
    bool isOnServer() const { return m_server; }
    // The data.mdb file or the server's URI, as the ledger was opened.
    QString address() const { return m_address; }
    // Opens a connection of its own on the same ledger, for work beside the program's connection.
    void openAnother(Database& db) const;
    // What opens a connection that only reads, on a thread of its own beside the program's: the
    // file read-only, a server connection deaf to other tills' notices. It outlives the module.
    std::function<void(Database&)> readerOpener() const;
    // The backup closes the connection while it copies the file and reopens it afterwards.
    void closeConnection();
    void reopenConnection();

private:
    LedgerData(QString address, bool server, QString password);
    QString m_address;  // the file, or the server's URI
    bool m_server;
    QString m_password;
    Database m_db;
};

// The data module of the run, for the application that opens it and for tests; windows reach it
// through their Session.
inline LedgerData& dm() { return LedgerData::instance(); }
