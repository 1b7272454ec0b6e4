#include "store/settings.h"

#include "store/store_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString kMainKey = QStringLiteral("\\Software\\brenvik\\kmr");
const QString kBackupKey = QStringLiteral("\\Software\\dravel\\kmr");

namespace {

QString groupOf(const QString& key) {
    QString group = key;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return group;
}

}  // namespace

QString settingsFilePath() {
    QString dir = qEnvironmentVariable("TOVRAKEL_CONFIG_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tovrakel");
    return QDir(dir).filePath(QStringLiteral("tovrakel.ini"));
}

void WriteSetting(const QString& key, const QString& name, const QString& text) {
    const QString path = settingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The file is made readable by its owner only; the store keeps that mode when it rewrites it.
    if (!QFileInfo::exists(path)) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              S_IRUSR | S_IWUSR);
        if (fd >= 0)
            ::close(fd);
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(groupOf(key));
    settings.setValue(name, text);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw StoreError(QStringLiteral("无法写入设置文件 %1").arg(path));
}

SettingsKey ReadSettings(const QString& key) {
    SettingsKey result;
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const QString group = groupOf(key);
    if (!settings.childGroups().isEmpty() || settings.allKeys().size() > 0) {
        const QStringList keys = settings.allKeys();
        const QString prefix = group + QLatin1Char('/');
        for (const QString& k : keys) {
            if (k.startsWith(prefix) && !k.mid(prefix.size()).contains(QLatin1Char('/'))) {
                result.m_exists = true;
                result.m_values.insert(k.mid(prefix.size()), settings.value(k).toString());
            }
        }
    }
    return result;
}

QString configuredServerLedger() { return ReadSettings(kMainKey).value(QStringLiteral("database")).trimmed(); }
