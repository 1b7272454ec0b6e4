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

LedgerData::LedgerData(const QString& folder) : m_path(QDir(folder).filePath(Database::kFileName)) {
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

void LedgerData::closeConnection() { m_db.close(); }

void LedgerData::reopenConnection() { m_db.open(m_path); }
