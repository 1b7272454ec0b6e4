#include "maintenance/ledger_copy.h"

#include "store/database.h"
#include "store/password_hash.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "store/table_description.h"
#include "store/user_tables.h"

#include <cmath>
#include <limits>

namespace {

// Rows read from the source at a time, so a million sales never sit twice in memory, and rows
// written by one statement (well under both engines' limits on bound values).
constexpr int kReadRows = 5000;
constexpr int kInsertRows = 100;

void tell(const CopyProgress& progress, const QString& line) {
    if (progress)
        progress(line);
}

QString tableTitle(const QString& table) {
    if (table == stock::kTable)
        return QStringLiteral("入库记录（%1）").arg(table);
    if (table == salesrecord::kTable)
        return QStringLiteral("销售记录（%1）").arg(table);
    if (table == account::kTable)
        return QStringLiteral("用户（%1）").arg(table);
    return QStringLiteral("登录日志（%1）").arg(table);
}

// Users are counted as people, the other tables as records.
QString counted(const QString& table, qint64 rows) {
    return QStringLiteral("%1 %2 %3").arg(tableTitle(table)).arg(rows).arg(table == account::kTable ? QStringLiteral("个") : QStringLiteral("条"));
}

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The identity column of a table; empty for the users, who have none.
QString identityOf(const TableDescription& table) {
    for (const TableColumn& c : table.columns)
        if (c.type == ColumnType::Integer)
            return c.name();
    return {};
}

qint64 count(Database& db, const QString& table) {
    return db.scalar(QStringLiteral("select count(*) from ") + table).toLongLong();
}

// A ledger is there unless the target holds nothing but the delivered administrator with the
// initial password: refusing it keeps a shop's books from being mixed with another's.
void refuseHeldLedger(Database& to) {
    QStringList held;
    for (const TableDescription* t : storedTables()) {
        if (t->table == account::kTable)
            continue;
        if (const qint64 n = count(to, t->table))
            held << counted(t->table, n);
    }
    const std::vector<ColumnStore> users = to.read(
        QStringLiteral("select %1, %2 from %3").arg(quoted(account::kName), quoted(account::kPassword), account::kTable));
    const int userCount = users.empty() ? 0 : users[0].rowCount();
    const bool delivered = userCount == 0 || (userCount == 1 && users[0].text(0) == Database::kAdministrator &&
                                              passwordMatches(users[1].text(0), Database::kInitialPassword));
    if (!delivered)
        held << counted(account::kTable, userCount);
    if (!held.isEmpty())
        throw StoreError(QStringLiteral("目标 %1 里已经有一个账本（%2），没有复制任何数据。"
                                        "请复制到一个新的文件夹或一个空的数据库。")
                             .arg(to.location(), held.join(QStringLiteral("，"))));
}

QString insertRows(const TableDescription& table, int rows) {
    QStringList quotedNames, marks;
    for (const QString& name : table.names()) {
        quotedNames << quoted(name);
        marks << QStringLiteral("?");
    }
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList values;
    for (int i = 0; i < rows; ++i)
        values << row;
    return QStringLiteral("insert into %1 (%2) values %3")
        .arg(table.table, quotedNames.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
}

// Writes rows [first, first + rows) of a block read from the source.
void writeRows(Database& target, const std::vector<ColumnStore>& block, int first, int rows, const QString& statement) {
    QVariantList params;
    params.reserve(rows * int(block.size()));
    for (int r = first; r < first + rows; ++r)
        for (const ColumnStore& column : block)
            params << column.value(r);
    target.exec(statement, params);
}

void writeBlock(Database& target, const TableDescription& table, const std::vector<ColumnStore>& block) {
    const int rows = block.empty() ? 0 : block.front().rowCount();
    const QString full = insertRows(table, kInsertRows);
    int done = 0;
    for (; done + kInsertRows <= rows; done += kInsertRows)
        writeRows(target, block, done, kInsertRows, full);
    if (done < rows)
        writeRows(target, block, done, rows - done, insertRows(table, rows - done));
}

// Copies one table with its identities, a block of rows at a time by identity; returns the rows.
qint64 copyTable(Database& source, Database& target, const TableDescription& table, const CopyProgress& progress) {
    const qint64 total = count(source, table.table);
    tell(progress, QStringLiteral("正在复制") + counted(table.table, total));
    QStringList names;
    for (const QString& name : table.names())
        names << quoted(name);
    const QString columns = names.join(QLatin1Char(','));
    const QString identity = identityOf(table);
    if (identity.isEmpty()) {
        writeBlock(target, table, source.read(QStringLiteral("select %1 from %2").arg(columns, table.table)));
        return total;
    }
    const QString next = QStringLiteral("select %1 from %2 where %3 > ? order by %3 limit %4")
                             .arg(columns, table.table, quoted(identity))
                             .arg(kReadRows);
    const int identityColumn = int(table.names().indexOf(identity));
    qint64 copied = 0, after = std::numeric_limits<qint64>::min(), shown = 0;
    for (;;) {
        const std::vector<ColumnStore> block = source.read(next, {after});
        const int rows = block.empty() ? 0 : block.front().rowCount();
        if (rows == 0)
            break;
        writeBlock(target, table, block);
        after = block[size_t(identityColumn)].value(rows - 1).toLongLong();
        copied += rows;
        // A line for every tenth of a large table.
        if (copied == total || copied - shown >= std::max<qint64>(total / 10, kReadRows * 10)) {
            tell(progress, QStringLiteral("  已复制 %1 / %2 条").arg(copied).arg(total));
            shown = copied;
        }
    }
    return copied;
}

// The figures the copy is checked by: the rows, the highest identity, and for every number column
// of stock and sales the values it holds and their sum.
struct Figures {
    QString table;
    QStringList names;
    QVariantList values;
};

Figures figures(Database& db, const TableDescription& table) {
    Figures f{table.table, {}, {}};
    QStringList terms{QStringLiteral("count(*)")};
    f.names << QStringLiteral("行数");
    const QString identity = identityOf(table);
    if (!identity.isEmpty()) {
        terms << QStringLiteral("max(%1)").arg(quoted(identity));
        f.names << QStringLiteral("最大编号");
    }
    for (const TableColumn& c : table.columns) {
        if (c.type != ColumnType::Number)
            continue;
        terms << QStringLiteral("count(%1)").arg(quoted(c.name())) << QStringLiteral("sum(%1)").arg(quoted(c.name()));
        f.names << QStringLiteral("列 %1 的个数").arg(c.name()) << QStringLiteral("列 %1 的合计").arg(c.name());
    }
    const std::vector<ColumnStore> row =
        db.read(QStringLiteral("select %1 from %2").arg(terms.join(QLatin1Char(',')), table.table));
    for (const ColumnStore& c : row)
        f.values << c.value(0);
    return f;
}

// What differs between the source's figures and the copy's, within a fen for sums; empty when equal.
QString difference(const Figures& source, const Figures& copy) {
    for (int i = 0; i < source.values.size(); ++i) {
        const double a = source.values[i].toDouble(), b = copy.values.value(i).toDouble();
        if (source.values[i].isNull() != copy.values.value(i).isNull() || std::fabs(a - b) > 0.01 + 1e-9)
            return QStringLiteral("%1：%2 在原账本中是 %3，在副本中是 %4")
                .arg(tableTitle(source.table), source.names[i], source.values[i].toString(), copy.values.value(i).toString());
    }
    return {};
}

}  // namespace

QString replaceLedgerRows(Database& source, Database& target, const CopyProgress& progress) {
    // Emptied first, so a user of the source may keep the name of one of the target's.
    for (const TableDescription* table : storedTables())
        target.exec(QStringLiteral("delete from ") + table->table);
    QStringList counts;
    for (const TableDescription* table : storedTables()) {
        try {
            counts << counted(table->table, copyTable(source, target, *table, progress));
        } catch (const StoreError& e) {
            throw StoreError(QStringLiteral("复制%1时出错，没有复制任何数据：%2").arg(tableTitle(table->table), e.message()));
        }
    }
    tell(progress, QStringLiteral("正在核对行数和合计……"));
    for (const TableDescription* table : storedTables()) {
        const QString differs = difference(figures(source, *table), figures(target, *table));
        if (!differs.isEmpty())
            throw StoreError(QStringLiteral("副本与原账本不一致，已撤销复制。") + differs);
    }
    return counts.join(QStringLiteral("，"));
}

QString copyLedger(Database& source, Database& target, const CopyProgress& progress) {
    // The source's writers wait meanwhile, so the copy and its check see one state of the books.
    Transaction reading(source);
    Transaction writing(target);
    refuseHeldLedger(target);
    const QString counts = replaceLedgerRows(source, target, progress);
    writing.commit();
    return counts;
}
