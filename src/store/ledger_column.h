#pragma once
// How a result column is shown in the ledger's grids, without any colour or widget: the one
// description from which the windows build their grids and the exports their sheets.
#include "store/table_description.h"

#include <QString>
#include <vector>

struct LedgerColumn {
    enum class Align { Left, Right, Centre };
    enum class Footer { None, Text, Sum };

    QString field;       // column of the dataset
    QString upper;       // adjacent columns with the same upper title share one band cell
    QString lower;
    // "" shows the stored text; kGeneralNumber the general number text; anything else is a
    // number picture such as "#.##".
    QString format;
    Align align = Align::Left;
    Footer footer = Footer::None;
    QString footerText;  // for Footer::Text
    int width = 80;      // designed width in pixels
    Field identity = {};  // the value the column holds, for the rights

    QString title() const { return upper + QLatin1Char('|') + lower; }
};

using LedgerColumns = std::vector<LedgerColumn>;

// A grid column showing a described column under its Chinese titles and in its picture.
LedgerColumn ledgerColumn(const TableColumn& column, LedgerColumn::Align align, int width,
                          LedgerColumn::Footer footer = LedgerColumn::Footer::None, const QString& footerText = {});
