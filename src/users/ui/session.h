#pragma once
// Session: what every window of a run works with, handed to each through its constructor: the
// ledger, the rights of the logged-in user, the desktop's services and the clock. The application
// builds one; tests build their own.
#include "store/data_module.h"
#include "store/dataset.h"
#include "users/rights.h"

#include <QDateTime>
#include <QPointer>
#include <functional>
#include <vector>

class UiServices;

class Session {
public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The ledger of the run; windows made before it opens ask first.
    bool hasLedger() const;
    LedgerData& ledger() const;  // throws StoreError when none is open
    Database& database() const;
    // A view's own dataset, put on the ledger when one is open.
    Dataset& onLedger(Dataset& dataset) const;

    // The rights of the logged-in user; nothing is withheld before the login.
    const Rights& rights() const { return m_rights; }
    // The login grants the rights once; every honouring window applies them.
    void grantRights(const Rights& rights);
    // Applies `apply` with the rights now and again at each grant, for as long as `window` lives,
    // so a window made after the login gets them at once.
    void honourRights(QObject* window, std::function<void(const Rights&)> apply);

    UiServices& services() const;
    QDateTime now() const;
    QDate today() const { return now().date(); }

private:
    struct Honouring {
        QPointer<QObject> window;
        std::function<void(const Rights&)> apply;
    };
    Rights m_rights;
    std::vector<Honouring> m_honouring;
};
