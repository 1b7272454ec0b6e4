#include "store/query.h"

#include "store/dataset.h"

#include <QStringList>

void OpenQuery(Dataset& query, const QString& statement, const QVariantList& params) {
    query.setStatement(statement, params);
}

void ExecQuery(Dataset& query, const QString& statement, const QVariantList& params) {
    query.execute(statement, params);
}

void OpenDistinct(Dataset& query, const QString& column, const QString& table) {
    OpenQuery(query, QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                         QStringLiteral(" group by ") + column + QStringLiteral(" order by ") + column);
}

QStringList DistinctTexts(Dataset& query, const QString& column, const QString& table) {
    OpenDistinct(query, column, table);
    QStringList values;
    const int count = query.recordCount();
    values.reserve(count);
    for (int row = 0; row < count; ++row)
        values << query.text(row, 0);
    return values;
}
