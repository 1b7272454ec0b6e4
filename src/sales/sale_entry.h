#pragma once
// Sale entry: the checks of a sale in their order, the conversion of every entered value, and the
// writing of a sale (stock record and sales record in one transaction).
#include "sales/sale_computation.h"

#include <QDate>
#include <QMetaType>
#include <QString>

class Database;

// The sale panel's entries as typed.
struct SaleEntryTexts {
    QString price;
    QString quantity;
    QString arrears;
    QString saleDate;  // as the date field shows it; "    -  -  " when empty
    QString customerNumber;
    QString customerName;
    QString address;
    QString contact;
    QString remark;
};

// Why a confirmation stops before anything is written, in the order the checks run.
enum class SaleRefusal {
    None,
    QuantityMissing,  // "销售数量必须输入！"
    QuantityZero,     // "销售数量不能为0"
    QuantityNegative, // pasted past the key filter; it would put stock back without a return
    StockShort,       // "库存不足"
    PriceMissing,     // "实际销售价必须输入！"
    ArrearsMissing,   // "欠款金额必须输入！"
    DateMissing,      // "销售日期必须输入"
};
QString refusalMessage(SaleRefusal refusal);

struct SaleCheck {
    SaleRefusal refusal = SaleRefusal::None;
    std::optional<SaleFigures> figures;  // the sale computation, once the stock checks passed
};

// Runs the checks of a confirmation in their order, with the sale computation between the stock
// checks and the required fields. Throws ConversionError at the first text that is not a number.
SaleCheck checkSale(const SaleEntryTexts& entry, const StockRecord& stock);

// A sale with every value converted: what the stock record becomes and the sales record to append.
struct SaleRecord {
    qint64 stockId = 0;
    // the stock record's `5` `6` `7` as the panel read them
    SoldFigures asRead;
    // the stock record's new `5` `6` `7` `8`
    double soldQuantity = 0, salesAmount = 0, stockQuantity = 0, stockAmount = 0;
    // the sales record
    QString name, model, code, category, customerNumber;
    double purchasePrice = 0, price = 0, quantity = 0, amount = 0, profit = 0, arrears = 0;
    QDate saleDate;
    QDate stockInDate;  // invalid when the batch has none
    QString nameInitials, modelInitials, customerName, address, contact, remark;
    // Valid when the customer number is one the panel handed out for a new order on this day and
    // no line was sold under it yet. Another till may have taken the same number meanwhile; the
    // sale then takes the day's next free number.
    QDate newOrderDay;
};

// Converts every value of a sale before anything is written; throws ConversionError naming the
// first text that is not a number or a date.
SaleRecord prepareSale(const StockRecord& stock, const SaleEntryTexts& entry, const SaleFigures& figures);

// Writes a sale in one transaction: the stock record with the sale's identity gets its new figures
// and the sales record is appended. Refuses (StoreError) when the stock record is gone or its
// figures changed since the panel read them; on any failure nothing is written. Once committed,
// the database's events tell saleRecorded. Returns the customer number written, which differs
// from the sale's only when a new order's number had been taken by another till.
QString recordSale(const SaleRecord& sale, Database& db);

// The highest counter among the customer numbers of the sales records that begin with the prefix
// customerNumber() gives `day` and end in digits only; 0 when there are none. A new number above it
// can match no stored one, whatever an earlier run handed out.
int highestCustomerCounter(Database& db, const QDate& day);

// The line a confirmed sale hands to the POS list: code, name and model of the batch, quantity and
// price exactly as typed, the amount as two-decimal text.
struct SoldLine {
    QString code, name, model, quantity, price, amount;
};
SoldLine soldLine(const StockRecord& stock, const SaleEntryTexts& entry, const SaleFigures& figures);
Q_DECLARE_METATYPE(SoldLine)
