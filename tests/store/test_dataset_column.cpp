// The column store of open results: texts kept once per column or each in the arena read back
// exactly and sort as the text order and the engine's order say, whichever way they are held.
#include "store/cell_batches.h"
#include "store/data_module.h"
#include "store/dataset.h"
#include "store/database.h"
#include "store/dataset_column.h"
#include "store/query.h"
#include "store/store_error.h"
#include "support/temp_workdir.h"
#include "text/number_text.h"

#include <QStringEncoder>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace {

using Cells = QVariantList;  // an invalid QVariant is an empty cell

// Appends the cells; in the arena case, after as many distinct fillers as make the column give
// up its codes. Returns the rows the cells went to.
std::vector<int> fill(ColumnStore& column, const Cells& cells, bool arena) {
    if (arena)
        for (int i = 0; i < ColumnStore::kRowsBeforeChoosing; ++i) {
            const QByteArray filler = "filler " + QByteArray::number(i);
            column.appendUtf8(filler.constData(), int(filler.size()));
        }
    std::vector<int> rows;
    for (const QVariant& cell : cells) {
        rows.push_back(column.rowCount());
        if (!cell.isValid()) {
            column.appendNull();
        } else if (cell.typeId() == QMetaType::Double) {
            column.appendNumber(cell.toDouble());
        } else {
            const QByteArray bytes = cell.toString().toUtf8();
            column.appendUtf8(bytes.constData(), int(bytes.size()));
        }
    }
    column.finishReading();
    return rows;
}

// What the cells should read back as.
QStringList cellTexts(const Cells& cells) {
    QStringList out;
    for (const QVariant& cell : cells)
        out << (!cell.isValid() ? QStringLiteral("<null>")
                : cell.typeId() == QMetaType::Double ? QString::number(cell.toDouble())
                                                     : cell.toString());
    return out;
}

QStringList texts(const ColumnStore& column, const std::vector<int>& rows) {
    QStringList out;
    for (const int row : rows)
        out << (column.isNull(row) ? QStringLiteral("<null>") : column.text(row));
    return out;
}

// The text order as its rule says: empty cells first, then texts by their GBK bytes with Latin
// capitals as small letters; equal texts keep their places. The positions of the cells in that order.
std::vector<int> textOrderOf(const QStringList& cells, bool descending) {
    QStringEncoder gbk("GB18030");
    std::vector<std::pair<QByteArray, int>> keys;  // empty cells have the empty key
    for (int i = 0; i < cells.size(); ++i) {
        QString lower;
        for (const QChar c : cells[i])
            lower += c.unicode() < 0x80 ? c.toLower() : c;
        keys.emplace_back(cells[i] == QLatin1String("<null>") ? QByteArray() : "t" + QByteArray(gbk.encode(lower)), i);
    }
    std::stable_sort(keys.begin(), keys.end(), [descending](const auto& x, const auto& y) {
        return descending ? y.first < x.first : x.first < y.first;
    });
    std::vector<int> positions;
    for (const auto& k : keys)
        positions.push_back(k.second);
    return positions;
}

uint64_t bitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

QStringList textOrder(const QStringList& cells, bool descending) {
    QStringList out;
    for (const int i : textOrderOf(cells, descending))
        out << cells[i];
    return out;
}

}  // namespace

