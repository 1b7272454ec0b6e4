// Times one operation of the program on a data.mdb through its real code paths: the program starts
// as a user starts it (offscreen), logs in, and the operation is driven through the buttons, fields
// and menus of its windows. Prints "<operation> <seconds> <peak KiB> <rows>"; bench/run compares it
// with the sqlite3 shell doing the same work on the same file, or with psql on a server's ledger.
//   tovrakel-bench WORKDIR OPERATION [ARGUMENT]
// The timed part ends after the events it caused have been handled, so the repaint of the windows
// is included.
#include "peak_memory.h"

#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "app/ui/screenshot_mode.h"
#include "app/ui/startup.h"
#include "exchange/grid_to_xls.h"
#include "exchange/ui/data_grid_export.h"
#include "exchange/ui/excel_import_window.h"
#include "exchange/ui/xls_export_command.h"
#include "inventory/ui/inventory.h"
#include "records/ui/product_summary_window.h"
#include "records/ui/sales_details_window.h"
#include "sales/sale_entry.h"
#include "store/data_module.h"
#include "store/sqlite_engine.h"
#include "store/database.h"
#include "store/stock_table.h"
#include "text/number_text.h"
#include "users/ui/login_window.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <sqlite3.h>

namespace {

QString g_operation;
QString g_argument;

long g_baseKiB = -1;  // resident memory the peak is measured above, when an operation sets it

void report(double seconds, long rows) {
    QTextStream out(stdout);
    out << g_operation << ' ' << seconds << ' ' << peakKiB() << ' ' << rows;
    if (g_baseKiB >= 0)
        out << ' ' << peakKiB() - g_baseKiB;
    out << Qt::endl;
}

// Starts the peak afresh at the present resident memory (the kernel's VmHWM).
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

[[noreturn]] void fail(const QString& why) {
    QTextStream(stderr) << "tovrakel-bench " << g_operation << ": " << why << Qt::endl;
    std::_Exit(1);
}

template <typename T>
T* child(QObject* in, const QString& name) {
    T* found = in ? in->findChild<T*>(name) : nullptr;
    if (!found)
        fail(QStringLiteral("no %1").arg(name));
    return found;
}

// Answers every message box with its default button, as screenshot mode does; the save dialog
// answers with the file the bench names.
class BenchUiServices : public AutoAnswerUiServices {
public:
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return g_argument; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return g_argument; }
};

// Handles everything the step caused, painting included.
void settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// Runs `setup` untimed, then times `step` until its events are handled.
void measure(const std::function<void()>& setup, const std::function<void()>& step,
             const std::function<long()>& rows) {
    if (setup)
        setup();
    settle();
    QElapsedTimer timer;
    timer.start();
    step();
    settle();
    const double seconds = timer.nsecsElapsed() / 1e9;
    report(seconds, rows ? rows() : 0);
}

void click(QAbstractButton* button) { button->click(); }

void typeKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// A left click in the middle of a column title.
void clickTitle(DataGrid* grid, int column) {
    QHeaderView* header = grid->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    const QPoint global = header->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
}

int gridColumn(const DataGrid* grid, const QString& field) {
    for (int c = 0; c < grid->columnCount(); ++c)
        if (grid->columns().at(c).field == field)
            return c;
    fail(QStringLiteral("no grid column %1").arg(field));
}

SalesDetailsWindow* openSalesDetails(MainWindow& form) {
    click(child<QToolButton>(&form, QStringLiteral("ToolButton19")));
    settle();
    auto* sales = form.findChild<SalesDetailsWindow*>();
    if (!sales || !sales->isVisible())
        fail(QStringLiteral("the sales details window did not open"));
    return sales;
}

// The window as the user finds it a few seconds after opening it: every sale read beside it.
SalesDetailsWindow* openSalesDetailsHoldingEverySale(MainWindow& form) {
    SalesDetailsWindow* sales = openSalesDetails(form);
    sales->everySale().waitForRead();
    settle();
    if (!sales->everySale().rows())
        fail(QStringLiteral("the sales details window did not read every sale"));
    return sales;
}

Program* g_program = nullptr;

Dataset& stockRowsShown() { return g_program->inventory().query(); }
Dataset& salesRowsShown() { return g_program->salesDetails()->query(); }
long salesRows() { return salesRowsShown().isOpen() ? salesRowsShown().recordCount() : 0; }
long stockRows() { return stockRowsShown().isOpen() ? stockRowsShown().recordCount() : 0; }
qint64 count(const QString& table) { return dm().connection().scalar(QStringLiteral("select count(*) from ") + table).toLongLong(); }

