#include "store/dataset_column.h"

#include "store/dataset.h"
#include "store/store_error.h"
#include "text/number_text.h"

#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// The GBK code of every BMP character as a 16-bit weight: ASCII keeps its byte (capitals sort as
// small letters, as the texts compare in the store), GBK characters
// their two bytes, characters outside GBK sort last. Comparing weight sequences gives the same
// order as comparing GBK bytes.
const std::array<uint16_t, 65536>& gbkWeights() {
    static const auto table = [] {
        auto* weights = new std::array<uint16_t, 65536>();
        QStringEncoder encoder("GB18030");
        QString all;
        all.reserve(65536);
        for (int c = 0; c < 65536; ++c)
            (*weights)[size_t(c)] = 0xFFFF;
        for (int c = 0; c < 0x80; ++c)
            (*weights)[size_t(c)] = uint16_t(c >= 'A' && c <= 'Z' ? c + 32 : c);  // Latin case ignored
        for (int c = 0x80; c < 65536; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            const QChar ch{char16_t(c)};
            const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
            if (bytes.size() == 2 && uchar(bytes[0]) >= 0x81)
                (*weights)[size_t(c)] = uint16_t((uchar(bytes[0]) << 8) | uchar(bytes[1]));
        }
        return weights;
    }();
    return *table;
}

// Decodes one UTF-8 code point; advances p. Broken bytes count as themselves.
uint32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned char c = *p++;
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t cp = c & (0x3F >> extra);
    while (extra-- > 0 && p < end && (*p & 0xC0) == 0x80)
        cp = (cp << 6) | (*p++ & 0x3F);
    return cp;
}

uint16_t weightOf(uint32_t cp) { return cp < 65536 ? gbkWeights()[cp] : 0xFFFF; }

int compareGbk(std::string_view a, std::string_view b) {
    if (a == b)
        return 0;
    auto pa = reinterpret_cast<const unsigned char*>(a.data());
    auto pb = reinterpret_cast<const unsigned char*>(b.data());
    const auto ea = pa + a.size(), eb = pb + b.size();
    while (pa < ea && pb < eb) {
        const uint16_t wa = weightOf(nextCodePoint(pa, ea)), wb = weightOf(nextCodePoint(pb, eb));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return (pa < ea) - (pb < eb);
}

int compareBytes(std::string_view a, std::string_view b, bool ignoreCase) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = uchar(a[i]), y = uchar(b[i]);
        if (ignoreCase) {
            if (x >= 'A' && x <= 'Z')
                x = uchar(x + 32);
            if (y >= 'A' && y <= 'Z')
                y = uchar(y + 32);
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (a.size() > n) - (b.size() > n);
}

// A 128-bit key (high, low) whose order agrees with compareGbk() on the first eight characters;
// empty cells have the smallest key, the empty text the next one.
struct SortKey {
    uint64_t high = 0;
    uint64_t low = 0;
    bool operator==(const SortKey& o) const { return high == o.high && low == o.low; }
    bool operator<(const SortKey& o) const { return high != o.high ? high < o.high : low < o.low; }
};

SortKey sortKeyOf(std::string_view bytes, bool null) {
    if (null)
        return {};
    if (bytes.empty())
        return {0, 1};  // after empty cells, before every other text
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    uint64_t words[2] = {0, 0};
    for (int i = 0; i < 8; ++i) {
        // Weights are shifted by one so that "a" sorts before "a" followed by anything.
        const uint64_t w = p < end ? uint64_t(weightOf(nextCodePoint(p, end))) + 1 : 0;
        words[i / 4] = (words[i / 4] << 16) | (w > 0xFFFF ? 0xFFFF : w);
    }
    return {words[0], words[1]};
}

// Texts that share their key are told apart by the whole text only when they are longer than it.
bool keyDecides(const SortKey& key) { return key.high == 0 || (key.low & 0xFFFF) == 0; }

// A 64-bit key whose unsigned order is the order of the numbers, empty cells first.
uint64_t numberKey(double v, bool null) {
    if (null)
        return 0;
    if (v == 0)
        v = 0;  // -0 sorts with 0
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    return bits == 0 ? 1 : bits;
}

// A byte hash over eight bytes at a time, inline: it runs for nearly every text cell read, and
// the texts are short (names, dates, customer numbers).
uint32_t hashOf(const char* data, size_t size) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ size;
    for (; size >= 8; data += 8, size -= 8) {
        uint64_t word;
        std::memcpy(&word, data, 8);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    if (size > 0) {
        uint64_t word = 0;
        for (size_t i = 0; i < size; ++i)
            word |= uint64_t(uchar(data[i])) << (8 * i);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    }
    h = (h ^ (h >> 30)) * 0x94D049BB133111EBull;
    return uint32_t(h >> 32);
}

uint32_t largestCode(int width) { return width == 1 ? 0xFFu : width == 2 ? 0xFFFFu : 0xFFFFFFFFu; }

uint32_t getCode(const uint8_t* p, int width) {
    switch (width) {
    case 1: return *p;
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    default: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
}

void putCode(uint8_t* p, int width, uint32_t code) {
    for (int i = 0; i < width; ++i)
        p[i] = uint8_t(code >> (8 * i));
}

// The rank of each entry (0 is left for empty cells, entry e has index e + 1) in the order given
// by `order` (a three-way comparison of two entries); entries that compare equal share their rank.
template <typename Order>
std::vector<uint32_t> ranksBy(size_t entries, Order order) {
    std::vector<uint32_t> sorted(entries);
    std::iota(sorted.begin(), sorted.end(), 0u);
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t x, uint32_t y) { return order(x, y) < 0; });
    std::vector<uint32_t> ranks(entries + 1, 0);
    uint32_t rank = 0;
    for (size_t i = 0; i < entries; ++i) {
        if (i == 0 || order(sorted[i - 1], sorted[i]) != 0)
            ++rank;
        ranks[sorted[i] + 1] = rank;
    }
    return ranks;
}

}  // namespace

