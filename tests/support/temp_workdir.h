#pragma once
// A temporary working folder with its own settings folder, so no test touches the user's files.
#include <QString>
#include <QTemporaryDir>

class TempWorkdir {
public:
    TempWorkdir();
    ~TempWorkdir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Creates the delivered ledger and opens it as the data module of the run: data.mdb here, or,
    // when the tests run on the server engine (TOVRAKEL_TEST_ENGINE=postgresql), a new database
    // on the test program's throw-away server.
    void openNewDatabase();
    // The server's URI of the ledger opened here; empty on the file engine.
    QString serverUri() const { return m_serverUri; }

    // True when this test program runs its ledgers on the server engine.
    static bool onServer();

private:
    QString m_serverUri;
    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
};
