#include "users/rights.h"

#include "store/database.h"

namespace {
Rights g_current;

QStringList unlessAdministrator(bool restricted, const QStringList& names) {
    return restricted ? names : QStringList();
}
}  // namespace

bool isAdministrator(const QString& user) { return user == Database::kAdministrator; }

Rights Rights::forUser(const QString& user) {
    Rights rights;
    rights.m_user = user;
    rights.m_restricted = !isAdministrator(user);
    return rights;
}

QStringList Rights::hiddenMainWindowItems() const {
    // Grid menu: 修 改(退货), 删 除, 新建入库, 隐藏进货单价, 隐藏金额 (an ordinary user cannot show
    // those columns again); settings menu: 修改密码, 用户管理; the tool button 新建入库.
    return unlessAdministrator(m_restricted,
                               {QStringLiteral("GridModify"), QStringLiteral("GridDelete"),
                                QStringLiteral("GridNewStockIn"), QStringLiteral("ChangePassword"),
                                QStringLiteral("UserAdmin"), QStringLiteral("ToolButton7"), QStringLiteral("N5"),
                                QStringLiteral("N6")});
}

QStringList Rights::withheldInventoryColumns() const {
    return unlessAdministrator(m_restricted, {QStringLiteral("进 货|单 价"), QStringLiteral("进 货|金 额"),
                                              QStringLiteral("存 货|金 额")});
}

QStringList Rights::hiddenSalesDetailsItems() const {
    return unlessAdministrator(m_restricted, {QStringLiteral("删 除"), QStringLiteral("修 改 "),
                                              QStringLiteral("全部显示"), QStringLiteral("隐藏净利润")});
}

QStringList Rights::withheldSalesColumns() const {
    return unlessAdministrator(m_restricted, {QStringLiteral("销 售 信 息|净利润")});
}

QStringList Rights::hiddenSalesCharts() const {
    return unlessAdministrator(m_restricted, {QStringLiteral("月销售报表统计"), QStringLiteral("日销售报表统计")});
}

QStringList Rights::withheldSummaryColumns() const {
    return unlessAdministrator(m_restricted, {QStringLiteral("进 货|金 额"), QStringLiteral("销 售|金 额"),
                                              QStringLiteral("存 货|金 额")});
}

const Rights& currentRights() { return g_current; }

void setCurrentRights(const Rights& rights) { g_current = rights; }
