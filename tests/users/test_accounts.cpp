// User records: the stored hash, plain-text rows from elsewhere, the administrator's maintenance
// and the password change rules, on a temporary database.
#include "store/data_module.h"
#include "store/password_hash.h"
#include "store/query.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "store/summary_table.h"
#include "support/temp_workdir.h"
#include "support/test_session.h"
#include "users/login_log.h"
#include "users/rights.h"
#include "users/user_accounts.h"

#include <QtTest>

class AccountsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    Database& db() { return m_session->db(); }
    QString stored(const QString& user) {
        return db().scalar(QStringLiteral("select passwd from userdb where username=?"), {user}).toString();
    }
    int userCount() { return db().scalar(QStringLiteral("select count(*) from userdb")).toInt(); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
    }
    void cleanup() { m_session.reset(); }

    void hashFormat() {
        const QString hash = hashPassword(QStringLiteral("Abc123"));
        const QStringList parts = hash.split(QLatin1Char('$'));
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts[0], QStringLiteral("pbkdf2-sha256"));
        QCOMPARE(parts[1].toInt(), kPasswordIterations);
        QVERIFY(kPasswordIterations >= 10000);
        QCOMPARE(QByteArray::fromBase64(parts[2].toLatin1()).size(), 16);
        QCOMPARE(QByteArray::fromBase64(parts[3].toLatin1()).size(), 32);
        QVERIFY(!hash.contains(QStringLiteral("Abc123"), Qt::CaseInsensitive));
        QVERIFY(isPasswordHash(hash));
        // Salted: the same password never gives the same stored text twice.
        QVERIFY(hashPassword(QStringLiteral("Abc123")) != hash);
    }

    void matching_data() {
        QTest::addColumn<QString>("stored");  // "#" + password: hash it first
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::newRow("hash, same") << "#abc123" << "abc123" << true;
        QTest::newRow("hash, other case") << "#abc123" << "ABC123" << true;
        QTest::newRow("hash of upper, typed lower") << "#XyZ9" << "xyz9" << true;
        QTest::newRow("hash, wrong") << "#abc123" << "abc124" << false;
        QTest::newRow("hash, prefix") << "#abc123" << "abc12" << false;
        QTest::newRow("hash, empty typed") << "#888" << "" << false;
        QTest::newRow("plain, same") << "888" << "888" << true;
        QTest::newRow("plain, other case") << "Secret" << "sECRET" << true;
        QTest::newRow("plain, wrong") << "888" << "889" << false;
        QTest::newRow("damaged hash is plain text") << "pbkdf2-sha256$x$y$z" << "pbkdf2-sha256$x$y$z" << true;
        QTest::newRow("non-Latin case is not folded") << QString::fromUtf8("Ä1") << QString::fromUtf8("ä1") << false;
    }
    void matching() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        if (stored.startsWith(QLatin1Char('#')))
            stored = hashPassword(stored.mid(1), 1000);
        QCOMPARE(passwordMatches(stored, typed), matches);
    }

    void storedCountIsHonoured() {
        // A hash made with another count still checks, so the count can be raised later.
        const QString old = hashPassword(QStringLiteral("pw1"), 1500);
        QVERIFY(old.startsWith(QStringLiteral("pbkdf2-sha256$1500$")));
        QVERIFY(passwordMatches(old, QStringLiteral("PW1")));
        QString tampered = old;
        tampered.replace(QStringLiteral("$1500$"), QStringLiteral("$1501$"));
        QVERIFY(!passwordMatches(tampered, QStringLiteral("pw1")));
    }

    void deliveredAdministratorIsHashed() {
        // A new ledger holds the initial password hashed from the start, never as plain text.
        const QString delivered = stored(Database::kAdministrator);
        QVERIFY(isPasswordHash(delivered));
        QVERIFY(passwordMatches(delivered, Database::kInitialPassword));
        QVERIFY(!checkLogin(db(), Database::kAdministrator, QStringLiteral("887")));
        // Logins check the hash and leave it alone.
        QVERIFY(checkLogin(db(), Database::kAdministrator, Database::kInitialPassword));
        QCOMPARE(stored(Database::kAdministrator), delivered);
    }

    void plainTextRowFromElsewhere() {
        m_session->ledger.addUserStoredAs(QStringLiteral("zhang"), QStringLiteral("AbC9"));
        QVERIFY(checkLogin(db(), QStringLiteral("zhang"), QStringLiteral("abc9")));
        QVERIFY(isPasswordHash(stored(QStringLiteral("zhang"))));
        QVERIFY(checkLogin(db(), QStringLiteral("ZHANG"), QStringLiteral("ABC9")));
        QVERIFY(!checkLogin(db(), QStringLiteral("zhang"), QStringLiteral("abc")));
    }

    void loginRefusals_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("unknown user") << "nobody" << "888";
        QTest::newRow("quote in name") << "a'b" << "888";
        QTest::newRow("empty password") << "超级管理员" << "";
        QTest::newRow("statement text as name") << "' or '1'='1" << "' or '1'='1";
    }
    void loginRefusals() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QVERIFY(!checkLogin(db(), user, password));
    }

    void addUserRules() {
        QCOMPARE(addUser(db(), QStringLiteral("超级管理员")), AddUserOutcome::Administrator);
        QCOMPARE(addUser(db(), QStringLiteral("  ")), AddUserOutcome::EmptyName);
        QCOMPARE(userCount(), 1);
        QCOMPARE(addUser(db(), QStringLiteral(" 小王 ")), AddUserOutcome::Added);
        QVERIFY(isPasswordHash(stored(QStringLiteral("小王"))));
        QVERIFY(checkLogin(db(), QStringLiteral("小王"), Database::kInitialPassword));
        QCOMPARE(addUser(db(), QStringLiteral("小王")), AddUserOutcome::Exists);
        QCOMPARE(addUser(db(), QStringLiteral("O'Brien")), AddUserOutcome::Added);
        QCOMPARE(addUser(db(), QStringLiteral("o'brien")), AddUserOutcome::Exists);
        QCOMPARE(userCount(), 3);
        QStringList names = userNames(db());  // in the engine's order
        names.sort();
        QStringList expected{QStringLiteral("超级管理员"), QStringLiteral("小王"), QStringLiteral("O'Brien")};
        expected.sort();
        QCOMPARE(names, expected);
    }

    // The user list comes by name, Latin letters ignoring case, as the file engine reads it from
    // the names' index; a server must not move a user whose password changed to the end.
    void theUserListComesByName() {
        for (const char* name : {"zoe", "Bob", "cashier1"})
            QCOMPARE(addUser(db(), QString::fromUtf8(name)), AddUserOutcome::Added);
        QVERIFY(resetPassword(db(), QStringLiteral("Bob")));
        QVERIFY(resetPassword(db(), Database::kAdministrator));
        QCOMPARE(userNames(db()), (QStringList{"Bob", "cashier1", "zoe", "超级管理员"}));
    }

    // Another till's login written between this till's entry and its reading back of the id (a
    // trigger plays the other till) must not take this till's logout time.
    void eachTillCompletesItsOwnLoginEntry() {
        if (TempWorkdir::onServer()) {
            db().exec(QStringLiteral(
                "create function other_till() returns trigger as $$ begin "
                "if new.username <> 'other' then insert into rz (username, btime) values ('other', new.btime); end if; "
                "return null; end $$ language plpgsql"));
            db().exec(QStringLiteral("create trigger other_till after insert on rz for each row execute function other_till()"));
        } else {
            db().exec(QStringLiteral("create trigger other_till after insert on rz when new.username <> 'other' begin "
                                     "insert into rz (username, btime) values ('other', new.btime); end"));
        }
        const QDateTime login(QDate(2024, 3, 6), QTime(9, 0));
        const qint64 entry = writeLogin(db(), QStringLiteral("小王"), login);
        writeLogout(db(), entry, login.addSecs(3600));
        QCOMPARE(db().scalar(QStringLiteral("select jtime from rz where username=?"), {QStringLiteral("小王")}).toString(),
                 QStringLiteral("2024-03-06 10:00:00"));
        QVERIFY(db().scalar(QStringLiteral("select jtime from rz where username='other'")).isNull());
    }

    void deleteAndReset() {
        QCOMPARE(checkUserDeletion(QStringLiteral(" 超级管理员 ")), DeleteUserOutcome::Administrator);
        QCOMPARE(checkUserDeletion(QString()), DeleteUserOutcome::EmptyName);
        QCOMPARE(checkUserDeletion(QStringLiteral("x")), DeleteUserOutcome::Allowed);
        addUser(db(), QStringLiteral("x'y"));
        QVERIFY(changePassword(db(), Rights::forUser(QStringLiteral("x'y")), QStringLiteral("x'y"), QStringLiteral("888"),
                               QStringLiteral("new1"), QStringLiteral("new1")) == PasswordChangeOutcome::Changed);
        QVERIFY(resetPassword(db(), QStringLiteral("x'y")));
        QVERIFY(checkLogin(db(), QStringLiteral("x'y"), Database::kInitialPassword));
        QVERIFY(resetPassword(db(), Database::kAdministrator));
        QVERIFY(isPasswordHash(stored(Database::kAdministrator)));
        deleteUser(db(), QStringLiteral("x'y"));
        QCOMPARE(userCount(), 1);
        QVERIFY(!resetPassword(db(), QStringLiteral("x'y")));  // gone: nothing to reset
        QVERIFY(!resetPassword(db(), QString()));
    }

    // Everyone changes their own password and nobody else's; "by" is the logged-in user (the
    // operator when empty, nobody for "-").
    void passwordChange_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<int>("outcome");
        const auto as = [](PasswordChangeOutcome o) { return int(o); };
        QTest::newRow("changed") << "" << "小王" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::Changed);
        QTest::newRow("old in other case") << "" << "小王" << "888" << " k9 " << "k9" << as(PasswordChangeOutcome::Changed);
        QTest::newRow("no operator") << "" << "" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::NoOperator);
        QTest::newRow("no old") << "" << "小王" << "  " << "abc1" << "abc1" << as(PasswordChangeOutcome::NoOldPassword);
        QTest::newRow("no new") << "" << "小王" << "888" << "" << "" << as(PasswordChangeOutcome::NoNewPassword);
        QTest::newRow("repeat differs in case") << "" << "小王" << "888" << "abc1" << "ABC1" << as(PasswordChangeOutcome::Mismatch);
        QTest::newRow("wrong old") << "" << "小王" << "999" << "abc1" << "abc1" << as(PasswordChangeOutcome::WrongOldPassword);
        QTest::newRow("another's old") << "" << "小王" << "adm1" << "abc1" << "abc1" << as(PasswordChangeOutcome::WrongOldPassword);
        QTest::newRow("unknown operator") << "" << "nobody" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::WrongOldPassword);
        QTest::newRow("Latin case of the own name") << "Wang" << "wANG" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::Changed);
        QTest::newRow("another user's") << "小王" << "超级管理员" << "adm1" << "abc1" << "abc1" << as(PasswordChangeOutcome::NotOwnPassword);
        QTest::newRow("the administrator for another") << "超级管理员" << "小王" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::NotOwnPassword);
        QTest::newRow("nobody logged in") << "-" << "小王" << "888" << "abc1" << "abc1" << as(PasswordChangeOutcome::NotOwnPassword);
    }

    void passwordChange() {
        QFETCH(QString, by);
        QFETCH(QString, user);
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, repeat);
        QFETCH(int, outcome);
        addUser(db(), QStringLiteral("小王"));
        addUser(db(), QStringLiteral("Wang"));
        const Rights administrator = Rights::forUser(Database::kAdministrator);
        QCOMPARE(changePassword(db(), administrator, Database::kAdministrator, QStringLiteral("888"), QStringLiteral("adm1"),
                                QStringLiteral("adm1")),
                 PasswordChangeOutcome::Changed);
        const Rights rights = by == QLatin1String("-") ? Rights() : Rights::forUser(by.isEmpty() ? user : by);
        const QStringList everyone = {QStringLiteral("小王"), QStringLiteral("Wang"), Database::kAdministrator};
        QStringList before;
        for (const QString& name : everyone)
            before << stored(name);
        QCOMPARE(int(changePassword(db(), rights, user, oldPassword, newPassword, repeat)), outcome);
        for (int i = 0; i < everyone.size(); ++i) {
            if (outcome == int(PasswordChangeOutcome::Changed) && sameUser(everyone[i], user)) {
                QVERIFY(checkLogin(db(), everyone[i], newPassword.trimmed().toUpper()));
                QVERIFY(!checkLogin(db(), everyone[i], QStringLiteral("888")));
            } else {
                QCOMPARE(stored(everyone[i]), before[i]);  // nothing else changes
            }
        }
    }

    // The rights name fields and commands; these are the columns of the three grids they withhold.
    void rightsByUser() {
        auto withheldTitles = [](const Rights& rights, const LedgerColumns& columns) {
            QStringList titles;
            for (const LedgerColumn& c : columns)
                if (rights.withholds(c.identity))
                    titles << c.title();
            return titles;
        };
        const Rights admin = Rights::forUser(QStringLiteral("超级管理员"));
        QVERIFY(!admin.isRestricted());
        QVERIFY(admin.withheldFields().isEmpty());
        QVERIFY(!admin.withholds(Command::EnterStock) && !admin.withholds(Command::AdministerUsers));
        QVERIFY(admin.mayDeleteSales() && admin.mayCorrectSales());
        for (const LedgerColumns& columns : {inventoryColumns(), salesColumns(), summaryColumns()})
            QVERIFY(withheldTitles(admin, columns).isEmpty());
        for (const QString& name : {QStringLiteral("小王"), QStringLiteral("超级管理员 "), QStringLiteral("admin")}) {
            const Rights user = Rights::forUser(name);
            QVERIFY(user.isRestricted());
            QCOMPARE(user.user(), name);
            QVERIFY(!user.mayModifyStock() && !user.mayDeleteStock() && !user.mayCorrectSales() &&
                    !user.mayDeleteSales() && !user.maySeeProfit() && !user.mayChangeSaleDate() &&
                    !user.mayEnterStock() && !user.mayAdministerUsers());
            QCOMPARE(withheldTitles(user, inventoryColumns()), (QStringList{"进 货|单 价", "进 货|金 额", "存 货|金 额"}));
            QCOMPARE(withheldTitles(user, salesColumns()), QStringList{"销 售 信 息|净利润"});
            QCOMPARE(withheldTitles(user, summaryColumns()), (QStringList{"进 货|金 额", "销 售|金 额", "存 货|金 额"}));
            QVERIFY(user.withholds(salesrecord::PurchasePrice));
            // The same stored column of another table is another field.
            QVERIFY(!user.withholds(Field{salesrecord::kTable, stock::kStockAmount}));
            QVERIFY(user.mayChangePasswordOf(name) && !user.mayChangePasswordOf(QStringLiteral("超级管理员 x")));
        }
        QVERIFY(admin.mayChangePasswordOf(QStringLiteral("超级管理员")) && !admin.mayChangePasswordOf(QStringLiteral("小王")));
        QVERIFY(!Rights().mayChangePasswordOf(QStringLiteral("小王")) && !Rights().mayChangePasswordOf(QString()));
    }
};

QTEST_GUILESS_MAIN(AccountsTest)
#include "test_accounts.moc"
