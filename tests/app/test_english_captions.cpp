// English captions: every caption of the main window's table, the grid titles and footer, the sale
// panel's labels by their Chinese texts, and when the switch runs.
#include "app/ui/english_captions.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "store/settings.h"
#include "store/stock_table.h"
#include "support/test_session.h"
#include "widgets/data_grid.h"

#include <QtTest>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

QString captionOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget))
        return box->title();
    return QStringLiteral("<no caption>");
}

QWidget* ownWidget(MainWindow& form, const QString& name) {
    for (QWidget* w : form.findChildren<QWidget*>(name))
        if (w->window() == &form)
            return w;
    return nullptr;
}

}  // namespace

class EnglishCaptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window

    // Widgets of the table that this build of the main window does not have yet get a stand-in of
    // their kind, so that every row of the table is seen to be set.
    void addStandIns() {
        for (const auto& [name, english] : englishCaptions()) {
            if (ownWidget(*m_form, name))
                continue;
            QWidget* parent = m_program->inventory().controls().stockInPanel;
            QWidget* standIn = nullptr;
            if (name.startsWith(QLatin1String("Label")))
                standIn = new QLabel(QStringLiteral("中文"), parent);
            else if (name.startsWith(QLatin1String("CheckBox")))
                standIn = new QCheckBox(QStringLiteral("中文"), parent);
            else if (name.startsWith(QLatin1String("GroupBox")))
                standIn = new QGroupBox(QStringLiteral("中文"), parent);
            else
                standIn = new QPushButton(QStringLiteral("中文"), parent);
            standIn->setObjectName(name);
        }
        if (!ownWidget(*m_form, QStringLiteral("DataGrid1"))) {
            auto* grid = new DataGrid(m_form->centralWidget());
            grid->setObjectName(QStringLiteral("DataGrid1"));
            grid->setColumns(gridColumns(inventoryColumns(), {}));
            m_form->setGridArea(grid);
        }
    }

    void showUntilSettled() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_form->hooks().loginRequired = [] {};
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void everyCaptionOfTheTable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("english");
        const QList<QPair<QString, QString>> expected = {
            {"Label7", "Category："}, {"Label16", "Category："}, {"Label8", "Description："},
            {"Label14", "Description："}, {"Label9", "Name："}, {"Label13", "Name："},
            {"Label48", "Alarm Quantity："}, {"Label49", "Barcode："}, {"Label19", "Barcode："},
            {"Label50", "To"}, {"Label3", "Vendors："}, {"Label55", "Vendors："}, {"Label23", "Date："},
            {"Label15", "Purchase Price："}, {"Label5", "Quantity："}, {"Label17", "Sales Price："},
            {"Label2", "Note："}, {"Button1", "New"}, {"Button15", "Empty"}, {"Button12", "Show All"},
            {"Button7", "Query"}, {"GroupBox5", "Query"}, {"CheckBox5", "Date："},
            {"CheckBox1", "Not show Zero-stock"}, {"Button3", "Edit"}, {"ToolButton7", "New"},
            {"ToolButton19", "Sales"}, {"ToolButton2", "Print"}, {"ToolButton22", "Sum"},
            {"ToolButton17", "Backup"}, {"ToolButton18", "Option"}, {"ToolButton1", "Support"}};
        for (const auto& [name, english] : expected)
            QTest::newRow(qPrintable(name)) << name << english;
    }
    void everyCaptionOfTheTable() {
        QFETCH(QString, name);
        QFETCH(QString, english);
        addStandIns();
        switchToEnglish(*m_form);
        QWidget* widget = ownWidget(*m_form, name);
        QVERIFY(widget);
        QCOMPARE(captionOf(widget), english);
    }

    void longerCaptionsStillFit() {
        // The window as built, without stand-ins: every caption fits its widget, and no widget has
        // grown over a neighbour.
        QHash<QWidget*, QRect> before;
        for (const auto& caption : englishCaptions())
            if (QWidget* widget = ownWidget(*m_form, caption.first))
                before.insert(widget, widget->geometry());
        installEnglishCaptions(*m_form, true);
        m_form->resize(1015, 636);
        showUntilSettled();
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            QWidget* widget = it.key();
            if (qobject_cast<QGroupBox*>(widget))
                continue;  // a frame around other fields: its title has room
            auto* label = qobject_cast<QLabel*>(widget);
            if (label && label->wordWrap())
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(widget->objectName()));
            else
                QVERIFY2(widget->sizeHint().width() <= widget->width(), qPrintable(widget->objectName()));
            for (QWidget* sibling : widget->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (sibling != widget && !sibling->isHidden() && !sibling->geometry().intersects(it.value()))
                    QVERIFY2(!sibling->geometry().intersects(widget->geometry()),
                             qPrintable(widget->objectName() + QStringLiteral(" over ") + sibling->objectName()));
        }
        if (auto* grid = qobject_cast<DataGrid*>(ownWidget(*m_form, QStringLiteral("DataGrid1")))) {
            QTRY_VERIFY(grid->header()->sectionSize(0) > 0);
            const QFontMetrics metrics(grid->header()->font());
            for (int column = 0; column < grid->columnCount(); ++column)
                QVERIFY2(metrics.horizontalAdvance(grid->columns()[column].lowerTitle) <= grid->header()->sectionSize(column) - 6,
                         qPrintable(grid->columnTitle(column)));
            // Maximised, the columns have room for the designed font again.
            const QFont small = grid->header()->font();
            m_form->resize(1800, 636);
            QTRY_VERIFY(grid->header()->font() != small);
        }
    }

    void tableInItsOrder() {
        // Names repeat nowhere, so "in this order" is the table's own order: check it is complete.
        QStringList names;
        for (const auto& caption : englishCaptions())
            names << caption.first;
        QCOMPARE(names.size(), 32);
        QCOMPARE(names.first(), QStringLiteral("Label7"));
        QCOMPARE(names.last(), QStringLiteral("ToolButton1"));
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    }

    void gridTitlesAndFooter() {
        addStandIns();
        auto* grid = qobject_cast<DataGrid*>(ownWidget(*m_form, QStringLiteral("DataGrid1")));
        QVERIFY(grid);
        switchToEnglish(*m_form);
        const QStringList titles = {"Products|Name",     "Products|Description", "Products|Barcode",
                                    "Products|Category", "Purchase|Quantity",    "Purchase|Price",
                                    "Purchase|Sum",      "Sales|Quantity",       "Sales|Price",
                                    "Sales|Sum",         "Inventory|Quantity",   "Inventory|Sum",
                                    "Notes|Date",        "Notes|Vendors",        "Notes|Notes"};
        QCOMPARE(grid->columnCount(), 15);
        for (int column = 0; column < 15; ++column)
            QCOMPARE(grid->columnTitle(column), titles[column]);
        QCOMPARE(grid->footerText(0), QStringLiteral("Total"));
    }

    // The titles follow the values the columns hold, not their places: a grid whose columns stand
    // in another order, or that shows fewer of them, gets each column's own title.
    void gridTitlesByTheColumnsValues() {
        addStandIns();
        auto* grid = qobject_cast<DataGrid*>(ownWidget(*m_form, QStringLiteral("DataGrid1")));
        QVERIFY(grid);
        QVector<GridColumn> columns = gridColumns(inventoryColumns(), {});
        std::reverse(columns.begin(), columns.end());
        columns.remove(1);  // the supplier
        grid->setColumns(columns);
        switchToEnglish(*m_form);
        const QStringList titles = {"Notes|Notes",     "Notes|Date",      "Inventory|Sum",        "Inventory|Quantity",
                                    "Sales|Sum",       "Sales|Price",     "Sales|Quantity",       "Purchase|Sum",
                                    "Purchase|Price",  "Purchase|Quantity", "Products|Category",  "Products|Barcode",
                                    "Products|Description", "Products|Name"};
        QCOMPARE(grid->columnCount(), titles.size());
        for (int column = 0; column < titles.size(); ++column)
            QCOMPARE(grid->columnTitle(column), titles[column]);
        QCOMPARE(grid->footerText(titles.size() - 1), QStringLiteral("Total"));
        QCOMPARE(grid->footerText(0), QString());
    }

    void salePanelLabelsByTheirCaptions() {
        const QList<QPair<QString, QString>> expected = {
            {"商品名称：", "Name："},         {"规格型号：", "Description："},   {"商品编码：", "Barcode："},
            {"类 别：", "Category："},       {"建议销售价：", "Price："},       {"实际销售价：", "Sales Price："},
            {"销售数量：", "Quantity："},     {"库存数量：", "Stock Qua："},     {"销售金额：", "Sales Sum："},
            {"欠款金额：", "amount dues："}, {"销售日期：", "Sales Date："},    {"客户编号：", "Customer No："},
            {"客户名称：", "Customer："},     {"地 址：", "Address："},         {"联系方式：", "Contact："},
            {"备 注：", "Notes："}};
        QList<QLabel*> labels;
        for (const auto& pair : expected)
            labels << new QLabel(pair.first, m_form->salePanel());
        // The heading of the fields a sales note needs may be a label or a group's title.
        auto* required = new QGroupBox(QStringLiteral("销售单打印必填"), m_form->salePanel());
        // The same texts outside the sale panel are not its labels.
        auto* stockInLabel = new QLabel(QStringLiteral("客户名称："), m_program->inventory().controls().stockInPanel);
        auto* value = new QLabel(QStringLiteral("五金"), m_form->salePanel());

        switchToEnglish(*m_form);

        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(labels[i]->text(), expected[i].second);
        QCOMPARE(required->title(), QStringLiteral("Report fill in"));
        // The sale panel as built carries no Chinese caption of the table any more.
        for (QWidget* widget : m_form->salePanel()->findChildren<QWidget*>())
            for (const auto& pair : englishSalePanelCaptions())
                QVERIFY2(captionOf(widget) != pair.first, qPrintable(widget->objectName()));
        QCOMPARE(stockInLabel->text(), QStringLiteral("客户名称："));
        QCOMPARE(value->text(), QStringLiteral("五金"));
    }

    void otherWindowsMenusAndTitleStayChinese() {
        // A tool window owned by the main window with a widget of the same name.
        auto* tool = new QWidget(m_form.get(), Qt::Window);
        auto* toolLabel = new QLabel(QStringLiteral("类 别："), tool);
        toolLabel->setObjectName(QStringLiteral("Label7"));
        auto* toolButton = new QPushButton(QStringLiteral("全部记录"), tool);
        toolButton->setObjectName(QStringLiteral("Button12"));
        QMenu* settings = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton18"))->menu();
        QStringList menuTexts;
        for (QAction* a : settings->actions())
            menuTexts << a->text();
        const QString tip = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton2"))->toolTip();

        switchToEnglish(*m_form);

        QCOMPARE(toolLabel->text(), QStringLiteral("类 别："));
        QCOMPARE(toolButton->text(), QStringLiteral("全部记录"));
        QStringList after;
        for (QAction* a : settings->actions())
            after << a->text();
        QCOMPARE(after, menuTexts);
        QCOMPARE(m_form->findChild<QToolButton*>(QStringLiteral("ToolButton2"))->toolTip(), tip);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tovrakel V2.3.2"));
        QCOMPARE(m_form->findChild<QToolButton*>(QStringLiteral("ToolButton18"))->text(), QStringLiteral("Option"));
    }

    void switchedAtFirstShowWhenAsked_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QString>("setting");  // "-": not written
        QTest::addColumn<bool>("english");
        QTest::newRow("neither") << false << "-" << false;
        QTest::newRow("--english") << true << "-" << true;
        QTest::newRow("setting yes") << false << "yes" << true;
        QTest::newRow("setting Yes") << false << "Yes" << true;
        QTest::newRow("setting no") << false << "no" << false;
        QTest::newRow("setting empty") << false << "" << false;
        QTest::newRow("--english and setting no") << true << "no" << true;
    }
    void switchedAtFirstShowWhenAsked() {
        QFETCH(bool, option);
        QFETCH(QString, setting);
        QFETCH(bool, english);
        if (setting != QLatin1String("-"))
            WriteSetting(kMainKey, QStringLiteral("english"), setting);
        installEnglishCaptions(*m_form, option);
        auto* zeroStock = m_form->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        // Nothing changes before the window is shown: the window may still be being built.
        QCOMPARE(zeroStock->text(), QStringLiteral("不显示零库存"));
        showUntilSettled();
        QCOMPARE(zeroStock->text(), english ? QStringLiteral("Not show Zero-stock") : QStringLiteral("不显示零库存"));
        QCOMPARE(m_form->findChild<QToolButton*>(QStringLiteral("ToolButton7"))->text(),
                 english ? QStringLiteral("New") : QStringLiteral("新建入库"));
    }

    void partsBuiltAfterInstallingAreSwitchedToo() {
        installEnglishCaptions(*m_form, true);
        addStandIns();
        auto* late = new QLabel(QStringLiteral("销售日期："), m_form->salePanel());
        showUntilSettled();
        QCOMPARE(captionOf(ownWidget(*m_form, QStringLiteral("Label23"))), QStringLiteral("Date："));
        QCOMPARE(late->text(), QStringLiteral("Sales Date："));
        // Shown again (after the backup window): still English, nothing switched twice.
        m_form->hide();
        m_form->show();
        QCOMPARE(late->text(), QStringLiteral("Sales Date："));
    }
};

QTEST_MAIN(EnglishCaptionsTest)
#include "test_english_captions.moc"
