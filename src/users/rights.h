#pragma once
// Rights: what the logged-in user may see and do. The administrator keeps everything; every other
// user loses the commands and fields about purchase prices, amounts, profit, corrections and
// deletions, for the whole run. Windows read the restrictions from here, never decide them.
// Rights name fields and commands, never captions or widget names: each window knows which of
// its own columns and items stand for them.
#include "store/field.h"

#include <QString>

// The commands an ordinary user may lose.
enum class Command {
    EnterStock,                 // 新建入库, wherever the main window offers it
    ModifyStock,                // 修 改(退货)
    DeleteStock,                // 删 除 of the inventory grid
    ToggleHiddenPurchasePrice,  // 隐藏进货单价 of the inventory grid
    ToggleHiddenAmounts,        // 隐藏金额 of the inventory grid
    AdministerUsers,            // 用户管理
    CorrectSale,                // 修 改 of the sales grid
    DeleteSale,                 // 删 除 of the sales grid
    ShowAllSalesColumns,        // 全部显示 of the sales grid
    ToggleHiddenProfit,         // 隐藏净利润 of the sales grid
    ViewSalesCharts,            // the month and day charts of the sales statistics
    ChangeSaleDate,             // the sale date of the sale panel
};

class Rights {
public:
    // Nobody logged in yet: nothing is withheld (no window is usable before the login anyway).
    Rights() = default;
    static Rights forUser(const QString& user);

    QString user() const { return m_user; }
    bool isRestricted() const { return m_restricted; }

    bool withholds(Command command) const;
    // A withheld field never reaches a grid's model, an export or a print of this user.
    bool withholds(const Field& field) const { return withheldFields().contains(field); }
    Fields withheldFields() const;

    // The commands, for the paths that reach them other than the hidden items (double clicks, keys).
    bool mayEnterStock() const { return !withholds(Command::EnterStock); }
    bool mayModifyStock() const { return !withholds(Command::ModifyStock); }
    bool mayDeleteStock() const { return !withholds(Command::DeleteStock); }
    bool mayAdministerUsers() const { return !withholds(Command::AdministerUsers); }
    bool mayCorrectSales() const { return !withholds(Command::CorrectSale); }
    bool mayDeleteSales() const { return !withholds(Command::DeleteSale); }
    bool maySeePurchasePrices() const { return !m_restricted; }
    bool maySeeProfit() const { return !m_restricted; }
    bool mayChangeSaleDate() const { return !withholds(Command::ChangeSaleDate); }
    // Every user changes their own password, and only their own.
    bool mayChangePasswordOf(const QString& user) const;

private:
    QString m_user;
    bool m_restricted = false;
};

// The administrator is the user named exactly "超级管理员".
bool isAdministrator(const QString& user);
// Whether two user names name the same account: the ledger compares names ignoring the case of
// Latin letters.
bool sameUser(const QString& a, const QString& b);
