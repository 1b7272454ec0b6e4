// The info file as the update check reads it, the release comparisons, the wizard's figures and
// the message table's language choice: no windows, no network.
#include "upgrade/download_progress.h"
#include "upgrade/update_info.h"
#include "upgrade/update_texts.h"
#include "upgrade/upgrader_launch.h"

#include <QtTest>
#include <QProcess>

class UpdateInfoTest : public QObject {
    Q_OBJECT

private slots:
    void keys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("anywhere in the text") << "junk#date=11/26/2013 more\r\n" << "date" << "11/26/2013 more";
        QTest::newRow("capital key") << "#DATE=1/2/2014\r\n#Url=http://h/a.bin\n" << "date" << "1/2/2014";
        QTest::newRow("capital url key") << "#DATE=1/2/2014\r\n#Url=http://h/a.bin\n" << "url" << "http://h/a.bin";
        QTest::newRow("first occurrence") << "#date=1/1/2014\n#date=2/2/2015\n" << "date" << "1/1/2014";
        QTest::newRow("ends at a tab") << "#method=1\tsetup" << "method" << "1";
        QTest::newRow("runs to the end") << "#version=2.4" << "version" << "2.4";
        QTest::newRow("value keeps its case") << "#URL=HTTP://Host/File.ZIP\n" << "url" << "HTTP://Host/File.ZIP";
        QTest::newRow("url is not url1") << "#url1=http://h/one\n" << "url" << "";
        QTest::newRow("absent") << "#date=1/1/2014" << "message" << "";
        QTest::newRow("empty value") << "#url=\r\n#url1=x" << "url" << "";
    }
    void keys() {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(UpdateInfo(text).value(key), value);
    }

    void message_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("line breaks kept") << "#message={新功能：\r\n汇总统计}\n#date=1/1/2014" << "新功能：\r\n汇总统计";
        QTest::newRow("capital key") << "#MESSAGE={Fixes}" << "Fixes";
        QTest::newRow("no brace") << "#message=plain" << "";
        QTest::newRow("no closing brace") << "#message={to the end" << "to the end";
        QTest::newRow("absent") << "#date=1/1/2014" << "";
    }
    void message() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QCOMPARE(UpdateInfo(text).message(), message);
    }

    void encodings() {
        const QString text = QStringLiteral("#message={修正了销售明细}");
        QCOMPARE(UpdateInfo(text.toUtf8()).message(), QStringLiteral("修正了销售明细"));
        QStringEncoder gbk("GB18030");
        QCOMPARE(UpdateInfo(QByteArray(gbk.encode(text))).message(), QStringLiteral("修正了销售明细"));
    }

    void fileList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("url and url1: only url") << "#url=a\n#url1=b\n" << QStringList{"a"};
        QTest::newRow("url1 and url2: both") << "#url1=a\n#url2=b\n" << QStringList{"a", "b"};
        QTest::newRow("url, url0, url3") << "#url=a\n#url0=b\n#url3=c\n#url4=d\n#url5=e\n"
                                         << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("url, url2, url3") << "#url=a\n#url2=b\n#url3=c\n" << QStringList{"a", "b", "c"};
        QTest::newRow("gap ends the list") << "#url1=a\n#url3=c\n" << QStringList{"a"};
        QTest::newRow("url0 alone, url1 skipped") << "#url0=a\n#url1=b\n#url2=c\n" << QStringList{"a", "c"};
        QTest::newRow("capital keys") << "#URL1=a\r\n#URL2=b\r\n" << QStringList{"a", "b"};
        QTest::newRow("none") << "#date=1/1/2014" << QStringList{};
    }
    void fileList() {
        QFETCH(QString, text);
        QFETCH(QStringList, files);
        QCOMPARE(UpdateInfo(text).fileList(), files);
    }

    void method_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("method");
        QTest::newRow("setup") << "#method=1" << 1;
        QTest::newRow("browser") << "#METHOD=2 web" << 2;
        QTest::newRow("other") << "#method=3" << 0;
        QTest::newRow("missing") << "" << 0;
    }
    void method() {
        QFETCH(QString, text);
        QFETCH(int, method);
        QCOMPARE(UpdateInfo(text).method(), method);
    }

    void newerByDate_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("newer");
        const QDate today(2024, 3, 5);
        QTest::newRow("equal date") << "11/25/2013" << today << false;
        QTest::newRow("one day later") << "11/26/2013" << today << true;
        QTest::newRow("one day earlier") << "11/24/2013" << today << false;
        QTest::newRow("later year, earlier month") << "1/1/2014" << today << true;
        QTest::newRow("leading zeros") << "011/026/2013" << today << true;
        QTest::newRow("no date counts as today") << "" << today << true;
        QTest::newRow("unreadable date counts as today") << "2013-11-26" << today << true;
        QTest::newRow("impossible date counts as today") << "13/40/2013" << today << true;
        QTest::newRow("today when the clock is behind") << "" << QDate(2013, 11, 25) << false;
    }
    void newerByDate() {
        QFETCH(QString, date);
        QFETCH(QDate, today);
        QFETCH(bool, newer);
        const UpdateInfo info(QStringLiteral("#url=x\n#date=") + date + QLatin1Char('\n'));
        QCOMPARE(info.isNewerThan(VersionControl::byDate, QStringLiteral("11/25/2013"), QString(), today), newer);
    }

    void versionNumbers_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "2.3.2" << "2.3.2" << 0;
        QTest::newRow("missing parts are 0") << "2.3" << "2.3.0.0" << 0;
        QTest::newRow("numeric, not textual") << "2.10" << "2.9" << 1;
        QTest::newRow("last part") << "2.3.2.1" << "2.3.2" << 1;
        QTest::newRow("older") << "1.9.9" << "2.0" << -1;
        QTest::newRow("not a number: bytes") << "2.3b" << "2.3a" << 1;
        QTest::newRow("not a number: bytes, 10 < 9") << "10.x" << "9.x" << -1;
        QTest::newRow("empty") << "" << "2.3.2" << -1;
    }
    void versionNumbers() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareVersionNumbers(a, b), order);
        QCOMPARE(compareVersionNumbers(b, a), -order);
    }

    void progress_data() {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("overall");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("timeLeft");
        QTest::newRow("half of the second of two") << qint64(51200) << qint64(102400) << 1 << 2 << qint64(10) << 50
                                                   << 75 << "传输速率:5.0 Kb/s" << "估计剩余时间: 0:00:10";
        QTest::newRow("first block, no time yet") << qint64(4096) << qint64(409600) << 0 << 1 << qint64(0) << 1 << 1
                                                  << "传输速率:4.0 Kb/s" << "估计剩余时间: 0:00:00";
        QTest::newRow("hours") << qint64(1024) << qint64(1024 * 1000) << 0 << 3 << qint64(10) << 0 << 0
                               << "传输速率:0.1 Kb/s" << "估计剩余时间: 2:46:30";
        QTest::newRow("no length announced") << qint64(3072) << qint64(0) << 2 << 3 << qint64(1) << 0 << 67
                                             << "传输速率:3.0 Kb/s" << "估计剩余时间: 0:00:00";
        QTest::newRow("more than announced") << qint64(2048) << qint64(1024) << 0 << 1 << qint64(1) << 100 << 100
                                             << "传输速率:2.0 Kb/s" << "估计剩余时间: 0:00:00";
    }
    void progress() {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(qint64, elapsed);
        const DownloadProgress p = DownloadProgress::compute(received, total, index, count, elapsed);
        QTEST(p.percent, "percent");
        QTEST(p.overall, "overall");
        QTEST(p.rateText(UpdaterLanguage::wlChineseSimplified), "rate");
        QTEST(p.timeLeftText(UpdaterLanguage::wlChineseSimplified), "timeLeft");
    }

    void texts() {
        const auto zh = UpdaterLanguage::wlChineseSimplified;
        QCOMPARE(fileSizeText(2560, zh), QStringLiteral("文档大小:2.5 Kb"));
        QCOMPARE(fileOfFilesText(2, 3, zh), QStringLiteral("当前正在下载:2 of 3"));
        QCOMPARE(fileOfFilesText(2, 3, UpdaterLanguage::wlEnglish), QStringLiteral("Downloading 2 of 3"));
        QCOMPARE(updaterText(UpdaterText::ConnectionLost, zh),
                 QStringLiteral("与远端服务器的连接中断，\n\n请重新连接后再进行升级操作。"));
        QCOMPARE(updaterText(UpdaterText::Caption, UpdaterLanguage::wlGerman), QStringLiteral("Application update wizard"));
        for (int entry = 0; entry < UpdaterText::EntryCount; ++entry)
            QVERIFY(!updaterText(entry, zh).contains(QLatin1Char('\r')));
    }

    void language_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("index");
        QTest::newRow("PRC") << "zh_CN" << 22;
        QTest::newRow("Taiwan") << "zh_TW" << 21;
        QTest::newRow("Hong Kong") << "zh_HK" << 21;
        QTest::newRow("Brazil") << "pt_BR" << 7;
        QTest::newRow("Portugal") << "pt_PT" << 6;
        QTest::newRow("German") << "de_DE" << 3;
        QTest::newRow("Icelandic") << "is_IS" << 25;
        QTest::newRow("US English") << "en_US" << 1;
        QTest::newRow("unlisted: English") << "ja_JP" << 1;
    }
    void language() {
        QFETCH(QString, locale);
        QFETCH(int, index);
        QCOMPARE(int(languageFromLocale(QLocale(locale))), index);
    }

    void segments_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("segment");
        QTest::newRow("slash") << "http://h/dir/data.mdb" << "data.mdb";
        QTest::newRow("backslash") << "http://h/dir\\tool.exe" << "tool.exe";
        QTest::newRow("ends in slash") << "http://h/dir/" << "";
    }
    void segments() {
        QFETCH(QString, address);
        QTEST(lastSegment(address), "segment");
    }

    void upgraderArgumentsCarryMethod() {
        QCOMPARE(upgraderArguments("/opt/my shop/tovrakel", "/afterupgrade", 0),
                 (QStringList{"/opt/my shop/tovrakel", "+/afterupgrade0"}));
        QCOMPARE(upgraderArguments("/opt/tovrakel", "/afterupgrade", 1),
                 (QStringList{"/opt/tovrakel", "+/afterupgrade1"}));
    }

    // The program's options go before the restart argument, quoted so that the upgrader's
    // split gives them back word for word, and the method digit stays the last character.
    void upgraderArgumentsCarryOptions_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("method");
        QTest::newRow("plain words") << QStringList{"--workdir", "/srv/shop", "--english"} << 0;
        QTest::newRow("blanks, tab and quotes")
            << QStringList{"--workdir", "/home/a/my  shop", "--receipt-pdf", "/tmp/\"q\" dir\tx"} << 1;
        QTest::newRow("quote at either end") << QStringList{"\"lead", "trail\"", "\"", "\" \""} << 0;
        QTest::newRow("plus and ending digit") << QStringList{"--update-url", "http://h/a+b1"} << 0;
    }
    void upgraderArgumentsCarryOptions() {
        QFETCH(QStringList, options);
        QFETCH(int, method);
        const QStringList arguments = upgraderArguments("/opt/tovrakel", "/afterupgrade", method, options);
        QCOMPARE(arguments.size(), 2);
        QCOMPARE(arguments.first(), QStringLiteral("/opt/tovrakel"));
        QVERIFY(arguments.last().startsWith(QLatin1Char('+')));
        QVERIFY(arguments.last().endsWith(QString::number(method)));
        QCOMPARE(QProcess::splitCommand(arguments.last().mid(1)),
                 options + QStringList{QStringLiteral("/afterupgrade%1").arg(method)});
    }

    // Written unchanged into a private folder; leftovers of an earlier run are removed.
    void upgraderWrittenOut() {
        QTemporaryDir dir;
        const QString source = dir.filePath("source");
        QByteArray bytes("#!/bin/sh\n");
        bytes.append(QByteArray(5000, '\x7f'));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const QString base = dir.filePath("tmp");
        QVERIFY(QDir().mkpath(base));

        const UpgraderFile first = writeUpgrader(source, {dir.filePath("missing"), base});
        QVERIFY2(first.ok(), qPrintable(first.error));
        QVERIFY(first.path.startsWith(base + "/tovrakel-upgrader-"));
        QFile written(first.path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
        QVERIFY(QFileInfo(first.path).isExecutable());
        QCOMPARE(QFileInfo(first.path).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther), 0);
        const UpgraderFile second = writeUpgrader(source, {base});
        QVERIFY(second.ok());
        QVERIFY(second.path != first.path);

        QVERIFY(QFile(dir.filePath("tmp/unrelated")).open(QIODevice::WriteOnly));
        removeLeftoverUpgraders({base});
        QVERIFY(!QFileInfo::exists(first.path));
        QVERIFY(!QFileInfo::exists(second.path));
        QVERIFY(QFileInfo::exists(dir.filePath("tmp/unrelated")));

        QVERIFY(!writeUpgrader(dir.filePath("no such source"), {base}).ok());
        QVERIFY(!writeUpgrader(source, {dir.filePath("missing")}).ok());
    }
};

QTEST_GUILESS_MAIN(UpdateInfoTest)
#include "test_update_info.moc"
