// The POS list and its panel: six lines, free lines, "删", the total timer, cash and change, lines
// from the sales grid, and the receipt read back from its PDF at its dot positions.
#include "app/ui/startup.h"
#include "printing/pdf_words.h"
#include "sales/pos_list.h"
#include "sales/receipt_layout.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_printer.h"
#include "store/data_module.h"
#include "store/store_error.h"
#include "support/recording_ui.h"
#include "support/temp_workdir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

PosLine product(const QString& name, const QString& quantity = QStringLiteral("1"),
                const QString& amount = QStringLiteral("1.00")) {
    return PosLine{QStringLiteral("C-") + name, name, QStringLiteral("M"), quantity, QStringLiteral("1"), amount};
}

// Dots of a 203 dpi receipt, from the top left of its printable area (5 mm left, 3 mm top margins).
double dotX(double points) { return (points - 5 / 25.4 * 72) * kReceiptPdfResolution / 72; }
double dotY(double points) { return (points - 3 / 25.4 * 72) * kReceiptPdfResolution / 72; }

}  // namespace

class PosReceiptTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkdir> m_dir;
    std::unique_ptr<RecordingUi> m_ui;
    std::unique_ptr<PosPanel> m_panel;
    QString m_customerFilter;

    QString receiptPdf() const { return m_dir->file(QStringLiteral("receipt.pdf")); }

