#include "sales/sales_documents.h"

#include "store/dataset.h"
#include "text/number_text.h"

namespace {

const PageFont kBold10 = PageFont::song(10, true);
const PageFont kPlain10 = PageFont::song(10);

// The smallest sizes a field may shrink to before it is wrapped or cut: a code or a figure always
// fits whole at its smallest.
constexpr double kSmallestFigure = 5;
constexpr double kSmallestText = 6;

// The cells of one POS line in the delivery note's table, each within its rules down to the next
// horizontal rule `foot`: left texts from their x, the figures right-aligned to their edges. A
// field too long for its cell is set smaller.
void deliveryLine(PageItems& items, const PosLine& line, double y, double foot) {
    const double h = foot - y;
    items << pageFittedBox(QRectF(7.1, y, 28.4 - 7.1 - 0.3, h), line.code, kPlain10, kSmallestFigure, Qt::AlignLeft,
                           false);
    items << pageFittedBox(QRectF(29.9, y, 55.2 - 29.9 - 0.3, h), line.name, kPlain10, kSmallestFigure);
    items << pageFittedBox(QRectF(59.3, y, 97.0 - 59.3 - 0.3, h), line.model, kPlain10, kSmallestFigure);
    items << pageFittedBox(QRectF(97.3, y, 112.5 - 97.3, h), line.quantity, kPlain10, kSmallestFigure, Qt::AlignRight,
                           false);
    items << pageFittedBox(QRectF(115.0, y, 131.2 - 115.0, h), line.price, kPlain10, kSmallestFigure, Qt::AlignRight,
                           false);
    items << pageFittedBox(QRectF(133.8, y, 152.1 - 133.8, h), line.amount, kPlain10, kSmallestFigure, Qt::AlignRight,
                           false);
}

}  // namespace

PagedDocument deliveryNoteDocument(const DeliveryNoteData& d) {
    PagedDocument doc;
    doc.marginTop = 10;
    doc.marginLeft = 10;
    doc.marginRight = 10;
    doc.marginBottom = 8;
    PageItems items;

    items << pageText(92.0, 0.8, d.company + QStringLiteral("送货单"), PageFont::song(13, true), Qt::AlignHCenter);
    items << pageLine(54.0, 6.2, 128.9, 6.2) << pageLine(54.0, 6.7, 128.9, 6.7);
    items << pageText(91.9, 7.4, d.address, PageFont::song(9), Qt::AlignHCenter);
    items << pageText(137.8, 6.6, QStringLiteral("单 号：") + d.customerNumber, kPlain10);
    items << pageText(6.1, 12.4, QStringLiteral("客户名称："), kBold10);
    items << pageText(27.8, 12.4, d.customerName, kPlain10);
    items << pageText(137.8, 12.2, QStringLiteral("日 期：") + d.date, kPlain10);

    items << pageFrame(QRectF(4.5, 17.7, 179.7, 55.3), 1.5);
    const QStringList headings = {QStringLiteral("商品编码"), QStringLiteral("商品名称"), QStringLiteral("规格型号"),
                                  QStringLiteral("数 量"),    QStringLiteral("单 价"),    QStringLiteral("金 额"),
                                  QStringLiteral("备 注")};
    const double headingX[] = {8.5, 34.1, 69.3, 100.8, 118.8, 139.4, 164.3};
    for (int i = 0; i < headings.size(); ++i)
        items << pageText(headingX[i], 19.8, headings[i], kBold10);
    for (double x : {28.4, 55.2, 97.0, 114.7, 156.7})
        items << pageLine(x, 17.7, x, 63.5);
    items << pageLine(133.5, 17.7, 133.5, 72.7);
    for (double y : {24.8, 63.5})
        items << pageLine(4.8, y, 183.9, y);
    for (double y : {31.1, 37.4, 44.1, 50.1, 57.2})
        items << pageLine(4.5, y, 156.6, y);

    const double rowY[PosList::kLines] = {26.2, 32.5, 38.9, 45.5, 51.9, 58.5};
    const double rowFoot[PosList::kLines] = {31.1, 37.4, 44.1, 50.1, 57.2, 63.5};
    for (int i = 0; i < PosList::kLines; ++i)
        if (!d.lines.line(i).isFree())
            deliveryLine(items, d.lines.line(i), rowY[i], rowFoot[i]);
    // A long note is set smaller until it fits its box.
    items << pageFittedBox(QRectF(158.8, 25.9, 23.5, 35.7), d.notes,
                           PageFont{QStringLiteral("Arial"), 10, false, false}, kSmallestText);

    items << pageText(9.3, 64.3, QStringLiteral("合 计"), kBold10);
    items << pageText(8.5, 68.3, QStringLiteral("人民币"), kBold10);
    items << pageText(21.4, 66.4, QStringLiteral("(大写)"), kPlain10);
    items << pageText(38.4, 66.4, d.capitals, kPlain10);
    items << pageText(138.4, 66.4, QStringLiteral("￥") + d.total, kPlain10);
    items << pageLine(137.8, 71.3, 174.0, 71.3);
    items << pageText(7.9, 74.6, QStringLiteral("收货人：") + QString(23, QLatin1Char(' ')) + QStringLiteral("送货人："),
                      kPlain10);
    items << pageText(132.8, 74.6, QStringLiteral("制单人：") + d.user, kPlain10);
    doc.pages << items;
    return doc;
}

