#include "store/sqlite_engine.h"

#include "store/cell_batches.h"
#include "store/ledger_schema.h"
#include "store/store_error.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each connection is used by one thread only, so the engine skips its per-call locking, which
// otherwise costs a fifth of the time of reading a large result.
constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;

// How long a statement waits for another connection's lock before it gives up.
constexpr int kBusyWaitMs = 5000;

// year(), month() and day() of a yyyy-MM-dd text, as whole numbers. They run once per row of
// statistics over years of sales, so the stored form is read straight from its bytes.
bool readDateBytes(const unsigned char* t, int n, int* y, int* m, int* d) {
    auto digit = [&](int i) { return i < n && t[i] >= '0' && t[i] <= '9'; };
    if (n < 10 || !digit(0) || !digit(1) || !digit(2) || !digit(3) || t[4] != '-' || !digit(5) || !digit(6) ||
        t[7] != '-' || !digit(8) || !digit(9) || (n > 10 && t[10] != ' ' && t[10] != 'T'))
        return false;
    *y = (t[0] - '0') * 1000 + (t[1] - '0') * 100 + (t[2] - '0') * 10 + (t[3] - '0');
    *m = (t[5] - '0') * 10 + (t[6] - '0');
    *d = (t[8] - '0') * 10 + (t[9] - '0');
    return QDate::isValid(*y, *m, *d);
}

void datePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char* text = sqlite3_value_text(argv[0]);
    const int size = sqlite3_value_bytes(argv[0]);
    int y = 0, m = 0, d = 0;
    if (!readDateBytes(text, size, &y, &m, &d)) {
        // Other spellings a worksheet may bring in, such as 2024-3-5.
        const QDate date = QDate::fromString(QString::fromUtf8(reinterpret_cast<const char*>(text), size).trimmed(),
                                             QStringLiteral("yyyy-M-d"));
        if (!date.isValid()) {
            sqlite3_result_null(ctx);
            return;
        }
        y = date.year();
        m = date.month();
        d = date.day();
    }
    const auto part = reinterpret_cast<quintptr>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, part == 0 ? y : part == 1 ? m : d);
}

void registerFunctions(sqlite3* db) {
    const char* names[] = {"year", "month", "day"};
    for (quintptr i = 0; i < 3; ++i)
        sqlite3_create_function(db, names[i], 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                reinterpret_cast<void*>(i), datePartFunction, nullptr, nullptr);
}

const char* const kTables[] = {"data", "data1", "userdb", "rz"};

bool hasOurTables(SqliteEngine& db) {
    const QVariant n = db.scalar(QStringLiteral(
        "select count(*) from sqlite_master where type='table' and name in ('data','data1','userdb','rz')"), {});
    return n.toInt() == 4;
}

QSet<QString> columnsOf(sqlite3* db, const char* table) {
    QSet<QString> names;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "select name from pragma_table_info(?)", -1, &stmt, nullptr) != SQLITE_OK)
        return names;
    sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        names.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))).toLower());
    sqlite3_finalize(stmt);
    return names;
}

// The first column the program uses that the file lacks, as "table.column", or "". The columns
// come from the schema itself, so the check follows every column a later version adds.
QString missingColumn(sqlite3* db) {
    static const QList<QSet<QString>> wanted = [] {
        QList<QSet<QString>> columns;
        sqlite3* schema = nullptr;
        sqlite3_open_v2(":memory:", &schema, SQLITE_OPEN_READWRITE | kOneThread, nullptr);
        for (const SchemaStep& step : schemaSteps())
            sqlite3_exec(schema, step.embedded, nullptr, nullptr, nullptr);
        for (const char* table : kTables)
            columns << columnsOf(schema, table);
        sqlite3_close(schema);
        return columns;
    }();
    for (int i = 0; i < wanted.size(); ++i) {
        const QSet<QString> present = columnsOf(db, kTables[i]);
        for (const QString& column : wanted[i])
            if (!present.contains(column))
                return QStringLiteral("%1.%2").arg(QString::fromLatin1(kTables[i]), column);
    }
    return {};
}

// What failed, in the program's words, by the engine's error code.
QString failureText(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("数据库正被另一个程序使用，请稍后再试。");
    case SQLITE_READONLY: return QStringLiteral("数据库文件不能写入（只读）。");
    case SQLITE_FULL: return QStringLiteral("磁盘已满，数据没有写入。");
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN: return QStringLiteral("读写数据库文件时出错。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return QStringLiteral("数据库文件已损坏，或者不是本程序的数据库。");
    case SQLITE_CONSTRAINT: return QStringLiteral("这些数据不符合数据库的规则，没有写入。");
    default: return QStringLiteral("数据库操作失败。");
    }
}

