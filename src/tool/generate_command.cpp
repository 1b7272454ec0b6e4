#include "tool/generate_command.h"

#include "store/database.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "text/number_text.h"
#include "text/pinyin.h"
#include "tool/commands.h"
#include "tool/tool_io.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>
#include <cmath>
#include <optional>
#include <vector>

namespace {

const QStringList kBrands = {"金龙", "福临", "康师", "统一", "海天", "恒顺", "蒙牛", "伊利", "光明", "双汇",
                             "雨润", "娃哈", "农夫", "百事", "青岛", "雪花", "燕京", "立白", "蓝月", "白猫",
                             "中华", "黑人", "高露", "舒肤", "六神", "美的", "格力", "海尔", "苏泊", "九阳",
                             "得力", "晨光", "真彩", "齐心", "公牛", "欧普", "雷士", "飞利", "南孚", "双鹿"};
// Each product noun with its category.
const QList<QPair<QString, QString>> kGoods = {
    {"大米", "粮油"}, {"面粉", "粮油"}, {"食用油", "粮油"}, {"酱油", "调味品"}, {"香醋", "调味品"},
    {"方便面", "方便食品"}, {"矿泉水", "饮料"}, {"纯牛奶", "乳制品"}, {"酸奶", "乳制品"}, {"火腿肠", "肉制品"},
    {"啤酒", "酒类"}, {"白酒", "酒类"}, {"洗衣粉", "洗涤用品"}, {"洗洁精", "洗涤用品"}, {"牙膏", "个人护理"},
    {"牙刷", "个人护理"}, {"香皂", "个人护理"}, {"沐浴露", "个人护理"}, {"洗发水", "个人护理"}, {"毛巾", "日用百货"},
    {"电饭煲", "家用电器"}, {"电水壶", "家用电器"}, {"插线板", "电工照明"}, {"灯泡", "电工照明"}, {"电池", "电工照明"},
    {"中性笔", "文具"}, {"笔记本", "文具"}, {"文件夹", "办公用品"}, {"订书机", "办公用品"}, {"胶带", "办公用品"},
    {"饼干", "休闲食品"}, {"薯片", "休闲食品"}, {"巧克力", "休闲食品"}, {"糖果", "休闲食品"}, {"瓜子", "休闲食品"},
    {"花生", "休闲食品"}, {"茶叶", "茶饮冲调"}, {"咖啡", "茶饮冲调"}, {"果汁", "饮料"}, {"可乐", "饮料"}};
const QStringList kQualifiers = {"特级", "精选", "家庭装", "经济型", "加大", "迷你", "无糖", "原味", "清香", "豪华"};
const QStringList kUnits = {"500g", "1kg", "5kg", "250ml", "500ml", "1.5L", "24支", "12包", "10只", "A4",
                            "XL-200", "JY-15", "3米", "9W", "5号", "0.5mm", "80页", "2L", "330ml", "礼盒"};
const QStringList kSuppliers = {"石家庄粮油批发部", "保定日化商行", "北京华联商贸", "天津宏达食品", "廊坊顺发百货",
                                "唐山永辉批发", "沧州利民副食", "邯郸兴旺商贸", "邢台鑫源经销", "衡水万家福",
                                "张家口伊顺乳业", "承德山庄酒业", "秦皇岛海鲜市场", "济南鲁信商贸", "太原晋商百货",
                                "郑州中原批发", "义乌小商品城", "广州白云日化", "深圳华强电子", "上海联华超市配送"};
const QStringList kCustomers = {"张三", "李四", "王五", "赵六", "刘小姐", "陈先生", "杨老板", "黄阿姨", "周师傅",
                                "吴经理", "徐大哥", "孙女士", "马老师", "朱总", "胡姐", "郭哥", "何叔", "高先生",
                                "林小姐", "罗老板", "城东饭店", "幸福小区超市", "第三中学食堂", "阳光幼儿园", ""};
const QStringList kAddresses = {"城东区建设路12号", "新华街88号", "胜利北大街6号", "中山路120号", "", ""};

QString pick(QRandomGenerator& r, const QStringList& list) { return list.at(int(r.bounded(quint32(list.size())))); }

struct Stock {
    qint64 id;
    QString a, b, c, d, e, f, g;
    double price, salePrice;
    QDate day;
    double sold = 0, soldAmount = 0, quantity;
};

// A count or seed option: a plain whole number up to `largest`, or -1 for anything else ("1e2",
// "nan", "2.5", "-1", "abc"), so a mistyped option is refused instead of read as 0.
qint64 wholeOption(const QStringList& args, const QString& name, const QString& fallback, double largest) {
    const std::optional<double> value = parsePlainDecimal(toolOption(args, name, fallback), false);
    if (!value || *value != std::floor(*value) || *value > largest)
        return -1;
    return qint64(*value);
}

}  // namespace

