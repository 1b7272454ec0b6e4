#include "users/user_accounts.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/query.h"
#include "users/password_hash.h"
#include "users/rights.h"

namespace {

QString trimmed(const QString& text) { return text.trimmed(); }

// The stored passwords of the records with this name (the column holds no duplicates, but a
// database from elsewhere might).
QStringList storedPasswords(Dataset& work, const QString& user) {
    OpenQuery(work, QStringLiteral("select username, passwd from userdb where username=?"), {user});
    QStringList stored;
    const int column = work.columnIndex(QStringLiteral("passwd"));
    for (int row = 0; row < work.recordCount(); ++row)
        stored << work.text(row, column);
    return stored;
}

void storePassword(Dataset& work, const QString& user, const QString& password) {
    ExecQuery(work, QStringLiteral("update userdb set passwd=? where username=?"), {hashPassword(password), user});
}

}  // namespace

bool checkLogin(Dataset& work, const QString& user, const QString& password) {
    const QStringList stored = storedPasswords(work, user);
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
        ExecQuery(work, QStringLiteral("update userdb set passwd=? where username=? and passwd=?"),
                  {hashPassword(password), user, matched});
    return true;
}

QStringList userNames(Dataset& work) {
    OpenQuery(work, QStringLiteral("select username from userdb"));
    QStringList names;
    for (int row = 0; row < work.recordCount(); ++row)
        names << work.text(row, 0);
    return names;
}

bool userExists(Dataset& work, const QString& user) {
    OpenQuery(work, QStringLiteral("select username from userdb where username=?"), {user});
    return !work.isEmpty();
}

AddUserOutcome addUser(Dataset& work, const QString& name) {
    const QString user = trimmed(name);
    if (isAdministrator(user))
        return AddUserOutcome::Administrator;
    if (user.isEmpty())
        return AddUserOutcome::EmptyName;
    // Names compare ignoring Latin case, as the login finds them.
    if (userExists(work, user))
        return AddUserOutcome::Exists;
    ExecQuery(work, QStringLiteral("Insert into userdb values (?,?)"),
              {user, hashPassword(Database::kInitialPassword)});
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

void deleteUser(Dataset& work, const QString& name) {
    ExecQuery(work, QStringLiteral("delete from userdb where username=?"), {trimmed(name)});
}

bool resetPassword(Dataset& work, const QString& name) {
    const QString user = trimmed(name);
    if (user.isEmpty() || !userExists(work, user))
        return false;
    storePassword(work, user, Database::kInitialPassword);
    return true;
}

PasswordChangeOutcome changePassword(Dataset& work, const Rights& by, const QString& user, const QString& oldPassword,
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
    const QStringList stored = storedPasswords(work, user);
    if (stored.size() != 1 || !passwordMatches(stored.first(), oldText))
        return PasswordChangeOutcome::WrongOldPassword;
    storePassword(work, user, newText);
    return PasswordChangeOutcome::Changed;
}
