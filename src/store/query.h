#pragma once
// The query routines every window uses on the data module's datasets. Values are always bound.
#include <QString>
#include <QVariantList>

class Dataset;

void OpenQuery(Dataset& query, const QString& statement, const QVariantList& params = {});
void ExecQuery(Dataset& query, const QString& statement, const QVariantList& params = {});
// Distinct values of one column, ascending; empty values form one group of their own.
void OpenDistinct(Dataset& query, const QString& column, const QString& table);
// The distinct values as texts, in the engine's order (what FillCombo lists).
QStringList DistinctTexts(Dataset& query, const QString& column, const QString& table);
