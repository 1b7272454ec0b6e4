#include "store/ledger_column.h"

LedgerColumn ledgerColumn(const TableColumn& column, LedgerColumn::Align align, int width, LedgerColumn::Footer footer,
                          const QString& footerText) {
    return {column.name(), column.chinese.upper, column.chinese.lower, column.picture, align, footer, footerText,
            width, column.field};
}
