#include "records/sale_correction.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "store/sales_table.h"
#include "store/store_error.h"
#include "text/number_text.h"

namespace {

const QString kGone = QStringLiteral("这条销售记录已经不存在，可能已被删除。");

bool sameTexts(const SaleCorrectionTexts& a, const SaleCorrectionTexts& b) {
    return a.arrears == b.arrears && a.customerNumber == b.customerNumber && a.customerName == b.customerName &&
           a.address == b.address && a.contact == b.contact && a.remark == b.remark;
}

}  // namespace

SaleCorrectionTexts correctionTextsOf(const Dataset& sales) {
    namespace s = salesrecord;
    return {sales.fieldText(s::kArrears),      sales.fieldText(s::kCustomerNumber), sales.fieldText(s::kCustomerName),
            sales.fieldText(s::kAddress),      sales.fieldText(s::kContact),        sales.fieldText(s::kRemark)};
}

void correctSale(Database& db, qint64 saleId, const SaleCorrectionTexts& correction,
                 const SaleCorrectionTexts& asRead) {
    namespace s = salesrecord;
    // Every value is read before anything is written.
    const double arrears = readPlainDecimal(correction.arrears, false);
    Transaction transaction(db);
    // Inside the transaction, so a correction at another till cannot slip in between.
    Dataset stored(QStringLiteral("SaleToCorrect"), {}, &db);
    stored.setStatement(QStringLiteral("select \"%1\",%2,%3,%4,%5,%6 from %7 where \"%8\"=?")
                            .arg(s::kArrears, s::kCustomerNumber, s::kCustomerName, s::kAddress, s::kContact,
                                 s::kRemark, s::kTable, s::kId),
                        {saleId});
    if (stored.isEmpty())
        throw StoreError(kGone);
    if (!sameTexts(correctionTextsOf(stored), asRead))
        throw StoreError(QStringLiteral("这条销售记录刚在别处被修改，这次修改没有保存。请重新打开该记录再修改。"));
    const int changed = db.exec(QStringLiteral("update %1 set \"%2\"=?,\"%3\"=?,\"%4\"=?,\"%5\"=?,\"%6\"=?,\"%7\"=? "
                                               "where \"%8\"=?")
                                    .arg(s::kTable, s::kArrears, s::kCustomerNumber, s::kCustomerName, s::kAddress,
                                         s::kContact, s::kRemark, s::kId),
                                {arrears, correction.customerNumber.trimmed(), correction.customerName.trimmed(),
                                 correction.address.trimmed(), correction.contact.trimmed(),
                                 correction.remark.trimmed(), saleId});
    if (changed != 1)
        throw StoreError(kGone);
    transaction.commit();
    db.events().saleCorrected(saleId);
}
