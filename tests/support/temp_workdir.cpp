#include "support/temp_workdir.h"

#include "store/data_module.h"
#include "store/store_error.h"
#include "support/server_cluster.h"

#include <QDir>

TempWorkdir::TempWorkdir() {
    m_oldConfig = qgetenv("TOVRAKEL_CONFIG_DIR");
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    qputenv("TOVRAKEL_CONFIG_DIR", m_dir.filePath(QStringLiteral("config")).toUtf8());
}

TempWorkdir::~TempWorkdir() {
    if (LedgerData::exists() && LedgerData::instance().databasePath().startsWith(m_dir.path()))
        LedgerData::reset();
    if (!m_serverUri.isEmpty() && LedgerData::exists() && LedgerData::instance().isOnServer())
        LedgerData::reset();
    qputenv("TOVRAKEL_CONFIG_DIR", m_oldConfig);
}

bool TempWorkdir::onServer() { return qgetenv("TOVRAKEL_TEST_ENGINE") == "postgresql"; }

void TempWorkdir::openNewDatabase() {
    if (!onServer()) {
        Database::create(file(Database::kFileName));
        LedgerData::create(m_dir.path());
        return;
    }
    QString error;
    static int ledgers = 0;
    m_serverUri = ServerCluster::newSharedDatabase(QStringLiteral("ledger_%1").arg(++ledgers), &error);
    if (m_serverUri.isEmpty())
        throw StoreError(QStringLiteral("the test server did not start: ") + error);
    LedgerData::createOnServer(m_serverUri);
}
