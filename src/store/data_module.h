#pragma once
// The data module: the connection to data.mdb and the shared datasets every window works through.
#include "store/database.h"
#include "store/dataset.h"

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
    // Opens the two tables that receive new records.
    void openTables();

    Dataset ADOQuery15;  // stock query: the rows of the inventory grid
    Dataset ADOTable5;   // stock table: appends of stock records
    Dataset ADOTable2;   // sales table: appends of sales records
    Dataset ADOQuery13;  // sales query: the rows of the sales grid
    Dataset ADOQuery12;  // summary query
    Dataset ADOQuery1;   // work query of the query routines

private:
    explicit LedgerData(const QString& folder);
    QString m_path;
    Database m_db;
};

// Shorthand for the data module of the run.
inline LedgerData& dm() { return LedgerData::instance(); }
