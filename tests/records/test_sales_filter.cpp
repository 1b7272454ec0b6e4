// A search of the sales window answered from the rows already held gives exactly the rows of its
// statement, in the statement's order: the engine's LIKE (Latin letters in either case, other
// letters as they are, "%" and "_" typed into a field), the initials or the text of a name, the
// quantity above nought, a date range, and rows changed after the rows were read.
#include "records/sale_correction.h"
#include "records/sale_deletion.h"
#include "records/sales_filter.h"
#include "records/sales_queries.h"
#include "records/ui/sales_details_window.h"
#include "records/ui/sales_grid.h"
#include "store/data_module.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/ledger_events.h"
#include "support/test_session.h"
#include "widgets/data_grid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(SalesSearchConditions)

namespace {

QList<qint64> identities(const Dataset& data) {
    QList<qint64> ids;
    const int id = data.columnIndex(QStringLiteral("ID"));
    for (int row = 0; row < data.recordCount(); ++row)
        ids << qint64(data.number(row, id));
    return ids;
}

SalesSearchConditions nameSearch(const QString& text) {
    SalesSearchConditions c;
    c.nameInitials = text;
    return c;
}

}  // namespace

class SalesFilterTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<SalesDetailsWindow> m_window;
    Database& db() { return m_session->db(); }

    // Sales whose identities do not follow their dates, with the texts the cases look for.
    void addSales() {
        struct Row {
            const char* name;
            const char* initials;
            const char* day;
            QVariant quantity;
        };
        const Row rows[] = {{"铅笔", "QB", "2024-03-05", 1.0},          {"Jam", "jam", "2024-01-02", 2.0},
                            {"JAM", nullptr, "2024-03-05", 1.0},         {"橘子", "JZ", "2023-12-31", 0.0},
                            {"退回的橘子", "THDJZ", "2024-02-10", -1.0}, {"Éclair", "ÉC", "2024-02-10", 3.0},
                            {"éclair", "éc", "2024-01-02", 1.0},         {"50%折扣", "50%ZK", "2024-03-05", 1.0},
                            {"a_b", "A_B", "2024-02-29", 1.0},           {"axb", "AXB", "2024-02-29", kNull},
                            {"ＪＡＭ", "ＪＡＭ", "2024-03-01", 1.0},     {"", "", "2024-03-01", 1.0},
                            {"铅笔", "QB", "2024-01-02", 4.0}};
        for (const Row& r : rows) {
            SaleLine line;
            line.name = QString::fromUtf8(r.name);
            line.nameInitials = r.initials ? QVariant(QString::fromUtf8(r.initials)) : kNull;
            line.model = QStringLiteral("HB");
            line.modelInitials = QStringLiteral("hb");
            line.code = QStringLiteral("P1");
            line.category = QString::fromUtf8(r.name).startsWith(QStringLiteral("铅")) ? QStringLiteral("文具")
                                                                                         : QStringLiteral("食品");
            line.customerName = QString::fromUtf8(r.day).endsWith(QStringLiteral("05")) ? QStringLiteral("张三")
                                                                                        : QStringLiteral("李四");
            line.remark = QString::fromUtf8(r.day).startsWith(QStringLiteral("2023")) ? kNull : QVariant(QStringLiteral("急"));
            line.quantity = r.quantity;
            line.date = QString::fromUtf8(r.day);
            m_session->ledger.addSale(line);
        }
    }

    QList<qint64> rowsOf(const SalesStatement& s) {
        Dataset data(QStringLiteral("statement"), s.sql, &db());
        data.setStatement(s.sql, s.params);
        return identities(data);
    }

    QList<qint64> statementRows(const SalesSearchConditions& c) { return rowsOf(salesSearchStatement(c)); }

    // The sales window open as the program opens it, once it holds every sale.
    SalesDetailsWindow& openWindow() {
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        m_window = std::make_unique<SalesDetailsWindow>(m_session->session());
        m_window->followLedger(db().events());
        m_window->showModal();
        m_window->everySale().waitForRead();
        return *m_window;
    }

    QList<qint64> heldRows(const Dataset& held, const SalesSearchConditions& c) {
        const std::optional<std::vector<int>> rows = heldSearchRows(held, c);
        if (!rows)
            return {-1};
        QList<qint64> ids;
        const ColumnStore& id = held.storedColumn(held.columnIndex(QStringLiteral("ID")));
        for (const int row : *rows)
            ids << qint64(id.number(row));
        return ids;
    }

