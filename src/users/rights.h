#pragma once
// Rights: what the logged-in user may see and do. The administrator keeps everything; every other
// user loses the commands and columns about purchase prices, amounts, profit, corrections and
// deletions, for the whole run. Windows read the restrictions from here, never decide them.
#include <QString>
#include <QStringList>

class Rights {
public:
    // Nobody logged in yet: nothing is withheld (no window is usable before the login anyway).
    Rights() = default;
    static Rights forUser(const QString& user);

    QString user() const { return m_user; }
    bool isRestricted() const { return m_restricted; }

    // Commands, for the paths that reach them other than the hidden items (double clicks, keys).
    bool mayEnterStock() const { return !m_restricted; }
    bool mayModifyStock() const { return !m_restricted; }
    bool mayDeleteStock() const { return !m_restricted; }
    bool mayAdministerUsers() const { return !m_restricted; }
    bool mayCorrectSales() const { return !m_restricted; }
    bool mayDeleteSales() const { return !m_restricted; }
    bool maySeePurchasePrices() const { return !m_restricted; }
    bool maySeeProfit() const { return !m_restricted; }
    bool mayChangeSaleDate() const { return !m_restricted; }

    // Main window: object names of the menu items and tool buttons to hide.
    QStringList hiddenMainWindowItems() const;
    // Inventory grid (DataGrid1): column titles "upper|lower" to keep hidden whatever the column
    // memory says.
    QStringList withheldInventoryColumns() const;
    // Sales details window: grid pop-up items by caption, grid columns by title, charts by title.
    QStringList hiddenSalesDetailsItems() const;
    QStringList withheldSalesColumns() const;
    QStringList hiddenSalesCharts() const;
    // Product summary window: grid columns by title.
    QStringList withheldSummaryColumns() const;

private:
    QString m_user;
    bool m_restricted = false;
};

// The administrator is the user named exactly "超级管理员".
bool isAdministrator(const QString& user);

// The rights of the run, set once by the login.
const Rights& currentRights();
void setCurrentRights(const Rights& rights);
