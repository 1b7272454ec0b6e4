#include "users/login_log.h"

#include "store/dataset.h"
#include "store/query.h"

QString logDateTimeText(const QDateTime& when) {
    const QString date = when.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (when.time().msecsSinceStartOfDay() < 1000)
        return date;
    return date + QLatin1Char(' ') + when.time().toString(QStringLiteral("HH:mm:ss"));
}

qint64 writeLogin(Dataset& work, const QString& user, const QDateTime& when) {
    ExecQuery(work, QStringLiteral("Insert into rz (username,btime) values (?,?)"), {user, logDateTimeText(when)});
    OpenQuery(work, QStringLiteral("select max(id) as maxid from rz"));
    return work.fieldInteger(QStringLiteral("maxid"));
}

void writeLogout(Dataset& work, qint64 entryId, const QDateTime& when) {
    ExecQuery(work, QStringLiteral("update rz set jtime=? where id=?"), {logDateTimeText(when), entryId});
}
