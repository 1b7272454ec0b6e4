#include "store/password_hash.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

const int kPasswordIterations = 50000;

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
// Refuse absurd counts from a damaged row rather than hang the login.
constexpr int kMaxIterations = 10000000;

struct ParsedHash {
    bool valid = false;
    int iterations = 0;
    QByteArray salt;
    QByteArray key;
};

ParsedHash parse(const QString& stored) {
    ParsedHash parsed;
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme)
        return parsed;
    bool ok = false;
    parsed.iterations = parts[1].toInt(&ok);
    if (!ok || parsed.iterations < 1 || parsed.iterations > kMaxIterations)
        return parsed;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto key = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !key || salt.decoded.isEmpty() || key.decoded.isEmpty())
        return parsed;
    parsed.salt = salt.decoded;
    parsed.key = key.decoded;
    parsed.valid = true;
    return parsed;
}

QByteArray derive(const QString& password, const QByteArray& salt, int iterations, int length) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, foldPasswordCase(password).toUtf8(), salt,
                                              iterations, quint64(length));
}

// Compares without stopping at the first difference.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

QString foldPasswordCase(const QString& password) {
    QString folded = password;
    for (QChar& c : folded)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return folded;
}

QString hashPassword(const QString& password, int iterations) {
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), kSaltBytes / 4);
    const QByteArray key = derive(password, salt, iterations, kKeyBytes);
    return kScheme + QLatin1Char('$') + QString::number(iterations) + QLatin1Char('$') +
           QString::fromLatin1(salt.toBase64()) + QLatin1Char('$') + QString::fromLatin1(key.toBase64());
}

bool isPasswordHash(const QString& stored) { return parse(stored).valid; }

bool passwordMatches(const QString& stored, const QString& typed) {
    const ParsedHash parsed = parse(stored);
    if (!parsed.valid)
        return foldPasswordCase(stored) == foldPasswordCase(typed);
    return sameBytes(derive(typed, parsed.salt, parsed.iterations, int(parsed.key.size())), parsed.key);
}

bool isPasswordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}