// ---- sales note ----

namespace {

constexpr double kBandWidth = 180.2;
constexpr double kTitleHeight = 21.2;
constexpr double kCustomerHeight = 7.4;
constexpr double kHeadingHeight = 8.5;
constexpr double kRecordHeight = 7.4;
constexpr double kSummaryHeight = 10.6;
constexpr double kSignatureHeight = 8.5;
const double kColumnRules[] = {42.2, 86.6, 101.5, 116.3, 133.2, 150.2};

const PageFont kNote11 = PageFont::song(11);
const PageFont kNoteBold11 = PageFont::song(11, true);

// A band framed on top, left and right (the next band's top closes it).
void openFrame(PageItems& items, double top, double height) {
    items << pageLine(0, top, kBandWidth, top) << pageLine(0, top, 0, top + height)
          << pageLine(kBandWidth, top, kBandWidth, top + height);
}

void columnRules(PageItems& items, double top, double height) {
    for (double x : kColumnRules)
        items << pageLine(x, top, x, top + height);
}

void headingBand(PageItems& items, double top) {
    openFrame(items, top, kHeadingHeight);
    const QStringList texts = {QStringLiteral("商品名称"), QStringLiteral("规格型号"), QStringLiteral("类别"),
                               QStringLiteral("数量"),     QStringLiteral("单 价"),    QStringLiteral("金 额"),
                               QStringLiteral("备 注")};
    const double xs[] = {10.6, 55.0, 89.7, 104.5, 119.3, 136.5, 158.8};
    for (int i = 0; i < texts.size(); ++i)
        items << pageText(xs[i], top + 2.1, texts[i], kNoteBold11);
    columnRules(items, top, kHeadingHeight);
}

// Each value within its column's rules; one too long for its column is set smaller, and the texts
// then wrap.
void recordBand(PageItems& items, double top, const SalesNoteRow& row) {
    openFrame(items, top, kRecordHeight);
    const double y = top + 1.9, h = kRecordHeight - 1.9;
    items << pageFittedBox(QRectF(2.1, y, 38.4, h), row.name, kNote11, kSmallestText);
    items << pageFittedBox(QRectF(43.1, y, 42.6, h), row.model, kNote11, kSmallestText);
    // Centred on x 93.3 between the rules at 86.6 and 101.5 (whose middle it is but for 0.25 mm).
    items << pageFittedBox(QRectF(86.9, y, 2 * (93.3 - 86.9), h), row.category, kNote11, kSmallestText,
                           Qt::AlignHCenter);
    items << pageFittedBox(QRectF(101.8, y, 113.8 - 101.8, h), row.quantity, kNote11, kSmallestFigure,
                           Qt::AlignRight, false);
    items << pageFittedBox(QRectF(116.6, y, 129.9 - 116.6, h), row.price, kNote11, kSmallestFigure, Qt::AlignRight,
                           false);
    items << pageFittedBox(QRectF(133.5, y, 147.7 - 133.5, h), row.amount, kNote11, kSmallestFigure, Qt::AlignRight,
                           false);
    items << pageFittedBox(QRectF(150.8, y, 28.3, h), row.remark, kNote11, kSmallestText);
    columnRules(items, top, kRecordHeight);
}

}  // namespace

