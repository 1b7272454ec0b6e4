#pragma once
// The trim of typed texts: leading and trailing blanks and control characters go.
#include <QString>

QString trimmedText(const QString& text);
