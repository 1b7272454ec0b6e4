#pragma once
// The ledger's tables, as numbered steps that create a new ledger and bring an older one up to
// date, written for both engines side by side.
#include <vector>

class QString;

class LedgerEngine;

struct SchemaStep {
    int version;
    const char* embedded;  // the file engine's statements
    const char* server;    // the server engine's statements
};

const std::vector<SchemaStep>& schemaSteps();
int latestSchemaVersion();
// Whether an index of the ledger leads with this column, so the engine finds its values in order.
bool leadsAnIndex(const QString& table, const QString& column);
// Writes the administrator every new ledger is delivered with, its password stored hashed.
void addDeliveredAdministrator(LedgerEngine& engine);
