// The XLS writer: the record stream byte by byte, hidden and restricted columns, the file handling
// of an export, what an .xls cannot hold, the .xlsx workbook, and independent readers reading our
// files back.
#include "exchange/biff_records.h"
#include "exchange/exchange_error.h"
#include "exchange/grid_export_source.h"
#include "exchange/grid_title.h"
#include "exchange/grid_to_xls.h"
#include "exchange/ledger_grids.h"
#include "store/data_module.h"
#include "users/rights.h"
#include "support/test_session.h"
#include "support/xlsx_reader.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>
#include <QtEndian>
#include <QtTest>
#include <cstring>

namespace {

struct Record {
    quint16 id = 0;
    QByteArray data;
    quint16 u16(int at) const { return qFromLittleEndian<quint16>(data.constData() + at); }
    int row() const { return u16(0); }
    int column() const { return u16(2); }
    int format() const { return u16(4); }
    QString text() const {  // a LABEL's GBK bytes
        QStringDecoder gbk("GB18030");
        return gbk.decode(data.mid(8, u16(6)));
    }
    double number() const {
        quint64 bits = qFromLittleEndian<quint64>(data.constData() + 6);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
};

QList<Record> parse(const QByteArray& bytes) {
    QList<Record> records;
    int at = 0;
    while (at + 4 <= bytes.size()) {
        Record r;
        r.id = qFromLittleEndian<quint16>(bytes.constData() + at);
        const int len = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        r.data = bytes.mid(at + 4, len);
        records << r;
        at += 4 + len;
    }
    return records;
}

// A grid made of fixed values, for the cases a dataset cannot show (huge sheets, odd types).
class FixedGrid : public GridExportSource {
public:
    QStringList titles;
    QList<bool> shown;
    QStringList footers;
    QList<QVariantList> rows;
    int fakeRows = -1;  // a row count without values, for the size limit
    int columnCount() const override { return int(titles.size()); }
    QString columnTitle(int c) const override { return titles[c]; }
    bool isColumnVisible(int c) const override { return shown.isEmpty() || shown[c]; }
    QString footerText(int c, int) const override { return footers.value(c); }
    int rowCount() const override { return fakeRows >= 0 ? fakeRows : int(rows.size()); }
    QVariant cellValue(int r, int c) const override {
        if (fakeRows >= 0)
            return 1.0;
        const QVariant v = rows[r][c];
        if (v.toString() == QLatin1String("!fail"))
            throw ExchangeError(QStringLiteral("读取失败"));
        return v;
    }
};

const QDateTime kMadeAt(QDate(2024, 3, 5), QTime(9, 30, 15));

}  // namespace

class GridToXlsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    LedgerBuilder& ledger() { return m_session->ledger; }
    QByteArray sheet(XlsGridWriter& xls) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        xls.WriteSheet(buffer);
        return buffer.data();
    }
    XlsGridWriter exporter(const GridExportSource& grid, const QString& title) {
        XlsGridWriter xls;
        xls.setGrid(&grid);
        xls.setTitleName(title);
        xls.setUserName(QStringLiteral("超级管理员"));
        xls.setMadeAt(kMadeAt);
        return xls;
    }
    // Cells of a sheet as (row, column) → record.
    Record at(const QMap<QPair<int, int>, Record>& map, int row, int column) {
        return map.value(qMakePair(row, column));
    }
    QMap<QPair<int, int>, Record> cells(const QList<Record>& records) {
        QMap<QPair<int, int>, Record> map;
        for (const Record& r : records)
            if (r.id == biff::kLabel || r.id == biff::kNumber || r.id == biff::kRk || r.id == biff::kBlank)
                map.insert({r.row(), r.column()}, r);
        return map;
    }
    QStringList rowTexts(const QList<Record>& records, int row) {
        QStringList texts;
        for (const Record& r : records)
            if (r.id == biff::kLabel && r.row() == row)
                texts << r.text();
        return texts;
    }
    // Reads a file with Debian's xlrd, telling it nothing about the encoding.
    QJsonObject readWithXlrd(const QString& path) {
        const QString script = QStringLiteral(
            "import json, sys, xlrd\n"
            "b = xlrd.open_workbook(sys.argv[1])\n"
            "s = b.sheet_by_index(0)\n"
            "cells = [[s.cell_type(r, c), s.cell_value(r, c)] for r in range(s.nrows) for c in range(s.ncols)]\n"
            "print(json.dumps({'encoding': b.encoding, 'nrows': s.nrows, 'ncols': s.ncols,\n"
            "  'rows': [[s.cell_value(r, c) for c in range(s.ncols)] for r in range(s.nrows)]}))\n");
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
        if (!python.waitForFinished(60000) || python.exitCode() != 0) {
            qWarning() << python.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(kMadeAt);
    }
    void cleanup() { m_session.reset(); }

    void recordLayouts_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("BOF") << biff::bof() << QByteArray::fromHex("0908080000001000 00000000");
        QTest::newRow("CODEPAGE 936") << biff::codepage(936) << QByteArray::fromHex("42000200a803");
        QTest::newRow("LABEL") << biff::label(2, 3, QByteArray("ab")) << QByteArray::fromHex("04020a0002000300000002006162");
        QTest::newRow("empty LABEL") << biff::label(0, 0, QByteArray()) << QByteArray::fromHex("0402080000000000000000 00");
        QTest::newRow("NUMBER 2.5") << biff::number(4, 1, 2.5)
                                    << QByteArray::fromHex("03020e00040001000000 0000000000000440");
        QTest::newRow("RK 7") << biff::rk(5, 0, 7) << QByteArray::fromHex("7e020a00050000000000 1e000000");
        QTest::newRow("RK -1") << biff::rk(0, 0, -1) << QByteArray::fromHex("7e020a00000000000000 feffffff");
        QTest::newRow("BLANK") << biff::blank(6, 2) << QByteArray::fromHex("010206000600020017 00");
        QTest::newRow("EOF") << biff::eof() << QByteArray::fromHex("0a000000");
    }
    void recordLayouts() {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, expected);
        QCOMPARE(record.toHex(' '), expected.toHex(' '));
    }

    void titleLevels() {
        FixedGrid grid;
        grid.titles = {QStringLiteral("甲|乙"), QStringLiteral("单"), QStringLiteral("a|b|c"), QStringLiteral("x| y")};
        grid.shown = {true, true, false, true};
        const GridTitle titles(grid);
        QCOMPARE(titles.visibleColumnCount(), 3);
        QCOMPARE(titles.levelCount(), 3);  // the hidden column counts too
        const QVector<QStringList> expected = {{"甲", "乙", ""}, {"单", "", ""}, {"x", " y", ""}};
        QCOMPARE(titles.matrix(), expected);
    }

    // Three products in the product summary grid, record by record.
    void productSummarySheet() {
        ledger().addBatch({.name = "铅笔", .model = "HB", .code = "001", .category = "文具", .supplier = "甲",
                           .purchasePrice = 1.0, .quantity = 10, .salesPrice = 2.0, .sold = 7, .date = "2024-01-02"});
        ledger().addBatch({.name = "铅笔", .model = "HB", .code = "001", .category = "文具", .supplier = "甲",
                           .purchasePrice = 1.0, .quantity = 5, .salesPrice = 2.0, .sold = 0, .date = "2024-01-03"});
        ledger().addBatch({.name = "橡皮", .model = kNull, .code = "002", .category = "文具", .supplier = "乙",
                           .purchasePrice = 2.0, .quantity = 2.5, .salesPrice = 3.0, .sold = 1, .date = "2024-01-04"});
        ledger().addBatch({.name = "尺子", .model = "30cm", .code = "003", .category = "文具", .supplier = "乙",
                           .purchasePrice = 2.0, .quantity = 4, .salesPrice = 3.0, .sold = 4, .date = "2024-01-05"});
        const LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Summary);
        m_session->summaryQuery().setStatement(layout.statement);
        m_session->summaryQuery().sort(QStringLiteral("进货数量 DESC"));  // 铅笔, 尺子, 橡皮
        DatasetGridSource grid(m_session->summaryQuery(), layout.columns);
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QByteArray bytes = sheet(xls);

        QCOMPARE(bytes.left(12).toHex(' '), QByteArray::fromHex("090808000000100000000000").toHex(' '));
        QCOMPARE(bytes.right(4).toHex(), QByteArray("0a000000"));
        const QList<Record> records = parse(bytes);
        QCOMPARE(records[1].id, quint16(biff::kCodepage));
        QCOMPARE(records[1].u16(0), quint16(936));

        QCOMPARE(records[2].id, quint16(biff::kLabel));
        QCOMPARE(records[2].row(), 0);
        QCOMPARE(records[2].column(), 3);
        QCOMPARE(records[2].text(), QStringLiteral("商品进销存统计报表"));
        QCOMPARE(records[3].row(), 1);
        QCOMPARE(records[3].column(), 0);
        QCOMPARE(records[3].text(), QStringLiteral("制表人：超级管理员"));
        QCOMPARE(records[4].row(), 1);
        QCOMPARE(records[4].column(), 5);
        QCOMPARE(records[4].text(), QStringLiteral("制表时间：2024-03-05 09:30:15"));
        QCOMPARE(rowTexts(records, 2),
                 (QStringList{"商 品 信 息", "商 品 信 息", "商 品 信 息", "商 品 信 息", "进 货", "进 货", "销 售",
                              "销 售", "存 货", "存 货"}));
        QCOMPARE(rowTexts(records, 3), (QStringList{"名 称", "规格型号", "编 码", "类 别", "数 量", "金 额", "数 量",
                                                    "金 额", "数 量", "金 额"}));

        // Rows 4 to 6 in the grid's current order, every cell in column order.
        auto map = cells(records);
        const QList<QPair<QString, QVariantList>> expected = {
            {"铅笔", {"HB", "001", "文具", 15.0, 15.0, 7.0, 14.0, 8.0, 8.0}},
            {"尺子", {"30cm", "003", "文具", 4.0, 8.0, 4.0, 12.0, 0.0, 0.0}},
            {"橡皮", {QVariant(), "002", "文具", 2.5, 5.0, 1.0, 3.0, 1.5, 3.0}}};
        for (int i = 0; i < expected.size(); ++i) {
            const int row = 4 + i;
            QCOMPARE(at(map, row, 0).text(), expected[i].first);
            for (int c = 1; c < 10; ++c) {
                const Record cell = at(map, row, c);
                const QVariant want = expected[i].second[c - 1];
                if (!want.isValid()) {
                    QCOMPARE(cell.id, quint16(biff::kBlank));
                    QCOMPARE(cell.format(), 23);
                } else if (want.typeId() == QMetaType::Double) {
                    QCOMPARE(cell.id, quint16(biff::kNumber));
                    QCOMPARE(cell.number(), want.toDouble());
                } else {
                    QCOMPARE(cell.id, quint16(biff::kLabel));
                    QCOMPARE(cell.text(), want.toString());
                }
            }
        }
        QCOMPARE(rowTexts(records, 7), (QStringList{"总计", "", "", "", "", "", "", "", "", ""}));
        // Nothing else: 5 header cells + 20 titles + 30 cells + 10 footers between BOF/CODEPAGE and EOF.
        QCOMPARE(records.size(), 2 + 3 + 20 + 30 + 10 + 1);
        int previous = -1;
        for (int i = 2; i + 1 < records.size(); ++i) {  // rows never go back
            QVERIFY(records[i].row() >= previous);
            previous = records[i].row();
        }
    }

    void cellKinds() {
        ledger().addBatch({.id = 7, .name = "笔", .model = kNull, .quantity = 2.5});
        Dataset query(QStringLiteral("q"), QStringLiteral("select id, a, b, [2] from data"), &dm().connection());
        query.open();
        DatasetGridSource grid(query, {{"id", "编号", "", true}, {"a", "名称", "", true}, {"b", "型号", "", true},
                                       {"2", "数量", "", true}});
        XlsGridWriter xls = exporter(grid, QStringLiteral("t"));
        auto map = cells(parse(sheet(xls)));
        QCOMPARE(at(map, 3, 0).id, quint16(biff::kRk));
        QCOMPARE(at(map, 3, 0).data.mid(6).toHex(), QByteArray("1e000000"));
        QCOMPARE(at(map, 3, 1).text(), QStringLiteral("笔"));
        QCOMPARE(at(map, 3, 2).id, quint16(biff::kBlank));
        QCOMPARE(at(map, 3, 2).format(), 23);
        QCOMPARE(at(map, 3, 3).id, quint16(biff::kNumber));
        QCOMPARE(at(map, 3, 3).number(), 2.5);
    }

    // Whole numbers beyond 30 bits would wrap in an RK cell; they go into NUMBER cells.
    void largeIntegers() {
        FixedGrid grid;
        grid.titles = {"n", "m", "k"};
        grid.rows = {{qint64(1) << 29, qint64(-(qint64(1) << 29)), qint64(123456789012)}};
        XlsGridWriter xls = exporter(grid, "t");
        auto map = cells(parse(sheet(xls)));
        QCOMPARE(at(map, 3, 0).id, quint16(biff::kNumber));
        QCOMPARE(at(map, 3, 0).number(), double(1 << 29));
        QCOMPARE(at(map, 3, 1).id, quint16(biff::kRk));
        QCOMPARE(at(map, 3, 2).number(), 123456789012.0);
    }

    void dateLineMovesRowsDown() {
        FixedGrid grid;
        grid.titles = {"x"};
        grid.rows = {{QString("v")}};
        XlsGridWriter xls = exporter(grid, "t");
        xls.setBeginDate(QStringLiteral("2024-01-01"));
        xls.setEndDate(QStringLiteral("   "));
        const QList<Record> records = parse(sheet(xls));
        QCOMPARE(rowTexts(records, 1), QStringList{"2024-01-01"});
        QCOMPARE(rowTexts(records, 2), (QStringList{"制表人：超级管理员", "制表时间：2024-03-05 09:30:15"}));
        QCOMPARE(rowTexts(records, 3), QStringList{"x"});
        QCOMPARE(rowTexts(records, 4), QStringList{"v"});
    }

    // A hidden column leaves no gap: titles, data and footers of the others stay aligned.
    void hiddenColumnKeepsAlignment() {
        ledger().addBatch({.name = "铅笔", .model = "HB", .code = "001", .category = "文具", .supplier = "甲",
                           .remark = "备", .purchasePrice = 1.25, .quantity = 10, .purchaseAmount = 10.0,
                           .salesPrice = 2.0, .sold = 7, .stockAmount = 3.0, .date = "2024-01-02"});
        LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Inventory);
        m_session->stockQuery().setStatement(layout.statement);
        DatasetGridSource grid(m_session->stockQuery(), layout.columns);
        grid.setColumnVisible(1, false);  // 规格型号
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QList<Record> records = parse(sheet(xls));
        auto map = cells(records);
        QCOMPARE(rowTexts(records, 3).size(), 14);
        QCOMPARE(at(map, 3, 1).text(), QStringLiteral("编 码"));
        QCOMPARE(at(map, 4, 1).text(), QStringLiteral("001"));
        QCOMPARE(at(map, 3, 13).text(), QStringLiteral("备 注"));
        QCOMPARE(at(map, 4, 13).text(), QStringLiteral("备"));
        QVERIFY(!map.contains(qMakePair(4, 14)));
        QCOMPARE(rowTexts(records, 5).size(), 14);
        QCOMPARE(at(map, 5, 0).text(), QStringLiteral("总计"));
    }

    // A restricted user's export carries none of the purchase prices and amounts the login hides.
    void restrictedUserExport() {
        ledger().addBatch({.name = "铅笔", .model = "HB", .code = "001", .category = "文具", .supplier = "甲",
                           .purchasePrice = 1.234, .quantity = 10, .purchaseAmount = 12.34, .salesPrice = 2.0,
                           .sold = 7, .stockAmount = 3.7, .date = "2024-01-02"});
        LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Inventory);
        m_session->stockQuery().setStatement(layout.statement);
        DatasetGridSource grid(m_session->stockQuery(), layout.columns);
        grid.withhold(Rights::forUser(QStringLiteral("小王")).withheldFields());
        for (int c = 0; c < grid.columnCount(); ++c)
            grid.setColumnVisible(c, true);  // what shows a column does not bring a withheld one back
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QList<Record> records = parse(sheet(xls));
        QCOMPARE(rowTexts(records, 3).size(), 12);
        QVERIFY(!rowTexts(records, 3).contains(QStringLiteral("单 价")) ||
                rowTexts(records, 3).count(QStringLiteral("单 价")) == 1);  // only the sale price
        for (const Record& r : records)
            if (r.id == biff::kNumber)
                QVERIFY2(r.number() != 12.34 && r.number() != 1.234 && r.number() != 3.7,
                         qPrintable(QString::number(r.number())));
        // The sale price stays, under its own title.
        auto map = cells(records);
        QCOMPARE(at(map, 2, 6).text(), QStringLiteral("销 售"));
        QCOMPARE(at(map, 3, 6).text(), QStringLiteral("单 价"));
        QCOMPARE(at(map, 4, 6).number(), 2.0);
    }

    // The fields the login withholds are fields of each grid's columns, and are withheld whatever
    // the captions over them.
    void withheldFieldsNameGridColumns() {
        const Fields withheld = Rights::forUser(QStringLiteral("小王")).withheldFields();
        for (LedgerGrid g : {LedgerGrid::Inventory, LedgerGrid::Sales, LedgerGrid::Summary}) {
            LedgerGridLayout layout = ledgerGridLayout(g);
            int count = 0;
            for (ExportColumn& c : layout.columns) {
                count += withheld.contains(c.identity);
                c.title = QStringLiteral("Caption|Other");
            }
            QVERIFY(count > 0);
            m_session->stockQuery().setStatement(layout.statement);
            DatasetGridSource grid(m_session->stockQuery(), layout.columns);
            grid.withhold(withheld);
            for (int c = 0; c < grid.columnCount(); ++c) {
                const bool held = withheld.contains(layout.columns[size_t(c)].identity);
                QCOMPARE(grid.isColumnVisible(c), !held);
                count -= held;
            }
            QCOMPARE(count, 0);
        }
    }

    void tooManyRowsRefused() {
        FixedGrid grid;
        grid.titles = {"a|b"};
        grid.fakeRows = biff::kMaxRows - 5 + 1;  // header 2 + titles 2 + footer 1
        XlsGridWriter xls = exporter(grid, "t");
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY_THROWS_EXCEPTION(XlsMisfitError, xls.WriteSheet(buffer));
        QCOMPARE(buffer.size(), 0);
        grid.fakeRows -= 1;  // fits exactly
        xls.WriteSheet(buffer);
        const QList<Record> records = parse(buffer.data());
        QCOMPARE(records[records.size() - 2].row(), biff::kMaxRows - 1);
        // The longest sheet we write is read whole by an independent reader.
        const QString path = m_session->file("longest.xls");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(buffer.data());
        file.close();
        if (QFile::exists(QStringLiteral("/usr/bin/python3"))) {
            QProcess python;
            python.start(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-c"),
                          QStringLiteral("import sys, xlrd; print(xlrd.open_workbook(sys.argv[1]).sheet_by_index(0).nrows)"),
                          path});
            QVERIFY(python.waitForFinished(120000));
            QCOMPARE(python.readAllStandardOutput().trimmed(), QByteArray::number(biff::kMaxRows));
        }
    }

    void nothingToDo() {
        FixedGrid grid;
        grid.titles = {"a"};
        XlsGridWriter xls = exporter(grid, "t");
        const QString path = m_session->file("empty.xls");
        xls.setFileName(path);
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::NothingToDo);
        QVERIFY(!QFile::exists(path));
        grid.rows = {{1.0}};
        xls.setFileName(QStringLiteral("  "));
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::NothingToDo);
    }

    void overwriteDeclinedKeepsOldFile() {
        FixedGrid grid;
        grid.titles = {"a"};
        grid.rows = {{1.0}};
        const QString path = m_session->file("old.xls");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        XlsGridWriter xls = exporter(grid, "t");
        xls.setFileName(path);
        QStringList asked, opened;
        xls.setConfirmOverwrite([&](const QString& f) { asked << f; return false; });
        xls.setOpenFile([&](const QString& f) { opened << f; });
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Declined);
        QCOMPARE(asked, QStringList{path});
        QVERIFY(opened.isEmpty());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
        old.close();

        xls.setConfirmOverwrite([](const QString&) { return true; });
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Written);
        QCOMPARE(opened, QStringList{QFileInfo(path).absoluteFilePath()});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QVERIFY(old.readAll().startsWith(QByteArray::fromHex("0908")));
    }

    void failingTargets() {
        FixedGrid grid;
        grid.titles = {"a"};
        grid.rows = {{1.0}};
        XlsGridWriter xls = exporter(grid, "t");
        QStringList opened;
        xls.setOpenFile([&](const QString& f) { opened << f; });

        // A folder that does not exist.
        xls.setFileName(m_session->file("no/such/folder/out.xls"));
        QVERIFY_THROWS_EXCEPTION(ExchangeError, xls.Export());

        // A failure in the middle of the records: the old file stays whole, no leftovers.
        const QString path = m_session->file("keep.xls");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep me");
        old.close();
        grid.rows = {{1.0}, {QString("!fail")}};
        xls.setFileName(path);
        QVERIFY_THROWS_EXCEPTION(ExchangeError, xls.Export());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("keep me"));
        old.close();
        const QStringList left = QDir(m_session->path()).entryList({QStringLiteral("keep*")}, QDir::Files);
        QCOMPARE(left, QStringList{"keep.xls"});

        // A read-only folder.
        const QString locked = m_session->file("locked");
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        grid.rows = {{1.0}};
        xls.setFileName(QDir(locked).filePath("out.xls"));
        if (!QFileInfo(locked).isWritable())  // root may write anyway
            QVERIFY_THROWS_EXCEPTION(ExchangeError, xls.Export());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(opened.isEmpty());
    }

    void progressReportsEveryRecord() {
        FixedGrid grid;
        grid.titles = {"a"};
        grid.rows = {{1.0}, {2.0}, {3.0}};
        XlsGridWriter xls = exporter(grid, "t");
        QList<QPair<int, int>> steps;
        xls.setProgress([&](int done, int total) { steps << qMakePair(done, total); });
        sheet(xls);
        QCOMPARE(steps, (QList<QPair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
        steps.clear();
        xls.setShowProgress(false);
        sheet(xls);
        QVERIFY(steps.isEmpty());
    }

    // Debian's xlrd reads our file back with the right Chinese texts without being told the
    // encoding.
    void independentReaderReadsItBack() {
        if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("no /usr/bin/python3");
        ledger().addBatch({.name = "铅笔", .model = "HB", .code = "001", .category = "文具", .supplier = "甲",
                           .purchasePrice = 1.0, .quantity = 10, .salesPrice = 2.0, .sold = 7, .date = "2024-01-02"});
        ledger().addBatch({.name = "橡皮", .model = kNull, .code = "002", .category = "文具", .supplier = "乙",
                           .purchasePrice = 2.0, .quantity = 2.5, .salesPrice = 3.0, .sold = 1, .date = "2024-01-04"});
        const LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Summary);
        m_session->summaryQuery().setStatement(layout.statement);
        m_session->summaryQuery().sort(QStringLiteral("进货数量 DESC"));
        DatasetGridSource grid(m_session->summaryQuery(), layout.columns);
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QString path = m_session->file("读回.xls");
        xls.setFileName(path);
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Written);

        const QJsonObject book = readWithXlrd(path);
        QVERIFY(!book.isEmpty());
        QCOMPARE(book["encoding"].toString(), QStringLiteral("cp936"));  // from our CODEPAGE record
        QCOMPARE(book["nrows"].toInt(), 7);
        QCOMPARE(book["ncols"].toInt(), 10);
        const QJsonArray rows = book["rows"].toArray();
        QCOMPARE(rows[0].toArray()[3].toString(), QStringLiteral("商品进销存统计报表"));
        QCOMPARE(rows[1].toArray()[0].toString(), QStringLiteral("制表人：超级管理员"));
        QCOMPARE(rows[2].toArray()[4].toString(), QStringLiteral("进 货"));
        QCOMPARE(rows[3].toArray()[1].toString(), QStringLiteral("规格型号"));
        QCOMPARE(rows[4].toArray()[0].toString(), QStringLiteral("铅笔"));
        QCOMPARE(rows[4].toArray()[4].toDouble(), 10.0);
        QCOMPARE(rows[5].toArray()[0].toString(), QStringLiteral("橡皮"));
        QCOMPARE(rows[5].toArray()[4].toDouble(), 2.5);
        QCOMPARE(rows[6].toArray()[0].toString(), QStringLiteral("总计"));
    }

    // An .xls reader decodes GBK, so a text with any other character cannot go into the sheet;
    // the refusal names the character.
    void textsOutsideGbk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("outside");
        QTest::newRow("emoji") << QStringLiteral("客户😀") << QStringLiteral("😀");
        QTest::newRow("extension B") << QStringLiteral("𠮷野家") << QStringLiteral("𠮷");
        QTest::newRow("euro, two bytes in GB18030") << QStringLiteral("€5") << QStringLiteral("€");
        QTest::newRow("one half") << QStringLiteral("½斤") << QStringLiteral("½");
        QTest::newRow("extension A") << QStringLiteral("㐀") << QStringLiteral("㐀");
        QTest::newRow("private use") << QString(QChar(0xE000)) << QString(QChar(0xE000));
        QTest::newRow("GBK only") << QStringLiteral("铅笔·—ｗＡ①") << QString();
    }
    void textsOutsideGbk() {
        QFETCH(QString, text);
        QFETCH(QString, outside);
        FixedGrid grid;
        grid.titles = {"a"};
        grid.rows = {{QStringLiteral("x")}, {text}};
        XlsGridWriter xls = exporter(grid, "t");
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        try {
            xls.WriteSheet(buffer);
            QVERIFY2(outside.isEmpty(), "written");
        } catch (const XlsMisfitError& e) {
            QVERIFY2(!outside.isEmpty(), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("“%1”").arg(outside)), qPrintable(e.message()));
        }
    }

    // Cancel leaves no file of either kind, and an old one as it was.
    void cancelLeavesNoFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("cancelAt");  // the ask that finds Cancel pressed
        QTest::newRow("xlsx") << "out.xlsx" << 2;
        // Asked before the first record and after each of the three, then while the workbook is
        // finished: a large one compresses for seconds after its last record.
        QTest::newRow("xlsx while finishing") << "out.xlsx" << 5;
        QTest::newRow("xls") << "out.xls" << 2;
    }
    void cancelLeavesNoFile() {
        QFETCH(QString, name);
        QFETCH(int, cancelAt);
        FixedGrid grid;
        grid.titles = {"a"};
        grid.rows = {{1.0}, {2.0}, {3.0}};
        XlsGridWriter xls = exporter(grid, "t");
        const QString path = m_session->file(name);
        xls.setFileName(path);
        QStringList opened;
        xls.setOpenFile([&](const QString& f) { opened << f; });
        int asked = 0;
        xls.setCancelled([&] { return ++asked == cancelAt; });
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Cancelled);
        QVERIFY(!QFile::exists(path));

        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep me");
        old.close();
        asked = 0;
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Cancelled);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("keep me"));
        old.close();
        QCOMPARE(QDir(m_session->path()).entryList({QStringLiteral("*out*")}, QDir::Files | QDir::Hidden), QStringList{name});
        QVERIFY(opened.isEmpty());
    }

    // openpyxl reads our workbook back: every cell with its value, type and number format, the
    // merged titles, the frozen title rows, the grid's column widths and texts outside GBK.
    void workbookReadBack() {
        if (!haveOpenpyxl())
            QSKIP("no python3-openpyxl");
        ledger().addSale({.name = "铅笔😀", .model = "HB", .code = "001", .category = "文具", .customerName = "张𠮷",
                          .contact = "138", .customerNumber = "20240105001", .price = 2.5, .quantity = 1.2345,
                          .amount = 3.086, .profit = 1.5, .arrears = 0.005, .date = "2024-01-05"});
        ledger().addSale({.name = "橡皮", .model = kNull, .price = 1.0, .quantity = 2, .date = "2024-02-01"});
        const LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Sales);
        Dataset rows(QStringLiteral("q"), layout.statement + QStringLiteral(" order by day1"), &m_session->db());
        rows.open();
        DatasetGridSource grid(rows, layout.columns);
        grid.setColumnVisible(10, false);  // the customer number, as the sales window starts
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QString path = m_session->file("读回.xlsx");
        xls.setFileName(path);
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Written);

        const QJsonObject book = readXlsx(path);
        QCOMPARE(book["sheets"].toArray().size(), 1);
        const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
        QCOMPARE(sheet["name"].toString(), QStringLiteral("销 售 报 表"));
        QCOMPARE(sheet["freeze"].toString(), QStringLiteral("A5"));
        QCOMPARE(sheet["merged"].toArray(), (QJsonArray{"A1:N1", "A3:D3", "E3:J3", "K3:N3"}));

        const QString g = QStringLiteral("General"), n2 = QStringLiteral("0.00"), n3 = QStringLiteral("0.000");
        auto text = [](const char* v) { return QJsonArray{QString::fromUtf8(v), "s", "General"}; };
        auto number = [](double v, const QString& format) { return QJsonArray{v, "n", format}; };
        auto date = [](const char* v) { return QJsonArray{v, "d", "yyyy-mm-dd"}; };
        QMap<QString, QJsonArray> expected = {
            {"1,1", text("销 售 报 表")},
            {"2,1", text("制表人：超级管理员")},
            {"2,6", text("制表时间：2024-03-05 09:30:15")},
            {"3,1", text("商 品 信 息")}, {"3,5", text("销 售 信 息")}, {"3,11", text("客 户")},
            {"5,1", text("铅笔😀")}, {"5,2", text("HB")}, {"5,3", text("001")}, {"5,4", text("文具")},
            {"5,5", number(2.5, g)}, {"5,6", number(1.2345, n3)}, {"5,7", number(3.086, n2)},
            {"5,8", date("2024-01-05")}, {"5,9", number(0.005, n2)}, {"5,10", number(1.5, g)},
            {"5,11", text("张𠮷")}, {"5,12", text("138")},
            {"6,1", text("橡皮")}, {"6,5", number(1, g)}, {"6,6", number(2, n3)}, {"6,7", number(2, n2)},
            {"6,8", date("2024-02-01")}, {"6,9", number(0, n2)}, {"6,10", number(0, g)},
            // The totals of the figures as the grid shows them: 1.2345 shows as 1.235, 3.086 as
            // 3.09, 0.005 as 0.01.
            {"7,1", text("合计")}, {"7,6", number(3.235, n3)}, {"7,7", number(5.09, n2)},
            {"7,9", number(0.01, n2)}, {"7,10", number(1.5, g)},
        };
        const QStringList lower = {" 名 称", "规格型号", " 编 码", "类 别", "单 价", "数 量", "金 额",
                                   "日 期", "欠款额", "净利润", "名 称", "联系方式", "地 址", "备 注"};
        for (int k = 0; k < lower.size(); ++k)
            expected.insert(QStringLiteral("4,%1").arg(k + 1), QJsonArray{lower[k], "s", "General"});
        const QMap<QString, QJsonArray> cells = xlsxCells(sheet);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QJsonArray got = cells.value(it.key());
            QVERIFY2(got.size() == 3, qPrintable(it.key()));
            QCOMPARE(got[1].toString() + "|" + got[2].toString(), it.value()[1].toString() + "|" + it.value()[2].toString());
            if (it.value()[0].isDouble())
                QVERIFY2(qFuzzyCompare(got[0].toDouble() + 1, it.value()[0].toDouble() + 1), qPrintable(it.key()));
            else
                QCOMPARE(got[0].toString(), it.value()[0].toString());
        }
        QCOMPARE(QStringList(cells.keys()), QStringList(expected.keys()));  // nothing else

        // Widths in the spreadsheet's characters, as pixels again: the grid's own.
        const QJsonObject widths = sheet["widths"].toObject();
        int k = 0;
        for (int c = 0; c < grid.columnCount(); ++c) {
            if (!grid.isColumnVisible(c))
                continue;
            const double characters = widths[QString(QChar('A' + k++))].toDouble();
            QCOMPARE(qRound((characters - 0.7109375) * 7 + 5), grid.columnLook(c).width);
        }
    }

    // A restricted user's workbook holds none of the withheld columns, their figures or totals.
    void restrictedUserWorkbook() {
        if (!haveOpenpyxl())
            QSKIP("no python3-openpyxl");
        ledger().addBatch({.name = "铅笔", .purchasePrice = 1.234, .quantity = 10, .purchaseAmount = 12.34,
                           .salesPrice = 2.0, .sold = 7, .stockAmount = 3.7, .date = "2024-01-02"});
        const LedgerGridLayout layout = ledgerGridLayout(LedgerGrid::Inventory);
        Dataset rows(QStringLiteral("q"), layout.statement, &m_session->db());
        rows.open();
        DatasetGridSource grid(rows, layout.columns);
        grid.withhold(Rights::forUser(QStringLiteral("小王")).withheldFields());
        XlsGridWriter xls = exporter(grid, layout.sheetTitle);
        const QString path = m_session->file("restricted.xlsx");
        xls.setFileName(path);
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Written);
        const QJsonObject sheet = readXlsx(path)["sheets"].toArray()[0].toObject();
        int titles = 0;
        for (const QJsonValue& c : sheet["cells"].toArray()) {
            const QJsonArray a = c.toArray();
            titles += a[0].toInt() == 4;
            if (a[3].toString() == QLatin1String("n"))
                QVERIFY2(a[2].toDouble() != 1.234 && a[2].toDouble() != 12.34 && a[2].toDouble() != 3.7,
                         qPrintable(QString::number(a[2].toDouble())));
        }
        QCOMPARE(titles, 12);
    }

    // Records beyond what one worksheet holds go on in a second one, under the same title rows.
    void workbookBeyondOneWorksheet() {
        if (!haveOpenpyxl())
            QSKIP("no python3-openpyxl");
        FixedGrid grid;
        grid.titles = {"a|b"};
        grid.fakeRows = 1048576 - 5 + 2;  // title, maker line, two title levels, one footer
        XlsGridWriter xls = exporter(grid, "t");
        const QString path = m_session->file("long.xlsx");
        xls.setFileName(path);
        QCOMPARE(xls.Export(), XlsGridWriter::Outcome::Written);
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, openpyxl\n"
                                     "b = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                                     "print(' '.join('%s:%d' % (s.title, s.max_row) for s in b.worksheets))\n"),
                      path});
        QVERIFY(python.waitForFinished(120000));
        // The first sheet keeps its last row for the totals, which stand under the last record.
        QCOMPARE(python.readAllStandardOutput().trimmed(), QByteArray("t:1048575 t (2):6"));
    }
};

QTEST_GUILESS_MAIN(GridToXlsTest)
#include "test_grid_to_xls.moc"
