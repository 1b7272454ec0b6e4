// Start-up: finding, creating or refusing data.mdb; the command line.
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/data_module.h"
#include "store/database.h"
#include "support/recording_ui.h"
#include "support/temp_workdir.h"
#include "app/ui/install_updater.h"
#include "upgrade/ui/updater.h"

#include <QtTest>
#include <QDialog>
#include <QTcpServer>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void missingDatabaseIsCreatedOnYes() {
        TempWorkdir dir;
        RecordingUi ui;
        ui.replies << QMessageBox::Yes;
        QVERIFY(openDataModule(dir.path()));
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages[0].text.startsWith(QStringLiteral("在当前文件夹中没有找到数据库文件 data.mdb，是否新建一个空数据库？")));
        QCOMPARE(ui.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(dm().connection().scalar(QStringLiteral("select username from userdb")).toString(),
                 QStringLiteral("超级管理员"));
    }

    void missingDatabaseOnNoEndsWithoutAFile() {
        TempWorkdir dir;
        RecordingUi ui;
        ui.replies << QMessageBox::No;
        QVERIFY(!openDataModule(dir.path()));
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("data.mdb"))));
    }

    void foreignFileIsReportedAndKept() {
        TempWorkdir dir;
        RecordingUi ui;
        QFile f(dir.file(QStringLiteral("data.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("Standard Jet DB").repeated(100));
        f.close();
        QVERIFY(!openDataModule(dir.path()));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].icon, QMessageBox::Critical);
        QVERIFY(!ui.messages[0].text.isEmpty());
        QCOMPARE(QFileInfo(f).size(), qint64(1500));
    }

    void commandLine() {
        const StartOptions o = parseStartOptions({"tovrakel", "--workdir", "/tmp/shop", "--english"});
        QCOMPARE(o.workdir, QStringLiteral("/tmp/shop"));
        QVERIFY(o.english);
        QCOMPARE(parseStartOptions({"tovrakel"}).workdir, QDir::currentPath());
    }

    // A relative --workdir is taken from the folder the program was started in, once: after the
    // start has changed into it, the ledger found is the one in that folder, not one below it.
    void relativeWorkdirOpensItsOwnLedger() {
        TempWorkdir dir;
        RecordingUi ui;
        const QString startedIn = QDir::currentPath();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("shop")));
        const QString ledger = QDir(dir.path()).filePath(QStringLiteral("shop/data.mdb"));
        Database::create(ledger);
        QVERIFY(QDir::setCurrent(dir.path()));
        const StartOptions o = parseStartOptions({"tovrakel", "--workdir", "shop"});
        const bool entered = QDir::setCurrent(o.workdir);  // as the start does
        const bool opened = openDataModule(o.workdir);
        const QString path = opened ? dm().databasePath() : QString();
        QDir::setCurrent(startedIn);
        QVERIFY(entered);
        QVERIFY(opened);
        QVERIFY(ui.messages.isEmpty());  // no offer to create an empty ledger
        QCOMPARE(QFileInfo(path).canonicalFilePath(), QFileInfo(ledger).canonicalFilePath());
        QVERIFY(QDir::isAbsolutePath(o.workdir));
        const StartOptions other = parseStartOptions({"tovrakel", "--workdir", "a/../b/.", "--receipt-pdf", "receipts"});
        QCOMPARE(other.workdir, QDir::current().absoluteFilePath(QStringLiteral("b")));
        QCOMPARE(other.receiptPdf, QDir::current().absoluteFilePath(QStringLiteral("receipts")));
    }

    // The update check starts only when no modal box is open, and its wizard does not stay above
    // the program's boxes: no window of it covers a box that blocks it.
    void updateCheckWaitsForAnOpenModalBox() {
        if (!TOVRAKEL_SELF_UPDATE)
            QSKIP("built without self-update");
        TempWorkdir dir;
        dir.openNewDatabase();
        RecordingUi ui;
        MainWindow::setRemovableCheck([] { return true; });
        QTcpServer silent;  // takes the check's connection and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const StartOptions options = parseStartOptions(
            {"tovrakel", "--update-url", QStringLiteral("http://127.0.0.1:%1/tovrakel.inf").arg(silent.serverPort())});
        MainWindow form;
        Updater* updater = installUpdater(form, options);
        QVERIFY(updater);
        QVERIFY(!updater->wizardStayOnTop);
        QVERIFY(form.hooks().updateCheck);

        QDialog box;
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QCOMPARE(QApplication::activeModalWidget(), &box);
        form.hooks().updateCheck();
        QCoreApplication::processEvents();
        QVERIFY(!updater->isRunning());
        box.hide();
        QCoreApplication::processEvents();
        QVERIFY(updater->isRunning());
        updater->AbortUpgrade();
    }

    void toolInitCreatesAndRefusesToOverwrite() {
        TempWorkdir dir;
        const QString tool = qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + QStringLiteral("/tovrakel-tool");
        QProcess p;
        p.start(tool, {"init", "--workdir", dir.path()});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QByteArray first = [&] { QFile f(dir.file("data.mdb")); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        QVERIFY(first.startsWith("SQLite format 3"));
        p.start(tool, {"init", "--workdir", dir.path()});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(!p.readAllStandardError().isEmpty());
        p.start(tool, {"--version"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("tovrakel-tool 2.3.2"));

        // Every subcommand is described, in the list and on its own.
        p.start(tool, {"--help"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QString help = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* sub : {"init", "pinyin", "capitals", "export-xls", "import-xls", "backup", "restore", "generate"}) {
            QVERIFY2(help.contains(QStringLiteral("tovrakel-tool ") + QLatin1String(sub)), sub);
            p.start(tool, {"help", QLatin1String(sub)});
            QVERIFY(p.waitForFinished());
            QCOMPARE(p.exitCode(), 0);
            QVERIFY(p.readAllStandardOutput().startsWith("usage: tovrakel-tool " + QByteArray(sub)));
        }
        p.start(tool, {"help", "nonsense"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 2);
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
