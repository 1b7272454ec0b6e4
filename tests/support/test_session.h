#pragma once
// What a test program starts from, in one line: a working folder with its own settings, a new
// data.mdb opened as the data module, the recording UI services, a clock fixed at `now`, and a
// builder for the rows the test needs.
//     std::unique_ptr<TestSession> m_session;
//     void init() { m_session = std::make_unique<TestSession>(); }
//     void cleanup() { m_session.reset(); }
#include "support/ledger_builder.h"
#include "support/recording_ui.h"
#include "support/temp_workdir.h"

#include <QDateTime>

// The fixed clock of a session unless a test needs another day.
inline const QDateTime kTestNow(QDate(2024, 3, 5), QTime(9, 30, 15));

class TestSession {
public:
    enum class Ledger { Open, None };  // None: the folder, the services and the clock only

    explicit TestSession(const QDateTime& now = kTestNow, Ledger ledger = Ledger::Open);
    explicit TestSession(Ledger ledger) : TestSession(kTestNow, ledger) {}

    // The connection of the data module.
    Database& db();
    QString file(const QString& name) const { return m_dir.file(name); }
    QString path() const { return m_dir.path(); }

private:
    struct OpenedWorkdir : TempWorkdir {
        explicit OpenedWorkdir(Ledger ledger);
    };
    OpenedWorkdir m_dir;  // first in, last out: the services go before the folder and its data

public:
    RecordingUi ui;
    LedgerBuilder ledger;
};
