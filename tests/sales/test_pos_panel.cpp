// The POS panel at the till, inside the sales details dialog as the shop uses it: Enter in the cash
// field shows the change and waits on "POS小票打印", a second Enter prints; a pasted cash text that
// is no plain decimal is refused.
#include "sales/pos_list.h"
#include "sales/ui/pos_panel.h"
#include "store/store_error.h"
#include "support/test_session.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class PosPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<QDialog> m_dialog;
    PosPanel* m_panel = nullptr;

    void focusCash() {
        m_dialog->show();
        QApplication::setActiveWindow(m_dialog.get());
        m_panel->cash()->setFocus();
        QVERIFY(m_panel->cash()->hasFocus());
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)), SessionLedger::None);
        m_session->ui.pdfPath = m_session->file(QStringLiteral("receipt.pdf"));
        // The panel floats in a dialog, whose focused button takes an unhandled Enter.
        m_dialog = std::make_unique<QDialog>();
        m_dialog->resize(800, 420);
        m_panel = new PosPanel(m_dialog.get());
        m_panel->show();
        m_panel->addLine({}, QStringLiteral("铅笔"), {}, QStringLiteral("1"), QStringLiteral("37.5"), 37.5);
    }
    void cleanup() {
        m_dialog.reset();
        m_session.reset();
    }

    void firstEnterShowsTheChangeSecondEnterPrints() {
        focusCash();
        QTest::keyClicks(m_panel->cash(), QStringLiteral("100"));
        QTest::keyClick(m_panel->cash(), Qt::Key_Return);
        QVERIFY(m_panel->receiptButton()->hasFocus());
        QVERIFY(m_session->ui.printJobs.isEmpty());
        QCOMPARE(m_panel->change()->text(), QStringLiteral("62.5"));
        QCOMPARE(m_panel->list().filledCount(), 1);
        QCOMPARE(m_panel->cash()->text(), QStringLiteral("100"));

        QTest::keyClick(m_panel->receiptButton(), Qt::Key_Return);
        QCOMPARE(m_session->ui.printJobs.size(), 1);
        QCOMPARE(m_panel->list().filledCount(), 0);
        QVERIFY(m_panel->change()->text().isEmpty());
    }

    void keypadEnterDoesTheSame() {
        focusCash();
        QTest::keyClicks(m_panel->cash(), QStringLiteral("50"));
        QTest::keyClick(m_panel->cash(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(m_panel->receiptButton()->hasFocus());
        QVERIFY(m_session->ui.printJobs.isEmpty());
        QCOMPARE(m_panel->change()->text(), QStringLiteral("12.5"));
        QTest::keyClick(m_panel->receiptButton(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_session->ui.printJobs.size(), 1);
    }

    void pastedCashThatIsNoPlainDecimal_data() {
        QTest::addColumn<QString>("cash");
        QTest::newRow("nan") << "nan";
        QTest::newRow("inf") << "inf";
        QTest::newRow("exponent") << "1e2";
        QTest::newRow("negative") << "-100";
    }
    void pastedCashThatIsNoPlainDecimal() {
        QFETCH(QString, cash);
        QVERIFY_THROWS_EXCEPTION(ConversionError, posChangeText(cash, QStringLiteral("37.50")));
        focusCash();
        m_panel->cash()->insert(cash);  // a paste passes the key filter
        m_session->ui.clear();
        QTest::keyClick(m_panel->cash(), Qt::Key_Return);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(cash));
        QVERIFY(m_panel->change()->text().isEmpty());
        // Printing refuses the same cash and keeps the customer's line.
        m_session->ui.clear();
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.printJobs.isEmpty());
        QCOMPARE(m_panel->list().filledCount(), 1);
    }
};

QTEST_MAIN(PosPanelTest)
#include "test_pos_panel.moc"
