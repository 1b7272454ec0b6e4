#include "users/ui/session.h"

#include "store/data_module.h"
#include "widgets/ui_services.h"

#include <algorithm>

bool Session::hasLedger() const { return LedgerData::exists(); }

LedgerData& Session::ledger() const { return LedgerData::instance(); }

Database& Session::database() const { return ledger().connection(); }

Dataset& Session::onLedger(Dataset& dataset) const {
    if (hasLedger())
        dataset.setDatabase(&database());
    return dataset;
}

void Session::grantRights(const Rights& rights) {
    m_rights = rights;
    m_honouring.erase(std::remove_if(m_honouring.begin(), m_honouring.end(),
                                     [](const Honouring& h) { return h.window.isNull(); }),
                      m_honouring.end());
    // A window may register another while being applied; walk a copy.
    const std::vector<Honouring> now = m_honouring;
    for (const Honouring& h : now)
        if (h.window)
            h.apply(m_rights);
}

void Session::honourRights(QObject* window, std::function<void(const Rights&)> apply) {
    apply(m_rights);
    m_honouring.push_back({window, std::move(apply)});
}

UiServices& Session::services() const { return ui(); }

QDateTime Session::now() const { return ui().now(); }