// The row of the inventory grid holding the stock record with this identity.
int stockRow(qint64 id) {
    const Dataset& q = stockRowsShown();
    const int idColumn = q.columnIndex(stock::kId);
    for (int row = q.recordCount() - 1; row >= 0; --row)
        if (qint64(q.number(row, idColumn)) == id)
            return row;
    fail(QStringLiteral("no stock record %1 in the grid").arg(id));
}

void runOperation(MainWindow& form) {
    g_program = form.findChild<Program*>();
    if (!g_program)
        fail(QStringLiteral("no program"));
    Inventory* inventory = &g_program->inventory();
    if (!inventory || !inventory->grid())
        fail(QStringLiteral("no inventory"));
    const QString& op = g_operation;
    if (op == QLatin1String("stock-all")) {
        measure({}, [&] { click(child<QPushButton>(&form, QStringLiteral("Button12"))); }, stockRows);
    } else if (op == QLatin1String("stock-key")) {
        QLineEdit* name = child<QLineEdit>(inventory->controls().searchBox, QStringLiteral("Edit23"));
        measure([&] { name->setFocus(); }, [&] { typeKey(name, Qt::Key_J, QStringLiteral("j")); }, stockRows);
        if (name->text() != QLatin1String("j"))
            fail(QStringLiteral("the key did not reach the search field"));
    } else if (op == QLatin1String("sales-open")) {
        measure({}, [&] { openSalesDetails(form); }, salesRows);
    } else if (op == QLatin1String("sales-hold")) {
        // Opening the window until every sale is read beside it.
        SalesDetailsWindow* sales = nullptr;
        measure({}, [&] { sales = openSalesDetailsHoldingEverySale(form); },
                [&] { return long(sales->everySale().rows()->storedRowCount()); });
    } else if (op == QLatin1String("sales-close")) {
        // Closing the window a second after opening it, while every sale is still being read
        // (not part of bench/run): the read is stopped, not waited for.
        SalesDetailsWindow* sales = nullptr;
        measure(
            [&] {
                sales = openSalesDetails(form);
                QElapsedTimer opened;
                opened.start();
                while (opened.elapsed() < 1000)
                    QApplication::processEvents(QEventLoop::AllEvents, 50);
                if (!sales->everySale().isReading())
                    fail(QStringLiteral("every sale was read within a second: nothing to stop"));
            },
            [&] { sales->reject(); }, {});
        if (sales->everySale().isReading() || sales->everySale().rows())
            fail(QStringLiteral("the closed window still reads or holds every sale"));
    } else if (op == QLatin1String("sales-all")) {
        SalesDetailsWindow* sales = nullptr;
        measure([&] { sales = openSalesDetailsHoldingEverySale(form); },
                [&] { click(child<QPushButton>(sales, QStringLiteral("Button16"))); }, salesRows);
    } else if (op == QLatin1String("sales-sort")) {
        SalesDetailsWindow* sales = nullptr;
        int column = -1;
        measure(
            [&] {
                sales = openSalesDetailsHoldingEverySale(form);
                click(child<QPushButton>(sales, QStringLiteral("Button16")));
                column = gridColumn(sales->grid(), QStringLiteral("a"));
            },
            [&] { clickTitle(sales->grid(), column); }, salesRows);
        if (sales->grid()->header()->mark(column) != BandHeader::Mark::Down)
            fail(QStringLiteral("the title click did not sort"));
    } else if (op == QLatin1String("sales-key") || op == QLatin1String("sales-key-held")) {
        // One key in the name initials of the sales details, which searches at once, picking its
        // rows from every sale held beside the window; "-held" types it while "全部记录" shows.
        const bool held = op == QLatin1String("sales-key-held");
        SalesDetailsWindow* sales = nullptr;
        QLineEdit* name = nullptr;
        measure(
            [&] {
                sales = openSalesDetailsHoldingEverySale(form);
                if (held)
                    click(child<QPushButton>(sales, QStringLiteral("Button16")));
                name = child<QLineEdit>(sales, QStringLiteral("Edit23"));
                name->setFocus();
            },
            [&] { typeKey(name, Qt::Key_J, QStringLiteral("j")); }, salesRows);
        if (name->text() != QLatin1String("j"))
            fail(QStringLiteral("the key did not reach the search field"));
    } else if (op == QLatin1String("memory-parts")) {
        // Where the memory of "全部记录" of the sales goes, column by column (not part of bench/run).
        SalesDetailsWindow* sales = openSalesDetails(form);
        settle();
        const long before = residentKiB();
        {
            Dataset alone(QStringLiteral("alone"), QStringLiteral("select * from data1 order by day1"), &dm().connection());
            alone.open();
            QTextStream(stderr) << "the rows alone " << (residentKiB() - before) / 1024 << " MB" << Qt::endl;
        }
        const long between = residentKiB();
        click(child<QPushButton>(sales, QStringLiteral("Button16")));
        settle();
        QTextStream(stderr) << "the rows in the grid " << (residentKiB() - between) / 1024 << " MB" << Qt::endl;
        const Dataset& data = salesRowsShown();
        size_t total = 0;
        for (int c = 0; c < data.columnCount(); ++c) {
            const DatasetColumn column = data.column(c);
            total += column.heldBytes();
            if (column.kind() == DatasetColumn::Kind::Empty)
                continue;
            QTextStream(stderr) << column.name() << ' '
                                << (column.kind() == DatasetColumn::Kind::Number ? "numbers"
                                    : column.keepsDistinctTexts()               ? "texts held once"
                                                                                : "each text held")
                                << ' ' << column.distinctTexts() << " distinct, " << column.heldBytes() / 1e6 << " MB"
                                << Qt::endl;
        }
        QTextStream(stderr) << "columns " << total / 1e6 << " MB, rows " << data.recordCount() << ", order "
                            << data.recordCount() * 4 / 1e6 << " MB, resident " << residentKiB() / 1024 << " MB, peak "
                            << peakKiB() / 1024 << " MB" << Qt::endl;
    } else if (op == QLatin1String("summary")) {
        measure({}, [&] { click(child<QToolButton>(&form, QStringLiteral("ToolButton22"))); },
                [] { return long(g_program->summary()->query().recordCount()); });
        if (!form.findChild<ProductSummaryWindow*>() || !form.findChild<ProductSummaryWindow*>()->isVisible())
            fail(QStringLiteral("the product summary did not open"));
    } else if (op == QLatin1String("sale") || op == QLatin1String("sale-write")) {
        // ARGUMENT: the identity of a stock record with stock to sell.
        const qint64 id = g_argument.toLongLong();
        const qint64 before = count(QStringLiteral("data1"));
        QWidget* panel = form.salePanel();
        if (op == QLatin1String("sale")) {
            measure(
                [&] {
                    emit inventory->grid()->rowDoubleClicked(stockRow(id));
                    if (!panel->isVisible())
                        fail(QStringLiteral("the sale panel did not open"));
                    child<QLineEdit>(panel, QStringLiteral("SaleQuantity"))->setText(QStringLiteral("1"));
                },
                [&] { click(child<QPushButton>(panel, QStringLiteral("ConfirmSale"))); }, [] { return 1L; });
        } else {
            // The write alone, as the panel makes it: checks, conversion, one transaction.
            StockRecord stock;
            SaleEntryTexts entry;
            measure(
                [&] {
                    stock = stockRecordAt(stockRowsShown(), stockRow(id));
                    entry.price = generalNumberText(stock.salesPrice.value_or(0));
                    entry.quantity = QStringLiteral("1");
                    entry.arrears = QStringLiteral("0");
                    entry.saleDate = today().toString(QStringLiteral("yyyy-MM-dd"));
                    entry.customerNumber = QStringLiteral("20261210001");
                    entry.customerName = QStringLiteral("散客");
                },
                [&] {
                    const SaleCheck check = checkSale(entry, stock);
                    if (check.refusal != SaleRefusal::None || !check.figures)
                        fail(QStringLiteral("the sale was refused: ") + refusalMessage(check.refusal));
                    recordSale(prepareSale(stock, entry, *check.figures), dm().connection());
                },
                [] { return 1L; });
        }
        if (count(QStringLiteral("data1")) != before + 1)
            fail(QStringLiteral("no sales record was written"));
    } else if (op == QLatin1String("export")) {
        // ARGUMENT: FILE.xls,FROM,TO: the sales of the date range found by the search box.
        const QStringList parts = g_argument.split(QLatin1Char(','));
        if (parts.size() != 3)
            fail(QStringLiteral("export wants FILE,FROM,TO"));
        g_argument = parts[0];
        SalesDetailsWindow* sales = nullptr;
        measure(
            [&] {
                QFile::remove(parts[0]);
                sales = openSalesDetails(form);
                child<QCheckBox>(sales, QStringLiteral("CheckBox6"))->setChecked(true);
                child<DateField>(sales, QStringLiteral("DateEdit2"))->setDate(QDate::fromString(parts[1], Qt::ISODate));
                child<DateField>(sales, QStringLiteral("DateEdit3"))->setDate(QDate::fromString(parts[2], Qt::ISODate));
                click(child<QPushButton>(sales, QStringLiteral("Button4")));
            },
            [&] { child<QAction>(sales, QStringLiteral("SalesExport"))->trigger(); }, salesRows);
        if (QFile(parts[0]).size() < 1000)
            fail(QStringLiteral("no XLS file was written"));
    } else if (op == QLatin1String("export-xlsx")) {
        // ARGUMENT: FILE.xlsx: every sale ("全部记录") as a workbook; the peak is measured from the
        // loaded grid on.
        SalesDetailsWindow* sales = nullptr;
        measure(
            [&] {
                QFile::remove(g_argument);
                sales = openSalesDetails(form);
                click(child<QPushButton>(sales, QStringLiteral("Button16")));
                settle();
                g_baseKiB = residentKiB();
                resetPeak();
            },
            [&] { child<QAction>(sales, QStringLiteral("SalesExport"))->trigger(); }, salesRows);
        if (QFile(g_argument).size() < 1000)
            fail(QStringLiteral("no workbook was written"));
    } else if (op == QLatin1String("sort-parts") || op == QLatin1String("key-parts")) {
        // Where the time of a title sort and of a search key goes (not part of bench/run).
        QElapsedTimer t;
        auto lap = [&t](const char* what) {
            QTextStream(stderr) << what << ' ' << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
            t.restart();
        };
        DataGrid* grid = inventory->grid();
        Dataset* data = &stockRowsShown();
        QString statement = QStringLiteral("select * from data where [2]>0  and e like ?");
        QVariantList params = {QStringLiteral("%j%")};
        QString sortSpec = QStringLiteral("a DESC");
        if (op == QLatin1String("sort-parts")) {
            SalesDetailsWindow* sales = openSalesDetails(form);
            click(child<QPushButton>(sales, QStringLiteral("Button16")));
            grid = sales->grid();
            data = &salesRowsShown();
            statement = QStringLiteral("select * from data1 order by day1");
            params.clear();
        }
        settle();
        t.start();
        if (op == QLatin1String("key-parts")) {
            data->setStatement(statement, params);
            lap("statement and rows");
        } else {
            data->sort(sortSpec);
            lap("dataset sort");
        }
        grid->refresh();
        lap("grid refresh");
        settle();
        lap("events");
        data->sort(QStringLiteral("g DESC"));
        lap("dataset sort by customer");
        data->sort(QStringLiteral("4 DESC"));
        lap("dataset sort by amount");
    } else if (op == QLatin1String("export-parts")) {
        // Where the time of an export goes (not part of bench/run).
        const QStringList parts = g_argument.split(QLatin1Char(','));
        SalesDetailsWindow* sales = openSalesDetails(form);
        child<QCheckBox>(sales, QStringLiteral("CheckBox6"))->setChecked(true);
        child<DateField>(sales, QStringLiteral("DateEdit2"))->setDate(QDate::fromString(parts[1], Qt::ISODate));
        child<DateField>(sales, QStringLiteral("DateEdit3"))->setDate(QDate::fromString(parts[2], Qt::ISODate));
        click(child<QPushButton>(sales, QStringLiteral("Button4")));
        settle();
        const DataGridExport source(*sales->grid());
        QElapsedTimer t;
        t.start();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        XlsGridWriter xls;
        xls.setGrid(&source);
        xls.WriteSheet(buffer);
        QTextStream(stderr) << "sheet in memory " << t.nsecsElapsed() / 1e6 << " ms, " << buffer.size() << " bytes" << Qt::endl;
        t.restart();
        xls.setFileName(parts[0] + QStringLiteral(".plain.xls"));
        xls.Export();
        QTextStream(stderr) << "file without progress " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
        t.restart();
        {
            auto progress = std::make_unique<ExportProgressWindow>();
            QTextStream(stderr) << "progress made " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
            progress->setRange(100);
            progress->show();
            QTextStream(stderr) << "progress shown " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
            progress->repaint();
            QTextStream(stderr) << "progress painted " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QApplication::restoreOverrideCursor();
            QTextStream(stderr) << "cursor " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
        }
        t.restart();
        exportGridToXlsFile(sales, source, QStringLiteral("t"), QStringLiteral("u"), parts[0]);
        QTextStream(stderr) << "whole command " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
        t.restart();
        settle();
        QTextStream(stderr) << "events after " << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    } else if (op == QLatin1String("import") || op == QLatin1String("import-xlsx")) {
        // ARGUMENT: the workbook (.xls or .xlsx).
        const qint64 before = count(QStringLiteral("data"));
        ExcelImportWindow* window = form.findChild<ExcelImportWindow*>();
        if (!window)
            fail(QStringLiteral("no import window"));
        measure(
            [&] {
                window->showModal();
                window->workbookPath()->setText(g_argument);
                window->databasePath()->setText(dm().address());
            },
            [&] { click(child<QPushButton>(window, QStringLiteral("Image1"))); },
            [&] { return long(count(QStringLiteral("data")) - before); });
        if (count(QStringLiteral("data")) == before)
            fail(QStringLiteral("nothing was imported"));
    } else {
        fail(QStringLiteral("unknown operation"));
    }
    QApplication::quit();
}

