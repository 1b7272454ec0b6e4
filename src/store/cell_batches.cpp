#include "store/cell_batches.h"

#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

void CellBatch::appendTo(std::vector<ColumnStore>& columns) const {
    const size_t count = columns.size();
    const uint64_t* value = m_values.data();
    for (size_t i = 0; i < m_types.size();) {
        for (size_t c = 0; c < count; ++c, ++i) {
            ColumnStore& column = columns[c];
            switch (m_types[i]) {
            case Type::Null: column.appendNull(); break;
            case Type::Number: {
                double number;
                std::memcpy(&number, value++, sizeof number);
                column.appendNumber(number);
                break;
            }
            case Type::Text: {
                const uint64_t text = *value++;
                column.appendUtf8(m_bytes.data() + (text >> 32), int(uint32_t(text)));
                break;
            }
            }
        }
    }
}

namespace {

// A second thread pays only where a core is free besides the one this thread takes: with the
// cores busy the two threads took 10 to 30 % longer than one.
bool aCoreIsFree() {
    const unsigned cores = std::thread::hardware_concurrency();
    double load = 0;
    return cores >= 2 && getloadavg(&load, 1) == 1 && load < cores - 1;
}

}  // namespace

void readInBatches(std::vector<ColumnStore>& columns, const std::function<bool(CellBatch&)>& fill,
                   ReadingThreads threads) {
    // A small result is read on this thread alone: a thread of its own would cost more than it
    // gives.
    CellBatch first;
    bool more = fill(first);
    first.appendTo(columns);
    if (more && (threads == ReadingThreads::One || (threads == ReadingThreads::WhereACoreIsFree && !aCoreIsFree()))) {
        while (more) {
            first.clear();
            more = fill(first);
            first.appendTo(columns);
        }
    }
    if (!more)
        return;

    // Three batches go round: one being filled, one being appended, one waiting in between.
    std::vector<CellBatch> batches(3);
    std::vector<CellBatch*> free = {&batches[0], &batches[1], &batches[2]};
    std::vector<CellBatch*> filled;  // in the order they were filled
    bool finished = false;
    bool stopped = false;  // this side failed: the reader stops too
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable changed;

    std::thread reader([&] {
        for (bool going = true; going;) {
            CellBatch* batch;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return !free.empty() || stopped; });
                if (stopped)
                    return;
                batch = free.back();
                free.pop_back();
            }
            batch->clear();
            try {
                going = fill(*batch);
            } catch (...) {
                failure = std::current_exception();
                going = false;
            }
            std::lock_guard<std::mutex> lock(mutex);
            filled.push_back(batch);
            finished = !going;
            changed.notify_all();
        }
    });
    try {
        for (;;) {
            CellBatch* batch = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return !filled.empty() || finished; });
                if (filled.empty())
                    break;
                batch = filled.front();
                filled.erase(filled.begin());
            }
            batch->appendTo(columns);
            std::lock_guard<std::mutex> lock(mutex);
            free.push_back(batch);
            changed.notify_all();
        }
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopped = true;
            changed.notify_all();
        }
        reader.join();
        throw;
    }
    reader.join();
    if (failure)
        std::rethrow_exception(failure);
}
