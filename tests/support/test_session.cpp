#include "support/test_session.h"

#include "store/data_module.h"

TestSession::OpenedWorkdir::OpenedWorkdir(Ledger ledger) {
    if (ledger == Ledger::Open)
        openNewDatabase();
}

TestSession::TestSession(const QDateTime& now, Ledger ledger)
    : m_dir(ledger), ledger(now.date()) {
    ui.setNow(now);
}

Database& TestSession::db() { return dm().connection(); }
