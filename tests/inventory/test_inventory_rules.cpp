// The inventory's rules without windows: the alarm colour, the search statements, the stock-in
// change rules, the written stock record and the column memory table.
#include "inventory/alarm_rule.h"
#include "inventory/column_memory.h"
#include "inventory/inventory_search.h"
#include "inventory/stock_in_rules.h"
#include "store/store_error.h"
#include "text/number_text.h"

#include <QtTest>
#include <limits>

using F = StockInField;

namespace {

StockInValues valuesOf(std::initializer_list<std::pair<F, QString>> texts) {
    StockInValues v;
    for (const auto& [f, text] : texts)
        v[f] = text;
    return v;
}

// Runs the assignments onto the values the way the panel does, including the rules that the
// assigned fields set off in turn.
void applyWithRules(StockInValues& v, const StockInAssignments& assignments) {
    for (const auto& [f, text] : assignments) {
        if (v[f] == text)
            continue;
        v[f] = text;
        switch (f) {
        case F::Quantity: applyWithRules(v, quantityChanged(v)); break;
        case F::PurchasePrice:
        case F::PurchaseAmount: applyWithRules(v, purchasePriceChanged(v)); break;
        case F::SalesPrice:
        case F::SoldQuantity: applyWithRules(v, salesChanged(v)); break;
        default: break;
        }
    }
}

void type(StockInValues& v, F f, const QString& text) { applyWithRules(v, {{f, text}}); }

}  // namespace

class InventoryRulesTest : public QObject {
    Q_OBJECT
private slots:
    void alarmRounding_data() {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<double>("stock");
        QTest::addColumn<QString>("alarm");
        QTest::addColumn<bool>("red");
        QTest::newRow("5.4 rounds to 5") << false << 5.4 << "5" << true;
        QTest::newRow("5.5 rounds to 6") << false << 5.5 << "5" << false;
        QTest::newRow("5.6 rounds to 6") << false << 5.6 << "5" << false;
        QTest::newRow("4.5 rounds to 4") << false << 4.5 << "4" << true;
        QTest::newRow("6.5 rounds to 6") << false << 6.5 << "6" << true;
        QTest::newRow("equal") << false << 5.0 << "5" << true;
        QTest::newRow("above") << false << 6.0 << "5" << false;
        QTest::newRow("empty stock counts 0") << true << 0.0 << "0" << true;
        QTest::newRow("empty stock with alarm 5") << true << 0.0 << "5" << true;
        QTest::newRow("alarm 0, stock 0") << false << 0.0 << "0" << true;
        QTest::newRow("alarm 0, stock 0.4") << false << 0.4 << "0" << true;
        QTest::newRow("alarm 0, stock 0.6") << false << 0.6 << "0" << false;
        QTest::newRow("alarm 0, negative") << false << -3.0 << "0" << true;
        QTest::newRow("empty field is 0") << false << 1.0 << "" << false;
        QTest::newRow("beyond whole numbers: all red") << false << 1e12 << "99999999999999999999999" << true;
        QTest::newRow("beyond whole numbers, stock beyond too") << false << 1e300 << "99999999999999999999999" << true;
        QTest::newRow("huge stock, ordinary alarm") << false << 1e300 << "5" << false;
    }
    void alarmRounding() {
        QFETCH(bool, empty);
        QFETCH(double, stock);
        QFETCH(QString, alarm);
        QFETCH(bool, red);
        QCOMPARE(isAlarmStock(empty, stock, alarmQuantityValue(alarm)), red);
    }

    void alarmQuantityBeyondRangeIsTheLargest() {
        QCOMPARE(alarmQuantityValue(QStringLiteral("99999999999999999999")), std::numeric_limits<qint64>::max());
        QCOMPARE(alarmQuantityValue(QStringLiteral("12")), 12);
        QCOMPARE(alarmQuantityValue(QString()), 0);
    }

