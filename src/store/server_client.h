#pragma once
// libpq, the server's client library, loaded when the first server ledger opens. Linked into the
// program it maps a dozen more libraries (TLS, Kerberos, LDAP) into every run and raises each
// peak by several MB, though a shop on a data file never talks to a server.
#include <QString>
#include <libpq-fe.h>

// The functions the server engine calls.
#define TOVRAKEL_SERVER_CLIENT_FUNCTIONS(X)                                                      \
    X(PQbackendPID) X(PQcancel) X(PQclear) X(PQcmdStatus) X(PQcmdTuples) X(PQconnectdbParams)    \
    X(PQconnectionNeedsPassword) X(PQconsumeInput) X(PQerrorMessage) X(PQexec) X(PQfinish)       \
    X(PQfname) X(PQfreeCancel) X(PQfreemem) X(PQftable) X(PQftype) X(PQgetCancel) X(PQgetResult) \
    X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQnotifies) X(PQntuples)          \
    X(PQparameterStatus) X(PQresultErrorField) X(PQresultStatus) X(PQsendQueryParams)            \
    X(PQserverVersion) X(PQsetNoticeProcessor) X(PQsetSingleRowMode) X(PQsocket) X(PQstatus)

struct ServerClient {
#define TOVRAKEL_SERVER_CLIENT_MEMBER(name) decltype(&::name) name = nullptr;
    TOVRAKEL_SERVER_CLIENT_FUNCTIONS(TOVRAKEL_SERVER_CLIENT_MEMBER)
#undef TOVRAKEL_SERVER_CLIENT_MEMBER
};

// The library of the system, loaded at the first call; a StoreError when it is missing.
const ServerClient& serverClient();
// The functions of the library `name` with its major `version` (QLibrary's way of naming it).
ServerClient loadServerClient(const QString& name, int version);