// The failure in the program's words, the ledger's file where it matters, and the engine's own
// words as the detail; the statement it ran is nothing for a user.
[[noreturn]] void throwFailure(int code, const QString& file, const char* engineMessage) {
    QString message = failureText(code);
    if (!file.isEmpty())
        message += QStringLiteral("\n数据库文件：") + QDir::toNativeSeparators(file);
    message += QStringLiteral("\n（") + QString::fromUtf8(engineMessage) + QStringLiteral("）");
    throw StoreError(message);
}

sqlite3* openFile(const QString& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | kOneThread, nullptr);
    if (rc != SQLITE_OK) {
        const QByteArray engineMessage = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throwFailure(rc, path, engineMessage.constData());
    }
    sqlite3_busy_timeout(db, kBusyWaitMs);
    return db;
}

}  // namespace

SqliteEngine::SqliteEngine(const QString& path, Access access) : m_path(path) {
    if (access == Access::ReadOnly ? !QFileInfo(path).isFile() : !QFileInfo::exists(path))
        throw StoreError(QStringLiteral("找不到数据库文件 %1").arg(path));
    m_db = openFile(path, access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    registerFunctions(m_db);
    if (access == Access::ReadOnly)
        return;
    try {
        exec(QStringLiteral("PRAGMA foreign_keys=ON"), {});
        if (!hasOurTables(*this))
            throw StoreError(QStringLiteral("%1 不是本程序的数据库文件。").arg(path));
        upgradeSchema();
    } catch (...) {
        sqlite3_close_v2(m_db);
        throw;
    }
}

SqliteEngine::~SqliteEngine() { sqlite3_close_v2(m_db); }

void SqliteEngine::upgradeSchema() {
    const int version = scalar(QStringLiteral("PRAGMA user_version"), {}).toInt();
    if (version >= latestSchemaVersion())
        return;
    for (const SchemaStep& step : schemaSteps()) {
        // Every step is written to be run again, so a file older than its version number knows
        // (made before the steps were numbered) is brought up to date without harm.
        char* error = nullptr;
        if (sqlite3_exec(m_db, step.embedded, nullptr, nullptr, &error) != SQLITE_OK) {
            const QString message = QString::fromUtf8(error);
            sqlite3_free(error);
            throw StoreError(message);
        }
    }
    // A ledger on read-only media that already holds every step stays usable.
    sqlite3_exec(m_db, QStringLiteral("PRAGMA user_version=%1").arg(latestSchemaVersion()).toUtf8().constData(),
                 nullptr, nullptr, nullptr);
}

void SqliteEngine::create(const QString& path) {
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("文件 %1 已经存在，不会覆盖。").arg(path));
    // The ledger holds prices and passwords: made for its owner alone; the engine gives its
    // journal the same mode.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        throw StoreError(QStringLiteral("无法创建数据库文件 %1").arg(path));
    ::close(fd);
    SqliteEngine db(openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), path);
    db.begin();
    try {
        db.upgradeSchema();
        addDeliveredAdministrator(db);
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}

void SqliteEngine::copy(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from))
        throw StoreError(QStringLiteral("找不到数据库文件 %1").arg(from));
    sqlite3* source = nullptr;
    sqlite3* target = nullptr;
    auto message = [](sqlite3* db, int rc) {
        return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    };
    auto finish = [&] {
        sqlite3_close(target);
        sqlite3_close(source);
    };
    int rc = sqlite3_open_v2(from.toUtf8().constData(), &source, SQLITE_OPEN_READONLY | kOneThread, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_busy_timeout(source, kBusyWaitMs);
    if (rc != SQLITE_OK) {
        const QString text = message(source, rc);
        finish();
        throw StoreError(text);
    }
    rc = sqlite3_open_v2(to.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kOneThread, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = message(target, rc) + QStringLiteral("\n") + to;
        finish();
        throw StoreError(text);
    }
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup) {
        const QString text = message(target, SQLITE_ERROR);
        finish();
        throw StoreError(text);
    }
    // One step copies every page under one read lock of the source.
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(50);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        const QString text = QString::fromUtf8(sqlite3_errstr(rc));
        finish();
        throw StoreError(text);
    }
    finish();
}

bool SqliteEngine::settle(const QString& path) {
    if (!QFileInfo(path).isFile())
        return false;
    sqlite3* db = nullptr;
    bool read = false;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | kOneThread, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyWaitMs);
        // The first read takes the shared lock, and with it rolls back a hot journal.
        read = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return read;
}

