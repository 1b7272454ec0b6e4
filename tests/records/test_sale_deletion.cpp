// Deleting a sale gives its quantity back to its own batch, exactly matched, and changes either
// both records or neither.
#include "records/sale_deletion.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/store_error.h"
#include "support/test_session.h"

#include <QtTest>

class SaleDeletionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    Database& db() { return m_session->db(); }
    // A batch bought at `price` (the purchase price a sale keeps) with its figures `5` to `8`.
    qint64 batch(const QVariant& name, const QVariant& model, const QVariant& price, double s5, double s6, double s7,
                 double s8, const QVariant& date = QStringLiteral("2024-03-01")) {
        return m_session->ledger.addBatch({.name = name, .model = model, .code = "P1", .category = "文具",
                                           .purchasePrice = price, .sold = s5, .salesTotal = s6, .stock = s7,
                                           .stockAmount = s8, .date = date});
    }
    qint64 sale(const QVariant& name, const QVariant& model, double quantity, double amount, const QVariant& price,
                const QVariant& stockInDate = QStringLiteral("2024-03-01")) {
        return m_session->ledger.addSale({.name = name, .model = model, .code = "P1", .category = "文具",
                                          .purchasePrice = price, .quantity = quantity, .amount = amount,
                                          .date = "2024-03-05", .stockInDate = stockInDate});
    }
    QList<double> figures(qint64 id) {
        QList<double> out;
        for (const char* c : {"5", "6", "7", "8"})
            out << db().scalar(QStringLiteral("select [%1] from data where id=?").arg(QLatin1String(c)), {id}).toDouble();
        return out;
    }
    int sales() { return db().scalar(QStringLiteral("select count(*) from data1")).toInt(); }

