#include "upgrade/upgrader_launch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

#include <unistd.h>

namespace {

const QString kFolderPrefix = QStringLiteral("tovrakel-upgrader-");

}  // namespace

UpgraderFile writeUpgrader(const QString& source, const QStringList& baseFolders) {
    UpgraderFile result;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: %2").arg(source, in.errorString());
        return result;
    }
    const QByteArray bytes = in.readAll();
    if (bytes.isEmpty()) {
        result.error = QStringLiteral("%1 is empty").arg(source);
        return result;
    }
    QStringList failures;
    for (const QString& base : baseFolders) {
        if (base.isEmpty() || !QFileInfo(base).isDir())
            continue;
        QTemporaryDir folder(QDir(base).filePath(kFolderPrefix + QStringLiteral("XXXXXX")));
        if (!folder.isValid()) {
            failures << QStringLiteral("%1: %2").arg(base, folder.errorString());
            continue;
        }
        const QString path = folder.filePath(QStringLiteral("upgrader"));
        QFile out(path);
        const bool written = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() &&
                             out.flush();
        out.close();
        if (!written || out.error() != QFileDevice::NoError ||
            !QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                             QFileDevice::WriteUser | QFileDevice::ExeUser)) {
            failures << QStringLiteral("%1: %2").arg(path, out.errorString());
            continue;  // the folder goes with `folder`
        }
        // The upgrader outlives us; its folder is removed at the next start.
        folder.setAutoRemove(false);
        result.path = path;
        return result;
    }
    result.error = failures.isEmpty() ? QStringLiteral("no folder to write the upgrader to") : failures.join(QLatin1Char('\n'));
    return result;
}

void removeLeftoverUpgraders(const QStringList& baseFolders) {
    for (const QString& base : baseFolders) {
        if (base.isEmpty())
            continue;
        const QFileInfoList entries =
            QDir(base).entryInfoList({kFolderPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            // Only real folders of our own: never follow a link someone else put there.
            if (entry.isSymLink() || entry.ownerId() != uint(::getuid()))
                continue;
            QDir(entry.absoluteFilePath()).removeRecursively();
        }
    }
}

namespace {

// One word for QProcess::splitCommand: in double quotes when it holds a blank or a quote, with
// a quote inside written as three.
QString commandWord(QString word) {
    const bool plain = !word.isEmpty() && std::none_of(word.cbegin(), word.cend(), [](QChar c) {
        return c.isSpace() || c == QLatin1Char('"');
    });
    if (plain)
        return word;
    word.replace(QLatin1String("\""), QLatin1String("\"\"\""));
    return QLatin1Char('"') + word + QLatin1Char('"');
}

}  // namespace

QStringList upgraderArguments(const QString& programPath, const QString& restartParams, int method,
                              const QStringList& options) {
    QString restart = QStringLiteral("+");
    for (const QString& option : options)
        restart += commandWord(option) + QLatin1Char(' ');
    restart += restartParams + (method == 1 ? QLatin1Char('1') : QLatin1Char('0'));
    return {programPath, restart};
}
