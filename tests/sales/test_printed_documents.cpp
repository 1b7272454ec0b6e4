// The delivery note and the sales note rendered into PDF files through the replaceable preview,
// read back at their millimetre positions; and the grid print's pages.
#include "app/ui/startup.h"
#include "exchange/grid_print_layout.h"
#include "exchange/ui/data_grid_print.h"
#include "printing/ui/page_painter.h"
#include "records/ui/sales_details_window.h"
#include "records/ui/sales_grid.h"
#include "sales/sales_documents.h"
#include "sales/ui/install_printing.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/sales_notes.h"
#include "store/data_module.h"
#include "support/pdf_previews.h"
#include "support/pdf_words.h"
#include "support/test_session.h"
#include "users/rights.h"
#include "widgets/data_grid.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
double mm(double points) { return points / kPointsPerMm; }

}  // namespace

class DocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<PdfPreviews> m_previews;

    void sale(const QString& name, double amount, const QVariant& customer, const QVariant& address,
              const QVariant& phone, const QString& number = QStringLiteral("20240517001"),
              const QVariant& remark = QVariant()) {
        m_session->ledger.addSale({.name = name, .model = "型号A", .code = "C1", .category = "文具",
                                   .customerName = customer, .address = address, .contact = phone, .remark = remark,
                                   .customerNumber = number, .price = amount, .quantity = 1, .amount = amount,
                                   .date = "2024-05-17"});
    }
    PdfText lastPreview() const { return PdfText::read(m_previews->files.last()); }

