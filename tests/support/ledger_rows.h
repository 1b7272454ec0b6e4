#pragma once
// A whole ledger compared row by row across engines, and one that holds what a shop's books hold,
// for the tests that copy ledgers (migrate, the backup and restore of a server's ledger).
#include <QList>
#include <QString>
#include <QVariantList>

class Database;
struct TableDescription;

// Every row of a table in identity order (users by name), each value as the engine gives it.
QList<QVariantList> tableRows(Database& db, const TableDescription& table);
// The rows of the four tables.
QList<QList<QVariantList>> everyRow(Database& db);
// The first value that differs between two ledgers (also in its kind), or "" when every row of
// every table is equal.
QString firstDifference(Database& a, Database& b);

// Stock, sales, users and log rows with what a shop's books hold: Chinese and mixed-case texts,
// empty texts beside NULLs, fractions of a fen, gaps in the identities and one far ahead (stock
// 1000, sales first + 5). Users: the delivered administrator, 收银员 with "123", 老王 stored as "abc".
void fillShopLedger(Database& db);
