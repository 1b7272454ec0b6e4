#pragma once
// Saves what a window looks like when TOVRAKEL_TEST_SHOTS names a folder, for looking at it later.
#include <QDir>
#include <QWidget>

inline void saveTestShot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("TOVRAKEL_TEST_SHOTS");
    if (!dir.isEmpty())
        window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}