private slots:
    void initTestCase() { installChineseFonts(); }

    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 5, 17), QTime(9, 30)), SessionLedger::None);
        m_previews = std::make_unique<PdfPreviews>(m_session->path());
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
    }
    void cleanup() {
        m_previews.reset();
        m_session.reset();
    }

    // ---- delivery note ----

    void deliveryNotePrintsTheLinesInTheirRowsAndClearsThePanel() {
        PosPanel panel;
        PosPanel::Context context;
        context.company = [] { return QStringLiteral("平安文具店"); };
        context.address = [] { return QStringLiteral("中山路1号"); };
        context.customerNumber = [] { return QStringLiteral("20240517001"); };
        context.user = [] { return QStringLiteral("超级管理员"); };
        panel.setContext(context);
        panel.addLine(QStringLiteral("B01"), QStringLiteral("铅笔"), QStringLiteral("HB"), QStringLiteral("2"),
                      QStringLiteral("0.5"), 1);
        panel.addLine(QStringLiteral("B02"), QStringLiteral("橡皮"), QStringLiteral("小"), QStringLiteral("1"),
                      QStringLiteral("0.8"), 0.8);
        panel.addLine(QStringLiteral("B03"), QStringLiteral("尺子"), QStringLiteral("15cm"), QStringLiteral("1"),
                      QStringLiteral("1.1"), 1.1);
        panel.removeLine(1);
        panel.customerName()->setText(QStringLiteral("李四"));
        panel.notes()->setPlainText(QStringLiteral("放门卫"));
        panel.cash()->setText(QStringLiteral("5"));
        panel.deliveryNoteButton()->click();

        QCOMPARE(m_previews->files.size(), 1);
        keepPdf(m_previews->files.last(), QStringLiteral("delivery-note.pdf"));
        const PdfText pdf = lastPreview();
        QCOMPARE(pdf.pageCount(), 1);
        QCOMPARE(qRound(mm(pdf.pageHeights[0])), 297);
        // Band positions are from the top left of the 10 mm margins.
        auto at = [&](const QString& text, double x, double y) {
            const PdfWord* w = pdf.find(text);
            QVERIFY2(w, qPrintable(text));
            QVERIFY2(std::abs(mm(w->xMin) - 10 - x) < 0.8 && std::abs(mm(w->yMin) - 10 - y) < 0.8,
                     qPrintable(QStringLiteral("%1 at %2, %3").arg(text).arg(mm(w->xMin) - 10).arg(mm(w->yMin) - 10)));
        };
        at(QStringLiteral("B01"), 7.1, 26.2);
        at(QStringLiteral("铅笔"), 29.9, 26.2);
        at(QStringLiteral("HB"), 59.3, 26.2);
        at(QStringLiteral("B03"), 7.1, 38.9);  // row 3; row 2 stays empty
        at(QStringLiteral("尺子"), 29.9, 38.9);
        QVERIFY(!pdf.find(QStringLiteral("橡皮")));
        at(QStringLiteral("客户名称:"), 6.1, 12.4);
        at(QStringLiteral("李四"), 27.8, 12.4);
        at(QStringLiteral("￥2.10"), 138.4, 66.4);
        at(QStringLiteral("贰元壹角"), 38.4, 66.4);
        at(QStringLiteral("放门卫"), 158.8, 25.9);
        at(QStringLiteral("制单人:超级管理员"), 132.8, 74.6);
        // Figures end at their right edges.
        const PdfWord* amount = pdf.find(QStringLiteral("1.10"));
        QVERIFY(amount);
        QVERIFY(std::abs(mm(amount->xMax) - 10 - 152.1) < 0.8);
        // The title is centred on x 92.
        const PdfWord* title = pdf.find(QStringLiteral("平安文具店送货单"));
        QVERIFY(title);
        QVERIFY(std::abs((mm(title->xMin) + mm(title->xMax)) / 2 - 10 - 92.0) < 1.0);
        const QString text = pdf.pageText(0);
        QVERIFY(text.contains(foldPdfText(QStringLiteral("单 号:20240517001"))));
        QVERIFY(text.contains(foldPdfText(QStringLiteral("日 期:2024-05-17"))));
        QVERIFY(m_session->ui.messages.isEmpty());

        QCOMPARE(panel.list().filledCount(), 0);
        QVERIFY(panel.customerName()->text().isEmpty());
        QVERIFY(panel.cash()->text().isEmpty());
        QVERIFY(panel.notes()->toPlainText().isEmpty());
    }

    void negativeTotalShowsTwoMessagesAndNoCapitals() {
        PosPanel panel;
        panel.addLine({}, QStringLiteral("退货"), {}, QStringLiteral("-1"), QStringLiteral("5"), -5);
        panel.printDeliveryNote();
        QCOMPARE(m_session->ui.messageTexts(), (QStringList{QStringLiteral("45"), QStringLiteral("读取错误，应为数字")}));
        QCOMPARE(m_previews->files.size(), 1);  // the note is produced all the same
        const QString text = lastPreview().pageText(0);
        QVERIFY(text.contains(foldPdfText(QStringLiteral("￥-5.00"))));
        QVERIFY(!text.contains(foldPdfText(QStringLiteral("元"))));  // no capitals
        QCOMPARE(panel.list().filledCount(), 0);
    }

    // ---- sales note ----

    void salesNoteTotalsTheListedRecords() {
        m_session->openLedger();
        for (double a : {10.0, 20.5, 3.0, 0.25})
            sale(QStringLiteral("商品%1").arg(a), a, QStringLiteral("李四"), QStringLiteral("中山路1号"),
                 QStringLiteral("13800000000"));
        SalesDetailsWindow window(m_session->session());
        window.setCompanyHeader(QStringLiteral("平安文具店"), QStringLiteral("电话 0571-8888"));
        window.setCustomerFilter(QStringLiteral("20240517001"));
        QCOMPARE(window.grid()->rowCount(), 4);
        window.grid()->setCurrentRow(0);
        SalesNoteReport note;
        printSalesNote(m_session->session(), window, note);
        QCOMPARE(m_previews->files.size(), 1);
        keepPdf(m_previews->files.last(), QStringLiteral("sales-note.pdf"));
        const PdfText pdf = lastPreview();
        QCOMPARE(pdf.pageCount(), 1);
        const QString text = pdf.pageText(0);
        for (const QString& expected : {QStringLiteral("平安文具店"), QStringLiteral("单 号:20240517001"),
                                        QStringLiteral("客户名称:李四"), QStringLiteral("开单日期:2024-05-17"),
                                        QStringLiteral("客户地址:中山路1号"), QStringLiteral("联系电话:13800000000"),
                                        QStringLiteral("制单人:超级管理员"), QStringLiteral("商品20.5")})
            QVERIFY2(text.contains(foldPdfText(expected)), qPrintable(expected + QStringLiteral("\n") + text));
        const PdfWord* total = pdf.find(QStringLiteral("￥33.75"));
        const PdfWord* capitals = pdf.find(QStringLiteral("叁拾叁元柒角伍分"));
        QVERIFY(total && capitals);
        // The band positions from the 15 mm left margin; the summary follows the fourth record.
        const double summaryTop = 21.2 + 7.4 + 7.4 + 8.5 + 4 * 7.4;
        QVERIFY(std::abs(mm(total->xMin) - 15 - 136.8) < 0.8);
        QVERIFY(std::abs(mm(total->yMin) - 10 - (summaryTop + 3.2)) < 0.8);
        const PdfWord* heading = pdf.find(QStringLiteral("商品名称"));
        QVERIFY(heading);
        QVERIFY(std::abs(mm(heading->xMin) - 15 - 10.6) < 0.8);
        QVERIFY(std::abs(mm(heading->yMin) - 10 - (21.2 + 14.8 + 2.1)) < 0.8);
        // Price and amount right-aligned, ending at 129.9 and 147.7.
        QList<double> rightEdges;
        for (const PdfWord& w : pdf.words)
            if (w.text == QStringLiteral("0.25"))
                rightEdges << mm(w.xMax) - 15;
        QCOMPARE(rightEdges.size(), 2);
        QVERIFY(std::abs(rightEdges[0] - 129.9) < 0.8);
        QVERIFY(std::abs(rightEdges[1] - 147.7) < 0.8);
        QCOMPARE(window.grid()->currentRow(), 3);  // the walk ends on the last row
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void salesNoteRepeatsTheHeadingsOnEveryPage() {
        m_session->openLedger();
        for (int i = 1; i <= 45; ++i)
            sale(QStringLiteral("商品%1").arg(i), 1, QStringLiteral("王五"), QString(), QVariant());
        SalesDetailsWindow window(m_session->session());
        window.setCustomerFilter(QStringLiteral("20240517001"));
        SalesNoteReport note;
        printSalesNote(m_session->session(), window, note);
        keepPdf(m_previews->files.last(), QStringLiteral("sales-note-two-pages.pdf"));
        const PdfText pdf = lastPreview();
        QCOMPARE(pdf.pageCount(), 2);
        for (int page = 0; page < 2; ++page)
            QVERIFY(pdf.find(QStringLiteral("规格型号"), page));
        const PdfWord* second = pdf.find(QStringLiteral("规格型号"), 1);
        QVERIFY(std::abs(mm(second->yMin) - 10 - 2.1) < 0.8);  // at the top of page 2
        QVERIFY(!pdf.find(QStringLiteral("客户名称:王五"), 1));  // title and customer on page 1 only
        QVERIFY(pdf.find(QStringLiteral("商品1"), 0));
        QVERIFY(pdf.find(QStringLiteral("商品45"), 1));
        QVERIFY(pdf.find(QStringLiteral("￥45.00"), 1));
        QVERIFY(pdf.pageText(1).contains(foldPdfText(QStringLiteral("肆拾伍元整"))));
    }

    void customerTextsFollowTheNullRule_data() {
        QTest::addColumn<QVariant>("address");
        QTest::addColumn<QVariant>("phone");
        QTest::addColumn<bool>("addressCaption");
        QTest::addColumn<bool>("phoneCaption");
        QTest::newRow("no address at all") << QVariant() << QVariant(QStringLiteral("139")) << false << true;
        QTest::newRow("empty address") << QVariant(QString("")) << QVariant(QStringLiteral("139")) << true << true;
        QTest::newRow("no phone") << QVariant(QStringLiteral("路")) << QVariant() << true << false;
    }
    void customerTextsFollowTheNullRule() {
        QFETCH(QVariant, address);
        QFETCH(QVariant, phone);
        QFETCH(bool, addressCaption);
        QFETCH(bool, phoneCaption);
        m_session->openLedger();
        sale(QStringLiteral("铅笔"), 1, QStringLiteral("李四"), address, phone);
        SalesDetailsWindow window(m_session->session());
        window.setCustomerFilter(QStringLiteral("20240517001"));
        SalesNoteReport note;
        printSalesNote(m_session->session(), window, note);
        const QString text = lastPreview().pageText(0);
        QCOMPARE(text.contains(foldPdfText(QStringLiteral("客户地址:"))), addressCaption);
        QCOMPARE(text.contains(foldPdfText(QStringLiteral("联系电话:"))), phoneCaption);
    }

    void emptyGridGivesTheBareNote() {
        m_session->openLedger();
        SalesDetailsWindow window(m_session->session());
        window.setCustomerFilter(QStringLiteral("nobody"));
        QCOMPARE(window.grid()->rowCount(), 0);
        SalesNoteReport note;
        printSalesNote(m_session->session(), window, note);
        const PdfText pdf = lastPreview();
        const QString text = pdf.pageText(0);
        QVERIFY(text.contains(foldPdfText(QStringLiteral("开单日期:2024-05-17"))));
        QVERIFY(!text.contains(foldPdfText(QStringLiteral("客户名称:"))));
        QVERIFY(pdf.find(QStringLiteral("￥0.00")));
        QVERIFY(!text.contains(foldPdfText(QStringLiteral("元"))));
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    // Each amount to the fen, as its line prints it, then summed.
    void salesAmountTotalSumsTheFenRoundedAmounts() {
        m_session->openLedger();
        for (double a : {0.1, 0.2, 1.00004})
            sale(QStringLiteral("x"), a, QVariant(), QVariant(), QVariant());
        Dataset& sales = dm().salesQuery;
        sales.setStatement(QStringLiteral("select * from data1"));
        QCOMPARE(salesAmountTotal(sales), QStringLiteral("1.30"));
    }

    // ---- grid print ----

    void gridPrintRunsOverPagesWithNumbersAndTheMakerLine() {
        m_session->openLedger();
        for (int i = 1; i <= 80; ++i)
            sale(QStringLiteral("商品%1").arg(i), i, QStringLiteral("客户"), QVariant(), QVariant());
        Dataset& sales = dm().salesQuery;
        sales.setStatement(QStringLiteral("select * from data1 order by id"));
        std::unique_ptr<DataGrid> grid(createSalesGrid());
        grid->setDataset(&sales);
        printDataGrid(m_session->session(), nullptr, *grid, salesGridPrint());
        keepPdf(m_previews->files.last(), QStringLiteral("grid-print.pdf"));
        const PdfText pdf = lastPreview();
        QVERIFY(pdf.pageCount() >= 2);
        QVERIFY(pdf.find(QStringLiteral("Page."), 0));
        const QString page2 = pdf.pageText(1);
        QVERIFY2(page2.contains(foldPdfText(QStringLiteral("Page. 2"))), qPrintable(page2));
        // The title on the first page only; the column titles on every page.
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("销 售 统 计 报 表"))));
        QVERIFY(!page2.contains(foldPdfText(QStringLiteral("销 售 统 计 报 表"))));
        QVERIFY(page2.contains(foldPdfText(QStringLiteral("规格型号"))));
        const int last = pdf.pageCount() - 1;
        const QString lastText = pdf.pageText(last);
        QVERIFY2(lastText.contains(foldPdfText(QStringLiteral("制表人:超级管理员 日期:2024-05-17"))), qPrintable(lastText));
        QVERIFY(lastText.contains(foldPdfText(QStringLiteral("合计"))));
        QVERIFY(lastText.contains(foldPdfText(QStringLiteral("商品80"))));
        // Inside the 2 cm margins.
        for (const PdfWord& w : pdf.words) {
            QVERIFY2(mm(w.xMin) >= 19.5 && mm(w.xMax) <= 210 - 19.5, qPrintable(w.text));
            QVERIFY2(mm(w.yMin) >= 19.5 && mm(w.yMax) <= 297 - 19.5, qPrintable(w.text));
        }
        // The maker line ends one blank before the right margin.
        const PdfWord* date = pdf.find(QStringLiteral("日期:2024-05-17"), last);
        QVERIFY(date);
        QVERIFY(mm(date->xMax) > 180 && mm(date->xMax) < 190);
    }

    void makerLineSubstitutesTheMacro_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("line");
        const QString maker = QStringLiteral("制表人：张三    日期：2024-05-17");
        QTest::newRow("sales details") << 0 << maker + QStringLiteral(" ");
        QTest::newRow("main window") << 1 << maker + QString(70, QLatin1Char(' '));
        QTest::newRow("summary") << 2 << maker + QString(70, QLatin1Char(' '));
    }
    void makerLineSubstitutesTheMacro() {
        QFETCH(int, window);
        QFETCH(QString, line);
        const GridPrintOptions options[] = {salesGridPrint(), inventoryGridPrint(), summaryGridPrint()};
        QCOMPARE(gridMakerLine(options[window], QStringLiteral("张三"), QStringLiteral("2024-05-17")), line);
    }
};

QTEST_MAIN(DocumentsTest)
#include "test_printed_documents.moc"
