#include "records/every_sale_hold.h"

#include "store/database.h"
#include "store/sales_table.h"
#include "store/store_error.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
// Changes come in bursts (an import, a till's order of several lines): the rows are read again
// once the ledger has been quiet this long,
constexpr int kQuietMs = 2000;
// and with other tills selling all day, not more often than this, so a window left open does not
// keep a core reading.
constexpr qint64 kLeastBetweenReadsMs = 60000;
// The window paints its month view first; a read beside it would slow that down.
constexpr int kAfterOpeningMs = 200;

// Hands the pages of rows just freed back to the system. They were taken on the reading thread,
// whose own heap the allocator keeps when it is freed: a closed window would otherwise leave the
// program hundreds of MB larger, and the next opening larger again.
void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// "全部记录" from the rows held, which are in the order they were written: by date as the engine
// orders dates, then as written.
std::optional<std::vector<int>> everyRowByDate(const Dataset& rows) {
    const int date = rows.columnIndex(salesrecord::kDate);
    const LedgerEngine::TextOrder order = rows.database().engine().orderOf(salesrecord::kTable, salesrecord::kDate);
    if (date < 0 || order == LedgerEngine::TextOrder::Unknown)
        return std::nullopt;
    std::vector<int> shown(size_t(rows.storedRowCount()));
    std::iota(shown.begin(), shown.end(), 0);
    rows.storedColumn(date).sortRowsAsEngine(shown, false, order == LedgerEngine::TextOrder::BytesIgnoringCase);
    return shown;
}
}  // namespace

struct EverySaleHold::Run {
    std::thread thread;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool stopping = false;
    Database* reading = nullptr;  // the reading connection while its read runs
    std::optional<Dataset> rows;

    void waitUntilDone(bool interrupting) {
        std::unique_lock<std::mutex> held(lock);
        stopping = stopping || interrupting;
        // An interrupt that comes between two statements of the read stops nothing: it is sent
        // again until the read is over.
        while (!done) {
            if (interrupting && reading)
                reading->engine().interrupt();
            finished.wait_for(held, std::chrono::milliseconds(20));
        }
        held.unlock();
        if (thread.joinable())
            thread.join();
    }
};

EverySaleHold::EverySaleHold(QObject* parent) : QObject(parent) {
    m_again.setSingleShot(true);
    connect(&m_again, &QTimer::timeout, this, [this] {
        if (m_db)
            read(*m_db, m_openReader);
    });
}

EverySaleHold::~EverySaleHold() { drop(); }

void EverySaleHold::readSoon(Database& db, OpenReader openReader) {
    drop();
    m_db = &db;
    m_openReader = std::move(openReader);
    m_soon = true;
    m_again.start(kAfterOpeningMs);
}

void EverySaleHold::read(Database& db, OpenReader openReader) {
    drop();
    m_db = &db;
    m_openReader = openReader;
    try {
        m_changes = db.engine().changesElsewhere();
    } catch (const StoreError&) {
        return;  // the window's own reads will say what is wrong
    }
    m_sinceRead.start();
    auto run = std::make_shared<Run>();
    m_run = run;
    run->thread = std::thread([this, run, openReader] {
        std::optional<Dataset> rows;
        {
            Database reader;
            try {
                openReader(reader);
                bool stopping;
                {
                    const std::lock_guard<std::mutex> held(run->lock);
                    stopping = run->stopping;
                    run->reading = &reader;
                }
                if (!stopping) {
                    Dataset every(QStringLiteral("EverySale"), allSalesStatement().sql, &reader);
                    every.open();
                    rows = std::move(every);
                }
            } catch (...) {
                rows.reset();  // stopped, or the ledger could not be read: searches go to the engine
            }
            const std::lock_guard<std::mutex> held(run->lock);
            run->reading = nullptr;
        }
        {
            const std::lock_guard<std::mutex> held(run->lock);
            run->rows = std::move(rows);
            run->done = true;
        }
        run->finished.notify_all();
        // Dropped with this object if it is gone by then; the destructor waits for the thread.
        QMetaObject::invokeMethod(this, [this] { finishRun(); }, Qt::QueuedConnection);
    });
}

void EverySaleHold::finishRun() {
    if (!m_run)
        return;
    {
        const std::lock_guard<std::mutex> held(m_run->lock);
        if (!m_run->done)
            return;
    }
    const std::shared_ptr<Run> run = std::move(m_run);
    run->waitUntilDone(false);
    m_rows = std::move(run->rows);
    if (m_rows)
        m_rows->setDatabase(m_db);
}

bool EverySaleHold::isCurrent() {
    if (!m_rows || !m_db)
        return false;
    try {
        // Taking the mark may hand on another till's notice, which drops the rows at once.
        const QVariant now = m_db->engine().changesElsewhere();
        return m_rows && now == m_changes;
    } catch (const StoreError&) {
        return false;
    }
}

Dataset* EverySaleHold::answer(const SalesStatement& statement, HeldSales::Reading reading,
                               const SalesSearchConditions& conditions) {
    if (reading == HeldSales::Reading::Other)
        return nullptr;
    finishRun();  // a read that has just ended, before the event loop hands it on
    if (reading == HeldSales::Reading::Every) {
        // A read under way ends sooner than a read of the same rows begun now, and its rows are
        // not held twice.
        waitForRead();
    } else if (m_run) {
        // A search meanwhile is the engine's: a date range or a rare name is answered from an
        // index at once, sooner than the rest of the read.
        return nullptr;
    }
    if (!isCurrent())
        return nullptr;
    Dataset& rows = *m_rows;
    std::optional<std::vector<int>> shown =
        reading == HeldSales::Reading::Every ? everyRowByDate(rows) : heldSearchRows(rows, conditions);
    if (!shown)
        return nullptr;
    rows.showStoredRows(statement.sql, statement.params, std::move(*shown));
    return &rows;
}

void EverySaleHold::waitForRead() {
    if (m_soon && m_again.isActive() && m_db) {
        m_again.stop();
        read(*m_db, m_openReader);
    }
    if (!m_run)
        return;
    m_run->waitUntilDone(false);
    finishRun();
}

void EverySaleHold::forget() {
    freeRows();
    if (!m_db)
        return;
    const qint64 sinceRead = m_sinceRead.isValid() ? m_sinceRead.elapsed() : kLeastBetweenReadsMs;
    m_again.start(int(std::max<qint64>(kQuietMs, kLeastBetweenReadsMs - sinceRead)));
}

bool EverySaleHold::refreshRecord(qint64 id) {
    if (m_run)
        return false;  // the read under way may hold the row as it was
    if (!m_rows)
        return true;
    try {
        return m_rows->refreshStoredRecord(id);
    } catch (const StoreError&) {
        return false;
    }
}

std::optional<Dataset> EverySaleHold::take() {
    std::optional<Dataset> rows = std::move(m_rows);
    m_rows.reset();
    return rows;
}

void EverySaleHold::drop() {
    m_again.stop();
    m_soon = false;
    freeRows();
    m_db = nullptr;
}

void EverySaleHold::freeRows() {
    const bool held = m_run || m_rows;
    if (m_run) {
        m_run->waitUntilDone(true);
        m_run.reset();
    }
    m_rows.reset();
    if (held)
        returnFreedMemory();
}
