#pragma once
// Passwords as userdb stores them: a salted PBKDF2 hash that carries its own iteration count and
// salt, "pbkdf2-sha256$<iterations>$<salt>$<key>" (salt and key in Base64).
#include <QString>

// Rounds for new hashes; stored hashes keep the count they were made with.
extern const int kPasswordIterations;

// Passwords match whatever the case of their Latin letters, so the hash is made of the password
// with A–Z lowered; other characters are left as they are.
QString foldPasswordCase(const QString& password);
// A fresh hash with a random salt.
QString hashPassword(const QString& password, int iterations = kPasswordIterations);
bool isPasswordHash(const QString& stored);
// True when the typed password is the stored one: a hash is recomputed with its own salt and
// count; any other stored text is an old plain-text password, compared ignoring Latin case.
bool passwordMatches(const QString& stored, const QString& typed);
// The characters a password field takes: digits and ASCII letters.
bool isPasswordCharacter(QChar c);
