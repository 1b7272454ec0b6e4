#include "store/database.h"

#include "store/ledger_events.h"
#include "store/store_error.h"
#include "store/password_hash.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

const QString Database::kAdministrator = QStringLiteral("超级管理员");
const QString Database::kInitialPassword = QStringLiteral("888");
const QString Database::kFileName = QStringLiteral("data.mdb");

namespace {

// Each connection is used by one thread only, so the engine skips its per-call locking, which
// otherwise costs a fifth of the time of reading a large result.
constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;

// How long a statement waits for another connection's lock before it gives up.
constexpr int kBusyWaitMs = 5000;

// Text columns ignore the case of Latin letters in "=" and "like"; dates are yyyy-MM-dd texts.
const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS data (
  id INTEGER PRIMARY KEY,
  a TEXT COLLATE NOCASE, b TEXT COLLATE NOCASE, c TEXT COLLATE NOCASE, d TEXT COLLATE NOCASE,
  e TEXT COLLATE NOCASE, f TEXT COLLATE NOCASE, g TEXT COLLATE NOCASE, z TEXT COLLATE NOCASE,
  "1" REAL, "2" REAL, "3" REAL, "4" REAL, "5" REAL, "6" REAL, "7" REAL, "8" REAL,
  day1 TEXT);
CREATE TABLE IF NOT EXISTS data1 (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  a TEXT COLLATE NOCASE, b TEXT COLLATE NOCASE, c TEXT COLLATE NOCASE, d TEXT COLLATE NOCASE,
  e TEXT COLLATE NOCASE, f TEXT COLLATE NOCASE, g TEXT COLLATE NOCASE, h TEXT COLLATE NOCASE,
  i TEXT COLLATE NOCASE, j TEXT COLLATE NOCASE, k TEXT COLLATE NOCASE, l TEXT COLLATE NOCASE,
  m TEXT COLLATE NOCASE, n TEXT COLLATE NOCASE, o TEXT COLLATE NOCASE, p TEXT COLLATE NOCASE,
  q TEXT COLLATE NOCASE, r TEXT COLLATE NOCASE, s TEXT COLLATE NOCASE, t TEXT COLLATE NOCASE,
  u TEXT COLLATE NOCASE, v TEXT COLLATE NOCASE, w TEXT COLLATE NOCASE, x TEXT COLLATE NOCASE,
  y TEXT COLLATE NOCASE, z TEXT COLLATE NOCASE,
  "1" REAL, "2" REAL, "3" REAL, "4" REAL, a5 REAL, "6" REAL, "7" REAL, "8" REAL, "9" REAL,
  day1 TEXT, day2 TEXT, day3 TEXT, day4 TEXT, day5 TEXT, day6 TEXT);
CREATE TABLE IF NOT EXISTS userdb (
  username TEXT COLLATE NOCASE UNIQUE,
  passwd TEXT COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS rz (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  username TEXT COLLATE NOCASE,
  btime TEXT, jtime TEXT);
CREATE INDEX IF NOT EXISTS data1_day1 ON data1(day1);
CREATE INDEX IF NOT EXISTS data1_z ON data1(z);
-- The pick lists of categories and customers read the sales table in their order.
CREATE INDEX IF NOT EXISTS data1_d ON data1(d);
CREATE INDEX IF NOT EXISTS data1_g ON data1(g);
CREATE INDEX IF NOT EXISTS data_day1 ON data(day1);
-- The stock pick lists (categories, names, models, codes, suppliers) likewise.
CREATE INDEX IF NOT EXISTS data_a ON data(a);
CREATE INDEX IF NOT EXISTS data_b ON data(b);
CREATE INDEX IF NOT EXISTS data_c ON data(c);
CREATE INDEX IF NOT EXISTS data_d ON data(d);
CREATE INDEX IF NOT EXISTS data_g ON data(g);
)sql";

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

bool hasOurTables(Database& db) {
    const QVariant n = db.scalar(QStringLiteral(
        "select count(*) from sqlite_master where type='table' and name in ('data','data1','userdb','rz')"));
    return n.toInt() == 4;
}

const char* const kTables[] = {"data", "data1", "userdb", "rz"};

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
        sqlite3_exec(schema, kSchema, nullptr, nullptr, nullptr);
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

}  // namespace

Database::~Database() {
    close();
    delete m_events;
}

LedgerEvents& Database::events() {
    if (!m_events)
        m_events = new LedgerEvents;
    return *m_events;
}

namespace {

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

}  // namespace

