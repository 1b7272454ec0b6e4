// Correcting a sale changes the arrears and the customer's particulars of that one record, reads
// every value before writing, and tells the views only when it was written.
#include "records/sale_correction.h"
#include "store/data_module.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "store/store_error.h"
#include "support/test_session.h"

#include <QSignalSpy>
#include <QtTest>

class SaleCorrectionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    Database& db() { return m_session->db(); }
    qint64 sale(const QString& customer) {
        return m_session->ledger.addSale({.name = "铅笔", .customerName = customer, .address = "北京路1号",
                                          .contact = "138", .remark = "送货", .customerNumber = "2013115001",
                                          .purchasePrice = 1.2, .price = 2.5, .quantity = 3, .amount = 7.5,
                                          .profit = 3.9, .arrears = 5, .date = "2013-11-05",
                                          .stockInDate = "2013-10-01"});
    }
    // The columns a correction may change and a few it must not, as stored.
    QStringList record(qint64 id) {
        QStringList values;
        for (const char* c : {"6", "z", "g", "h", "i", "j", "a", "3", "4", "a5", "day1"})
            values << db().scalar(QStringLiteral("select \"%1\" from data1 where ID=?").arg(QLatin1String(c)), {id})
                          .toString();
        return values;
    }
    // The six fields as a panel opened on the record shows them.
    SaleCorrectionTexts asRead(qint64 id) {
        Dataset stored(QStringLiteral("Shown"), {}, &db());
        stored.setStatement(QStringLiteral("select * from data1 where ID=?"), {id});
        return correctionTextsOf(stored);
    }
    static SaleCorrectionTexts texts(const QString& arrears) {
        return {arrears, QStringLiteral(" 2013115002 "), QStringLiteral(" 李四 "), QStringLiteral("  "),
                QStringLiteral("139"), QStringLiteral(" 已付一半 ")};
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
    }
    void cleanup() { m_session.reset(); }

    void correctionWritesTheSixFieldsOfThatRecordOnly() {
        const qint64 other = sale(QStringLiteral("王五"));
        const qint64 id = sale(QStringLiteral("张三"));
        const QStringList untouched = record(other);
        QSignalSpy corrected(&db().events(), &LedgerEvents::saleCorrected);
        QCOMPARE(asRead(id).arrears, QStringLiteral("5"));
        correctSale(db(), id, texts(QStringLiteral(" 2.50 ")), asRead(id));
        QCOMPARE(record(id), (QStringList{"2.5", "2013115002", "李四", "", "139", "已付一半", "铅笔", "3", "7.5",
                                          "3.9", "2013-11-05"}));
        QCOMPARE(record(other), untouched);
        QCOMPARE(corrected.size(), 1);
        QCOMPARE(corrected.at(0).at(0).toLongLong(), id);
    }

    void refusalsWriteNothingAndTellNothing_data() {
        QTest::addColumn<QString>("arrears");
        QTest::addColumn<QString>("obstacle");  // "gone", "locked", "corrected" or none
        QTest::addColumn<bool>("conversion");   // a ConversionError, else a StoreError
        QTest::newRow("empty arrears") << "" << "" << true;
        QTest::newRow("negative arrears") << "-1" << "" << true;
        QTest::newRow("arrears in exponent form") << "1e2" << "" << true;
        QTest::newRow("arrears with two points") << "1..5" << "" << true;
        QTest::newRow("record deleted meanwhile") << "0" << "gone" << false;
        QTest::newRow("engine refuses") << "0" << "locked" << false;
        // Another till's correction since the panel opened would be overwritten unseen.
        QTest::newRow("corrected elsewhere meanwhile") << "0" << "corrected" << false;
    }
    void refusalsWriteNothingAndTellNothing() {
        QFETCH(QString, arrears);
        QFETCH(QString, obstacle);
        QFETCH(bool, conversion);
        const qint64 id = sale(QStringLiteral("张三"));
        const QStringList before = record(id);
        qint64 target = id;
        SaleCorrectionTexts shown = asRead(id);
        if (obstacle == QLatin1String("corrected"))
            shown.customerName = QStringLiteral("张三丰");
        if (obstacle == QLatin1String("gone"))
            target = id + 1;
        if (obstacle == QLatin1String("locked"))
            m_session->ledger.refuseWrites(QStringLiteral("update"), QStringLiteral("data1"), QStringLiteral("锁定"));
        QSignalSpy corrected(&db().events(), &LedgerEvents::saleCorrected);
        bool convertedBadly = false, refused = false;
        try {
            correctSale(db(), target, texts(arrears), shown);
        } catch (const ConversionError&) {
            convertedBadly = true;
        } catch (const StoreError&) {
            refused = true;
        }
        QCOMPARE(convertedBadly, conversion);
        QCOMPARE(refused, !conversion);
        QCOMPARE(record(id), before);
        QCOMPARE(corrected.size(), 0);
    }
};

QTEST_GUILESS_MAIN(SaleCorrectionTest)
#include "test_sale_correction.moc"
