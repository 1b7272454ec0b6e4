#include "exchange/grid_export_source.h"

#include "store/dataset.h"
#include "store/store_error.h"
#include "store/table_description.h"
#include "text/number_text.h"

#include <cmath>

int pictureDecimals(const QString& format) {
    if (format.isEmpty() || format == kGeneralNumber)
        return -1;
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(format.size() - point - 1);
}

double shownTotal(const Dataset& dataset, int field, const QString& format) {
    const int decimals = pictureDecimals(format);
    const double scale = decimals < 0 ? 0 : std::pow(10.0, decimals);
    const DatasetColumn column = dataset.column(field);
    double sum = 0;
    for (int r = 0; r < column.rowCount(); ++r) {
        if (column.isNull(r))
            continue;
        double v = 0;
        if (column.kind() == DatasetColumn::Kind::Number) {
            v = column.number(r);
        } else {
            bool ok = false;
            v = column.text(r).trimmed().toDouble(&ok);
            if (!ok)
                continue;
        }
        if (decimals >= 0 && std::isfinite(v)) {
            // Plain rounding unless the figure lies on a half, where the decimal form decides.
            const double scaled = v * scale;
            v = std::fabs(scaled - std::floor(scaled) - 0.5) > 1e-9 ? std::round(scaled) / scale
                                                                     : roundDecimal(v, decimals);
        }
        sum += v;
    }
    return sum;
}

ColumnLook columnLookOf(const Field& identity, const QString& format, int width) {
    const TableColumn* described = identity.isNull() ? nullptr : describedColumn(identity);
    return ColumnLook{format, width, described && described->type == ColumnType::Date};
}

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

int DatasetGridSource::field(int column) const {
    if (m_fieldIndex.size() != m_columns.size())
        prepare();
    if (m_columns.at(size_t(column)).withheld)
        return -1;
    const int field = m_fieldIndex.at(size_t(column));
    if (field < 0)
        throw StoreError(QStringLiteral("找不到字段 %1").arg(m_columns.at(size_t(column)).field));
    return field;
}

QVariant DatasetGridSource::cellValue(int row, int column) const {
    const int at = field(column);
    return at < 0 ? QVariant() : m_dataset.value(row, at);
}

QVariant DatasetGridSource::footerValue(int column, int footerRow) const {
    const ExportColumn& c = m_columns.at(size_t(column));
    if (!c.sum || c.withheld)
        return footerText(column, footerRow);
    return shownTotal(m_dataset, field(column), c.look.format);
}