class DatasetColumnTest : public QObject {
    Q_OBJECT

private slots:
    void holdsAndSortsTexts_data() {
        QTest::addColumn<bool>("arena");
        QTest::addColumn<Cells>("cells");
        QTest::addColumn<QStringList>("ascending");
        QTest::addColumn<QStringList>("descending");
        const QVariant null;
        const struct {
            const char* name;
            Cells cells;
            QStringList ascending, descending;
        } cases[] = {
            {"pinyin order", {"香蕉", "苹果", "橙子", "", "菠萝", null},
             {"<null>", "", "菠萝", "橙子", "苹果", "香蕉"}, {"香蕉", "苹果", "橙子", "菠萝", "", "<null>"}},
            {"empty cells before empty texts, ties in read order", {null, "", null, "x", "", "x"},
             {"<null>", "<null>", "", "", "x", "x"}, {"x", "x", "", "", "<null>", "<null>"}},
            {"Latin case ignored, ties in read order", {"b", "Abc", "abc", "ABC", "a"},
             {"a", "Abc", "abc", "ABC", "b"}, {"b", "Abc", "abc", "ABC", "a"}},
            {"alike in the first eight characters",
             {"金龙特级大米五常香型乙", "金龙特级大米五常香型甲", "金龙特级大米五常香", "金龙特级大米五常香型乙"},
             {"金龙特级大米五常香", "金龙特级大米五常香型甲", "金龙特级大米五常香型乙", "金龙特级大米五常香型乙"},
             {"金龙特级大米五常香型乙", "金龙特级大米五常香型乙", "金龙特级大米五常香型甲", "金龙特级大米五常香"}},
            {"digits and Latin before Chinese", {"中", "z", "1", "Z0", ""},
             {"", "1", "z", "Z0", "中"}, {"中", "Z0", "z", "1", ""}},
            {"characters outside GBK last", {"😀", "a", "😁", "中"},
             {"a", "中", "😀", "😁"}, {"😀", "😁", "中", "a"}},
            {"numbers before a text become texts", {1.5, null, 2.0, "x", -0.25},
             {"<null>", "-0.25", "1.5", "2", "x"}, {"x", "2", "1.5", "-0.25", "<null>"}},
        };
        for (const bool arena : {false, true})
            for (const auto& c : cases)
                QTest::addRow("%s, %s", c.name, arena ? "each text held" : "texts held once")
                    << arena << c.cells << c.ascending << c.descending;
    }

