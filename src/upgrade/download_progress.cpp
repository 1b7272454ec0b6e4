#include "upgrade/download_progress.h"

#include <QtMath>

namespace {

QString format(int entry, UpdaterLanguage language, double value) {
    return QString::asprintf(updaterText(entry, language).toUtf8().constData(), value);
}

}  // namespace

DownloadProgress DownloadProgress::compute(qint64 received, qint64 total, int index, int count,
                                           qint64 elapsedSeconds) {
    DownloadProgress p;
    if (total > 0)
        p.percent = qBound(0, int(qRound64(double(received) * 100.0 / double(total))), 100);
    if (count > 0)
        p.overall = qBound(0, int(qRound64(double(index) * 100.0 / count)) + p.percent / count, 100);
    const double kb = double(received) / 1024.0;
    p.rateKb = elapsedSeconds > 0 ? kb / double(elapsedSeconds) : kb;
    // Without an announced length or a first byte there is nothing to estimate from.
    if (total > 0 && received > 0) {
        const qint64 whole = qRound64(double(total) / double(received) * double(elapsedSeconds));
        p.secondsLeft = qMax<qint64>(0, whole - elapsedSeconds);
    }
    return p;
}

QString DownloadProgress::rateText(UpdaterLanguage language) const {
    return format(UpdaterText::TransferRate, language, rateKb);
}

QString DownloadProgress::timeLeftText(UpdaterLanguage language) const {
    return QString::asprintf(updaterText(UpdaterText::TimeLeft, language).toUtf8().constData(),
                             int(secondsLeft / 3600), int(secondsLeft / 60 % 60), int(secondsLeft % 60));
}

QString fileSizeText(qint64 contentLength, UpdaterLanguage language) {
    return format(UpdaterText::FileSize, language, double(contentLength) / 1024.0);
}

QString fileOfFilesText(int number, int count, UpdaterLanguage language) {
    return QString::asprintf(updaterText(UpdaterText::FileOfFiles, language).toUtf8().constData(), number,
                             count);
}
