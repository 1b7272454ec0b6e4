#include "store/data_module.h"

#include "store/store_error.h"

#include <QDir>
#include <memory>

namespace {
std::unique_ptr<LedgerData>& module() {
    static std::unique_ptr<LedgerData> m;
    return m;
}
}  // namespace

LedgerData::LedgerData(const QString& folder)
    : ADOQuery15(QStringLiteral("ADOQuery15"), QStringLiteral("select * from data"), &m_db),
      ADOTable5(Dataset::table(QStringLiteral("ADOTable5"), QStringLiteral("data"), &m_db)),
      ADOTable2(Dataset::table(QStringLiteral("ADOTable2"), QStringLiteral("data1"), &m_db)),
      ADOQuery13(QStringLiteral("ADOQuery13"), QStringLiteral("SELECT * from data1"), &m_db),
      ADOQuery12(QStringLiteral("ADOQuery12"), QString(), &m_db),
      ADOQuery1(QStringLiteral("ADOQuery1"), QStringLiteral("select * from data1"), &m_db),
      m_path(QDir(folder).filePath(Database::kFileName)) {
    m_db.open(m_path);
}

LedgerData& LedgerData::create(const QString& folder) {
    std::unique_ptr<LedgerData> created(new LedgerData(folder));
    module() = std::move(created);
    return *module();
}

LedgerData& LedgerData::instance() {
    if (!module())
        throw StoreError(QStringLiteral("数据库没有打开"));
    return *module();
}

bool LedgerData::exists() { return bool(module()); }

void LedgerData::reset() { module().reset(); }

void LedgerData::closeConnection() {
    for (Dataset* d : {&ADOQuery15, &ADOTable5, &ADOTable2, &ADOQuery13, &ADOQuery12, &ADOQuery1})
        d->close();
    m_db.close();
}

void LedgerData::reopenConnection() { m_db.open(m_path); }

void LedgerData::openTables() {
    // Table datasets only receive appends, so they need no rows in memory.
    ADOTable5.setStatement(QStringLiteral("select * from data where 0"));
    ADOTable2.setStatement(QStringLiteral("select * from data1 where 0"));
}
