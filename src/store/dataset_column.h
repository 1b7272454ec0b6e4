#pragma once
// One column of an open result in read order, held compactly: numbers in four bytes while they are
// whole, else in eight, texts as UTF-8 in one arena. A text column that repeats (names, suppliers, dates) keeps each distinct text
// once and a code of 1, 2 or 4 bytes per row; one whose texts hardly repeat (telephone numbers)
// keeps every text in the arena with a 4-byte offset per row, as hashing it would gain nothing.
// Which of the two is decided while the rows are read. A column that is empty in every row stores
// nothing.
#include <QString>
#include <QVariant>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

// Values in fixed blocks of 2^16 that never move: a column grows without copying what it holds, so
// reading leaves no freed copies behind (with growing buffers they came to a tenth of the result).
template <typename T>
class ColumnBlocks {
public:
    static constexpr int kShift = 16;
    static constexpr size_t kBlock = size_t(1) << kShift;
    size_t size() const { return m_size; }
    T& operator[](size_t i) { return m_blocks[i >> kShift][i & (kBlock - 1)]; }
    const T& operator[](size_t i) const { return m_blocks[i >> kShift][i & (kBlock - 1)]; }
    void push_back(T value) {
        if (m_size == m_blocks.size() * kBlock)
            m_blocks.emplace_back(new T[kBlock]);
        (*this)[m_size++] = value;
    }
    void resize(size_t size, T value) {
        while (m_size < size)
            push_back(value);
        m_size = size;
    }
    void release() {
        std::vector<std::unique_ptr<T[]>>().swap(m_blocks);
        m_size = 0;
    }
    size_t heldBytes() const { return m_blocks.size() * kBlock * sizeof(T); }

private:
    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_size = 0;
};

// The numbers of a column: four bytes a row while every number is whole and fits (identities,
// quantities: a million rows hold 4 MB less each), eight from the first that does not. NaN marks
// an empty cell.
class NumberCells {
public:
    double operator[](size_t i) const {
        if (m_wide)
            return m_doubles[i];
        const int32_t w = m_wholes[i];
        return w == kEmptyWhole ? std::numeric_limits<double>::quiet_NaN() : double(w);
    }
    void push_back(double value) {
        if (m_wide)
            m_doubles.push_back(value);
        else if (std::isnan(value))
            m_wholes.push_back(kEmptyWhole);
        else if (isWhole(value))
            m_wholes.push_back(int32_t(value));
        else {
            widen();
            m_doubles.push_back(value);
        }
    }
    void set(size_t i, double value);
    // Empty cells up to `size`.
    void resize(size_t size);
    size_t heldBytes() const { return m_wholes.heldBytes() + m_doubles.heldBytes(); }

private:
    static constexpr int32_t kEmptyWhole = std::numeric_limits<int32_t>::min();
    // -0 is not: it would read back as 0.
    static bool isWhole(double v) {
        return v >= -2147483647.0 && v <= 2147483647.0 && double(int32_t(v)) == v && !(v == 0 && std::signbit(v));
    }
    void widen();
    bool m_wide = false;
    ColumnBlocks<int32_t> m_wholes;
    ColumnBlocks<double> m_doubles;
};

class ColumnStore {
public:
    enum class Kind { Empty, Number, Text };
    explicit ColumnStore(QString name = {}) : m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    Kind kind() const { return m_kind; }
    int rowCount() const { return m_rows; }
    bool isNull(int row) const;
    double number(int row) const;           // 0 for an empty cell; texts are converted or throw
    QString text(int row) const;            // "" for an empty cell; numbers in the general number text
    std::string_view utf8(int row) const;   // the stored bytes of a text cell, empty otherwise
    QVariant value(int row) const;          // invalid for an empty cell
    // The order of a title-click sort: empty first, then numbers, then texts in GBK order (which
    // puts the common Chinese characters in pinyin order).
    int compare(int a, int b) const;
    // The engine's own order: empty first, numbers, then texts by bytes (or ignoring Latin case).
    int compareAsEngine(int a, int b, bool ignoreCase) const;
    // Reorders the rows listed in `order` by compare() (or by compareAsEngine()); rows that compare
    // equal keep their places relative to each other.
    void sortRows(std::vector<int>& order, bool descending) const;
    void sortRowsAsEngine(std::vector<int>& order, bool descending, bool ignoreCase) const;

    // Appending rows while a result is read; finishReading() drops what only reading needs.
    void appendNull() { grow(1); }
    void appendNumber(double value);
    void appendUtf8(const char* data, int size);
    void finishReading();

