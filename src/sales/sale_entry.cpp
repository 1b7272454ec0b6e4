#include "sales/sale_entry.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "text/pinyin.h"


namespace {

// The sales columns a sale fills, as the sales table describes them.
namespace sale = salesrecord;

const QString kEmptyDate = QStringLiteral("    -  -  ");

// A date text of the program's form; a stored date-time counts by its date.
QDate readDate(const QString& text) {
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || (trimmed.size() > 10 && !trimmed.at(10).isSpace() && trimmed.at(10) != QLatin1Char('T')))
        throw ConversionError(QStringLiteral("“%1”不是有效的日期").arg(text));
    return date;
}

bool blank(const QString& text) { return text.trimmed().isEmpty(); }

QString trimmed(const QString& text) { return text.trimmed(); }

// A figure the computation wrote (general number text, so possibly "1E15"), read back.
double figureNumber(const QString& text) { return textToNumber(text); }

}  // namespace

QString refusalMessage(SaleRefusal refusal) {
    switch (refusal) {
    case SaleRefusal::None: return QString();
    case SaleRefusal::QuantityMissing: return QStringLiteral("销售数量必须输入！");
    case SaleRefusal::QuantityZero: return QStringLiteral("销售数量不能为0");
    case SaleRefusal::QuantityNegative: return QStringLiteral("销售数量不能小于0");
    case SaleRefusal::StockShort: return QStringLiteral("库存不足");
    case SaleRefusal::PriceMissing: return QStringLiteral("实际销售价必须输入！");
    case SaleRefusal::ArrearsMissing: return QStringLiteral("欠款金额必须输入！");
    case SaleRefusal::DateMissing: return QStringLiteral("销售日期必须输入");
    }
    return QString();
}

SaleCheck checkSale(const SaleEntryTexts& entry, const StockRecord& stock) {
    SaleCheck check;
    if (blank(entry.quantity)) {
        check.refusal = SaleRefusal::QuantityMissing;
        return check;
    }
    // Read with its sign, so a pasted "-1" gets its own refusal.
    const double quantity = typedNumber(entry.quantity, true);
    if (quantity == 0) {
        check.refusal = SaleRefusal::QuantityZero;
        return check;
    }
    if (quantity < 0) {
        check.refusal = SaleRefusal::QuantityNegative;
        return check;
    }
    if (quantity > stock.stockQuantity) {
        check.refusal = SaleRefusal::StockShort;
        return check;
    }
    check.figures = computeSale(entry.price, entry.quantity, stock);
    if (blank(entry.price))
        check.refusal = SaleRefusal::PriceMissing;
    else if (blank(entry.arrears))
        check.refusal = SaleRefusal::ArrearsMissing;
    else if (entry.saleDate == kEmptyDate || blank(entry.saleDate))
        check.refusal = SaleRefusal::DateMissing;
    return check;
}

SaleRecord prepareSale(const StockRecord& stock, const SaleEntryTexts& entry, const SaleFigures& figures) {
    SaleRecord r;
    r.stockId = stock.id;
    r.asRead = soldFigures(stock);
    // The stock record's figures are written as the numbers their texts say, so the stock
    // quantity is stored to two decimals and the rest to fifteen significant digits.
    r.soldQuantity = figureNumber(figures.newSoldQuantity);
    r.salesAmount = figureNumber(figures.newSalesAmount);
    r.stockQuantity = figureNumber(figures.newStockQuantity);
    r.stockAmount = figureNumber(figures.newStockAmount);

    r.name = trimmed(stock.name);
    r.model = trimmed(stock.model);
    r.code = trimmed(stock.code);
    r.category = trimmed(stock.category);
    r.customerNumber = trimmed(entry.customerNumber);
    r.purchasePrice = stock.purchasePrice;
    r.price = typedNumber(entry.price);
    r.quantity = typedNumber(entry.quantity);
    r.amount = figureNumber(figures.salesAmount);
    r.profit = figureNumber(figures.netProfit);
    r.arrears = typedNumber(entry.arrears);
    r.saleDate = readDate(entry.saleDate);
    // A batch without a stock-in date can still be sold; its sale simply has none either.
    r.stockInDate = stock.stockInDate;
    r.nameInitials = PinyinInitials(r.name);
    r.modelInitials = PinyinInitials(r.model);
    r.customerName = trimmed(entry.customerName);
    r.address = trimmed(entry.address);
    r.contact = trimmed(entry.contact);
    r.remark = trimmed(entry.remark);
    return r;
}

