#include "exchange/ledger_grids.h"

#include "users/rights.h"

namespace {

ExportColumn col(const char* field, const char* title, const char* footer = "") {
    return ExportColumn{QString::fromUtf8(field), QString::fromUtf8(title), QString::fromUtf8(footer), true};
}

}  // namespace

LedgerGridLayout ledgerGridLayout(LedgerGrid grid) {
    // What the login withholds from any user but the administrator.
    const Rights restricted = Rights::forUser(QString());
    LedgerGridLayout layout;
    switch (grid) {
    case LedgerGrid::Inventory:
        layout.sheetTitle = QStringLiteral("商品进货统计报表");
        layout.statement = QStringLiteral("select * from data order by day1");
        layout.columns = {col("a", "商 品 信 息|名 称", "总计"), col("b", "商 品 信 息|规格型号"),
                          col("c", "商 品 信 息|编 码"),         col("d", "商 品 信 息|类 别"),
                          col("2", "进 货|数 量"),               col("1", "进 货|单 价"),
                          col("3", "进 货|金 额"),               col("5", "销 售|数 量"),
                          col("4", "销 售|单 价"),               col("6", "销 售|金 额"),
                          col("7", "存 货|数 量"),               col("8", "存 货|金 额"),
                          col("day1", "备 注|入库日期"),         col("g", "备 注|供货商"),
                          col("z", "备 注|备 注")};
        layout.restrictedTitles = restricted.withheldInventoryColumns();
        break;
    case LedgerGrid::Sales:
        layout.sheetTitle = QStringLiteral("销 售 报 表");
        layout.statement = QStringLiteral("SELECT * from data1");
        layout.columns = {col("a", "商 品 信 息| 名 称", "合计"), col("b", "商 品 信 息|规格型号"),
                          col("c", "商 品 信 息| 编 码"),         col("d", "商 品 信 息|类 别"),
                          col("2", "销 售 信 息|单 价"),          col("3", "销 售 信 息|数 量"),
                          col("4", "销 售 信 息|金 额"),          col("day1", "销 售 信 息|日 期"),
                          col("6", "销 售 信 息|欠款额"),         col("a5", "销 售 信 息|净利润"),
                          col("z", "客 户|编 号"),                col("g", "客 户|名 称"),
                          col("i", "客 户|联系方式"),             col("h", "客 户|地 址"),
                          col("j", "客 户|备 注")};
        layout.restrictedTitles = restricted.withheldSalesColumns();
        break;
    case LedgerGrid::Summary:
        layout.sheetTitle = QStringLiteral("商品进销存统计报表");
        layout.statement = QStringLiteral(
            "sELECT a,b,c,d, sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,sum([6]) AS 销售金额, "
            "sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data GROUP BY a,b,c,d ");
        layout.columns = {col("a", "商 品 信 息|名 称", "总计"), col("b", "商 品 信 息|规格型号"),
                          col("c", "商 品 信 息|编 码"),         col("d", "商 品 信 息|类 别"),
                          col("进货数量", "进 货|数 量"),        col("进货金额", "进 货|金 额"),
                          col("销售数量", "销 售|数 量"),        col("销售金额", "销 售|金 额"),
                          col("库存数量", "存 货|数 量"),        col("库存金额", "存 货|金 额")};
        layout.restrictedTitles = restricted.withheldSummaryColumns();
        break;
    }
    return layout;
}

bool ledgerGridFromName(const QString& name, LedgerGrid* grid) {
    if (name == QLatin1String("inventory") || name == QLatin1String("stock"))
        *grid = LedgerGrid::Inventory;
    else if (name == QLatin1String("sales"))
        *grid = LedgerGrid::Sales;
    else if (name == QLatin1String("summary"))
        *grid = LedgerGrid::Summary;
    else
        return false;
    return true;
}
