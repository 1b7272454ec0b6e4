#pragma once
// GridTitle: the title levels of a grid, cut from the column titles at every "|".
#include <QStringList>
#include <QVector>

class GridExportSource;

class GridTitle {
public:
    explicit GridTitle(const GridExportSource& grid) : m_grid(grid) {}

    int visibleColumnCount() const;
    // The largest number of levels of any column, visible or not (1 + its count of "|").
    int levelCount() const;
    // One entry per visible column, each with levelCount() parts; parts keep their blanks and
    // levels beyond a title's own parts are empty.
    QVector<QStringList> matrix() const;

private:
    const GridExportSource& m_grid;
};