void NumberCells::set(size_t i, double value) {
    if (!m_wide && !std::isnan(value) && !isWhole(value))
        widen();
    if (m_wide)
        m_doubles[i] = value;
    else
        m_wholes[i] = std::isnan(value) ? kEmptyWhole : int32_t(value);
}

void NumberCells::resize(size_t size) {
    if (m_wide)
        m_doubles.resize(size, kEmpty);
    else
        m_wholes.resize(size, kEmptyWhole);
}

void NumberCells::widen() {
    for (size_t i = 0; i < m_wholes.size(); ++i)
        m_doubles.push_back((*this)[i]);
    m_wholes.release();
    m_wide = true;
}

void ColumnStore::grow(int rows) {
    m_rows += rows;
    if (m_kind == Kind::Number)
        m_numbers.resize(size_t(m_rows));
    else if (m_kind == Kind::Text && m_codeWidth > 0)
        m_codes.resize(size_t(m_rows) * size_t(m_codeWidth), 0);
    else if (m_kind == Kind::Text)
        m_offsets.resize(size_t(m_rows), kNullOffset);
}

uint32_t ColumnStore::store(const char* data, size_t size) {
    char length[10];
    size_t lengthBytes = 0;
    for (size_t rest = size;; rest >>= 7) {
        length[lengthBytes++] = char((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
        if (rest <= 0x7F)
            break;
    }
    const size_t need = lengthBytes + size;
    size_t at = m_arenaEnd;
    if (need > m_arenaLimit - at) {
        at = m_arena.size() * kArenaBlock;
        if (at + need >= kNullOffset)
            throw StoreError(QStringLiteral("结果集中的文字超过了 4 GB"));
        // The first block is small: most columns that keep their texts once hold a few kilobytes.
        // A text longer than a block has an allocation of its own, standing for as many blocks.
        const size_t bytes = std::max(need, m_arena.empty() ? size_t(1) << 14 : kArenaBlock);
        m_arena.emplace_back(new char[bytes]);
        for (size_t b = kArenaBlock; b < bytes; b += kArenaBlock)
            m_arena.emplace_back();
        m_arenaLimit = at + bytes;
        m_arenaHeld += bytes;
    }
    char* p = m_arena[at >> kArenaShift].get() + (at & (kArenaBlock - 1));
    std::memcpy(p, length, lengthBytes);
    std::memcpy(p + lengthBytes, data, size);
    m_arenaEnd = at + need;
    return uint32_t(at);
}

std::string_view ColumnStore::textAt(uint32_t offset) const {
    const char* p = m_arena[offset >> kArenaShift].get() + (offset & (kArenaBlock - 1));
    size_t length = 0;
    int shift = 0;
    unsigned char byte;
    do {
        byte = uchar(*p++);
        length |= size_t(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    return {p, length};
}

uint32_t ColumnStore::code(int row) const { return getCode(&m_codes[size_t(row) * size_t(m_codeWidth)], m_codeWidth); }

void ColumnStore::setCode(int row, uint32_t code) {
    if (code > largestCode(m_codeWidth))
        widenCodes(m_codeWidth * 2);
    putCode(&m_codes[size_t(row) * size_t(m_codeWidth)], m_codeWidth, code);
}

void ColumnStore::widenCodes(int width) {
    ColumnBlocks<uint8_t> wide;
    const size_t rows = m_codes.size() / size_t(m_codeWidth);
    wide.resize(rows * size_t(width), 0);
    for (size_t r = 0; r < rows; ++r)
        putCode(&wide[r * size_t(width)], width, getCode(&m_codes[r * size_t(m_codeWidth)], m_codeWidth));
    std::swap(m_codes, wide);
    m_codeWidth = width;
}

uint32_t ColumnStore::offsetOf(int row) const {
    if (m_codeWidth == 0)
        return m_offsets[size_t(row)];
    const uint32_t c = code(row);
    return c == 0 ? kNullOffset : m_entries[c - 1];
}

// The code of a text, a new entry when the column does not hold it yet. A slot holds a code in its
// low 24 bits and the top byte of the text's hash above, so most slots of other texts are passed
// without reading their texts.
uint32_t ColumnStore::codeOf(const char* data, size_t size) {
    if (m_lastCode != 0 && m_lastText.size() == size && std::memcmp(m_lastText.data(), data, size) == 0)
        return m_lastCode;
    if (m_slots.empty())
        rehash(std::max<size_t>(1024, size_t(1) << (64 - __builtin_clzll(m_entries.size() * 4 / 3 + 1))));
    const uint32_t hash = hashOf(data, size);
    const uint32_t tag = hash & ~kSlotCode;
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    for (uint32_t slot; (slot = m_slots[i]) != 0; i = (i + 1) & mask)
        if ((slot & ~kSlotCode) == tag) {
            const uint32_t c = slot & kSlotCode;
            const std::string_view held = textAt(m_entries[c - 1]);
            if (held.size() == size && std::memcmp(held.data(), data, size) == 0) {
                m_lastText = held;
                return m_lastCode = c;
            }
        }
    const uint32_t offset = store(data, size);
    m_entries.push_back(offset);
    const auto c = uint32_t(m_entries.size());
    m_slots[i] = tag | c;
    if (m_entries.size() * 4 > m_slots.size() * 3)
        rehash(m_slots.size() * 2);
    m_lastText = textAt(offset);
    return m_lastCode = c;
}

void ColumnStore::rehash(size_t slotCount) {
    m_slots.assign(slotCount, 0);
    const size_t mask = slotCount - 1;
    for (size_t e = 0; e < m_entries.size(); ++e) {
        const std::string_view text = textAt(m_entries[e]);
        const uint32_t hash = hashOf(text.data(), text.size());
        size_t i = hash & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = (hash & ~kSlotCode) | uint32_t(e + 1);
    }
}

// The texts hardly repeat: every row gets the offset of its text, and texts read from now on are
// stored as they come.
void ColumnStore::storeEveryText() {
    m_offsets.resize(size_t(m_rows), kNullOffset);
    for (int r = 0; r < m_rows; ++r)
        m_offsets[size_t(r)] = offsetOf(r);
    m_codeWidth = 0;
    m_codes.release();
    m_entries.release();
    std::vector<uint32_t>().swap(m_slots);
    std::vector<uint32_t>().swap(m_displayRanks);
    m_lastCode = 0;
}

size_t ColumnStore::heldBytes() const {
    return m_numbers.heldBytes() + m_arenaHeld + m_codes.heldBytes() + m_entries.heldBytes() +
           m_slots.capacity() * 4 + m_offsets.heldBytes() + m_displayRanks.capacity() * 4;
}

void ColumnStore::markTexts(std::vector<uint8_t>& flags, const std::function<bool(std::string_view)>& test) const {
    if (m_kind != Kind::Text)
        return;
    const size_t rows = std::min(flags.size(), size_t(m_rows));
    if (m_codeWidth == 0) {
        for (size_t r = 0; r < rows; ++r)
            if (m_offsets[r] != kNullOffset && test(textAt(m_offsets[r])))
                flags[r] = 1;
        return;
    }
    std::vector<uint8_t> passes(m_entries.size() + 1, 0);
    for (size_t e = 0; e < m_entries.size(); ++e)
        passes[e + 1] = test(textAt(m_entries[e])) ? 1 : 0;
    for (size_t r = 0; r < rows; ++r)
        flags[r] |= passes[code(int(r))];
}

void ColumnStore::finishReading() {
    // The table finds texts while rows are read; an edited row rebuilds it when it needs it.
    std::vector<uint32_t>().swap(m_slots);
}

void ColumnStore::startTexts() {
    m_kind = Kind::Text;
    m_codeWidth = 1;
    m_codes.release();
    m_codes.resize(size_t(m_rows), 0);
}

void ColumnStore::appendNumber(double value) {
    if (m_kind == Kind::Text) {
        const QByteArray text = generalNumberText(value).toUtf8();
        appendUtf8(text.constData(), int(text.size()));
        return;
    }
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Number;
        m_numbers.resize(size_t(m_rows));
    }
    m_numbers.push_back(value);
    ++m_rows;
}

void ColumnStore::appendUtf8(const char* data, int size) {
    if (m_kind == Kind::Number)
        toText();
    if (m_kind == Kind::Empty)
        startTexts();
    if (m_codeWidth > 0 && m_entries.size() >= kSlotCode)
        storeEveryText();
    if (m_codeWidth == 0) {
        m_offsets.push_back(store(data, size_t(size)));
        ++m_rows;
        return;
    }
    const uint32_t c = codeOf(data, size_t(size));
    if (c > largestCode(m_codeWidth))
        widenCodes(m_codeWidth * 2);
    for (int i = 0; i < m_codeWidth; ++i)
        m_codes.push_back(uint8_t(c >> (8 * i)));
    ++m_rows;
    if (m_rows >= kRowsBeforeChoosing && m_entries.size() * 2 > size_t(m_rows))
        storeEveryText();
}

bool ColumnStore::isNull(int row) const {
    switch (m_kind) {
    case Kind::Empty: return true;
    case Kind::Number: return std::isnan(m_numbers[size_t(row)]);
    case Kind::Text: return m_codeWidth > 0 ? code(row) == 0 : m_offsets[size_t(row)] == kNullOffset;
    }
    return true;
}

std::string_view ColumnStore::utf8(int row) const {
    if (m_kind != Kind::Text)
        return {};
    const uint32_t offset = offsetOf(row);
    return offset == kNullOffset ? std::string_view() : textAt(offset);
}

double ColumnStore::number(int row) const {
    switch (m_kind) {
    case Kind::Empty: return 0;
    case Kind::Number: {
        const double v = m_numbers[size_t(row)];
        return std::isnan(v) ? 0 : v;
    }
    case Kind::Text:
        return isNull(row) ? 0 : textToNumber(text(row));
    }
    return 0;
}

QString ColumnStore::text(int row) const {
    switch (m_kind) {
    case Kind::Empty: return QString();
    case Kind::Number: {
        const double v = m_numbers[size_t(row)];
        if (std::isnan(v))
            return QString();
        return m_integer ? QString::number(qint64(v)) : generalNumberText(v);
    }
    case Kind::Text: {
        const std::string_view bytes = utf8(row);
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    }
    }
    return QString();
}

QVariant ColumnStore::value(int row) const {
    if (isNull(row))
        return QVariant();
    if (m_kind == Kind::Number) {
        const double v = m_numbers[size_t(row)];
        return m_integer ? QVariant(qint64(v)) : QVariant(v);
    }
    return text(row);
}

bool ColumnStore::compareBesidesTexts(int a, int b, int* order) const {
    const bool na = isNull(a), nb = isNull(b);
    if (na || nb) {
        *order = na == nb ? 0 : (na ? -1 : 1);
        return true;
    }
    if (m_kind == Kind::Number) {
        const double x = m_numbers[size_t(a)], y = m_numbers[size_t(b)];
        *order = x < y ? -1 : (x > y ? 1 : 0);
        return true;
    }
    if (m_codeWidth > 0 && code(a) == code(b)) {
        *order = 0;
        return true;
    }
    return false;
}

int ColumnStore::compare(int a, int b) const {
    int order = 0;
    return compareBesidesTexts(a, b, &order) ? order : compareGbk(utf8(a), utf8(b));
}

int ColumnStore::compareAsEngine(int a, int b, bool ignoreCase) const {
    int order = 0;
    return compareBesidesTexts(a, b, &order) ? order : compareBytes(utf8(a), utf8(b), ignoreCase);
}

void ColumnStore::setNull(int row) {
    if (m_kind == Kind::Number)
        m_numbers.set(size_t(row), kEmpty);
    else if (m_kind == Kind::Text && m_codeWidth > 0)
        setCode(row, 0);
    else if (m_kind == Kind::Text)
        m_offsets[size_t(row)] = kNullOffset;
}

void ColumnStore::setNumber(int row, double value) {
    if (m_kind == Kind::Text) {
        setText(row, generalNumberText(value));
        return;
    }
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Number;
        m_numbers.resize(size_t(m_rows));
    }
    m_numbers.set(size_t(row), value);
}

void ColumnStore::setText(int row, const QString& value) {
    if (m_kind == Kind::Number)
        toText();
    if (m_kind == Kind::Empty)
        startTexts();
    const QByteArray bytes = value.toUtf8();
    if (m_codeWidth > 0 && m_entries.size() >= kSlotCode)
        storeEveryText();
    if (m_codeWidth > 0)
        setCode(row, codeOf(bytes.constData(), size_t(bytes.size())));
    else
        m_offsets[size_t(row)] = store(bytes.constData(), size_t(bytes.size()));
}

// A text arrived in a column of numbers: the column keeps every value, as text.
void ColumnStore::toText() {
    NumberCells numbers;
    std::swap(numbers, m_numbers);
    startTexts();
    for (int r = 0; r < m_rows; ++r)
        if (!std::isnan(numbers[size_t(r)]))
            setText(r, m_integer ? QString::number(qint64(numbers[size_t(r)])) : generalNumberText(numbers[size_t(r)]));
}

// ---- sorting ----

// The ranks of the entries in the order asked for; texts that differ only in the case of Latin
// letters compare equal and share their rank.
std::vector<uint32_t> ColumnStore::entryRanks(TextOrder how) const {
    const size_t n = m_entries.size();
    if (how != TextOrder::Display) {
        const bool ignoreCase = how == TextOrder::BytesIgnoringCase;
        return ranksBy(n, [&](uint32_t x, uint32_t y) {
            return compareBytes(textAt(m_entries[x]), textAt(m_entries[y]), ignoreCase);
        });
    }
    std::vector<SortKey> keys(n);
    for (size_t e = 0; e < n; ++e)
        keys[e] = sortKeyOf(textAt(m_entries[e]), false);
    return ranksBy(n, [&](uint32_t x, uint32_t y) {
        if (!(keys[x] == keys[y]))
            return keys[x] < keys[y] ? -1 : 1;
        return keyDecides(keys[x]) ? 0 : compareGbk(textAt(m_entries[x]), textAt(m_entries[y]));
    });
}

// A counting sort on the ranks of the rows' texts: stable, and one pass over the rows.
void ColumnStore::sortByRanks(std::vector<int>& order, bool descending, const std::vector<uint32_t>& ranks) const {
    const uint32_t top = ranks.empty() ? 0 : *std::max_element(ranks.begin(), ranks.end());
    std::vector<uint32_t> start(size_t(top) + 2, 0);
    for (const int row : order)
        ++start[ranks[code(row)] + 1];
    if (descending) {
        // The highest rank first: bucket r starts after all buckets above it.
        std::vector<uint32_t> count(start.begin() + 1, start.end());
        uint32_t at = 0;
        for (size_t r = count.size(); r-- > 0;) {
            start[r] = at;
            at += count[r];
        }
    } else {
        for (size_t r = 1; r < start.size(); ++r)
            start[r] += start[r - 1];
    }
    // Rows in read order (a result just read) need not be kept aside: they are sorted in place.
    bool readOrder = true;
    for (size_t i = 0; i < order.size() && readOrder; ++i)
        readOrder = order[i] == int(i);
    if (readOrder) {
        for (size_t row = 0; row < order.size(); ++row)
            order[start[ranks[code(int(row))]]++] = int(row);
        return;
    }
    std::vector<int> sorted(order.size());
    for (const int row : order)
        sorted[start[ranks[code(row)]]++] = row;
    order.swap(sorted);
}

// Rows of a column that keeps every text: by a key read once per row (a text's first eight
// characters) with the shown position as tie-break; only texts that share their first characters
// are then compared in full.
void ColumnStore::sortByOffsets(std::vector<int>& order, bool descending, TextOrder how) const {
    if (how != TextOrder::Display) {
        const bool ignoreCase = how == TextOrder::BytesIgnoringCase;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = compareAsEngine(a, b, ignoreCase);
            return descending ? c > 0 : c < 0;
        });
        return;
    }
    struct Key {
        SortKey key;
        int position;
        int row;
    };
    std::vector<Key> keys(order.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const int row = order[i];
        const uint32_t offset = m_offsets[size_t(row)];
        keys[i] = {sortKeyOf(offset == kNullOffset ? std::string_view() : textAt(offset), offset == kNullOffset),
                   int(i), row};
    }
    std::sort(keys.begin(), keys.end(), [descending](const Key& x, const Key& y) {
        if (!(x.key == y.key))
            return descending ? y.key < x.key : x.key < y.key;
        return x.position < y.position;
    });
    for (size_t begin = 0; begin < keys.size();) {
        size_t end = begin + 1;
        while (end < keys.size() && keys[end].key == keys[begin].key)
            ++end;
        if (end - begin > 1 && !keyDecides(keys[begin].key))
            std::stable_sort(keys.begin() + long(begin), keys.begin() + long(end), [&](const Key& x, const Key& y) {
                const int c = compare(x.row, y.row);
                return descending ? c > 0 : c < 0;
            });
        begin = end;
    }
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].row;
}

