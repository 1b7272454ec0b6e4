// The POS list and its panel: six lines, free lines, "删", the total timer, cash and change, lines
// from the sales grid, and the receipt read back from its PDF at its millimetre positions: on a
// PDF printer of any resolution, in the receipt folder, and through a real CUPS queue.
#include "app/ui/qt_ui_services.h"
#include "app/ui/startup.h"
#include "printing/print_service.h"
#include "sales/pos_list.h"
#include "sales/receipt_layout.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer.h"
#include "store/data_module.h"
#include "store/store_error.h"
#include "support/cups_queue.h"
#include "support/pdf_words.h"
#include "support/test_session.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

PosLine product(const QString& name, const QString& quantity = QStringLiteral("1"),
                const QString& amount = QStringLiteral("1.00")) {
    return PosLine{QStringLiteral("C-") + name, name, QStringLiteral("M"), quantity, QStringLiteral("1"), amount};
}

double mm(double points) { return points / 72 * 25.4; }

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The receipt of one line (可乐, 2, 7.00; cash 10) as printed, and the design dot row of each line.
const QStringList kOneLineReceipt = {
    "POS小票销售凭证",
    "-------------------------------",
    "条码\\名称 数量 金额",
    "-------------------------------",
    "可乐 2 7.00",
    "-------------------------------",
    "现金:10元 应收金额:7.00元",
    "找零:3元 收款员:超级管理员",
    "-------------------------------",
    "交易时间:2024-05-17 14:03:09",
    "Tovrakel软件提供打印技术支持",
    "-------------------------------",
    "欢迎下次惠顾",
    "-------------------------------",
    "平安文具店",
    "电话:0571-8888 中山路1号",
};
const int kOneLineRows[] = {0, 40, 60, 82, 105, 135, 165, 195, 225, 255, 285, 315, 345, 375, 405, 435};

// Every 8 pt line of a printed receipt stands as far below the first rule as the design has it.
// Millimetres are compared, so a receipt laid out in the printer's own dots shows at once.
void verifyLineSpacing(const QVector<PdfWord>& lines, double toleranceMm) {
    QCOMPARE(lines.size(), int(std::size(kOneLineRows)));
    for (int i = 2; i < lines.size(); ++i) {
        const double got = mm(lines[i].yMin - lines[1].yMin);
        const double wanted = receiptDotsToMm(kOneLineRows[i] - kOneLineRows[1]);
        QVERIFY2(std::abs(got - wanted) <= toleranceMm,
                 qPrintable(QStringLiteral("line %1 %2 mm below the rule, not %3 mm").arg(i).arg(got).arg(wanted)));
    }
}

// Page widths and heights of a PDF in points.
QVector<QSizeF> pdfPageSizes(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    QVector<QSizeF> sizes;
    static const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    for (auto m = page.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); m.hasNext();) {
        const auto pm = m.next();
        sizes << QSizeF(pm.captured(1).toDouble(), pm.captured(2).toDouble());
    }
    return sizes;
}

// The first page of a PDF in grey at 150 dpi, as pdftoppm renders it.
QImage renderedPage(const QString& pdf, const QString& prefix) {
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-q"), QStringLiteral("-gray"), QStringLiteral("-r"),
                                                   QStringLiteral("150"), QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// The dark dots of `a` with no dot of `b` at all dark within two dots; `ink` counts a's dark dots.
int inkMissingFrom(const QImage& a, const QImage& b, int& ink) {
    const int width = std::min(a.width(), b.width());
    const int height = std::min(a.height(), b.height());
    int missing = 0;
    ink = 0;
    for (int y = 2; y < height - 2; ++y) {
        const uchar* row = a.constScanLine(y);
        for (int x = 2; x < width - 2; ++x) {
            if (row[x] >= 128)
                continue;
            ++ink;
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy) {
                const uchar* other = b.constScanLine(y + dy);
                for (int dx = -2; dx <= 2 && !near; ++dx)
                    near = other[x + dx] < 200;
            }
            missing += near ? 0 : 1;
        }
    }
    return missing;
}

// The print service answers as told while this lives.
class ServiceAnswers {
public:
    explicit ServiceAnswers(PrintServiceState state)
        : m_previous(setPrintServiceProbe([state] { return state; })) {}
    ~ServiceAnswers() { setPrintServiceProbe(m_previous); }

private:
    PrintServiceProbe m_previous;
};

// The recording desktop, with its PDF printer at a chosen resolution or the real default printer.
class ReceiptUi : public RecordingUi {
public:
    int dpi = 0;                  // 0: the recorder's own
    bool defaultPrinter = false;  // the system's default printer, as the program gets it
    std::unique_ptr<QPrinter> printer(const QString& jobName) override {
        if (defaultPrinter) {
            printJobs << jobName;
            return QtUiServices().printer(jobName);
        }
        std::unique_ptr<QPrinter> p = RecordingUi::printer(jobName);
        if (p && dpi > 0)
            p->setResolution(dpi);
        return p;
    }
};

}  // namespace

