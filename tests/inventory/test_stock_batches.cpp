// The stock batch writes: what a stock-in, a modification and a deletion store, that each is told to
// the views once when committed, and that a refused one writes and tells nothing.
#include "inventory/stock_batches.h"
#include "inventory/stock_in_rules.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/store_error.h"
#include "support/test_session.h"

#include <QtTest>

namespace {

using F = StockInField;

StockInEntry pencils(const QString& quantity, const QString& stock) {
    StockInEntry e;
    e.name = QStringLiteral(" 铅笔 ");
    e.model = QStringLiteral("HB");
    e.code = QStringLiteral("P1");
    e.category = QStringLiteral("文具");
    e.supplier = QStringLiteral("文具厂");
    e.remark = QStringLiteral(" 整盒 ");
    e.dateText = QStringLiteral("2024-03-01");
    e.values[F::PurchasePrice] = QStringLiteral("1.5");
    e.values[F::Quantity] = quantity;
    e.values[F::SalesPrice] = QStringLiteral("3");
    e.values[F::PurchaseAmount] = QStringLiteral("15");
    e.values[F::SoldQuantity] = QStringLiteral("0");
    e.values[F::SalesTotal] = QStringLiteral("0");
    e.values[F::StockQuantity] = stock;
    e.values[F::StockAmount] = QStringLiteral("15");
    return e;
}

}  // namespace

class StockBatchesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    Database& db() { return m_session->db(); }
    QStringList batch(qint64 id) {
        QStringList values;
        for (const char* c : {"a", "b", "e", "z", "g", "1", "2", "7", "8", "day1"})
            values << db().scalar(QStringLiteral("select \"%1\" from data where id=?").arg(QLatin1String(c)), {id})
                          .toString();
        return values;
    }
    int batches() { return db().scalar(QStringLiteral("select count(*) from data")).toInt(); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
    }
    void cleanup() { m_session.reset(); }

    // A stock-in, a return of two and a deletion: each stored, each told once.
    void eachWriteIsStoredAndToldOnce() {
        QSignalSpy changed(&db().events(), &LedgerEvents::stockChanged);
        const qint64 id = addStockBatch(db(), pencils(QStringLiteral("10"), QStringLiteral("10")));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(batch(id), (QStringList{"铅笔", "HB", "qb", "整盒", "文具厂", "1.5", "10", "10", "15", "2024-03-01"}));

        StockInEntry returned = pencils(QStringLiteral("8"), QStringLiteral("8"));
        returned.values[F::StockAmount] = QStringLiteral("12");
        modifyStockBatch(db(), id, returned, {0, 0, 10});
        QCOMPARE(changed.size(), 2);
        QCOMPARE(batch(id), (QStringList{"铅笔", "HB", "qb", "整盒", "文具厂", "1.5", "8", "8", "12", "2024-03-01"}));

        deleteStockBatch(db(), id);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(batches(), 0);
    }

    void refusalsWriteAndTellNothing_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("stock");
        QTest::newRow("stock-in of a negative quantity") << "add" << "-1" << "-1";
        QTest::newRow("stock-in of a quantity that is no number") << "add" << "1e1" << "10";
        QTest::newRow("return below what was sold") << "modify" << "10" << "-2";
        QTest::newRow("modification of a batch deleted meanwhile") << "modify gone" << "10" << "10";
        // Written over, the sale's deduction would be undone: stock back, the sold unit gone.
        QTest::newRow("modification of a batch sold from meanwhile") << "modify sold" << "8" << "8";
        QTest::newRow("deletion of a batch deleted meanwhile") << "delete gone" << "10" << "10";
    }
    void refusalsWriteAndTellNothing() {
        QFETCH(QString, operation);
        QFETCH(QString, quantity);
        QFETCH(QString, stock);
        const qint64 id = addStockBatch(db(), pencils(QStringLiteral("10"), QStringLiteral("10")));
        const QStringList before = batch(id);
        QSignalSpy changed(&db().events(), &LedgerEvents::stockChanged);
        const StockInEntry entry = pencils(quantity, stock);
        bool refused = false;
        try {
            if (operation == QLatin1String("add"))
                addStockBatch(db(), entry);
            else if (operation == QLatin1String("modify"))
                modifyStockBatch(db(), id, entry, {0, 0, 10});
            else if (operation == QLatin1String("modify gone"))
                modifyStockBatch(db(), id + 1, entry, {0, 0, 10});
            else if (operation == QLatin1String("modify sold"))
                modifyStockBatch(db(), id, entry, {0, 0, 11});
            else
                deleteStockBatch(db(), id + 1);
        } catch (const StoreError&) {
            refused = true;
        }
        QVERIFY(refused);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(batches(), 1);
        QCOMPARE(batch(id), before);
    }

    // A view drops a batch deleted elsewhere and stays on the record it stood on.
    void aViewDropsADeletedBatch() {
        QList<qint64> ids;
        for (const char* stock : {"1", "2", "3"})
            ids << addStockBatch(db(), pencils(QLatin1String(stock), QLatin1String(stock)));
        Dataset view(QStringLiteral("view"), QStringLiteral("select * from data order by id"), &db());
        view.open();
        view.setCurrentRow(2);
        deleteStockBatch(db(), ids[0]);
        QVERIFY(view.dropRecord(ids[0]));
        QCOMPARE(view.recordCount(), 2);
        QCOMPARE(view.fieldInteger(QStringLiteral("id")), ids[2]);
        QVERIFY(!view.dropRecord(ids[0]));  // already gone from the view
    }
};

QTEST_GUILESS_MAIN(StockBatchesTest)
#include "test_stock_batches.moc"
