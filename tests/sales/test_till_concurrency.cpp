// Two tills in two processes sell from one batch at the same moment, 1,000 sales each, while the
// batch holds only 1,500 units: every unit is sold once, the last ones by exactly one till, the
// other till is refused for short stock, the books balance to the fen, and every order keeps a
// customer number of its own.
//
// The program is its own till: started with --till it opens the ledger, says "ready", waits for
// "go" on its input and then sells.
#include "sales/sale_entry.h"
#include "store/data_module.h"
#include "store/database.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "support/server_cluster.h"
#include "support/temp_workdir.h"
#include "support/till_sale.h"

#include <QtTest>

#include <iostream>

namespace {

constexpr int kSalesPerTill = 1000;
constexpr int kUnitsInStock = 1500;
const QString kBatchCode = QStringLiteral("TILL-1");
const QString kPrice = QStringLiteral("12.5");
constexpr double kPurchasePrice = 8;

// A till: sells one unit at a time until it has sold `wanted` or the batch runs short, then
// prints "sold N short S conflicts C".
int runTill(const QString& ledger, qint64 stockId, int wanted) {
    try {
        Database db;
        openTillLedger(db, ledger);
        if (!readyThenWaitForGo())
            return 2;
        const QDate day(2024, 3, 5);
        SaleEntryTexts entry = oneUnitSale(kPrice, day);
        int sold = 0, conflicts = 0;
        bool short_ = false;
        while (sold < wanted && !short_) {
            // Every sale is an order of its own, numbered as the panel numbers a new order: before
            // the sale's transaction, so both tills often pick the same number.
            entry.customerNumber = customerNumber(day, highestCustomerCounter(db, day) + 1);
            const TillSale sale = sellFromBatch(db, stockId, entry, 10000, day);
            conflicts += sale.conflicts;
            if (sale.outcome == TillOutcome::Sold)
                ++sold;
            else
                short_ = true;
        }
        std::cout << "sold " << sold << " short " << (short_ ? 1 : 0) << " conflicts " << conflicts << std::endl;
        return 0;
    } catch (const StoreError& e) {
        std::cerr << "till failed: " << e.message().toStdString() << std::endl;
        return 1;
    }
}

}  // namespace

class TillConcurrencyTest : public QObject {
    Q_OBJECT
private slots:
    void twoTillsSellTheLastUnitsOnce() {
        // Several tills share a server. The embedded file serves one program at a time: two
        // processes confirming sales back to back starve each other of its lock.
        if (!TempWorkdir::onServer())
            QSKIP("several tills share a server ledger; this runs in the server run of the test");
        REQUIRE_SERVER_CLUSTER();
        TempWorkdir dir;
        dir.openNewDatabase();
        const QString ledger = TempWorkdir::onServer() ? dir.serverUri() : dir.file(Database::kFileName);
        Database& db = LedgerData::instance().connection();
        addBatch(db, {QStringLiteral("红棉拖鞋"), QStringLiteral("X1"), kBatchCode, QStringLiteral("鞋"), kPurchasePrice,
                      double(kUnitsInStock), 12.5, QDate(2024, 3, 1)});
        const qint64 stockId = db.scalar(QStringLiteral("select max(%1) from %2").arg(stock::kId, stock::kTable)).toLongLong();

        // Both tills connect first, then start selling together.
        QProcess tills[2];
        for (QProcess& till : tills) {
            till.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--till"), ledger, QString::number(stockId), QString::number(kSalesPerTill)});
            QVERIFY2(till.waitForStarted(30000), qPrintable(till.errorString()));
        }
        for (QProcess& till : tills) {
            while (!till.canReadLine() && till.waitForReadyRead(60000)) {
            }
            QCOMPARE(till.readLine().trimmed(), QByteArray("ready"));
        }
        for (QProcess& till : tills) {
            // Written out at once: a QProcess sends what it was given only while it is waited on.
            till.write("go\n");
            QVERIFY(till.waitForBytesWritten(30000));
        }
        int soldByTills = 0, shortTills = 0;
        for (QProcess& till : tills) {
            QVERIFY(till.waitForFinished(240000));
            const QString output = QString::fromLocal8Bit(till.readAllStandardOutput()).trimmed();
            QVERIFY2(till.exitStatus() == QProcess::NormalExit && till.exitCode() == 0,
                     qPrintable(output + QString::fromLocal8Bit(till.readAllStandardError())));
            const QStringList words = output.split(QLatin1Char(' '));
            QCOMPARE(words.size(), 6);
            soldByTills += words[1].toInt();
            shortTills += words[3].toInt();
            qInfo().noquote() << "till:" << output;
        }
        // Together they wanted more than there was: all of it went, none twice, and one till
        // (at least) was told the stock was short.
        QCOMPARE(soldByTills, kUnitsInStock);
        QVERIFY(shortTills >= 1);

        const auto value = [&](const QString& sql) { return db.scalar(sql, {kBatchCode}).toDouble(); };
        const QString batch = QStringLiteral("select \"%1\" from %2 where %3=?").arg(QStringLiteral("%1"), stock::kTable, stock::kCode);
        QCOMPARE(value(batch.arg(stock::kStockQuantity)), 0.0);
        QCOMPARE(value(batch.arg(stock::kSoldQuantity)), double(kUnitsInStock));
        QCOMPARE(value(batch.arg(stock::kSalesTotal)), kUnitsInStock * 12.5);
        QCOMPARE(value(batch.arg(stock::kStockAmount)), 0.0);
        const QString sales = QStringLiteral("select %1 from %2 where %3=?").arg(QStringLiteral("%1"), salesrecord::kTable, salesrecord::kCode);
        QCOMPARE(value(sales.arg(QStringLiteral("count(*)"))), double(kUnitsInStock));
        QCOMPARE(value(sales.arg(QStringLiteral("sum(\"%1\")").arg(salesrecord::kQuantity))), double(kUnitsInStock));
        QCOMPARE(value(sales.arg(QStringLiteral("sum(\"%1\")").arg(salesrecord::kAmount))), kUnitsInStock * 12.5);
        QCOMPARE(value(sales.arg(QStringLiteral("sum(%1)").arg(salesrecord::kProfit))), kUnitsInStock * (12.5 - kPurchasePrice));
        // No two orders share a customer number.
        QCOMPARE(value(sales.arg(QStringLiteral("count(distinct %1)").arg(salesrecord::kCustomerNumber))),
                 double(kUnitsInStock));
    }
};

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--till") == 0) {
        QCoreApplication app(argc, argv);
        return runTill(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong(), QByteArray(argv[4]).toInt());
    }
    QCoreApplication app(argc, argv);
    TillConcurrencyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_till_concurrency.moc"
