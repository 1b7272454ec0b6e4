#pragma once
// Replaces every match of a pattern by what a function makes of it (QString::replace takes only
// fixed replacements and back references).
#include <QRegularExpression>
#include <QString>
#include <functional>

QString replaceEach(const QString& text, const QRegularExpression& pattern,
                    const std::function<QString(const QRegularExpressionMatch&)>& replacement);
