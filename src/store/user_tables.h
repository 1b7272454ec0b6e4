#pragma once
// The users table `userdb` and the login log `rz`. No grid shows them.
#include "store/table_description.h"

namespace account {
inline const QString kTable = QStringLiteral("userdb");
inline const QString kName = QStringLiteral("username");
inline const QString kPassword = QStringLiteral("passwd");  // the password's hash

inline Field field(const QString& column) { return {kTable, column}; }
}  // namespace account

namespace loginlog {
inline const QString kTable = QStringLiteral("rz");
inline const QString kId = QStringLiteral("id");
inline const QString kUser = QStringLiteral("username");
inline const QString kLogin = QStringLiteral("btime");
inline const QString kLogout = QStringLiteral("jtime");

inline Field field(const QString& column) { return {kTable, column}; }
}  // namespace loginlog

const TableDescription& userTable();
const TableDescription& loginLogTable();
