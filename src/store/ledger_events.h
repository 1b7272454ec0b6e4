#pragma once
// LedgerEvents: what changed in the ledger, told by the core services once their transaction has
// committed. Each view subscribes itself; nothing else tells a window to read again.
#include <QObject>
#include <QString>

class LedgerEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Stock records were added, changed or deleted (stock-in, a return, an import).
    void stockChanged();
    // A sale was written against one batch; views of the stock read back only that batch.
    void saleRecorded(qint64 stockId, const QString& customerNumber);
    // A sale was deleted (its stock given back) or corrected.
    void saleDeleted(qint64 stockId);
    void saleCorrected(qint64 saleId);
    // The whole ledger was replaced (a restore) or reopened: every view reads afresh.
    void ledgerReplaced();
    // Another till changed the shared ledger: views read their rows again where they stand,
    // keeping the user's sort, selection and open panel.
    void changedElsewhere();
};
