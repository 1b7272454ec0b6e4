// The inventory in the main window, driven as a user would through the component names: the grid,
// its search box and display modes, the alarm colour, the stock-in panel and the column memory.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "store/ledger_events.h"
#include "support/test_session.h"
#include "support/test_shots.h"
#include "text/pinyin.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QtTest>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

struct Batch {
    QString name, model, code, category, initials;
    QVariant price, quantity, amount, salesPrice, sold, salesTotal, stock, stockAmount;
    QString date, supplier;
};

// Nine batches in stock-in date order; the alarm quantity 5 makes the marked ones red.
const QList<Batch> kBatches = {
    {"苹果", "红富士", "P001", "水果", "pg", 2.5, 10, 25, 4, 4, 16, 6, 15, "2024-01-10", "果园"},
    {"香蕉", "海南", "X001", "水果", "xj", 3, 5, 15, 5, 0, 0, 5.4, 16.2, "2024-02-01", "果园"},        // red
    {"梨", "雪花", "L001", "水果", "l", 2, 8, 16, 3, 2, 6, 5.5, 11, "2024-02-15", "果园"},
    {"桃", "水蜜", "T001", "水果", "t", 4, 6, 24, 6, 0, 0, 5.6, 22.4, "2024-03-01", "桃园"},
    {"李子", "三华", "LZ01", "水果", "lz", 6, 9, 54, 8, 4.5, 36, 4.5, 27, "2024-03-02", "果园"},    // red
    {"O'Neil 数据线", "USB-C", "ON-1", "配件", "o'neil sjx", 9.9, 60, 594, 19.9, 65, 1293.5, -5, -49.5,
     "2024-03-03", "Cable Co."},                                                                    // red
    {"空库存", "A", "K001", "杂货", "kkc", 1, 3, 3, 2, 3, 6, 0, 0, "2024-03-04", "杂货铺"},           // red
    {"未进货", "B", "W001", "杂货", "wjh", 1, 0, 0, 2, 0, 0, 0, 0, "2024-03-04", "杂货铺"},           // red
    {"空数量", "C", "E001", "杂货", "ksl", 1, 1, 1, 2, 0, 0, QVariant(), QVariant(), "2024-03-05", "杂货铺"},  // red
};

}  // namespace

class InventoryWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window

    template <typename T>
    T* w(const char* name) {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) { return w<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return w<QComboBox>(name); }
    QPushButton* button(const char* name) { return w<QPushButton>(name); }
    QAction* action(const char* name) { return w<QAction>(name); }
    DataGrid* grid() { return w<DataGrid>("DataGrid1"); }
    QWidget* panel() { return m_program->inventory().controls().stockInPanel; }
    Database& db() { return m_session->db(); }

    void insert(const Batch& b) {
        m_session->ledger.addBatch({.name = b.name, .model = b.model, .code = b.code, .category = b.category,
                                    .nameInitials = b.initials, .modelInitials = PinyinInitials(b.model),
                                    .supplier = b.supplier, .purchasePrice = b.price, .quantity = b.quantity,
                                    .purchaseAmount = b.amount, .salesPrice = b.salesPrice, .sold = b.sold,
                                    .salesTotal = b.salesTotal, .stock = b.stock, .stockAmount = b.stockAmount,
                                    .date = b.date});
    }
    QStringList names() {
        QStringList list;
        for (int r = 0; r < grid()->rowCount(); ++r)
            list << grid()->cellText(r, 0);
        return list;
    }
    int rowOf(const QString& name) { return int(names().indexOf(name)); }
    bool isRed(const QString& name) {
        const QVariant colour = grid()->model()->data(grid()->model()->index(rowOf(name), 0), Qt::ForegroundRole);
        return colour.isValid() && qvariant_cast<QBrush>(colour).color() == QColor(255, 0, 0);
    }
    QStringList redNames() {
        QStringList red;
        for (const QString& n : names())
            if (isRed(n))
                red << n;
        return red;
    }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTableView* view = grid()->view();
        QTest::mouseClick(view->viewport(), button, {}, view->visualRect(grid()->model()->index(row, 0)).center());
    }
    void clickTitle(int column) {
        BandHeader* header = grid()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() - 5));
    }
    void retype(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, text);
    }
    QVariant stored(const QString& name, const QString& column) {
        return db().scalar(QStringLiteral("select \"%1\" from data where a=?").arg(column), {name});
    }
    int resetsDuring(const std::function<void()>& action) {
        int resets = 0;
        auto c = connect(grid()->model(), &QAbstractItemModel::modelReset, this, [&resets] { ++resets; });
        action();
        disconnect(c);
        return resets;
    }
    bool focused(QWidget* widget) {
        QWidget* f = QApplication::focusWidget();
        return f == widget || (f && widget->isAncestorOf(f));
    }
    void showMain() {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void shot(const QString& name) { saveTestShot(m_form.get(), name); }
    void fillNewEntry() {
        combo("ComboBox3")->setEditText(QStringLiteral("新品"));
        combo("ComboBox5")->setEditText(QStringLiteral("N1"));
        combo("ComboBox2")->setEditText(QStringLiteral("杂货"));
        retype(edit("Edit15"), QStringLiteral("2.5"));
        retype(edit("Edit1"), QStringLiteral("3"));
        retype(edit("Edit9"), QStringLiteral("4"));
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        for (const Batch& b : kBatches)
            insert(b);
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        showMain();
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void menuItemsAreWired() {
        for (const char* name : {"NewStockIn", "GridNewStockIn", "GridModify", "GridDelete", "GridShowAll", "N5",
                                 "N31", "N6", "N9", "N10", "N7"})
            QVERIFY2(action(name)->isEnabled(), name);
        QCOMPARE(grid()->toolTip(), QStringLiteral("点列标题进行排序，双击记录进行销售"));
        QCOMPARE(m_form->gridArea(), grid());
        QCOMPARE(grid()->height(), 473);
        QCOMPARE(grid()->columnTitle(0), QStringLiteral("商 品 信 息|名 称"));
        QCOMPARE(grid()->columnTitle(12), QStringLiteral("备 注|入库日期"));
        QVERIFY(m_session->ui.messages.isEmpty());
        shot(QStringLiteral("inventory"));
    }

    void showAllListsEveryBatchAndEndsOnTheLast() {
        QCOMPARE(names(), (QStringList{"苹果", "香蕉", "梨", "桃", "李子", "O'Neil 数据线", "空库存", "未进货", "空数量"}));
        QCOMPARE(grid()->currentRow(), 8);
        QCOMPARE(grid()->view()->currentIndex().row(), 8);
        QCOMPARE(grid()->footerText(0), QStringLiteral("总计"));
        QCOMPARE(grid()->footerText(4), QStringLiteral("102"));   // purchased
        QCOMPARE(grid()->footerText(7), QStringLiteral("78.5"));  // sold
        QCOMPARE(grid()->cellText(rowOf("未进货"), 4), QString());  // "#.###": zero shows empty
        QCOMPARE(grid()->cellText(rowOf("李子"), 7), QStringLiteral("4.5"));
        QCOMPARE(grid()->cellText(rowOf("O'Neil 数据线"), 11), QStringLiteral("-49.5"));

        // The pick lists are refilled and their texts emptied; the typed search fields keep theirs.
        combo("ComboBox1")->setEditText(QStringLiteral("水"));
        combo("ComboBox8")->setEditText(QStringLiteral("果"));
        QTest::keyClicks(edit("Edit29"), QStringLiteral("zzz"));
        QCOMPARE(grid()->rowCount(), 0);
        m_form->salePanel()->show();
        QTest::mouseClick(button("Button12"), Qt::LeftButton);
        QCOMPARE(grid()->rowCount(), 9);
        QCOMPARE(combo("ComboBox1")->currentText(), QString());
        QCOMPARE(combo("ComboBox8")->currentText(), QString());
        QCOMPARE(edit("Edit29")->text(), QStringLiteral("zzz"));
        QVERIFY(!m_form->salePanel()->isVisible());
        QCOMPARE(combo("ComboBox2")->count(), 3);  // distinct categories
        QCOMPARE(combo("ComboBox3")->count(), 9);
        QCOMPARE(combo("ComboBox6")->count(), 4);
        QCOMPARE(combo("ComboBox8")->count(), 4);
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void alarmColouring() {
        QCOMPARE(edit("Edit43")->text(), QStringLiteral("5"));
        QCOMPARE(redNames(), (QStringList{"香蕉", "李子", "O'Neil 数据线", "空库存", "未进货", "空数量"}));
        retype(edit("Edit43"), QStringLiteral("4"));  // 4.5 rounds to 4, 5.4 to 5
        QCOMPARE(redNames(), (QStringList{"李子", "O'Neil 数据线", "空库存", "未进货", "空数量"}));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("number")), QStringLiteral("4"));
        retype(edit("Edit43"), QStringLiteral("0"));
        QCOMPARE(redNames(), (QStringList{"O'Neil 数据线", "空库存", "未进货", "空数量"}));
        // Beyond whole numbers: the largest one, every batch red.
        retype(edit("Edit43"), QStringLiteral("999999999999999999999999"));
        QCOMPARE(redNames(), names());
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void alarmFieldTakesDigitsAndEmptiesToZero() {
        retype(edit("Edit43"), QStringLiteral("1a.-2"));
        QCOMPARE(edit("Edit43")->text(), QStringLiteral("12"));
        retype(edit("Edit43"), QString());
        QCOMPARE(edit("Edit43")->text(), QStringLiteral("0"));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("number")), QStringLiteral("0"));
        QCOMPARE(edit("Edit43")->toolTip(), QStringLiteral("修改库存报警数量，记录变成红色"));
    }

    void zeroStockModeKeepsNegatives() {
        QTest::mouseClick(w<QCheckBox>("CheckBox1"), Qt::LeftButton);
        QCOMPARE(names(), (QStringList{"苹果", "香蕉", "梨", "桃", "李子", "O'Neil 数据线"}));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("n0")), QStringLiteral("no"));
        QCOMPARE(grid()->currentRow(), 5);
        // A search starts from the same condition.
        QTest::keyClicks(edit("Edit23"), QStringLiteral("k"));
        QCOMPARE(names(), QStringList{});  // 空库存 and 空数量 have no stock
        retype(edit("Edit23"), QString());
        QCOMPARE(names().size(), 6);

        QTest::mouseClick(w<QCheckBox>("CheckBox1"), Qt::LeftButton);
        QCOMPARE(names().size(), 9);
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("n0")), QStringLiteral("yes"));
    }

    void showAllModeSearchNeedsPurchases() {
        QTest::mouseClick(button("Button7"), Qt::LeftButton);
        QVERIFY(!names().contains(QStringLiteral("未进货")));  // purchased 0: never found by a search
        QCOMPARE(names().size(), 8);
    }

    void everyTypedLetterSearches() {
        const int searches = resetsDuring([&] { QTest::keyClicks(edit("Edit23"), QStringLiteral("o'n")); });
        QCOMPARE(searches, 3);
        QCOMPARE(names(), QStringList{"O'Neil 数据线"});  // the quote is a character like any other
        retype(edit("Edit23"), QStringLiteral("L"));  // capitals find the same
        QCOMPARE(names(), (QStringList{"梨", "李子", "O'Neil 数据线", "空数量"}));
        QTest::keyClicks(edit("Edit25"), QStringLiteral("Z"));
        QCOMPARE(names(), QStringList{"李子"});
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void nameAndModelAreFoundByTextOrInitials_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("chinese name") << "Edit23" << "香蕉" << QStringList{"香蕉"};
        QTest::newRow("part of a chinese name") << "Edit23" << "库存" << QStringList{"空库存"};
        QTest::newRow("name initials") << "Edit23" << "pg" << QStringList{"苹果"};
        QTest::newRow("latin letters of a name") << "Edit23" << "NEIL" << QStringList{"O'Neil 数据线"};
        QTest::newRow("latin and chinese of a name") << "Edit23" << "Neil 数据" << QStringList{"O'Neil 数据线"};
        QTest::newRow("initials and chinese mixed") << "Edit23" << "p果" << QStringList();
        QTest::newRow("chinese model") << "Edit29" << "富士" << QStringList{"苹果"};
        QTest::newRow("model initials") << "Edit29" << "hn" << QStringList{"香蕉"};
        QTest::newRow("latin model") << "Edit29" << "usb" << QStringList{"O'Neil 数据线"};
    }
    void nameAndModelAreFoundByTextOrInitials() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        edit(qPrintable(field))->insert(typed);
        QCOMPARE(names(), found);
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void categoryChoiceSearchesSupplierAndDatesWait() {
        QCOMPARE(resetsDuring([&] { combo("ComboBox8")->setEditText(QStringLiteral("桃园")); }), 0);
        QCOMPARE(resetsDuring([&] {
                     w<QCheckBox>("CheckBox5")->setChecked(true);
                     w<DateField>("DateEdit3")->setDate(QDate(2024, 2, 1));
                 }),
                 0);
        QCOMPARE(resetsDuring([&] { combo("ComboBox1")->setCurrentIndex(combo("ComboBox1")->findText("水果")); }), 1);
        QCOMPARE(names(), QStringList{"桃"});  // supplier and dates took part in the category's search
    }

    void dateRange() {
        w<QCheckBox>("CheckBox5")->setChecked(true);
        w<DateField>("DateEdit3")->setDate(QDate(2024, 3, 1));
        w<DateField>("DateEdit4")->setDate(QDate(2024, 3, 3));
        QTest::mouseClick(button("Button7"), Qt::LeftButton);
        QCOMPARE(names(), (QStringList{"桃", "李子", "O'Neil 数据线"}));
    }

    void dateRangeWithAnEmptyDateRunsNothing() {
        QTest::keyClicks(edit("Edit23"), QStringLiteral("l"));
        const QStringList before = names();
        w<QCheckBox>("CheckBox5")->setChecked(true);
        w<DateField>("DateEdit4")->clear();
        QCOMPARE(resetsDuring([&] { QTest::mouseClick(button("Button7"), Qt::LeftButton); }), 0);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].text, QStringLiteral("入库日期的截止日期为空，请输入截止日期后再查询！"));
        QCOMPARE(m_session->ui.messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(names(), before);
    }

    void clearConditions() {
        QTest::keyClicks(edit("Edit23"), QStringLiteral("l"));
        QTest::keyClicks(edit("Edit29"), QStringLiteral("s"));
        combo("ComboBox1")->setEditText(QStringLiteral("水果"));
        combo("ComboBox8")->setEditText(QStringLiteral("果园"));
        w<QCheckBox>("CheckBox5")->setChecked(true);
        w<DateField>("DateEdit3")->setDate(QDate(2024, 2, 1));
        // The name and model fields change: two searches; category and dates quietly.
        QCOMPARE(resetsDuring([&] { QTest::mouseClick(button("Button15"), Qt::LeftButton); }), 2);
        QCOMPARE(edit("Edit23")->text(), QString());
        QCOMPARE(edit("Edit29")->text(), QString());
        QCOMPARE(combo("ComboBox1")->currentText(), QString());
        QVERIFY(!w<QCheckBox>("CheckBox5")->isChecked());
        QCOMPARE(combo("ComboBox8")->currentText(), QStringLiteral("果园"));
        // The last search ran with the category, the supplier and the dates still set.
        QCOMPARE(names(), (QStringList{"香蕉", "梨", "李子"}));
    }

    void newStockInPriceTimesQuantity() {
        m_form->salePanel()->show();
        action("NewStockIn")->trigger();
        QVERIFY(panel()->isVisible());
        QVERIFY(!m_form->salePanel()->isVisible());
        QVERIFY(button("Button1")->isVisible());
        QVERIFY(!button("Button3")->isVisible());
        QCOMPARE(edit("Edit21")->text(), QStringLiteral("0"));
        QCOMPARE(edit("Edit16")->text(), QStringLiteral("0"));
        fillNewEntry();
        edit("Edit22")->setText(QStringLiteral(" 样品 "));
        combo("ComboBox6")->setEditText(QStringLiteral("新供货商"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("7.5"));
        QCOMPARE(edit("Edit17")->text(), QStringLiteral("3"));
        shot(QStringLiteral("stock-in"));
        QTest::mouseClick(button("Button1"), Qt::LeftButton);

        QVERIFY(m_session->ui.messages.isEmpty());
        QCOMPARE(m_form->successPrompt()->text(), QStringLiteral("数据入库成功..."));
        QVERIFY(m_form->successPrompt()->isVisible());
        QCOMPARE(stored("新品", "3").toDouble(), 7.5);
        QCOMPARE(stored("新品", "8").toDouble(), 7.5);
        QCOMPARE(stored("新品", "7").toDouble(), 3.0);
        QCOMPARE(stored("新品", "5").toDouble(), 0.0);
        QCOMPARE(stored("新品", "6").toDouble(), 0.0);
        QCOMPARE(stored("新品", "1").toDouble(), 2.5);
        QCOMPARE(stored("新品", "4").toDouble(), 4.0);
        QCOMPARE(stored("新品", "z").toString(), QStringLiteral("样品"));
        QCOMPARE(stored("新品", "g").toString(), QStringLiteral("新供货商"));
        QCOMPARE(stored("新品", "day1").toString(), QStringLiteral("2024-03-05"));
        QCOMPARE(stored("新品", "e").toString(), PinyinInitials(QStringLiteral("新品")));
        // The panel stays open and empty for the next batch; the grid stands on its last row.
        QVERIFY(panel()->isVisible());
        QCOMPARE(combo("ComboBox3")->currentText(), QString());
        QCOMPARE(edit("Edit15")->text(), QString());
        QCOMPARE(edit("Edit1")->text(), QString());
        QCOMPARE(w<DateField>("DateEdit1")->dateText(), QStringLiteral("2024-03-05"));
        QCOMPARE(grid()->rowCount(), 10);
        QCOMPARE(grid()->currentRow(), 9);
        QVERIFY(combo("ComboBox3")->findText(QStringLiteral("新品")) >= 0);
        QVERIFY(!button("Button3")->isEnabled());
    }

    void quantityTypedBeforePrice() {
        action("GridNewStockIn")->trigger();
        retype(edit("Edit1"), QStringLiteral("4"));
        QCOMPARE(edit("Edit2")->text(), QString());
        retype(edit("Edit15"), QStringLiteral("1.25"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("5"));
        QCOMPARE(edit("Edit27")->text(), QStringLiteral("5"));
    }

    void numberFieldsTakeDigitsAndPointAndSpin() {
        action("NewStockIn")->trigger();
        retype(edit("Edit15"), QStringLiteral("-1a2.5x"));
        QCOMPARE(edit("Edit15")->text(), QStringLiteral("12.5"));
        QTest::keyClick(edit("Edit1"), Qt::Key_Up);
        QTest::keyClick(edit("Edit1"), Qt::Key_Up);
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("2"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("25"));
        retype(edit("Edit1"), QStringLiteral("100"));
        QTest::keyClick(edit("Edit1"), Qt::Key_Up);
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("100"));
        retype(edit("Edit9"), QStringLiteral("0.5"));
        QTest::keyClick(edit("Edit9"), Qt::Key_Down);
        QCOMPARE(edit("Edit9")->text(), QStringLiteral("0"));
        // A lone point is no number: reported, the computed values stay.
        retype(edit("Edit15"), QStringLiteral("."));
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("1250"));
    }

    void refusedEntries_data() {
        QTest::addColumn<QString>("emptied");
        QTest::addColumn<QString>("message");
        QTest::newRow("name") << "ComboBox3" << "商品名称必须输入！";
        QTest::newRow("code") << "ComboBox5" << "商品编码必须输入！";
        QTest::newRow("category") << "ComboBox2" << "商品类别必须输入！";
        QTest::newRow("purchase price") << "Edit15" << "进货单价必须输入！";
        QTest::newRow("quantity") << "Edit1" << "进货数量必须输入！";
        QTest::newRow("sales price") << "Edit9" << "销售单价必须输入！";
    }
    void refusedEntries() {
        QFETCH(QString, emptied);
        QFETCH(QString, message);
        action("NewStockIn")->trigger();
        fillNewEntry();
        QWidget* field = m_form->findChild<QWidget*>(emptied);
        if (auto* box = qobject_cast<QComboBox*>(field))
            box->setEditText(QStringLiteral("  "));  // blanks alone are empty
        else
            static_cast<QLineEdit*>(field)->clear();
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].text, message);
        QCOMPARE(m_session->ui.messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Warning);
        QVERIFY(focused(field));
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data")).toInt(), 9);
        QVERIFY(!m_form->successPrompt()->isVisible());
    }

    void emptyDateIsRefusedAndThenRefilled() {
        action("NewStockIn")->trigger();
        fillNewEntry();
        w<DateField>("DateEdit1")->clear();
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"入库日期必须输入"});
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data")).toInt(), 9);
        // The date guard puts today back within half a second.
        QTRY_COMPARE_WITH_TIMEOUT(w<DateField>("DateEdit1")->dateText(), QStringLiteral("2024-03-05"), 1500);
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data")).toInt(), 10);
    }

    void enterMovesAlongThePanel() {
        action("NewStockIn")->trigger();
        const QStringList chain = {"ComboBox3", "ComboBox4", "ComboBox5", "ComboBox2", "DateEdit1", "Edit15",
                                   "Edit1",     "Edit9",     "ComboBox6", "Edit22",    "Button1"};
        QVERIFY(focused(m_form->findChild<QWidget*>(chain[0])));
        for (int i = 0; i + 1 < chain.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(focused(m_form->findChild<QWidget*>(chain[i + 1])), qPrintable(chain[i + 1]));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // presses "新建入库"
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"商品名称必须输入！"});
    }

    void modifyLowersTheQuantity() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        QVERIFY(panel()->isVisible());
        QVERIFY(!button("Button1")->isVisible());
        QVERIFY(button("Button3")->isVisible());
        QVERIFY(button("Button3")->isEnabled());
        QCOMPARE(combo("ComboBox3")->currentText(), QStringLiteral("苹果"));
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("10"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("25"));
        QCOMPARE(edit("Edit21")->text(), QStringLiteral("4"));
        QCOMPARE(edit("Edit16")->text(), QStringLiteral("16"));
        QCOMPARE(edit("Edit17")->text(), QStringLiteral("6"));
        QCOMPARE(edit("Edit27")->text(), QStringLiteral("15"));
        QCOMPARE(combo("ComboBox6")->currentText(), QStringLiteral("果园"));
        QCOMPARE(w<DateField>("DateEdit1")->dateText(), QStringLiteral("2024-01-10"));
        shot(QStringLiteral("modify"));

        retype(edit("Edit1"), QStringLiteral("8"));
        m_session->ui.replies.enqueue(QMessageBox::Ok);
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 2);
        const MessageRequest& ask = m_session->ui.messages[0];
        QCOMPARE(ask.caption, QStringLiteral("警告！"));
        QCOMPARE(ask.text, QStringLiteral("你确实要修改选中资料吗？"));
        QCOMPARE(ask.icon, QMessageBox::Warning);
        QCOMPARE(ask.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(ask.defaultButton, QMessageBox::Cancel);
        QCOMPARE(m_session->ui.messages[1].text, QStringLiteral("修改数据成功！"));

        QCOMPARE(stored("苹果", "2").toDouble(), 8.0);
        QCOMPARE(stored("苹果", "5").toDouble(), 4.0);
        QCOMPARE(stored("苹果", "7").toDouble(), 4.0);
        QCOMPARE(stored("苹果", "8").toDouble(), 10.0);  // 4 × 2.5
        QCOMPARE(stored("苹果", "3").toDouble(), 20.0);
        QCOMPARE(stored("苹果", "6").toDouble(), 16.0);
        QVERIFY(!panel()->isVisible());
        QVERIFY(!button("Button3")->isEnabled());
        QCOMPARE(grid()->cellText(rowOf("苹果"), 10), QStringLiteral("4"));
    }

    void modifyCancelledChangesNothing() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        retype(edit("Edit1"), QStringLiteral("8"));
        QTest::mouseClick(button("Button3"), Qt::LeftButton);  // the default answer is Cancel
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(stored("苹果", "2").toDouble(), 10.0);
        QVERIFY(panel()->isVisible());
    }

    void modifyWritesTheBatchItWasOpenedFor() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        retype(edit("Edit9"), QStringLiteral("4.5"));
        // The selection moves by keyboard, which is no click.
        grid()->view()->setFocus();
        QTest::keyClick(grid()->view(), Qt::Key_Down);
        QCOMPARE(m_program->inventory().query().fieldText(QStringLiteral("a")), QStringLiteral("香蕉"));
        QVERIFY(button("Button3")->isEnabled());
        m_session->ui.replies.enqueue(QMessageBox::Ok);
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
        QCOMPARE(stored("苹果", "4").toDouble(), 4.5);
        QCOMPARE(stored("苹果", "6").toDouble(), 18.0);  // 4.5 × 4 sold
        QCOMPARE(stored("香蕉", "4").toDouble(), 5.0);
        QCOMPARE(stored("香蕉", "a").toString(), QStringLiteral("香蕉"));
    }

    // A sale from the batch while its modification is open (at another till, or the sale panel
    // here): the panel's figures predate it, and writing them would undo the sale.
    void modifyOfABatchSoldFromMeanwhileIsRefused() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        retype(edit("Edit1"), QStringLiteral("8"));
        db().exec(QStringLiteral("update data set \"5\"=5, \"6\"=20, \"7\"=5 where a='苹果'"));
        m_session->ui.replies.enqueue(QMessageBox::Ok);
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 2);
        QVERIFY2(m_session->ui.messages[1].text.contains(QStringLiteral("刚有销售")),
                 qPrintable(m_session->ui.messages[1].text));
        QCOMPARE(stored("苹果", "2").toDouble(), 10.0);
        QCOMPARE(stored("苹果", "5").toDouble(), 5.0);
        QCOMPARE(stored("苹果", "7").toDouble(), 5.0);
        QVERIFY(panel()->isVisible());
    }

    void modifyOfAnEmptySoldQuantityIsRefusedBeforeAsking() {
        db().exec(QStringLiteral("update data set \"5\"=null where a='桃'"));
        QTest::mouseClick(button("Button12"), Qt::LeftButton);
        clickRow(rowOf("桃"));
        action("GridModify")->trigger();
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Critical);  // the conversion error, no question
    }

    void clickOnAnotherRowInModifyModeTurnsTheModificationToIt() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        clickRow(rowOf("苹果"));  // the same batch keeps it
        QVERIFY(button("Button3")->isEnabled());
        retype(edit("Edit22"), QStringLiteral("typed for the apples"));
        clickRow(rowOf("桃"));
        QVERIFY(panel()->isVisible());
        QVERIFY(!button("Button1")->isVisible());
        QVERIFY(button("Button3")->isVisible());
        QVERIFY(button("Button3")->isEnabled());
        QCOMPARE(combo("ComboBox3")->currentText(), QStringLiteral("桃"));
        QCOMPARE(combo("ComboBox4")->currentText(), QStringLiteral("水蜜"));
        QCOMPARE(combo("ComboBox5")->currentText(), QStringLiteral("T001"));
        QCOMPARE(combo("ComboBox2")->currentText(), QStringLiteral("水果"));
        QCOMPARE(edit("Edit15")->text(), QStringLiteral("4"));
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("6"));
        QCOMPARE(edit("Edit9")->text(), QStringLiteral("6"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("24"));
        QCOMPARE(edit("Edit21")->text(), QStringLiteral("0"));
        QCOMPARE(edit("Edit17")->text(), QStringLiteral("5.6"));
        QCOMPARE(edit("Edit27")->text(), QStringLiteral("22.4"));
        QCOMPARE(edit("Edit22")->text(), QString());
        QCOMPARE(combo("ComboBox6")->currentText(), QStringLiteral("桃园"));
        QCOMPARE(w<DateField>("DateEdit1")->dateText(), QStringLiteral("2024-03-01"));
        shot(QStringLiteral("modify-another-row"));

        retype(edit("Edit9"), QStringLiteral("7"));
        m_session->ui.replies.enqueue(QMessageBox::Ok);
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.last().text, QStringLiteral("修改数据成功！"));
        QCOMPARE(stored("桃", "4").toDouble(), 7.0);
        QCOMPARE(stored("桃", "g").toString(), QStringLiteral("桃园"));
        QCOMPARE(stored("桃", "day1").toString(), QStringLiteral("2024-03-01"));
        QCOMPARE(stored("苹果", "4").toDouble(), 4.0);
        QCOMPARE(stored("苹果", "z").toString(), QString());
    }

    void clickOnAnotherRowOutsideModifyModePrefillsTheProduct() {
        clickRow(rowOf("苹果"));
        action("NewStockIn")->trigger();
        clickRow(rowOf("李子"));
        QVERIFY(!button("Button3")->isEnabled());
        QVERIFY(button("Button1")->isVisible());
        QCOMPARE(combo("ComboBox3")->currentText(), QStringLiteral("李子"));
        QCOMPARE(combo("ComboBox4")->currentText(), QStringLiteral("三华"));
        QCOMPARE(combo("ComboBox5")->currentText(), QStringLiteral("LZ01"));
        QCOMPARE(edit("Edit15")->text(), QStringLiteral("6"));
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("9"));
        QCOMPARE(edit("Edit9")->text(), QStringLiteral("8"));
    }

    void prefillThenNewBatchOfTheSameProduct() {
        clickRow(rowOf("梨"));
        action("NewStockIn")->trigger();
        QCOMPARE(combo("ComboBox3")->currentText(), QStringLiteral("梨"));  // the combo boxes keep their text
        retype(edit("Edit15"), QStringLiteral("2"));
        retype(edit("Edit1"), QStringLiteral("20"));
        retype(edit("Edit9"), QStringLiteral("3"));
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data where a='梨'")).toInt(), 2);
        QCOMPARE(db().scalar(QStringLiteral("select \"7\" from data where a='梨' and \"2\"=20")).toDouble(), 20.0);
    }

    void deleteAfterConfirmation() {
        clickRow(rowOf("桃"));
        m_form->salePanel()->show();
        action("GridDelete")->trigger();  // Cancel is the default
        QVERIFY(!m_form->salePanel()->isVisible());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].caption, QStringLiteral("警告！"));
        QCOMPARE(m_session->ui.messages[0].text, QStringLiteral("你真的要删除选中资料吗？"));
        QCOMPARE(m_session->ui.messages[0].defaultButton, QMessageBox::Cancel);
        QCOMPARE(stored("桃", "a").toString(), QStringLiteral("桃"));

        m_session->ui.replies.enqueue(QMessageBox::Ok);
        action("GridDelete")->trigger();
        QCOMPARE(m_session->ui.messages.last().text, QStringLiteral("删除数据成功！"));
        QVERIFY(!stored("桃", "a").isValid());
        QVERIFY(!names().contains(QStringLiteral("桃")));
        QCOMPARE(grid()->rowCount(), 8);
        QCOMPARE(grid()->footerText(4), QStringLiteral("96"));
    }

    void deleteOnAnEmptyGridDoesNothing() {
        QTest::keyClicks(edit("Edit25"), QStringLiteral("nothing"));
        QCOMPARE(grid()->rowCount(), 0);
        action("GridDelete")->trigger();
        QVERIFY(m_session->ui.messages.isEmpty());
        QCOMPARE(db().scalar(QStringLiteral("select count(*) from data")).toInt(), 9);
    }

    void searchAndSortHideThePanels() {
        action("NewStockIn")->trigger();
        m_form->salePanel()->show();
        clickTitle(4);
        QVERIFY(!panel()->isVisible());
        QVERIFY(!m_form->salePanel()->isVisible());
        QCOMPARE(names().first(), QStringLiteral("O'Neil 数据线"));  // 60 purchased: descending first
        action("NewStockIn")->trigger();
        QTest::keyClicks(edit("Edit23"), QStringLiteral("p"));
        QVERIFY(!panel()->isVisible());
    }

    // Another till's change: the grid reads again where it stands, keeping the sort, the selected
    // batch, the open panel and what is typed in it; the pick lists learn the new names.
    void anotherTillsChangeIsFollowedInPlace() {
        m_program->followLedger(db());
        m_program->inventory().showAll();
        clickTitle(0);
        const BandHeader::Mark mark = grid()->header()->mark(0);
        QVERIFY(mark != BandHeader::Mark::None);
        clickRow(rowOf("苹果"));
        action("NewStockIn")->trigger();
        combo("ComboBox3")->setEditText(QStringLiteral("正在输入"));
        insert({"阿胶", "", "", "", "aj", 1, 1, 1, {}, {}, {}, 1, 1, "2024-03-01", ""});
        emit db().events().changedElsewhere();
        QCOMPARE(grid()->rowCount(), int(std::size(kBatches)) + 1);
        QCOMPARE(grid()->header()->mark(0), mark);
        QCOMPARE(grid()->cellText(grid()->currentRow(), 0), QStringLiteral("苹果"));
        QVERIFY(panel()->isVisible());
        QCOMPARE(combo("ComboBox3")->currentText(), QStringLiteral("正在输入"));
        QVERIFY(combo("ComboBox3")->findText(QStringLiteral("阿胶")) >= 0);
    }

    void closeIconClearsAndHides() {
        clickRow(rowOf("苹果"));
        action("GridModify")->trigger();
        QTest::mouseClick(w<QToolButton>("Image1"), Qt::LeftButton);
        QVERIFY(!panel()->isVisible());
        QVERIFY(!button("Button3")->isEnabled());
        QCOMPARE(edit("Edit1")->text(), QString());
        QCOMPARE(edit("Edit21")->text(), QStringLiteral("0"));
    }

    void panelIsDraggedWithTheMouse() {
        action("NewStockIn")->trigger();
        const QPoint before = panel()->pos();
        const QPoint grab(4, panel()->height() - 4);  // on the background
        QMouseEvent press(QEvent::MouseButtonPress, grab, panel()->mapToGlobal(grab), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel(), &press);
        const QPoint to = grab + QPoint(40, 25);
        QMouseEvent move(QEvent::MouseMove, to, panel()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(panel(), &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, panel()->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel(), &release);
        QCOMPARE(panel()->pos(), before + QPoint(40, 25));
        QCOMPARE(panel()->cursor().shape(), Qt::SizeAllCursor);
    }

    void doubleClickAsksForASale() {
        QSignalSpy spy((&m_program->inventory()), &Inventory::saleRequested);
        QTableView* view = grid()->view();
        const QPoint at = view->visualRect(grid()->model()->index(rowOf("梨"), 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), rowOf("梨"));
    }

    void hidingTheAmounts() {
        action("N6")->trigger();
        for (int c : {6, 9, 11})
            QVERIFY(grid()->isColumnHidden(c));
        QVERIFY(action("N6")->isChecked());
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("rukuyin2")), QStringLiteral("yes"));
        QCOMPARE(grid()->visibleColumns().size(), 12);
        action("N6")->trigger();
        for (int c : {6, 9, 11})
            QVERIFY(!grid()->isColumnHidden(c));
        QVERIFY(!action("N6")->isChecked());
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("rukuyin2")), QStringLiteral("no"));
    }

    void rememberedColumnsAtTheNextStart() {
        WriteSetting(kMainKey, QStringLiteral("rukuyin1"), QStringLiteral("yes"));
        WriteSetting(kMainKey, QStringLiteral("rukuyin6"), QStringLiteral("no"));
        WriteSetting(kMainKey, QStringLiteral("rukuyin3"), QStringLiteral("YES"));  // no setting of ours
        WriteSetting(kMainKey, QStringLiteral("rukuyin5"), QStringLiteral("yes"));
        WriteSetting(kMainKey, QStringLiteral("ordernumber"), QStringLiteral("20240305-3"));
        m_form.reset();
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        QString customerNumber = QStringLiteral("unset");
        (&m_program->inventory())->restoreCustomerNumber = [&](const QString& n) { customerNumber = n; };
        showMain();
        QVERIFY(grid()->isColumnHidden(5));
        QVERIFY(action("N5")->isChecked());
        QVERIFY(!grid()->isColumnHidden(8));
        QVERIFY(!action("N31")->isChecked());
        QVERIFY(!grid()->isColumnHidden(12));
        QVERIFY(!action("N9")->isChecked());
        QVERIFY(grid()->isColumnHidden(14));
        QCOMPARE(customerNumber, QStringLiteral("20240305-3"));
        QCOMPARE(grid()->rowCount(), 9);
        shot(QStringLiteral("remembered-columns"));
    }
};

QTEST_MAIN(InventoryWindowTest)
#include "test_inventory_window.moc"
