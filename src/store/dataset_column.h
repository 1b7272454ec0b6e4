#pragma once
// One column of an open result in read order, held compactly: numbers in a double buffer, texts as UTF-8 in one
// arena with a 4-byte offset per row. Nothing is hashed or converted while rows are read; a column
// that is empty in every row stores nothing.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <string_view>
#include <vector>

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

    // Appending rows while a result is read.
    void appendNull() { grow(1); }
    void appendNumber(double value);
    void appendUtf8(const char* data, int size);

    void setNull(int row);
    void setNumber(int row, double value);
    void setText(int row, const QString& value);
    void setInteger(bool integer) { m_integer = integer; }
    bool isInteger() const { return m_integer; }
    // A 128-bit key (high, low) whose order agrees with compare() on the first eight characters.
    struct SortKey {
        uint64_t high = 0;
        uint64_t low = 0;
        bool operator==(const SortKey& o) const { return high == o.high && low == o.low; }
        bool operator<(const SortKey& o) const { return high != o.high ? high < o.high : low < o.low; }
    };
    SortKey sortKey(int row) const;

private:
    // Empty cells first, numbers by value: true with the order in `order` when the cells are no
    // two texts.
    bool compareBesidesTexts(int a, int b, int* order) const;
    static constexpr uint32_t kNullOffset = 0xFFFFFFFFu;
    void grow(int rows);
    void toText();
    uint32_t store(const char* data, size_t size);

    QString m_name;
    Kind m_kind = Kind::Empty;
    bool m_integer = false;          // whole numbers (identities) read back as integers
    int m_rows = 0;
    std::vector<double> m_numbers;   // NaN marks an empty cell
    std::vector<uint32_t> m_offsets; // into m_arena, kNullOffset marks an empty cell
    std::vector<char> m_arena;       // each text: its length as a varint, then its UTF-8 bytes
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

private:
    int at(int row) const { return (*m_order)[size_t(row)]; }
    const ColumnStore* m_store;
    const std::vector<int>* m_order;
};
