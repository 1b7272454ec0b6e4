#pragma once
// The ledger's tables, as numbered steps that create a new ledger and bring an older one up to
// date, written for both engines side by side.
#include <vector>

class LedgerEngine;

struct SchemaStep {
    int version;
    const char* embedded;  // the file engine's statements
    const char* server;    // the server engine's statements
};

const std::vector<SchemaStep>& schemaSteps();
int latestSchemaVersion();
// Writes the administrator every new ledger is delivered with, its password stored hashed.
void addDeliveredAdministrator(LedgerEngine& engine);