void SqliteEngine::verify(const QString& path) {
    SqliteEngine db(path, Access::ReadOnly);
    const QVariant check = db.scalar(QStringLiteral("PRAGMA integrity_check"), {});
    if (check.toString() != QLatin1String("ok"))
        throw StoreError(QStringLiteral("%1 已损坏：%2").arg(path, check.toString()));
    if (!hasOurTables(db))
        throw StoreError(QStringLiteral("%1 不是本程序的数据库文件。").arg(path));
    const QString missing = missingColumn(db.m_db);
    if (!missing.isEmpty())
        throw StoreError(QStringLiteral("%1 不是本程序的数据库文件：缺少列 %2。").arg(path, missing));
}

void SqliteEngine::fail(const QString& file) const {
    throwFailure(sqlite3_extended_errcode(m_db), file, sqlite3_errmsg(m_db));
}

sqlite3_stmt* SqliteEngine::prepare(const QString& sql, const QVariantList& params) {
    const QByteArray text = translateDateLiterals(sql).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        fail();
    if (!stmt)
        throw StoreError(QStringLiteral("空语句"));
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != params.size()) {
        sqlite3_finalize(stmt);
        throw StoreError(QStringLiteral("语句需要 %1 个参数，实际给出 %2 个：%3")
                             .arg(expected).arg(params.size()).arg(sql));
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, i + 1);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
                break;
            default: {
                const QByteArray bytes = boundText(v).toUtf8();
                rc = sqlite3_bind_text(stmt, i + 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail();
        }
    }
    return stmt;
}

int SqliteEngine::exec(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail();
    return sqlite3_changes(m_db);
}

QVariant SqliteEngine::scalar(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql, params);
    QVariant result;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_INTEGER: result = qint64(sqlite3_column_int64(stmt, 0)); break;
        case SQLITE_FLOAT: result = sqlite3_column_double(stmt, 0); break;
        case SQLITE_NULL: break;
        default:
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail();
    return result;
}

std::vector<ColumnStore> SqliteEngine::read(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql, params);
    const int count = sqlite3_column_count(stmt);
    std::vector<ColumnStore> columns;
    columns.reserve(size_t(count));
    for (int c = 0; c < count; ++c) {
        columns.emplace_back(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        const char* declared = sqlite3_column_decltype(stmt, c);
        if (declared && qstricmp(declared, "INTEGER") == 0)
            columns.back().setInteger(true);
    }
    // A large result is stepped on a thread of its own while this one appends the cells; the
    // connection is not used here meanwhile.
    int rc = SQLITE_DONE;
    readInBatches(columns, [&](CellBatch& batch) {
        while (!batch.full()) {
            if ((rc = sqlite3_step(stmt)) != SQLITE_ROW)
                return false;
            for (int c = 0; c < count; ++c) {
                // One call per cell; the connection takes no locks, so the value is read as it stands.
                sqlite3_value* v = sqlite3_column_value(stmt, c);
                switch (sqlite3_value_type(v)) {
                case SQLITE_NULL: batch.addNull(); break;
                case SQLITE_INTEGER: batch.addNumber(double(sqlite3_value_int64(v))); break;
                case SQLITE_FLOAT: batch.addNumber(sqlite3_value_double(v)); break;
                default: batch.addText(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
                }
            }
            batch.endRow();
        }
        return true;
    });
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail();
    for (ColumnStore& col : columns)
        col.finishReading();
    return columns;
}

qint64 SqliteEngine::lastInsertId() { return sqlite3_last_insert_rowid(m_db); }

void SqliteEngine::begin() { exec(QStringLiteral("BEGIN IMMEDIATE"), {}); }
void SqliteEngine::commit() { exec(QStringLiteral("COMMIT"), {}); }
void SqliteEngine::rollback() {
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// The engine's own call for this: safe from another thread, a no-op when nothing runs.
void SqliteEngine::interrupt() { sqlite3_interrupt(m_db); }

// Moves when another connection commits to the file; this connection's own writes leave it.
QVariant SqliteEngine::changesElsewhere() { return scalar(QStringLiteral("PRAGMA data_version"), {}); }

LedgerEngine::TextOrder SqliteEngine::orderOf(const QString& table, const QString& column) {
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(m_db, nullptr, table.toUtf8().constData(), column.toUtf8().constData(),
                                      nullptr, &collation, nullptr, nullptr, nullptr) != SQLITE_OK ||
        !collation)
        return TextOrder::Unknown;
    if (qstricmp(collation, "NOCASE") == 0)
        return TextOrder::BytesIgnoringCase;
    return qstricmp(collation, "BINARY") == 0 ? TextOrder::Bytes : TextOrder::Unknown;
}

QString SqliteEngine::rowByIdentity(const QString& table, const QString& column) const {
    return column.isEmpty() ? QStringLiteral("select * from %1 where rowid=?").arg(table)
                            : QStringLiteral("select * from %1 where \"%2\"=?").arg(table, column);
}
