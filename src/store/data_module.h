#pragma once
// The data module: the connection to data.mdb. Each view owns the dataset of its rows.
#include "store/database.h"

class LedgerData {
public:
    // Opens data.mdb in the given folder as the module of the run; throws StoreError with the
    // engine's message (the previous module stays when opening fails).
    static LedgerData& create(const QString& folder);
    static LedgerData& instance();
    static bool exists();
    static void reset();  // for tests: drops the module so the next one opens another folder

    Database& connection() { return m_db; }
    QString databasePath() const { return m_path; }
    // The backup closes the connection while it copies the file and reopens it afterwards.
    void closeConnection();
    void reopenConnection();

private:
    explicit LedgerData(const QString& folder);
    QString m_path;
    Database m_db;
};

// The data module of the run, for the application that opens it and for tests; windows reach it
// through their Session.
inline LedgerData& dm() { return LedgerData::instance(); }