    void displayModes() {
        QCOMPARE(fullStatement(DisplayMode::ShowAll), QStringLiteral("select * from data order by day1"));
        QCOMPARE(fullStatement(DisplayMode::ZeroStockHidden),
                 QStringLiteral("select * from data where [7]<>0 order by day1"));
        QCOMPARE(baseCondition(DisplayMode::ShowAll), QStringLiteral("where [2]>0 "));
        QVERIFY(baseCondition(DisplayMode::ZeroStockHidden).startsWith(QStringLiteral("where [7]<>0")));
        DisplayMode mode = DisplayMode::ShowAll;
        QVERIFY(displayModeFromSetting(QStringLiteral("no"), &mode));
        QCOMPARE(mode, DisplayMode::ZeroStockHidden);
        QVERIFY(displayModeFromSetting(QStringLiteral("yes"), &mode));
        QCOMPARE(mode, DisplayMode::ShowAll);
        QVERIFY(!displayModeFromSetting(QStringLiteral("maybe"), &mode));
        QCOMPARE(displayModeSetting(DisplayMode::ZeroStockHidden), QStringLiteral("no"));
    }

    void searchStatementBindsEveryText() {
        SearchConditions c;
        c.category = QStringLiteral("文具");
        c.nameInitials = QStringLiteral("o'n");
        c.code = QStringLiteral(" 12");  // used as typed, blanks included
        c.supplier = QStringLiteral("义乌");
        const Statement s = searchStatement(DisplayMode::ShowAll, c);
        QCOMPARE(s.sql, QStringLiteral("select * from data where [2]>0  and d like ? and (e like ? or a like ?) and "
                                       "c like ? and g like ?"));
        QCOMPARE(s.params, (QVariantList{"%文具%", "%o'n%", "%o'n%", "% 12%", "%义乌%"}));
        QVERIFY(!s.sql.contains(QLatin1Char('\'')));

        SearchConditions dates;
        dates.modelInitials = QStringLiteral("m");
        dates.dateRange = true;
        dates.dateFrom = QStringLiteral("2024-01-01");
        dates.dateTo = QStringLiteral("2024-03-05");
        const Statement d = searchStatement(DisplayMode::ZeroStockHidden, dates);
        QVERIFY(d.sql.startsWith(QStringLiteral("select * from data where [7]<>0")));
        QVERIFY(d.sql.endsWith(QStringLiteral(" and (f like ? or b like ?) and day1>=? and day1<=?")));
        QCOMPARE(d.params, (QVariantList{"%m%", "%m%", "2024-01-01", "2024-03-05"}));
        QVERIFY(!d.sql.contains(QStringLiteral("order by")));
    }