// Seconds since bench/run started this process (TOVRAKEL_BENCH_START_NS, wall clock).
double sinceStart() {
    const qint64 start = qEnvironmentVariable("TOVRAKEL_BENCH_START_NS").toLongLong();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return start > 0 ? (qint64(now.tv_sec) * 1000000000 + now.tv_nsec - start) / 1e9 : 0;
}

// Reports once the watched window has painted itself for the first time.
class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [] {
                report(sinceStart(), 0);
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

BenchUiServices g_services;

// TOVRAKEL_BENCH_TRACE=1: each statement with the milliseconds from its first step to its end (our
// reading of its rows included), on stderr.
int traceStatement(unsigned type, void*, void* statement, void* nanoseconds) {
    if (type == SQLITE_TRACE_PROFILE) {
        char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
        QTextStream(stderr) << "statement " << *static_cast<qint64*>(nanoseconds) / 1e6 << " ms: "
                            << QString::fromUtf8(sql ? sql : "").simplified().left(160) << Qt::endl;
        sqlite3_free(sql);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        QTextStream(stderr) << "usage: tovrakel-bench WORKDIR OPERATION [ARGUMENT]\n";
        return 2;
    }
    const QString workdir = QString::fromLocal8Bit(argv[1]);
    g_operation = QString::fromLocal8Bit(argv[2]);
    g_argument = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // A program started from a fixed disk advises a removable one in a message box first; the
    // bench starts as if from a removable drive so the login comes at once.
    MainWindow::setRemovableCheck([] { return true; });
    const auto logIn = [](LoginWindow& login) {
        if (g_operation == QLatin1String("startup")) {
            login.installEventFilter(new FirstPaint(&login));
            login.show();
            return;
        }
        setUiServices(&g_services);
        auto* file = dynamic_cast<SqliteEngine*>(&dm().connection().engine());
        if (qEnvironmentVariableIntValue("TOVRAKEL_BENCH_TRACE") && file)
            sqlite3_trace_v2(file->handle(), SQLITE_TRACE_PROFILE, traceStatement, nullptr);
        login.loginUnattended(Database::kAdministrator, Database::kInitialPassword);
        if (!login.loggedIn())
            fail(QStringLiteral("the login failed"));
        QTimer::singleShot(0, qApp, [] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<MainWindow*>(window))
                    return runOperation(*form);
            fail(QStringLiteral("no main window"));
        });
    };

    // The update check at start goes to a closed local port, so no network decides the timing.
    QByteArrayList args = {argv[0], "--workdir", workdir.toLocal8Bit(), "--update-url",
                           "http://127.0.0.1:9/tovrakel.inf"};
    // TOVRAKEL_BENCH_DATABASE=URI: the ledger on a server instead of WORKDIR's data.mdb.
    if (const QByteArray uri = qgetenv("TOVRAKEL_BENCH_DATABASE"); !uri.isEmpty())
        args << "--database" << uri;
    std::vector<char*> pointers;
    for (QByteArray& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return runProgram(int(args.size()), pointers.data(), logIn);
}
