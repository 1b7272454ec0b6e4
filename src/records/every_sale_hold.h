#pragma once
// Every sale, read on a connection of its own while the sales window is open, so the window's
// searches and "全部记录" pick their rows from memory: with three million sales, one key typed into
// the name field would have the engine read two thirds of them again, for seconds. The price is
// the memory of "全部记录" for as long as the window is open.
#include "records/sales_filter.h"
#include "store/dataset.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class Database;

class EverySaleHold : public QObject {
    Q_OBJECT
public:
    // Opens the reading connection; runs on the reading thread.
    using OpenReader = std::function<void(Database&)>;

    explicit EverySaleHold(QObject* parent = nullptr);
    ~EverySaleHold() override;  // stops a read under way

    // Starts reading every sale on a connection `openReader` opens; the rows are then held for
    // `db`, the connection the window works on. What was held is dropped first.
    void read(Database& db, OpenReader openReader);
    // The same a moment later, once the window has painted; a search or a wait starts it at once.
    void readSoon(Database& db, OpenReader openReader);
    // The held rows, showing what `statement` gives: every sale, or a search's rows. Every sale
    // waits for a read under way; a search does not. Null when nothing current is held or the rows
    // cannot tell; the engine then answers.
    Dataset* answer(const SalesStatement& statement, HeldSales::Reading reading,
                    const SalesSearchConditions& conditions);
    // Waits for a read under way or about to start, which then holds its rows.
    void waitForRead();
    bool isReading() const { return m_run != nullptr; }
    // The rows held, or null; the hold drops them only when told to (forget, take, drop, read).
    Dataset* rows() { return m_rows ? &*m_rows : nullptr; }

    // The ledger changed: what is held is dropped, and every sale read again after a quiet moment.
    void forget();
    // A sale corrected through the window's connection: its held row is read again. False when the
    // rows cannot follow (the caller then forgets them).
    bool refreshRecord(qint64 id);
    // Hands over the held rows; nothing is held afterwards.
    std::optional<Dataset> take();
    // Stops reading, holds nothing, and reads nothing again (the window closed).
    void drop();

private:
    struct Run;
    void finishRun();
    void freeRows();  // stops a read under way too
    bool isCurrent();

    Database* m_db = nullptr;
    OpenReader m_openReader;
    std::shared_ptr<Run> m_run;
    std::optional<Dataset> m_rows;
    QVariant m_changes;  // the window connection's mark of others' changes when the read began
    QTimer m_again;      // the next read
    bool m_soon = false;  // the next read is the first, of a window just opened
    QElapsedTimer m_sinceRead;
};
