// The statements written in the file engine's dialect, as the server is given them.
#include "store/server_dialect.h"

#include <QtTest>

class ServerDialectTest : public QObject {
    Q_OBJECT
private slots:
    void rewritesWhatDiffers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("parameters");
        QTest::newRow("parameters, brackets and quoted names")
            << "select [1],\"ID\" from data1 where a=? and [3]>?" << "select \"1\",\"id\" from data1 where a=$1 and \"3\">$2" << 2;
        QTest::newRow("marks inside texts stay")
            << "select * from data where a='?[x]' and b=? -- a?\n" << "select * from data where a='?[x]' and b=$1 \n" << 1;
        QTest::newRow("date literals") << "select * from data1 where day1>=#2024-3-5#"
                                       << "select * from data1 where day1>='2024-03-05'" << 0;
        QTest::newRow("functions and case") << "select id from data where trim(ifnull(a,''))=? collate nocase and b like ?"
                                            << "select id from data where trimmed(coalesce(a,''))=$1  and b ilike $2 collate \"C\"" << 2;
        QTest::newRow("empty values go first going up, last going down")
            << "select * from t where x=? order by a desc, b limit 1"
            << "select * from t where x=$1 order by a desc nulls last, b nulls first limit 1" << 1;
        QTest::newRow("an order inside parentheses")
            << "select * from (select * from a order by b) where c=1" << "select * from (select * from a order by b nulls first) where c=1"
            << 0;
        QTest::newRow("a term that places them itself")
            << "select * from t order by id nulls last, a desc" << "select * from t order by id nulls last, a desc nulls last" << 0;
        QTest::newRow("grouped") << "select a from b group by a order by a" << "select a from b group by a order by a nulls first" << 0;
        QTest::newRow("an insert gives back its identity")
            << "insert into data1 (a) values (?)" << "insert into data1 (a) values ($1) returning id" << 1;
        QTest::newRow("the user table has none") << "insert into userdb values (?,?)" << "insert into userdb values ($1,$2)" << 2;
        QTest::newRow("words that only contain a keyword") << "select likes, trimmer(x), ifnullx from t"
                                                           << "select likes, trimmer(x), ifnullx from t" << 0;
    }
    void rewritesWhatDiffers() {
        QFETCH(QString, file);
        QFETCH(QString, server);
        QFETCH(int, parameters);
        const ServerStatement statement = serverStatement(file);
        QCOMPARE(statement.text, server);
        QCOMPARE(statement.parameterCount, parameters);
    }
};

QTEST_GUILESS_MAIN(ServerDialectTest)
#include "test_server_dialect.moc"
