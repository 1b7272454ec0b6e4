#include "users/rights.h"

#include "store/database.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/summary_table.h"

namespace {

// The ledger's names compare like its NOCASE columns: Latin letters without case, nothing else.
QString foldLatin(const QString& text) {
    QString folded = text;
    for (QChar& c : folded)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return folded;
}
}  // namespace

bool isAdministrator(const QString& user) { return user == Database::kAdministrator; }

bool sameUser(const QString& a, const QString& b) { return foldLatin(a) == foldLatin(b); }

Rights Rights::forUser(const QString& user) {
    Rights rights;
    rights.m_user = user;
    rights.m_restricted = !isAdministrator(user);
    return rights;
}

bool Rights::withholds(Command command) const {
    switch (command) {
    case Command::EnterStock:
    case Command::ModifyStock:
    case Command::DeleteStock:
    case Command::ToggleHiddenPurchasePrice:
    case Command::ToggleHiddenAmounts:
    case Command::AdministerUsers:
    case Command::CorrectSale:
    case Command::DeleteSale:
    case Command::ShowAllSalesColumns:
    case Command::ToggleHiddenProfit:
    case Command::ViewSalesCharts:
    case Command::ChangeSaleDate: return m_restricted;
    }
    return m_restricted;
}

Fields Rights::withheldFields() const {
    if (!m_restricted)
        return {};
    // What a batch cost, what it is worth in stock and what a sale earned; the product summary
    // also keeps its sales amount to the administrator.
    return {stock::PurchasePrice,      stock::PurchaseAmount, stock::StockAmount,
            salesrecord::PurchasePrice, salesrecord::Profit,
            summary::PurchaseAmount,   summary::SalesAmount,  summary::StockAmount};
}

bool Rights::mayChangePasswordOf(const QString& user) const {
    return !m_user.isEmpty() && !user.isEmpty() && sameUser(m_user, user);
}
