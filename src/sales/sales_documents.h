#pragma once
// The two A4 documents of an order as band layouts in millimetres: the delivery note (送货单) of
// the POS list and the sales note of the listed sales records, with their totals in figures and
// capitals. Pure layout; the windows fill the data and paint the pages.
#include "printing/page_items.h"
#include "sales/pos_list.h"

#include <QStringList>
#include <optional>

class Dataset;

struct DeliveryNoteData {
    QString company;
    QString address;
    QString customerNumber;  // printed as "单 号："
    QString customerName;
    QString date;            // yyyy-MM-dd
    PosList lines;
    QString notes;
    QString total;           // the POS total text
    QString capitals;        // empty when refused
    QString user;
};

struct SalesNoteRow {
    QString name, model, category, quantity, price, amount, remark;
};

struct SalesNoteData {
    QString company;
    QString address;
    QString customerNumber;
    QString date;
    // "客户名称：" + g and so on, already joined by the null rule (see captionedValue).
    QString customerLine;
    QString addressLine;
    QString phoneLine;
    QVector<SalesNoteRow> rows;
    QString total;           // two-decimal text of the sum of the amounts as printed (to the fen)
    QString capitals;
    QString user;
};

// The delivery note: one band of 190 x 89.7 mm at the top of an A4 page.
PagedDocument deliveryNoteDocument(const DeliveryNoteData& data);
// The sales note: title and customer bands on the first page, the column headings on every page,
// one band per record, then the summary with the signatures.
PagedDocument salesNoteDocument(const SalesNoteData& data);

// A caption joined with a value the way the sales note joins them: a value that is not there at
// all (null) blanks the caption too; an empty text leaves the caption standing alone.
QString captionedValue(const QString& caption, const std::optional<QString>& value);

// Reads the sales query for the sales note: every row in its present order, the customer texts of
// the current row (null-aware) and the amount total. Leaves the query on its last row.
void readSalesNoteRows(Dataset& sales, SalesNoteData* data);
// The total of the sales note: the sum of the amounts `4` each rounded to the fen as its line
// prints it, in two decimals. The capitals are read from this same text, so figures and capitals
// agree, and so do the note, the receipt and the delivery note of the same lines.
QString salesAmountTotal(const Dataset& sales);