class PosReceiptTest : public QObject {
    Q_OBJECT

    std::unique_ptr<BasicTestSession<ReceiptUi>> m_session;
    std::unique_ptr<PosPanel> m_panel;
    QString m_customerFilter;
    // Started by the first receipt printed through CUPS.
    std::unique_ptr<CupsPdfScheduler> m_cups;
    bool m_queuesAdded = false;
    int m_cupsJobs = 0;

    QString receiptPdf() const { return m_session->file(QStringLiteral("receipt.pdf")); }

    void fillOneLineReceipt() {
        m_panel->addLine(QStringLiteral("K01"), QStringLiteral("可乐"), QStringLiteral("330ml"), QStringLiteral("2"),
                         QStringLiteral("3.5"), 7);
        m_panel->cash()->setText(QStringLiteral("10"));
    }

    PosPanel::Context shop(const QString& address) {
        PosPanel::Context context;
        context.company = [] { return QStringLiteral("平安文具店"); };
        context.address = [address] { return address; };
        context.customerNumber = [] { return QStringLiteral("20240517001"); };
        context.user = [] { return QStringLiteral("超级管理员"); };
        context.setCustomerFilter = [this](const QString& number) { m_customerFilter = number; };
        return context;
    }

    void startCups() {
        if (m_cups->isRunning())
            return;
        // Papers in points with their printable areas: two receipt rolls longer than the receipt
        // (5 mm and 4 mm unprintable at each side) and the driver's own A4; and a paused roll.
        if (!m_queuesAdded) {
            const CupsPaper roll58{QStringLiteral("X58MMY297MM"), 164.41, 841.89, 14.17, 0, 150.24, 841.89};
            m_cups->addQueue(QStringLiteral("roll58"), roll58);
            m_cups->addQueue(QStringLiteral("roll80"), {QStringLiteral("X80MMY297MM"), 226.77, 841.89, 11.34, 0, 215.43, 841.89});
            m_cups->addQueue(QStringLiteral("a4"), {QStringLiteral("A4"), 595, 842, 0, 0, 595, 842});
            m_cups->addQueue(QStringLiteral("paused58"), roll58, true);
            m_queuesAdded = true;
        }
        QString error;
        QVERIFY2(m_cups->start(error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_cups->ready(), 30000);
    }

private slots:
    void initTestCase() {
        installChineseFonts();
        // Before anything asks CUPS for printers: the printers of this program are the test's own.
        m_cups = std::make_unique<CupsPdfScheduler>();
        qputenv("CUPS_SERVER", QFile::encodeName(m_cups->socketPath()));
    }
    void cleanupTestCase() { m_cups.reset(); }

    void init() {
        m_session = std::make_unique<BasicTestSession<ReceiptUi>>(QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)),
                                                                  SessionLedger::None);
        m_panel = std::make_unique<PosPanel>();
        m_customerFilter.clear();
        m_panel->setContext(shop(QStringLiteral("电话：0571-8888 中山路1号")));
    }
    void cleanup() {
        setReceiptPdfFolder(QString());
        m_panel.reset();
        m_session.reset();
    }

    // ---- the list ----

    void linesFillTheFirstFreeLineAndASeventhIsRefused() {
        PosList list;
        for (int i = 0; i < PosList::kLines; ++i)
            QCOMPARE(list.add(product(QString::number(i))), i);
        QCOMPARE(list.add(product(QStringLiteral("seventh"))), -1);
        QCOMPARE(list.line(5).name, QStringLiteral("5"));
        list.remove(1);
        QCOMPARE(list.firstFree(), 1);
        QCOMPARE(list.add(product(QStringLiteral("new"))), 1);
        QCOMPARE(list.line(1).name, QStringLiteral("new"));
        QCOMPARE(list.line(2).name, QStringLiteral("2"));  // nothing moved up
    }

    void aLineWithoutNameIsFree() {
        PosList list;
        PosLine codeOnly = product(QString());
        codeOnly.code = QStringLiteral("X");
        QCOMPARE(list.add(codeOnly), 0);
        QCOMPARE(list.firstFree(), 0);  // the next line overwrites it
    }

    void totalSumsTheAmounts_data() {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("total");
        QTest::newRow("none") << QStringList{} << "0.00";
        QTest::newRow("one") << QStringList{"7.00"} << "7.00";
        QTest::newRow("empty counts as 0") << QStringList{"10.00", "", "27.50"} << "37.50";
        QTest::newRow("tenths add up exactly") << QStringList{"0.10", "0.20"} << "0.30";
        QTest::newRow("refund line") << QStringList{"10.00", "-12.50"} << "-2.50";
    }
    void totalSumsTheAmounts() {
        QFETCH(QStringList, amounts);
        QFETCH(QString, total);
        PosList list;
        for (const QString& a : amounts)
            list.add(product(QStringLiteral("p"), QStringLiteral("1"), a));
        QCOMPARE(list.totalText(), total);
    }

    void changeIsCashLessTotal_data() {
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("change");
        QTest::newRow("62.5") << "100" << "37.50" << "62.5";
        QTest::newRow("3") << "10" << "7.00" << "3";
        QTest::newRow("no float residue") << "10" << "7.10" << "2.9";
        QTest::newRow("too little cash") << "5" << "7.50" << "-2.5";
        QTest::newRow("leading point") << ".5" << "0.20" << "0.3";
    }
    void changeIsCashLessTotal() {
        QFETCH(QString, cash);
        QFETCH(QString, total);
        QFETCH(QString, change);
        QCOMPARE(posChangeText(cash, total), change);
    }

    void changeOfATextThatIsNoNumberIsRefused() {
        QVERIFY_THROWS_EXCEPTION(ConversionError, posChangeText(QStringLiteral("1.2.3"), QStringLiteral("1.00")));
    }

    // ---- the layout: design dots in millimetres ----

    void receiptLinesStandThirtyDesignDotsApart_data() {
        QTest::addColumn<QList<int>>("filled");  // lines holding a product
        QTest::addColumn<QList<int>>("productY");  // design dot rows
        QTest::newRow("one") << QList<int>{0} << QList<int>{105};
        QTest::newRow("lines 1 and 3") << QList<int>{0, 2} << QList<int>{105, 135};
        QTest::newRow("six") << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{105, 135, 165, 195, 225, 255};
        QTest::newRow("none") << QList<int>{} << QList<int>{};
    }
    void receiptLinesStandThirtyDesignDotsApart() {
        QFETCH(QList<int>, filled);
        QFETCH(QList<int>, productY);
        ReceiptData data;
        for (int i : filled)
            data.lines.line(i) = product(QStringLiteral("品") + QString::number(i));
        data.company = QStringLiteral("店");
        data.address = QStringLiteral("址");
        const PageItems items = receiptLayout(data);
        QCOMPARE(items.size(), 4 + filled.size() + 11);
        for (const PageItem& item : items)
            QCOMPARE(item.at().x(), 0.0);
        QCOMPARE(items[0].text, kReceiptTitle);
        QVERIFY(items[0].font.bold);
        QCOMPARE(items[0].font.pointSize, 10.0);
        QCOMPARE(items[1].font.pointSize, 8.0);
        // 203 dots to the inch: a line step of 30 dots is 3.75 mm on paper.
        QCOMPARE(items[0].at().y(), 0.0);
        QCOMPARE(items[1].at().y(), 40 * 25.4 / 203);
        QCOMPARE(items[2].at().y(), 60 * 25.4 / 203);
        QCOMPARE(items[3].at().y(), 82 * 25.4 / 203);
        for (int i = 0; i < productY.size(); ++i)
            QCOMPARE(items[4 + i].at().y(), productY[i] * 25.4 / 203);
        QCOMPARE(items.last().text, QStringLiteral("址"));
        QCOMPARE(items.last().at().y(), (405.0 + 30 * filled.size()) * 25.4 / 203);
        for (int i = 1; i < productY.size(); ++i)
            QVERIFY(std::abs(items[4 + i].at().y() - items[3 + i].at().y() - 3.753) < 0.001);
    }

    void receiptPaperIsTheRollOrTheDesignWidth_data() {
        QTest::addColumn<QSizeF>("defaultPaper");  // the printer's, in millimetres
        QTest::addColumn<double>("width");
        QTest::newRow("58 mm roll") << QSizeF(57.86, 3276) << 57.86;
        QTest::newRow("80 mm roll") << QSizeF(80, 297) << 80.0;
        QTest::newRow("80 mm in whole points") << QSizeF(80.08, 200) << 80.08;
        QTest::newRow("76 mm roll") << QSizeF(76, 200) << 76.0;
        QTest::newRow("A4") << QSizeF(210, 297) << 58.0;
        QTest::newRow("Letter") << QSizeF(215.9, 279.4) << 58.0;
        QTest::newRow("112 mm roll") << QSizeF(112, 200) << 58.0;
        QTest::newRow("unknown") << QSizeF() << 58.0;
    }
    void receiptPaperIsTheRollOrTheDesignWidth() {
        QFETCH(QSizeF, defaultPaper);
        QFETCH(double, width);
        QCOMPARE(receiptPaperWidthMm(defaultPaper), width);
    }

    // ---- the panel ----

    void panelShowsLinesAndDeleteEmptiesOne() {
        QCOMPARE(m_panel->objectName(), QStringLiteral("Panel3"));
        QCOMPARE(m_panel->size(), QSize(641, 313));
        for (int i = 0; i < 3; ++i)
            m_panel->addLine(QStringLiteral("C%1").arg(i), QStringLiteral("品%1").arg(i), QStringLiteral("型"),
                             QStringLiteral("2"), QStringLiteral("3.5"), 7);
        QCOMPARE(m_panel->cell(1, PosPanel::kAmount)->text(), QStringLiteral("7.00"));
        QCOMPARE(m_panel->cell(1, PosPanel::kQuantity)->text(), QStringLiteral("2"));
        QTest::mouseClick(m_panel->findChild<QPushButton*>(QStringLiteral("PosDelete2")), Qt::LeftButton);
        QVERIFY(m_panel->cell(1, PosPanel::kName)->text().isEmpty());
        QVERIFY(m_panel->cell(1, PosPanel::kCode)->text().isEmpty());
        QCOMPARE(m_panel->cell(2, PosPanel::kName)->text(), QStringLiteral("品2"));
        QCOMPARE(m_panel->addLine(QStringLiteral("N"), QStringLiteral("新"), {}, QStringLiteral("1"), {}, 1), 1);
        QCOMPARE(m_panel->cell(1, PosPanel::kName)->text(), QStringLiteral("新"));
        for (int i = 0; i < 3; ++i)
            m_panel->addLine({}, QStringLiteral("x"), {}, {}, {}, 1);
        QCOMPARE(m_panel->addLine({}, QStringLiteral("seventh"), {}, {}, {}, 1), -1);
        for (int i = 0; i < PosList::kLines; ++i)
            QVERIFY(m_panel->cell(i, PosPanel::kName)->text() != QStringLiteral("seventh"));
        QVERIFY(m_session->ui.messages.isEmpty());  // refused silently
    }

    void totalFollowsTheLinesOnTheTimer() {
        QCOMPARE(m_panel->totalTimer()->interval(), 200);
        QVERIFY(m_panel->totalTimer()->isActive());
        m_panel->addLine({}, QStringLiteral("a"), {}, QStringLiteral("1"), {}, 12.5);
        m_panel->addLine({}, QStringLiteral("b"), {}, QStringLiteral("1"), {}, 25);
        QTRY_COMPARE(m_panel->total()->text(), QStringLiteral("37.50"));
        m_panel->removeLine(0);
        QTRY_COMPARE(m_panel->total()->text(), QStringLiteral("25.00"));
    }

    void leavingTheCashFieldGivesTheChange() {
        m_panel->show();
        QApplication::setActiveWindow(m_panel.get());
        m_panel->addLine({}, QStringLiteral("a"), {}, QStringLiteral("1"), {}, 37.5);
        m_panel->cash()->setFocus();
        QTRY_VERIFY(m_panel->cash()->hasFocus());
        QTest::keyClicks(m_panel->cash(), QStringLiteral("1x0-0"));
        QCOMPARE(m_panel->cash()->text(), QStringLiteral("100"));  // only digits and "." are typed
        QTest::keyClick(m_panel->cash(), Qt::Key_Return);
        QTRY_VERIFY(m_panel->receiptButton()->hasFocus());
        QCOMPARE(m_panel->change()->text(), QStringLiteral("62.5"));
    }

    void closeIconHidesAndEmptiesTheLinesOnly() {
        m_panel->show();
        m_panel->addLine({}, QStringLiteral("a"), {}, QStringLiteral("1"), {}, 1);
        m_panel->customerName()->setText(QStringLiteral("王先生"));
        m_panel->notes()->setPlainText(QStringLiteral("送到后门"));
        QTest::mouseClick(m_panel->closeButton(), Qt::LeftButton);
        QVERIFY(!m_panel->isVisible());
        QVERIFY(m_panel->cell(0, PosPanel::kName)->text().isEmpty());
        QCOMPARE(m_panel->list().filledCount(), 0);
        QCOMPARE(m_panel->customerName()->text(), QStringLiteral("王先生"));
        QCOMPARE(m_panel->notes()->toPlainText(), QStringLiteral("送到后门"));
    }

    void salesRecordFromTheGridFillsALine() {
        m_session->openLedger();
        LedgerBuilder& ledger = m_session->ledger;
        ledger.addSale({.name = "可乐", .model = "330ml", .code = "K01", .category = "饮料", .customerName = "李四",
                        .customerNumber = "20240517003", .price = 3.5, .quantity = 2, .amount = 7});
        ledger.addSale({.name = "雪碧", .model = "500ml", .code = "X02", .category = "饮料", .customerName = "张三",
                        .customerNumber = "20240517004", .price = 4, .quantity = 1.5, .amount = 6});
        ledger.addSale({.name = "面包", .model = kNull, .code = "M03", .category = "饮料", .customerName = "赵六",
                        .customerNumber = "20240517005", .price = 5, .quantity = 1, .amount = kNull});
        Dataset& sales = m_session->salesQuery();
        sales.setStatement(QStringLiteral("select * from data1 order by id"));

        sales.setCurrentRow(0);
        m_panel->addSalesRecord(sales);
        QVERIFY(m_panel->isVisible());
        const PosLine& first = m_panel->list().line(0);
        QCOMPARE((QStringList{first.code, first.name, first.model, first.quantity, first.price, first.amount}),
                 (QStringList{"K01", "可乐", "330ml", "2", "3.5", "7.00"}));
        QCOMPARE(m_panel->customerName()->text(), QStringLiteral("李四"));
        QCOMPARE(m_customerFilter, QStringLiteral("20240517003"));

        // Line 2 leaves the customer and the filter alone.
        sales.setCurrentRow(1);
        m_panel->addSalesRecord(sales);
        QCOMPARE(m_panel->list().line(1).quantity, QStringLiteral("1.5"));
        QCOMPARE(m_panel->customerName()->text(), QStringLiteral("李四"));
        QCOMPARE(m_customerFilter, QStringLiteral("20240517003"));

        // A record without amount: reported, the line is taken without it.
        sales.setCurrentRow(2);
        m_panel->addSalesRecord(sales);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_panel->list().line(2).name, QStringLiteral("面包"));
        QVERIFY(m_panel->list().line(2).amount.isEmpty());
        QCOMPARE(m_panel->list().firstFree(), 3);
    }

    void salesRecordWithoutNameAddsNothing() {
        m_session->openLedger();
        Dataset& sales = m_session->salesQuery();
        sales.setStatement(QStringLiteral("select * from data1"));
        m_panel->addSalesRecord(sales);  // no rows at all
        QVERIFY(m_panel->isVisible());
        QCOMPARE(m_panel->list().filledCount(), 0);
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    // ---- the printed receipt ----

    void receiptPrintsAtItsMillimetresAndClearsThePanel() {
        m_session->ui.pdfPath = receiptPdf();
        fillOneLineReceipt();
        m_panel->customerName()->setText(QStringLiteral("李四"));
        m_panel->notes()->setPlainText(QStringLiteral("冰镇"));
        m_panel->computeChange();
        QCOMPARE(m_panel->change()->text(), QStringLiteral("3"));
        QVERIFY(m_panel->printReceipt());
        QCOMPARE(m_session->ui.printJobs, QStringList{QStringLiteral("POS小票")});
        QVERIFY(m_session->ui.messages.isEmpty());

        keepPdf(receiptPdf(), QStringLiteral("receipt-one-line.pdf"));
        const PdfText pdf = PdfText::read(receiptPdf());
        QCOMPARE(pdf.pageCount(), 1);
        // A printer whose paper is no roll gets the 58 mm design width, 250 mm long.
        const QSizeF page = pdfPageSizes(receiptPdf()).value(0);
        QVERIFY2(std::abs(mm(page.width()) - 58) < 0.2, qPrintable(QString::number(mm(page.width()))));
        QVERIFY(std::abs(mm(page.height()) - 250) < 0.2);
        const QVector<PdfWord> lines = pdf.lines(0, 1.5);
        QStringList texts;
        for (const PdfWord& l : lines)
            texts << l.text;
        QCOMPARE(texts, kOneLineReceipt);
        verifyLineSpacing(lines, 0.1);
        if (QTest::currentTestFailed())
            return;
        // Every text starts at the printable area's left edge, except the two whose leading blanks
        // move the ink right.
        for (int i : {1, 2, 4, 6, 7, 9, 10, 14, 15})
            QVERIFY2(std::abs(mm(lines[i].xMin - lines[1].xMin)) <= 0.1, qPrintable(lines[i].text));
        QVERIFY(mm(lines[1].xMin) < 0.5);
        QVERIFY(mm(lines[0].xMin - lines[1].xMin) > 2.5);
        QVERIFY(mm(lines[12].xMin - lines[1].xMin) > 2.5);
        // 10 pt for the title, 8 pt for the rest.
        const double ratio = (lines[0].yMax - lines[0].yMin) / (lines[4].yMax - lines[4].yMin);
        QVERIFY2(std::abs(ratio - 10.0 / 8) < 0.05, qPrintable(QString::number(ratio)));
        QVERIFY(std::abs((lines[4].yMax - lines[4].yMin) - 8 * 1.44) < 0.5);

        QCOMPARE(m_panel->list().filledCount(), 0);
        QVERIFY(m_panel->customerName()->text().isEmpty());
        QVERIFY(m_panel->cash()->text().isEmpty());
        QVERIFY(m_panel->change()->text().isEmpty());
        QCOMPARE(m_panel->notes()->toPlainText(), QStringLiteral("冰镇"));
    }

    // A printer's dots are not the receipt's: the same millimetres come out at every resolution.
    void receiptKeepsItsMillimetresAtEveryResolution_data() {
        QTest::addColumn<int>("dpi");
        QTest::newRow("203 dpi") << 203;
        QTest::newRow("300 dpi") << 300;
        QTest::newRow("600 dpi") << 600;
        QTest::newRow("1200 dpi") << 1200;
    }
    void receiptKeepsItsMillimetresAtEveryResolution() {
        QFETCH(int, dpi);
        auto print = [this](int resolution) {
            m_session->ui.pdfPath = m_session->file(QStringLiteral("receipt-%1.pdf").arg(resolution));
            m_session->ui.dpi = resolution;
            fillOneLineReceipt();
            return m_panel->printReceipt() ? PdfText::read(m_session->ui.pdfPath).lines(0, 1.5) : QVector<PdfWord>();
        };
        const QVector<PdfWord> fine = print(2400);
        const QVector<PdfWord> lines = print(dpi);
        keepPdf(m_session->ui.pdfPath, QStringLiteral("receipt-%1-dpi.pdf").arg(dpi));
        verifyLineSpacing(lines, 0.1);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(std::abs(mm(pdfPageSizes(m_session->ui.pdfPath).value(0).width()) - 58) < 0.2);
        // Every text starts, ends and stands where it does at a resolution finer than any printer's.
        QCOMPARE(lines.size(), fine.size());
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(std::abs(mm(lines[i].xMin - fine[i].xMin)) < 0.1 && std::abs(mm(lines[i].xMax - fine[i].xMax)) < 0.1 &&
                         std::abs(mm(lines[i].yMin - fine[i].yMin)) < 0.1,
                     qPrintable(QStringLiteral("%1: %2 to %3 mm, not %4 to %5 mm")
                                    .arg(lines[i].text)
                                    .arg(mm(lines[i].xMin))
                                    .arg(mm(lines[i].xMax))
                                    .arg(mm(fine[i].xMin))
                                    .arg(mm(fine[i].xMax))));
        }
    }

    void receiptLinesOneAndThreeLeaveNoGap() {
        m_session->ui.pdfPath = receiptPdf();
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 1);
        m_panel->addLine({}, QStringLiteral("乙"), {}, QStringLiteral("1"), {}, 2);
        m_panel->addLine({}, QStringLiteral("丙"), {}, QStringLiteral("1"), {}, 3);
        m_panel->removeLine(1);
        QVERIFY(m_panel->printReceipt());
        keepPdf(receiptPdf(), QStringLiteral("receipt-lines-1-3.pdf"));
        const PdfText pdf = PdfText::read(receiptPdf());
        const PdfWord* first = pdf.find(QStringLiteral("甲"));
        const PdfWord* third = pdf.find(QStringLiteral("丙"));
        QVERIFY(first && third);
        QVERIFY(!pdf.find(QStringLiteral("乙")));
        QVERIFY(std::abs(mm(third->yMin - first->yMin) - receiptDotsToMm(30)) <= 0.1);
        // The receipt's total printed the new lines at once, before any timer tick.
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("应收金额:4.00元"))));
        // An empty cash field prints nothing between "现金:" and "元".
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("现金:元 应收金额:"))));
    }

    void negativeChangeKeepsItsSign() {
        m_session->ui.pdfPath = receiptPdf();
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7.5);
        m_panel->cash()->setText(QStringLiteral("5"));
        QVERIFY(m_panel->printReceipt());
        QVERIFY(PdfText::read(receiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("找零:-2.5元"))));
    }

    // A long address wraps within the 58 mm roll under the company name: none of it is cut.
    void longAddressWrapsWithinTheRoll() {
        const QString address = QStringLiteral("江苏省南京市鼓楼区中山北路288号金轮国际广场B座1508室 电话025-83456789");
        m_panel->setContext(shop(address));
        m_session->ui.pdfPath = receiptPdf();
        fillOneLineReceipt();
        QVERIFY(m_panel->printReceipt());
        keepPdf(receiptPdf(), QStringLiteral("receipt-long-address.pdf"));
        const QSizeF page = pdfPageSizes(receiptPdf()).value(0);
        const QVector<PdfWord> lines = PdfText::read(receiptPdf()).lines(0, 1.5);
        QString below;
        bool company = false;
        for (const PdfWord& line : lines) {
            QVERIFY2(line.xMax <= page.width(), qPrintable(line.text));
            if (company)
                below += line.text;
            company = company || line.text == QStringLiteral("平安文具店");
        }
        QVERIFY(lines.size() >= int(std::size(kOneLineRows)) + 1);  // the address takes two lines
        below.remove(QLatin1Char(' '));
        QString wanted = foldPdfText(address);
        wanted.remove(QLatin1Char(' '));
        QCOMPARE(below, wanted);
    }

    void cashEnteredBeforeTheLastLineStillGivesTheRightChange() {
        m_session->ui.pdfPath = receiptPdf();
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 10);
        m_panel->cash()->setText(QStringLiteral("50"));
        m_panel->computeChange();
        QCOMPARE(m_panel->change()->text(), QStringLiteral("40"));
        m_panel->addLine({}, QStringLiteral("乙"), {}, QStringLiteral("1"), {}, 15);
        QVERIFY(m_panel->printReceipt());
        QVERIFY(PdfText::read(receiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("找零:25元"))));
    }

    void withoutPrinterNothingIsCleared() {
        m_session->ui.pdfPath.clear();  // the recorder has no printer then
        const ServiceAnswers running(PrintServiceState::Running);
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        m_panel->customerName()->setText(QStringLiteral("李四"));
        m_panel->cash()->setText(QStringLiteral("10"));
        QTest::mouseClick(m_panel->receiptButton(), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages[0].text.contains(QStringLiteral("没有找到默认打印机")));
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(m_panel->list().filledCount(), 1);
        QCOMPARE(m_panel->customerName()->text(), QStringLiteral("李四"));
        QCOMPARE(m_panel->cash()->text(), QStringLiteral("10"));
        QCOMPARE(m_panel->change()->text(), QStringLiteral("3"));
    }

    void aJobThatCannotStartClearsNothing() {
        m_session->ui.pdfPath = m_session->file(QStringLiteral("no/such/folder/receipt.pdf"));
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages[0].text.contains(QStringLiteral("无法开始打印任务")));
        QCOMPARE(m_panel->list().filledCount(), 1);
    }

    void receiptFolderWritesEachReceiptAndOpensIt() {
        const QString folder = m_session->file(QStringLiteral("receipts"));
        setReceiptPdfFolder(folder);
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        const bool printed = m_panel->printReceipt();
        m_panel->addLine({}, QStringLiteral("乙"), {}, QStringLiteral("1"), {}, 8);
        const bool again = m_panel->printReceipt();
        QVERIFY(printed && again);
        QVERIFY(m_session->ui.printJobs.isEmpty());  // the default printer was not asked
        QStringList files = QDir(folder).entryList({QStringLiteral("*.pdf")});
        files.sort();
        QCOMPARE(files, (QStringList{QStringLiteral("POS小票-20240517-140309-2.pdf"),
                                     QStringLiteral("POS小票-20240517-140309.pdf")}));
        QCOMPARE(m_session->ui.openedUrls.size(), 2);
        QCOMPARE(m_session->ui.openedUrls[1], lastReceiptPdf());
        const PdfText pdf = PdfText::read(lastReceiptPdf());
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("乙 1 8.00"))));
        // A 58 mm roll with 5 mm margins at the sides and 3 mm at the top, readable by its owner only.
        const QSizeF page = pdfPageSizes(lastReceiptPdf()).value(0);
        QVERIFY(std::abs(mm(page.width()) - 58) < 0.2 && std::abs(mm(page.height()) - 250) < 0.2);
        const QVector<PdfWord> lines = pdf.lines(0, 1.5);
        QVERIFY(lines.size() > 4);
        QVERIFY2(std::abs(mm(lines[1].xMin) - 5) < 0.2, qPrintable(QString::number(mm(lines[1].xMin))));
        QCOMPARE(QFileInfo(lastReceiptPdf()).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }

    // The receipt's name is known in advance: whatever stands there already is neither followed
    // nor overwritten, and the receipt takes the next free name.
    void receiptFolderLeavesATakenNameAlone_data() {
        QTest::addColumn<QString>("planted");
        QTest::newRow("link to nothing") << "dangling link";
        QTest::newRow("link to a file") << "link";
        QTest::newRow("earlier receipt") << "file";
    }
    void receiptFolderLeavesATakenNameAlone() {
        QFETCH(QString, planted);
        const QString folder = m_session->file(QStringLiteral("receipts"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(m_session->file(QStringLiteral("elsewhere"))));
        const QString name = folder + QStringLiteral("/POS小票-20240517-140309.pdf");
        const QString target = m_session->file(QStringLiteral("elsewhere/victim"));
        if (planted == QLatin1String("link")) {
            QFile victim(target);
            QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("kept") == 4);
        }
        if (planted == QLatin1String("file")) {
            QFile earlier(name);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("kept") == 4);
        } else {
            QVERIFY(QFile::link(target, name));
        }

        setReceiptPdfFolder(folder);
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        QVERIFY(m_panel->printReceipt());
        QCOMPARE(lastReceiptPdf(), folder + QStringLiteral("/POS小票-20240517-140309-2.pdf"));
        QVERIFY(PdfText::read(lastReceiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("甲 1 7.00"))));
        if (planted == QLatin1String("file")) {
            QCOMPARE(readAll(name), QByteArray("kept"));
        } else {
            QCOMPARE(QFileInfo(name).symLinkTarget(), target);
            if (planted == QLatin1String("link"))
                QCOMPARE(readAll(target), QByteArray("kept"));
            else
                QVERIFY(!QFileInfo::exists(target));
        }
    }

    void aReceiptFileThatCannotBeMadeClearsNothing() {
        // A file stands where the folder should be.
        const QString folder = m_session->file(QStringLiteral("not-a-folder"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        setReceiptPdfFolder(folder);
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages[0].text.contains(QStringLiteral("小票没有保存")));
        QCOMPARE(m_panel->list().filledCount(), 1);
        QVERIFY(m_session->ui.openedUrls.isEmpty());
    }

    // ---- through CUPS ----

    // The program's own default-printer path to a cups-pdf queue whose driver gives the default
    // paper: the PDF that CUPS writes has the receipt's page and line spacing, and every text of
    // it is readable. Its glyphs cannot be turned back into text (the PostScript round trip of
    // cups-pdf drops the CJK fonts' text mapping), so the texts are read from the document the
    // queue received, and the page CUPS wrote must show that document's ink dot for dot.
    void receiptOnACupsQueue_data() {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<double>("widthMm");
        QTest::newRow("58 mm roll") << "roll58" << 58.0;
        QTest::newRow("80 mm roll") << "roll80" << 80.0;
        QTest::newRow("A4 paper") << "a4" << 58.0;
    }
    void receiptOnACupsQueue() {
        QFETCH(QString, queue);
        QFETCH(double, widthMm);
        const QString missing = CupsPdfScheduler::missing();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        startCups();
        qputenv("LPDEST", queue.toUtf8());
        m_session->ui.defaultPrinter = true;
        fillOneLineReceipt();
        QVERIFY(m_panel->printReceipt());
        QVERIFY2(m_session->ui.messages.isEmpty(), qPrintable(m_session->ui.messageTexts().join(QLatin1Char('\n'))));
        const int job = ++m_cupsJobs;
        QTRY_VERIFY_WITH_TIMEOUT(!m_cups->jobEnd(job).isEmpty(), 90000);
        const QString printedPdf = m_cups->jobPdf(job);
        if (m_cups->jobEnd(job) != QLatin1String("Job completed.") || printedPdf.isEmpty())
            qWarning().noquote() << m_cups->logTail();
        QCOMPARE(m_cups->jobEnd(job), QStringLiteral("Job completed."));
        QVERIFY(!printedPdf.isEmpty());
        keepPdf(printedPdf, QStringLiteral("receipt-cups-%1.pdf").arg(queue));
        keepPdf(m_cups->jobDocument(job), QStringLiteral("receipt-cups-%1-sent.pdf").arg(queue));

        const QSizeF page = pdfPageSizes(printedPdf).value(0);
        QVERIFY2(std::abs(mm(page.width()) - widthMm) < 0.5, qPrintable(QString::number(mm(page.width()))));
        QVERIFY2(std::abs(mm(page.height()) - 250) < 0.5, qPrintable(QString::number(mm(page.height()))));
        verifyLineSpacing(PdfText::read(printedPdf).lines(0, 1.5), 0.3);
        if (QTest::currentTestFailed())
            return;
        // Every text as sent, whole on the paper.
        const QString sentPdf = m_cups->jobDocument(job);
        QStringList texts;
        for (const PdfWord& line : PdfText::read(sentPdf).lines(0, 1.5)) {
            texts << line.text;
            QVERIFY2(line.xMin >= 0 && line.xMax <= page.width(),
                     qPrintable(QStringLiteral("%1 from %2 to %3 mm").arg(line.text).arg(mm(line.xMin)).arg(mm(line.xMax))));
        }
        QCOMPARE(texts, kOneLineReceipt);
        // The page shows the ink of the document sent, glyph for glyph, to a third of a millimetre.
        const QImage printedInk = renderedPage(printedPdf, m_session->file(QStringLiteral("printed")));
        const QImage sentInk = renderedPage(sentPdf, m_session->file(QStringLiteral("sent")));
        int ink = 0;
        const int lost = inkMissingFrom(sentInk, printedInk, ink);
        QVERIFY2(ink > 1000 && lost <= ink / 1000, qPrintable(QStringLiteral("%1 of %2 dots not printed").arg(lost).arg(ink)));
        const int added = inkMissingFrom(printedInk, sentInk, ink);
        QVERIFY2(added <= ink / 1000, qPrintable(QStringLiteral("%1 of %2 dots printed in excess").arg(added).arg(ink)));
    }

    // A paused queue would hold the receipt while the customer waits: the receipt is not sent, the
    // shop is told why, and the lines stay for another try.
    void aPausedQueueIsNamedAndTheLinesStay() {
        const QString missing = CupsPdfScheduler::missing();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        startCups();
        qputenv("LPDEST", "paused58");
        m_session->ui.defaultPrinter = true;
        fillOneLineReceipt();
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY2(m_session->ui.messages[0].text.contains(QStringLiteral("打印机“paused58”已暂停")),
                 qPrintable(m_session->ui.messages[0].text));
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_panel->list().filledCount(), 1);
        QCOMPARE(m_panel->cash()->text(), QStringLiteral("10"));
        QVERIFY(!m_cups->errorLog().contains(QStringLiteral("[Job %1]").arg(m_cupsJobs + 1)));
    }

    // With the print service stopped no printer is seen: the shop is told the service is not
    // running, not that no printer is installed.
    void aStoppedPrintServiceIsNamed() {
        const QString missing = CupsPdfScheduler::missing();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        if (QStandardPaths::findExecutable(QStringLiteral("lpstat")).isEmpty())
            QSKIP("lpstat is missing (Debian package cups-client)");
        m_cups->stop();
        qputenv("LPDEST", "roll58");
        m_session->ui.defaultPrinter = true;
        fillOneLineReceipt();
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY2(m_session->ui.messages[0].text.contains(QStringLiteral("打印服务（CUPS）没有运行")),
                 qPrintable(m_session->ui.messages[0].text));
        QVERIFY(!m_session->ui.messages[0].text.contains(QStringLiteral("默认打印机")));
        QCOMPARE(m_panel->list().filledCount(), 1);
    }
};

QTEST_MAIN(PosReceiptTest)
#include "test_pos_receipt.moc"
