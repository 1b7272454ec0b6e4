#include "support/temp_workdir.h"

#include "store/data_module.h"

#include <QDir>

TempWorkdir::TempWorkdir() {
    m_oldConfig = qgetenv("TOVRAKEL_CONFIG_DIR");
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    qputenv("TOVRAKEL_CONFIG_DIR", m_dir.filePath(QStringLiteral("config")).toUtf8());
}

TempWorkdir::~TempWorkdir() {
    if (LedgerData::exists() && LedgerData::instance().databasePath().startsWith(m_dir.path()))
        LedgerData::reset();
    qputenv("TOVRAKEL_CONFIG_DIR", m_oldConfig);
}

void TempWorkdir::openNewDatabase() {
    Database::create(file(Database::kFileName));
    LedgerData::create(m_dir.path());
}
