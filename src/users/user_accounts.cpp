#include "users/user_accounts.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/password_hash.h"
#include "users/rights.h"

namespace {

QString trimmed(const QString& text) { return text.trimmed(); }

// The texts of the first column of every row, in the engine's order.
QStringList columnTexts(Database& db, const QString& sql, const QVariantList& params = {}) {
    Dataset rows(QStringLiteral("UserRecords"), {}, &db);
    rows.setStatement(sql, params);
    QStringList texts;
    for (int row = 0; row < rows.recordCount(); ++row)
        texts << rows.text(row, 0);
    return texts;
}

// The stored passwords of the records with this name (the column holds no duplicates, but a
// database from elsewhere might).
QStringList storedPasswords(Database& db, const QString& user) {
    return columnTexts(db, QStringLiteral("select passwd from userdb where username=?"), {user});
}

void storePassword(Database& db, const QString& user, const QString& password) {
    db.exec(QStringLiteral("update userdb set passwd=? where username=?"), {hashPassword(password), user});
}

}  // namespace

bool checkLogin(Database& db, const QString& user, const QString& password) {
    const QStringList stored = storedPasswords(db, user);
    int matches = 0;
    QString matched;
    for (const QString& s : stored)
        if (passwordMatches(s, password)) {
            ++matches;
            matched = s;
        }
    if (matches != 1)
        return false;
    if (!isPasswordHash(matched))
        db.exec(QStringLiteral("update userdb set passwd=? where username=? and passwd=?"),
                {hashPassword(password), user, matched});
    return true;
}

QStringList userNames(Database& db) {
    // The order the file engine reads the names in (from their unique index), said outright so a
    // server, which keeps no such order, lists them alike.
    return columnTexts(db, QStringLiteral("select username from userdb order by username"));
}

bool userExists(Database& db, const QString& user) {
    return db.scalar(QStringLiteral("select 1 from userdb where username=?"), {user}).isValid();
}

AddUserOutcome addUser(Database& db, const QString& name) {
    const QString user = trimmed(name);
    if (isAdministrator(user))
        return AddUserOutcome::Administrator;
    if (user.isEmpty())
        return AddUserOutcome::EmptyName;
    // Names compare ignoring Latin case, as the login finds them.
    if (userExists(db, user))
        return AddUserOutcome::Exists;
    db.exec(QStringLiteral("Insert into userdb values (?,?)"), {user, hashPassword(Database::kInitialPassword)});
    return AddUserOutcome::Added;
}

DeleteUserOutcome checkUserDeletion(const QString& name) {
    const QString user = trimmed(name);
    if (isAdministrator(user))
        return DeleteUserOutcome::Administrator;
    if (user.isEmpty())
        return DeleteUserOutcome::EmptyName;
    return DeleteUserOutcome::Allowed;
}

void deleteUser(Database& db, const QString& name) {
    db.exec(QStringLiteral("delete from userdb where username=?"), {trimmed(name)});
}

bool resetPassword(Database& db, const QString& name) {
    const QString user = trimmed(name);
    if (user.isEmpty() || !userExists(db, user))
        return false;
    storePassword(db, user, Database::kInitialPassword);
    return true;
}

PasswordChangeOutcome changePassword(Database& db, const Rights& by, const QString& user, const QString& oldPassword,
                                     const QString& newPassword, const QString& repeat) {
    const QString oldText = trimmed(oldPassword), newText = trimmed(newPassword), repeatText = trimmed(repeat);
    if (user.isEmpty())
        return PasswordChangeOutcome::NoOperator;
    if (!by.mayChangePasswordOf(user))
        return PasswordChangeOutcome::NotOwnPassword;
    if (oldText.isEmpty())
        return PasswordChangeOutcome::NoOldPassword;
    if (newText.isEmpty())
        return PasswordChangeOutcome::NoNewPassword;
    if (newText != repeatText)
        return PasswordChangeOutcome::Mismatch;
    const QStringList stored = storedPasswords(db, user);
    if (stored.size() != 1 || !passwordMatches(stored.first(), oldText))
        return PasswordChangeOutcome::WrongOldPassword;
    storePassword(db, user, newText);
    return PasswordChangeOutcome::Changed;
}
