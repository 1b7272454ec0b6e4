// ExcelImportWindow: paths, messages, the chosen database, and the main window's menu item.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "exchange/ui/excel_import_window.h"
#include "store/data_module.h"
#include "support/test_session.h"
#include "support/xls_fixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class ExcelImportWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    ExcelImportWindow* m_window = nullptr;

    int stockCount(Database& db) { return db.scalar(QStringLiteral("select count(*) from data")).toInt(); }
    QString goodWorkbook() {
        const QString path = m_session->file("good.xls");
        writeWorkbook(path, {sheet("lanbor", {importHeader(), stockRow("铅笔", "QB", dateCell("2024-03-05")),
                                               stockRow("橡皮", "XP", dateCell("2024-03-06"))})});
        return path;
    }
    void click(const char* name) {
        auto* button = m_window->findChild<QAbstractButton*>(QString::fromLatin1(name));
        QVERIFY(button);
        button->click();
    }
    const MessageRequest& lastMessage() { return m_session->ui.messages.last(); }

private slots:
    void initTestCase() {
        if (!haveXlwt())
            QSKIP("python3-xlwt is needed to write the workbooks");
    }
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_window = m_program->installExcelImport();
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void layoutAndMenuItem() {
        QAction* item = m_form->findChild<QAction*>(QStringLiteral("ExcelImport"));
        QVERIFY(item->isEnabled());
        item->trigger();
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->windowModality(), Qt::ApplicationModal);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Excel导入数据库"));
        QCOMPARE(m_window->size(), QSize(414, 161));
        QCOMPARE(m_window->findChild<QLabel*>("Label3")->text(), QStringLiteral("警告：导入前请您务必先备份数据库"));
        QCOMPARE(m_window->findChild<QLabel*>("Label2")->text(), QStringLiteral("Execl路径："));
        QCOMPARE(m_window->findChild<QLabel*>("Label1")->text(), QStringLiteral("数据库路径："));
        QCOMPARE(m_window->findChild<QToolButton*>("SpeedButton2")->text(), QStringLiteral("打开Excel文件"));
        QCOMPARE(m_window->findChild<QToolButton*>("SpeedButton1")->text(), QStringLiteral("选择数据库"));
        QCOMPARE(m_window->findChild<QPushButton*>("Image1")->text(), QStringLiteral("Excel自动导入"));
        // The program's own database is offered.
        QCOMPARE(m_window->databasePath()->text(), dm().address());
        QCOMPARE(m_window->databasePath()->nextInFocusChain(), m_window->workbookPath());
    }

    void fileDialogs() {
        m_session->ui.fileAnswers << "/x/other.mdb" << QString() << "/x/book.xls";
        click("SpeedButton1");
        click("SpeedButton1");  // cancelled: keeps the path
        click("SpeedButton2");
        QCOMPARE(m_window->databasePath()->text(), QStringLiteral("/x/other.mdb"));
        QCOMPARE(m_window->workbookPath()->text(), QStringLiteral("/x/book.xls"));
        QCOMPARE(m_session->ui.dialogCaptions, (QStringList{"请选择相应的MDB文件", "请选择相应的MDB文件", "请选择相应的Excel文件"}));
        QCOMPARE(m_session->ui.dialogFilters.first(), QStringLiteral("access (*.mdb)"));
        QCOMPARE(m_session->ui.dialogFilters.last(), QStringLiteral("Excel(*.xls *.xlsx *.ods)"));
    }

    void emptyPathRefused() {
        m_window->databasePath()->setText(QStringLiteral("  "));
        m_window->workbookPath()->setText(goodWorkbook());
        click("Image1");
        QCOMPARE(lastMessage().caption, QStringLiteral("警告"));
        QCOMPARE(lastMessage().text, QStringLiteral("请正确选择相关路径！"));
        QCOMPARE(lastMessage().icon, QMessageBox::Warning);
        QCOMPARE(stockCount(dm().connection()), 0);
    }

    void importIntoOwnDatabase() {
        QSignalSpy reload(&m_program->inventory(), &Inventory::shownAll);
        m_window->databasePath()->setText(dm().address());
        m_window->workbookPath()->setText(QStringLiteral(" ") + goodWorkbook() + QStringLiteral(" "));
        click("Image1");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"批量EXCEL导入成功！请退出在主界面中点全部记录查看"});
        QCOMPARE(lastMessage().caption, QStringLiteral("警告"));
        QCOMPARE(stockCount(dm().connection()), 2);
        QCOMPARE(reload.count(), 1);
        QCOMPARE(m_program->inventory().query().recordCount(), 2);  // the grid shows the new batches
        QVERIFY(m_window->connection().isOpen());
        // Each import is independent: the same workbook twice appends twice.
        click("Image1");
        QCOMPARE(stockCount(dm().connection()), 4);
        m_window->close();
        QVERIFY(!m_window->connection().isOpen());
    }

    void importIntoAnotherDatabase() {
        const QString other = m_session->file("other.mdb");
        Database::create(other);
        m_window->databasePath()->setText(other);
        m_window->workbookPath()->setText(goodWorkbook());
        click("Image1");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"批量EXCEL导入成功！请退出在主界面中点全部记录查看"});
        Database db;
        db.open(other);
        QCOMPARE(stockCount(db), 2);
        QCOMPARE(stockCount(dm().connection()), 0);
    }

    void failures_data() {
        QTest::addColumn<QString>("database");  // "" for the program's own
        QTest::addColumn<QString>("workbook");  // "good", "wrong sheet", "bad value", "missing" or a damaged one
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("detail");
        QTest::newRow("not a database") << "bad.mdb" << "good" << "连接ACCESS失败！请联系技术客服QQ:80562317" << "";
        QTest::newRow("missing database") << "none.mdb" << "good" << "连接ACCESS失败！请联系技术客服QQ:80562317" << "";
        QTest::newRow("wrong sheet") << "" << "wrong sheet" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "lanbor";
        QTest::newRow("bad value") << "" << "bad value" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "第 3 行，列 a7";
        QTest::newRow("missing workbook") << "" << "missing" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "找不到";
        // Read in a process of its own: the window says so and the program goes on.
        QTest::newRow("workbook that crashes the reader")
            << "" << "reader-crash.xls" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "已损坏";
        QTest::newRow("workbook without sheets")
            << "" << "no-sheets.xls" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "已损坏";
        QTest::newRow("entity expansion in an .xlsx")
            << "" << "entity-expansion.xlsx" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "DTD";
        QTest::newRow(".ods claiming a million columns")
            << "" << "million-columns.ods" << "批量EXCEL导入失败！请联系技术客服QQ:80562317" << "16384";
    }

    // The workbooks a shop keeper receives today: an .xlsx and LibreOffice's .ods.
    void importXlsxAndOds_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow(".xlsx") << "stock.xlsx";
        QTest::newRow(".ods") << "stock-libreoffice.ods";
    }
    void importXlsxAndOds() {
        QFETCH(QString, name);
        m_window->databasePath()->setText(dm().address());
        m_window->workbookPath()->setText(qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + "/tests/exchange/workbooks/" + name);
        click("Image1");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"批量EXCEL导入成功！请退出在主界面中点全部记录查看"});
        QCOMPARE(stockCount(dm().connection()), 5);
    }
    void failures() {
        QFETCH(QString, database);
        QFETCH(QString, workbook);
        QFETCH(QString, start);
        QFETCH(QString, detail);
        QString dbPath = dm().address();
        if (database == QLatin1String("bad.mdb")) {
            dbPath = m_session->file(database);
            QFile f(dbPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database at all, just some bytes");
        } else if (!database.isEmpty()) {
            dbPath = m_session->file(database);
        }
        QString book = m_session->file("book.xls");
        if (workbook == QLatin1String("good"))
            book = goodWorkbook();
        else if (workbook == QLatin1String("wrong sheet"))
            writeWorkbook(book, {sheet("Sheet1", {importHeader(), stockRow("铅笔", "QB", "2024-01-01")})});
        else if (workbook.contains(QLatin1String(".xls")) || workbook.endsWith(QLatin1String(".ods")))
            book = qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + QStringLiteral("/tests/exchange/workbooks/") + workbook;
        else if (workbook == QLatin1String("bad value")) {
            QJsonArray bad = stockRow("橡皮", "XP", "2024-01-01");
            bad[13] = "很多";
            writeWorkbook(book, {sheet("lanbor", {importHeader(), stockRow("铅笔", "QB", "2024-01-01"), bad})});
        }
        m_window->databasePath()->setText(dbPath);
        m_window->workbookPath()->setText(book);
        QSignalSpy reload(&m_program->inventory(), &Inventory::shownAll);
        click("Image1");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(lastMessage().caption, QStringLiteral("警告"));
        QVERIFY2(lastMessage().text.startsWith(start), qPrintable(lastMessage().text));
        QVERIFY2(lastMessage().text.contains(detail), qPrintable(lastMessage().text));
        QCOMPARE(stockCount(dm().connection()), 0);
        QCOMPARE(reload.count(), 0);
    }
};

QTEST_MAIN(ExcelImportWindowTest)
#include "test_excel_import_window.moc"
