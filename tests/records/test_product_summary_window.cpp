// ProductSummaryWindow: the stock records summed per product, its footers, sorting, refresh while open and the
// columns an ordinary user does not see.
#include "records/ui/product_summary_window.h"
#include "store/data_module.h"
#include "support/test_session.h"
#include "users/rights.h"
#include "widgets/data_grid.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

class ProductSummaryWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<ProductSummaryWindow> m_window;

    Database& db() { return m_session->db(); }
    qint64 batch(const QString& name, const QString& model, const QVariant& category, double bought, double sold,
                 double price = 2) {
        return m_session->ledger.addBatch({.name = name, .model = model, .code = "C1", .category = category,
                                           .purchasePrice = price, .quantity = bought, .salesPrice = 3, .sold = sold});
    }
    DataGrid* grid() { return m_window->grid(); }
    int rowOf(const QString& name, const QString& model, const QString& category = QStringLiteral("文具")) {
        for (int row = 0; row < grid()->rowCount(); ++row)
            if (grid()->cellText(row, 0) == name && grid()->cellText(row, 1) == model &&
                grid()->cellText(row, 3) == category)
                return row;
        return -1;
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        m_window = std::make_unique<ProductSummaryWindow>(m_session->session());
    }
    void cleanup() {
        m_window.reset();
        m_session.reset();
    }

    // Batches of one product with purchases 10 and 5 and stock 3 and 5 give 15 and 8.
    void batchesOfOneProductMakeOneRow() {
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 10, 7);
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 5, 0);
        batch(QStringLiteral("笔"), QStringLiteral("2B"), QStringLiteral("文具"), 4, 1);
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QVariant(), 1, 0);
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QStringLiteral("文具"), 2, 0);
        m_window->showModal();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("汇总统计"));
        QVERIFY(m_window->isModal());
        QCOMPARE(grid()->rowCount(), 4);
        QCOMPARE(grid()->currentRow(), 3);  // the last row of the engine's order
        const int pen = rowOf(QStringLiteral("笔"), QStringLiteral("HB"));
        QVERIFY(pen >= 0);
        QCOMPARE(grid()->cellText(pen, 4), QStringLiteral("15"));
        QCOMPARE(grid()->cellText(pen, 8), QStringLiteral("8"));
        QVERIFY(rowOf(QStringLiteral("纸"), QStringLiteral("A4"), QString()) >= 0);  // a missing category apart

        const QStringList titles = {"商 品 信 息|名 称", "商 品 信 息|规格型号", "商 品 信 息|编 码", "商 品 信 息|类 别",
                                    "进 货|数 量", "进 货|金 额", "销 售|数 量", "销 售|金 额", "存 货|数 量", "存 货|金 额"};
        for (int c = 0; c < titles.size(); ++c)
            QCOMPARE(grid()->columnTitle(c), titles[c]);
        QCOMPARE(grid()->footerText(0), QStringLiteral("总计"));
        QCOMPARE(grid()->footerText(3), QString());
        QCOMPARE(grid()->footerText(4), QStringLiteral("22"));
        QCOMPARE(grid()->footerText(6), QStringLiteral("8"));
        QCOMPARE(grid()->footerText(8), QStringLiteral("14"));

        grid()->sortByTitle(4);
        QCOMPARE(grid()->cellText(0, 4), QStringLiteral("15"));  // numerically, largest first
        grid()->sortByTitle(4);
        QCOMPARE(grid()->cellText(0, 4), QStringLiteral("1"));

        m_window->close();
        QVERIFY(!m_window->query().isOpen());
    }

    // Products come by name, model, code and category, Latin letters ignoring case and an empty
    // category first, whichever engine keeps the ledger (a server groups in no order of its own).
    void productsComeInProductOrder() {
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QStringLiteral("文具"), 1, 0);
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 1, 0);
        batch(QStringLiteral("Banana"), QStringLiteral("X"), QStringLiteral("水果"), 1, 0);
        batch(QStringLiteral("纸"), QStringLiteral("A4"), QVariant(), 1, 0);
        batch(QStringLiteral("apple"), QStringLiteral("X"), QStringLiteral("水果"), 1, 0);
        batch(QStringLiteral("笔"), QStringLiteral("2B"), QStringLiteral("文具"), 1, 0);
        m_window->showModal();
        QStringList rows;
        for (int row = 0; row < grid()->rowCount(); ++row)
            rows << grid()->cellText(row, 0) + QLatin1Char('/') + grid()->cellText(row, 1) + QLatin1Char('/') +
                        grid()->cellText(row, 3);
        QCOMPARE(rows, (QStringList{"apple/X/水果", "Banana/X/水果", "笔/2B/文具", "笔/HB/文具", "纸/A4/", "纸/A4/文具"}));
    }

    void aSaleShowsInTheOpenSummaryOnRefresh() {
        const qint64 id = batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 10, 0);
        m_window->showNonModal();
        QVERIFY(!m_window->isModal());
        QCOMPARE(grid()->cellText(0, 6), QStringLiteral("0"));
        db().exec(QStringLiteral("update data set [5]=[5]+2,[7]=[7]-2 where id=?"), {id});
        m_window->refreshSummary();
        QCOMPARE(grid()->cellText(0, 6), QStringLiteral("2"));
        QCOMPARE(grid()->cellText(0, 8), QStringLiteral("8"));
        // Opened modally while it stands beside the main window: it becomes modal.
        m_window->showModal();
        QVERIFY(m_window->isModal());
    }

    void anEmptyStoreGivesAnEmptyGridAndAHiddenWindowIsRefreshedToo() {
        m_window->showNonModal();
        QCOMPARE(grid()->rowCount(), 0);
        m_window->close();
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 1, 0);
        m_window->refreshSummary();
        QCOMPARE(grid()->rowCount(), 1);
    }

    void anOrdinaryUserSeesQuantitiesOnly() {
        m_session->session().grantRights(Rights::forUser(QStringLiteral("营业员")));
        batch(QStringLiteral("笔"), QStringLiteral("HB"), QStringLiteral("文具"), 10, 1);
        m_window->showModal();
        for (int c = 0; c < grid()->columnCount(); ++c)
            QCOMPARE(grid()->isColumnHidden(c), c == 5 || c == 7 || c == 9);
        QStringList items;
        for (QAction* a : m_window->gridMenu()->actions())
            items << a->text();
        QCOMPARE(items, (QStringList{"导出Excel", "打 印"}));
    }
};

QTEST_MAIN(ProductSummaryWindowTest)
#include "test_product_summary_window.moc"
