// The settings store: values under keys, absent keys and values, round trips between runs.
#include "store/settings.h"
#include "support/temp_workdir.h"

#include <QtTest>

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void freshProfileHasNoKey() {
        TempWorkdir dir;
        const SettingsKey main = ReadSettings(kMainKey);
        QVERIFY(!main.exists());
        QCOMPARE(main.value(QStringLiteral("skin")), QString());
    }

    void roundTrips_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("alarm") << kMainKey << "number" << "12";
        QTest::newRow("chinese company") << kMainKey << "company" << "河北省某某商贸有限公司";
        QTest::newRow("empty text") << kMainKey << "address" << "";
        QTest::newRow("backup path") << kBackupKey << "save" << "/media/usb/beifen.mdb";
        QTest::newRow("windows path") << kBackupKey << "save" << "D:\\beifen.mdb";
        QTest::newRow("special chars") << kMainKey << "ordernumber" << "a=b;c,d \"e\" #1";
    }
    void roundTrips() {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, text);
        TempWorkdir dir;
        WriteSetting(key, name, text);
        const SettingsKey read = ReadSettings(key);
        QVERIFY(read.exists());
        QVERIFY(read.has(name));
        QCOMPARE(read.value(name), text);
        QCOMPARE(read.value(QStringLiteral("absent")), QString());
        // The other key stays absent.
        QVERIFY(!ReadSettings(key == kMainKey ? kBackupKey : kMainKey).exists());
    }

    void laterWritesReplaceEarlierOnes() {
        TempWorkdir dir;
        WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("1"));
        WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("12"));
        WriteSetting(kMainKey, QStringLiteral("skin"), QStringLiteral("4"));
        const SettingsKey read = ReadSettings(kMainKey);
        QCOMPARE(read.value(QStringLiteral("number")), QStringLiteral("12"));
        QCOMPARE(read.value(QStringLiteral("skin")), QStringLiteral("4"));
    }

    // The store holds the shop's paths and company details: other local users cannot read it,
    // after its first write and after a rewrite.
    void storeIsReadableByItsOwnerOnly() {
        TempWorkdir dir;
        WriteSetting(kMainKey, QStringLiteral("skin"), QStringLiteral("1"));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        const auto others = QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther;
        QCOMPARE(QFile::permissions(settingsFilePath()) & (ownerOnly | others), ownerOnly);
        WriteSetting(kBackupKey, QStringLiteral("save"), QStringLiteral("/media/usb/beifen.mdb"));
        QCOMPARE(QFile::permissions(settingsFilePath()) & (ownerOnly | others), ownerOnly);
    }

    void unwritableStoreReportsAnError() {
        TempWorkdir dir;
        // A folder where the file should be makes the store unwritable.
        QDir().mkpath(settingsFilePath());
        QVERIFY_THROWS_EXCEPTION(std::exception, WriteSetting(kMainKey, QStringLiteral("skin"), QStringLiteral("1")));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
