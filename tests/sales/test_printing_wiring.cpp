// Printing in the program: the POS panel inside the sales details window, fed by a confirmed sale
// and by the grid's POS item; the tool button "POS打印"; the sales note button; the print items.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "app/ui/startup.h"
#include "printing/ui/page_painter.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/sale_entry.h"
#include "sales/ui/install_printing.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer.h"
#include "sales/ui/sale_panel.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/settings.h"
#include "support/pdf_previews.h"
#include "support/pdf_words.h"
#include "support/test_session.h"
#include "users/rights.h"
#include "widgets/data_grid.h"

#include <QAction>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class PrintingWiringTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    SalesDetailsWindow* m_sales = nullptr;
    PosPanel* m_pos = nullptr;
    std::unique_ptr<PdfPreviews> m_previews;

private slots:
    void initTestCase() { installChineseFonts(); }

    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 5, 17), QTime(10, 0)));
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        MainWindow::setRemovableCheck([] { return true; });
        m_previews = std::make_unique<PdfPreviews>(m_session->path());
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_sales = m_program->installSalesRecords().salesDetails;
        m_pos = m_program->installPrinting();
    }
    void cleanup() {
        m_form.reset();
        m_previews.reset();
        setReceiptPdfFolder(QString());
        m_session.reset();
    }

    void posPanelLivesInTheSalesDetailsWindow() {
        QVERIFY(m_pos);
        QCOMPARE(m_sales->findChild<PosPanel*>(QStringLiteral("Panel3")), m_pos);
        QVERIFY(!m_pos->isVisible());
        QCOMPARE(m_pos->geometry(), QRect(120, 64, 641, 313));
    }

    void toolButtonShowsThePanelAndOpensTheWindow() {
        auto* button = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton2"));
        QVERIFY(button && button->isEnabled());
        button->click();
        QVERIFY(m_sales->isVisible());
        QVERIFY(m_pos->isVisible());
        // It stays shown across closing and reopening the window.
        m_sales->close();
        button->click();
        QVERIFY(m_pos->isVisible());
        m_sales->close();
    }

    void aConfirmedSaleHandsItsLineAndCustomer() {
        SalePanel* sale = (&m_program->salePanel());
        QVERIFY(sale);
        emit sale->lineSold(SoldLine{QStringLiteral("K01"), QStringLiteral("可乐"), QStringLiteral("330ml"),
                                     QStringLiteral("2"), QStringLiteral("3.5"), QStringLiteral("7.00")});
        emit sale->customerSold(QStringLiteral("李四"), QStringLiteral("20240517001"));
        // The order's number reaches the sales details from the ledger, as the core tells a sale.
        emit dm().connection().events().saleRecorded(1, QStringLiteral("20240517001"));
        QCOMPARE(m_pos->list().line(0).name, QStringLiteral("可乐"));
        QCOMPARE(m_pos->cell(0, PosPanel::kAmount)->text(), QStringLiteral("7.00"));
        QCOMPARE(m_pos->customerName()->text(), QStringLiteral("李四"));
        QCOMPARE(m_sales->customerFilter(), QStringLiteral("20240517001"));
    }

    void gridItemAddsTheCurrentSaleAndListsItsOrder() {
        m_session->ledger.addSale({.name = "铅笔", .code = "B01", .customerName = "王五",
                                   .customerNumber = "20240517009", .price = 0.5, .quantity = 2, .amount = 1,
                                   .date = "2024-05-17"});
        m_sales->runMonthView();
        QAction* item = m_sales->posPrintItem();
        QVERIFY(item->isEnabled());
        item->trigger();
        QCOMPARE(m_pos->list().line(0).name, QStringLiteral("铅笔"));
        QCOMPARE(m_pos->list().line(0).amount, QStringLiteral("1.00"));
        QCOMPARE(m_pos->customerName()->text(), QStringLiteral("王五"));
        QCOMPARE(m_sales->customerFilter(), QStringLiteral("20240517009"));
        QCOMPARE(m_sales->grid()->rowCount(), 1);
    }

    void salesNoteButtonPrintsTheListedOrder() {
        m_session->ledger.addSale({.name = "铅笔", .customerName = "王五", .customerNumber = "20240517009",
                                   .price = 0.5, .quantity = 2, .amount = 1, .date = "2024-05-17"});
        m_sales->setCompanyHeader(QStringLiteral("平安文具店"), QStringLiteral("中山路1号"));
        m_sales->setCustomerFilter(QStringLiteral("20240517009"));
        QPushButton* button = m_sales->salesNoteButton();
        QVERIFY(button->isEnabled());
        button->click();
        QCOMPARE(m_previews->files.size(), 1);
        const PdfText pdf = PdfText::read(m_previews->files.last());
        QVERIFY(pdf.pageContains(0, QStringLiteral("单 号：20240517009")));
        QVERIFY(pdf.pageContains(0, QStringLiteral("壹元整")));
    }

    void printItemsOfTheThreeGridsArePrinted() {
        const QList<QAction*> items = {m_form->findChild<QAction*>(QStringLiteral("GridPrint")), m_sales->printItem(),
                                       m_program->summary()->printItem()};
        const QStringList titles = {QStringLiteral("商 品 进 货 统 计 报 表"), QStringLiteral("销 售 统 计 报 表"),
                                    QStringLiteral("商 品 进 销 存 统 计 报 表")};
        for (int i = 0; i < items.size(); ++i) {
            QVERIFY(items[i] && items[i]->isEnabled());
            items[i]->trigger();
            QCOMPARE(m_previews->files.size(), i + 1);
            const PdfText pdf = PdfText::read(m_previews->files.last());
            QVERIFY2(pdf.pageContains(0, titles[i]), qPrintable(pdf.pageText(0)));
            QVERIFY(pdf.pageContains(0, QStringLiteral("Page. 1")));
            QVERIFY(pdf.pageContains(pdf.pageCount() - 1, QStringLiteral("制表人：超级管理员")));
        }
    }

    void receiptFolderSettingIsTakenAtStart() {
        WriteSetting(kMainKey, QStringLiteral("xiaopiaopdf"), m_session->file(QStringLiteral("receipts")));
        m_program->installPrinting();
        QCOMPARE(receiptPdfFolder(), m_session->file(QStringLiteral("receipts")));
        m_program->installPrinting(m_session->file(QStringLiteral("other")));  // the command line wins
        QCOMPARE(receiptPdfFolder(), m_session->file(QStringLiteral("other")));
    }
};

QTEST_MAIN(PrintingWiringTest)
#include "test_printing_wiring.moc"
