// The shared grid: two-level titles, footers, formats, title sorting, hidden columns, row colours.
#include "store/data_module.h"
#include "support/test_session.h"
#include "store/settings.h"
#include "widgets/data_grid.h"
#include "widgets/input_helpers.h"

#include <QtTest>
#include <QComboBox>
#include <QImage>

class DataGridTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<DataGrid> m_grid;

    static QVector<GridColumn> columns() {
        const QColor sky(166, 202, 240), teal(0, 128, 128);
        QVector<GridColumn> c(5);
        c[0] = {"a", "商 品", "名 称", "", Qt::AlignLeft, GridColumn::Footer::Text, "总计", sky, {}, 120};
        c[1] = {"b", "商 品", "型 号", "", Qt::AlignLeft, GridColumn::Footer::None, {}, sky, {}, 100};
        c[2] = {"2", "进 货", "数 量", "#.###", Qt::AlignRight, GridColumn::Footer::Sum, {}, teal, Qt::white, 60};
        c[3] = {"1", "进 货", "单 价", kGeneralNumber, Qt::AlignRight, GridColumn::Footer::None, {}, teal, Qt::white, 60};
        c[4] = {"3", "进 货", "金 额", "#.##", Qt::AlignRight, GridColumn::Footer::Sum, {}, teal, Qt::white, 60};
        return c;
    }
    void insert(const QString& a, const QString& b, const QVariant& quantity, const QVariant& price,
                const QVariant& amount) {
        m_session->ledger.addBatch(
            {.name = a, .model = b, .purchasePrice = price, .quantity = quantity, .purchaseAmount = amount});
    }
    QStringList columnTexts(int column) {
        QStringList texts;
        for (int r = 0; r < m_grid->rowCount(); ++r)
            texts << m_grid->cellText(r, column);
        return texts;
    }
    void clickTitle(int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        BandHeader* header = m_grid->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() * 3 / 4);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        insert("苹果", "A1", 0.5, 2.5, 1.25);
        insert("香蕉", "B2", 10, 3, 30);
        insert("梨", "C3", 0, 0.3, 0);
        insert("O'Neil", QString(), QVariant(), QVariant(), QVariant());
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid = std::make_unique<DataGrid>();
        m_grid->resize(500, 300);
        m_grid->setColumns(columns());
        m_grid->setDataset(&m_session->stockQuery());
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    }
    void cleanup() {
        m_grid.reset();
        m_session.reset();
    }

    void titlesAreUpperAndLowerJoined() {
        QCOMPARE(m_grid->columnTitle(0), QStringLiteral("商 品|名 称"));
        QCOMPARE(m_grid->columnTitle(4), QStringLiteral("进 货|金 额"));
        QCOMPARE(m_grid->model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("进 货|数 量"));
        QCOMPARE(m_grid->header()->height(), m_grid->header()->sizeHint().height());
    }

    void formatsOfTheCells() {
        QCOMPARE(columnTexts(0), (QStringList{"苹果", "香蕉", "梨", "O'Neil"}));
        QCOMPARE(columnTexts(2), (QStringList{".5", "10", "", ""}));   // "#.###": zero and empty are empty
        QCOMPARE(columnTexts(3), (QStringList{"2.5", "3", "0.3", ""}));  // general number
        QCOMPARE(columnTexts(4), (QStringList{"1.25", "30", "", ""}));
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 2), Qt::TextAlignmentRole).toInt() &
                     Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
    }

    void footerHoldsTextsAndSumsOfAllRows() {
        QCOMPARE(m_grid->footerText(0), QStringLiteral("总计"));
        QCOMPARE(m_grid->footerText(1), QString());
        QCOMPARE(m_grid->footerText(2), QStringLiteral("10.5"));
        QCOMPARE(m_grid->footerText(3), QString());
        QCOMPARE(m_grid->footerText(4), QStringLiteral("31.25"));
        // The footer row is drawn in its colour under the rows.
        const QImage footer = m_grid->footer()->grab().toImage();
        const int besideTexts = m_grid->header()->sectionViewportPosition(1) + 20;  // a column without footer
        QCOMPARE(QColor(footer.pixel(besideTexts, footer.height() / 2)), DataGrid::kFooterColour);
        QVERIFY(m_grid->footer()->geometry().top() >= m_grid->view()->geometry().bottom());
        // A refresh after a change recomputes the sums.
        insert("桃", "D4", 2, 1, 2);
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid->refresh();
        QCOMPARE(m_grid->footerText(2), QStringLiteral("12.5"));
        QCOMPARE(m_grid->rowCount(), 5);
    }

    void footerSumsTheFiguresTheRowsShow() {
        // Three half-fen amounts show as 5 each; the total must be 15 as on the printed notes,
        // not the 14.99 of the raw sum.
        dm().connection().exec(QStringLiteral("delete from data"));
        for (int i = 0; i < 3; ++i)
            insert("可乐", "X", 1.0005, 1, 4.995);
        insert("雪碧", "Y", -0.0015, 1, -0.005);
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid->refresh();
        QCOMPARE(columnTexts(4), (QStringList{"5", "5", "5", "-.01"}));
        QCOMPARE(m_grid->footerText(4), QStringLiteral("14.99"));
        QCOMPARE(m_grid->footerText(2), QStringLiteral("3.001"));
    }

    // A column shown with every digit (net profit) totals to four decimals: a hundred times 0.1
    // summed in binary is 9.99999999999998, not what a shop keeper added up.
    void footerOfAColumnWithEveryDigitIsKeptToFourDecimals() {
        QVector<GridColumn> c = columns();
        c[3].footer = GridColumn::Footer::Sum;
        m_grid->setColumns(c);
        dm().connection().exec(QStringLiteral("delete from data"));
        for (int i = 0; i < 100; ++i)
            insert("可乐", "X", 1, 0.1, 0.1);
        insert("雪碧", "Y", 1, 0.00004, 0);
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid->refresh();
        QCOMPARE(m_grid->footerText(3), QStringLiteral("10"));
    }

    void upperTitleSpansItsColumnsInItsBandColour() {
        BandHeader* header = m_grid->header();
        const QImage image = header->viewport()->grab().toImage();
        const int upper = 3, lower = header->height() - 3;  // above and below the title texts
        // The boundary between columns 0 and 1 is drawn in the lower titles only.
        const int boundary = header->sectionViewportPosition(1) - 1;
        const QColor sky(166, 202, 240);
        QCOMPARE(QColor(image.pixel(boundary, upper)), sky);
        QVERIFY(QColor(image.pixel(boundary, lower)) != sky);
        // Between the two groups the upper band is divided.
        const int groupBoundary = header->sectionViewportPosition(2) - 1;
        QVERIFY(QColor(image.pixel(groupBoundary, upper)) != sky);
        const int insideTeal = header->sectionViewportPosition(3) + 2;
        QCOMPARE(QColor(image.pixel(insideTeal, upper)), QColor(0, 128, 128));
    }

    void titleClickSortsDescendingFirstThenAlternating() {
        clickTitle(2);
        QCOMPARE(columnTexts(0), (QStringList{"香蕉", "苹果", "梨", "O'Neil"}));  // descending, empty last
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::Down);
        clickTitle(2);
        QCOMPARE(columnTexts(0), (QStringList{"O'Neil", "梨", "苹果", "香蕉"}));
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::Up);
        clickTitle(2);
        QCOMPARE(columnTexts(0), (QStringList{"香蕉", "苹果", "梨", "O'Neil"}));
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::Down);
        // Another column starts descending and clears the other marks.
        clickTitle(3);
        QCOMPARE(columnTexts(3), (QStringList{"3", "2.5", "0.3", ""}));
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::None);
        QCOMPARE(m_grid->header()->mark(3), BandHeader::Mark::Down);
        QCOMPARE(m_session->stockQuery().sortSpec(), QStringLiteral("1 DESC"));
        // The footer does not change with the order.
        QCOMPARE(m_grid->footerText(2), QStringLiteral("10.5"));
    }

    void ctrlKeepsTheOtherMarks() {
        clickTitle(2);
        clickTitle(3, Qt::ControlModifier);
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::Down);
        QCOMPARE(m_grid->header()->mark(3), BandHeader::Mark::Down);
        clickTitle(3, Qt::ControlModifier);
        QCOMPARE(m_grid->header()->mark(3), BandHeader::Mark::Up);
        clickTitle(3, Qt::ControlModifier);
        QCOMPARE(m_grid->header()->mark(3), BandHeader::Mark::None);
        QCOMPARE(m_grid->header()->mark(2), BandHeader::Mark::Down);
    }

    void titleClickIsAnnouncedBeforeTheSort() {
        QString orderSeen = QStringLiteral("unset");
        connect(m_grid.get(), &DataGrid::titleClicked, this,
                [&](int) { orderSeen = m_session->stockQuery().sortSpec(); });
        clickTitle(0);
        QCOMPARE(orderSeen, QString());
        QCOMPARE(m_session->stockQuery().sortSpec(), QStringLiteral("a DESC"));
    }

    void currentRowFollowsTheSelectionAndSurvivesSorting() {
        QTest::mouseClick(m_grid->view()->viewport(), Qt::LeftButton, {},
                          m_grid->view()->visualRect(m_grid->model()->index(1, 0)).center());
        QCOMPARE(m_session->stockQuery().currentRow(), 1);
        QCOMPARE(m_session->stockQuery().fieldText("a"), QStringLiteral("香蕉"));
        clickTitle(4);  // 香蕉 has the largest amount: first
        QCOMPARE(m_session->stockQuery().fieldText("a"), QStringLiteral("香蕉"));
        QCOMPARE(m_grid->view()->currentIndex().row(), m_session->stockQuery().currentRow());
        QTest::keyClick(m_grid->view(), Qt::Key_Down);
        QCOMPARE(m_session->stockQuery().fieldText("a"), QStringLiteral("苹果"));
    }

    void hiddenColumnsAndTheFit() {
        const int width = m_grid->view()->viewport()->width();
        auto total = [&] {
            int sum = 0;
            for (int c : m_grid->visibleColumns())
                sum += m_grid->header()->sectionSize(c);
            return sum;
        };
        QCOMPARE(total(), width);
        m_grid->setColumnHidden(3, true);
        m_grid->setColumnHidden(4, true);
        QVERIFY(m_grid->isColumnHidden(3));
        QCOMPARE(m_grid->visibleColumns(), (QList<int>{0, 1, 2}));
        QCOMPARE(total(), width);
        m_grid->setColumnHidden(3, false);
        QCOMPARE(m_grid->visibleColumns(), (QList<int>{0, 1, 2, 3}));
    }

    // A total wider than its column is drawn whole in a smaller font, never cut with "…".
    void aWideTotalIsNeverCutShort() {
        insert("大件", "Z9", 1, 337047245.27, 337047245.27);
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid->refresh();
        const QString total = m_grid->footerText(4);
        QCOMPARE(total, QStringLiteral("337047276.52"));
        QVERIFY(m_grid->footer()->fontMetrics().horizontalAdvance(total) > m_grid->footer()->textRect(4).width());
        const QFont fitted = m_grid->footer()->textFont(4);
        QVERIFY(QFontMetrics(fitted).horizontalAdvance(total) <= m_grid->footer()->textRect(4).width());
        QCOMPARE(m_grid->footer()->textFont(2), m_grid->footer()->font());  // a short one keeps the font
    }

    // The user drags a title's edge: that column takes the width, the others share the rest, and
    // the widths come back in the next grid with the same columns (the next start).
    void draggedWidthsAreKept() {
        m_grid->rememberColumnWidths(QStringLiteral("testliekuan"));
        const int width = m_grid->view()->viewport()->width();
        QHeaderView* header = m_grid->header();
        const int edge = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
        const QPoint from(edge, header->height() - 4);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
        QMouseEvent drag(QEvent::MouseMove, QPointF(from + QPoint(60, 0)), header->viewport()->mapToGlobal(QPointF(from + QPoint(60, 0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(header->viewport(), &drag);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, from + QPoint(60, 0));
        const int chosen = header->sectionSize(1);
        QVERIFY2(chosen > 100 + 40, qPrintable(QString::number(chosen)));
        int sum = 0;
        for (int c : m_grid->visibleColumns())
            sum += header->sectionSize(c);
        QCOMPARE(sum, width);  // still no scroll bar
        QVERIFY(!ReadSettings(kMainKey).value(QStringLiteral("testliekuan")).isEmpty());

        DataGrid next;
        next.resize(500, 300);
        next.setColumns(columns());
        next.rememberColumnWidths(QStringLiteral("testliekuan"));
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        QVERIFY(qAbs(next.header()->sectionSize(1) - chosen) <= 1);
        // Another set of columns keeps its designed widths.
        DataGrid other;
        other.resize(500, 300);
        other.setColumns(columns().mid(0, 3));
        other.rememberColumnWidths(QStringLiteral("testliekuan"));
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QVERIFY(other.header()->sectionSize(1) < chosen);
    }

    void rowColourHook() {
        m_grid->setRowColour([](int row) { return row == 1 ? QColor(Qt::red) : QColor(); });
        const QVariant red = m_grid->model()->data(m_grid->model()->index(1, 3), Qt::ForegroundRole);
        QCOMPARE(qvariant_cast<QBrush>(red).color(), QColor(Qt::red));
        QVERIFY(!m_grid->model()->data(m_grid->model()->index(0, 3), Qt::ForegroundRole).isValid());
    }

    void readOnlyWholeRows() {
        QCOMPARE(m_grid->view()->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(m_grid->view()->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(0, 0)) & Qt::ItemIsEditable));
    }

    // A pick list lists its values as the grid sorts them, not by character codes.
    void pickListsFollowTheGridsTextOrder_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("listed");
        // The fixture's batches have no category: the empty value comes first in every list.
        QTest::newRow("pinyin order") << QStringList{"义乌商贸", "杭州批发", "广州电子", "白云"}
                                      << QStringList{"", "白云", "广州电子", "杭州批发", "义乌商贸"};
        QTest::newRow("latin before chinese, case ignored")
            << QStringList{"饮料", "beer", "Apple", "电工照明"} << QStringList{"", "Apple", "beer", "电工照明", "饮料"};
    }
    void pickListsFollowTheGridsTextOrder() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, listed);
        for (const QString& text : stored)
            m_session->ledger.addBatch({.name = "x", .category = text});
        QComboBox box;
        box.setEditable(true);
        FillCombo(m_session->db(), QStringLiteral("d"), QStringLiteral("data"), &box);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items << box.itemText(i);
        QCOMPARE(items, listed);
        QCOMPARE(box.currentText(), QString());
    }

    void aPickListOfNamesMatchesTheGridSortedByName() {
        clickTitle(0);
        clickTitle(0);  // descending first, then ascending
        QComboBox box;
        FillCombo(m_session->db(), QStringLiteral("a"), QStringLiteral("data"), &box);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items << box.itemText(i);
        QCOMPARE(items, columnTexts(0));
        QCOMPARE(items, (QStringList{"O'Neil", "梨", "苹果", "香蕉"}));
    }

    void aHundredThousandRows() {
        dm().connection().exec(QStringLiteral(
            "with recursive n(i) as (select 1 union all select i+1 from n where i<100000) "
            "insert into data (a,b,\"2\",\"1\",\"3\") select 'p'||(i%997),'m'||i,1,2,2 from n"));
        QElapsedTimer timer;
        timer.start();
        m_session->stockQuery().setStatement(QStringLiteral("select * from data"));
        m_grid->refresh();
        clickTitle(0);
        QCoreApplication::processEvents();
        qInfo("open, show and sort of 100 004 rows: %lld ms", qint64(timer.elapsed()));
        QCOMPARE(m_grid->rowCount(), 100004);
        QCOMPARE(m_grid->footerText(2), QStringLiteral("100010.5"));
    }
};

QTEST_MAIN(DataGridTest)
#include "test_data_grid.moc"
