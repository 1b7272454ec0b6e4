#pragma once
// What the ledger's statements run on: the embedded file or a shared server. Statements are
// written once, in the embedded engine's dialect; an engine translates what it must.
#include "store/dataset_column.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <vector>

class LedgerEngine {
public:
    virtual ~LedgerEngine() = default;

    // Runs a statement without rows; returns the number of changed rows.
    virtual int exec(const QString& sql, const QVariantList& params) = 0;
    // First column of the first row, or an invalid QVariant without rows.
    virtual QVariant scalar(const QString& sql, const QVariantList& params) = 0;
    // The statement's rows, decoded straight into one column store per result column.
    virtual std::vector<ColumnStore> read(const QString& sql, const QVariantList& params) = 0;
    virtual qint64 lastInsertId() = 0;

    // A write transaction; writers of every connection take turns, so what a transaction read
    // still holds when it writes.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // How a column orders its texts, so a result can be ordered in memory exactly as the engine
    // orders it.
    enum class TextOrder { Unknown, Bytes, BytesIgnoringCase };
    virtual TextOrder orderOf(const QString& table, const QString& column) = 0;
    // The statement giving a table's rows in a stable order (its identities where the engine's
    // own scan order is not stable).
    virtual QString inTableOrder(const QString& statement, const QString& table) const = 0;
    // Selects a row of a table by its identity column (`column`, or the engine's row identity
    // when empty) bound as the one parameter.
    virtual QString rowByIdentity(const QString& table, const QString& column) const = 0;

    // Stops the statement running on this connection, from any thread: its read throws. Nothing
    // happens when none runs.
    virtual void interrupt() = 0;
    // A mark that moves whenever another connection has changed the ledger since it was last
    // taken, so rows held in memory can tell they are still those stored.
    virtual QVariant changesElsewhere() = 0;

    // What the user is told is open: a file or a server's database.
    virtual QString location() const = 0;
    virtual bool isServer() const = 0;
};

// Rewrites "#yyyy-mm-dd#" date literals outside quoted texts into quoted texts, so statements in
// the ledger's classic form run unchanged.
QString translateDateLiterals(const QString& sql);
// A bound value as the text an engine stores: dates as yyyy-MM-dd.
QString boundText(const QVariant& value);