PagedDocument salesNoteDocument(const SalesNoteData& d) {
    PagedDocument doc;
    doc.marginTop = 10;
    doc.marginLeft = 15;
    doc.marginRight = 15;
    doc.marginBottom = 10;
    const double pageHeight = doc.paperMm.height() - doc.marginTop - doc.marginBottom;

    PageItems page;
    double y = 0;
    // Title band.
    page << pageText(86.9, 3.2, d.company, PageFont::song(16, true), Qt::AlignHCenter);
    // Under the title's ink (its baseline stands 6.5 mm below its top, descenders reach 1.2 mm
    // further) and above the address's.
    page << pageLine(31.8, 11.0, 134.7, 11.0) << pageLine(31.8, 11.5, 134.7, 11.5);
    page << pageText(82.3, 12.2, d.address, PageFont::song(10), Qt::AlignHCenter);
    page << pageText(133.6, 15.6, QStringLiteral("单 号：") + d.customerNumber, kNote11);
    y += kTitleHeight;
    // The two customer bands.
    openFrame(page, y, kCustomerHeight);
    page << pageText(4.2, y + 1.6, d.customerLine, kNote11);
    page << pageText(133.3, y + 1.6, QStringLiteral("开单日期：") + d.date, kNote11);
    y += kCustomerHeight;
    openFrame(page, y, kCustomerHeight);
    page << pageText(4.2, y + 1.6, d.addressLine, kNote11);
    page << pageText(88.9, y + 1.6, d.phoneLine, kNote11);
    y += kCustomerHeight;
    headingBand(page, y);
    y += kHeadingHeight;

    auto newPage = [&] {
        // The last band on the page gets its bottom edge, as the next band's top would have drawn it.
        page << pageLine(0, y, kBandWidth, y);
        doc.pages << page;
        page.clear();
        y = 0;
        headingBand(page, y);
        y += kHeadingHeight;
    };

    for (const SalesNoteRow& row : d.rows) {
        if (y + kRecordHeight > pageHeight + 1e-9)
            newPage();
        recordBand(page, y, row);
        y += kRecordHeight;
    }

    // The summary keeps its signatures with it.
    if (y + kSummaryHeight + kSignatureHeight > pageHeight + 1e-9)
        newPage();
    page << pageFrame(QRectF(0, y, kBandWidth, kSummaryHeight));
    page << pageText(5.0, y + 1.3, QStringLiteral("合 计"), kNote11);
    page << pageText(4.0, y + 5.6, QStringLiteral("人民币"), kNote11);
    page << pageText(15.1, y + 3.2, QStringLiteral("（大写） ") + d.capitals, kNote11);
    page << pageLine(133.2, y, 133.2, y + kSummaryHeight);
    PageFont underlined = kNote11;
    underlined.underline = true;
    page << pageText(136.8, y + 3.2, QStringLiteral("￥") + d.total, underlined);
    y += kSummaryHeight;
    page << pageText(6.3, y + 2.1, QStringLiteral("收货人："), kNote11);
    page << pageText(65.6, y + 2.1, QStringLiteral("送货人："), kNote11);
    page << pageText(130.7, y + 2.1, QStringLiteral("制单人：") + d.user, kNote11);
    doc.pages << page;
    return doc;
}

QString captionedValue(const QString& caption, const std::optional<QString>& value) {
    return value ? caption + *value : QString();
}

namespace {

// A line's amount as printed: rounded to the fen, so the figures printed are the ones summed.
QString printedAmount(const Dataset& sales, int row, int column) {
    return column < 0 || sales.isNull(row, column) ? QString() : twoDecimalText(sales.number(row, column));
}

}  // namespace

QString salesAmountTotal(const Dataset& sales) {
    double sum = 0;
    const int amount = sales.isOpen() ? sales.columnIndex(QStringLiteral("4")) : -1;
    if (amount >= 0)
        for (int r = 0; r < sales.recordCount(); ++r)
            if (!sales.isNull(r, amount))
                sum += roundDecimal(sales.number(r, amount), 2);
    return twoDecimalText(sum);
}

void readSalesNoteRows(Dataset& sales, SalesNoteData* data) {
    auto current = [&](const QString& column) -> std::optional<QString> {
        const int c = sales.isOpen() ? sales.columnIndex(column) : -1;
        const int row = sales.isOpen() ? sales.currentRow() : -1;
        if (c < 0 || row < 0 || sales.isNull(row, c))
            return std::nullopt;
        return sales.text(row, c);
    };
    data->customerLine = captionedValue(QStringLiteral("客户名称："), current(QStringLiteral("g")));
    data->addressLine = captionedValue(QStringLiteral("客户地址："), current(QStringLiteral("h")));
    data->phoneLine = captionedValue(QStringLiteral("联系电话："), current(QStringLiteral("i")));
    data->total = salesAmountTotal(sales);
    data->rows.clear();
    if (!sales.isOpen() || sales.isEmpty())
        return;
    auto text = [&](int row, const QString& column) {
        const int c = sales.columnIndex(column);
        return c < 0 ? QString() : sales.text(row, c);
    };
    const int amount = sales.columnIndex(QStringLiteral("4"));
    for (int r = 0; r < sales.recordCount(); ++r)
        data->rows << SalesNoteRow{text(r, QStringLiteral("a")), text(r, QStringLiteral("b")),
                                   text(r, QStringLiteral("d")), text(r, QStringLiteral("3")),
                                   text(r, QStringLiteral("2")), printedAmount(sales, r, amount),
                                   text(r, QStringLiteral("j"))};
    sales.last();
}
