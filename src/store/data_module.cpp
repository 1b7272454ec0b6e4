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

LedgerData::LedgerData(QString address, bool server, QString password)
    : m_address(std::move(address)), m_server(server), m_password(std::move(password)) {
    reopenConnection();
}

LedgerData& LedgerData::create(const QString& folder) {
    std::unique_ptr<LedgerData> created(new LedgerData(QDir(folder).filePath(Database::kFileName), false, {}));
    module() = std::move(created);
    return *module();
}

LedgerData& LedgerData::createOnServer(const QString& uri, const QString& password) {
    std::unique_ptr<LedgerData> created(new LedgerData(uri, true, password));
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

void LedgerData::reopenConnection() { openAnother(m_db); }

void LedgerData::openAnother(Database& db) const {
    if (m_server)
        db.openServer(m_address, m_password);
    else
        db.open(m_address);
}

std::function<void(Database&)> LedgerData::readerOpener() const {
    return [address = m_address, server = m_server, password = m_password](Database& db) {
        if (server)
            db.openServer(address, password, Database::OtherTills::Unheard);
        else
            db.openReadOnly(address);
    };
}
