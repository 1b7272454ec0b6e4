// The table descriptions against the tables a new ledger file gets: every described column is
// stored with its type (texts ignoring the case of Latin letters), every stored column is
// described, and the grids and the product summary show only described columns.
#include "store/database.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/summary_table.h"
#include "store/user_tables.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

Q_DECLARE_METATYPE(const TableDescription*)
Q_DECLARE_METATYPE(LedgerColumns)

namespace {

QString declaredType(ColumnType type) {
    switch (type) {
    case ColumnType::Integer: return QStringLiteral("INTEGER");
    case ColumnType::Number: return QStringLiteral("REAL");
    case ColumnType::Text:
    case ColumnType::Date:
    case ColumnType::DateTime: return QStringLiteral("TEXT");
    }
    return {};
}

QStringList lines(const QVariant& joined) {
    return joined.toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

class TablesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Database m_db;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("data.mdb"));
        Database::create(path);
        m_db.open(path);
    }

    void storedAsDescribed_data() {
        QTest::addColumn<const TableDescription*>("table");
        for (const TableDescription* table : storedTables())
            QTest::newRow(qPrintable(table->table)) << table;
    }
    void storedAsDescribed() {
        QFETCH(const TableDescription*, table);
        const QStringList stored = lines(m_db.scalar(
            QStringLiteral("select group_concat(name, char(10)) from pragma_table_info(?)"), {table->table}));
        QVERIFY2(!stored.isEmpty(), qPrintable(table->table));
        for (const TableColumn& column : table->columns) {
            QCOMPARE(column.field.table, table->table);
            const QVariant type = m_db.scalar(
                QStringLiteral("select type from pragma_table_info(?) where name=?"), {table->table, column.name()});
            QVERIFY2(type.isValid(), qPrintable(column.name() + QStringLiteral(" is not stored")));
            QCOMPARE(type.toString(), declaredType(column.type));
            // Names and other texts compare without the case of Latin letters; dates as stored.
            QCOMPARE(m_db.engine().orderOf(table->table, column.name()),
                     column.type == ColumnType::Text ? LedgerEngine::TextOrder::BytesIgnoringCase
                                                     : LedgerEngine::TextOrder::Bytes);
        }
        QStringList described = table->names();
        QCOMPARE(QSet<QString>(described.begin(), described.end()).size(), described.size());
        for (const QString& name : stored)
            QVERIFY2(described.contains(name), qPrintable(name + QStringLiteral(" is not described")));
    }

    // A table the file gets that no description knows would be missed by every check above.
    void everyTableDescribed() {
        QStringList described;
        for (const TableDescription* table : storedTables())
            described << table->table;
        const QStringList tables = lines(m_db.scalar(QStringLiteral(
            "select group_concat(name, char(10)) from sqlite_master where type='table' and name not like 'sqlite%'")));
        QCOMPARE(QSet<QString>(tables.begin(), tables.end()), QSet<QString>(described.begin(), described.end()));
    }

    // The product summary's result columns are its described ones, in order.
    void summaryAsDescribed() {
        QStringList columns;
        for (const ColumnStore& column : m_db.read(kSummaryStatement))
            columns << column.name();
        QCOMPARE(columns, summaryTable().names());
    }

    // Each grid column shows a described column under its titles and in its picture.
    void gridsShowDescribedColumns_data() {
        QTest::addColumn<LedgerColumns>("columns");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("count");
        QTest::newRow("inventory") << inventoryColumns() << stock::kTable << 15;
        QTest::newRow("sales") << salesColumns() << salesrecord::kTable << 15;
        QTest::newRow("summary") << summaryColumns() << summary::kTable << 10;
    }
    void gridsShowDescribedColumns() {
        QFETCH(LedgerColumns, columns);
        QFETCH(QString, table);
        QFETCH(int, count);
        QCOMPARE(int(columns.size()), count);
        for (const LedgerColumn& c : columns) {
            QCOMPARE(c.identity.table, table);
            QCOMPARE(c.field, c.identity.column);
            const TableColumn* described = describedColumn(c.identity);
            QVERIFY2(described, qPrintable(c.field));
            QCOMPARE(c.title(), described->chinese.joined());
            QCOMPARE(c.format, described->picture);
        }
    }

    // The same stored name in two tables is two fields with their own descriptions.
    void fieldsKeepTheirTable() {
        QCOMPARE(describedColumn(stock::PurchasePrice)->chinese.joined(), QStringLiteral("进 货|单 价"));
        QCOMPARE(describedColumn(salesrecord::field(salesrecord::kPrice))->chinese.joined(), QStringLiteral("销 售 信 息|单 价"));
        QCOMPARE(describedColumn(stock::field(stock::kQuantity))->english.joined(), QStringLiteral("Purchase|Quantity"));
        QVERIFY(describedColumn(salesrecord::field(salesrecord::kQuantity))->english.isEmpty());
        QVERIFY(!describedColumn(Field{stock::kTable, salesrecord::kProfit}));
        QVERIFY(!describedColumn(Field{QStringLiteral("nowhere"), stock::kName}));
    }
};

QTEST_GUILESS_MAIN(TablesTest)
#include "test_tables.moc"