void Database::open(const QString& path) {
    close();
    if (!QFileInfo::exists(path))
        throw StoreError(QStringLiteral("找不到数据库文件 %1").arg(path));
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | kOneThread, nullptr);
    if (rc != SQLITE_OK) {
        const QByteArray engineMessage = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throwFailure(rc, path, engineMessage.constData());
    }
    m_db = db;
    m_path = path;
    sqlite3_busy_timeout(m_db, kBusyWaitMs);
    registerFunctions(m_db);
    try {
        exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        if (!hasOurTables(*this))
            throw StoreError(QStringLiteral("%1 不是本程序的数据库文件。").arg(path));
        applySchema();  // indexes added by later versions
    } catch (...) {
        close();
        throw;
    }
}

void Database::create(const QString& path) {
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("文件 %1 已经存在，不会覆盖。").arg(path));
    // The ledger holds prices and passwords: made for its owner alone; the engine gives its
    // journal the same mode.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        throw StoreError(QStringLiteral("无法创建数据库文件 %1").arg(path));
    ::close(fd);
    Database db;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db.m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kOneThread, nullptr);
    if (rc != SQLITE_OK)
        db.fail(path);
    db.m_path = path;
    Transaction t(db);
    db.applySchema();
    // Stored hashed from the start, like every password set later.
    db.exec(QStringLiteral("Insert into userdb values (?,?)"), {kAdministrator, hashPassword(kInitialPassword)});
    t.commit();
}

void Database::copy(const QString& from, const QString& to) {
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

void Database::openReadOnly(const QString& path) {
    close();
    if (!QFileInfo(path).isFile())
        throw StoreError(QStringLiteral("找不到数据库文件 %1").arg(path));
    m_path = path;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY | kOneThread, nullptr) != SQLITE_OK) {
        try {
            fail(path);
        } catch (...) {
            close();
            throw;
        }
    }
    sqlite3_busy_timeout(m_db, kBusyWaitMs);
    registerFunctions(m_db);
}

bool Database::settle(const QString& path) {
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

void Database::verify(const QString& path) {
    Database db;
    db.openReadOnly(path);
    const QVariant check = db.scalar(QStringLiteral("PRAGMA integrity_check"));
    if (check.toString() != QLatin1String("ok"))
        throw StoreError(QStringLiteral("%1 已损坏：%2").arg(path, check.toString()));
    if (!hasOurTables(db))
        throw StoreError(QStringLiteral("%1 不是本程序的数据库文件。").arg(path));
    const QString missing = missingColumn(db.m_db);
    if (!missing.isEmpty())
        throw StoreError(QStringLiteral("%1 不是本程序的数据库文件：缺少列 %2。").arg(path, missing));
}

void Database::applySchema() {
    char* error = nullptr;
    if (sqlite3_exec(m_db, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        sqlite3_free(error);
        throw StoreError(message);
    }
}

void Database::close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}


void Database::fail(const QString& file) const {
    if (!m_db)
        throw StoreError(QStringLiteral("数据库没有打开"));
    throwFailure(sqlite3_extended_errcode(m_db), file, sqlite3_errmsg(m_db));
}

sqlite3_stmt* Database::prepare(const QString& sql, const QVariantList& params) {
    if (!m_db)
        throw StoreError(QStringLiteral("数据库没有打开"));
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
            case QMetaType::QDate:
                rc = sqlite3_bind_text(stmt, i + 1,
                                       v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8().constData(),
                                       -1, SQLITE_TRANSIENT);
                break;
            default: {
                const QByteArray bytes = v.toString().toUtf8();
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

int Database::exec(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail();
    return sqlite3_changes(m_db);
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
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

qint64 Database::lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }

void Database::begin() { exec(QStringLiteral("BEGIN IMMEDIATE")); }
void Database::commit() { exec(QStringLiteral("COMMIT")); }
void Database::rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

Transaction::~Transaction() {
    if (!m_done)
        m_db.rollback();
}

void Transaction::commit() {
    m_db.commit();
    m_done = true;
}

QString translateDateLiterals(const QString& sql) {
    if (!sql.contains(QLatin1Char('#')))
        return sql;
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar ch = sql.at(i);
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
            out += ch;
        } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"') || ch == QLatin1Char('[')) {
            quote = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
            out += ch;
        } else if (ch == QLatin1Char('#')) {
            const int end = sql.indexOf(QLatin1Char('#'), i + 1);
            if (end < 0) {
                out += ch;
                continue;
            }
            QString literal = sql.mid(i + 1, end - i - 1);
            // Accept 2024-3-5 as well as 2024-03-05, as the classic engine did.
            const QDate date = QDate::fromString(literal.trimmed(), QStringLiteral("yyyy-M-d"));
            if (date.isValid())
                literal = date.toString(QStringLiteral("yyyy-MM-dd"));
            out += QLatin1Char('\'') + literal + QLatin1Char('\'');
            i = end;
        } else {
            out += ch;
        }
    }
    return out;
}