    void dateRangeProblems_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("problem");
        const QString empty = QStringLiteral("    -  -  ");
        QTest::newRow("not ticked") << false << empty << empty << "";
        QTest::newRow("both filled") << true << "2024-01-01" << "2024-02-01" << "";
        QTest::newRow("first empty") << true << empty << "2024-02-01" << "入库日期的起始日期为空，请输入起始日期后再查询！";
        QTest::newRow("second empty") << true << "2024-01-01" << empty << "入库日期的截止日期为空，请输入截止日期后再查询！";
        QTest::newRow("no real date") << true << "2024-02-30" << "2024-03-01"
                                      << "入库日期的起始日期“2024-02-30”不是有效的日期，请改正后再查询！";
    }
    void dateRangeProblems() {
        QFETCH(bool, ticked);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, problem);
        SearchConditions c;
        c.dateRange = ticked;
        c.dateFrom = from;
        c.dateTo = to;
        QCOMPARE(dateRangeProblem(c), problem);
    }

    void priceTimesQuantity() {
        StockInValues v;
        applyWithRules(v, clearedValues());
        type(v, F::PurchasePrice, QStringLiteral("2.5"));
        type(v, F::Quantity, QStringLiteral("3"));
        QCOMPARE(v[F::PurchaseAmount], QStringLiteral("7.5"));
        QCOMPARE(v[F::StockQuantity], QStringLiteral("3"));
        QCOMPARE(v[F::StockAmount], QStringLiteral("7.5"));
        QCOMPARE(v[F::SoldQuantity], QStringLiteral("0"));
        QCOMPARE(v[F::SalesTotal], QStringLiteral("0"));
    }

    void quantityBeforePrice() {
        StockInValues v;
        applyWithRules(v, clearedValues());
        type(v, F::Quantity, QStringLiteral("3"));
        QCOMPARE(v[F::PurchaseAmount], QString());
        QCOMPARE(v[F::StockQuantity], QStringLiteral("3"));
        type(v, F::PurchasePrice, QStringLiteral("0.1"));
        QCOMPARE(v[F::PurchaseAmount], QStringLiteral("0.3"));  // 15 significant digits
        QCOMPARE(v[F::StockAmount], QStringLiteral("0.3"));
    }

    void emptiedQuantityEmptiesTheStock() {
        StockInValues v = valuesOf({{F::PurchasePrice, "2"}, {F::Quantity, "4"}, {F::StockQuantity, "4"}});
        type(v, F::Quantity, QString());
        QCOMPARE(v[F::StockQuantity], QString());
    }

    void salesTotalFollowsPriceAndSold() {
        StockInValues v = valuesOf({{F::SoldQuantity, "4"}});
        type(v, F::SalesPrice, QStringLiteral("2.5"));
        QCOMPARE(v[F::SalesTotal], QStringLiteral("10"));
        type(v, F::SoldQuantity, QString());
        QCOMPARE(v[F::SalesTotal], QStringLiteral("10"));  // an empty side leaves it
    }

    void modificationRecomputesFromSold() {
        // A batch of 10 with 4 sold, lowered to 8.
        StockInValues v = valuesOf({{F::PurchasePrice, "2.5"}, {F::Quantity, "10"}, {F::PurchaseAmount, "25"},
                                    {F::SalesPrice, "4"}, {F::SoldQuantity, "4"}, {F::SalesTotal, "16"},
                                    {F::StockQuantity, "6"}, {F::StockAmount, "15"}});
        v[F::Quantity] = QStringLiteral("8");
        applyWithRules(v, recomputeBeforeModify(v));
        QCOMPARE(v[F::PurchaseAmount], QStringLiteral("20"));
        QCOMPARE(v[F::StockQuantity], QStringLiteral("4"));
        QCOMPARE(v[F::StockAmount], QStringLiteral("10"));
        QCOMPARE(v[F::SoldQuantity], QStringLiteral("4"));
        QCOMPARE(v[F::SalesTotal], QStringLiteral("16"));
    }

    void modificationWithEmptySoldIsRefused() {
        const StockInValues v = valuesOf({{F::PurchasePrice, "2"}, {F::Quantity, "8"}});
        QVERIFY_THROWS_EXCEPTION(ConversionError, recomputeBeforeModify(v));
    }

    void notANumberLeavesTheValues_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("lone point") << ".";
        QTest::newRow("two points") << "1.2.3";
    }
    void notANumberLeavesTheValues() {
        QFETCH(QString, text);
        StockInValues v = valuesOf({{F::PurchasePrice, "2"}, {F::Quantity, "3"}, {F::StockQuantity, "3"},
                                    {F::PurchaseAmount, "6"}, {F::StockAmount, "6"}});
        v[F::PurchasePrice] = text;
        QVERIFY_THROWS_EXCEPTION(ConversionError, purchasePriceChanged(v));
        QCOMPARE(v[F::PurchaseAmount], QStringLiteral("6"));
    }

    // Pasted past the key filter: only plain decimals, and the prices never negative.
    void typedFieldsTakePlainDecimalsOnly_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("nan price") << int(F::PurchasePrice) << "nan";
        QTest::newRow("inf price") << int(F::PurchasePrice) << "inf";
        QTest::newRow("exponent quantity") << int(F::Quantity) << "1e2";
        QTest::newRow("nan quantity") << int(F::Quantity) << "NaN";
        QTest::newRow("inf sales price") << int(F::SalesPrice) << "-inf";
        QTest::newRow("negative sales price") << int(F::SalesPrice) << "-4";
        QTest::newRow("negative purchase price") << int(F::PurchasePrice) << "-2";
    }
    void typedFieldsTakePlainDecimalsOnly() {
        QFETCH(int, field);
        QFETCH(QString, text);
        StockInEntry e;
        e.name = QStringLiteral("笔");
        e.dateText = QStringLiteral("2024-03-05");
        e.values = valuesOf({{F::PurchasePrice, "2"}, {F::Quantity, "3"}, {F::PurchaseAmount, "6"},
                             {F::SalesPrice, "4"}, {F::SoldQuantity, "0"}, {F::SalesTotal, "0"},
                             {F::StockQuantity, "3"}, {F::StockAmount, "6"}});
        e.values.texts[size_t(field)] = text;
        QVERIFY_THROWS_EXCEPTION(ConversionError, stockRecordFields(e, false));
        QVERIFY_THROWS_EXCEPTION(ConversionError, stockRecordFields(e, true));
        QVERIFY_THROWS_EXCEPTION(ConversionError, StockInAssignments(purchasePriceChanged(e.values)) +
                                                      quantityChanged(e.values) + salesChanged(e.values));
    }

    void amountsBeyondADoubleAreRefused() {
        const QString huge = "9" + QString(200, QLatin1Char('9'));
        StockInValues v = valuesOf({{F::PurchasePrice, huge}, {F::Quantity, huge}, {F::StockQuantity, huge}});
        QVERIFY_THROWS_EXCEPTION(ConversionError, purchasePriceChanged(v));
        QVERIFY_THROWS_EXCEPTION(ConversionError, quantityChanged(v));
    }

    // Stock never goes negative: not by a pasted negative quantity, not by a return of more than
    // is left in stock.
    void negativeStockIsRefused_data() {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("sold");
        QTest::addColumn<bool>("modification");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("pasted negative quantity") << "-3" << "0" << false << "进货数量不能小于0";
        QTest::newRow("negative quantity in a modification") << "-3" << "0" << true << "进货数量不能小于0";
        QTest::newRow("return below the sold quantity")
            << "3" << "8" << true << "数量不能少于已销售的数量8：库存不能为负数";
        QTest::newRow("return of everything left") << "8" << "8" << true << "";
        QTest::newRow("ordinary return") << "9" << "8" << true << "";
        QTest::newRow("ordinary stock-in") << "3" << "0" << false << "";
    }
    void negativeStockIsRefused() {
        QFETCH(QString, quantity);
        QFETCH(QString, sold);
        QFETCH(bool, modification);
        QFETCH(QString, refusal);
        // A batch of 10 at 2.5 with `sold` sold, as the panel holds it.
        StockInEntry e;
        e.name = QStringLiteral("笔");
        e.dateText = QStringLiteral("2024-03-05");
        e.values = valuesOf({{F::PurchasePrice, "2.5"}, {F::Quantity, "10"}, {F::PurchaseAmount, "25"},
                             {F::SalesPrice, "4"}, {F::SoldQuantity, sold}, {F::SalesTotal, "0"}});
        e.values[F::StockQuantity] = generalNumberText(10 - sold.toDouble());
        type(e.values, F::Quantity, quantity);
        if (modification)
            applyWithRules(e.values, recomputeBeforeModify(e.values));
        QCOMPARE(stockInRefusal(e.values), refusal);
        if (refusal.isEmpty()) {
            QMap<QString, QVariant> fields;
            for (const auto& [name, value] : stockRecordFields(e, modification))
                fields.insert(name, value);
            QVERIFY(fields.value("7").toDouble() >= 0);
            return;
        }
        try {
            stockRecordFields(e, modification);
            QFAIL("a negative stock was written");
        } catch (const StoreError& error) {
            QCOMPARE(error.message(), refusal);
        }
    }

    void stockRecordOfANewStockIn() {
        StockInEntry e;
        e.name = QStringLiteral("  晨光中性笔 ");
        e.model = QStringLiteral("罗技M330");
        e.code = QStringLiteral(" CG-1280");
        e.category = QStringLiteral("文具\t");
        e.supplier = QStringLiteral(" 义乌 ");
        e.remark = QStringLiteral(" 12支/盒 ");
        e.dateText = QStringLiteral("2024-03-05");
        e.values = valuesOf({{F::PurchasePrice, "2.5"}, {F::Quantity, "3"}, {F::PurchaseAmount, "7.5"},
                             {F::SalesPrice, "4"}, {F::SoldQuantity, "0"}, {F::SalesTotal, "0"},
                             {F::StockQuantity, "3"}, {F::StockAmount, "99"}});
        QMap<QString, QVariant> fields;
        for (const auto& [name, value] : stockRecordFields(e, false))
            fields.insert(name, value);
        QCOMPARE(fields.value("a").toString(), QStringLiteral("晨光中性笔"));
        QCOMPARE(fields.value("c").toString(), QStringLiteral("CG-1280"));
        QCOMPARE(fields.value("d").toString(), QStringLiteral("文具"));
        QCOMPARE(fields.value("g").toString(), QStringLiteral("义乌"));
        QCOMPARE(fields.value("z").toString(), QStringLiteral("12支/盒"));
        QCOMPARE(fields.value("e").toString(), QStringLiteral("cgzxb"));
        QCOMPARE(fields.value("f").toString(), QStringLiteral("ljM330"));
        QCOMPARE(fields.value("3").toDouble(), 7.5);
        QCOMPARE(fields.value("8").toDouble(), 7.5);  // a new batch: the purchase amount
        QCOMPARE(fields.value("7").toDouble(), 3.0);
        QCOMPARE(fields.value("day1").toDate(), QDate(2024, 3, 5));
        QCOMPARE(fields.size(), 17);

        QMap<QString, QVariant> modified;
        for (const auto& [name, value] : stockRecordFields(e, true))
            modified.insert(name, value);
        QCOMPARE(modified.value("8").toDouble(), 99.0);  // a modification: the stock amount

        e.dateText = QStringLiteral("    -  -  ");
        QVERIFY_THROWS_EXCEPTION(ConversionError, stockRecordFields(e, true));
        e.dateText = QStringLiteral("2024-03-05");
        e.values[F::SoldQuantity] = QString();
        QVERIFY_THROWS_EXCEPTION(ConversionError, stockRecordFields(e, false));
    }

    void columnMemoryTable() {
        const auto& items = inventoryColumnMemory();
        QStringList order;
        for (const auto& item : items)
            order << item.setting;
        QCOMPARE(order, (QStringList{"rukuyin1", "rukuyin6", "rukuyin2", "rukuyin3", "rukuyin4", "rukuyin5"}));
        QCOMPARE(items[2].item, QStringLiteral("N6"));
        QCOMPARE(items[2].columns, (QVector<int>{6, 9, 11}));
        QCOMPARE(rememberedTick(QStringLiteral("yes")), RememberedTick::Tick);
        QCOMPARE(rememberedTick(QStringLiteral("no")), RememberedTick::Untick);
        QCOMPARE(rememberedTick(QStringLiteral("Yes")), RememberedTick::Keep);
        QCOMPARE(rememberedTick(QString()), RememberedTick::Keep);
        const auto& sales = salesColumnMemory();
        QCOMPARE(sales.size(), 10);
        QVERIFY(columnsHidden(sales[4], true));
        QVERIFY(!columnsHidden(sales[5], true));  // "显示客户编号" ticked shows its column
        QCOMPARE(sales[5].setting, QStringLiteral("xiaoshouyin6"));
    }
};

QTEST_MAIN(InventoryRulesTest)
#include "test_inventory_rules.moc"
