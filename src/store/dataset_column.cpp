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

}  // namespace

void ColumnStore::grow(int rows) {
    m_rows += rows;
    if (m_kind == Kind::Number)
        m_numbers.resize(size_t(m_rows), kEmpty);
    else if (m_kind == Kind::Text)
        m_offsets.resize(size_t(m_rows), kNullOffset);
}

uint32_t ColumnStore::store(const char* data, size_t size) {
    const size_t offset = m_arena.size();
    if (offset + size + 5 >= kNullOffset)
        throw StoreError(QStringLiteral("结果集中的文字超过了 4 GB"));
    size_t length = size;
    do {
        const auto byte = char((length & 0x7F) | (length > 0x7F ? 0x80 : 0));
        m_arena.push_back(byte);
        length >>= 7;
    } while (length > 0);
    m_arena.insert(m_arena.end(), data, data + size);
    return uint32_t(offset);
}

void ColumnStore::appendNumber(double value) {
    if (m_kind == Kind::Text) {
        const QByteArray text = generalNumberText(value).toUtf8();
        appendUtf8(text.constData(), int(text.size()));
        return;
    }
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Number;
        m_numbers.assign(size_t(m_rows), kEmpty);
    }
    m_numbers.push_back(value);
    ++m_rows;
}

void ColumnStore::appendUtf8(const char* data, int size) {
    if (m_kind == Kind::Number)
        toText();
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Text;
        m_offsets.assign(size_t(m_rows), kNullOffset);
    }
    m_offsets.push_back(store(data, size_t(size)));
    ++m_rows;
}

bool ColumnStore::isNull(int row) const {
    switch (m_kind) {
    case Kind::Empty: return true;
    case Kind::Number: return std::isnan(m_numbers[size_t(row)]);
    case Kind::Text: return m_offsets[size_t(row)] == kNullOffset;
    }
    return true;
}

std::string_view ColumnStore::utf8(int row) const {
    if (m_kind != Kind::Text)
        return {};
    const uint32_t offset = m_offsets[size_t(row)];
    if (offset == kNullOffset)
        return {};
    const char* p = m_arena.data() + offset;
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

ColumnStore::SortKey ColumnStore::sortKey(int row) const {
    if (m_kind != Kind::Text || isNull(row))
        return {};
    const std::string_view bytes = utf8(row);
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

void ColumnStore::setNull(int row) {
    if (m_kind == Kind::Number)
        m_numbers[size_t(row)] = kEmpty;
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
        m_numbers.assign(size_t(m_rows), kEmpty);
    }
    m_numbers[size_t(row)] = value;
}

void ColumnStore::setText(int row, const QString& value) {
    if (m_kind == Kind::Number)
        toText();
    if (m_kind == Kind::Empty) {
        m_kind = Kind::Text;
        m_offsets.assign(size_t(m_rows), kNullOffset);
    }
    const QByteArray bytes = value.toUtf8();
    m_offsets[size_t(row)] = store(bytes.constData(), size_t(bytes.size()));
}

// A text arrived in a column of numbers: the column keeps every value, as text.
void ColumnStore::toText() {
    std::vector<double> numbers = std::move(m_numbers);
    m_numbers.clear();
    m_kind = Kind::Text;
    m_offsets.assign(size_t(m_rows), kNullOffset);
    for (int r = 0; r < m_rows; ++r)
        if (!std::isnan(numbers[size_t(r)])) {
            const QByteArray text = (m_integer ? QString::number(qint64(numbers[size_t(r)]))
                                               : generalNumberText(numbers[size_t(r)])).toUtf8();
            m_offsets[size_t(r)] = store(text.constData(), size_t(text.size()));
        }
}

