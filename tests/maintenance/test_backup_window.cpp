// BackupWindow: the remembered path, the backup and restore commands and their messages, the closed
// connection while the window is open, and the main window hidden meanwhile.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "maintenance/backup.h"
#include "maintenance/ui/backup_window.h"
#include "store/data_module.h"
#include "store/ledger_events.h"
#include "store/settings.h"
#include "support/server_cluster.h"
#include "support/test_session.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QtTest>

class BackupWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    int m_shows = 0;

    BackupWindow* open() {
        m_form->findChild<QToolButton*>(QStringLiteral("ToolButton17"))->click();
        return m_form->findChild<BackupWindow*>();
    }
    void closeWindow(BackupWindow* window) {
        QPointer<BackupWindow> guard(window);
        window->close();
        QTRY_VERIFY(guard.isNull());  // destroyed when closed
    }
    void click(BackupWindow* w, const char* name) { w->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }
    int stock() { return dm().connection().scalar(QStringLiteral("select count(*) from data")).toInt(); }
    void addStock(int n) {
        for (int i = 0; i < n; ++i)
            m_session->ledger.addBatch({.name = "笔"});
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        m_shows = 0;
        m_form->hooks().salesMonthView = [this] { ++m_shows; };
        m_program->installBackup();
        m_form->show();
        QCOMPARE(m_shows, 1);
    }
    void cleanup() {
        for (BackupWindow* w : m_form->findChildren<BackupWindow*>())
            delete w;
        m_form.reset();
        m_session.reset();
    }

    // A ledger on a server is backed up as a data.mdb and put back from one over the open
    // connection: the administrator only, the replaced books kept beside the backup, the views told.
    void aLedgerOnAServerIsBackedUpAndPutBack() {
        REQUIRE_SERVER_CLUSTER();
        QString error;
        const QString uri = ServerCluster::newSharedDatabase(QStringLiteral("backup_window"), &error);
        QVERIFY2(!uri.isEmpty(), qPrintable(error));
        LedgerData::createOnServer(uri);
        addStock(2);
        BackupWindow* w = open();
        QVERIFY(dm().connection().isOpen());
        const QString backup = m_session->file("copies/beifen.mdb");
        w->backupPath()->setText(backup);
        m_session->ui.replies << QMessageBox::Yes;  // create the folder
        click(w, "BitBtn1");
        QCOMPARE(m_session->ui.messageTexts().last(), QStringLiteral("数据库备份成功！"));
        Database::verify(backup);
        {
            Database copy;
            copy.openReadOnly(backup);
            QCOMPARE(copy.scalar(QStringLiteral("select count(*) from data")).toInt(), 2);
        }
        addStock(5);
        QSignalSpy replaced(&dm().connection().events(), &LedgerEvents::ledgerReplaced);
        w->restoreSource()->setText(backup);
        for (const QString& typed : {QString(), QStringLiteral("123")}) {
            m_session->ui.clear();
            QTest::keyClicks(w->restorePassword(), typed);
            click(w, "BitBtn5");
            QVERIFY2(m_session->ui.messageTexts().last().startsWith(QStringLiteral("数据库恢复失败！")) &&
                         m_session->ui.messageTexts().last().contains(QStringLiteral("管理员密码")),
                     qPrintable(m_session->ui.messageTexts().join('|')));
            QCOMPARE(stock(), 7);
        }
        m_session->ui.clear();
        QTest::keyClicks(w->restorePassword(), QStringLiteral("888"));
        click(w, "BitBtn5");
        const QString said = m_session->ui.messageTexts().last();
        QVERIFY2(said.startsWith(QStringLiteral("数据库恢复成功！")) && said.contains(QStringLiteral("恢复前服务器上的账本")),
                 qPrintable(said));
        const QString safety = m_session->file("copies/data-before-restore-20240305-093015.mdb");
        QVERIFY2(said.contains(QDir::toNativeSeparators(safety)), qPrintable(said));
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(stock(), 2);
        {
            Database kept;
            kept.openReadOnly(safety);
            QCOMPARE(kept.scalar(QStringLiteral("select count(*) from data")).toInt(), 7);
        }
        closeWindow(w);
        LedgerData::reset();
    }

    void opensWithTheConnectionClosedAndReopensIt() {
        addStock(2);
        BackupWindow* w = open();
        QVERIFY(w && w->isVisible());
        QVERIFY(!m_form->isVisible());
        QVERIFY(!dm().connection().isOpen());
        QCOMPARE(w->windowTitle(), QStringLiteral("数据库备份"));
        QCOMPARE(w->size(), QSize(345, 137));
        QCOMPARE(w->scrollArea()->widget()->height(), 281);
        QCOMPARE(w->findChild<QLabel*>("Panel1")->text(), QStringLiteral("数据库维护备份"));
        QCOMPARE(w->findChild<QLabel*>("Label2")->text(), QStringLiteral("备份数据的目录:"));
        QCOMPARE(w->findChild<QLabel*>("Label3")->text(), QStringLiteral("温馨提示：定期备份数据，维护数据安全！"));
        QCOMPARE(w->findChild<QPushButton*>("BitBtn1")->text(), QStringLiteral("备份数据库"));
        QCOMPARE(w->findChild<QPushButton*>("Button1")->text(), QStringLiteral("打开备份文件"));
        QCOMPARE(w->findChild<QPushButton*>("BitBtn5")->text(), QStringLiteral("恢复数据库"));
        QCOMPARE(w->restoreSource()->text(), QStringLiteral("beifen.mdb"));
        // A second click brings the same window to the front.
        QCOMPARE(open(), w);
        QCOMPARE(m_form->findChildren<BackupWindow*>().size(), 1);

        closeWindow(w);
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_shows, 2);  // the show steps ran again
        QVERIFY(dm().connection().isOpen());
        QCOMPARE(stock(), 2);
        m_session->ledger.addBatch({.name = "尺"});  // writable again
        QCOMPARE(stock(), 3);
    }

    void rememberedPath() {
        BackupWindow* w = open();
        QCOMPARE(w->backupPath()->text(), defaultBackupPath());
        QVERIFY(defaultBackupPath().startsWith(QDir::homePath()));
        const QString typed = m_session->file("nightly/shop.mdb");
        w->backupPath()->clear();
        QTest::keyClicks(w->backupPath(), typed);
        QCOMPARE(ReadSettings(kBackupKey).value(QStringLiteral("save")), typed);
        closeWindow(w);
        w = open();
        QCOMPARE(w->backupPath()->text(), typed);
        // "默认" puts the default back and stores it.
        QLabel* reset = w->findChild<QLabel*>("Label4");
        QCOMPARE(reset->text(), QStringLiteral("默认"));
        QTest::mouseClick(reset, Qt::LeftButton);
        QCOMPARE(w->backupPath()->text(), defaultBackupPath());
        QCOMPARE(ReadSettings(kBackupKey).value(QStringLiteral("save")), defaultBackupPath());
    }

    void backupAsksAndReports() {
        addStock(3);
        BackupWindow* w = open();
        const QString target = m_session->file("copies/beifen.mdb");
        w->backupPath()->setText(target);
        m_session->ui.replies << QMessageBox::No;  // do not create the folder
        click(w, "BitBtn1");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages[0].text.contains(QStringLiteral("不存在，是否创建")));
        QVERIFY(!QFile::exists(target));

        m_session->ui.clear();
        m_session->ui.replies << QMessageBox::Yes;
        click(w, "BitBtn1");
        QCOMPARE(m_session->ui.messageTexts().last(), QStringLiteral("数据库备份成功！"));
        Database::verify(target);

        // An existing backup: asked with No preselected; No keeps it.
        m_session->ui.clear();
        m_session->ui.replies << QMessageBox::No;
        QFile::remove(target);
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("older backup");
        f.close();
        click(w, "BitBtn1");
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].caption, QStringLiteral("提示"));
        QCOMPARE(m_session->ui.messages[0].defaultButton, QMessageBox::No);
        QVERIFY(m_session->ui.messages[0].text.startsWith(QStringLiteral("已存在文件（")));
        QCOMPARE(QFileInfo(target).size(), qint64(12));

        // A target that cannot be written.
        m_session->ui.clear();
        w->backupPath()->setText(m_session->file("data.mdb/x/y.mdb"));
        m_session->ui.replies << QMessageBox::Yes;
        click(w, "BitBtn1");
        QVERIFY2(m_session->ui.messageTexts().last().startsWith(QStringLiteral("数据库备份失败！")),
                 qPrintable(m_session->ui.messageTexts().join('|')));
    }

    void restoreFromMissingInvalidAndValidFiles() {
        addStock(2);
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dm().databasePath(), planBackup(backup, dm().databasePath()));
        addStock(5);
        BackupWindow* w = open();

        w->restoreSource()->setText(m_session->file("nowhere.mdb"));
        click(w, "BitBtn5");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"备份数据库没找到!"});

        m_session->ui.clear();
        const QString junk = m_session->file("junk.mdb");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("no database");
        f.close();
        w->restoreSource()->setText(junk);
        click(w, "BitBtn5");
        QVERIFY(m_session->ui.messageTexts().last().startsWith(QStringLiteral("数据库恢复失败！")));

        m_session->ui.clear();
        w->restoreSource()->setText(QStringLiteral("beifen.mdb"));  // the working folder's file
        QTest::keyClicks(w->restorePassword(), QStringLiteral("888"));
        click(w, "BitBtn5");
        QVERIFY2(m_session->ui.messageTexts().last().startsWith(QStringLiteral("数据库恢复成功！")),
                 qPrintable(m_session->ui.messageTexts().join('|')));
        QVERIFY(m_session->ui.messageTexts().last().contains(QStringLiteral("data-before-restore-20240305-093015.mdb")));
        closeWindow(w);
        QCOMPARE(stock(), 2);  // the restored database is the one reopened
    }

    // Restoring replaces the whole ledger: only its administrator may do it, whoever is logged in.
    void restoreNeedsTheAdministratorPassword() {
        addStock(2);
        const QString backup = m_session->file("beifen.mdb");
        backupDatabase(dm().databasePath(), planBackup(backup, dm().databasePath()));
        addStock(5);
        BackupWindow* w = open();
        QLineEdit* password = w->findChild<QLineEdit*>("Edit3");
        QCOMPARE(password, w->restorePassword());
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        w->restoreSource()->setText(backup);
        for (const QString& typed : {QString(), QStringLiteral("123")}) {
            m_session->ui.clear();
            QTest::keyClicks(password, typed);
            click(w, "BitBtn5");
            QVERIFY2(m_session->ui.messageTexts().last().startsWith(QStringLiteral("数据库恢复失败！")),
                     qPrintable(m_session->ui.messageTexts().join('|')));
            QVERIFY(m_session->ui.messageTexts().last().contains(QStringLiteral("管理员密码")));
            QVERIFY(password->text().isEmpty());
        }
        QCOMPARE(QDir(m_session->path()).entryList({"*before-restore*"}, QDir::Files), QStringList());
        // Making a backup stays open to every user.
        m_session->ui.clear();
        w->backupPath()->setText(m_session->file("second.mdb"));
        click(w, "BitBtn1");
        QCOMPARE(m_session->ui.messageTexts().last(), QStringLiteral("数据库备份成功！"));
        closeWindow(w);
        QCOMPARE(stock(), 7);
    }

    void cancelledFileDialogEmptiesTheSource() {
        BackupWindow* w = open();
        click(w, "Button1");  // cancelled, nothing chosen before
        QCOMPARE(w->restoreSource()->text(), QString());
        click(w, "BitBtn5");
        QCOMPARE(m_session->ui.messageTexts(), QStringList{"备份数据库没找到!"});
        m_session->ui.fileAnswers << m_session->file("a.mdb") << QString();
        click(w, "Button1");
        click(w, "Button1");  // cancelled: the earlier choice comes back
        QCOMPARE(w->restoreSource()->text(), m_session->file("a.mdb"));
    }
};

QTEST_MAIN(BackupWindowTest)
#include "test_backup_window.moc"
