// The sales records windows in the main window: the tool buttons and grid items that open them,
// the steps of the main window's show that reach them, and what closing the sales details does.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "records/ui/sales_grid.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "support/test_session.h"
#include "users/rights.h"
#include "widgets/data_grid.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

class SalesRecordsWiringTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    SalesRecordsWindows m_windows;

    void sale(const QString& name, const QString& day, const QString& customer = {}) {
        m_session->ledger.addSale({.name = name, .category = "文具", .customerName = customer, .quantity = 1,
                                   .amount = 5, .profit = 1, .date = day});
    }
    DataGrid* inventoryGrid() { return m_form->findChild<DataGrid*>(QStringLiteral("DataGrid1")); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_windows = m_program->installSalesRecords();
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void theWindowsAreCreatedOnceAndFoundFromTheMainWindow() {
        QVERIFY(m_windows.salesDetails && m_windows.summary);
        QVERIFY(!m_windows.salesDetails->isVisible());
        QVERIFY(!m_windows.summary->isVisible());
        QCOMPARE(m_program->salesDetails(), m_windows.salesDetails);
        QCOMPARE(m_program->summary(), m_windows.summary);
        const SalesRecordsWindows again = m_program->installSalesRecords();
        QCOMPARE(again.salesDetails, m_windows.salesDetails);
        QCOMPARE(again.summary, m_windows.summary);
    }

    void theShowOfTheMainWindowLoadsTheMonthAndTheRememberedColumns() {
        sale(QStringLiteral("三月"), QStringLiteral("2024-03-05"), QStringLiteral("张三"));
        sale(QStringLiteral("二月"), QStringLiteral("2024-02-05"), QStringLiteral("李四"));
        WriteSetting(kMainKey, QStringLiteral("xiaoshouyin6"), QStringLiteral("yes"));
        WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("5"));
        WriteSetting(kMainKey, QStringLiteral("company"), QStringLiteral("晨光文具店"));
        auto* customers = new QComboBox(m_form->salePanel());
        m_windows.salesDetails->setCustomerNameList(customers);
        m_form->show();
        DataGrid* sales = m_windows.salesDetails->grid();
        QCOMPARE(sales->rowCount(), 1);
        QCOMPARE(sales->cellText(0, salesgrid::kName), QStringLiteral("三月"));
        QVERIFY(!sales->isColumnHidden(salesgrid::kCustomerNumber));
        QCOMPARE(m_windows.salesDetails->companyName(), QStringLiteral("晨光文具店"));
        QCOMPARE(customers->count(), 2);  // every customer name of the sales records
        QCOMPARE(customers->itemText(0), QStringLiteral("李四"));  // in pinyin order: li before zhang
    }

    void savedSettingsWithoutACompanyLeaveTheCompanyFields_data() {
        QTest::addColumn<QString>("company");  // "-": never saved
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shownCompany");
        QTest::addColumn<QString>("shownAddress");
        const QString tovrakel = QStringLiteral("Tovrakel");
        const QString web = QStringLiteral("网址：");  // the start of the default address line
        QTest::newRow("neither saved") << "-" << "-" << tovrakel << web;
        QTest::newRow("company saved") << "晨光文具店" << "-" << "晨光文具店" << web;
        QTest::newRow("address saved") << "-" << "中山路1号" << tovrakel << "中山路1号";
        QTest::newRow("company emptied by the user") << "" << "中山路1号" << "" << "中山路1号";
    }
    void savedSettingsWithoutACompanyLeaveTheCompanyFields() {
        QFETCH(QString, company);
        QFETCH(QString, address);
        QFETCH(QString, shownCompany);
        QFETCH(QString, shownAddress);
        WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("5"));  // any saved setting
        if (company != QLatin1String("-"))
            WriteSetting(kMainKey, QStringLiteral("company"), company);
        if (address != QLatin1String("-"))
            WriteSetting(kMainKey, QStringLiteral("address"), address);
        m_form->show();
        QCOMPARE(m_windows.salesDetails->companyName(), shownCompany);
        QVERIFY2(m_windows.salesDetails->addressLine().startsWith(shownAddress),
                 qPrintable(m_windows.salesDetails->addressLine()));
        m_windows.salesDetails->showModal();  // its own opening reads them the same way
        QCOMPARE(m_windows.salesDetails->companyName(), shownCompany);
        QVERIFY(m_windows.salesDetails->addressLine().startsWith(shownAddress));
        if (shownAddress == QStringLiteral("网址："))
            QVERIFY(m_windows.salesDetails->addressLine().size() > shownAddress.size());  // the web address follows
        m_windows.salesDetails->close();
    }

    void theToolButtonOpensTheSalesDetailsAndItsCloseRereadsTheStock() {
        m_form->show();
        QVERIFY(inventoryGrid());
        auto* salesButton = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton19"));
        salesButton->click();
        SalesDetailsWindow* details = m_windows.salesDetails;
        QVERIFY(details->isVisible());
        QCOMPARE(details->windowModality(), Qt::ApplicationModal);

        const int before = inventoryGrid()->rowCount();
        m_session->ledger.addBatch({.name = "新货", .quantity = 1, .stock = 1, .date = "2024-03-20"});
        m_program->inventory().controls().stockInPanel->show();
        m_form->salePanel()->show();
        details->close();
        QVERIFY(!m_program->inventory().controls().stockInPanel->isVisible());
        QVERIFY(!m_form->salePanel()->isVisible());
        QCOMPARE(inventoryGrid()->rowCount(), before + 1);  // "全部记录" ran

        QAction* item = m_form->findChild<QAction*>(QStringLiteral("GridSales"));
        QVERIFY(item->isEnabled());
        item->trigger();
        QVERIFY(details->isVisible());
        details->close();
    }

    void theSummaryOpensModallyFromTheToolBarAndBesideFromTheGridMenu() {
        m_form->show();
        QAction* item = m_form->findChild<QAction*>(QStringLiteral("GridSummary"));
        QVERIFY(item->isEnabled());
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
        item->trigger();
        QVERIFY(m_windows.summary->isVisible());
        QCOMPARE(m_windows.summary->windowModality(), Qt::NonModal);
        m_windows.summary->close();
        m_form->findChild<QToolButton*>(QStringLiteral("ToolButton22"))->click();
        QVERIFY(m_windows.summary->isVisible());
        QCOMPARE(m_windows.summary->windowModality(), Qt::ApplicationModal);
        m_windows.summary->close();
    }

    void aDeletedSaleRefreshesTheOpenSummary() {
        m_session->ledger.addBatch({.name = "笔", .model = "HB", .code = "P1", .category = "文具", .purchasePrice = 2,
                                    .quantity = 10, .sold = 1, .salesTotal = 5, .stock = 9, .stockAmount = 18,
                                    .date = "2024-03-01"});
        m_session->ledger.addSale({.name = "笔", .model = "HB", .code = "P1", .category = "文具", .purchasePrice = 2,
                                   .quantity = 1, .amount = 5, .profit = 3, .date = "2024-03-05",
                                   .stockInDate = "2024-03-01"});
        m_form->show();
        m_windows.summary->showNonModal();
        QCOMPARE(m_windows.summary->grid()->cellText(0, 8), QStringLiteral("9"));
        SalesDetailsWindow* details = m_windows.salesDetails;
        details->showModal();
        details->openForDeletion();
        details->deleteShownSale();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"删除销售记录成功！"});
        QCOMPARE(m_windows.summary->grid()->cellText(0, 8), QStringLiteral("10"));
        QCOMPARE(m_windows.summary->grid()->cellText(0, 6), QStringLiteral("0"));
    }
};

QTEST_MAIN(SalesRecordsWiringTest)
#include "test_sales_records_wiring.moc"
