#pragma once
// One stock record (batch) of table data as a sale reads it: texts as stored, figures as numbers,
// the stock-in date as a date.
#include <QDate>
#include <QString>
#include <optional>

class Database;
class Dataset;

struct StockRecord {
    qint64 id = 0;
    QString name, model, code, category;  // `a` `b` `c` `d`
    QString remark;                       // `z`
    std::optional<double> salesPrice;     // `4`, the suggested price; none when the column is empty
    // `1` `5` `6` `7`: k, n, m and s of the sale computation; an empty column (an imported batch,
    // say) counts as 0.
    double purchasePrice = 0, soldQuantity = 0, salesTotal = 0, stockQuantity = 0;
    QDate stockInDate;                    // `day1`; invalid when the batch has none
};

// Row `row` of a stock query as shown (not necessarily its current row); an empty record when the
// row is not there. Each figure is the number the grid shows (15 significant digits), so what is
// computed from it agrees with the screen. Throws ConversionError naming a figure that is no number
// or a stock-in date that is no date.
StockRecord stockRecordAt(const Dataset& stockQuery, int row);

// The figures a sale changes (`5` `6` `7`) as a view read them. A write computed from them must
// not land on a batch whose figures moved since (a sale meanwhile, at this till or another).
struct SoldFigures {
    double soldQuantity = 0, salesTotal = 0, stockQuantity = 0;
};
SoldFigures soldFigures(const StockRecord& stock);
// Those figures of row `row` of a stock query as shown; ConversionError when one is no number.
SoldFigures soldFiguresAt(const Dataset& stockQuery, int row);

// Inside a write transaction, so nothing can move between the check and the write: throws
// StoreError `gone` when the batch is no longer there, `changed` when its figures differ from
// those read (compared as the grid shows them).
void checkBatchUnchanged(Database& db, qint64 id, const SoldFigures& asRead, const QString& gone,
                         const QString& changed);
