#pragma once
// The ledger's statements are written once, in the file engine's dialect; this is where they are
// turned into the server's. Every difference between the engines' SQL lives here.
#include <QString>

struct ServerStatement {
    QString text;         // with $1, $2 ... for the parameters
    int parameterCount = 0;
    bool returnsIdentity = false;  // an insert that gives back the identities it wrote
};

// Rewrites a statement for the server: "?" becomes $n, [name] and "NAME" become "name" (the
// server's columns are lower case), #date# literals quoted texts, ifnull() coalesce(), trim() the
// schema's text-kind-keeping trimmed(), like ilike (the file engine's like ignores Latin case
// everywhere), and "collate nocase" is dropped: the server's text columns ignore case themselves.
// An insert into a table with identities returns them, for the last inserted identity.
ServerStatement serverStatement(const QString& sql);

// A result column of one of the ledger's tables under the name the file engine gives it: the
// server folds names to lower case, the file keeps the schema's spelling (data1's "ID").
QString fileEngineColumnName(const QString& table, const QString& column);
