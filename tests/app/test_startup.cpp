// Start-up: finding, creating or refusing data.mdb; the command line.
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/data_module.h"
#include "store/database.h"
#include "support/test_session.h"
#include "app/ui/install_updater.h"
#include "upgrade/ui/updater.h"

#include <QtTest>
#include <QDialog>
#include <QTcpServer>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void missingDatabaseIsCreatedOnYes() {
        TestSession session(SessionLedger::None);
        session.ui.replies << QMessageBox::Yes;
        QVERIFY(openDataModule(session.path()));
        QCOMPARE(session.ui.messages.size(), 1);
        QVERIFY(session.ui.messages[0].text.startsWith(QStringLiteral("在当前文件夹中没有找到数据库文件 data.mdb，是否新建一个空数据库？")));
        QCOMPARE(session.ui.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(dm().connection().scalar(QStringLiteral("select username from userdb")).toString(),
                 QStringLiteral("超级管理员"));
    }

    void missingDatabaseOnNoEndsWithoutAFile() {
        TestSession session(SessionLedger::None);
        session.ui.replies << QMessageBox::No;
        QVERIFY(!openDataModule(session.path()));
        QVERIFY(!QFile::exists(session.file(QStringLiteral("data.mdb"))));
    }

    void foreignFileIsReportedAndKept() {
        TestSession session(SessionLedger::None);
        QFile f(session.file(QStringLiteral("data.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("Standard Jet DB").repeated(100));
        f.close();
        QVERIFY(!openDataModule(session.path()));
        QCOMPARE(session.ui.messages.size(), 1);
        QCOMPARE(session.ui.messages[0].icon, QMessageBox::Critical);
        QVERIFY(!session.ui.messages[0].text.isEmpty());
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
        TestSession session(SessionLedger::None);
        const QString startedIn = QDir::currentPath();
        QVERIFY(QDir(session.path()).mkpath(QStringLiteral("shop")));
        const QString ledger = QDir(session.path()).filePath(QStringLiteral("shop/data.mdb"));
        Database::create(ledger);
        QVERIFY(QDir::setCurrent(session.path()));
        const StartOptions o = parseStartOptions({"tovrakel", "--workdir", "shop"});
        const bool entered = QDir::setCurrent(o.workdir);  // as the start does
        const bool opened = openDataModule(o.workdir);
        const QString path = opened ? dm().databasePath() : QString();
        QDir::setCurrent(startedIn);
        QVERIFY(entered);
        QVERIFY(opened);
        QVERIFY(session.ui.messages.isEmpty());  // no offer to create an empty ledger
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
        TestSession session;
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
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
