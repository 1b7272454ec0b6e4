#include "records/sale_correction.h"

#include "store/database.h"
#include "store/ledger_events.h"
#include "store/sales_table.h"
#include "store/store_error.h"
#include "text/number_text.h"

void correctSale(Database& db, qint64 saleId, const SaleCorrectionTexts& correction) {
    namespace s = salesrecord;
    // Every value is read before anything is written.
    const double arrears = readPlainDecimal(correction.arrears, false);
    Transaction transaction(db);
    const int changed = db.exec(QStringLiteral("update %1 set \"%2\"=?,\"%3\"=?,\"%4\"=?,\"%5\"=?,\"%6\"=?,\"%7\"=? "
                                               "where \"%8\"=?")
                                    .arg(s::kTable, s::kArrears, s::kCustomerNumber, s::kCustomerName, s::kAddress,
                                         s::kContact, s::kRemark, s::kId),
                                {arrears, correction.customerNumber.trimmed(), correction.customerName.trimmed(),
                                 correction.address.trimmed(), correction.contact.trimmed(),
                                 correction.remark.trimmed(), saleId});
    if (changed != 1)
        throw StoreError(QStringLiteral("这条销售记录已经不存在，可能已被删除。"));
    transaction.commit();
    db.events().saleCorrected(saleId);
}