    void holdsAndSortsTexts() {
        QFETCH(bool, arena);
        QFETCH(Cells, cells);
        QFETCH(QStringList, ascending);
        QFETCH(QStringList, descending);
        ColumnStore column(QStringLiteral("a"));
        const std::vector<int> rows = fill(column, cells, arena);
        QCOMPARE(column.keepsDistinctTexts(), !arena);
        const QStringList stored = cellTexts(cells);
        QCOMPARE(texts(column, rows), stored);
        for (size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(QString::fromUtf8(column.utf8(rows[i]).data(), qsizetype(column.utf8(rows[i]).size())),
                     column.isNull(rows[i]) ? QString() : stored[int(i)]);
        std::vector<int> order = rows;
        column.sortRows(order, false);
        QCOMPARE(texts(column, order), ascending);
        order = rows;
        column.sortRows(order, true);
        QCOMPARE(texts(column, order), descending);
    }

    // A column starts keeping distinct texts and gives that up when they stop repeating; the rows
    // read before and after read back and sort alike.
    void switchesToTheArenaWhenTextsStopRepeating() {
        ColumnStore column(QStringLiteral("i"));
        Cells cells;
        for (int i = 0; i < 5000; ++i)
            cells << (i % 7 == 6 ? QVariant() : QVariant(QStringLiteral("客户%1").arg(i % 10)));
        Cells repeating = cells;
        for (int i = 0; i < 10000; ++i)
            cells << QStringLiteral("1390000%1").arg(9999 - i, 4, 10, QLatin1Char('0'));
        ColumnStore early(QStringLiteral("i"));
        fill(early, repeating, false);
        QVERIFY(early.keepsDistinctTexts());
        QCOMPARE(early.distinctTexts(), 10);
        const std::vector<int> rows = fill(column, cells, false);
        QVERIFY(!column.keepsDistinctTexts());
        const QStringList stored = cellTexts(cells);
        QCOMPARE(texts(column, rows), stored);
        for (const bool descending : {false, true}) {
            std::vector<int> order = rows;
            column.sortRows(order, descending);
            QCOMPARE(texts(column, order), textOrder(stored, descending));
        }
    }

    // Numbers are held in four bytes while they are whole and fit, in eight from the first one that
    // does not; either way each reads back bit for bit and sorts by value, also after rows change.
    void numbersKeepTheirValues_data() {
        QTest::addColumn<QList<double>>("numbers");  // after 100 000 whole ones; NaN is an empty cell
        QTest::addColumn<int>("bytesPerRow");
        const double empty = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("whole") << QList<double>{0, -7, 2147483647.0, -2147483647.0, empty, 12} << 4;
        QTest::newRow("a fraction") << QList<double>{3, 2.5, empty, 4} << 8;
        QTest::newRow("minus zero") << QList<double>{1, -0.0, 0} << 8;
        QTest::newRow("beyond 32 bits") << QList<double>{3e9, -2147483648.0, 1e300, -1e-300} << 8;
    }
    void numbersKeepTheirValues() {
        QFETCH(QList<double>, numbers);
        QFETCH(int, bytesPerRow);
        QList<double> stored;
        for (int i = 0; i < 100000; ++i)
            stored << double((i * 7919) % 1000 - 500);
        stored << numbers;
        ColumnStore column(QStringLiteral("3"));
        for (const double n : stored)
            std::isnan(n) ? column.appendNull() : column.appendNumber(n);
        column.finishReading();
        QCOMPARE(column.heldBytes(), size_t(2 * 65536 * bytesPerRow));
        const auto same = [&](const ColumnStore& c) {
            for (int r = 0; r < stored.size(); ++r) {
                const double want = stored[r];
                if (std::isnan(want) ? !c.isNull(r) : c.isNull(r) || bitsOf(c.number(r)) != bitsOf(want))
                    return QStringLiteral("row %1: %2 read back as %3").arg(r).arg(want).arg(c.text(r));
            }
            std::vector<int> order(size_t(stored.size()));
            std::iota(order.begin(), order.end(), 0);
            std::vector<int> expected = order;
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                return std::isnan(stored[a]) ? !std::isnan(stored[b]) : !std::isnan(stored[b]) && stored[a] < stored[b];
            });
            c.sortRows(order, false);
            return order == expected ? QString() : QStringLiteral("sorted otherwise");
        };
        QCOMPARE(same(column), QString());
        // A fraction written into a column of whole numbers, an empty cell, a whole number.
        column.setNumber(5, 0.25);
        stored[5] = 0.25;
        column.setNull(6);
        stored[6] = std::numeric_limits<double>::quiet_NaN();
        column.setNumber(7, 42);
        stored[7] = 42;
        QCOMPARE(same(column), QString());
        QCOMPARE(column.heldBytes(), size_t(2 * 65536 * 8));
    }

    // Past 255 and 65 535 distinct texts the codes take two and four bytes; every row keeps its text.
    void codesGrowWithTheTexts() {
        ColumnStore column(QStringLiteral("a"));
        Cells cells;
        for (int i = 0; i < 70000; ++i)
            for (int copy = 0; copy < 3; ++copy)
                cells << (copy == 1 && i % 1000 == 0 ? QVariant() : QVariant(QStringLiteral("品名%1").arg(69999 - i)));
        const std::vector<int> rows = fill(column, cells, false);
        QVERIFY(column.keepsDistinctTexts());
        QCOMPARE(column.distinctTexts(), 70000);
        const QStringList stored = cellTexts(cells);
        QCOMPARE(texts(column, rows), stored);
        std::vector<int> order = rows;
        column.sortRows(order, false);
        QCOMPARE(texts(column, order), textOrder(stored, false));
    }

    // Rows changed after reading: a new text, a text the column holds, an empty cell; the sort
    // that follows places them.
    void changedRowsSortWithTheOthers() {
        for (const bool arena : {false, true}) {
            ColumnStore column(QStringLiteral("a"));
            const std::vector<int> rows = fill(column, {"b", "c", "a", "c"}, arena);
            std::vector<int> order = rows;
            column.sortRows(order, false);
            column.setText(rows[0], QStringLiteral("阿"));
            column.setText(rows[1], QStringLiteral("a"));
            column.setNull(rows[2]);
            column.appendNull();
            column.setText(column.rowCount() - 1, QStringLiteral("b"));
            order = rows;
            order.push_back(column.rowCount() - 1);
            column.sortRows(order, false);
            QCOMPARE(texts(column, order), (QStringList{"<null>", "a", "b", "c", "阿"}));
            if (!arena)
                QCOMPARE(column.distinctTexts(), 4);  // "a" and "b" found again, "阿" added
        }
    }

    void readsAndOrdersLikeTheEngine() {
        TempWorkdir dir;
        dir.openNewDatabase();
        Database& db = dm().connection();
        // Names repeat (texts held once), telephone numbers do not (each text held), some cells
        // are empty; more rows than the column store looks at before it chooses.
        const QStringList names = {"苹果", "Abc", "abc", "ABD", "", "香蕉 特大", "橙子", "a'b", "金龙特级大米五常香型乙",
                                   "金龙特级大米五常香型甲"};
        db.begin();
        for (int i = 0; i < 6000; ++i) {
            const QVariant name = i % 13 == 0 ? QVariant() : QVariant(names[(i * 7) % names.size()]);
            const QVariant phone = i % 17 == 0 ? QVariant() : QVariant(QStringLiteral("13%1").arg((i * 7919) % 100000, 9, 10, QLatin1Char('0')));
            const QVariant amount = i % 11 == 0 ? QVariant() : QVariant(double((i * 37) % 101) - 50.5);
            db.exec(QStringLiteral("insert into data1 (a, i, e, \"2\", day1) values (?, ?, ?, ?, ?)"),
                    {name, phone, QStringLiteral("pg%1").arg(i % 5), amount,
                     QDate(2024, 1, 1).addDays(i % 400).toString(Qt::ISODate)});
        }
        db.commit();

        // The engine's own answer, sorted by the engine (the statements the in-memory path leaves alone).
        auto engineRows = [&](const QString& sql, const QVariantList& params) {
            const std::vector<ColumnStore> columns = db.read(sql, params);
            QList<QStringList> rows;
            for (int r = 0; r < (columns.empty() ? 0 : columns.front().rowCount()); ++r) {
                QStringList row;
                for (const ColumnStore& c : columns)
                    row << (c.isNull(r) ? QStringLiteral("<null>")
                            : c.kind() == ColumnStore::Kind::Number ? QString::number(c.number(r))
                                                                    : c.text(r));
                rows << row;
            }
            return rows;
        };
        auto ourRows = [&](const Dataset& d) {
            QList<QStringList> rows;
            for (int r = 0; r < d.recordCount(); ++r) {
                QStringList row;
                for (int c = 0; c < d.columnCount(); ++c)
                    row << (d.isNull(r, c) ? QStringLiteral("<null>")
                            : d.column(c).kind() == DatasetColumn::Kind::Number ? QString::number(d.number(r, c))
                                                                                 : d.text(r, c));
                rows << row;
            }
            return rows;
        };
        const struct {
            QString ours, engine;
            QVariantList params;
        } statements[] = {
            // Without an order the rows come in the order they were written (the file's scan; a
            // server's scan order follows free space, so it is asked by identity).
            {"select * from data1", "select * from data1 order by id", {}},
            {"select * from data1 where e like ? and a like ?",
             "select * from data1 where e like ? and a like ? order by id", {"%G1%", "%B%"}},
            {"select * from data1 order by a", "select * from data1 order by a, id", {}},
            {"select * from data1 where [2]>0 order by a desc", "select * from data1 where [2]>0 order by a desc, id", {}},
            {"select * from data1 order by i desc", "select * from data1 order by i desc, id", {}},
            {"select * from data1 order by day1", "select * from data1 order by day1, id", {}},
        };
        for (const auto& s : statements) {
            Dataset d(QStringLiteral("check"), s.ours, &db);
            d.setStatement(s.ours, s.params);
            QVERIFY(d.recordCount() > 100);
            QVERIFY(d.column(d.columnIndex(QStringLiteral("a"))).keepsDistinctTexts());
            if (d.recordCount() > ColumnStore::kRowsBeforeChoosing)
                QVERIFY(!d.column(d.columnIndex(QStringLiteral("i"))).keepsDistinctTexts());
            QCOMPARE(ourRows(d), engineRows(s.engine, s.params));
        }

        // Title clicks one after another: each sort follows the text order, and rows alike in the
        // clicked column keep the order the previous sort gave them.
        Dataset d(QStringLiteral("check"), QStringLiteral("select * from data1"), &db);
        d.open();
        const int id = d.columnIndex(QStringLiteral("ID"));
        for (const QString spec : {"a", "i DESC", "a DESC", "day1", "i", "day1 DESC", "a"}) {
            const bool descending = spec.endsWith(QLatin1String("DESC"));
            const int column = d.columnIndex(spec.section(QLatin1Char(' '), 0, 0));
            auto shown = [&](int c) {
                QStringList cells;
                for (int r = 0; r < d.recordCount(); ++r)
                    cells << (d.isNull(r, c) ? QStringLiteral("<null>") : d.text(r, c));
                return cells;
            };
            const QStringList cells = shown(column), ids = shown(id);
            d.sort(spec);
            QStringList expected;
            for (const int i : textOrderOf(cells, descending))
                expected << ids[i];
            QCOMPARE(shown(id), expected);
        }
    }

    void rowsReadOnOneOrTwoThreadsAreTheSame_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("failAt");  // -1: no failure
        QTest::newRow("fewer than a batch") << 100 << -1;
        QTest::newRow("exactly one batch") << CellBatch::kRows << -1;
        QTest::newRow("many batches") << 5 * CellBatch::kRows + 7 << -1;
        QTest::newRow("a failure in a later batch") << 5 * CellBatch::kRows << 3 * CellBatch::kRows + 5;
    }
    void rowsReadOnOneOrTwoThreadsAreTheSame() {
        QFETCH(int, rows);
        QFETCH(int, failAt);
        const auto read = [&](ReadingThreads threads) {
            std::vector<ColumnStore> columns;
            for (const char* name : {"id", "name", "empty", "amount"})
                columns.emplace_back(QString::fromLatin1(name));
            int row = 0;
            readInBatches(
                columns,
                [&](CellBatch& batch) {
                    for (; !batch.full(); ++row) {
                        if (row == rows)
                            return false;
                        if (row == failAt)
                            throw StoreError(QStringLiteral("读到一半出错"));
                        batch.addNumber(row);
                        const QByteArray name = "名称" + QByteArray::number(row % 37);
                        if (row % 5 == 0)
                            batch.addNull();
                        else
                            batch.addText(name.constData(), int(name.size()));
                        batch.addNull();
                        batch.addNumber(row * 0.5);
                        batch.endRow();
                    }
                    return true;
                },
                threads);
            QStringList cells;
            for (int r = 0; r < columns[0].rowCount(); ++r)
                for (const ColumnStore& c : columns)
                    cells << (c.isNull(r) ? QStringLiteral("<null>") : c.text(r));
            return cells;
        };
        if (failAt >= 0) {
            QVERIFY_THROWS_EXCEPTION(StoreError, read(ReadingThreads::Two));
            QVERIFY_THROWS_EXCEPTION(StoreError, read(ReadingThreads::One));
            return;
        }
        const QStringList one = read(ReadingThreads::One);
        QCOMPARE(one.size(), rows * 4);
        QCOMPARE(one.mid((rows - 1) * 4), (QStringList{QString::number(rows - 1),
                                                       (rows - 1) % 5 == 0 ? QStringLiteral("<null>")
                                                                           : QStringLiteral("名称%1").arg((rows - 1) % 37),
                                                       QStringLiteral("<null>"), generalNumberText((rows - 1) * 0.5)}));
        QCOMPARE(read(ReadingThreads::Two), one);
    }

    void anEngineErrorPartWayThroughALargeResultIsReported() {
        // The engine fails after thousands of rows were read: the failure reaches the caller,
        // and the connection reads on.
        TempWorkdir dir;
        dir.openNewDatabase();
        Database& db = dm().connection();
        db.begin();
        for (int i = 0; i < 5000; ++i)
            db.exec(QStringLiteral("insert into data1 (a, \"2\") values (?, ?)"), {QStringLiteral("名%1").arg(i % 7), i});
        db.commit();
        const QString failing = QStringLiteral(
            "select a, case when \"2\">=4000 then abs(-9223372036854775807-1) else \"2\" end from data1");
        QVERIFY_THROWS_EXCEPTION(StoreError, db.read(failing));
        const std::vector<ColumnStore> rows = db.read(QStringLiteral("select a, \"2\" from data1 order by id"));
        QCOMPARE(rows[0].rowCount(), 5000);
        QCOMPARE(rows[0].text(4999), QStringLiteral("名1"));
        QCOMPARE(rows[1].number(4999), 4999.0);
    }
};

QTEST_GUILESS_MAIN(DatasetColumnTest)
#include "test_dataset_column.moc"
