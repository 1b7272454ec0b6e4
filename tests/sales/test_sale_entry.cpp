// The sale computation, the checks of a sale in their order, customer numbers, and the writing of
// a sale: both records together or neither, always to the batch the sale was made from.
#include "sales/sale_entry.h"
#include "store/dataset.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/query.h"
#include "store/store_error.h"
#include "support/server_cluster.h"
#include "support/test_session.h"

#include <csignal>
#include <thread>

#include <QtTest>

namespace {

// A batch with purchase price k, sold quantity n, sales total m and stock s.
StockRecord basis(double k, double n, double m, double s) {
    StockRecord stock;
    stock.purchasePrice = k;
    stock.soldQuantity = n;
    stock.salesTotal = m;
    stock.stockQuantity = s;
    return stock;
}

StockRecord batchOf(qint64 id) {
    Dataset query(QStringLiteral("stock"), {}, &dm().connection());
    query.setStatement(QStringLiteral("select * from data where id=?"), {id});
    return stockRecordAt(query, 0);
}

SaleEntryTexts entry(const QString& price, const QString& quantity) {
    SaleEntryTexts e;
    e.price = price;
    e.quantity = quantity;
    e.arrears = QStringLiteral("0");
    e.saleDate = QStringLiteral("2013-11-05");
    e.customerNumber = QStringLiteral(" 2013115001 ");
    e.customerName = QStringLiteral(" 张三 ");
    e.address = QStringLiteral("北京路1号");
    e.contact = QStringLiteral("138");
    e.remark = QStringLiteral("送货");
    return e;
}

}  // namespace

Q_DECLARE_METATYPE(StockRecord)
Q_DECLARE_METATYPE(SaleRefusal)

class SaleEntryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> m_session;

    qint64 insertBatch(const QString& name, const QVariant& stock, const QVariant& sold = 0,
                       const QVariant& salesTotal = 0, const QVariant& purchasePrice = 1.2) {
        return m_session->ledger.addBatch({.name = name, .model = "M1", .code = "C1", .category = "类",
                                           .purchasePrice = purchasePrice, .quantity = 10, .purchaseAmount = 12,
                                           .salesPrice = 2.5, .sold = sold, .salesTotal = salesTotal, .stock = stock,
                                           .stockAmount = 0, .date = "2013-10-01"});
    }

    QVariant stockValue(qint64 id, const QString& column) {
        return dm().connection().scalar(QStringLiteral("select \"%1\" from data where id=?").arg(column), {id});
    }
    int salesCount() { return dm().connection().scalar(QStringLiteral("select count(*) from data1")).toInt(); }
    QVariant salesValue(const QString& column) {
        return dm().connection().scalar(QStringLiteral("select \"%1\" from data1 order by ID desc limit 1").arg(column));
    }
    // Sells through the whole path a confirmation takes: checks, conversion, one transaction.
    void sell(const StockRecord& stock, const SaleEntryTexts& e) {
        const SaleCheck check = checkSale(e, stock);
        QCOMPARE(check.refusal, SaleRefusal::None);
        QVERIFY(check.figures);
        recordSale(prepareSale(stock, e, *check.figures), dm().connection());
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2013, 11, 5), QTime(9, 30)));
    }
    void cleanup() { m_session.reset(); }

    void computation_data() {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<StockRecord>("basis");
        QTest::addColumn<QStringList>("expected");  // amount, new sales amount, stock, stock amount, sold, profit
        QTest::newRow("2.5 x 3") << "2.5" << "3" << basis(1.2, 0, 0, 10)
                                 << QStringList{"7.5", "7.5", "7.00", "8.4", "3", "3.90"};
        QTest::newRow("whole stock") << "4" << "5" << basis(3, 2, 8, 5)
                                     << QStringList{"20", "28", "0.00", "0", "7", "5.00"};
        QTest::newRow("stock amount from the unrounded stock")
            << "1" << "0.333" << basis(1, 0, 0, 10) << QStringList{"0.333", "0.333", "9.67", "9.667", "0.333", "0.00"};
        QTest::newRow("loss") << "1" << "3" << basis(1.5, 1, 1, 4)
                              << QStringList{"3", "4", "1.00", "1.5", "4", "-1.50"};
        QTest::newRow("a batch with nothing sold or bought in")
            << "2" << "1" << basis(0, 0, 0, 3) << QStringList{"2", "2", "2.00", "0", "1", "2.00"};
    }
    void computation() {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(StockRecord, basis);
        QFETCH(QStringList, expected);
        const auto f = computeSale(price, quantity, basis);
        QVERIFY(f);
        QCOMPARE((QStringList{f->salesAmount, f->newSalesAmount, f->newStockQuantity, f->newStockAmount,
                              f->newSoldQuantity, f->netProfit}),
                 expected);
    }

    void computationNeedsPriceAndQuantity() {
        QVERIFY(!computeSale(QString(), QStringLiteral("1"), basis(1, 0, 0, 5)));
        QVERIFY(!computeSale(QStringLiteral("1"), QString(), basis(1, 0, 0, 5)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, computeSale(QStringLiteral("1.2.3"), QStringLiteral("1"),
                                                              basis(1, 0, 0, 5)));
    }

    void liveRecalculation() {
        QCOMPARE(discountedPrice(QStringLiteral("85"), 20.0), std::optional<QString>("17"));
        QCOMPARE(discountedPrice(QStringLiteral("33"), 10.0), std::optional<QString>("3.3"));
        QCOMPARE(discountedPrice(QStringLiteral("100"), 9.9), std::optional<QString>("9.9"));
        QVERIFY(!discountedPrice(QString(), 10.0));
        QVERIFY(!discountedPrice(QStringLiteral("80"), std::nullopt));
        QCOMPARE(liveSalesAmount(QStringLiteral("17"), QStringLiteral("2")), std::optional<QString>("34"));
        QCOMPARE(liveSalesAmount(QStringLiteral("0.1"), QStringLiteral("3")), std::optional<QString>("0.3"));
        QVERIFY(!liveSalesAmount(QStringLiteral("17"), QString()));
        QVERIFY_THROWS_EXCEPTION(ConversionError, liveSalesAmount(QStringLiteral("1..7"), QStringLiteral("2")));
        QVERIFY_THROWS_EXCEPTION(ConversionError, liveSalesAmount(QStringLiteral("nan"), QStringLiteral("2")));
        QVERIFY_THROWS_EXCEPTION(ConversionError, liveSalesAmount(QStringLiteral("17"), QStringLiteral("1e1")));
        QVERIFY_THROWS_EXCEPTION(ConversionError, discountedPrice(QStringLiteral("inf"), 10.0));
    }

    void customerNumbers_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("5 November 2013") << QDate(2013, 11, 5) << 1 << "2013115001";
        QTest::newRow("plus") << QDate(2013, 11, 5) << 2 << "2013115002";
        QTest::newRow("15 January 2013 gives the same prefix") << QDate(2013, 1, 15) << 1 << "2013115001";
        QTest::newRow("two-digit month and day") << QDate(2024, 12, 31) << 42 << "20241231042";
        QTest::newRow("four-digit counter") << QDate(2013, 11, 5) << 1000 << "20131151000";
    }
    void customerNumbers() {
        QFETCH(QDate, day);
        QFETCH(int, counter);
        QFETCH(QString, expected);
        QCOMPARE(customerNumber(day, counter), expected);
    }

    // Customer numbers continue after a restart from the highest one stored for the day.
    void highestStoredCustomerCounter_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("highest");
        QTest::newRow("none") << QStringList{} << 0;
        QTest::newRow("out of order") << QStringList{"2013115001", "2013115003", "2013115002"} << 3;
        QTest::newRow("other days do not count") << QStringList{"2013115002", "2013114009", "2013116001"} << 2;
        QTest::newRow("four-digit counter") << QStringList{"2013115999", "20131151000"} << 1000;
        QTest::newRow("typed numbers that are no counter")
            << QStringList{"2013115A01", "A-7", "201311500", "2013115123456789012", "2013115002"} << 2;
        QTest::newRow("15 January shares the prefix") << QStringList{"2013115007"} << 7;
    }
    void highestStoredCustomerCounter() {
        QFETCH(QStringList, stored);
        QFETCH(int, highest);
        for (const QString& number : stored)
            m_session->ledger.addSale({.name = "笔", .customerNumber = number});
        QCOMPARE(highestCustomerCounter(dm().connection(), QDate(2013, 11, 5)), highest);
        // The next number handed out is none of the stored ones.
        QVERIFY(!stored.contains(customerNumber(QDate(2013, 11, 5), highest + 1)));
    }

    // A new order's number is checked inside the sale's transaction: taken by another till meanwhile,
    // the sale moves on to the day's next free number; a continuing order keeps its number.
    void newOrderNumberTakenMeanwhile_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<bool>("newOrder");
        QTest::addColumn<QString>("written");
        QTest::newRow("free") << QStringList{} << true << "2013115001";
        QTest::newRow("taken") << QStringList{"2013115001", "2013115004"} << true << "2013115005";
        QTest::newRow("taken on another day only") << QStringList{"2013114001"} << true << "2013115001";
        QTest::newRow("the order's next line") << QStringList{"2013115001"} << false << "2013115001";
    }
    void newOrderNumberTakenMeanwhile() {
        QFETCH(QStringList, stored);
        QFETCH(bool, newOrder);
        QFETCH(QString, written);
        for (const QString& number : stored)
            m_session->ledger.addSale({.name = "笔", .customerNumber = number});
        const StockRecord stock = batchOf(insertBatch(QStringLiteral("铅笔"), 10));
        SaleEntryTexts e = entry(QStringLiteral("2.5"), QStringLiteral("1"));
        e.customerNumber = QStringLiteral("2013115001");
        const SaleCheck check = checkSale(e, stock);
        SaleRecord record = prepareSale(stock, e, *check.figures);
        if (newOrder)
            record.newOrderDay = QDate(2013, 11, 5);
        QSignalSpy recorded(&dm().connection().events(), &LedgerEvents::saleRecorded);
        QCOMPARE(recordSale(record, dm().connection()), written);
        QCOMPARE(salesValue(QStringLiteral("z")).toString(), written);
        QCOMPARE(recorded.at(0).at(1).toString(), written);
    }

    void checksInOrder_data() {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("arrears");
        QTest::addColumn<QString>("date");
        QTest::addColumn<SaleRefusal>("expected");
        const QString day = QStringLiteral("2013-11-05");
        const QString noDate = QStringLiteral("    -  -  ");
        QTest::newRow("quantity empty comes first") << "  " << "" << "" << noDate << SaleRefusal::QuantityMissing;
        QTest::newRow("quantity 0") << "0" << "" << "" << noDate << SaleRefusal::QuantityZero;
        QTest::newRow("quantity 0.0") << "0.0" << "5" << "0" << day << SaleRefusal::QuantityZero;
        QTest::newRow("negative quantity (pasted)") << "-2" << "5" << "0" << day << SaleRefusal::QuantityNegative;
        QTest::newRow("more than the stock") << "5" << "" << "" << noDate << SaleRefusal::StockShort;
        QTest::newRow("price empty") << "3" << "" << "" << noDate << SaleRefusal::PriceMissing;
        QTest::newRow("arrears empty") << "3" << "5" << " " << noDate << SaleRefusal::ArrearsMissing;
        QTest::newRow("date empty") << "3" << "5" << "0" << noDate << SaleRefusal::DateMissing;
        QTest::newRow("the whole stock passes") << "3" << "5" << "0" << day << SaleRefusal::None;
    }
    void checksInOrder() {
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QString, arrears);
        QFETCH(QString, date);
        QFETCH(SaleRefusal, expected);
        SaleEntryTexts e = entry(price, quantity);
        e.arrears = arrears;
        e.saleDate = date;
        const SaleCheck check = checkSale(e, basis(1, 0, 0, 3));
        QCOMPARE(check.refusal, expected);
        // The computation runs once the stock checks have passed, and only then.
        const bool stockPassed = expected != SaleRefusal::QuantityMissing && expected != SaleRefusal::QuantityZero &&
                                 expected != SaleRefusal::QuantityNegative &&
                                 expected != SaleRefusal::StockShort && expected != SaleRefusal::PriceMissing;
        QCOMPARE(bool(check.figures), stockPassed);
    }

    void notANumberStopsTheChecks() {
        SaleEntryTexts e = entry(QStringLiteral("5"), QStringLiteral("1.2.3"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, checkSale(e, basis(1, 0, 0, 3)));
        e = entry(QStringLiteral("5.."), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, checkSale(e, basis(1, 0, 0, 3)));
    }

    // Pasted texts pass the key filter; only plain decimals may reach the books.
    void pastedNonNumbersSellNothing_data() {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("arrears");
        QTest::newRow("nan quantity") << "5" << "nan" << "0";
        QTest::newRow("NaN quantity") << "5" << "NaN" << "0";
        QTest::newRow("inf price") << "inf" << "1" << "0";
        QTest::newRow("exponent quantity") << "5" << "1e0" << "0";
        QTest::newRow("exponent price") << "1e2" << "1" << "0";
        QTest::newRow("negative price") << "-5" << "1" << "0";
        QTest::newRow("plus quantity") << "5" << "+1" << "0";
        QTest::newRow("inf arrears") << "5" << "1" << "inf";
        QTest::newRow("nan arrears") << "5" << "1" << "nan";
        QTest::newRow("price beyond a double once multiplied") << "9" + QString(307, QLatin1Char('9')) << "2" << "0";
    }
    void pastedNonNumbersSellNothing() {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(QString, arrears);
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        const StockRecord stock = batchOf(id);
        SaleEntryTexts e = entry(price, quantity);
        e.arrears = arrears;
        try {
            const SaleCheck check = checkSale(e, stock);
            if (check.refusal == SaleRefusal::None && check.figures)
                recordSale(prepareSale(stock, e, *check.figures), dm().connection());
            QFAIL("the sale went through");
        } catch (const ConversionError&) {
        }
        QCOMPARE(salesCount(), 0);
        QCOMPARE(stockValue(id, "5").toDouble(), 0.0);
        QCOMPARE(stockValue(id, "7").toDouble(), 10.0);
        QCOMPARE(stockValue(id, "6").toDouble(), 0.0);
    }

    void saleWritesBothRecords() {
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        const StockRecord stock = batchOf(id);
        QCOMPARE(stock.id, id);
        QCOMPARE(stock.purchasePrice, 1.2);
        QCOMPARE(stock.stockInDate, QDate(2013, 10, 1));
        QSignalSpy recorded(&dm().connection().events(), &LedgerEvents::saleRecorded);
        sell(stock, entry(QStringLiteral("2.5"), QStringLiteral("3")));
        QCOMPARE(recorded.size(), 1);  // once, with the batch and the order's customer number
        QCOMPARE(recorded.at(0), (QVariantList{id, QStringLiteral("2013115001")}));

        QCOMPARE(stockValue(id, "5").toDouble(), 3.0);
        QCOMPARE(stockValue(id, "6").toDouble(), 7.5);
        QCOMPARE(stockValue(id, "7").toDouble(), 7.0);
        QCOMPARE(stockValue(id, "8").toDouble(), 8.4);
        QCOMPARE(stockValue(id, "2").toDouble(), 10.0);  // the purchase stays as it was
        QCOMPARE(salesCount(), 1);
        const QList<QPair<QString, QVariant>> expected = {
            {"a", "铅笔"}, {"b", "M1"}, {"c", "C1"}, {"d", "类"}, {"z", "2013115001"}, {"1", 1.2}, {"2", 2.5},
            {"3", 3.0}, {"4", 7.5}, {"a5", 3.9}, {"6", 0.0}, {"day1", "2013-11-05"}, {"day2", "2013-10-01"},
            {"e", "qb"}, {"f", "M1"}, {"g", "张三"}, {"h", "北京路1号"}, {"i", "138"}, {"j", "送货"}};
        for (const auto& [column, value] : expected) {
            if (value.typeId() == QMetaType::Double)
                QCOMPARE(salesValue(column).toDouble(), value.toDouble());
            else
                QCOMPARE(salesValue(column).toString(), value.toString());
        }
    }

    void roundedFiguresAreStored() {
        const qint64 id = insertBatch(QStringLiteral("线"), 10, 0, 0, 1);
        sell(batchOf(id), entry(QStringLiteral("1"), QStringLiteral("0.333")));
        QCOMPARE(stockValue(id, "7").toDouble(), 9.67);
        QCOMPARE(stockValue(id, "8").toDouble(), 9.667);
        QCOMPARE(salesValue("a5").toDouble(), 0.0);
    }

    void wholeStockLeavesZero() {
        const qint64 id = insertBatch(QStringLiteral("本"), 5);
        sell(batchOf(id), entry(QStringLiteral("2"), QStringLiteral("5")));
        QCOMPARE(stockValue(id, "7").toDouble(), 0.0);
    }

    // The sale goes to the batch it was made from, whatever row the stock query stands on.
    void saleFindsItsBatchByIdentity() {
        const qint64 pen = insertBatch(QStringLiteral("笔"), 10);
        const qint64 pencil = insertBatch(QStringLiteral("铅笔"), 10);
        const StockRecord stock = batchOf(pen);
        OpenQuery(m_session->stockQuery(), QStringLiteral("select * from data order by id desc"));
        m_session->stockQuery().first();  // the pencil
        sell(stock, entry(QStringLiteral("1"), QStringLiteral("4")));
        QCOMPARE(stockValue(pen, "7").toDouble(), 6.0);
        QCOMPARE(stockValue(pencil, "7").toDouble(), 10.0);
        QCOMPARE(salesValue("a").toString(), QStringLiteral("笔"));
    }

    // The connection to the server is lost in the middle of a sale (the server ends the session, or
    // the whole server goes down): nothing is half-written, the user is told, and the next action
    // reconnects.
    void aConnectionLostDuringASaleWritesNothing_data() {
        QTest::addColumn<bool>("serverDown");
        QTest::newRow("the session ends") << false;
        QTest::newRow("the server is killed") << true;
    }
    void aConnectionLostDuringASaleWritesNothing() {
        QFETCH(bool, serverDown);
        if (!TempWorkdir::onServer())
            QSKIP("a ledger file has no connection to lose");
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        Database& db = dm().connection();
        ServerCluster* cluster = ServerCluster::shared();
        QVERIFY(cluster);
        db.exec(QStringLiteral("create function lose() returns trigger language plpgsql as $$ begin %1; return new; end $$")
                    .arg(serverDown ? QStringLiteral("perform pg_sleep(30)")
                                    : QStringLiteral("perform pg_terminate_backend(pg_backend_pid())")));
        db.exec(QStringLiteral("create trigger lose before insert on data1 for each row execute function lose()"));
        const StockRecord stock = batchOf(id);
        const SaleEntryTexts e = entry(QStringLiteral("2.5"), QStringLiteral("3"));
        const SaleRecord record = prepareSale(stock, e, *checkSale(e, stock).figures);
        // The server goes down once the sale waits in its trigger, inside its transaction.
        std::thread killer;
        if (serverDown)
            killer = std::thread([cluster] {
                while (cluster->queryValue(QStringLiteral("select count(*) from pg_stat_activity where wait_event='PgSleep'"))
                           != QLatin1String("1"))
                    std::this_thread::yield();
                // As the machine would lose it: the server's main process quits at once.
                QFile pidFile(cluster->queryValue(QStringLiteral("show data_directory")) + QStringLiteral("/postmaster.pid"));
                if (pidFile.open(QIODevice::ReadOnly))
                    ::kill(pid_t(pidFile.readLine().trimmed().toLongLong()), SIGQUIT);
            });
        try {
            recordSale(record, db);
            QFAIL("the sale was reported as saved");
        } catch (const StoreError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("连接断开")), qPrintable(error.message()));
        }
        if (killer.joinable())
            killer.join();
        if (serverDown) {
            cluster->stopImmediately();
            QString problem;
            QVERIFY2(cluster->start(&problem), qPrintable(problem));
        }
        db.exec(QStringLiteral("drop trigger lose on data1"));  // reconnects first
        QCOMPARE(stockValue(id, "7").toDouble(), 10.0);
        QCOMPARE(salesCount(), 0);
        recordSale(record, db);
        QCOMPARE(stockValue(id, "7").toDouble(), 7.0);
        QCOMPARE(salesCount(), 1);
    }

    void failureInTheSalesRecordChangesNothing() {
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        m_session->ledger.refuseWrites(QStringLiteral("insert"), QStringLiteral("data1"), QStringLiteral("disk says no"));
        const StockRecord stock = batchOf(id);
        const SaleEntryTexts e = entry(QStringLiteral("2.5"), QStringLiteral("3"));
        const SaleRecord record = prepareSale(stock, e, *checkSale(e, stock).figures);
        QSignalSpy recorded(&dm().connection().events(), &LedgerEvents::saleRecorded);
        try {
            recordSale(record, dm().connection());
            QFAIL("the sale was reported as saved");
        } catch (const StoreError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("disk says no")), qPrintable(error.message()));
        }
        QCOMPARE(stockValue(id, "5").toDouble(), 0.0);
        QCOMPARE(stockValue(id, "7").toDouble(), 10.0);
        QCOMPARE(salesCount(), 0);
        QCOMPARE(recorded.size(), 0);  // a rolled-back sale is told to no view
        // Once the cause is gone the same sale goes through.
        m_session->ledger.allowWrites(QStringLiteral("insert"), QStringLiteral("data1"));
        recordSale(record, dm().connection());
        QCOMPARE(stockValue(id, "7").toDouble(), 7.0);
        QCOMPARE(salesCount(), 1);
        QCOMPARE(recorded.size(), 1);
    }

    void badTextsStopBeforeAnyWrite_data() {
        QTest::addColumn<QString>("arrears");
        QTest::addColumn<QString>("date");
        QTest::newRow("arrears") << "1..5" << "2013-11-05";
        QTest::newRow("sale date") << "0" << "2013-02-30";
    }
    void badTextsStopBeforeAnyWrite() {
        QFETCH(QString, arrears);
        QFETCH(QString, date);
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        const StockRecord stock = batchOf(id);
        SaleEntryTexts e = entry(QStringLiteral("2"), QStringLiteral("1"));
        e.arrears = arrears;
        e.saleDate = date;
        QVERIFY_THROWS_EXCEPTION(ConversionError, prepareSale(stock, e, *computeSale(e.price, e.quantity, stock)));
        QCOMPARE(stockValue(id, "7").toDouble(), 10.0);
        QCOMPARE(salesCount(), 0);
    }

    // A batch is read with its figures as the grid shows them; what is neither empty nor a number
    // (nor a date) stops the sale before the panel opens.
    void readingABatch_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("read");  // invalid: a ConversionError
        QTest::newRow("empty stock counts as 0") << "7" << QVariant() << QVariant(0.0);
        QTest::newRow("empty purchase price counts as 0") << "1" << QVariant() << QVariant(0.0);
        QTest::newRow("stock to 15 significant digits") << "7" << QVariant(0.1 + 0.2) << QVariant(0.3);
        if (!TempWorkdir::onServer())  // the server's number columns hold numbers only
            QTest::newRow("stock that is no number") << "7" << QVariant("viele") << QVariant();
        QTest::newRow("no suggested price") << "4" << QVariant() << QVariant("none");
        QTest::newRow("suggested price") << "4" << QVariant(12.5) << QVariant(12.5);
        QTest::newRow("stock-in date and time") << "day1" << QVariant("2013-10-01 08:30:00") << QVariant(QDate(2013, 10, 1));
        QTest::newRow("no stock-in date") << "day1" << QVariant() << QVariant(QDate());
        QTest::newRow("stock-in date that is no date") << "day1" << QVariant("yesterday") << QVariant();
    }
    void readingABatch() {
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, read);
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        dm().connection().exec(QStringLiteral("update data set \"%1\"=? where id=?").arg(column), {stored, id});
        if (!read.isValid()) {
            QVERIFY_THROWS_EXCEPTION(ConversionError, batchOf(id));
            return;
        }
        const StockRecord stock = batchOf(id);
        QCOMPARE(stock.id, id);
        QCOMPARE(stock.name, QStringLiteral("铅笔"));
        // Exactly, not within a tolerance: the sale computes from these very numbers.
        if (column == QLatin1String("7"))
            QVERIFY(stock.stockQuantity == read.toDouble());
        else if (column == QLatin1String("1"))
            QVERIFY(stock.purchasePrice == read.toDouble());
        else if (column == QLatin1String("4"))
            QCOMPARE(stock.salesPrice, read.typeId() == QMetaType::Double ? std::optional<double>(read.toDouble())
                                                                          : std::nullopt);
        else
            QCOMPARE(stock.stockInDate, read.toDate());
    }

    void batchWithoutStockInDateSells() {
        const qint64 id = insertBatch(QStringLiteral("铅笔"), 10);
        dm().connection().exec(QStringLiteral("update data set day1=null where id=?"), {id});
        sell(batchOf(id), entry(QStringLiteral("2"), QStringLiteral("1")));
        QVERIFY(salesValue("day2").isNull());
        QCOMPARE(salesValue("day1").toString(), QStringLiteral("2013-11-05"));
    }

    void goneOrChangedBatchIsRefused() {
        const qint64 gone = insertBatch(QStringLiteral("笔"), 10);
        const StockRecord goneStock = batchOf(gone);
        QSignalSpy recorded(&dm().connection().events(), &LedgerEvents::saleRecorded);
        dm().connection().exec(QStringLiteral("delete from data where id=?"), {gone});
        QVERIFY_THROWS_EXCEPTION(StoreError, sell(goneStock, entry(QStringLiteral("1"), QStringLiteral("1"))));

        const qint64 changed = insertBatch(QStringLiteral("铅笔"), 10);
        const StockRecord old = batchOf(changed);
        dm().connection().exec(QStringLiteral("update data set \"5\"=4, \"7\"=6 where id=?"), {changed});
        QVERIFY_THROWS_EXCEPTION(StoreError, sell(old, entry(QStringLiteral("1"), QStringLiteral("1"))));
        QCOMPARE(stockValue(changed, "7").toDouble(), 6.0);
        QCOMPARE(salesCount(), 0);
        QCOMPARE(recorded.size(), 0);
    }

    void soldLineForThePosList() {
        const qint64 id = insertBatch(QStringLiteral("可乐"), 10);
        const StockRecord stock = batchOf(id);
        const SaleEntryTexts e = entry(QStringLiteral("3.5"), QStringLiteral("2"));
        const SoldLine line = soldLine(stock, e, *computeSale(e.price, e.quantity, stock));
        QCOMPARE((QStringList{line.code, line.name, line.model, line.quantity, line.price, line.amount}),
                 (QStringList{"C1", "可乐", "M1", "2", "3.5", "7.00"}));
    }
};

QTEST_MAIN(SaleEntryTest)
#include "test_sale_entry.moc"
