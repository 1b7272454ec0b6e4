#pragma once
// What a test program starts from, in one line: a working folder with its own settings, a new
// data.mdb opened as the data module, the recording UI services, a clock fixed at `now`, the
// program's session over them (`session()`, nobody logged in), and a builder for the rows the test
// needs.
//     std::unique_ptr<TestSession> m_session;
//     void init() { m_session = std::make_unique<TestSession>(); }
//     void cleanup() { m_session.reset(); }
// A test whose desktop answers differently names its own recorder: BasicTestSession<ReceiptUi>.
#include "store/data_module.h"
#include "support/ledger_builder.h"
#include "support/recording_ui.h"
#include "support/temp_workdir.h"
#include "users/ui/session.h"

#include <QDateTime>

// The fixed clock of a session unless a test needs another day.
inline const QDateTime kTestNow(QDate(2024, 3, 5), QTime(9, 30, 15));

enum class SessionLedger { Open, None };  // None: the folder, the services and the clock only

template <typename Ui = RecordingUi>
class BasicTestSession {
public:
    explicit BasicTestSession(const QDateTime& now = kTestNow, SessionLedger ledger = SessionLedger::Open)
        : m_dir(ledger), ledger(now.date()) {
        ui.setNow(now);
    }
    explicit BasicTestSession(SessionLedger ledger) : BasicTestSession(kTestNow, ledger) {}

    // Opens the new data.mdb of a session started without one.
    void openLedger() { m_dir.openNewDatabase(); }
    // The connection of the data module.
    Database& db() { return dm().connection(); }
    // What the windows under test are given; a test logs a user in with session().grantRights().
    Session& session() { return m_session; }
    // Datasets of the test's own on the ledger, for tests of the rows without a window.
    Dataset& stockQuery() { return m_session.onLedger(m_stock); }
    Dataset& salesQuery() { return m_session.onLedger(m_sales); }
    Dataset& summaryQuery() { return m_session.onLedger(m_summary); }
    QString file(const QString& name) const { return m_dir.file(name); }
    QString path() const { return m_dir.path(); }

private:
    struct OpenedWorkdir : TempWorkdir {
        explicit OpenedWorkdir(SessionLedger ledger) {
            if (ledger == SessionLedger::Open)
                openNewDatabase();
        }
    };
    OpenedWorkdir m_dir;  // first in, last out: the services go before the folder and its data

public:
    Ui ui;
    LedgerBuilder ledger;

private:
    Session m_session;
    Dataset m_stock{QStringLiteral("ADOQuery15"), QStringLiteral("select * from data")};
    Dataset m_sales{QStringLiteral("ADOQuery13"), QStringLiteral("SELECT * from data1")};
    Dataset m_summary{QStringLiteral("ADOQuery12")};
};

using TestSession = BasicTestSession<>;
