#include "store/summary_table.h"

const QString kSummaryStatement = QStringLiteral(
    "sELECT a,b,c,d, sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,sum([6]) AS 销售金额, "
    "sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data GROUP BY a,b,c,d ");