    void setNull(int row);
    void setNumber(int row, double value);
    void setText(int row, const QString& value);
    void setInteger(bool integer) { m_integer = integer; }
    bool isInteger() const { return m_integer; }
    // True while the texts are kept once each, with a code per row.
    bool keepsDistinctTexts() const { return m_kind == Kind::Text && m_codeWidth > 0; }
    int distinctTexts() const { return int(m_entries.size()); }
    // A column that, after this many rows, holds more distinct texts than half its rows keeps
    // every text in the arena from then on: its texts hardly repeat.
    static constexpr int kRowsBeforeChoosing = 4096;
    // The bytes the column holds, for the benchmarks' account of memory.
    size_t heldBytes() const;
    // Sets flags[row] for every row whose text passes `test`, asked once per distinct text where
    // the column keeps them once; empty cells and numbers never pass.
    void markTexts(std::vector<uint8_t>& flags, const std::function<bool(std::string_view)>& test) const;

private:
    enum class TextOrder { Display, Bytes, BytesIgnoringCase };
    // Empty cells first, numbers by value: true with the order in `order` when the cells are no
    // two texts.
    bool compareBesidesTexts(int a, int b, int* order) const;
    static constexpr uint32_t kNullOffset = 0xFFFFFFFFu;
    void grow(int rows);
    void toText();
    void startTexts();
    uint32_t store(const char* data, size_t size);
    std::string_view textAt(uint32_t offset) const;
    uint32_t offsetOf(int row) const;
    // Codes: 0 marks an empty cell, c > 0 the text at m_entries[c - 1].
    uint32_t code(int row) const;
    void setCode(int row, uint32_t code);
    void widenCodes(int width);
    uint32_t codeOf(const char* data, size_t size);
    void rehash(size_t slotCount);
    void storeEveryText();
    void sortByOffsets(std::vector<int>& order, bool descending, TextOrder how) const;
    void sortByRanks(std::vector<int>& order, bool descending, const std::vector<uint32_t>& ranks) const;
    std::vector<uint32_t> entryRanks(TextOrder how) const;

    QString m_name;
    Kind m_kind = Kind::Empty;
    bool m_integer = false;          // whole numbers (identities) read back as integers
    int m_rows = 0;
    NumberCells m_numbers;
    // Each text: its length as a varint, then its UTF-8 bytes, never across a block of the arena
    // (an offset is block * kArenaBlock + position; a text longer than a block has blocks of its own).
    static constexpr int kArenaShift = 20;
    static constexpr size_t kArenaBlock = size_t(1) << kArenaShift;
    std::vector<std::unique_ptr<char[]>> m_arena;
    size_t m_arenaEnd = 0;            // where the next text goes
    size_t m_arenaLimit = 0;          // the end of the last block
    size_t m_arenaHeld = 0;
    // Distinct texts: m_codeWidth bytes per row in m_codes, the arena offset of each text in m_entries.
    int m_codeWidth = 0;              // 0 once every text is kept in the arena with its own offset
    ColumnBlocks<uint8_t> m_codes;
    ColumnBlocks<uint32_t> m_entries;
    static constexpr uint32_t kSlotCode = 0xFFFFFF;  // codes up to this; a column with more keeps each text
    std::vector<uint32_t> m_slots;    // open addressing, while reading: a code with a hash tag, or 0 for a free slot
    uint32_t m_lastCode = 0;          // runs of equal texts are common (dates, a day's customer)
    std::string_view m_lastText;      // its text (blocks of the arena never move)
    ColumnBlocks<uint32_t> m_offsets; // every text its own: into the arena, kNullOffset marks an empty cell
    mutable std::vector<uint32_t> m_displayRanks;  // of the entries in compare() order, when sorted once
};

// A column of a dataset as its users see it: rows in the dataset's current order.
class DatasetColumn {
public:
    using Kind = ColumnStore::Kind;
    DatasetColumn(const ColumnStore& store, const std::vector<int>& order) : m_store(&store), m_order(&order) {}

    const QString& name() const { return m_store->name(); }
    Kind kind() const { return m_store->kind(); }
    int rowCount() const { return int(m_order->size()); }
    bool isInteger() const { return m_store->isInteger(); }
    bool isNull(int row) const { return m_store->isNull(at(row)); }
    double number(int row) const { return m_store->number(at(row)); }
    QString text(int row) const { return m_store->text(at(row)); }
    std::string_view utf8(int row) const { return m_store->utf8(at(row)); }
    QVariant value(int row) const { return m_store->value(at(row)); }
    int compare(int a, int b) const { return m_store->compare(at(a), at(b)); }
    bool keepsDistinctTexts() const { return m_store->keepsDistinctTexts(); }
    int distinctTexts() const { return m_store->distinctTexts(); }
    size_t heldBytes() const { return m_store->heldBytes(); }

private:
    int at(int row) const { return (*m_order)[size_t(row)]; }
    const ColumnStore* m_store;
    const std::vector<int>* m_order;
};
