#pragma once
// The query routines every window uses on the data module's datasets. Values are always bound.
#include <QString>
#include <QVariantList>
#include <initializer_list>

class Database;
class Dataset;

// A statement with the values bound to its "?" marks.
struct Statement {
    QString sql;
    QVariantList params;
};

// " and COLUMN like ?" bound to "%text%", matching the text anywhere in the column; an empty text
// adds nothing.
void addContains(Statement& statement, const QString& column, const QString& text);
// " and (COLUMN1 like ? or COLUMN2 like ? …)" with "%text%" bound to each: the text found in any
// of the columns; an empty text adds nothing.
void addContainsAny(Statement& statement, std::initializer_list<QString> columns, const QString& text);
// "%text%"
QString containsPattern(const QString& text);
// " and COLUMN>=? and COLUMN<=?" with the two "yyyy-MM-dd" dates bound.
void addDateRange(Statement& statement, const QString& column, const QString& from, const QString& to);
// Why a ticked date range cannot be searched ("" when it can): names which date of `what`
// ("入库日期", "销售日期") is empty or no real date.
QString dateRangeProblem(const QString& what, const QString& from, const QString& to);

void OpenQuery(Dataset& query, const QString& statement, const QVariantList& params = {});
void ExecQuery(Dataset& query, const QString& statement, const QVariantList& params = {});
// Distinct values of one column, ascending; empty values form one group of their own.
void OpenDistinct(Dataset& query, const QString& column, const QString& table);
// The distinct values as texts, in the engine's order (what FillCombo lists).
QStringList DistinctTexts(Dataset& query, const QString& column, const QString& table);
// The same, read on a cursor of its own.
QStringList DistinctTexts(Database& db, const QString& column, const QString& table);
