#pragma once
// The tables behind PinyinInitials, kept as plain constant data.
#include <QtGlobal>

namespace pinyin {

constexpr int kLetterCount = 23;

// The initials in table order; pinyin has no syllable starting with i, u or v.
extern const char kLetters[kLetterCount + 1];

struct Level1Range {
    char letter;
    quint16 first;  // inclusive
    quint16 last;   // inclusive
};
extern const Level1Range kLevel1Ranges[kLetterCount];

// One UTF-8 row of level-2 characters per initial, in the order of kLetters.
extern const char* const kLevel2Rows[kLetterCount];

}  // namespace pinyin
