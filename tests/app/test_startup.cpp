// Start-up: finding, creating or refusing data.mdb; the command line.
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/data_module.h"
#include "store/database.h"
#include "support/server_cluster.h"
#include "support/test_session.h"
#include "app/ui/install_updater.h"
#include "app/ui/qt_ui_services.h"
#include "upgrade/ui/updater.h"

#include <QtTest>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QPushButton>
#include <QTranslator>
#include <QTcpServer>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void missingDatabaseIsCreatedOnYes() {
        TestSession session(SessionLedger::None);
        session.ui.replies << QMessageBox::Yes;
        QVERIFY(openDataModule(session.path()));
        QCOMPARE(session.ui.messages.size(), 1);
        // The question names the folder it means.
        QCOMPARE(session.ui.messages[0].text,
                 QStringLiteral("在文件夹 %1 中没有找到数据库文件 data.mdb，是否在这里新建一个空数据库？").arg(session.path()));
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

    // A ledger on a server: opened by its URI and named for the user; a server that cannot be
    // reached offers Retry and Quit, and a retry that finds it running opens it.
    void ledgerOnAServer() {
        REQUIRE_SERVER_CLUSTER();
        QString error;
        const QString uri = ServerCluster::newSharedDatabase(QStringLiteral("shop"), &error);
        QVERIFY2(!uri.isEmpty(), qPrintable(error));
        TestSession session(SessionLedger::None);
        QVERIFY(openServerLedger(uri));
        QVERIFY(dm().isOnServer());
        QCOMPARE(dm().connection().scalar(QStringLiteral("select username from userdb")).toString(),
                 QStringLiteral("超级管理员"));
        QVERIFY2(ledgerDescription(dm()).contains(QStringLiteral("/shop")), qPrintable(ledgerDescription(dm())));
        QVERIFY(session.ui.messages.isEmpty());

        ServerCluster* cluster = ServerCluster::shared();
        session.ui.replies << QMessageBox::Close;
        QVERIFY(!openServerLedger(cluster->uri(QStringLiteral("nosuchshop"))));
        QCOMPARE(session.ui.messages.size(), 1);
        QCOMPARE(session.ui.messages[0].buttons, QMessageBox::Retry | QMessageBox::Close);
        QVERIFY2(session.ui.messages[0].text.contains(QStringLiteral("nosuchshop")), qPrintable(session.ui.messages[0].text));

        // Wrong or missing passwords: the user is asked, and a cancelled question gives up.
        QVERIFY2(cluster->createRole(QStringLiteral("till"), QStringLiteral("secret"), &error), qPrintable(error));
        QVERIFY2(cluster->requirePasswords(&error), qPrintable(error));
        session.ui.messages.clear();
        QVERIFY(!openServerLedger(cluster->uri(QStringLiteral("shop"), QStringLiteral("till"))));
        QVERIFY(session.ui.messages.isEmpty());  // the question for the password was cancelled
        session.ui.replies << QMessageBox::Close;
        QVERIFY(!openServerLedger(cluster->uri(QStringLiteral("shop"), QStringLiteral("till"), QStringLiteral("wrong"))));
        QVERIFY2(session.ui.messages.last().text.contains(QStringLiteral("拒绝")), qPrintable(session.ui.messages.last().text));
    }

    void commandLine() {
        const StartOptions o = parseStartOptions({"tovrakel", "--workdir", "/tmp/shop", "--english"});
        QCOMPARE(parseStartOptions({"tovrakel", "--database", "postgresql://till@server/shop"}).database,
                 QStringLiteral("postgresql://till@server/shop"));
        QCOMPARE(o.workdir, QStringLiteral("/tmp/shop"));
        QVERIFY(o.english);
    }

    // Qt's own buttons and dialogs speak Chinese beside the program's texts, and English where the
    // user chose the English captions.
    void qtDialogsSpeakTheProgramsLanguage() {
        QVERIFY(!installQtTranslations(true));
        std::unique_ptr<QTranslator> chinese(installQtTranslations(false));
        QVERIFY(chinese);
        QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
        const QString yes = buttons.button(QDialogButtonBox::Yes)->text();
        const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
        QCoreApplication::removeTranslator(chinese.get());
        QVERIFY2(yes.startsWith(QStringLiteral("是")), qPrintable(yes));
        QVERIFY2(cancel.startsWith(QStringLiteral("取消")), qPrintable(cancel));
    }

    // Title bars and the about box show the program's own icon, sharp at any size.
    void theProgramHasItsIcon() {
        const QIcon icon = applicationIcon();
        QVERIFY(!icon.isNull());
        const QImage large = icon.pixmap(QSize(64, 64), 2.0).toImage();
        QCOMPARE(large.size(), QSize(128, 128));
        QCOMPARE(QColor(large.pixel(64, 8)).alpha(), 255);  // drawn, not an empty picture
    }

    // The big tool buttons with a menu ("新建入库", "设 置", "技术支持") draw no arrow over their
    // captions: they look like the buttons beside them.
    void toolButtonsWithAMenuDrawNoArrow() {
        std::unique_ptr<QStyle> style(createProgramStyle());
        QMenu menu;
        menu.addAction(QStringLiteral("Excel导入"));
        auto look = [&](bool withMenu) {
            QToolButton button;
            button.setStyle(style.get());
            button.setText(QStringLiteral("新建入库"));
            button.setIcon(style->standardIcon(QStyle::SP_FileDialogNewFolder));
            button.setIconSize(QSize(32, 32));
            button.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button.setAutoRaise(true);
            button.resize(55, 51);
            if (withMenu) {
                button.setMenu(&menu);
                button.setPopupMode(QToolButton::InstantPopup);
            }
            return button.grab().toImage();
        };
        QCOMPARE(look(true), look(false));
    }

    // A message box's icon at 2x display scaling is drawn with the screen's pixels.
    void messageBoxIconsAreSharpWhenScaled() {
        const QPixmap picture = messageBoxPicture(QMessageBox::Information, 2.0, *QApplication::style());
        const int size = QApplication::style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
        QCOMPARE(picture.size(), QSize(2 * size, 2 * size));
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QVERIFY(messageBoxPicture(QMessageBox::NoIcon, 2.0, *QApplication::style()).isNull());
    }

    // Without --workdir the folder the program starts in counts only when it holds a ledger;
    // otherwise the ledger lives in the user's data folder, wherever a menu or a terminal started it.
    void startFolderCountsOnlyWithALedger() {
        TestSession session(SessionLedger::None);
        const QString startedIn = QDir::currentPath();
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(session.file(QStringLiteral("data-home"))));
        QVERIFY(QDir::setCurrent(session.path()));
        const QString withoutLedger = parseStartOptions({"tovrakel"}).workdir;
        Database::create(session.file(QStringLiteral("data.mdb")));
        const QString withLedger = parseStartOptions({"tovrakel"}).workdir;
        QDir::setCurrent(startedIn);
        if (dataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", dataHome);
        QVERIFY2(withoutLedger.startsWith(session.file(QStringLiteral("data-home"))), qPrintable(withoutLedger));
        QVERIFY(QFileInfo(withoutLedger).isDir());
        QCOMPARE(withLedger, session.path());
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