private slots:
    void init() { m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 3, 20), QTime(10, 0))); }
    void cleanup() {
        m_window.reset();
        m_session.reset();
    }

    void likeMatchesAsTheEngine_data() {
        QTest::addColumn<QString>("pattern");
        for (const char* p : {"%%", "%j%", "%J%", "%am%", "%铅%", "%铅笔%", "%é%", "%É%", "%ｊ%", "%_%", "%a_b%", "%_x%",
                              "%%%", "%50%%", "_", "__", "%x", "j%", "%a%b%", "%abd", "%bd%", "%ab%d", "%😀%", "%__%"})
            QTest::newRow(p) << QString::fromUtf8(p);
        QTest::newRow("a zero character") << (QStringLiteral("%") + QChar(0) + QStringLiteral("%"));
    }
    void likeMatchesAsTheEngine() {
        QFETCH(QString, pattern);
        const QStringList texts = {"", "j", "J", "jam", "xJAMx", "铅笔", "退回的铅笔", "É", "é", "ＪＡＭ", "a_b",
                                   "axb", "50%", "%", QStringLiteral("ab") + QChar(0) + QStringLiteral("j"), "😀x",
                                   "aaa", "abcabd"};
        const QByteArray p = pattern.toUtf8();
        for (const QString& text : texts) {
            const bool engine = db().scalar(QStringLiteral("select ? like ?"), {text, pattern}).toInt() == 1;
            const QByteArray t = text.toUtf8();
            QVERIFY2(likeMatches({t.constData(), size_t(t.size())}, {p.constData(), size_t(p.size())}) == engine,
                     qPrintable(text));
        }
    }

    void heldRowsGiveTheStatementsRowsInItsOrder_data() {
        QTest::addColumn<SalesSearchConditions>("conditions");
        SalesSearchConditions none;
        QTest::newRow("no field: the quantity above nought") << none;
        for (const char* text : {"j", "J", "jam", "铅", "铅笔", "é", "É", "ｊ", "%", "_", "a_b", "0%", "x", "退回"})
            QTest::addRow("name %s", text) << nameSearch(QString::fromUtf8(text));
        SalesSearchConditions c;
        c.category = QStringLiteral("文");
        QTest::newRow("category") << c;
        c = {};
        c.modelInitials = QStringLiteral("HB");
        c.code = QStringLiteral("p");
        QTest::newRow("model initials and code") << c;
        c = {};
        c.customerName = QStringLiteral("张");
        c.remark = QStringLiteral("急");
        QTest::newRow("customer and remark") << c;
        c = {};
        c.remark = QStringLiteral("%");
        QTest::newRow("any remark, none empty") << c;
        c = {};
        c.dateRange = true;
        c.dateFrom = QStringLiteral("2024-01-02");
        c.dateTo = QStringLiteral("2024-03-01");
        QTest::newRow("date range: by date, then identity") << c;
        c.nameInitials = QStringLiteral("j");
        QTest::newRow("date range and name") << c;
        c.dateFrom = QStringLiteral("2024-03-02");
        QTest::newRow("date range the wrong way round") << c;
        c = nameSearch(QStringLiteral("j"));
        c.category = QStringLiteral("食");
        c.customerName = QStringLiteral("李");
        QTest::newRow("three fields") << c;
    }
    void heldRowsGiveTheStatementsRowsInItsOrder() {
        QFETCH(SalesSearchConditions, conditions);
        addSales();
        Dataset all(QStringLiteral("all"), allSalesStatement().sql, &db());
        all.open();
        QCOMPARE(heldRows(all, conditions), statementRows(conditions));
        // Rows held from a wider search answer as well, whatever order that search gave them.
        SalesSearchConditions wider;
        wider.dateRange = true;
        wider.dateFrom = QStringLiteral("2023-01-01");
        wider.dateTo = QStringLiteral("2024-12-31");
        const SalesStatement s = salesSearchStatement(wider);
        Dataset held(QStringLiteral("held"), s.sql, &db());
        held.setStatement(s.sql, s.params);
        QCOMPARE(heldRows(held, conditions), statementRows(conditions));
    }

    void aColumnOfNumbersAndTextsIsLeftToTheEngine() {
        if (TempWorkdir::onServer())
            QSKIP("the server's number columns hold numbers only");
        addSales();
        db().exec(QStringLiteral("update data1 set \"3\"='几个' where ID=1"));
        Dataset all(QStringLiteral("all"), allSalesStatement().sql, &db());
        all.open();
        QVERIFY(!heldSearchRows(all, nameSearch(QStringLiteral("j"))));
    }

    void aNarrowerSearchIsPickedFromTheRowsHeld() {
        addSales();
        Dataset sales(QStringLiteral("sales"), QString(), &db());
        HeldSales held;
        const auto search = [&](const SalesSearchConditions& c) {
            held.open(sales, salesSearchStatement(c), HeldSales::Reading::Search, c);
        };
        search(nameSearch(QStringLiteral("a")));
        const int read = sales.storedRowCount();
        QCOMPARE(identities(sales), statementRows(nameSearch(QStringLiteral("a"))));
        search(nameSearch(QStringLiteral("a_b")));
        QCOMPARE(identities(sales), statementRows(nameSearch(QStringLiteral("a_b"))));
        QCOMPARE(sales.recordCount(), 1);
        // Nothing is read again.
        QCOMPARE(sales.storedRowCount(), read);
        QCOMPARE(sales.statement(), salesSearchStatement(nameSearch(QStringLiteral("a_b"))).sql);
        search(SalesSearchConditions());  // wider than the rows held: read again
        QCOMPARE(identities(sales), statementRows(SalesSearchConditions()));
        QCOMPARE(sales.storedRowCount(), sales.recordCount());
    }

    // Another program on the file, or another till on the server.
    void rowsAnotherProgramWritesAreReadAgain() {
        addSales();
        Dataset sales(QStringLiteral("sales"), QString(), &db());
        HeldSales held;
        held.open(sales, allSalesStatement(), HeldSales::Reading::Every);
        Database other;
        dm().openAnother(other);
        const qint64 added = LedgerBuilder(other, QDate(2024, 3, 20)).addSale({.name = "Jelly", .quantity = 1.0});
        other.exec(QStringLiteral("delete from data1 where a='Jam'"));
        const SalesSearchConditions c = nameSearch(QStringLiteral("j"));
        held.open(sales, salesSearchStatement(c), HeldSales::Reading::Search, c);
        QCOMPARE(identities(sales), statementRows(c));
        QVERIFY(identities(sales).contains(added));
    }

    void theWindowReadsAgainAfterTheLedgerChanged() {
        addSales();
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        SalesDetailsWindow window(m_session->session());
        window.followLedger(db().events());
        window.showModal();
        window.findChild<QPushButton*>(QStringLiteral("Button16"))->click();
        auto* name = window.findChild<QLineEdit*>(QStringLiteral("Edit23"));
        QTest::keyClick(name, 'j');
        QCOMPARE(identities(window.query()), statementRows(nameSearch(QStringLiteral("j"))));
        QCOMPARE(window.grid()->rowCount(), window.query().recordCount());
        // A correction elsewhere changes a customer's name the next search looks for.
        const qint64 corrected = identities(window.query()).last();
        Dataset stored(QStringLiteral("Corrected"), {}, &db());
        stored.setStatement(QStringLiteral("select * from data1 where ID=?"), {corrected});
        correctSale(db(), corrected, {QStringLiteral("0"), QString(), QStringLiteral("王五"), QString(), QString(), QString()},
                    correctionTextsOf(stored));
        auto* customer = window.findChild<QLineEdit*>(QStringLiteral("Edit14"));
        customer->setText(QStringLiteral("王"));
        SalesSearchConditions c = nameSearch(QStringLiteral("j"));
        c.customerName = QStringLiteral("王");
        QCOMPARE(identities(window.query()), QList<qint64>{corrected});
        QCOMPARE(identities(window.query()), statementRows(c));
    }

    // Every sale, read beside the open window, answers the searches and "全部记录" with the
    // statements' rows; the month view and the customer number are read from the engine.
    void theWindowPicksSearchesFromEverySaleHeld() {
        addSales();
        SalesDetailsWindow& window = openWindow();
        const Dataset* every = window.everySale().rows();
        QVERIFY(every);
        QCOMPARE(every->storedRowCount(), db().scalar(QStringLiteral("select count(*) from data1")).toInt());
        QVERIFY(&window.query() != every);
        QCOMPARE(identities(window.query()), rowsOf(monthViewStatement(QDate(2024, 3, 20))));

        auto* name = window.findChild<QLineEdit*>(QStringLiteral("Edit23"));
        QTest::keyClick(name, 'j');
        QCOMPARE(&window.query(), every);
        QCOMPARE(identities(window.query()), statementRows(nameSearch(QStringLiteral("j"))));
        QCOMPARE(window.grid()->rowCount(), window.query().recordCount());
        QTest::keyClick(name, 'a');
        QCOMPARE(identities(window.query()), statementRows(nameSearch(QStringLiteral("ja"))));
        window.findChild<QPushButton*>(QStringLiteral("Button16"))->click();
        QCOMPARE(&window.query(), every);
        QCOMPARE(identities(window.query()), rowsOf(allSalesStatement()));
        window.findChild<QPushButton*>(QStringLiteral("Button3"))->click();
        QVERIFY(&window.query() != every);
        QCOMPARE(identities(window.query()), rowsOf(monthViewStatement(QDate(2024, 3, 20))));
        QCOMPARE(window.everySale().rows(), every);

        // Closed, the window holds nothing and reads nothing more.
        window.reject();
        QVERIFY(!window.everySale().rows());
        QVERIFY(!window.everySale().isReading());
    }

    // Searches typed before every sale is held are the engine's; "全部记录" waits for the read.
    void theWindowAnswersWhileEverySaleIsBeingRead() {
        addSales();
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
        SalesDetailsWindow window(m_session->session());
        window.showModal();
        QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("Edit23")), 'j');
        QCOMPARE(identities(window.query()), statementRows(nameSearch(QStringLiteral("j"))));
        window.findChild<QPushButton*>(QStringLiteral("Button16"))->click();
        QCOMPARE(&window.query(), window.everySale().rows());
        QCOMPARE(identities(window.query()), rowsOf(allSalesStatement()));
    }

    // A correction made through the window changes the one row held; a deletion, or a write of
    // another program or till, drops what is held and the next search asks the engine.
    void everySaleHeldFollowsTheLedger_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("a correction here") << QStringLiteral("correct");
        QTest::newRow("a deletion here") << QStringLiteral("delete");
        QTest::newRow("a sale written elsewhere") << QStringLiteral("elsewhere");
    }
    void everySaleHeldFollowsTheLedger() {
        QFETCH(QString, change);
        addSales();
        SalesDetailsWindow& window = openWindow();
        const Dataset* every = window.everySale().rows();
        const qint64 jam = db().scalar(QStringLiteral("select ID from data1 where a='Jam'")).toLongLong();
        Database other;
        if (change == QLatin1String("correct")) {
            Dataset stored(QStringLiteral("Corrected"), {}, &db());
            stored.setStatement(QStringLiteral("select * from data1 where ID=?"), {jam});
            correctSale(db(), jam, {QStringLiteral("0"), QString(), QStringLiteral("王五"), QString(), QString(), QString()},
                        correctionTextsOf(stored));
        } else if (change == QLatin1String("delete")) {
            deleteSale(db(), jam);
        } else {
            dm().openAnother(other);
            LedgerBuilder(other, QDate(2024, 3, 20)).addSale({.name = "Jelly", .customerName = "王六", .quantity = 1.0});
        }
        auto* customer = window.findChild<QLineEdit*>(QStringLiteral("Edit14"));
        customer->setText(QStringLiteral("王"));
        SalesSearchConditions c;
        c.customerName = QStringLiteral("王");
        QCOMPARE(identities(window.query()), statementRows(c));
        QCOMPARE(identities(window.query()).size(), change == QLatin1String("delete") ? 0 : 1);
        QCOMPARE(&window.query() == every, change == QLatin1String("correct"));
        customer->clear();
        QCOMPARE(identities(window.query()), statementRows(SalesSearchConditions()));
    }

    // Another till's notice while the grid shows rows of every sale held: the grid keeps its
    // search, read again from the engine with the new sale.
    void shownRowsOfEverySaleAreReadAgainOnAnotherTillsNotice() {
        addSales();
        SalesDetailsWindow& window = openWindow();
        QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("Edit23")), 'j');
        QCOMPARE(&window.query(), window.everySale().rows());
        const qint64 added = m_session->ledger.addSale({.name = "Jelly", .nameInitials = "J", .quantity = 1.0});
        emit db().events().changedElsewhere();
        QVERIFY(!window.everySale().rows());
        QCOMPARE(identities(window.query()), statementRows(nameSearch(QStringLiteral("j"))));
        QVERIFY(identities(window.query()).contains(added));
        QCOMPARE(window.grid()->rowCount(), window.query().recordCount());
    }
};

QTEST_MAIN(SalesFilterTest)
#include "test_sales_filter.moc"
