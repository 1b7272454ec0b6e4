#pragma once
// DownloadProgress: the figures the wizard shows after each received block, and the texts made
// from them.
#include "upgrade/update_texts.h"

#include <QString>

struct DownloadProgress {
    int percent = 0;        // of the current file, 0..100; 0 when no length was announced
    int overall = 0;        // of all files, 0..100
    double rateKb = 0;      // Kb per second
    qint64 secondsLeft = 0; // estimate for the current file, never negative

    static DownloadProgress compute(qint64 received, qint64 total, int index, int count,
                                    qint64 elapsedSeconds);

    QString rateText(UpdaterLanguage language) const;
    QString timeLeftText(UpdaterLanguage language) const;
};

QString fileSizeText(qint64 contentLength, UpdaterLanguage language);
QString fileOfFilesText(int number, int count, UpdaterLanguage language);