namespace {

bool customerNumberStored(Database& db, const QString& number) {
    return db.scalar(QStringLiteral("select exists(select 1 from %1 where %2=?)").arg(sale::kTable, sale::kCustomerNumber),
                     {number})
        .toBool();
}

// Inside the write turn, so no other till can take the number between the look and the write.
QString unclaimedCustomerNumber(Database& db, const SaleRecord& sale) {
    if (!sale.newOrderDay.isValid() || !customerNumberStored(db, sale.customerNumber))
        return sale.customerNumber;
    return customerNumber(sale.newOrderDay, highestCustomerCounter(db, sale.newOrderDay) + 1);
}

}  // namespace

QString recordSale(const SaleRecord& sale, Database& db) {
    Transaction transaction(db);

    // The sale belongs to the batch the panel was opened on, found by its identity; if that batch
    // was deleted or changed meanwhile, writing the panel's figures would corrupt it.
    checkBatchUnchanged(db, sale.stockId, sale.asRead,
                        QStringLiteral("这条库存记录已不存在，销售没有保存。"),
                        QStringLiteral("这条库存记录已被修改，销售没有保存，请重新双击该记录再销售。"));

    db.exec(QStringLiteral("update %1 set \"%2\"=?,\"%3\"=?,\"%4\"=?,\"%5\"=? where id=?")
                .arg(stock::kTable, stock::kSoldQuantity, stock::kSalesTotal, stock::kStockQuantity,
                     stock::kStockAmount),
            {sale.soldQuantity, sale.salesAmount, sale.stockQuantity, sale.stockAmount, sale.stockId});

    const QString number = unclaimedCustomerNumber(db, sale);
    const auto date = [](const QDate& d) { return d.isValid() ? QVariant(d) : QVariant(); };
    const QVector<QPair<QString, QVariant>> fields{
        {sale::kName, sale.name},
        {sale::kModel, sale.model},
        {sale::kCode, sale.code},
        {sale::kCategory, sale.category},
        {sale::kCustomerNumber, number},
        {sale::kPurchasePrice, sale.purchasePrice},
        {sale::kPrice, sale.price},
        {sale::kQuantity, sale.quantity},
        {sale::kAmount, sale.amount},
        {sale::kProfit, sale.profit},
        {sale::kArrears, sale.arrears},
        {sale::kDate, date(sale.saleDate)},
        {sale::kStockInDate, date(sale.stockInDate)},
        {sale::kNameInitials, sale.nameInitials},
        {sale::kModelInitials, sale.modelInitials},
        {sale::kCustomerName, sale.customerName},
        {sale::kAddress, sale.address},
        {sale::kContact, sale.contact},
        {sale::kRemark, sale.remark}};
    QStringList names;
    QVariantList values;
    for (const auto& [name, value] : fields) {
        names << name;
        values << value;
    }
    db.exec(insertStatement(salesTable(), names), values);
    transaction.commit();
    db.events().saleRecorded(sale.stockId, number);
    return number;
}

int highestCustomerCounter(Database& db, const QDate& day) {
    const QString prefix = customerNumber(day, 0).chopped(3);
    // Longer tails cannot meet a counter the panel reaches.
    constexpr int kLongestTail = 9;
    Dataset numbers(QStringLiteral("CustomerNumbers"), {}, &db);
    numbers.setStatement(QStringLiteral("select %1 from %2 where %1 like ? and length(%1) between ? and ?")
                             .arg(sale::kCustomerNumber, sale::kTable),
                         {prefix + QLatin1Char('%'), int(prefix.size()) + 3, int(prefix.size()) + kLongestTail});
    int highest = 0;
    for (int row = 0; row < numbers.recordCount(); ++row) {
        if (numbers.isNull(row, 0))
            continue;
        const QString number = numbers.text(row, 0);
        if (!number.startsWith(prefix))
            continue;
        const QString tail = number.mid(prefix.size());
        bool digits = tail.size() >= 3 && tail.size() <= kLongestTail;
        for (const QChar c : tail)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (digits)
            highest = qMax(highest, tail.toInt());
    }
    return highest;
}

SoldLine soldLine(const StockRecord& stock, const SaleEntryTexts& entry, const SaleFigures& figures) {
    return {stock.code, stock.name, stock.model, entry.quantity, entry.price,
            twoDecimalText(figureNumber(figures.salesAmount))};
}
