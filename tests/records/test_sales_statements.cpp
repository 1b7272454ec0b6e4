// The statements of the sales records run on a real database: the month view, the search of the
// sales search box, the customer-number filter, the statistics and the product summary.
#include "records/sales_queries.h"
#include "records/sales_statistics.h"
#include "store/data_module.h"
#include "store/query.h"
#include "store/summary_table.h"
#include "support/test_session.h"

#include <QtTest>

class SalesStatementsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    Database& db() { return m_session->db(); }
    void sale(const QString& name, const QString& day, double quantity = 1, double amount = 10, double profit = 1,
              const QString& initials = {}, const QString& customer = {}, const QString& number = {}) {
        m_session->ledger.addSale({.name = name, .nameInitials = initials, .customerName = customer,
                                   .customerNumber = number, .quantity = quantity, .amount = amount, .profit = profit,
                                   .date = day.isEmpty() ? kNull : day});
    }
    QStringList names(const SalesStatement& s) {
        Dataset& q = m_session->salesQuery();
        OpenQuery(q, s.sql, s.params);
        QStringList out;
        for (int row = 0; row < q.recordCount(); ++row)
            out << q.text(row, q.columnIndex(QStringLiteral("a")));
        return out;
    }
    QList<QPair<int, double>> bars(const SalesStatement& s) {
        Dataset q(QStringLiteral("Chart"), {}, &db());
        q.setStatement(s.sql, s.params);
        QList<QPair<int, double>> out;
        for (const ChartPoint& p : chartPoints(q))
            out << qMakePair(p.x, p.y);
        return out;
    }

