// Deleting a sale gives its quantity back to its own batch, exactly matched, and changes either
// both records or neither.
#include "records/sale_deletion.h"
#include "store/data_module.h"
#include "store/store_error.h"
#include "support/temp_workdir.h"

#include <QtTest>

class SaleDeletionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkdir> m_dir;

    Database& db() { return dm().connection(); }
    qint64 batch(const QVariant& name, const QVariant& model, double s5, double s6, double s7, double s8,
                 const QVariant& date = QStringLiteral("2024-03-01")) {
        db().exec(QStringLiteral("insert into data (a,b,c,d,[5],[6],[7],[8],day1) values (?,?,'P1','文具',?,?,?,?,?)"),
                  {name, model, s5, s6, s7, s8, date});
        return db().lastInsertId();
    }
    qint64 sale(const QVariant& name, const QVariant& model, double quantity, double amount, const QVariant& price,
                const QVariant& stockInDate = QStringLiteral("2024-03-01")) {
        db().exec(QStringLiteral("insert into data1 (a,b,c,d,[1],[3],[4],day1,day2) values (?,?,'P1','文具',?,?,?,"
                                 "'2024-03-05',?)"),
                  {name, model, price, quantity, amount, stockInDate});
        return db().lastInsertId();
    }
    QList<double> figures(qint64 id) {
        QList<double> out;
        for (const char* c : {"5", "6", "7", "8"})
            out << db().scalar(QStringLiteral("select [%1] from data where id=?").arg(QLatin1String(c)), {id}).toDouble();
        return out;
    }
    int sales() { return db().scalar(QStringLiteral("select count(*) from data1")).toInt(); }

private slots:
    void init() {
        m_dir = std::make_unique<TempWorkdir>();
        m_dir->openNewDatabase();
    }
    void cleanup() { m_dir.reset(); }

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
        const qint64 stock = batch(QStringLiteral("铅笔"), QStringLiteral("HB"), 5, 100, 3, 31.5);
        const qint64 id = sale(QStringLiteral("铅笔"), QStringLiteral("HB"), 2, 40, 10.5);
        const SaleDeletion result = deleteSale(db(), id);
        QVERIFY(result.stockRestored);
        QCOMPARE(result.stockId, stock);
        QCOMPARE(figures(stock), (QList<double>{3, 60, 5, 52.5}));
        QCOMPARE(sales(), 0);
    }

    // A sale of "笔" belongs to the batch named "笔", never to "铅笔" that merely contains it.
    void theBatchIsMatchedExactlyNotByContainment() {
        const qint64 pencil = batch(QStringLiteral("铅笔"), QStringLiteral("HB"), 5, 100, 3, 30);
        const qint64 pen = batch(QStringLiteral("笔"), QStringLiteral("HB"), 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10);
        QCOMPARE(deleteSale(db(), id).stockId, pen);
        QCOMPARE(figures(pencil), (QList<double>{5, 100, 3, 30}));
        QCOMPARE(figures(pen), (QList<double>{4, 80, 4, 40}));
    }

    void emptyAndMissingAgreeAndLatinCaseIsIgnored() {
        const qint64 stock = batch(QStringLiteral("Pen"), QVariant(), 2, 20, 0, 0);
        const qint64 id = sale(QStringLiteral("PEN"), QStringLiteral(""), 2, 20, 4);
        QCOMPARE(deleteSale(db(), id).stockId, stock);
        QCOMPARE(figures(stock), (QList<double>{0, 0, 2, 8}));
    }

    void aBatchOfAnotherStockInDateIsNotTouched() {
        const qint64 other = batch(QStringLiteral("笔"), QStringLiteral("HB"), 5, 100, 3, 30, QStringLiteral("2024-02-01"));
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10, QStringLiteral("2024-03-01"));
        const SaleDeletion result = deleteSale(db(), id);
        QVERIFY(!result.stockRestored);  // no batch: only the sale goes
        QCOMPARE(sales(), 0);
        QCOMPARE(figures(other), (QList<double>{5, 100, 3, 30}));
    }

    void aFigureThatIsNoNumberChangesNeitherRecord() {
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, QVariant());  // no purchase price
        QVERIFY_THROWS_EXCEPTION(ConversionError, deleteSale(db(), id));
        QCOMPARE(sales(), 1);
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }

    // The sales record cannot be deleted (the engine refuses): the batch already written is rolled back.
    void aFailedDeleteLeavesTheBatchUnchanged() {
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), 5, 100, 3, 30);
        const qint64 id = sale(QStringLiteral("笔"), QStringLiteral("HB"), 1, 20, 10);
        db().exec(QStringLiteral("create trigger keep before delete on data1 begin select raise(abort,'记录被锁定'); end"));
        try {
            deleteSale(db(), id);
            QFAIL("the deletion should have failed");
        } catch (const StoreError& e) {
            QVERIFY(e.message().contains(QStringLiteral("记录被锁定")));
        }
        QCOMPARE(sales(), 1);
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }

    void aSaleDeletedMeanwhileIsReportedAndNothingChanges() {
        const qint64 stock = batch(QStringLiteral("笔"), QStringLiteral("HB"), 5, 100, 3, 30);
        QVERIFY_THROWS_EXCEPTION(StoreError, deleteSale(db(), 4711));
        QCOMPARE(figures(stock), (QList<double>{5, 100, 3, 30}));
    }
};

QTEST_GUILESS_MAIN(SaleDeletionTest)
#include "test_sale_deletion.moc"
