#include "users/login_log.h"

#include "store/database.h"

QString logDateTimeText(const QDateTime& when) {
    const QString date = when.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (when.time().msecsSinceStartOfDay() < 1000)
        return date;
    return date + QLatin1Char(' ') + when.time().toString(QStringLiteral("HH:mm:ss"));
}

qint64 writeLogin(Database& db, const QString& user, const QDateTime& when) {
    db.exec(QStringLiteral("Insert into rz (username,btime) values (?,?)"), {user, logDateTimeText(when)});
    // The id this connection wrote: the largest id may already be another till's login.
    return db.lastInsertId();
}

void writeLogout(Database& db, qint64 entryId, const QDateTime& when) {
    db.exec(QStringLiteral("update rz set jtime=? where id=?"), {logDateTimeText(when), entryId});
}