private slots:
    void init() { m_session = std::make_unique<TestSession>(); }
    void cleanup() { m_session.reset(); }

    void monthViewListsTheCalendarMonthOldestFirst() {
        sale(QStringLiteral("五月末"), QStringLiteral("2024-05-31"));
        sale(QStringLiteral("三月五"), QStringLiteral("2024-03-05"));
        sale(QStringLiteral("三月一"), QStringLiteral("2024-03-01"));
        sale(QStringLiteral("去年三月"), QStringLiteral("2023-03-10"));
        sale(QStringLiteral("无日期"), QString());
        sale(QStringLiteral("四月一"), QStringLiteral("2024-04-01"));
        sale(QStringLiteral("二月末"), QStringLiteral("2024-02-29"));
        QCOMPARE(names(monthViewStatement(QDate(2024, 3, 20))),
                 (QStringList{QStringLiteral("三月一"), QStringLiteral("三月五")}));
        QCOMPARE(names(monthViewStatement(QDate(2024, 4, 30))), QStringList{QStringLiteral("四月一")});
        QCOMPARE(names(monthViewStatement(QDate(2024, 12, 31))), QStringList());
        sale(QStringLiteral("年末"), QStringLiteral("2024-12-31"));
        sale(QStringLiteral("新年"), QStringLiteral("2025-01-01"));
        QCOMPARE(names(monthViewStatement(QDate(2024, 12, 1))), QStringList{QStringLiteral("年末")});
        QCOMPARE(names(allSalesStatement()).size(), 9);
    }

    void searchMatchesInsideEachFilledColumn_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        const QStringList both{QStringLiteral("铅笔"), QStringLiteral("O'Brien笔")};
        QTest::newRow("name initials") << "e" << "qb" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("upper case initials") << "e" << "QB" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("chinese name") << "e" << "铅" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("chinese shared by both names") << "e" << "笔" << both;
        QTest::newRow("latin letters of a name") << "e" << "brien" << QStringList{QStringLiteral("O'Brien笔")};
        QTest::newRow("latin and chinese of a name") << "e" << "Brien笔" << QStringList{QStringLiteral("O'Brien笔")};
        QTest::newRow("initials and chinese mixed match neither") << "e" << "q笔" << QStringList();
        QTest::newRow("model initials") << "f" << "hb" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("chinese model") << "f" << "黑" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("customer inside") << "g" << "张" << QStringList{QStringLiteral("铅笔")};
        QTest::newRow("quote is a plain character") << "g" << "O'B" << QStringList{QStringLiteral("O'Brien笔")};
        QTest::newRow("nothing typed lists every positive sale") << "" << "" << both;
    }
    void searchMatchesInsideEachFilledColumn() {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        sale(QStringLiteral("铅笔"), QStringLiteral("2024-03-05"), 2, 6, 1, QStringLiteral("QB"), QStringLiteral("张三"));
        db().exec(QStringLiteral("update data1 set b='黑色HB', f='hsHB' where a='铅笔'"));
        sale(QStringLiteral("O'Brien笔"), QStringLiteral("2024-03-06"), 1, 5, 1, QStringLiteral("OBRB"),
             QStringLiteral("O'Brien"));
        sale(QStringLiteral("退货"), QStringLiteral("2024-03-07"), 0, 0, 0, QStringLiteral("QB"), QStringLiteral("张三"));
        SalesSearchConditions c;
        if (column == QLatin1String("e"))
            c.nameInitials = typed;
        else if (column == QLatin1String("f"))
            c.modelInitials = typed;
        else if (column == QLatin1String("g"))
            c.customerName = typed;
        const SalesStatement s = salesSearchStatement(c);
        QVERIFY(s.sql.startsWith(QStringLiteral("select * from data1 where [3]>0 ")));
        if (!typed.isEmpty())
            QVERIFY(!s.sql.contains(typed));  // bound, never pasted
        QCOMPARE(names(s), found);
    }

    void searchAppliesTheFieldsInTheirOrderAndTheDateRange() {
        SalesSearchConditions c;
        c.category = QStringLiteral("文具");
        c.nameInitials = QStringLiteral("q");
        c.code = QStringLiteral("P0");
        c.modelInitials = QStringLiteral("h");
        c.customerName = QStringLiteral("张");
        c.remark = QStringLiteral("急");
        c.dateRange = true;
        c.dateFrom = QStringLiteral("2024-03-01");
        c.dateTo = QStringLiteral("2024-03-31");
        const SalesStatement s = salesSearchStatement(c);
        QCOMPARE(s.sql, QStringLiteral("select * from data1 where [3]>0  and d like ? and (e like ? or a like ?) and "
                                       "c like ? and (f like ? or b like ?) and g like ? and j like ? and day1>=? and "
                                       "day1<=?"));
        QCOMPARE(s.params, (QVariantList{"%文具%", "%q%", "%q%", "%P0%", "%h%", "%h%", "%张%", "%急%", "2024-03-01",
                                         "2024-03-31"}));

        sale(QStringLiteral("二月"), QStringLiteral("2024-02-29"));
        sale(QStringLiteral("三月一"), QStringLiteral("2024-03-01"));
        sale(QStringLiteral("三月末"), QStringLiteral("2024-03-31"));
        sale(QStringLiteral("四月"), QStringLiteral("2024-04-01"));
        SalesSearchConditions range;
        range.dateRange = true;
        range.dateFrom = QStringLiteral("2024-03-01");
        range.dateTo = QStringLiteral("2024-03-31");
        QCOMPARE(names(salesSearchStatement(range)), (QStringList{QStringLiteral("三月一"), QStringLiteral("三月末")}));
    }

    void unusableDateRangesAreNamed_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("problem");
        const QString empty = QStringLiteral("    -  -  ");
        QTest::newRow("unticked ignores dates") << false << empty << empty << QString();
        QTest::newRow("both real") << true << "2024-03-01" << "2024-03-05" << QString();
        QTest::newRow("empty from") << true << empty << "2024-03-05"
                                    << QStringLiteral("销售日期的起始日期为空，请输入起始日期后再查询！");
        QTest::newRow("empty to") << true << "2024-03-01" << empty
                                  << QStringLiteral("销售日期的截止日期为空，请输入截止日期后再查询！");
        QTest::newRow("impossible") << true << "2024-02-30" << "2024-03-05"
                                    << QStringLiteral("销售日期的起始日期“2024-02-30”不是有效的日期，请改正后再查询！");
    }
    void unusableDateRangesAreNamed() {
        QFETCH(bool, ticked);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, problem);
        SalesSearchConditions c;
        c.dateRange = ticked;
        c.dateFrom = from;
        c.dateTo = to;
        QCOMPARE(salesDateRangeProblem(c), problem);
    }

    void customerNumberFilterTrimsAndMatchesInside() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 1, 1, {}, {}, QStringLiteral("20240305-001"));
        sale(QStringLiteral("乙"), QStringLiteral("2024-03-05"), 1, 1, 1, {}, {}, QStringLiteral("20240305-002"));
        sale(QStringLiteral("丙"), QStringLiteral("2024-03-05"), 1, 1, 1, {}, {}, QStringLiteral("it's-1"));
        QCOMPARE(names(customerNumberStatement(QStringLiteral("  0305-001 "))), QStringList{QStringLiteral("甲")});
        QCOMPARE(names(customerNumberStatement(QStringLiteral("20240305"))).size(), 2);
        QCOMPARE(names(customerNumberStatement(QStringLiteral("it's"))), QStringList{QStringLiteral("丙")});
    }

    // Sales of 100 and 50 on 2014-05-03 and of 20 on 2014-06-01 with profits 10, 5 and 2.
    void statisticsSumPerMonthAndPerDay() {
        sale(QStringLiteral("甲"), QStringLiteral("2014-05-03"), 1, 100, 10);
        sale(QStringLiteral("乙"), QStringLiteral("2014-05-03"), 1, 50, 5);
        sale(QStringLiteral("丙"), QStringLiteral("2014-06-01"), 1, 20, 2);
        sale(QStringLiteral("丁"), QStringLiteral("2015-05-03"), 1, 999, 99);
        sale(QStringLiteral("无日期"), QString(), 1, 999, 99);
        using P = QList<QPair<int, double>>;
        QCOMPARE(bars(monthStatisticsStatement(StatisticsMeasure::Profit, 2014)), (P{{5, 15.0}, {6, 2.0}}));
        QCOMPARE(bars(monthStatisticsStatement(StatisticsMeasure::Amount, 2014)), (P{{5, 150.0}, {6, 20.0}}));
        QCOMPARE(bars(dayStatisticsStatement(StatisticsMeasure::Profit, 2014, 5)), (P{{3, 15.0}}));
        QCOMPARE(bars(dayStatisticsStatement(StatisticsMeasure::Amount, 2014, 6)), (P{{1, 20.0}}));
        QCOMPARE(bars(monthStatisticsStatement(StatisticsMeasure::Profit, 2020)), P());
    }

    void dayStatisticsReachTheLastDayOfDecember() {
        sale(QStringLiteral("年末"), QStringLiteral("2013-12-31"), 1, 8, 3);
        sale(QStringLiteral("月初"), QStringLiteral("2013-12-01"), 1, 4, 1);
        using P = QList<QPair<int, double>>;
        QCOMPARE(bars(dayStatisticsStatement(StatisticsMeasure::Profit, 2013, 12)), (P{{1, 1.0}, {31, 3.0}}));
    }

    void typedYearsAndMonthsAreCheckedBeforeQuerying_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("year");
        QTest::addColumn<bool>("month");
        QTest::newRow("year") << "2014" << true << false;
        QTest::newRow("blank around") << " 2020 " << true << false;
        QTest::newRow("month") << "5" << true << true;
        QTest::newRow("month 13") << "13" << true << false;
        QTest::newRow("letters") << "abc" << false << false;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("fraction") << "5.5" << false << false;
    }
    void typedYearsAndMonthsAreCheckedBeforeQuerying() {
        QFETCH(QString, text);
        QFETCH(bool, year);
        QFETCH(bool, month);
        int value = 0;
        QString problem;
        QCOMPARE(statisticsYear(text, &value, &problem), year);
        QCOMPARE(problem.isEmpty(), year);
        problem.clear();
        QCOMPARE(statisticsMonth(text, &value, &problem), month);
        QCOMPARE(problem.isEmpty(), month);
    }

    void yearChoicesRunFromTheEarliestToThisYear() {
        QCOMPARE(statisticsYears(0, 2011), (QStringList{"2009", "2010", "2011"}));
        QCOMPARE(statisticsYears(2015, 2026).size(), 18);
        QCOMPARE(statisticsYears(2015, 2026).last(), QStringLiteral("2026"));
        QCOMPARE(statisticsYears(2007, 2009), (QStringList{"2007", "2008", "2009"}));
        QCOMPARE(earliestSaleYear(db()), 0);
        sale(QStringLiteral("甲"), QStringLiteral("2012-05-03"));
        sale(QStringLiteral("乙"), QStringLiteral("2006-07-01"));
        sale(QStringLiteral("无日期"), QString());
        QCOMPARE(earliestSaleYear(db()), 2006);
    }

    // Two batches of one product with purchase 10 and 5 and stock 3 and 5 make one row.
    void summaryGroupsByNameModelCodeAndCategory() {
        auto batch = [&](const QVariant& name, const QVariant& model, const QVariant& category, double bought,
                         double stock) {
            m_session->ledger.addBatch({.name = name, .model = model, .code = "C1", .category = category,
                                        .quantity = bought, .purchaseAmount = bought * 2, .sold = bought - stock,
                                        .salesTotal = (bought - stock) * 3, .stock = stock, .stockAmount = stock * 2});
        };
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 10, 3);
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 5, 5);
        batch(QStringLiteral("笔"), QStringLiteral("2B"), QStringLiteral("文具"), 4, 4);
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QVariant(), 1, 1);
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QStringLiteral("文具"), 2, 2);
        Dataset& q = m_session->summaryQuery();
        OpenQuery(q, kSummaryStatement);
        QCOMPARE(q.recordCount(), 4);
        QCOMPARE(q.columnNames(), (QStringList{"a", "b", "c", "d", "进货数量", "进货金额", "销售数量", "销售金额",
                                               "库存数量", "库存金额"}));
        bool found = false;
        for (q.first(); !q.eof(); q.next()) {
            if (q.fieldText("a") == QStringLiteral("笔") && q.fieldText("b") == QStringLiteral("HB")) {
                found = true;
                QCOMPARE(q.fieldNumber(summary::kPurchaseQuantity), 15.0);
                QCOMPARE(q.fieldNumber(summary::kStockQuantity), 8.0);
                QCOMPARE(q.fieldNumber(summary::kSoldQuantity), 7.0);
                QCOMPARE(q.fieldNumber(summary::kSalesAmount), 21.0);
            }
        }
        QVERIFY(found);
    }
};

QTEST_GUILESS_MAIN(SalesStatementsTest)
#include "test_sales_statements.moc"
