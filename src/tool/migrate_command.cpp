#include "tool/migrate_command.h"

#include "store/database.h"
#include "store/password_hash.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/store_error.h"
#include "store/table_description.h"
#include "store/user_tables.h"
#include "tool/commands.h"
#include "tool/ledger_place.h"
#include "tool/tool_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace {

// Rows read from the source at a time, so a million sales never sit twice in memory, and rows
// written by one statement (well under both engines' limits on bound values).
constexpr int kReadRows = 5000;
constexpr int kInsertRows = 100;

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

// One end of the move: a folder's data.mdb (or a .mdb file named outright), or a server's database.
struct End {
    QString address;
    bool server = false;
    QString file;
    bool created = false;  // a new data.mdb made for the copy, removed again when it fails
    Database db;
};

void locate(End& end, const QString& address) {
    end.address = address;
    end.server = isServerAddress(address);
    if (!end.server)
        end.file = QFileInfo(address.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)
                                 ? address
                                 : QDir(address).filePath(Database::kFileName))
                       .absoluteFilePath();
}

void openSource(End& from) {
    if (from.server) {
        openServerLedger(from.db, from.address);
        return;
    }
    if (!QFileInfo::exists(from.file))
        throw StoreError(QStringLiteral("没有找到要复制的账本：%1 不存在。").arg(from.file));
    from.db.open(from.file);
}

void openTarget(End& to) {
    if (to.server) {
        // An empty database gets the ledger's tables and the delivered administrator.
        openServerLedger(to.db, to.address);
        return;
    }
    if (!QFileInfo::exists(to.file)) {
        if (!QDir().mkpath(QFileInfo(to.file).path()))
            throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(to.file).path()));
        Database::create(to.file);
        to.created = true;
    }
    to.db.open(to.file);
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
qint64 copyTable(Database& source, Database& target, const TableDescription& table) {
    const qint64 total = count(source, table.table);
    toolOut() << "正在复制" << counted(table.table, total) << Qt::endl;
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
            toolOut() << "  已复制 " << copied << " / " << total << " 条" << Qt::endl;
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

QString copyLedger(Database& source, Database& target) {
    QStringList counts;
    // The source's writers wait meanwhile, so the copy and its check see one state of the books.
    Transaction reading(source);
    Transaction writing(target);
    refuseHeldLedger(target);
    target.exec(QStringLiteral("delete from ") + account::kTable);
    for (const TableDescription* table : storedTables()) {
        try {
            counts << counted(table->table, copyTable(source, target, *table));
        } catch (const StoreError& e) {
            throw StoreError(QStringLiteral("复制%1时出错，没有复制任何数据：%2").arg(tableTitle(table->table), e.message()));
        }
    }
    toolOut() << "正在核对行数和合计……" << Qt::endl;
    for (const TableDescription* table : storedTables()) {
        const QString differs = difference(figures(source, *table), figures(target, *table));
        if (!differs.isEmpty())
            throw StoreError(QStringLiteral("副本与原账本不一致，已撤销复制。") + differs);
    }
    writing.commit();
    return counts.join(QStringLiteral("，"));
}

int runMigrate(const QStringList& args) {
    QMap<QString, QString> options;
    for (int i = 0; i < args.size(); i += 2) {
        if ((args[i] != QLatin1String("--from") && args[i] != QLatin1String("--to")) || i + 1 >= args.size()) {
            reportBadOption(args[i]);
            return 2;
        }
        options.insert(args[i], args[i + 1]);
    }
    if (!options.contains(QStringLiteral("--from")) || !options.contains(QStringLiteral("--to")))
        return printUsage("migrate");
    End from, to;
    locate(from, options.value(QStringLiteral("--from")));
    locate(to, options.value(QStringLiteral("--to")));
    if (from.server == to.server && (from.server ? from.address == to.address : from.file == to.file)) {
        toolErr() << "tovrakel-tool: --from 和 --to 是同一个账本\n";
        return 1;
    }
    try {
        openSource(from);
        toolOut() << "原账本：" << from.db.location() << Qt::endl;
        try {
            openTarget(to);
            toolOut() << "目标：" << to.db.location() << Qt::endl;
            const QString counts = copyLedger(from.db, to.db);
            toolOut() << "已把账本从 " << from.db.location() << " 复制到 " << to.db.location() << "：" << counts
                      << "。行数、编号和金额的合计与原账本一致。" << Qt::endl;
        } catch (...) {
            if (to.created) {
                to.db.close();
                QFile::remove(to.file);
            }
            throw;
        }
    } catch (const StoreError& e) {
        toolErr() << "tovrakel-tool: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
