#include "app/removable_medium.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QString readSysFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).trimmed();
}

}  // namespace

bool isOnRemovableMedium(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    QString device = QFileInfo(link).canonicalFilePath();
    if (device.isEmpty())
        return false;  // not a block device (tmpfs, overlay, network): not a removable medium
    // A partition's removable flag lives on its parent disk.
    if (QFileInfo::exists(device + QStringLiteral("/partition")))
        device = QFileInfo(device).path();
    return readSysFile(device + QStringLiteral("/removable")) == QLatin1String("1");
}
