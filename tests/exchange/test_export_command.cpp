// The "导出Excel" command over the shared grid: dialog, questions, messages, what the sheet holds.
#include "app/ui/main_window.h"
#include "exchange/biff_records.h"
#include "exchange/ui/data_grid_export.h"
#include "exchange/ui/xls_export_command.h"
#include "store/data_module.h"
#include "support/test_session.h"
#include "support/xlsx_reader.h"
#include "users/rights.h"
#include "widgets/data_grid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringDecoder>
#include <QtEndian>
#include <QtTest>

namespace {

// The LABEL texts of one sheet row, in the order written.
QStringList labels(const QByteArray& bytes, int row) {
    QStringList texts;
    QStringDecoder gbk("GB18030");
    for (int at = 0; at + 4 <= bytes.size();) {
        const quint16 id = qFromLittleEndian<quint16>(bytes.constData() + at);
        const int len = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        const QByteArray data = bytes.mid(at + 4, len);
        if (id == biff::kLabel && qFromLittleEndian<quint16>(data.constData()) == row)
            texts << gbk.decode(data.mid(8, qFromLittleEndian<quint16>(data.constData() + 6)));
        at += 4 + len;
    }
    return texts;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A grid of one number column and as many rows as asked, for sizes a ledger fixture would take long
// to write.
class CountedGrid : public GridExportSource {
public:
    explicit CountedGrid(int rows) : m_rows(rows) {}
    int columnCount() const override { return 1; }
    QString columnTitle(int) const override { return QStringLiteral("数|量"); }
    bool isColumnVisible(int) const override { return true; }
    QString footerText(int, int) const override { return QString(); }
    int rowCount() const override { return m_rows; }
    QVariant cellValue(int row, int) const override { return double(row); }

private:
    int m_rows;
};

// Clicks Cancel of the export's progress window as soon as it shows, as a user would.
class CancelOnShow : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* progress = qobject_cast<ExportProgressWindow*>(watched))
                QMetaObject::invokeMethod(progress->cancelButton(), &QPushButton::click, Qt::QueuedConnection);
        return false;
    }
};

}  // namespace

class ExportCommandTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<DataGrid> m_grid;

    GridColumn column(const char* field, const char* upper, const char* lower, const char* footer = nullptr) {
        GridColumn c;
        c.field = QString::fromUtf8(field);
        c.upperTitle = QString::fromUtf8(upper);
        c.lowerTitle = QString::fromUtf8(lower);
        if (footer) {
            c.footer = GridColumn::Footer::Text;
            c.footerText = QString::fromUtf8(footer);
        }
        return c;
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        m_session->ledger.addBatch({.name = "铅笔", .model = "HB", .purchasePrice = 1.5, .quantity = 10});
        m_session->ledger.addBatch({.name = "橡皮", .model = kNull, .purchasePrice = 2, .quantity = 3});
        m_session->ledger.addBatch({.name = "尺子", .model = "30cm", .purchasePrice = 4, .quantity = 7});
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid = std::make_unique<DataGrid>();
        GridColumn quantity = column("2", "进 货", "数 量");
        quantity.footer = GridColumn::Footer::Sum;
        m_grid->setColumns({column("a", "商 品 信 息", "名 称", "总计"), column("b", "商 品 信 息", "规格型号"), quantity,
                            column("1", "进 货", "单 价")});
        m_grid->setDataset(&m_session->stockQuery());
        m_session->session().grantRights(Rights::forUser(QStringLiteral("超级管理员")));
    }
    void cleanup() {
        m_grid.reset();
        m_session.reset();
    }

    // What the grid shows: sorted rows, visible columns, fixed footers only, stored values.
    void sheetFollowsTheGrid() {
        m_grid->setColumnHidden(1, true);
        m_grid->sortByTitle(2);  // quantity, descending
        m_grid->setCurrentRow(1);
        const int current = m_grid->currentRow();
        const QString path = m_session->file("grid.xls");
        m_session->ui.fileAnswers << path;
        QVERIFY(exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("商品进货统计报表")));
        QCOMPARE(m_session->ui.dialogFilters, QStringList{"Excel 工作簿 (*.xlsx);;Excel 97-2003 (*.xls)"});
        QCOMPARE(m_session->ui.openedUrls, QStringList{QFileInfo(path).absoluteFilePath()});
        const QByteArray bytes = readAll(path);
        QCOMPARE(labels(bytes, 0), QStringList{"商品进货统计报表"});
        QCOMPARE(labels(bytes, 1), (QStringList{"制表人：超级管理员", "制表时间：2024-03-05 09:30:15"}));
        QCOMPARE(labels(bytes, 2), (QStringList{"商 品 信 息", "进 货", "进 货"}));
        QCOMPARE(labels(bytes, 3), (QStringList{"名 称", "数 量", "单 价"}));
        QCOMPARE(labels(bytes, 4), QStringList{"铅笔"});
        QCOMPARE(labels(bytes, 5), QStringList{"尺子"});
        QCOMPARE(labels(bytes, 6), QStringList{"橡皮"});
        QCOMPARE(labels(bytes, 7), (QStringList{"总计", "", ""}));  // the sum has no fixed text
        QCOMPARE(m_grid->currentRow(), current);
    }

    // The workbook of the same grid: sorted rows, visible columns, numbers as numbers and the
    // grid's own total under its summing column.
    void workbookFollowsTheGrid() {
        if (!haveOpenpyxl())
            QSKIP("no python3-openpyxl");
        m_grid->setColumnHidden(1, true);
        m_grid->sortByTitle(2);  // quantity, descending
        const QString path = m_session->file("grid.xlsx");
        m_session->ui.fileAnswers << path;
        QVERIFY(exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("商品进货统计报表")));
        const QJsonObject sheet = readXlsx(path)["sheets"].toArray()[0].toObject();
        QCOMPARE(sheet["merged"].toArray(), (QJsonArray{"A1:C1", "B3:C3"}));
        const QMap<QString, QJsonArray> cells = xlsxCells(sheet);
        QCOMPARE(cells.value("4,2")[0].toString(), QStringLiteral("数 量"));
        QCOMPARE(cells.value("5,1")[0].toString(), QStringLiteral("铅笔"));
        QCOMPARE(cells.value("5,2"), (QJsonArray{10, "n", "General"}));
        QCOMPARE(cells.value("6,1")[0].toString(), QStringLiteral("尺子"));
        QCOMPARE(cells.value("7,1")[0].toString(), QStringLiteral("橡皮"));
        QCOMPARE(cells.value("7,3"), (QJsonArray{2, "n", "General"}));
        QCOMPARE(cells.value("8,1")[0].toString(), QStringLiteral("总计"));
        QCOMPARE(cells.value("8,2"), (QJsonArray{20, "n", "General"}));
        QVERIFY(!cells.contains("8,3"));
        for (auto it = cells.cbegin(); it != cells.cend(); ++it)
            QVERIFY2(it.value()[0].toString() != QLatin1String("HB"), "a hidden column was written");
    }

    void defaultExtensionAndCancel() {
        m_session->ui.fileAnswers << QString();
        QVERIFY(!exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        QVERIFY(m_session->ui.openedUrls.isEmpty());
        m_session->ui.fileAnswers << m_session->file("noext");
        QVERIFY(exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        // The dialog's first kind, the workbook.
        QVERIFY(QFile::exists(m_session->file("noext.xlsx")));
        QVERIFY(!QFile::exists(m_session->file("noext.xls")));
    }

    void overwriteQuestion() {
        const QString path = m_session->file("old.xls");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.close();
        m_session->ui.fileAnswers << path;
        m_session->ui.replies << QMessageBox::No;
        QVERIFY(!exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest& q = m_session->ui.messages[0];
        QCOMPARE(q.caption, QStringLiteral("提示"));
        QCOMPARE(q.text, QStringLiteral("已存在文件（%1），是否覆盖？").arg(path));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.defaultButton, QMessageBox::No);
        QCOMPARE(readAll(path), QByteArray("old"));
        QVERIFY(m_session->ui.openedUrls.isEmpty());

        m_session->ui.fileAnswers << path;
        m_session->ui.replies << QMessageBox::Yes;
        QVERIFY(exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        QVERIFY(readAll(path).startsWith(QByteArray::fromHex("0908")));
    }

    void failureIsReported() {
        m_session->ui.fileAnswers << m_session->file("missing/folder/out.xls");
        QVERIFY(!exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY2(m_session->ui.messages[0].text.startsWith(QStringLiteral("导出失败：")), qPrintable(m_session->ui.messages[0].text));
        QVERIFY(m_session->ui.openedUrls.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!QFile::exists(m_session->file("missing")));
    }

    void emptyGridWritesNothing() {
        m_session->stockQuery().setStatement(QStringLiteral("select * from data where 1=0"));
        m_grid->refresh();
        m_session->ui.fileAnswers << m_session->file("empty.xls");
        QVERIFY(!exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")));
        QVERIFY(!QFile::exists(m_session->file("empty.xls")));
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    // Records an .xls cannot hold: one sentence says why, and the workbook is offered instead.
    void misfitOffersWorkbook_data() {
        QTest::addColumn<QMessageBox::StandardButton>("reply");
        QTest::newRow("yes") << QMessageBox::Yes;
        QTest::newRow("no") << QMessageBox::No;
    }
    void misfitOffersWorkbook() {
        QFETCH(QMessageBox::StandardButton, reply);
        m_session->ledger.addBatch({.name = "笑脸😀", .quantity = 1});
        m_session->stockQuery().setStatement(QStringLiteral("select * from data order by id"));
        m_grid->refresh();
        const QString path = m_session->file("misfit.xls");
        const QString workbook = m_session->file("misfit.xlsx");
        m_session->ui.fileAnswers << path;
        m_session->ui.replies << reply;
        QCOMPARE(exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t")), reply == QMessageBox::Yes);
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest& offer = m_session->ui.messages[0];
        QCOMPARE(offer.caption, QStringLiteral("提示"));
        QCOMPARE(offer.text, QStringLiteral("“笑脸😀”中的字符“😀”不在 GBK 字符集里，.xls 文件存不下它。\n"
                                            "是否改存为 Excel 工作簿（%1）？").arg(workbook));
        QCOMPARE(offer.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(offer.defaultButton, QMessageBox::Yes);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QFile::exists(workbook), reply == QMessageBox::Yes);
        QCOMPARE(m_session->ui.openedUrls,
                 reply == QMessageBox::Yes ? QStringList{QFileInfo(workbook).absoluteFilePath()} : QStringList());
        if (reply == QMessageBox::Yes && haveOpenpyxl()) {
            const QMap<QString, QJsonArray> cells = xlsxCells(readXlsx(workbook)["sheets"].toArray()[0].toObject());
            QCOMPARE(cells.value("8,1")[0].toString(), QStringLiteral("笑脸😀"));
        }
    }

    void tooManyRowsForXls() {
        const CountedGrid grid(16384);
        const QString path = m_session->file("long.xls");
        m_session->ui.replies << QMessageBox::Yes;
        QVERIFY(exportGridToXlsFile(nullptr, grid, QStringLiteral("t"), QStringLiteral("u"), path));
        QCOMPARE(m_session->ui.messageTexts(),
                 QStringList{QStringLiteral("一张 .xls 工作表最多 16384 行，这些记录需要 16389 行。\n"
                                            "是否改存为 Excel 工作簿（%1）？").arg(m_session->file("long.xlsx"))});
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::exists(m_session->file("long.xlsx")));
    }

    // Cancel in the progress window stops the export: no file, no message, nothing opened.
    void cancelLeavesNoFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << "cancel.xlsx";
        QTest::newRow("xls") << "cancel.xls";
    }
    void cancelLeavesNoFile() {
        QFETCH(QString, name);
        CancelOnShow canceller;
        qApp->installEventFilter(&canceller);
        m_session->ui.fileAnswers << m_session->file(name);
        const bool written = exportDataGrid(m_session->session(), nullptr, *m_grid, QStringLiteral("t"));
        qApp->removeEventFilter(&canceller);
        QVERIFY(!written);
        QCOMPARE(QDir(m_session->path()).entryList({QStringLiteral("*cancel*")}, QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(m_session->ui.messages.isEmpty());
        QVERIFY(m_session->ui.openedUrls.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    // The main window's "导出Excel" (Ctrl+E) over its grid.
    void mainWindowItem() {
        MainWindow::setRemovableCheck([] { return true; });
        MainWindow form;
        QAction* item = form.findChild<QAction*>(QStringLiteral("GridExport"));
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        connectGridExport(m_session->session(), item, &form, *m_grid, QStringLiteral("商品进货统计报表"));
        QVERIFY(item->isEnabled());
        const QString path = m_session->file("main.xls");
        m_session->ui.fileAnswers << path;
        item->trigger();
        QCOMPARE(labels(readAll(path), 0), QStringList{"商品进货统计报表"});
    }

    void progressWindow() {
        ExportProgressWindow progress;
        QCOMPARE(progress.size(), QSize(300, 100));
        QVERIFY(progress.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(progress.findChild<QLabel*>("Label1")->text(), QStringLiteral("正在导出数据，请稍候......"));
        QCOMPARE(progress.bar()->size(), QSize(260, 13));
        progress.setRange(3);
        progress.setValue(2);
        QCOMPARE(progress.bar()->maximum(), 3);
        QCOMPARE(progress.bar()->value(), 2);
    }

    // The bar is painted at most once a frame, but the last record always shows as a full bar.
    void progressEndsFullWhateverItsPace() {
        ExportProgressWindow progress;
        progress.setRange(1000);
        for (int done = 0; done <= 1000; ++done)
            progress.setValue(done);
        QCOMPARE(progress.bar()->value(), 1000);
    }
};

QTEST_MAIN(ExportCommandTest)
#include "test_export_command.moc"
