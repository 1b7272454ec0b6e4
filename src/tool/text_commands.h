#pragma once
// The text filters of tovrakel-tool: UTF-8 lines on stdin, exactly one result line each on stdout.
#include <QStringList>

// "pinyin": the pinyin initials of each line.
int runPinyinFilter(const QStringList& args);
// "capitals": each line as an amount in Chinese capitals; an empty line for a zero or refused one.
int runCapitalsFilter(const QStringList& args);
