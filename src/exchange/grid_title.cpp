#include "exchange/grid_title.h"

#include "exchange/grid_export_source.h"

int GridTitle::visibleColumnCount() const {
    int n = 0;
    for (int c = 0; c < m_grid.columnCount(); ++c)
        n += m_grid.isColumnVisible(c) ? 1 : 0;
    return n;
}

int GridTitle::levelCount() const {
    int levels = 0;
    for (int c = 0; c < m_grid.columnCount(); ++c)
        levels = qMax(levels, int(m_grid.columnTitle(c).count(QLatin1Char('|'))) + 1);
    return levels;
}

QVector<QStringList> GridTitle::matrix() const {
    const int levels = levelCount();
    QVector<QStringList> result;
    for (int c = 0; c < m_grid.columnCount(); ++c) {
        if (!m_grid.isColumnVisible(c))
            continue;
        QStringList parts = m_grid.columnTitle(c).split(QLatin1Char('|'));
        while (parts.size() < levels)
            parts << QString();
        result << parts;
    }
    return result;
}