void ColumnStore::sortRows(std::vector<int>& order, bool descending) const {
    if (m_kind == Kind::Text && m_codeWidth > 0) {
        if (m_displayRanks.size() != m_entries.size() + 1)
            m_displayRanks = entryRanks(TextOrder::Display);
        sortByRanks(order, descending, m_displayRanks);
    } else if (m_kind == Kind::Text) {
        sortByOffsets(order, descending, TextOrder::Display);
    } else if (m_kind == Kind::Number) {
        // By the number's key, the shown position as tie-break.
        struct Key {
            uint64_t key;
            uint32_t position;
        };
        std::vector<Key> keys(order.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            const double v = m_numbers[size_t(order[i])];
            keys[i] = {numberKey(v, std::isnan(v)), uint32_t(i)};
        }
        std::sort(keys.begin(), keys.end(), [descending](const Key& x, const Key& y) {
            if (x.key != y.key)
                return descending ? y.key < x.key : x.key < y.key;
            return x.position < y.position;
        });
        std::vector<int> sorted(order.size());
        for (size_t i = 0; i < keys.size(); ++i)
            sorted[i] = order[keys[i].position];
        order.swap(sorted);
    }
}

void ColumnStore::sortRowsAsEngine(std::vector<int>& order, bool descending, bool ignoreCase) const {
    const TextOrder how = ignoreCase ? TextOrder::BytesIgnoringCase : TextOrder::Bytes;
    if (m_kind == Kind::Text && m_codeWidth > 0)
        sortByRanks(order, descending, entryRanks(how));
    else if (m_kind == Kind::Text)
        sortByOffsets(order, descending, how);
    else
        sortRows(order, descending);
}