private slots:
    void init() { m_session = std::make_unique<TestSession>(); }
    void cleanup() { m_session.reset(); }

    void restorationComputesTheFourFigures_data() {
        QTest::addColumn<QStringList>("texts");  // s5 s6 s7 s8 q m p
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("two units at 10.5") << QStringList{"5", "100", "3", "31.5", "2", "40", "10.5"}
                                           << QList<double>{3, 60, 5, 52.5};
        QTest::newRow("thirds stay at 15 digits") << QStringList{"1", "1", "0", "0", "0.1", "0.2", "3"}
                                                  << QList<double>{0.9, 0.8, 0.1, 0.3};
    }
    void restorationComputesTheFourFigures() {
        QFETCH(QStringList, texts);
        QFETCH(QList<double>, expected);
        const RestoredStock r = restoreStock(texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6]);
        QCOMPARE((QList<double>{r.sold, r.salesAmount, r.stock, r.stockValue}), expected);
    }

    void restorationRefusesTextsThatAreNoNumbers() {
        QVERIFY_THROWS_EXCEPTION(ConversionError, restoreStock("", "1", "1", "1", "1", "1", "1"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, restoreStock("1", "1", "1", "1", "1", "1", "x"));
    }

    // 5 sold, 100 taken, 3 left worth 31.5; the sale of 2 units at 10.5 for 40 goes back.
    void deletingTheExampleSaleRestoresItsBatch() {
        const qint64 stock = batch(QStringLiteral("铅笔"), QStringLiteral("HB"), 10.5, 5, 100, 3, 31.5);
        const qint64 id = sale(QStringLiteral("铅笔"), QStringLiteral("HB"), 2, 40, 10.5);
        QSignalSpy deleted(&db().events(), &LedgerEvents::saleDeleted);
        const SaleDeletion result = deleteSale(db(), id);
        QVERIFY(result.stockRestored);
        QCOMPARE(result.stockId, stock);
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.at(0).at(0).toLongLong(), stock);
        QCOMPARE(figures(stock), (QList<double>{3, 60, 5, 52.5}));
        QCOMPARE(sales(), 0);
    }

    // A sale of "笔" belongs to the batch named "笔", never to "铅笔" that merely contains it.
    void theBatchIsMatchedExactlyNotByContainment() {
        const qint64 pencil = batch(QStringLiteral("铅笔"), QStringLiteral("HB"), 10, 5, 100, 3, 30);
        const qint64 pen = batch(QStringLiteral("笔"), QStringLiteral("HB"), 10, 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10);
        QCOMPARE(deleteSale(db(), id).stockId, pen);
        QCOMPARE(figures(pencil), (QList<double>{5, 100, 3, 30}));
        QCOMPARE(figures(pen), (QList<double>{4, 80, 4, 40}));
    }

    void emptyAndMissingAgreeAndLatinCaseIsIgnored() {
        const qint64 stock = batch(QStringLiteral("Pen"), QVariant(), 4, 2, 20, 0, 0);
        const qint64 id = sale(QStringLiteral("PEN"), QStringLiteral(""), 2, 20, 4);
        QCOMPARE(deleteSale(db(), id).stockId, stock);
        QCOMPARE(figures(stock), (QList<double>{0, 0, 2, 8}));
    }

    void aBatchOfAnotherStockInDateIsNotTouched() {
        const qint64 other = batch(QStringLiteral("笔"), QStringLiteral("HB"), 10, 5, 100, 3, 30,
                                   QStringLiteral("2024-02-01"));
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10, QStringLiteral("2024-03-01"));
        QSignalSpy deleted(&db().events(), &LedgerEvents::saleDeleted);
        const SaleDeletion result = deleteSale(db(), id);
        QVERIFY(!result.stockRestored);  // no batch: only the sale goes
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.at(0).at(0).toLongLong(), 0);
        QCOMPARE(sales(), 0);
        QCOMPARE(figures(other), (QList<double>{5, 100, 3, 30}));
    }

    void aFigureThatIsNoNumberChangesNeitherRecord() {
        // Neither has a purchase price: they agree, and the missing figure stops the deletion.
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), QVariant(), 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, QVariant());
        QSignalSpy deleted(&db().events(), &LedgerEvents::saleDeleted);
        QVERIFY_THROWS_EXCEPTION(ConversionError, deleteSale(db(), id));
        QCOMPARE(deleted.size(), 0);
        QCOMPARE(sales(), 1);
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }

    // The sales record cannot be deleted (the engine refuses): the batch already written is rolled back.
    void aFailedDeleteLeavesTheBatchUnchanged() {
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), 10, 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10);
        m_session->ledger.refuseWrites(QStringLiteral("delete"), QStringLiteral("data1"), QStringLiteral("记录被锁定"));
        QSignalSpy deleted(&db().events(), &LedgerEvents::saleDeleted);
        try {
            deleteSale(db(), id);
            QFAIL("the deletion should have failed");
        } catch (const StoreError& e) {
            QVERIFY(e.message().contains(QStringLiteral("记录被锁定")));
        }
        QCOMPARE(deleted.size(), 0);
        QCOMPARE(sales(), 1);
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }

    // Two batches alike in everything but the price they were bought at: the sale from the 2.0
    // batch goes back to it, not to the older 1.0 batch (whose sold quantity would go negative).
    void theBatchMustAlsoMatchThePurchasePrice() {
        const qint64 cheap = batch(QStringLiteral("笔"), QStringLiteral("HB"), 1.0, 0, 0, 10, 10);
        const qint64 dear = batch(QStringLiteral("笔"), QStringLiteral("HB"), 2.0, 3, 15, 7, 14);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 3, 15, 2.0);
        const SaleDeletion result = deleteSale(db(), id);
        QVERIFY(result.stockRestored);
        QCOMPARE(result.stockId, dear);
        QCOMPARE(figures(dear), (QList<double>{0, 0, 10, 20}));
        QCOMPARE(figures(cheap), (QList<double>{0, 0, 10, 10}));
        QCOMPARE(saleDeletionMessage(result), QStringLiteral("删除销售记录成功！"));
    }

    // No batch may end with a sold quantity below zero: one that sold less than the sale is passed
    // over for the next that fits, and with none the sale goes alone and the user is told.
    void noBatchIsCreditedBeyondWhatItSold_data() {
        QTest::addColumn<QList<double>>("soldOfBatches");
        QTest::addColumn<int>("credited");  // index of the batch credited, -1 none
        QTest::newRow("the older sold too little") << QList<double>{2, 3} << 1;
        QTest::newRow("the older sold exactly the sale") << QList<double>{3, 5} << 0;
        QTest::newRow("none sold enough") << QList<double>{0, 2} << -1;
        QTest::newRow("thirds add up to the sale") << QList<double>{0.1 + 0.2 + 2.7} << 0;
    }
    void noBatchIsCreditedBeyondWhatItSold() {
        QFETCH(QList<double>, soldOfBatches);
        QFETCH(int, credited);
        QList<qint64> ids;
        for (double sold : soldOfBatches)
            ids << batch(QStringLiteral("笔"), QStringLiteral("HB"), 2.0, sold, sold * 5, 10 - sold, (10 - sold) * 2);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 3, 15, 2.0);
        const SaleDeletion result = deleteSale(db(), id);
        QCOMPARE(sales(), 0);
        QCOMPARE(result.stockRestored, credited >= 0);
        for (int i = 0; i < ids.size(); ++i) {
            const double sold = soldOfBatches[i];
            const double back = i == credited ? 3 : 0;
            const QList<double> now = figures(ids[i]);
            QVERIFY(now[0] >= 0);
            QVERIFY(qAbs(now[0] - (sold - back)) < 1e-9);
            QCOMPARE(now[1], sold * 5 - back * 5);
            QCOMPARE(now[2], 10 - sold + back);
        }
        if (credited < 0)
            QVERIFY(saleDeletionMessage(result).contains(QStringLiteral("库存没有退回")));
    }

    void aSaleDeletedMeanwhileIsReportedAndNothingChanges() {
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), 10, 5, 100, 3, 30);
        QVERIFY_THROWS_EXCEPTION(StoreError, deleteSale(db(), 4711));
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }
};

QTEST_GUILESS_MAIN(SaleDeletionTest)
#include "test_sale_deletion.moc"