int runGenerate(const QStringList& args) {
    QTextStream& err = toolErr();
    const QString dir = toolOption(args, QStringLiteral("--workdir"), QDir::currentPath());
    constexpr double kMaxInt = 2147483647.0;
    const qint64 stockOption = wholeOption(args, QStringLiteral("--stock"), QStringLiteral("100000"), kMaxInt);
    const qint64 salesOption = wholeOption(args, QStringLiteral("--sales"), QStringLiteral("1000000"), kMaxInt);
    const qint64 seedOption = wholeOption(args, QStringLiteral("--seed"), QStringLiteral("20241"), 4294967295.0);
    const qint64 yearsOption = wholeOption(args, QStringLiteral("--years"), QStringLiteral("10"), 1000);
    const int stockCount = int(stockOption), salesCount = int(salesOption), years = int(yearsOption);
    const quint32 seed = quint32(seedOption);
    if (stockCount <= 0 || salesCount < 0 || years <= 0 || seedOption < 0)
        return printUsage("generate");
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(Database::kFileName);
    QElapsedTimer timer;
    timer.start();
    try {
        Database::create(path);
        Database db;
        db.open(path);
        QRandomGenerator random(seed);
        const QDate last = QDate::currentDate();
        const QDate first = last.addYears(-years);
        const qint64 span = first.daysTo(last);

        std::vector<Stock> batches;
        batches.reserve(size_t(stockCount));
        {
            Transaction t(db);
            using namespace stock;
            const QString insert = insertStatement(
                stockTable(), {kName, kModel, kCode, kCategory, kNameInitials, kModelInitials, kSupplier, kRemark,
                               kPurchasePrice, kQuantity, kPurchaseAmount, kSalesPrice, kSoldQuantity, kSalesTotal,
                               kStockQuantity, kStockAmount, kDate});
            for (int i = 0; i < stockCount; ++i) {
                Stock s;
                const int product = int(random.bounded(4000u));
                QRandomGenerator p(quint32(product) * 7919u + seed);
                const auto& goods = kGoods.at(int(p.bounded(quint32(kGoods.size()))));
                s.a = pick(p, kBrands) + pick(p, kQualifiers) + goods.first;
                s.b = pick(p, kUnits);
                s.c = QStringLiteral("69%1").arg(100000000 + product * 37, 11, 10, QLatin1Char('0'));
                s.d = goods.second;
                s.e = PinyinInitials(s.a);
                s.f = PinyinInitials(s.b);
                s.g = pick(random, kSuppliers);
                s.price = roundDecimal(1 + p.bounded(30000) / 100.0, 2);
                s.salePrice = roundDecimal(s.price * (1.1 + random.bounded(40) / 100.0), 1);
                s.quantity = double(10 + random.bounded(200));
                s.day = first.addDays(qint64(double(i) / stockCount * double(span)));
                db.exec(insert, {s.a, s.b, s.c, s.d, s.e, s.f, s.g, random.bounded(10) == 0 ? QStringLiteral("促销") : QString(),
                                 s.price, s.quantity, roundDecimal(s.price * s.quantity, 2), s.salePrice, 0.0, 0.0, s.quantity,
                                 roundDecimal(s.quantity * s.price, 2), s.day.toString(QStringLiteral("yyyy-MM-dd"))});
                s.id = db.lastInsertId();
                batches.push_back(s);
            }
            t.commit();
        }
        {
            Transaction t(db);
            using namespace salesrecord;
            const QString insert = insertStatement(
                salesTable(), {kName, kModel, kCode, kCategory, kNameInitials, kModelInitials, kCustomerName, kAddress,
                               kContact, kRemark, kCustomerNumber, kPurchasePrice, kPrice, kQuantity, kAmount, kProfit,
                               kArrears, kDate, kStockInDate});
            QDate orderDay;
            int orderCounter = 0;
            for (int i = 0; i < salesCount; ++i) {
                // Sales move forward through time; each sells from a batch already stocked in.
                const QDate day = first.addDays(qint64(double(i) / qMax(1, salesCount) * double(span)));
                const int newest = qMax(1, int(double(first.daysTo(day)) / double(span) * stockCount));
                // A batch with stock left; a sale never takes more than the batch holds.
                Stock* picked = nullptr;
                for (int attempt = 0; attempt < 8 && !picked; ++attempt) {
                    Stock& candidate = batches[size_t(random.bounded(quint32(qMin(newest, stockCount))))];
                    if (candidate.sold < candidate.quantity)
                        picked = &candidate;
                }
                if (!picked)
                    continue;
                Stock& s = *picked;
                const double quantity = qMin(double(1 + random.bounded(5)), s.quantity - s.sold);
                const double price = random.bounded(5) == 0 ? roundDecimal(s.salePrice * 0.9, 2) : s.salePrice;
                if (day != orderDay) {
                    orderDay = day;
                    orderCounter = 1;
                } else if (random.bounded(3) == 0) {
                    ++orderCounter;  // the next customer of the day
                }
                const QString customer = pick(random, kCustomers);
                s.sold += quantity;
                s.soldAmount += quantity * price;
                db.exec(insert, {s.a, s.b, s.c, s.d, s.e, s.f, customer, pick(random, kAddresses),
                                 customer.isEmpty() ? QString() : QStringLiteral("13%1").arg(random.bounded(1000000000u), 9, 10, QLatin1Char('0')),
                                 QString(),
                                 day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(orderCounter % 1000, 3, 10, QLatin1Char('0')),
                                 s.price, price, quantity, roundDecimal(price * quantity, 2),
                                 roundDecimal((price - s.price) * quantity, 2),
                                 random.bounded(20) == 0 ? roundDecimal(price * quantity, 2) : 0.0,
                                 day.toString(QStringLiteral("yyyy-MM-dd")), s.day.toString(QStringLiteral("yyyy-MM-dd"))});
            }
            // The batches carry what was sold from them.
            const QString update =
                QStringLiteral("update %1 set \"%2\"=?, \"%3\"=?, \"%4\"=\"%5\"-?, \"%6\"=(\"%5\"-?)*\"%7\" where %8=?")
                    .arg(stock::kTable, stock::kSoldQuantity, stock::kSalesTotal, stock::kStockQuantity, stock::kQuantity,
                         stock::kStockAmount, stock::kPurchasePrice, stock::kId);
            for (const Stock& s : batches)
                if (s.sold > 0)
                    db.exec(update, {s.sold, roundDecimal(s.soldAmount, 2), s.sold, s.sold, s.id});
            t.commit();
        }
        db.exec(QStringLiteral("ANALYZE"));
    } catch (const StoreError& e) {
        err << "tovrakel-tool generate: " << e.message() << "\n";
        return 1;
    }
    toolOut() << "已在 " << path << " 中生成 " << stockCount << " 条入库记录和 " << salesCount << " 条销售记录（用时 "
              << timer.elapsed() / 1000.0 << " 秒）\n";
    return 0;
}
