#include "sales/receipt_columns.h"

#include "sales/sales_documents.h"
#include "store/dataset.h"
#include "store/sales_table.h"

namespace {

using escpos::columns;
using escpos::printable;

// A line's name gets a column of its own beside the numbers when at least this wide; narrower
// papers put the numbers under the name.
constexpr int kNarrowestNameColumn = 12;

QString blanks(int n) { return QString(qMax(0, n), QLatin1Char(' ')); }
QString rightAligned(const QString& text, int width) { return blanks(width - columns(text)) + text; }
QString leftAligned(const QString& text, int width) { return text + blanks(width - columns(text)); }

// The widths of the number columns, wide enough for the widest value so none is ever split.
struct NumberColumns {
    int quantity = columns(u"数量");
    int price = 7;
    int amount = 8;

    int width() const { return quantity + 1 + price + 1 + amount; }
    QString row(const QString& q, const QString& p, const QString& a) const {
        return rightAligned(q, quantity) + QLatin1Char(' ') + rightAligned(p, price) + QLatin1Char(' ') +
               rightAligned(a, amount);
    }
};

void addItems(escpos::Page& page, const QVector<PosLine>& lines) {
    const int width = page.width();
    NumberColumns numbers;
    for (const PosLine& line : lines) {
        numbers.quantity = qMax(numbers.quantity, columns(printable(line.quantity)));
        numbers.price = qMax(numbers.price, columns(printable(line.price)));
        numbers.amount = qMax(numbers.amount, columns(printable(line.amount)));
    }
    const int nameColumn = width - numbers.width() - 1;
    const bool beside = nameColumn >= kNarrowestNameColumn;
    const bool numbersFit = numbers.width() <= width;

    const QString nameHeading = QStringLiteral("商品名称");
    const QString heading = numbers.row(QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("金额"));
    if (!numbersFit) {
        page.text(QStringLiteral("商品名称 数量 单价 金额"));
    } else if (beside) {
        page.add({leftAligned(nameHeading, nameColumn) + QLatin1Char(' ') + heading, false, false});
    } else if (columns(nameHeading) + 1 + numbers.width() <= width) {
        page.add({escpos::spread(nameHeading, heading, width), false, false});
    } else {
        page.text(nameHeading);
        page.add({rightAligned(heading, width), false, false});
    }
    page.rule();

    for (const PosLine& line : lines) {
        const QString q = printable(line.quantity), p = printable(line.price), a = printable(line.amount);
        if (!numbersFit) {
            page.text(line.name);
            page.labelled(QStringLiteral("数量"), q);
            page.labelled(QStringLiteral("单价"), p);
            page.labelled(QStringLiteral("金额"), a);
        } else if (beside) {
            const QStringList name = escpos::wrap(printable(line.name), nameColumn);
            page.add({leftAligned(name.first(), nameColumn) + QLatin1Char(' ') + numbers.row(q, p, a), false, false});
            for (int i = 1; i < name.size(); ++i)
                page.add({name[i], false, false});
        } else if (columns(printable(line.name)) + 1 + numbers.width() <= width) {
            page.add({escpos::spread(printable(line.name), numbers.row(q, p, a), width), false, false});
        } else {
            page.text(line.name);
            page.add({rightAligned(numbers.row(q, p, a), width), false, false});
        }
    }
}

}  // namespace

ColumnReceipt columnReceipt(const ReceiptData& data) {
    ColumnReceipt r;
    r.company = data.company;
    r.address = data.address;
    for (int i = 0; i < PosList::kLines; ++i)
        if (!data.lines.line(i).isFree())
            r.lines << data.lines.line(i);
    r.cash = data.cash;
    r.change = data.change;
    r.total = data.total;
    r.cashier = data.cashier;
    r.when = data.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return r;
}

ColumnReceipt orderReceipt(Database& db, const QString& customerNumber, bool* found) {
    Dataset sales(QStringLiteral("receipt"),
                  QStringLiteral("select * from %1 where %2=? order by %3")
                      .arg(salesrecord::kTable, salesrecord::kCustomerNumber, salesrecord::kId),
                  &db);
    sales.setStatement(sales.statement(), {customerNumber});
    SalesNoteData note;
    readSalesNoteRows(sales, &note);
    ColumnReceipt r;
    r.reprint = true;
    r.customerNumber = customerNumber;
    r.customerLine = note.customerLine;
    for (const SalesNoteRow& row : note.rows)
        r.lines << PosLine{QString(), row.name, row.model, row.quantity, row.price, row.amount};
    r.total = note.total;
    if (!sales.isEmpty())
        r.when = sales.fieldText(salesrecord::kDate);
    *found = !sales.isEmpty();
    return r;
}

escpos::Page receiptPage(const ColumnReceipt& r, int columnCount) {
    escpos::Page page(columnCount);
    if (!r.company.trimmed().isEmpty())
        page.centre(r.company.trimmed(), true, true);
    page.centre(kReceiptTitle.trimmed() + (r.reprint ? QStringLiteral("（补打）") : QString()), false, true);
    if (!r.customerNumber.isEmpty())
        page.text(QStringLiteral("单号:") + r.customerNumber);
    if (r.customerLine.size() > QStringLiteral("客户名称：").size())
        page.text(r.customerLine);
    page.text(QStringLiteral("交易时间:") + r.when);
    if (!r.cashier.isEmpty())
        page.text(QStringLiteral("收款员:") + r.cashier);
    page.rule();
    addItems(page, r.lines);
    page.rule();
    page.labelled(QStringLiteral("合计:"), r.total + QStringLiteral("元"), true);
    if (!r.cash.isEmpty()) {
        page.labelled(QStringLiteral("现金:"), r.cash + QStringLiteral("元"));
        page.labelled(QStringLiteral("找零:"), r.change + QStringLiteral("元"));
    }
    page.rule();
    page.centre(kReceiptWelcome.trimmed());
    if (!r.address.trimmed().isEmpty())
        page.text(r.address.trimmed());
    page.centre(kReceiptSupport);
    return page;
}
