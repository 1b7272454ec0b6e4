#pragma once
// The login log in table rz: one entry per login, completed with the logout time.
#include <QDateTime>
#include <QString>

class Database;

// "yyyy-mm-dd hh:mm:ss"; at exactly midnight the date alone.
QString logDateTimeText(const QDateTime& when);
// Inserts the login entry and returns its id.
qint64 writeLogin(Database& db, const QString& user, const QDateTime& when);
void writeLogout(Database& db, qint64 entryId, const QDateTime& when);