private slots:
    void initTestCase() { installChineseFonts(); }

    void init() {
        m_dir = std::make_unique<TempWorkdir>();
        m_ui = std::make_unique<RecordingUi>();
        m_ui->setNow(QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)));
        m_panel = std::make_unique<PosPanel>();
        m_customerFilter.clear();
        PosPanel::Context context;
        context.company = [] { return QStringLiteral("平安文具店"); };
        context.address = [] { return QStringLiteral("电话：0571-8888 中山路1号"); };
        context.customerNumber = [] { return QStringLiteral("20240517001"); };
        context.user = [] { return QStringLiteral("超级管理员"); };
        context.setCustomerFilter = [this](const QString& number) { m_customerFilter = number; };
        m_panel->setContext(context);
    }
    void cleanup() {
        m_panel.reset();
        m_ui.reset();
        m_dir.reset();
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

    // ---- the layout in dots ----

    void receiptLinesStandThirtyDotsApart_data() {
        QTest::addColumn<QList<int>>("filled");  // lines holding a product
        QTest::addColumn<QList<int>>("productY");
        QTest::newRow("one") << QList<int>{0} << QList<int>{105};
        QTest::newRow("lines 1 and 3") << QList<int>{0, 2} << QList<int>{105, 135};
        QTest::newRow("six") << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{105, 135, 165, 195, 225, 255};
        QTest::newRow("none") << QList<int>{} << QList<int>{};
    }
    void receiptLinesStandThirtyDotsApart() {
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
        QCOMPARE(items[1].at().y(), 40.0);
        QCOMPARE(items[2].at().y(), 60.0);
        QCOMPARE(items[3].at().y(), 82.0);
        for (int i = 0; i < productY.size(); ++i)
            QCOMPARE(items[4 + i].at().y(), double(productY[i]));
        QCOMPARE(items.last().text, QStringLiteral("址"));
        QCOMPARE(items.last().at().y(), 405.0 + 30 * filled.size());
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
        QVERIFY(m_ui->messages.isEmpty());  // refused silently
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
        m_dir->openNewDatabase();
        Database& db = dm().connection();
        const QString insert = QStringLiteral(
            "insert into data1 (a,b,c,d,[2],[3],[4],day1,g,z) values (?,?,?,'饮料',?,?,?,'2024-05-17',?,?)");
        db.exec(insert, {QStringLiteral("可乐"), QStringLiteral("330ml"), QStringLiteral("K01"), 3.5, 2, 7,
                         QStringLiteral("李四"), QStringLiteral("20240517003")});
        db.exec(insert, {QStringLiteral("雪碧"), QStringLiteral("500ml"), QStringLiteral("X02"), 4, 1.5, 6,
                         QStringLiteral("张三"), QStringLiteral("20240517004")});
        db.exec(insert, {QStringLiteral("面包"), QVariant(), QStringLiteral("M03"), 5, 1, QVariant(),
                         QStringLiteral("赵六"), QStringLiteral("20240517005")});
        Dataset& sales = dm().ADOQuery13;
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
        QCOMPARE(m_ui->messages.size(), 1);
        QCOMPARE(m_panel->list().line(2).name, QStringLiteral("面包"));
        QVERIFY(m_panel->list().line(2).amount.isEmpty());
        QCOMPARE(m_panel->list().firstFree(), 3);
    }

    void salesRecordWithoutNameAddsNothing() {
        m_dir->openNewDatabase();
        Dataset& sales = dm().ADOQuery13;
        sales.setStatement(QStringLiteral("select * from data1"));
        m_panel->addSalesRecord(sales);  // no rows at all
        QVERIFY(m_panel->isVisible());
        QCOMPARE(m_panel->list().filledCount(), 0);
        QVERIFY(m_ui->messages.isEmpty());
    }

    // ---- the printed receipt ----

    void receiptPrintsAtItsDotsAndClearsThePanel() {
        m_ui->pdfPath = receiptPdf();
        m_panel->addLine(QStringLiteral("K01"), QStringLiteral("可乐"), QStringLiteral("330ml"), QStringLiteral("2"),
                         QStringLiteral("3.5"), 7);
        m_panel->customerName()->setText(QStringLiteral("李四"));
        m_panel->notes()->setPlainText(QStringLiteral("冰镇"));
        m_panel->cash()->setText(QStringLiteral("10"));
        m_panel->computeChange();
        QCOMPARE(m_panel->change()->text(), QStringLiteral("3"));
        QVERIFY(m_panel->printReceipt());
        QCOMPARE(m_ui->printJobs, QStringList{QStringLiteral("POS小票")});
        QVERIFY(m_ui->messages.isEmpty());

        keepPdf(receiptPdf(), QStringLiteral("receipt-one-line.pdf"));
        const PdfText pdf = PdfText::read(receiptPdf());
        QCOMPARE(pdf.pageCount(), 1);
        QCOMPARE(qRound(pdf.pageHeights[0] / 72 * 25.4), 250);  // the 250 mm roll length
        const QVector<PdfWord> lines = pdf.lines(0, 4);
        const QStringList expected = {
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
        QStringList texts;
        for (const PdfWord& l : lines)
            texts << l.text;
        QCOMPARE(texts, expected);
        const int ys[] = {0, 40, 60, 82, 105, 135, 165, 195, 225, 255, 285, 315, 345, 375, 405, 435};
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(std::abs(dotY(lines[i].yMin) - ys[i]) <= 4,
                     qPrintable(QStringLiteral("%1 at %2").arg(lines[i].text).arg(dotY(lines[i].yMin))));
        }
        // Every text starts at x 0, except the two whose leading blanks move the ink right.
        for (int i : {1, 2, 4, 6, 7, 9, 10, 14, 15})
            QVERIFY2(std::abs(dotX(lines[i].xMin)) <= 3, qPrintable(lines[i].text));
        QVERIFY(dotX(lines[0].xMin) > 20);
        QVERIFY(dotX(lines[12].xMin) > 20);
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

    void receiptLinesOneAndThreeLeaveNoGap() {
        m_ui->pdfPath = receiptPdf();
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
        QVERIFY(std::abs(dotY(first->yMin) - 105) <= 4);
        QVERIFY(std::abs(dotY(third->yMin) - 135) <= 4);
        // The receipt's total printed the new lines at once, before any timer tick.
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("应收金额:4.00元"))));
        // An empty cash field prints nothing between "现金:" and "元".
        QVERIFY(pdf.pageText(0).contains(foldPdfText(QStringLiteral("现金:元 应收金额:"))));
    }

    void negativeChangeKeepsItsSign() {
        m_ui->pdfPath = receiptPdf();
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7.5);
        m_panel->cash()->setText(QStringLiteral("5"));
        QVERIFY(m_panel->printReceipt());
        QVERIFY(PdfText::read(receiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("找零:-2.5元"))));
    }

    void cashEnteredBeforeTheLastLineStillGivesTheRightChange() {
        m_ui->pdfPath = receiptPdf();
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 10);
        m_panel->cash()->setText(QStringLiteral("50"));
        m_panel->computeChange();
        QCOMPARE(m_panel->change()->text(), QStringLiteral("40"));
        m_panel->addLine({}, QStringLiteral("乙"), {}, QStringLiteral("1"), {}, 15);
        QVERIFY(m_panel->printReceipt());
        QVERIFY(PdfText::read(receiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("找零:25元"))));
    }

    void withoutPrinterNothingIsCleared() {
        m_ui->pdfPath.clear();  // the recorder has no printer then
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        m_panel->customerName()->setText(QStringLiteral("李四"));
        m_panel->cash()->setText(QStringLiteral("10"));
        QTest::mouseClick(m_panel->receiptButton(), Qt::LeftButton);
        QCOMPARE(m_ui->messages.size(), 1);
        QVERIFY(m_ui->messages[0].text.contains(QStringLiteral("没有找到默认打印机")));
        QCOMPARE(m_ui->messages[0].icon, QMessageBox::Critical);
        QCOMPARE(m_panel->list().filledCount(), 1);
        QCOMPARE(m_panel->customerName()->text(), QStringLiteral("李四"));
        QCOMPARE(m_panel->cash()->text(), QStringLiteral("10"));
        QCOMPARE(m_panel->change()->text(), QStringLiteral("3"));
    }

    void aJobThatCannotStartClearsNothing() {
        m_ui->pdfPath = m_dir->file(QStringLiteral("no/such/folder/receipt.pdf"));
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        QVERIFY(!m_panel->printReceipt());
        QCOMPARE(m_ui->messages.size(), 1);
        QVERIFY(m_ui->messages[0].text.contains(QStringLiteral("无法开始打印任务")));
        QCOMPARE(m_panel->list().filledCount(), 1);
    }

    void receiptFolderWritesEachReceiptAndOpensIt() {
        const QString folder = m_dir->file(QStringLiteral("receipts"));
        setReceiptPdfFolder(folder);
        m_panel->addLine({}, QStringLiteral("甲"), {}, QStringLiteral("1"), {}, 7);
        const bool printed = m_panel->printReceipt();
        m_panel->addLine({}, QStringLiteral("乙"), {}, QStringLiteral("1"), {}, 8);
        const bool again = m_panel->printReceipt();
        setReceiptPdfFolder(QString());
        QVERIFY(printed && again);
        QVERIFY(m_ui->printJobs.isEmpty());  // the default printer was not asked
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(files.size(), 2);
        QCOMPARE(m_ui->openedUrls.size(), 2);
        QCOMPARE(m_ui->openedUrls[1], lastReceiptPdf());
        QVERIFY(PdfText::read(lastReceiptPdf()).pageText(0).contains(foldPdfText(QStringLiteral("乙 1 8.00"))));
    }
};

QTEST_MAIN(PosReceiptTest)
#include "test_pos_receipt.moc"
