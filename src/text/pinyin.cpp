#include "text/pinyin.h"

#include "text/gbk.h"
#include "text/pinyin_tables.h"

#include <QString>
#include <array>

namespace {

// Whether a byte is one of the 84 ASCII characters copied as they are.
constexpr std::array<bool, 256> makeKeptBytes() {
    std::array<bool, 256> kept{};
    for (int c = '0'; c <= '9'; ++c)
        kept[c] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        kept[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        kept[c] = true;
    for (const char c : "!#$%()*+,-./@[\\^_`{|}~")
        if (c != '\0')
            kept[static_cast<unsigned char>(c)] = true;
    return kept;
}
constexpr std::array<bool, 256> kKept = makeKeptBytes();

// The letter of every two-byte code, '!' where there is none: level-1 ranges first, then the
// first level-2 row holding the code. Built once, so the walk is one lookup per unit.
using UnitTable = std::array<char, 65536>;

UnitTable buildUnitTable() {
    UnitTable table;
    table.fill('!');
    for (const pinyin::Level1Range& range : pinyin::kLevel1Ranges)
        for (int code = range.first; code <= range.last; ++code)
            table[code] = range.letter;
    for (int row = pinyin::kLetterCount - 1; row >= 0; --row) {
        // Walking the rows backwards lets an earlier row win should a code stand in two rows.
        const QByteArray bytes = toGbk(QString::fromUtf8(pinyin::kLevel2Rows[row]));
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const int code = static_cast<unsigned char>(bytes[i]) * 256 +
                             static_cast<unsigned char>(bytes[i + 1]);
            if (Level1Initial(static_cast<quint16>(code)) == 0)
                table[code] = pinyin::kLetters[row];
        }
    }
    return table;
}

const UnitTable& unitTable() {
    static const UnitTable table = buildUnitTable();
    return table;
}

}  // namespace

char Level1Initial(quint16 code) {
    for (const pinyin::Level1Range& range : pinyin::kLevel1Ranges)
        if (code >= range.first && code <= range.last)
            return range.letter;
    return 0;
}

QByteArray PinyinInitialsBytes(const QByteArray& gbk) {
    const UnitTable& table = unitTable();
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.constData());
    const qsizetype size = gbk.size();
    QByteArray result(size, Qt::Uninitialized);
    char* out = result.data();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char first = bytes[i];
        if (kKept[first]) {
            *out++ = static_cast<char>(first);
            ++i;
        } else {
            // Any other byte takes the next one with it, even an ASCII letter; past the end
            // stands 0x00, so a lone last byte is still read as a whole unit.
            const unsigned char second = i + 1 < size ? bytes[i + 1] : 0;
            *out++ = table[first * 256 + second];
            i += 2;
        }
    }
    result.truncate(out - result.constData());
    return result;
}

QString PinyinInitials(const QString& text) {
    return QString::fromLatin1(PinyinInitialsBytes(toGbk(text)));
}
