#include "exchange/grid_export_source.h"

#include "store/dataset.h"
#include "store/store_error.h"

DatasetGridSource::DatasetGridSource(const Dataset& dataset, std::vector<ExportColumn> columns)
    : m_dataset(dataset), m_columns(std::move(columns)) {}

bool DatasetGridSource::isOpen() const { return m_dataset.isOpen(); }

int DatasetGridSource::rowCount() const { return m_dataset.isOpen() ? m_dataset.recordCount() : 0; }

void DatasetGridSource::withhold(const Fields& fields) {
    for (ExportColumn& c : m_columns)
        c.withheld = !c.identity.isNull() && fields.contains(c.identity);
}

void DatasetGridSource::prepare() const {
    // Field positions change when the dataset is reopened with another statement, so they are
    // looked up for each export rather than once.
    m_fieldIndex.clear();
    for (const ExportColumn& c : m_columns)
        m_fieldIndex.push_back(c.withheld ? -1 : m_dataset.columnIndex(c.field));
}

QVariant DatasetGridSource::cellValue(int row, int column) const {
    if (m_fieldIndex.size() != m_columns.size())
        prepare();
    if (m_columns.at(size_t(column)).withheld)
        return QVariant();
    const int field = m_fieldIndex.at(size_t(column));
    if (field < 0)
        throw StoreError(QStringLiteral("找不到字段 %1").arg(m_columns.at(size_t(column)).field));
    return m_dataset.value(row, field);
}
