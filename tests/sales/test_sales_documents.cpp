// The amounts a sales note prints: every line and the total rounded to the fen, the capitals read
// from that same total, and the same total as the POS list of those lines gives the receipt.
#include "sales/pos_list.h"
#include "sales/sales_documents.h"
#include "store/data_module.h"
#include "store/dataset.h"
#include "store/store_error.h"
#include "support/test_session.h"
#include "text/capitals.h"
#include "text/number_text.h"

#include <QtTest>

class SalesDocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

private slots:
    void init() { m_session = std::make_unique<TestSession>(); }
    void cleanup() { m_session.reset(); }

    void figuresAndCapitalsAgree_data() {
        QTest::addColumn<QList<double>>("amounts");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("capitals");
        QTest::newRow("a 4.995 line in a 156.995 order")
            << QList<double>{4.995, 152} << QStringList{"5.00", "152.00"} << "157.00" << "壹佰伍拾柒元整";
        QTest::newRow("156.995 on one line") << QList<double>{156.995} << QStringList{"157.00"} << "157.00"
                                             << "壹佰伍拾柒元整";
        QTest::newRow("half fens add up as printed")
            << QList<double>{0.005, 0.005} << QStringList{"0.01", "0.01"} << "0.02" << "贰分";
        QTest::newRow("binary fractions") << QList<double>{0.1, 0.2} << QStringList{"0.10", "0.20"} << "0.30"
                                          << "叁角";
        QTest::newRow("four decimals") << QList<double>{1.00004} << QStringList{"1.00"} << "1.00" << "壹元整";
        QTest::newRow("no sales") << QList<double>{} << QStringList{} << "0.00" << "";
    }
    void figuresAndCapitalsAgree() {
        QFETCH(QList<double>, amounts);
        QFETCH(QStringList, lines);
        QFETCH(QString, total);
        QFETCH(QString, capitals);
        for (double a : amounts)
            m_session->ledger.addSale({.name = "笔", .customerNumber = "20240517001", .quantity = 1, .amount = a});
        Dataset& sales = m_session->salesQuery();
        sales.setStatement(QStringLiteral("select * from data1 order by ID"));
        SalesNoteData note;
        readSalesNoteRows(sales, &note);
        QStringList printed;
        for (const SalesNoteRow& row : note.rows)
            printed << row.amount;
        QCOMPARE(printed, lines);
        QCOMPARE(note.total, total);
        QCOMPARE(AmountInCapitals(note.total).text, capitals);

        // The POS list of the same records (the receipt and the delivery note) prints the same.
        PosList list;
        for (double a : amounts)
            list.add(PosLine{{}, QStringLiteral("笔"), {}, QStringLiteral("1"), {},
                             twoDecimalText(textToNumber(generalNumberText(a)))});
        QCOMPARE(list.totalText(), total);
    }

    void changeIsRoundedToTheFen() {
        QCOMPARE(posChangeText(QStringLiteral("10.005"), QStringLiteral("4.99")), QStringLiteral("5.02"));
        QCOMPARE(posChangeText(QStringLiteral("10"), QStringLiteral("7.10")), QStringLiteral("2.9"));
    }
};

QTEST_MAIN(SalesDocumentsTest)
#include "test_sales_documents.moc"
