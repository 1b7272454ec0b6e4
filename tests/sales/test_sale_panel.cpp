// The sale panel in the main window, driven as a user would through the component names: opening
// on a batch, the live recalculation, the refusals with their messages and focus, a confirmed sale
// and what it stores, customer numbers, and a sale that fails half-way.
#include "app/ui/english_captions.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "records/ui/sales_details_window.h"
#include "sales/ui/sale_panel.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "support/test_session.h"
#include "support/test_shots.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

// Nothing sold yet; bought on 2013-10-01.
const QList<StockBatch> kBatches = {
    {.name = "铅笔", .model = "HB", .code = "P01", .category = "文具", .remark = "二楼", .purchasePrice = 1.2,
     .quantity = 10, .salesPrice = 2.5, .date = "2013-10-01"},
    {.name = "笔", .model = "黑", .code = "B01", .category = "文具", .purchasePrice = 1, .quantity = 3,
     .salesPrice = 10, .date = "2013-10-01"},
    {.name = "台灯", .model = "LED", .code = "T01", .category = "电器", .purchasePrice = 12, .quantity = 5,
     .salesPrice = 20, .date = "2013-10-01"},
};

}  // namespace

class SalePanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    QHash<QString, qint64> m_ids;

    template <typename T>
    T* w(const QString& name) {
        T* found = m_form->findChild<T*>(name);
        if (!found)
            qFatal("no %s", qPrintable(name));
        return found;
    }
    QLineEdit* edit(const QString& name) { return w<QLineEdit>(name); }
    QLabel* label(const QString& name) { return w<QLabel>(name); }
    QComboBox* customerName() { return w<QComboBox>(QStringLiteral("CustomerName")); }
    SalePanel* panel() { return (&m_program->salePanel()); }
    DataGrid* grid() { return w<DataGrid>(QStringLiteral("DataGrid1")); }
    Database& db() { return m_session->db(); }

    int rowOf(const QString& name) {
        for (int r = 0; r < grid()->rowCount(); ++r)
            if (grid()->cellText(r, 0) == name)
                return r;
        return -1;
    }
    QPoint cellCentre(int row) {
        QTableView* view = grid()->view();
        return view->visualRect(grid()->model()->index(row, 0)).center();
    }
    void open(const QString& name) {
        const int row = rowOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        QTableView* view = grid()->view();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellCentre(row));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cellCentre(row));
        QVERIFY(panel()->isVisible());
    }
    void retype(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else if (text.toLatin1() != text.toUtf8() || text.startsWith(QLatin1Char('-')))
            field->insert(text);  // what an input method or a paste hands over
        else
            QTest::keyClicks(field, text);
    }
    void confirm() { QTest::mouseClick(w<QPushButton>(QStringLiteral("ConfirmSale")), Qt::LeftButton); }
    QVariant stock(const QString& name, const QString& column) {
        return db().scalar(QStringLiteral("select \"%1\" from data where id=?").arg(column), {m_ids.value(name)});
    }
    int salesCount() { return db().scalar(QStringLiteral("select count(*) from data1")).toInt(); }
    QVariant sales(const QString& column) {
        return db().scalar(QStringLiteral("select \"%1\" from data1 order by ID desc limit 1").arg(column));
    }
    bool focused(QWidget* widget) {
        QWidget* f = QApplication::focusWidget();
        return f == widget || (f && widget->isAncestorOf(f));
    }
    void makeForm() {
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_program->installSalesRecords();
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void shot(const QString& name) { saveTestShot(m_form.get(), name); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2013, 11, 5), QTime(9, 30)));
        MainWindow::setRemovableCheck([] { return true; });
        m_ids.clear();
        for (const StockBatch& b : kBatches)
            m_ids.insert(b.name.toString(), m_session->ledger.addBatch(b));
        makeForm();
        m_session->ui.clear();
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    // At 1.5x and 2x display scaling the picture is drawn with the screen's pixels, not a 97-pixel
    // picture stretched: its edges stay as fine as at 1x.
    void pictureIsSharpAtAnyScaling_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1.5x") << 1.5;
        QTest::newRow("2x") << 2.0;
    }
    void pictureIsSharpAtAnyScaling() {
        QFETCH(qreal, ratio);
        const QPixmap picture = salePanelPicture(ratio);
        QCOMPARE(picture.size(), QSize(qRound(97 * ratio), qRound(97 * ratio)));
        QVERIFY(qAbs(picture.deviceIndependentSize().width() - 97) < 0.5);
        // The panel draws it at the ratio of its own screen whenever it paints.
        QWidget* shown = m_form->findChild<QWidget*>(QStringLiteral("SalePicture"));
        QVERIFY(shown && !qobject_cast<QLabel*>(shown));
        // The close mark is drawn for the scaling too, not a small bitmap enlarged.
        const QIcon close = m_form->findChild<QToolButton*>(QStringLiteral("SaleClose"))->icon();
        QCOMPARE(close.pixmap(QSize(17, 17), ratio).size(), QSize(qRound(17 * ratio), qRound(17 * ratio)));
    }

    void opensOnTheDoubleClickedBatch() {
        QVERIFY(!panel()->isVisible());
        QCOMPARE(panel()->objectName(), QStringLiteral("Panel1"));
        QCOMPARE(panel()->geometry(), QRect(662, 2, 323, 469));
        QCOMPARE(m_form->saleDate(), w<DateField>(QStringLiteral("SaleDate")));
        open(QStringLiteral("铅笔"));
        QCOMPARE(label(QStringLiteral("NameValue"))->text(), QStringLiteral("铅笔"));
        QCOMPARE(label(QStringLiteral("ModelValue"))->text(), QStringLiteral("HB"));
        QCOMPARE(label(QStringLiteral("CodeValue"))->text(), QStringLiteral("P01"));
        QCOMPARE(label(QStringLiteral("CategoryValue"))->text(), QStringLiteral("文具"));
        QCOMPARE(label(QStringLiteral("SuggestedPrice"))->text(), QStringLiteral("2.5"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("2.5"));
        QCOMPARE(edit("Discount")->text(), QStringLiteral("100"));
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("1"));
        QCOMPARE(edit("StockQuantity")->text(), QStringLiteral("10"));
        QVERIFY(edit("StockQuantity")->isReadOnly());
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("2.5"));
        QVERIFY(edit("SaleAmount")->isReadOnly());
        QCOMPARE(edit("Arrears")->text(), QStringLiteral("0"));
        QCOMPARE(m_form->saleDate()->dateText(), QStringLiteral("2013-11-05"));
        // The first customer number of the run, the field having been empty.
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115001"));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("ordernumber")), QStringLiteral("2013115001"));
        QVERIFY(focused(edit("SalePrice")));
        QCOMPARE(panel()->stock().id, m_ids.value(QStringLiteral("铅笔")));
        // The batch's remark goes to the stock-in panel's remark field as well.
        QCOMPARE(m_program->inventory().controls().stockInPanel->findChild<QLineEdit*>(QStringLiteral("Edit22"))->text(),
                 QStringLiteral("二楼"));
        QCOMPARE(edit("SalePrice")->toolTip(), QStringLiteral("利用回车Enter键和Tab键进行切换"));
        shot(QStringLiteral("sale_panel"));
    }

    void captionsAndColours() {
        const QList<QPair<QString, QString>> red = {{"PriceCaption", "实际销售价："}, {"QuantityCaption", "销售数量："}};
        const QList<QPair<QString, QString>> teal = {
            {"CustomerNumberCaption", "客户编号："}, {"CustomerNameCaption", "客户名称："}, {"AddressCaption", "地 址："},
            {"ContactCaption", "联系方式："},        {"RemarkCaption", "备 注："},       {"PrintRequiredNote", "销售单打印必填"}};
        for (const auto& [name, text] : red) {
            QCOMPARE(label(name)->text(), text);
            QCOMPARE(label(name)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        }
        for (const auto& [name, text] : teal) {
            QCOMPARE(label(name)->text(), text);
            QCOMPARE(label(name)->palette().color(QPalette::WindowText), QColor(0, 128, 128));
        }
        QCOMPARE(w<QPushButton>(QStringLiteral("ConfirmSale"))->text(), QStringLiteral("销售确认"));
        QCOMPARE(w<QPushButton>(QStringLiteral("NextCustomerNumber"))->text(), QStringLiteral("+"));
        QCOMPARE(w<QToolButton>(QStringLiteral("SaleClose"))->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(panel()->cursor().shape(), Qt::SizeAllCursor);
    }

    void englishCaptions() {
        switchToEnglish(*m_form);
        QCOMPARE(label(QStringLiteral("PriceCaption"))->text(), QStringLiteral("Sales Price："));
        QCOMPARE(label(QStringLiteral("StockQuantityCaption"))->text(), QStringLiteral("Stock Qua："));
        QCOMPARE(label(QStringLiteral("PrintRequiredNote"))->text(), QStringLiteral("Report fill in"));
        QCOMPARE(label(QStringLiteral("ArrearsCaption"))->text(), QStringLiteral("amount dues："));
    }

    void discountSetsThePrice_data() {
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("amount");
        QTest::newRow("85 of 20, two") << "台灯" << "85" << "2" << "17" << "34";
        QTest::newRow("33 of 10") << "笔" << "33" << "1" << "3.3" << "3.3";
        QTest::newRow("emptied discount leaves the price") << "笔" << "" << "2" << "10" << "20";
    }
    void discountSetsThePrice() {
        QFETCH(QString, batch);
        QFETCH(QString, discount);
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QString, amount);
        open(batch);
        retype(edit("Discount"), discount);
        retype(edit("SaleQuantity"), quantity);
        QCOMPARE(edit("SalePrice")->text(), price);
        QCOMPARE(edit("SaleAmount")->text(), amount);
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void typedPriceKeepsTheDiscount() {
        open(QStringLiteral("台灯"));
        retype(edit("Discount"), QStringLiteral("90"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("18"));
        retype(edit("SalePrice"), QStringLiteral("15.5"));
        QCOMPARE(edit("Discount")->text(), QStringLiteral("90"));
        retype(edit("SaleQuantity"), QStringLiteral("3"));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("46.5"));
        // The discount overwrites a typed price again when it changes.
        retype(edit("Discount"), QStringLiteral("50"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("10"));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("30"));
    }

    void keysAndArrows() {
        open(QStringLiteral("台灯"));
        retype(edit("SalePrice"), QStringLiteral("1a2,.5-"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("12.5"));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("12.5"));

        retype(edit("Discount"), QStringLiteral("85"));
        auto click = [this](const char* name) { QTest::mouseClick(w<QToolButton>(QLatin1String(name)), Qt::LeftButton); };
        click("DiscountArrowsUp");
        QCOMPARE(edit("Discount")->text(), QStringLiteral("90"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("18"));
        click("DiscountArrowsUp");
        click("DiscountArrowsUp");
        click("DiscountArrowsUp");
        QCOMPARE(edit("Discount")->text(), QStringLiteral("100"));
        retype(edit("Discount"), QStringLiteral("3"));
        click("DiscountArrowsDown");
        QCOMPARE(edit("Discount")->text(), QStringLiteral("0"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("0"));
        // Typing beyond the arrows' range is allowed.
        retype(edit("Discount"), QStringLiteral("120"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("24"));

        click("QuantityArrowsUp");
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("2"));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("48"));
        edit("SaleQuantity")->setFocus();
        QTest::keyClick(edit("SaleQuantity"), Qt::Key_Up);
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("3"));
        QTest::keyClick(edit("SaleQuantity"), Qt::Key_Down);
        QTest::keyClick(edit("SaleQuantity"), Qt::Key_Down);
        QTest::keyClick(edit("SaleQuantity"), Qt::Key_Down);
        QTest::keyClick(edit("SaleQuantity"), Qt::Key_Down);
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("0"));
    }

    void notANumberIsReported() {
        open(QStringLiteral("台灯"));
        retype(edit("SaleQuantity"), QStringLiteral("2"));
        retype(edit("SalePrice"), QStringLiteral("1.2."));
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("1.2.")));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("2.4"));  // left as it was
        m_session->ui.clear();
        confirm();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(salesCount(), 0);
        QCOMPARE(stock(QStringLiteral("台灯"), "7").toDouble(), 5.0);
    }

    // A paste passes the key filter; "nan", "inf" and "1e0" still sell nothing.
    void pastedNonNumbersSellNothing_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("nan quantity") << "SaleQuantity" << "nan";
        QTest::newRow("exponent quantity") << "SaleQuantity" << "1e0";
        QTest::newRow("inf price") << "SalePrice" << "inf";
        QTest::newRow("nan arrears") << "Arrears" << "nan";
    }
    void pastedNonNumbersSellNothing() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        open(QStringLiteral("台灯"));
        edit(field)->setFocus();
        edit(field)->selectAll();
        edit(field)->insert(text);
        m_session->ui.clear();
        confirm();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY2(m_session->ui.messages.first().text.contains(text), qPrintable(m_session->ui.messages.first().text));
        QCOMPARE(salesCount(), 0);
        QCOMPARE(stock(QStringLiteral("台灯"), "5").toDouble(), 0.0);
        QCOMPARE(stock(QStringLiteral("台灯"), "7").toDouble(), 5.0);
        QCOMPARE(stock(QStringLiteral("台灯"), "8").toDouble(), 60.0);
    }

    void enterAndTabChains() {
        open(QStringLiteral("铅笔"));
        const QStringList chain = {"SalePrice", "Discount", "SaleQuantity", "Arrears", "SaleDate",
                                   "CustomerNumber", "CustomerName", "Address", "Contact", "Remark"};
        for (int i = 0; i + 1 < chain.size(); ++i) {
            QWidget* from = w<QWidget>(chain[i]);
            QVERIFY2(focused(from), qPrintable(chain[i]));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(focused(w<QWidget>(chain[i + 1])), qPrintable(chain[i + 1]));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(focused(edit("Remark")));
        // From the read-only sales amount Enter goes to the date.
        edit("SaleAmount")->setFocus();
        QTest::keyClick(edit("SaleAmount"), Qt::Key_Enter);
        QVERIFY(focused(edit("SaleDate")));
        // Tab follows the same fields, then "+".
        edit("SalePrice")->setFocus();
        for (int i = 1; i < chain.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(focused(w<QWidget>(chain[i])), qPrintable(chain[i]));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(focused(w<QPushButton>(QStringLiteral("NextCustomerNumber"))));
    }

    void refusals_data() {
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("quantityAfter");
        const QString app = QStringLiteral("Tovrakel");
        QTest::newRow("no quantity") << "笔" << "SaleQuantity" << "" << "Warning" << "销售数量必须输入！"
                                     << "SaleQuantity" << "";
        QTest::newRow("quantity 0") << "笔" << "SaleQuantity" << "0" << app << "销售数量不能为0"
                                    << "SaleQuantity" << "0";
        QTest::newRow("negative quantity pasted") << "笔" << "SaleQuantity" << "-1" << app << "销售数量不能小于0"
                                                  << "SaleQuantity" << "-1";
        QTest::newRow("more than the stock") << "笔" << "SaleQuantity" << "5" << app << "库存不足"
                                             << "SaleQuantity" << "3";
        QTest::newRow("no price") << "笔" << "SalePrice" << "" << "Warning" << "实际销售价必须输入！"
                                  << "SalePrice" << "1";
        QTest::newRow("no arrears") << "笔" << "Arrears" << "" << "Warning" << "欠款金额必须输入！"
                                    << "Arrears" << "1";
        QTest::newRow("no sale date") << "笔" << "SaleDate" << "" << app << "销售日期必须输入" << "SaleDate"
                                      << "1";
    }
    void refusals() {
        QFETCH(QString, batch);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, quantityAfter);
        QApplication::setApplicationName(QStringLiteral("Tovrakel"));
        m_form->dateGuard()->stop();  // an emptied date would come back within half a second
        open(batch);
        if (field == QLatin1String("SaleDate"))
            m_form->saleDate()->clear();
        else
            retype(edit(field), text);
        m_session->ui.clear();
        confirm();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages.first().text, message);
        QCOMPARE(m_session->ui.messages.first().caption, caption);
        if (caption == QLatin1String("Warning"))
            QCOMPARE(m_session->ui.messages.first().icon, QMessageBox::Warning);
        QVERIFY2(focused(w<QWidget>(focus)), qPrintable(QApplication::focusWidget()->objectName()));
        QCOMPARE(edit("SaleQuantity")->text(), quantityAfter);
        QVERIFY(panel()->isVisible());
        QCOMPARE(salesCount(), 0);
        QCOMPARE(stock(batch, "5").toDouble(), 0.0);
        QCOMPARE(stock(batch, "7").toDouble(), 3.0);
    }

    void stockShortThenWholeStockSells() {
        open(QStringLiteral("笔"));
        retype(edit("SaleQuantity"), QStringLiteral("5"));
        confirm();
        QCOMPARE(m_session->ui.messageTexts(), QStringList{QStringLiteral("库存不足")});
        confirm();
        QCOMPARE(stock(QStringLiteral("笔"), "7").toDouble(), 0.0);
        QCOMPARE(stock(QStringLiteral("笔"), "5").toDouble(), 3.0);
        QCOMPARE(sales("3").toDouble(), 3.0);
    }

    void confirmedSale() {
        QSignalSpy lines(panel(), &SalePanel::lineSold);
        QSignalSpy customers(panel(), &SalePanel::customerSold);
        open(QStringLiteral("铅笔"));
        retype(edit("SaleQuantity"), QStringLiteral("3"));
        QCOMPARE(edit("SaleAmount")->text(), QStringLiteral("7.5"));
        retype(customerName()->lineEdit(), QStringLiteral("张三"));
        retype(edit("Address"), QStringLiteral("北京路1号"));
        retype(edit("Contact"), QStringLiteral("13800000000"));
        retype(edit("Remark"), QStringLiteral("送货"));
        retype(edit("Arrears"), QStringLiteral("2"));
        confirm();
        QVERIFY2(m_session->ui.messages.isEmpty(), qPrintable(m_session->ui.messageTexts().join('|')));

        const QString pencil = QStringLiteral("铅笔");
        QCOMPARE(stock(pencil, "5").toDouble(), 3.0);
        QCOMPARE(stock(pencil, "6").toDouble(), 7.5);
        QCOMPARE(stock(pencil, "7").toDouble(), 7.0);
        QCOMPARE(stock(pencil, "8").toDouble(), 8.4);
        QCOMPARE(stock(QStringLiteral("笔"), "7").toDouble(), 3.0);
        QCOMPARE(salesCount(), 1);
        QCOMPARE(sales("a").toString(), pencil);
        QCOMPARE(sales("4").toDouble(), 7.5);
        QCOMPARE(sales("a5").toDouble(), 3.9);
        QCOMPARE(sales("6").toDouble(), 2.0);
        QCOMPARE(sales("z").toString(), QStringLiteral("2013115001"));
        QCOMPARE(sales("g").toString(), QStringLiteral("张三"));
        QCOMPARE(sales("day1").toString(), QStringLiteral("2013-11-05"));
        QCOMPARE(sales("day2").toString(), QStringLiteral("2013-10-01"));
        QCOMPARE(sales("e").toString(), QStringLiteral("qb"));

        QVERIFY(!panel()->isVisible());
        QVERIFY(m_form->successPrompt()->isVisible());
        QCOMPARE(m_form->successPrompt()->text(), QStringLiteral("销售数据保存成功..."));
        QCOMPARE(lines.count(), 1);
        const SoldLine line = lines.at(0).at(0).value<SoldLine>();
        QCOMPARE((QStringList{line.code, line.name, line.model, line.quantity, line.price, line.amount}),
                 (QStringList{"P01", "铅笔", "HB", "3", "2.5", "7.50"}));
        QCOMPARE(customers.count(), 1);
        QCOMPARE(customers.at(0).at(0).toString(), QStringLiteral("张三"));
        QCOMPARE(customers.at(0).at(1).toString(), QStringLiteral("2013115001"));
        // The sales details list the order, the grid shows the new stock.
        QCOMPARE(m_program->salesDetails()->customerFilter(), QStringLiteral("2013115001"));
        QCOMPARE(grid()->cellText(rowOf(pencil), 10), QStringLiteral("7"));
        QVERIFY(customerName()->findText(QStringLiteral("张三")) >= 0);

        // Cleared for the order's next line; the customer stays.
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("1"));
        QCOMPARE(edit("Arrears")->text(), QStringLiteral("0"));
        QCOMPARE(edit("SalePrice")->text(), QString());
        for (const char* name : {"Address", "Contact", "Remark"})
            QCOMPARE(edit(QLatin1String(name))->text(), QString());
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115001"));
        QCOMPARE(customerName()->currentText(), QStringLiteral("张三"));

        // The next line of the order: same customer number, starting at its own suggested price.
        open(QStringLiteral("台灯"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("20"));
        confirm();
        QCOMPARE(salesCount(), 2);
        QCOMPARE(sales("z").toString(), QStringLiteral("2013115001"));
        QCOMPARE(sales("g").toString(), QStringLiteral("张三"));
        QCOMPARE(stock(QStringLiteral("台灯"), "7").toDouble(), 4.0);
    }

    // After a sale the grid shows every batch of its mode with the new stock, moved to the last row,
    // whether it showed all of them before (only the sold batch is read again) or a search.
    void afterSaleTheGridShowsEveryBatch_data() {
        QTest::addColumn<QString>("searched");  // initials typed into the search box first
        QTest::addColumn<bool>("emptyHidden");  // "不显示零库存" ticked
        QTest::addColumn<QString>("sold");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QStringList>("shown");
        const QStringList all = {"铅笔", "笔", "台灯"};
        QTest::newRow("all shown") << QString() << false << "笔" << "1" << all;
        QTest::newRow("a search shown") << "qb" << false << "铅笔" << "1" << all;
        QTest::newRow("sold out, empty stock shown") << QString() << false << "笔" << "3" << all;
        QTest::newRow("sold out, empty stock hidden") << QString() << true << "笔" << "3" << QStringList{"铅笔", "台灯"};
    }
    void afterSaleTheGridShowsEveryBatch() {
        QFETCH(QString, searched);
        QFETCH(bool, emptyHidden);
        QFETCH(QString, sold);
        QFETCH(QString, quantity);
        QFETCH(QStringList, shown);
        w<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(emptyHidden);
        if (!searched.isEmpty()) {
            db().exec(QStringLiteral("update data set e='qb' where a='铅笔'"));
            QTest::keyClicks(edit("Edit23"), searched);
            QCOMPARE(grid()->rowCount(), 1);
        }
        open(sold);
        retype(edit("SaleQuantity"), quantity);
        confirm();
        QVERIFY2(m_session->ui.messages.isEmpty(), qPrintable(m_session->ui.messageTexts().join('|')));
        QStringList names;
        for (int r = 0; r < grid()->rowCount(); ++r)
            names << grid()->cellText(r, 0);
        QCOMPARE(names, shown);
        const double left = stock(sold, "7").toDouble();
        if (rowOf(sold) >= 0)  // "#.###" shows nothing for none left
            QCOMPARE(grid()->cellText(rowOf(sold), 10), left == 0 ? QString() : QString::number(left));
        QCOMPARE(m_program->inventory().query().currentRow(), grid()->rowCount() - 1);
    }

    // A title sort stays through a sale (only the sold batch is read again); "全部记录" reads the
    // ledger afresh in its date order, without a sort mark.
    void titleSortStaysThroughASale() {
        auto names = [this] {
            QStringList out;
            for (int r = 0; r < grid()->rowCount(); ++r)
                out << grid()->cellText(r, 0);
            return out;
        };
        QHeaderView* header = grid()->header();
        const QPoint title(header->sectionViewportPosition(10) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);  // stock, largest first
        QCOMPARE(names(), (QStringList{"铅笔", "台灯", "笔"}));
        open(QStringLiteral("铅笔"));
        retype(edit("SaleQuantity"), QStringLiteral("8"));
        confirm();
        QCOMPARE(names(), (QStringList{"铅笔", "台灯", "笔"}));
        QCOMPARE(grid()->cellText(0, 10), QStringLiteral("2"));
        QCOMPARE(grid()->header()->mark(10), BandHeader::Mark::Down);
        QTest::mouseClick(w<QPushButton>(QStringLiteral("Button12")), Qt::LeftButton);
        QCOMPARE(names(), (QStringList{"铅笔", "笔", "台灯"}));
        QCOMPARE(grid()->header()->mark(10), BandHeader::Mark::None);
    }

    // A new customer joins the pick list; the sales details window, closed during the sale, keeps
    // the order's number in its filter and reads the month's sales when it opens.
    void customerListAndClosedSalesWindow() {
        SalesDetailsWindow* sales = m_program->salesDetails();
        sales->runMonthView();
        QCOMPARE(sales->query().recordCount(), 0);
        open(QStringLiteral("台灯"));
        retype(customerName()->lineEdit(), QStringLiteral("李四"));
        confirm();
        QVERIFY(customerName()->findText(QStringLiteral("李四")) >= 0);
        QVERIFY(!sales->isVisible());
        QCOMPARE(sales->customerFilter(), QStringLiteral("2013115001"));
        QCOMPARE(sales->query().recordCount(), 0);  // not read for a closed window
        sales->runMonthView();                       // what opening it runs
        QCOMPARE(sales->query().recordCount(), 1);
        QCOMPARE(sales->query().fieldText(QStringLiteral("g")), QStringLiteral("李四"));
    }

    void discountSurvivesButNextBatchStartsAtItsPrice() {
        open(QStringLiteral("台灯"));
        retype(edit("Discount"), QStringLiteral("85"));
        confirm();
        QCOMPARE(sales("2").toDouble(), 17.0);
        open(QStringLiteral("笔"));
        QCOMPARE(edit("Discount")->text(), QStringLiteral("85"));
        QCOMPARE(edit("SalePrice")->text(), QStringLiteral("10"));
    }

    void customerNumbers() {
        open(QStringLiteral("笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115001"));
        QTest::mouseClick(w<QPushButton>(QStringLiteral("NextCustomerNumber")), Qt::LeftButton);
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115002"));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("ordernumber")), QStringLiteral("2013115002"));
        // Typed numbers are remembered at every change too.
        retype(edit("CustomerNumber"), QStringLiteral("A-7"));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("ordernumber")), QStringLiteral("A-7"));
        confirm();
        QCOMPARE(sales("z").toString(), QStringLiteral("A-7"));
    }

    void rememberedNumberComesBackAtStart() {
        WriteSetting(kMainKey, QStringLiteral("ordernumber"), QStringLiteral("2013104007"));
        m_form.reset();
        makeForm();
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013104007"));
        open(QStringLiteral("笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013104007"));
        QTest::mouseClick(w<QPushButton>(QStringLiteral("NextCustomerNumber")), Qt::LeftButton);
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115002"));
    }

    // A restart starts the run's counter again; the numbers already used today stay used.
    void customerNumbersContinueAfterARestart() {
        open(QStringLiteral("铅笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115001"));
        confirm();
        open(QStringLiteral("铅笔"));
        QTest::mouseClick(w<QPushButton>(QStringLiteral("NextCustomerNumber")), Qt::LeftButton);
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115002"));
        confirm();
        m_form.reset();
        makeForm();
        open(QStringLiteral("笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115002"));  // the remembered customer
        QTest::mouseClick(w<QPushButton>(QStringLiteral("NextCustomerNumber")), Qt::LeftButton);
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115003"));
        // With the field emptied, the first number of a run skips the used ones too.
        m_form.reset();
        WriteSetting(kMainKey, QStringLiteral("ordernumber"), QString());
        makeForm();
        open(QStringLiteral("笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115003"));
    }

    // Another till sold under the number this panel had handed out for a new order: the order goes
    // on under the next free number, and the order's next line keeps it.
    void aNumberTakenByAnotherTillMovesOn() {
        open(QStringLiteral("铅笔"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115001"));
        m_session->ledger.addSale({.name = "笔", .customerNumber = "2013115001"});
        QSignalSpy customers(panel(), &SalePanel::customerSold);
        confirm();
        QCOMPARE(sales("z").toString(), QStringLiteral("2013115002"));
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115002"));
        QCOMPARE(customers.at(0).at(1).toString(), QStringLiteral("2013115002"));
        QCOMPARE(m_program->salesDetails()->customerFilter(), QStringLiteral("2013115002"));
        open(QStringLiteral("台灯"));
        confirm();
        QCOMPARE(sales("z").toString(), QStringLiteral("2013115002"));
        QTest::mouseClick(w<QPushButton>(QStringLiteral("NextCustomerNumber")), Qt::LeftButton);
        QCOMPARE(edit("CustomerNumber")->text(), QStringLiteral("2013115003"));
    }

    void failureHalfWayChangesNothing() {
        m_session->ledger.refuseWrites(QStringLiteral("insert"), QStringLiteral("data1"), QStringLiteral("disk full"));
        open(QStringLiteral("铅笔"));
        retype(edit("SaleQuantity"), QStringLiteral("3"));
        confirm();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("disk full")));
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("没有保存")));
        QVERIFY(!m_form->successPrompt()->isVisible());
        QCOMPARE(stock(QStringLiteral("铅笔"), "5").toDouble(), 0.0);
        QCOMPARE(stock(QStringLiteral("铅笔"), "7").toDouble(), 10.0);
        QCOMPARE(salesCount(), 0);
        // The panel keeps its input for another try.
        QVERIFY(panel()->isVisible());
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("3"));
        m_session->ledger.allowWrites(QStringLiteral("insert"), QStringLiteral("data1"));
        confirm();
        QCOMPARE(stock(QStringLiteral("铅笔"), "7").toDouble(), 7.0);
        QCOMPARE(salesCount(), 1);
    }

    // Moving the grid's current row while the panel is open cannot redirect the sale.
    void saleStaysOnItsBatch() {
        open(QStringLiteral("铅笔"));
        QTableView* view = grid()->view();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_End);
        QVERIFY(panel()->isVisible());
        QVERIFY(m_program->inventory().query().fieldText(QStringLiteral("a")) != QStringLiteral("铅笔"));
        confirm();
        QCOMPARE(stock(QStringLiteral("铅笔"), "7").toDouble(), 9.0);
        QCOMPARE(stock(QStringLiteral("笔"), "7").toDouble(), 3.0);
        QCOMPARE(stock(QStringLiteral("台灯"), "7").toDouble(), 5.0);
    }

    void closing() {
        open(QStringLiteral("铅笔"));
        retype(edit("SaleQuantity"), QStringLiteral("4"));
        retype(edit("Address"), QStringLiteral("某处"));
        QTest::mouseClick(w<QToolButton>(QStringLiteral("SaleClose")), Qt::LeftButton);
        QVERIFY(!panel()->isVisible());
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("1"));
        QCOMPARE(edit("Address")->text(), QString());
        QVERIFY(!m_program->inventory().controls().stockInPanel->findChild<QPushButton*>(QStringLiteral("Button3"))->isEnabled());

        // A click on another batch closes and clears; a click on the same one does not.
        open(QStringLiteral("铅笔"));
        retype(edit("SaleQuantity"), QStringLiteral("4"));
        QTest::mouseClick(grid()->view()->viewport(), Qt::LeftButton, {}, cellCentre(rowOf(QStringLiteral("铅笔"))));
        QVERIFY(panel()->isVisible());
        QTest::mouseClick(grid()->view()->viewport(), Qt::LeftButton, {}, cellCentre(rowOf(QStringLiteral("笔"))));
        QVERIFY(!panel()->isVisible());
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("1"));

        // "全部记录" hides without clearing.
        open(QStringLiteral("笔"));
        retype(edit("SaleQuantity"), QStringLiteral("2"));
        QTest::mouseClick(w<QPushButton>(QStringLiteral("Button12")), Qt::LeftButton);
        QVERIFY(!panel()->isVisible());
        QCOMPARE(edit("SaleQuantity")->text(), QStringLiteral("2"));
        QCOMPARE(salesCount(), 0);
    }

    void emptyGridOpensNothing() {
        db().exec(QStringLiteral("delete from data"));
        (&m_program->inventory())->showAll();
        QCOMPARE(grid()->rowCount(), 0);
        emit (&m_program->inventory())->saleRequested(0);
        QTest::mouseDClick(grid()->view()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!panel()->isVisible());
    }
};

QTEST_MAIN(SalePanelTest)
#include "test_sale_panel.moc"
