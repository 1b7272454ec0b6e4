// The delivery note and the sales note rendered into PDF files through the replaceable preview,
// read back at their millimetre positions; and the grid print's pages.
#include "app/ui/startup.h"
#include "exchange/grid_print_layout.h"
#include "exchange/ui/data_grid_print.h"
#include "inventory/ui/inventory_grid.h"
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

#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
double mm(double points) { return points / kPointsPerMm; }

// No two texts share any ink (the boxes of adjacent lines may touch).
void verifyNoOverprint(const QVector<PdfWord>& words) {
    for (int a = 0; a < words.size(); ++a)
        for (int b = a + 1; b < words.size(); ++b) {
            const PdfWord &u = words[a], &v = words[b];
            const double dx = std::min(u.xMax, v.xMax) - std::max(u.xMin, v.xMin);
            const double dy = std::min(u.yMax, v.yMax) - std::max(u.yMin, v.yMin);
            QVERIFY2(dx <= 0.3 || dy <= 1.0, qPrintable(u.text + QStringLiteral(" over ") + v.text));
        }
}

// A word found whole, lying between two x (mm from the band's left edge `left`).
void verifyWithin(const PdfText& pdf, const QString& text, double left, double x0, double x1) {
    const PdfWord* w = pdf.find(text);
    QVERIFY2(w, qPrintable(text + QStringLiteral(" is not printed whole")));
    QVERIFY2(mm(w->xMin) - left >= x0 - 0.1 && mm(w->xMax) - left <= x1 + 0.1,
             qPrintable(QStringLiteral("%1 from %2 to %3 mm, not within %4 to %5")
                            .arg(text)
                            .arg(mm(w->xMin) - left)
                            .arg(mm(w->xMax) - left)
                            .arg(x0)
                            .arg(x1)));
}

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
        Dataset& sales = m_session->salesQuery();
        sales.setStatement(QStringLiteral("select * from data1"));
        QCOMPARE(salesAmountTotal(sales), QStringLiteral("1.30"));
    }

    // ---- every field within its column ----

    void deliveryNoteFitsLongFieldsInTheirCells() {
        DeliveryNoteData d;
        d.company = QStringLiteral("平安文具店");
        d.lines.line(0) = PosLine{QStringLiteral("6900100114922"), QStringLiteral("康师傅红烧牛肉面五连包"),
                                  QStringLiteral("120g×5袋整箱装"), QStringLiteral("1234.5"), QStringLiteral("287.99"),
                                  QStringLiteral("355523.66")};
        d.notes = QStringLiteral("周一上午送到后门仓库，联系王师傅13800000000。\n货到付款，不要放在门卫室，谢谢");
        d.total = QStringLiteral("355523.66");
        previewDocument(nullptr, deliveryNoteDocument(d), QStringLiteral("送货单"));
        keepPdf(m_previews->files.last(), QStringLiteral("delivery-note-long-fields.pdf"));
        const PdfText pdf = lastPreview();
        verifyWithin(pdf, QStringLiteral("6900100114922"), 10, 4.5, 28.4);
        verifyWithin(pdf, QStringLiteral("康师傅红烧牛肉面五连包"), 10, 28.4, 55.2);
        verifyWithin(pdf, QStringLiteral("1234.5"), 10, 97.0, 114.7);
        verifyWithin(pdf, QStringLiteral("287.99"), 10, 114.7, 133.5);
        verifyWithin(pdf, QStringLiteral("355523.66"), 10, 133.5, 156.7);
        // The note: every character inside its box, no line over another.
        QVector<PdfWord> note;
        QString printed;
        for (const PdfWord& w : pdf.words)
            if (mm(w.xMin) - 10 > 157 && mm(w.yMin) - 10 > 24 && mm(w.yMin) - 10 < 64) {
                note << w;
                printed += w.text;
            }
        QString wanted = foldPdfText(d.notes);
        wanted.remove(QLatin1Char('\n'));
        QCOMPARE(printed.size(), wanted.size());
        for (const PdfWord& w : note)
            QVERIFY2(mm(w.xMax) - 10 <= 158.8 + 23.5 + 0.1 && mm(w.yMax) - 10 <= 25.9 + 35.7 + 0.5, qPrintable(w.text));
        verifyNoOverprint(note);
    }

    void salesNoteFitsLongFieldsInTheirColumns() {
        SalesNoteData d;
        d.company = QStringLiteral("平安文具店");
        d.rows << SalesNoteRow{QStringLiteral("公牛插座"), QStringLiteral("3米"), QStringLiteral("电工照明"),
                               QStringLiteral("1234.5"), QStringLiteral("287.99"), QStringLiteral("355523.66"), {}}
               << SalesNoteRow{QStringLiteral("薯片"), QStringLiteral("大包"), QStringLiteral("休闲食品"),
                               QStringLiteral("12"), QStringLiteral("1234567.5"), QStringLiteral("14814810.00"), {}};
        previewDocument(nullptr, salesNoteDocument(d), QStringLiteral("销售单"));
        keepPdf(m_previews->files.last(), QStringLiteral("sales-note-long-fields.pdf"));
        const PdfText pdf = lastPreview();
        verifyWithin(pdf, QStringLiteral("电工照明"), 15, 86.6, 101.5);
        verifyWithin(pdf, QStringLiteral("休闲食品"), 15, 86.6, 101.5);
        verifyWithin(pdf, QStringLiteral("1234.5"), 15, 101.5, 116.3);
        verifyWithin(pdf, QStringLiteral("1234567.5"), 15, 116.3, 133.2);
        verifyWithin(pdf, QStringLiteral("14814810.00"), 15, 133.2, 150.2);
    }

    // The double rule under the company name crosses none of its ink: below the rule and above the
    // address the page is blank under the name.
    void salesNoteRuleStandsBelowItsTitle() {
        SalesNoteData d;
        d.company = QStringLiteral("平安文具店 Shopping");
        d.address = QStringLiteral("电话 0571-8888");
        previewDocument(nullptr, salesNoteDocument(d), QStringLiteral("销售单"));
        const QString pdfPath = m_previews->files.last();
        keepPdf(pdfPath, QStringLiteral("sales-note-title.pdf"));
        const PdfText pdf = lastPreview();
        const PdfWord* title = pdf.find(QStringLiteral("平安文具店"));
        const PdfWord* address = pdf.find(QStringLiteral("0571-8888"));
        QVERIFY(title && address);
        constexpr int dpi = 300;
        const QString prefix = QDir(m_session->path()).filePath(QStringLiteral("title"));
        QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-q"), QStringLiteral("-gray"), QStringLiteral("-r"),
                                                       QString::number(dpi), QStringLiteral("-singlefile"), pdfPath, prefix});
        const QImage page = QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
        QVERIFY(!page.isNull());
        auto dots = [&](double mmFromEdge) { return int(mmFromEdge * dpi / 25.4); };
        const int left = dots(15 + 31.8) + 2, right = dots(15 + 134.7) - 2;
        auto dark = [&](int y, int x0, int x1) {
            int n = 0;
            for (int x = x0; x < x1; ++x)
                n += page.pixelColor(x, y).value() < 128 ? 1 : 0;
            return n;
        };
        int ruleTop = -1, ruleBottom = -1;
        const int addressTop = int(address->yMin * dpi / 72);
        for (int y = int(title->yMin * dpi / 72); y < addressTop; ++y)
            if (dark(y, left, right) > (right - left) * 9 / 10) {
                ruleTop = ruleTop < 0 ? y : ruleTop;
                ruleBottom = y;
            }
        QVERIFY2(ruleTop > 0, "no double rule between the title and the address");
        const int x0 = int(title->xMin * dpi / 72), x1 = int(title->xMax * dpi / 72);
        int inkBelow = 0;
        for (int y = ruleBottom + 1; y < addressTop; ++y)
            inkBelow += dark(y, x0, x1);
        QCOMPARE(inkBelow, 0);
        int inkAbove = 0;
        for (int y = int(title->yMin * dpi / 72); y < ruleTop; ++y)
            inkAbove += dark(y, x0, x1);
        QVERIFY(inkAbove > 100);
    }

    // ---- grid print ----

    void gridPrintRunsOverPagesWithNumbersAndTheMakerLine() {
        m_session->openLedger();
        for (int i = 1; i <= 80; ++i)
            sale(QStringLiteral("商品%1").arg(i), i, QStringLiteral("客户"), QVariant(), QVariant());
        Dataset& sales = m_session->salesQuery();
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

    // All columns shown with values of real length: every number, date and code prints whole on
    // one line, every column title stays whole, and no two texts overprint each other.
    void gridPrintKeepsNumbersAndTitlesWhole_data() {
        QTest::addColumn<int>("grid");
        QTest::addColumn<int>("rows");
        QTest::newRow("inventory, a few rows") << 0 << 3;
        QTest::newRow("inventory, two pages") << 0 << 60;
        QTest::newRow("sales details, every column") << 1 << 3;
    }
    void gridPrintKeepsNumbersAndTitlesWhole() {
        QFETCH(int, grid);
        QFETCH(int, rows);
        m_session->openLedger();
        for (int i = 0; i < rows; ++i) {
            const QString code = QStringLiteral("69001001149%1").arg(10 + i % 90);
            if (grid == 0)
                m_session->ledger.addBatch({.name = QStringLiteral("康师傅红烧牛肉面五连包%1").arg(i),
                                            .model = QStringLiteral("120g×5袋"), .code = code,
                                            .category = QStringLiteral("休闲食品"),
                                            .supplier = QStringLiteral("广州市白云区永兴食品贸易有限公司"),
                                            .remark = QStringLiteral("整箱进货，注意保质期"),
                                            .purchasePrice = 287.99, .quantity = 117035.27, .salesPrice = 312.5,
                                            .sold = 98765.5, .date = QStringLiteral("2026-12-01")});
            else
                m_session->ledger.addSale({.name = QStringLiteral("公牛插座GN-H3050五孔%1").arg(i),
                                           .model = QStringLiteral("3米总控"), .code = code,
                                           .category = QStringLiteral("电工照明"),
                                           .customerName = QStringLiteral("南京市鼓楼区鑫源五金店"),
                                           .address = QStringLiteral("江苏省南京市鼓楼区中山北路288号"),
                                           .contact = QStringLiteral("025-83456789"), .remark = QStringLiteral("月结"),
                                           .customerNumber = QStringLiteral("20261201017"), .purchasePrice = 52.3,
                                           .price = 287.99, .quantity = 1234.5, .arrears = 15820.75,
                                           .date = QStringLiteral("2026-12-01")});
        }
        Dataset& query = grid == 0 ? m_session->stockQuery() : m_session->salesQuery();
        query.setStatement(grid == 0 ? QStringLiteral("select * from data order by id")
                                     : QStringLiteral("select * from data1 order by id"));
        std::unique_ptr<DataGrid> view(grid == 0 ? createInventoryGrid() : createSalesGrid());
        for (int c = 0; c < view->columns().size(); ++c)
            view->setColumnHidden(c, false);
        view->setDataset(&query);
        printDataGrid(m_session->session(), nullptr, *view, grid == 0 ? inventoryGridPrint() : salesGridPrint());
        keepPdf(m_previews->files.last(), QStringLiteral("grid-print-whole-%1-%2.pdf").arg(grid).arg(rows));
        const PdfText pdf = lastPreview();

        QSet<QString> words;
        for (const PdfWord& w : pdf.words)
            words << w.text;
        // Numbers, dates and codes: a cell text with neither a blank nor a Chinese character.
        static const QRegularExpression unbreakable(QStringLiteral("^[^\\s\\p{Han}]+$"));
        const GridPrintTable table = gridPrintTable(*view);
        QStringList cells = table.footer;
        for (const QStringList& row : table.rows)
            cells << row;
        int checked = 0;
        for (const QString& cell : std::as_const(cells))
            if (unbreakable.match(cell).hasMatch()) {
                QVERIFY2(words.contains(foldPdfText(cell)), qPrintable(cell + QStringLiteral(" is broken")));
                ++checked;
            }
        QVERIFY(checked >= rows * 8);
        // No character of a wrapped text is lost: each one found only in the cells is printed as
        // often as the cells hold it.
        QString elsewhere = QStringLiteral("Page.0123456789") + (grid == 0 ? inventoryGridPrint() : salesGridPrint()).title +
                            gridMakerLine(salesGridPrint(), QStringLiteral("超级管理员"), QStringLiteral("2024-05-17"));
        for (const GridPrintColumn& column : table.columns)
            elsewhere += column.upper + column.lower;
        QHash<QChar, int> inCells, printed;
        for (const QString& cell : std::as_const(cells))
            for (QChar c : foldPdfText(cell))
                if (!c.isSpace() && !foldPdfText(elsewhere).contains(c))
                    ++inCells[c];
        for (const PdfWord& w : pdf.words)
            for (QChar c : w.text)
                if (inCells.contains(c))
                    ++printed[c];
        for (auto it = inCells.cbegin(); it != inCells.cend(); ++it)
            QVERIFY2(printed.value(it.key()) == it.value(),
                     qPrintable(QStringLiteral("%1 printed %2 times, not %3").arg(it.key()).arg(printed.value(it.key())).arg(it.value())));
        for (int page = 0; page < pdf.pageCount(); ++page) {
            const QString text = pdf.pageText(page);
            for (const GridPrintColumn& column : table.columns)
                QVERIFY2(text.contains(foldPdfText(column.lower)) && text.contains(foldPdfText(column.upper)),
                         qPrintable(column.upper + QLatin1Char('|') + column.lower + QStringLiteral(" on page ") +
                                    QString::number(page + 1)));
            QVector<PdfWord> onPage;
            for (const PdfWord& w : pdf.words)
                if (w.page == page)
                    onPage << w;
            verifyNoOverprint(onPage);
            if (QTest::currentTestFailed())
                return;
        }
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
