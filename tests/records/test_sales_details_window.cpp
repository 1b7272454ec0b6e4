// SalesDetailsWindow driven through its component names on a temporary database: the month view, the search
// box, the customer-number filter, the column items, the sales record panel with its correction
// and deletion, the statistics tab and the restrictions of an ordinary user.
#include "inventory/column_memory.h"
#include "records/sales_queries.h"
#include "records/ui/sales_charts.h"
#include "records/ui/sales_details_window.h"
#include "records/ui/sales_grid.h"
#include "records/ui/sales_record_panel.h"
#include "store/ledger_events.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "support/test_session.h"
#include "support/test_shots.h"
#include "users/rights.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using namespace salesgrid;

namespace {

// What a chart shows as a person reads it: the texts drawn in its scene and where.
struct DrawnText {
    QString text;
    QRectF box;  // in the chart's scene
};
QVector<DrawnText> drawnTexts(SalesChart* chart) {
    QVector<DrawnText> out;
    for (QGraphicsItem* item : chart->scene()->items()) {
        if (!item->isVisible())
            continue;
        if (auto* t = dynamic_cast<QGraphicsTextItem*>(item))
            out << DrawnText{t->toPlainText(), t->sceneBoundingRect()};
        else if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            out << DrawnText{t->text(), t->sceneBoundingRect()};
    }
    return out;
}

}  // namespace

class SalesDetailsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<SalesDetailsWindow> m_window;

    Database& db() { return m_session->db(); }
    qint64 sale(const QString& name, const QString& day, double quantity, double amount, double profit,
                const QString& customer = {}, const QString& number = {}, const QString& initials = {}) {
        return m_session->ledger.addSale({.name = name, .model = "HB", .code = "P1", .category = "文具",
                                          .nameInitials = initials, .customerName = customer,
                                          .customerNumber = number, .purchasePrice = 10.5,
                                          .price = quantity == 0 ? 0.0 : amount / quantity, .quantity = quantity,
                                          .amount = amount, .profit = profit, .arrears = 0, .date = day,
                                          .stockInDate = "2024-03-01"});
    }
    qint64 batch(const QString& name, double s5, double s6, double s7, double s8) {
        // Bought at 10.5, the purchase price every sale above keeps.
        return m_session->ledger.addBatch({.name = name, .model = "HB", .code = "P1", .category = "文具",
                                           .purchasePrice = 10.5, .sold = s5, .salesTotal = s6, .stock = s7,
                                           .stockAmount = s8, .date = "2024-03-01"});
    }
    SalesDetailsWindow* open() {
        m_window = std::make_unique<SalesDetailsWindow>(m_session->session());
        m_window->showModal();
        return m_window.get();
    }
    template <typename T>
    T* find(const char* name) {
        T* w = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no component %s", name);
        return w;
    }
    QAction* item(const char* name) { return find<QAction>(name); }
    void click(const char* name) { find<QPushButton>(name)->click(); }
    DataGrid* grid() { return m_window->grid(); }
    QStringList shownNames() {
        QStringList out;
        for (int row = 0; row < grid()->rowCount(); ++row)
            out << grid()->cellText(row, kName);
        return out;
    }
    QList<QPair<int, double>> bars(SalesChart* chart) {
        QList<QPair<int, double>> out;
        for (const ChartPoint& p : chart->points())
            out << qMakePair(p.x, p.y);
        return out;
    }
    void doubleClickRow(int row) {
        QWidget* viewport = grid()->view()->viewport();
        const QPoint at = grid()->view()->visualRect(grid()->model()->index(row, kName)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    }
    QString setting(const QString& name) { return ReadSettings(kMainKey).value(name); }
    // Types character by character; characters without a key of their own arrive as input does.
    static void type(QLineEdit* field, const QString& text) {
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80)
                QTest::keyClick(field, char(ch.unicode()));
            else
                field->insert(QString(ch));
        }
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
    }
    void cleanup() {
        m_window.reset();
        m_session.reset();
    }

    void openingShowsThisMonthWithTheLatestSaleSelected() {
        sale(QStringLiteral("二月"), QStringLiteral("2024-02-28"), 1, 10, 1);
        sale(QStringLiteral("三月五"), QStringLiteral("2024-03-05"), 2, 20, 4);
        sale(QStringLiteral("三月一"), QStringLiteral("2024-03-01"), 1, 10, 2);
        sale(QStringLiteral("退货"), QStringLiteral("2024-03-06"), -1, -10, -2);
        open();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("销售明细"));
        QCOMPARE(m_window->tabs()->tabText(0), QStringLiteral("销售明细"));
        QCOMPARE(m_window->tabs()->tabText(1), QStringLiteral("销售统计"));
        QCOMPARE(m_window->tabs()->currentIndex(), 0);
        QCOMPARE(shownNames(), (QStringList{"三月一", "三月五", "退货"}));  // quantity 0 or less included
        QCOMPARE(grid()->currentRow(), 2);
        QVERIFY(!m_window->recordPanel()->isVisible());
        QVERIFY(m_window->salesPage()->isVisible());
        QCOMPARE(find<DateField>("DateEdit2")->dateText(), QStringLiteral("2024-03-20"));
        QCOMPARE(find<DateField>("DateEdit3")->dateText(), QStringLiteral("2024-03-20"));
        // The category list holds the categories of the sales records.
        QCOMPARE(find<QComboBox>("ComboBox4")->count(), 1);
        QCOMPARE(find<QComboBox>("ComboBox4")->itemText(0), QStringLiteral("文具"));
        QCOMPARE(find<QComboBox>("ComboBox4")->currentText(), QString());

        // Titles, hidden customer number, footers.
        QCOMPARE(grid()->columnTitle(kName), QStringLiteral("商 品 信 息| 名 称"));
        QCOMPARE(grid()->columnTitle(kCode), QStringLiteral("商 品 信 息| 编 码"));
        QCOMPARE(grid()->columnTitle(kProfit), QStringLiteral("销 售 信 息|净利润"));
        QCOMPARE(grid()->columnTitle(kRemark), QStringLiteral("客 户|备 注"));
        QVERIFY(grid()->isColumnHidden(kCustomerNumber));
        QCOMPARE(grid()->footerText(kName), QStringLiteral("合计"));
        QCOMPARE(grid()->footerText(kQuantity), QStringLiteral("2"));
        QCOMPARE(grid()->footerText(kAmount), QStringLiteral("20"));
        QCOMPARE(grid()->footerText(kProfit), QStringLiteral("4"));

        // The statistics: this year's lists from 2009, this month's profit per day.
        auto* years = find<QComboBox>("ComboBox1");
        QCOMPARE(years->itemText(0), QStringLiteral("2009"));
        QCOMPARE(years->itemText(years->count() - 1), QStringLiteral("2024"));
        QCOMPARE(years->currentText(), QStringLiteral("2024"));
        QCOMPARE(find<QComboBox>("ComboBox2")->currentText(), QStringLiteral("3"));
        using P = QList<QPair<int, double>>;
        QCOMPARE(bars(m_window->statistics()->monthChart()), (P{{2, 1.0}, {3, 4.0}}));
        QCOMPARE(bars(m_window->statistics()->dayChart()), (P{{1, 2.0}, {5, 4.0}, {6, -2.0}}));
    }

    void aMonthWithoutSalesShowsAnEmptyGrid() {
        sale(QStringLiteral("二月"), QStringLiteral("2024-02-28"), 1, 10, 1);
        open();
        QCOMPARE(grid()->rowCount(), 0);
        QCOMPARE(grid()->currentRow(), -1);
        m_window->openForCorrection();  // nothing to open, nothing said
        QVERIFY(!m_window->recordPanel()->isVisible());
        QVERIFY(m_session->ui.messages.isEmpty());
        click("Button16");
        QCOMPARE(shownNames(), QStringList{"二月"});
    }

    void typingInASearchFieldSearchesAtOnce_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("name initials") << "Edit23" << "qb" << QStringList{"铅笔"};
        QTest::newRow("chinese name") << "Edit23" << "铅笔" << QStringList{"铅笔"};
        QTest::newRow("latin and chinese of a name") << "Edit23" << "Brien的" << QStringList{"O'Brien的笔"};
        QTest::newRow("customer with a quote") << "Edit14" << "O'B" << QStringList{"O'Brien的笔"};
        QTest::newRow("remark finds nothing") << "Edit50" << "x" << QStringList();
    }
    void typingInASearchFieldSearchesAtOnce() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        sale(QStringLiteral("铅笔"), QStringLiteral("2023-01-05"), 1, 3, 1, QStringLiteral("张三"), {}, QStringLiteral("QB"));
        sale(QStringLiteral("O'Brien的笔"), QStringLiteral("2024-03-05"), 1, 3, 1, QStringLiteral("O'Brien"), {},
             QStringLiteral("OBRDB"));
        sale(QStringLiteral("退回的铅笔"), QStringLiteral("2024-03-06"), 0, 0, 0, QStringLiteral("张三"), {},
             QStringLiteral("THDQB"));
        open();
        type(m_window->findChild<QLineEdit*>(field), typed);
        QCOMPARE(shownNames(), found);
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void theCategoryListSearchesAndSortingFollowsTheTitles() {
        sale(QStringLiteral("小"), QStringLiteral("2024-03-01"), 1, 5, 1);
        sale(QStringLiteral("大"), QStringLiteral("2024-03-02"), 1, 50, 1);
        sale(QStringLiteral("中"), QStringLiteral("2024-03-03"), 1, 20, 1);
        open();
        find<QComboBox>("ComboBox4")->setCurrentIndex(0);
        QCOMPARE(shownNames().size(), 3);
        find<QComboBox>("ComboBox4")->setEditText(QStringLiteral("饮料"));
        QCOMPARE(shownNames(), QStringList());
        click("Button3");
        grid()->sortByTitle(kAmount);
        QCOMPARE(shownNames(), (QStringList{"大", "中", "小"}));
        grid()->sortByTitle(kAmount);
        QCOMPARE(shownNames(), (QStringList{"小", "中", "大"}));
        QCOMPARE(grid()->header()->mark(kAmount), BandHeader::Mark::Up);
        click("Button3");  // a new result carries no sort mark
        QCOMPARE(grid()->header()->mark(kAmount), BandHeader::Mark::None);
    }

    void aTickedRangeWithAnEmptyDateSaysSoAndRunsNothing() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 5, 1);
        sale(QStringLiteral("乙"), QStringLiteral("2024-03-20"), 1, 5, 1);
        open();
        find<QCheckBox>("CheckBox6")->setChecked(true);
        QCOMPARE(grid()->rowCount(), 2);  // ticking alone does not search
        find<DateField>("DateEdit2")->clear();
        click("Button4");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"销售日期的起始日期为空，请输入起始日期后再查询！"});
        QCOMPARE(m_session->ui.messages.first().caption, QStringLiteral("Warning"));
        QCOMPARE(m_window->query().statement(), monthViewStatement(QDate(2024, 3, 20)).sql);
        QCOMPARE(grid()->rowCount(), 2);

        find<DateField>("DateEdit2")->setDate(QDate(2024, 3, 1));
        click("Button4");
        QCOMPARE(shownNames(), (QStringList{"甲", "乙"}));
        click("Button19");  // "当 天" with the from-date the user chose
        QCOMPARE(shownNames(), (QStringList{"甲", "乙"}));
        find<DateField>("DateEdit2")->setDate(QDate(2024, 3, 20));
        click("Button19");
        QCOMPARE(shownNames(), QStringList{"乙"});
    }

    void todayTicksTheDateRange() {
        sale(QStringLiteral("昨天"), QStringLiteral("2024-03-19"), 1, 5, 1);
        sale(QStringLiteral("今天"), QStringLiteral("2024-03-20"), 1, 5, 1);
        sale(QStringLiteral("今天退货"), QStringLiteral("2024-03-20"), 0, 0, 0);
        open();
        click("Button19");
        QVERIFY(find<QCheckBox>("CheckBox6")->isChecked());
        QCOMPARE(shownNames(), QStringList{"今天"});
    }

    void clearingEmptiesTheFieldsAndUnticksTheRange() {
        sale(QStringLiteral("铅笔"), QStringLiteral("2024-03-05"), 1, 3, 1, QStringLiteral("张三"), {}, QStringLiteral("QB"));
        open();
        find<QCheckBox>("CheckBox6")->setChecked(true);
        find<DateField>("DateEdit3")->clear();  // an unusable range is dropped without a message
        type(find<QLineEdit>("Edit14"), QStringLiteral("张"));
        m_session->ui.clear();
        click("Button15");
        for (const char* name : {"Edit23", "Edit14", "Edit25", "Edit29", "Edit50"})
            QVERIFY(find<QLineEdit>(name)->text().isEmpty());
        QVERIFY(find<QComboBox>("ComboBox4")->currentText().isEmpty());
        QVERIFY(!find<QCheckBox>("CheckBox6")->isChecked());
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void theCustomerNumberFilterListsOneOrder() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 10, 1, {}, QStringLiteral("20240305-001"));
        sale(QStringLiteral("乙"), QStringLiteral("2024-03-05"), 1, 20.5, 1, {}, QStringLiteral("20240305-001"));
        sale(QStringLiteral("丙"), QStringLiteral("2024-03-06"), 1, 3, 1, {}, QStringLiteral("20240306-001"));
        open();
        type(find<QLineEdit>("Edit2"), QStringLiteral(" 0305-001"));
        QCOMPARE(shownNames(), (QStringList{"甲", "乙"}));
        QCOMPARE(grid()->footerText(kAmount), QStringLiteral("30.5"));
        // The sale panel sets the number again after a sale and the month view: listed afresh.
        click("Button3");
        QCOMPARE(shownNames().size(), 3);
        m_window->setCustomerFilter(QStringLiteral(" 0305-001"));
        QCOMPARE(shownNames(), (QStringList{"甲", "乙"}));
        m_window->setCustomerFilter(QStringLiteral("20240306"));
        QCOMPARE(m_window->customerFilter(), QStringLiteral("20240306"));
        QCOMPARE(shownNames(), QStringList{"丙"});
    }

    void columnItemsToggleTheirColumnsAndRememberIt() {
        open();
        QMenu* menu = m_window->gridMenu();
        QStringList captions;
        for (QAction* a : menu->actions())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, (QStringList{"POS小票(销售单)打印", "-", "修 改 ", "删 除", "导出Excel", "打 印", "-",
                                        "隐藏销售单价", "隐藏销售日期", "隐藏欠款", "隐藏净利润", "-",
                                        "隐藏全部客户信息", "显示客户编号", "隐藏客户名称", "隐藏联系方式",
                                        "隐藏地址", "隐藏备注", "-", "全部显示"}));
        QCOMPARE(item("SalesDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
        QCOMPARE(item("SalesExport")->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));

        item("N5")->trigger();
        QVERIFY(grid()->isColumnHidden(kPrice));
        QVERIFY(item("N5")->isChecked());
        QCOMPARE(setting("xiaoshouyin1"), QStringLiteral("yes"));
        item("N5")->trigger();
        QVERIFY(!grid()->isColumnHidden(kPrice));
        QCOMPARE(setting("xiaoshouyin1"), QStringLiteral("no"));

        item("N10")->trigger();  // checked means shown
        QVERIFY(!grid()->isColumnHidden(kCustomerNumber));
        QCOMPARE(setting("xiaoshouyin6"), QStringLiteral("yes"));

        item("N6")->trigger();
        for (int c : {kCustomerName, kContact, kAddress, kRemark})
            QVERIFY(grid()->isColumnHidden(c));
        QCOMPARE(setting("xiaoshouyin5"), QStringLiteral("yes"));
        QVERIFY(!item("N9")->isChecked());  // the single items keep their marks

        item("N10")->trigger();
        item("N11")->trigger();
        item("SalesShowAll")->trigger();
        for (int c = kModel; c <= kRemark; ++c)
            QCOMPARE(grid()->isColumnHidden(c), c == kCustomerNumber);
        QVERIFY(item("N6")->isChecked());  // marks and settings unchanged
        QCOMPARE(setting("xiaoshouyin4"), QStringLiteral("yes"));
    }

    void rememberedItemsAreReappliedInTheirOrder_data() {
        QTest::addColumn<QStringList>("values");  // name=value
        QTest::addColumn<QList<int>>("hidden");
        QTest::addColumn<QStringList>("ticked");
        QTest::newRow("all customers, name shown again")
            << QStringList{"xiaoshouyin5=yes", "xiaoshouyin7=no"} << QList<int>{kCustomerNumber, kContact, kAddress, kRemark}
            << QStringList{"N6"};
        QTest::newRow("customer number shown") << QStringList{"xiaoshouyin6=yes"} << QList<int>() << QStringList{"N10"};
        QTest::newRow("customer number hidden") << QStringList{"xiaoshouyin6=no"} << QList<int>{kCustomerNumber}
                                                << QStringList();
        QTest::newRow("other texts change nothing") << QStringList{"xiaoshouyin1=YES", "xiaoshouyin2=1"}
                                                    << QList<int>{kCustomerNumber} << QStringList();
        QTest::newRow("price, date, arrears, profit")
            << QStringList{"xiaoshouyin1=yes", "xiaoshouyin2=yes", "xiaoshouyin3=yes", "xiaoshouyin4=yes"}
            << QList<int>{kPrice, kDate, kArrears, kProfit, kCustomerNumber} << QStringList{"N5", "N13", "N12", "N11"};
        QTest::newRow("contact, address, remark")
            << QStringList{"xiaoshouyin8=yes", "xiaoshouyin9=yes", "xiaoshouyin10=yes"}
            << QList<int>{kCustomerNumber, kContact, kAddress, kRemark} << QStringList{"N8", "N16", "N17"};
    }
    void rememberedItemsAreReappliedInTheirOrder() {
        QFETCH(QStringList, values);
        QFETCH(QList<int>, hidden);
        QFETCH(QStringList, ticked);
        for (const QString& v : values)
            WriteSetting(kMainKey, v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        open();
        m_window->reapplyColumnMemory(ReadSettings(kMainKey));
        for (int c = 0; c < kColumnCount; ++c)
            QVERIFY2(grid()->isColumnHidden(c) == hidden.contains(c), qPrintable(QString::number(c)));
        for (const ColumnMemoryItem& i : salesColumnMemory())
            QVERIFY2(item(i.item.toLatin1().constData())->isChecked() == ticked.contains(i.item), qPrintable(i.item));
    }

    void theCorrectionWritesArrearsAndCustomerOfTheShownSale() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 2, 40, 19, QStringLiteral("张三"), QStringLiteral("N1"));
        const qint64 id = sale(QStringLiteral("乙"), QStringLiteral("2024-03-06"), 3, 7.5, 1.5);
        open();
        doubleClickRow(1);
        SalesRecordPanel* panel = m_window->recordPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->recordId(), id);
        QVERIFY(find<QPushButton>("Button12")->isVisible());
        QVERIFY(!find<QPushButton>("Button6")->isVisible());
        QCOMPARE(panel->shownValue("a"), QStringLiteral("乙"));
        QCOMPARE(panel->shownValue("2"), QStringLiteral("2.5"));
        QCOMPARE(panel->shownValue("3"), QStringLiteral("3"));
        QCOMPARE(panel->shownValue("4"), QStringLiteral("7.5"));
        QCOMPARE(panel->shownValue("day1"), QStringLiteral("2024-03-06"));
        QCOMPARE(find<QLineEdit>("Edit8")->text(), QStringLiteral("0"));

        auto* arrears = find<QLineEdit>("Edit8");
        arrears->clear();
        type(arrears, QStringLiteral("1a2.5-"));  // only digits and "." get in
        QCOMPARE(arrears->text(), QStringLiteral("12.5"));
        QApplication::setActiveWindow(m_window.get());
        arrears->setFocus();
        QTest::keyClick(arrears, Qt::Key_Return);
        QTRY_VERIFY(find<QLineEdit>("Edit13")->hasFocus());
        find<QLineEdit>("Edit13")->setText(QStringLiteral(" 20240306-001 "));
        find<QLineEdit>("Edit9")->setText(QStringLiteral(" O'Neil "));
        find<QLineEdit>("Edit10")->setText(QStringLiteral("东门路"));
        find<QLineEdit>("Edit11")->setText(QStringLiteral("138"));
        find<QLineEdit>("Edit12")->setText(QStringLiteral("急"));
        click("Button12");
        QVERIFY(panel->isVisible());
        QVERIFY(m_session->ui.messages.isEmpty());
        const QVariantList stored = {db().scalar(QStringLiteral("select [6] from data1 where ID=?"), {id}),
                                     db().scalar(QStringLiteral("select z||'|'||g||'|'||h||'|'||i||'|'||j from data1 where ID=?"), {id})};
        QCOMPARE(stored[0].toDouble(), 12.5);
        QCOMPARE(stored[1].toString(), QStringLiteral("20240306-001|O'Neil|东门路|138|急"));
        QCOMPARE(grid()->footerText(kArrears), QStringLiteral("12.5"));
        QCOMPARE(db().scalar(QStringLiteral("select [6] from data1 where a='甲'")).toDouble(), 0.0);

        // An empty arrears field stops before anything is written.
        arrears->clear();
        find<QLineEdit>("Edit9")->setText(QStringLiteral("别人"));
        click("Button12");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(db().scalar(QStringLiteral("select g from data1 where ID=?"), {id}).toString(), QStringLiteral("O'Neil"));
        // So does a pasted text that is no plain amount.
        for (const QString& pasted : {QStringLiteral("nan"), QStringLiteral("inf"), QStringLiteral("1e2")}) {
            m_session->ui.clear();
            arrears->setText(pasted);
            click("Button12");
            QCOMPARE(m_session->ui.messages.size(), 1);
            QCOMPARE(db().scalar(QStringLiteral("select [6] from data1 where ID=?"), {id}).toDouble(), 12.5);
        }
    }

    void thePanelBelongsToItsRow() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 1, 1);
        sale(QStringLiteral("乙"), QStringLiteral("2024-03-06"), 1, 1, 1);
        open();
        doubleClickRow(0);
        QVERIFY(m_window->recordPanel()->isVisible());
        QTest::mouseClick(grid()->view()->viewport(), Qt::LeftButton, {},
                          grid()->view()->visualRect(grid()->model()->index(0, kAmount)).center());
        QVERIFY(m_window->recordPanel()->isVisible());  // same row: stays
        grid()->setCurrentRow(1);
        QTest::keyClick(grid()->view(), Qt::Key_Up);
        QTest::keyClick(grid()->view(), Qt::Key_Down);
        QVERIFY(!m_window->recordPanel()->isVisible());  // another row: closes
        QCOMPARE(m_window->recordPanel()->recordId(), -1);

        doubleClickRow(0);
        grid()->sortByTitle(kName);
        QVERIFY(!m_window->recordPanel()->isVisible());  // a title click closes it too
    }

    // 5 sold for 100, 3 left worth 31.5; the sale of 2 at purchase price 10.5 for 40 is deleted.
    void deletingASaleGivesItsStockBack() {
        const qint64 stock = batch(QStringLiteral("铅笔"), 5, 100, 3, 31.5);
        const qint64 pen = batch(QStringLiteral("笔"), 1, 1, 1, 1);
        sale(QStringLiteral("铅笔"), QStringLiteral("2024-03-04"), 2, 40, 19, QStringLiteral("甲"), {}, QStringLiteral("QB"));
        sale(QStringLiteral("笔"), QStringLiteral("2024-03-05"), 1, 8, 1, QStringLiteral("乙"), {}, QStringLiteral("B"));
        open();
        type(find<QLineEdit>("Edit23"), QStringLiteral("qb"));
        QCOMPARE(shownNames(), QStringList{"铅笔"});
        QSignalSpy deleted(&db().events(), &LedgerEvents::saleDeleted);
        item("SalesDelete")->trigger();
        QVERIFY(find<QPushButton>("Button6")->isVisible());
        QVERIFY(!find<QPushButton>("Button12")->isVisible());
        click("Button6");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"删除销售记录成功！"});
        QCOMPARE(deleted.count(), 1);
        QVERIFY(!m_window->recordPanel()->isVisible());
        QCOMPARE(shownNames(), QStringList{"笔"});  // the month view, whatever the search was
        QStringList figures;
        for (const ColumnStore& column : db().read(QStringLiteral("select [5],[6],[7],[8] from data where id=?"), {stock}))
            figures << QString::number(column.number(0));
        QCOMPARE(figures.join(QLatin1Char('|')), QStringLiteral("3|60|5|52.5"));
        QCOMPARE(db().scalar(QStringLiteral("select [5] from data where id=?"), {pen}).toDouble(), 1.0);
        using P = QList<QPair<int, double>>;
        QCOMPARE(bars(m_window->statistics()->dayChart()), (P{{5, 1.0}}));  // the charts are re-run
    }

    void aFailedDeletionChangesNothingAndSaysWhy() {
        const qint64 stock = batch(QStringLiteral("笔"), 5, 100, 3, 30);
        sale(QStringLiteral("笔"), QStringLiteral("2024-03-05"), 1, 20, 9.5);
        m_session->ledger.refuseWrites(QStringLiteral("delete"), QStringLiteral("data1"), QStringLiteral("记录被锁定"));
        open();
        m_window->openForDeletion();
        click("Button6");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("记录被锁定")));
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data1")).toInt(), 1);
        QCOMPARE(db().scalar(QStringLiteral("select [7] from data where id=?"), {stock}).toDouble(), 3.0);
        QCOMPARE(grid()->rowCount(), 1);
    }

    void anOrdinaryUserCanSearchButNotCorrectDeleteOrSeeProfit() {
        m_session->session().grantRights(Rights::forUser(QStringLiteral("营业员")));
        WriteSetting(kMainKey, QStringLiteral("xiaoshouyin4"), QStringLiteral("no"));
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 10, 3);
        open();
        for (const char* name : {"SalesDelete", "SalesModify", "SalesShowAll", "N11"})
            QVERIFY2(!item(name)->isVisible(), name);
        QVERIFY(item("SalesExport")->isVisible());
        QVERIFY(grid()->isColumnHidden(kProfit));
        m_window->reapplyColumnMemory(ReadSettings(kMainKey));
        QVERIFY(grid()->isColumnHidden(kProfit));
        // The statistics page offers nothing such a user may use: it is not shown, and its charts
        // are not drawn behind it.
        QVERIFY(!m_window->tabs()->isTabVisible(m_window->tabs()->indexOf(find<QWidget>("TabSheet2"))));
        QVERIFY(m_window->statistics()->monthChart()->points().isEmpty());

        doubleClickRow(0);
        QVERIFY(!m_window->recordPanel()->isVisible());
        m_window->openForDeletion();
        QVERIFY(!m_window->recordPanel()->isVisible());
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data1")).toInt(), 1);
    }

    // Amounts of real size: each bar's value as a two-decimal amount, the value axis in plain
    // numbers, December's bar and its amount whole, and a full month's day labels all shown
    // without running into each other.
    void chartLabelsAreReadableAmounts() {
        sale(QStringLiteral("甲"), QStringLiteral("2014-05-03"), 1, 18169.95, 10);
        sale(QStringLiteral("乙"), QStringLiteral("2014-12-31"), 1, 1334560, 10);
        for (int d = 1; d <= 31; ++d)
            sale(QStringLiteral("丙"), QStringLiteral("2014-07-%1").arg(d, 2, 10, QLatin1Char('0')), 1, 12345.67 + d, 1);
        open();
        m_window->resize(1000, 640);
        m_window->tabs()->setCurrentIndex(1);
        SalesChart* month = m_window->statistics()->monthChart();
        SalesChart* day = m_window->statistics()->dayChart();
        find<QComboBox>("ComboBox1")->setCurrentText(QStringLiteral("2014"));
        click("Button13");
        find<QComboBox>("ComboBox3")->setCurrentText(QStringLiteral("2014"));
        find<QComboBox>("ComboBox2")->setCurrentText(QStringLiteral("7"));
        click("Button14");
        QCoreApplication::processEvents();
        saveTestShot(m_window.get(), QStringLiteral("sales-charts"));

        QStringList values;
        for (QGraphicsSimpleTextItem* label : month->valueLabels())
            values << label->text();
        QCOMPARE(values, (QStringList{QStringLiteral("18169.95"), QStringLiteral("383211.77"), QStringLiteral("1334560.00")}));
        const QRectF plot = month->chart()->plotArea();
        const QRectF scene = month->chart()->sceneBoundingRect();
        for (const DrawnText& t : drawnTexts(month)) {
            QVERIFY2(!t.text.contains(QLatin1Char('e')), qPrintable(t.text));
            QVERIFY2(scene.contains(t.box), qPrintable(t.text));
        }
        for (QGraphicsSimpleTextItem* label : month->valueLabels())
            QVERIFY2(plot.contains(label->sceneBoundingRect()), qPrintable(label->text()));
        // The value axis counts up past the December bar in whole figures.
        bool plainTick = false;
        for (const DrawnText& t : drawnTexts(month))
            plainTick = plainTick || (t.text.toDouble() >= 1000000 && !t.text.contains(QLatin1Char('.')));
        QVERIFY(plainTick);
        // Every bar inside the plot, December's too.
        int bars = 0;
        for (QGraphicsItem* item : month->scene()->items())
            if (auto* bar = dynamic_cast<QGraphicsRectItem*>(item); bar && bar->isVisible() && bar->rect().height() > 1 &&
                                                                    bar->brush().color() == QColor(255, 255, 0)) {
                ++bars;
                QVERIFY2(plot.adjusted(-0.5, -0.5, 0.5, 0.5).contains(bar->sceneBoundingRect()),
                         qPrintable(QStringLiteral("bar at %1").arg(bar->sceneBoundingRect().center().x())));
            }
        QCOMPARE(bars, 3);

        // A full month: 31 amounts and 31 day labels, none over another.
        QCOMPARE(day->valueLabels().size(), 31);
        QCOMPARE(day->valueLabels().last()->text(), QStringLiteral("12376.67"));
        QVector<QRectF> boxes;
        QStringList days;
        for (const DrawnText& t : drawnTexts(day))
            if (t.text.endsWith(QStringLiteral("日")) && t.text != day->title()) {
                days << t.text;
                boxes << t.box;
            }
        QVERIFY2(days.size() == 31, qPrintable(days.join(QLatin1Char(','))));
        for (QGraphicsSimpleTextItem* label : day->valueLabels()) {
            boxes << label->sceneBoundingRect();
            QVERIFY2(day->chart()->plotArea().contains(label->sceneBoundingRect()), qPrintable(label->text()));
        }
        for (int a = 0; a < boxes.size(); ++a)
            for (int b = a + 1; b < boxes.size(); ++b)
                QVERIFY2(!boxes[a].adjusted(0.5, 0.5, -0.5, -0.5).intersects(boxes[b]),
                         qPrintable(QStringLiteral("texts %1 and %2 overlap").arg(a).arg(b)));
    }

    // Sales of 100 and 50 on 2014-05-03 and of 20 on 2014-06-01 with profits 10, 5 and 2.
    void theChartsFollowTheirListsAndButtons() {
        sale(QStringLiteral("甲"), QStringLiteral("2014-05-03"), 1, 100, 10);
        sale(QStringLiteral("乙"), QStringLiteral("2014-05-03"), 1, 50, 5);
        sale(QStringLiteral("丙"), QStringLiteral("2014-06-01"), 1, 20, 2);
        open();
        QCOMPARE(find<QComboBox>("ComboBox1")->itemText(0), QStringLiteral("2009"));
        using P = QList<QPair<int, double>>;
        SalesChart* month = m_window->statistics()->monthChart();
        SalesChart* day = m_window->statistics()->dayChart();
        QVERIFY(month->points().isEmpty());  // nothing in 2024
        // Enter in the year list runs the month's profit query on the statistics page.
        m_window->tabs()->setCurrentIndex(1);
        auto* monthYear = find<QComboBox>("ComboBox1");
        monthYear->setCurrentText(QStringLiteral("2014"));
        monthYear->setFocus();
        QTest::keyClick(monthYear, Qt::Key_Return);
        QCOMPARE(bars(month), (P{{5, 15.0}, {6, 2.0}}));
        m_window->tabs()->setCurrentIndex(0);
        month->setPoints({});
        click("Button1");
        QCOMPARE(bars(month), (P{{5, 15.0}, {6, 2.0}}));
        click("Button13");
        QCOMPARE(bars(month), (P{{5, 150.0}, {6, 20.0}}));
        find<QComboBox>("ComboBox3")->setCurrentText(QStringLiteral("2014"));
        find<QComboBox>("ComboBox2")->setCurrentText(QStringLiteral("5"));
        click("Button2");
        QCOMPARE(bars(day), (P{{3, 15.0}}));
        click("Button14");
        QCOMPARE(bars(day), (P{{3, 150.0}}));
        QCOMPARE(month->title(), QStringLiteral("月销售报表统计"));
        QCOMPARE(day->title(), QStringLiteral("日销售报表统计"));
        QVERIFY(!month->chart()->legend()->isVisible());
        // Fixed bottom axes with a slot for each of 12 months and 31 days, no grid lines anywhere.
        QCOMPARE(month->bottomAxis()->min(), 0.5);
        QCOMPARE(month->bottomAxis()->max(), 12.5);
        QCOMPARE(month->bottomAxis()->categoriesLabels().first(), QStringLiteral("1月"));
        QCOMPARE(month->bottomAxis()->categoriesLabels().last(), QStringLiteral("12月"));
        QCOMPARE(day->bottomAxis()->max(), 31.5);
        QCOMPARE(day->bottomAxis()->categoriesLabels().size(), 31);
        QCOMPARE(day->bottomAxis()->categoriesLabels().last(), QStringLiteral("31日"));
        for (SalesChart* chart : {month, day}) {
            QVERIFY(!chart->bottomAxis()->isGridLineVisible());
            QVERIFY(!chart->leftAxis()->isGridLineVisible());
        }

        // A typed text that is no year: a clear message, an empty chart.
        find<QComboBox>("ComboBox1")->setCurrentText(QStringLiteral("abc"));
        click("Button1");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("abc")));
        QVERIFY(month->points().isEmpty());
        find<QComboBox>("ComboBox2")->setCurrentText(QStringLiteral("13"));
        click("Button2");
        QCOMPARE(m_session->ui.messages.size(), 2);
        QVERIFY(day->points().isEmpty());
    }

    void closingReleasesTheRowsAndTellsTheOwner() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 10, 3);
        open();
        QSignalSpy closed(m_window.get(), &SalesDetailsWindow::closed);
        m_window->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!m_window->query().isOpen());
        QVERIFY(!m_window->statistics()->monthQuery());
        QCOMPARE(grid()->rowCount(), 0);
        m_window->showModal();  // each opening shows the current month afresh
        QCOMPARE(grid()->rowCount(), 1);
    }

    void theCompanyFieldsAreReadAndRemembered() {
        open();
        saveTestShot(m_window.get(), QStringLiteral("sales-details"));
        QCOMPARE(m_window->companyName(), QStringLiteral("Tovrakel"));
        QVERIFY(!m_window->addressLine().isEmpty());
        type(find<QLineEdit>("CompanyName"), QStringLiteral("号"));
        QCOMPARE(setting("company"), QStringLiteral("Tovrakel号"));
        WriteSetting(kMainKey, QStringLiteral("address"), QStringLiteral("电话 123"));
        m_window->close();
        m_window->showModal();
        QCOMPARE(m_window->companyName(), QStringLiteral("Tovrakel号"));
        QCOMPARE(m_window->addressLine(), QStringLiteral("电话 123"));
    }

    void exportingWritesTheListedSales() {
        sale(QStringLiteral("甲"), QStringLiteral("2024-03-05"), 1, 10, 3);
        open();
        const QString file = m_session->file(QStringLiteral("sales.xls"));
        m_session->ui.fileAnswers.enqueue(file);
        item("SalesExport")->trigger();
        QVERIFY(QFileInfo::exists(file));
        QVERIFY(QFileInfo(file).size() > 0);
    }
};

QTEST_MAIN(SalesDetailsWindowTest)
#include "test_sales_details_window.moc"
