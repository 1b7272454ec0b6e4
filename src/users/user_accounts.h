#pragma once
// The user records of table userdb: login checks, the administrator's maintenance and the
// password change. Every statement runs on the given database with its values bound; the windows
// only show the outcome.
#include <QString>
#include <QStringList>

class Database;
class Rights;

// True when exactly one user record has this name and password. An old plain-text password that
// matches is replaced by its hash at once.
bool checkLogin(Database& db, const QString& user, const QString& password);

// The user names in the order the database returns them (the administration list).
QStringList userNames(Database& db);
bool userExists(Database& db, const QString& user);

enum class AddUserOutcome { Added, Administrator, EmptyName, Exists };
// Adds a user with the initial password; the name is trimmed first.
AddUserOutcome addUser(Database& db, const QString& name);

enum class DeleteUserOutcome { Allowed, Administrator, EmptyName };
// Whether the (trimmed) name may be deleted; deleteUser then removes it.
DeleteUserOutcome checkUserDeletion(const QString& name);
void deleteUser(Database& db, const QString& name);

// Sets the user's password to the initial password; false when no user has that name.
bool resetPassword(Database& db, const QString& name);

enum class PasswordChangeOutcome {
    Changed, NoOperator, NoOldPassword, NoNewPassword, Mismatch, WrongOldPassword, NotOwnPassword
};
// The password change by the logged-in user `by`: the operator must be chosen and be that user
// (everyone changes their own password only; the administrator resets others' in the user
// administration), the old password must be the operator's, the new one typed twice alike (letter
// case counts here). Texts are trimmed first.
PasswordChangeOutcome changePassword(Database& db, const Rights& by, const QString& user, const QString& oldPassword,
                                     const QString& newPassword, const QString& repeat);
