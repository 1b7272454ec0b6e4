#pragma once
// The process's peak and present resident memory, as the kernel reports them.
#include <QFile>

inline long statusKiB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return 0;
}

inline long peakKiB() { return statusKiB("VmHWM:"); }
inline long residentKiB() { return statusKiB("VmRSS:"); }
