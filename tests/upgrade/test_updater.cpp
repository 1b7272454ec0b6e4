// The update component against a web server of the test's own on 127.0.0.1: the check, the
// question, the wizard, the boxes for lost files, broken connections and logins, abort, and the
// hand-over to the upgrader. Dialogs go through the recording UI services; the upgrader start is
// recorded, so no test ends the test program.
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/settings.h"
#include "support/local_http_server.h"
#include "support/test_session.h"
#include "app/ui/install_updater.h"
#include "upgrade/ui/updater.h"

#include <QtTest>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

const QString kInfoPath = QStringLiteral("/tovrakel.inf");
const QByteArray kNewer = "#date=11/26/2013\r\n";

bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray pattern(int size, char seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 61);
    return bytes;
}

QPushButton* button(QWidget* window, const char* name) {
    return window ? window->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
}

QString labelText(QWidget* window, const char* name) {
    auto* label = window ? window->findChild<QLabel*>(QLatin1String(name)) : nullptr;
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

}  // namespace

class UpdaterTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<Updater> m_updater;
    QByteArray m_upgraderBytes;
    int m_closed = 0;
    int m_offers = 0;

    QString shop(const QString& name = {}) const { return m_session->file(QStringLiteral("shop/") + name); }
    QString fileUrl(const QString& name) const { return m_server->url(QStringLiteral("/files/") + name); }
    QStringList downloads() const {
        return QDir(shop()).entryList({QStringLiteral("*.uTMP")}, QDir::Files | QDir::Dirs | QDir::Hidden |
                                                                      QDir::NoDotAndDotDot, QDir::Name);
    }
    void serveInfo(const QByteArray& text) { m_server->serve(kInfoPath, text); }
    // An info file offering the given files as url1, url2, ...
    void offer(const QStringList& names, const QByteArray& extra = {}) {
        QByteArray text = kNewer;
        for (int i = 0; i < names.size(); ++i)
            text += "#url" + QByteArray::number(i + 1) + '=' + fileUrl(names[i]).toUtf8() + "\r\n";
        serveInfo(text + extra);
    }
    UpdateQuestionDialog* waitForQuestion() {
        if (!waitFor([this] { return m_updater->questionForm() && m_updater->questionForm()->isVisible(); }))
            return nullptr;
        return m_updater->questionForm();
    }
    // Check, answer yes, and return the wizard.
    UpdateWizardDialog* acceptOffer() {
        m_updater->StartUpdateCheck();
        UpdateQuestionDialog* question = waitForQuestion();
        if (!question)
            return nullptr;
        // The question never stays above a box that may block it.
        if (question->windowFlags() & Qt::WindowStaysOnTopHint)
            return nullptr;
        button(question, "YesBtn")->click();
        return m_updater->wizardForm();
    }
    bool waitIdle() { return waitFor([this] { return !m_updater->isRunning(); }); }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>(QDateTime(QDate(2024, 3, 5), QTime(9, 0)), SessionLedger::None);
        QVERIFY(QDir().mkpath(shop()));
        QVERIFY(QDir().mkpath(m_session->file("tmp")));
        writeFile(shop("tovrakel"), "#!/bin/sh\n");
        m_upgraderBytes = "#!/bin/sh\n# the upgrader\n" + pattern(3000, 'A');
        writeFile(m_session->file("upgrader-source"), m_upgraderBytes);
        m_server = std::make_unique<LocalHttpServer>();
        m_updater = std::make_unique<Updater>(nullptr);
        m_updater->language = UpdaterLanguage::wlChineseSimplified;
        m_updater->InfoFileURL = m_server->url(kInfoPath);
        m_updater->programPath = shop("tovrakel");
        m_updater->upgraderSource = m_session->file("upgrader-source");
        m_updater->upgraderFolders = {m_session->file("tmp")};
        m_updater->setInactivityTimeout(20000);
        m_closed = 0;
        m_offers = 0;
        m_updater->hooks.OnDoOwnCloseAppMethod = [this] { ++m_closed; };
        m_updater->hooks.OnBeginUpgrade = [this] { ++m_offers; };
    }
    void cleanup() {
        m_updater.reset();
        m_server.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_session.reset();
    }

    // With this program's settings a check that finds nothing to do is silent.
    void nothingShown_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("byNumber");
        QTest::newRow("unreachable server") << "unreachable" << QByteArray() << 0 << false;
        QTest::newRow("info file 404") << "missing" << QByteArray() << 0 << false;
        QTest::newRow("info file 500") << "served" << QByteArray("#date=1/1/2020\n#url=x") << 500 << false;
        QTest::newRow("equal date") << "served" << QByteArray("#date=11/25/2013\r\n#url=http://127.0.0.1:1/a\r\n")
                                    << 200 << false;
        QTest::newRow("earlier date") << "served" << QByteArray("#date=11/24/2013\r\n#url=http://127.0.0.1:1/a\r\n")
                                      << 200 << false;
        QTest::newRow("newer but no file") << "served" << QByteArray("#date=12/1/2013\r\n#url1=\r\n") << 200 << false;
        QTest::newRow("same version number") << "served" << QByteArray("#version=2.3.2\r\n#url=http://127.0.0.1:1/a\r\n")
                                             << 200 << true;
    }
    void nothingShown() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, info);
        QFETCH(int, status);
        QFETCH(bool, byNumber);
        if (kind == QLatin1String("unreachable"))
            m_updater->InfoFileURL = LocalHttpServer::unreachableUrl(kInfoPath);
        else if (kind == QLatin1String("served"))
            m_server->serve(kInfoPath, LocalHttpServer::Response::with(status, info));
        if (byNumber)
            m_updater->versionControl = VersionControl::byNumber;

        m_updater->StartUpdateCheck();
        QVERIFY(m_updater->isRunning());
        QVERIFY(waitIdle());
        QCOMPARE(m_offers, 0);
        QVERIFY(!m_updater->questionForm());
        QVERIFY(m_session->ui.messages.isEmpty());
        QVERIFY(downloads().isEmpty());
        QCOMPARE(m_server->requests, kind == QLatin1String("unreachable") ? QStringList{} : QStringList{kInfoPath});
    }

    // A newer release is offered with its message; "later" leaves nothing behind.
    void offerAndLater_data() {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<bool>("byNumber");
        QTest::addColumn<QString>("question");
        const QString plain = QStringLiteral("Tovrakel已经有新版本推出，\n\n您要升级到新版本吗？");
        QTest::newRow("one day later") << QByteArray("#date=11/26/2013\r\n#url=FILE\r\n") << false << plain;
        QTest::newRow("capital keys and a message")
            << QByteArray("Release notes\r\n#DATE=11/26/2013\r\n#URL=FILE\r\n#Message={修正了打印。\r\n加快了查询。}\r\n")
            << false << QStringLiteral("Tovrakel已经有新版本推出，\n\n修正了打印。\n加快了查询。\n\n您要升级到新版本吗？");
        QTest::newRow("no date counts as today") << QByteArray("#url=FILE\n") << false << plain;
        QTest::newRow("higher version number") << QByteArray("#version=2.3.10\n#url=FILE\n") << true << plain;
    }
    void offerAndLater() {
        QFETCH(QByteArray, info);
        QFETCH(bool, byNumber);
        QFETCH(QString, question);
        serveInfo(info.replace("FILE", fileUrl("data.mdb").toUtf8()));
        m_server->serve("/files/data.mdb", "new data");
        if (byNumber)
            m_updater->versionControl = VersionControl::byNumber;
        int later = 0;
        m_updater->hooks.OnLaterUpgrade = [&later] { ++later; };

        m_updater->StartUpdateCheck();
        UpdateQuestionDialog* form = waitForQuestion();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("软件升级精灵"));
        QCOMPARE(labelText(form, "Label1"), question);
        QCOMPARE(button(form, "YesBtn")->text(), QStringLiteral("[&Y]是"));
        QCOMPARE(button(form, "LaterBtn")->text(), QStringLiteral("[&L]稍等一下"));
        QCOMPARE(form->width(), 318);
        QVERIFY(form->isModal());
        QCOMPARE(m_updater->files(), QStringList{fileUrl("data.mdb")});

        button(form, "LaterBtn")->click();
        QVERIFY(waitIdle());
        QCOMPARE(later, 1);
        QVERIFY(!m_updater->questionForm());
        QVERIFY(!m_updater->wizardForm());
        QVERIFY(downloads().isEmpty());
        QCOMPARE(m_server->requests, QStringList{kInfoPath});
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
    }

    // Both files of url1/url2 arrive next to the program as .uTMP with their server times; the
    // finished wizard hands over to the upgrader, which is started with the program's path.
    void downloadAndRestart_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("restartArgument");
        QTest::newRow("replace") << QByteArray() << "+/afterupgrade0";
        QTest::newRow("setup program") << QByteArray("#method=1\r\n") << "+/afterupgrade1";
    }
    void downloadAndRestart() {
        QFETCH(QByteArray, method);
        QFETCH(QString, restartArgument);
        const QByteArray data = pattern(3000, 'a');
        const QByteArray tool = pattern(20000, '0');
        LocalHttpServer::Response dataResponse = LocalHttpServer::Response::with(200, data);
        dataResponse.lastModified = "Wed, 27 Nov 2013 08:30:00 GMT";
        m_server->serve("/files/data.mdb", dataResponse);
        m_server->serve("/files/tool.exe", tool);
        offer({"data.mdb", "tool.exe"}, method);
        int fileDone = 0;
        m_updater->hooks.OnFileDone = [&fileDone] { ++fileDone; };

        UpdateWizardDialog* wizard = acceptOffer();
        QVERIFY(wizard);
        QVERIFY(wizard->isVisible());
        QVERIFY(!wizard->isModal());
        QCOMPARE(wizard->windowTitle(), QStringLiteral("软件升级精灵"));
        QVERIFY(wizard->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
        QCOMPARE(fileDone, 2);

        // The figures of the last file stay behind the finished note.
        QCOMPARE(wizard->findChild<QLineEdit*>("FileURL")->text(), fileUrl("tool.exe"));
        QCOMPARE(labelText(wizard, "FileSizeLab"), QStringLiteral("文档大小:19.5 Kb"));
        QCOMPARE(labelText(wizard, "AllDownloading"), QStringLiteral("当前正在下载:2 of 2"));
        QVERIFY(labelText(wizard, "TransferRateLab").startsWith(QStringLiteral("传输速率:")));
        QVERIFY(labelText(wizard, "EstimatedTimeLeftLab").startsWith(QStringLiteral("估计剩余时间: ")));
        QCOMPARE(wizard->findChild<QProgressBar*>("ProgressCurrentFile")->value(), 100);
        QCOMPARE(wizard->findChild<QProgressBar*>("ProgressAllFiles")->value(), 100);
        // The finished state.
        QCOMPARE(labelText(wizard, "WizardTitle"), QStringLiteral("升级完成！"));
        QCOMPARE(labelText(wizard, "AfterNote"), QStringLiteral("Tovrakel 已经升级完成，\n\n请按[确定]键重新启动程序"));
        QVERIFY(wizard->findChild<QLabel*>("AfterNote")->isVisible());
        QVERIFY(!wizard->findChild<QGroupBox*>("LCurrentFile")->isVisible());
        QVERIFY(!wizard->findChild<QGroupBox*>("LAllFiles")->isVisible());
        QVERIFY(!button(wizard, "CancelBtn")->isEnabled());
        QVERIFY(button(wizard, "FinishBtn")->isEnabled());
        QCOMPARE(button(wizard, "FinishBtn")->text(), QStringLiteral("[&O]确定"));

        QCOMPARE(downloads(), (QStringList{"data.mdb.uTMP", "tool.exe.uTMP"}));
        QCOMPARE(fileBytes(shop("data.mdb.uTMP")), data);
        QCOMPARE(fileBytes(shop("tool.exe.uTMP")), tool);
        QCOMPARE(QFileInfo(shop("data.mdb.uTMP")).lastModified().toUTC(),
                 QDateTime(QDate(2013, 11, 27), QTime(8, 30), Qt::UTC));
        // Nothing is started before the user confirms.
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
        QCOMPARE(m_closed, 0);

        button(wizard, "FinishBtn")->click();
        QCOMPARE(m_session->ui.startedPrograms.size(), 1);
        const QStringList started = m_session->ui.startedPrograms.first();
        QCOMPARE(started.mid(1), (QStringList{shop("tovrakel"), restartArgument}));
        QVERIFY(started.first().startsWith(m_session->file("tmp/")));
        QCOMPARE(fileBytes(started.first()), m_upgraderBytes);
        QVERIFY(QFileInfo(started.first()).isExecutable());
        QCOMPARE(m_closed, 1);
        QVERIFY(!m_updater->isRunning());
        QVERIFY(!m_updater->wizardForm());
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    // The wizard can be switched off: the restart follows the last file at once.
    void withoutWizard() {
        m_server->serve("/files/data.mdb", "new data");
        offer({"data.mdb"});
        m_updater->wizardEnabled = false;
        QVERIFY(!acceptOffer());
        QVERIFY(waitFor([this] { return m_closed == 1; }));
        QCOMPARE(m_session->ui.startedPrograms.size(), 1);
        QCOMPARE(fileBytes(shop("data.mdb.uTMP")), QByteArray("new data"));
    }

    // A file the server does not have: the lost-file box; Yes skips it, No ends the upgrade.
    void lostFile_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("answer");
        QTest::newRow("404, skip") << 404 << int(QMessageBox::Yes);
        QTest::newRow("404, abort") << 404 << int(QMessageBox::No);
        QTest::newRow("403, skip") << 403 << int(QMessageBox::Yes);
    }
    void lostFile() {
        QFETCH(int, status);
        QFETCH(int, answer);
        if (status != 404)
            m_server->serve("/files/gone.bin", LocalHttpServer::Response::with(status, "forbidden"));
        m_server->serve("/files/tool.exe", "new tool");
        offer({"gone.bin", "tool.exe"});
        m_session->ui.replies << QMessageBox::StandardButton(answer);

        QVERIFY(acceptOffer());
        QVERIFY(waitFor([this] { return !m_session->ui.messages.isEmpty(); }));
        const MessageRequest box = m_session->ui.messages.first();
        QCOMPARE(box.caption, QStringLiteral("错误 #%1").arg(status));
        QCOMPARE(box.text, QStringLiteral("文档gone.bin找不到或者发生错误，\n\n您要忽略这个文档并且继续升级操作吗？"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
            QCOMPARE(downloads(), QStringList{"tool.exe.uTMP"});
            QVERIFY(!m_updater->aborted());
        } else {
            QVERIFY(waitIdle());
            QVERIFY(m_updater->aborted());
            QVERIFY(!m_updater->wizardForm());
            QVERIFY(downloads().isEmpty());
            QVERIFY(!m_server->requests.contains("/files/tool.exe"));
        }
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
    }

    // Method 2: the first address goes to the browser, nothing is downloaded.
    void methodTwoOpensBrowser_data() {
        QTest::addColumn<bool>("withScheme");
        QTest::newRow("full address") << true;
        QTest::newRow("without scheme") << false;
    }
    void methodTwoOpensBrowser() {
        QFETCH(bool, withScheme);
        const QString page = m_server->url("/download.html");
        const QString listed = withScheme ? page : page.mid(QStringLiteral("http://").size());
        serveInfo(kNewer + "#method=2\r\n#url=" + listed.toUtf8() + "\r\n#url1=" + fileUrl("x").toUtf8() + "\r\n");
        QVERIFY(acceptOffer() == nullptr);
        QVERIFY(waitIdle());
        QCOMPARE(m_session->ui.openedUrls, QStringList{page});
        QCOMPARE(m_server->requests, QStringList{kInfoPath});
        QVERIFY(downloads().isEmpty());
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
    }

    // Cancel asks first; "no" goes on, "yes" ends the upgrade with the whole files left in place
    // and the piece of the interrupted one removed.
    void abortAsksAndKeepsFiles() {
        m_server->serve("/files/data.mdb", "complete data");
        LocalHttpServer::Response slow = LocalHttpServer::Response::with(200, pattern(5000, 'x'));
        slow.contentLength = 100000;
        slow.hold = LocalHttpServer::Hold::Partial;
        m_server->serve("/files/tool.exe", slow);
        offer({"data.mdb", "tool.exe"});
        int aborted = 0;
        m_updater->hooks.OnAborted = [&aborted] { ++aborted; };

        UpdateWizardDialog* wizard = acceptOffer();
        QVERIFY(wizard);
        QVERIFY(waitFor([this] { return m_updater->currentIndex() == 1 && m_updater->received() == 5000; }));
        QCOMPARE(wizard->findChild<QProgressBar*>("ProgressCurrentFile")->value(), 5);
        QCOMPARE(wizard->findChild<QProgressBar*>("ProgressAllFiles")->value(), 52);
        QCOMPARE(labelText(wizard, "FileSizeLab"), QStringLiteral("文档大小:97.7 Kb"));

        m_session->ui.replies << QMessageBox::No;
        button(wizard, "CancelBtn")->click();
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest box = m_session->ui.messages.first();
        QCOMPARE(box.caption, QStringLiteral("Tovrakel"));
        QCOMPARE(box.text, QStringLiteral("升级操作尚未完成，\n您确定要放弃升级吗？"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m_updater->state(), Updater::State::Downloading);
        QVERIFY(wizard->isVisible());

        // The window's own close button asks the same.
        m_session->ui.replies << QMessageBox::Yes;
        wizard->close();
        QCOMPARE(m_session->ui.messages.size(), 2);
        QCOMPARE(m_session->ui.messages.last().text, box.text);
        QVERIFY(!m_updater->isRunning());
        QVERIFY(m_updater->aborted());
        QCOMPARE(aborted, 1);
        QVERIFY(!m_updater->wizardForm());
        QCOMPARE(downloads(), QStringList{"data.mdb.uTMP"});
        QCOMPARE(fileBytes(shop("data.mdb.uTMP")), QByteArray("complete data"));
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    // A broken connection says so and ends the upgrade; only whole files stay.
    void connectionLost_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("body shorter than its length") << "short";
        QTest::newRow("connection closed mid-file") << "closed";
        QTest::newRow("server gone before the file") << "unreachable";
    }
    void connectionLost() {
        QFETCH(QString, kind);
        m_server->serve("/files/data.mdb", "complete data");
        LocalHttpServer::Response broken = LocalHttpServer::Response::with(200, pattern(10, 'q'));
        broken.contentLength = 1000;
        if (kind == QLatin1String("closed"))
            broken.hold = LocalHttpServer::Hold::Partial;
        m_server->serve("/files/tool.exe", broken);
        if (kind == QLatin1String("unreachable"))
            serveInfo(kNewer + "#url1=" + fileUrl("data.mdb").toUtf8() + "\r\n#url2=" +
                      LocalHttpServer::unreachableUrl("/files/tool.exe").toUtf8() + "\r\n");
        else
            offer({"data.mdb", "tool.exe"});

        QVERIFY(acceptOffer());
        if (kind == QLatin1String("closed")) {
            QVERIFY(waitFor([this] { return m_server->held() == 1 && m_updater->received() == 10; }));
            m_server->release();
        }
        QVERIFY(waitIdle());
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest box = m_session->ui.messages.first();
        QCOMPARE(box.caption, QStringLiteral("软件升级精灵"));
        QCOMPARE(box.text, QStringLiteral("与远端服务器的连接中断，\n\n请重新连接后再进行升级操作。"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY(!m_updater->aborted());
        QVERIFY(!m_updater->wizardForm());
        QCOMPARE(downloads(), QStringList{"data.mdb.uTMP"});
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
    }

    // A file whose length the server did not announce may have been cut short: it is not kept,
    // the user is told why, and nothing is handed to the upgrader.
    void lengthNotAnnounced_data() {
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("whole body, no length") << false;
        QTest::newRow("connection closed early, no length") << true;
    }
    void lengthNotAnnounced() {
        QFETCH(bool, cutShort);
        m_server->serve("/files/data.mdb", "complete data");
        LocalHttpServer::Response unsized = LocalHttpServer::Response::with(200, pattern(3000, 't'));
        unsized.announceLength = false;
        if (cutShort)
            unsized.hold = LocalHttpServer::Hold::Partial;
        m_server->serve("/files/tool.exe", unsized);
        offer({"data.mdb", "tool.exe"});

        QVERIFY(acceptOffer());
        if (cutShort) {
            QVERIFY(waitFor([this] { return m_server->held() == 1 && m_updater->received() == 3000; }));
            m_server->release();
        }
        QVERIFY(waitIdle());
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest box = m_session->ui.messages.first();
        QCOMPARE(box.caption, QStringLiteral("软件升级精灵"));
        QCOMPARE(box.text, QStringLiteral("服务器没有告知文档tool.exe的大小，无法确认下载是否完整。\n\n"
                                          "升级操作已停止，这个文档不会被安装。"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(downloads(), QStringList{"data.mdb.uTMP"});
        QVERIFY(!m_updater->wizardForm());
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
        QCOMPARE(m_closed, 0);
    }

    // Downloads left by an upgrade that did not finish are removed before the next one, so the
    // upgrader never installs files of another release; a folder of that name is left alone.
    void leftoverDownloadsRemoved() {
        writeFile(shop("old-release.bin.uTMP"), "left from an aborted upgrade");
        writeFile(shop("data.mdb.uTMP"), "an older database");
        writeFile(shop(".hidden.uTMP"), "hidden leftover");
        QVERIFY(QDir().mkpath(shop("folder.uTMP")));
        m_server->serve("/files/tool.exe", "new tool");
        offer({"tool.exe"});

        QVERIFY(acceptOffer());
        QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
        QCOMPARE(downloads(), (QStringList{"folder.uTMP", "tool.exe.uTMP"}));
        QCOMPARE(fileBytes(shop("tool.exe.uTMP")), QByteArray("new tool"));
    }

    // The info file is held in memory: one longer than the limit is dropped as soon as that
    // shows, quietly like a missing one, whether its length is announced or not.
    void oversizedInfoFile_data() {
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<bool>("announceLength");
        QTest::newRow("announced too long") << qint64(800) * 1024 * 1024 << true;
        QTest::newRow("body too long") << qint64(-1) << true;
        QTest::newRow("body too long, no length") << qint64(-1) << false;
    }
    void oversizedInfoFile() {
        QFETCH(qint64, announced);
        QFETCH(bool, announceLength);
        QByteArray info = kNewer + "#url=" + fileUrl("data.mdb").toUtf8() + "\r\n#message={";
        info += QByteArray(int(HttpTransfer::kDefaultMemoryLimit), 'x') + "}\r\n";
        LocalHttpServer::Response response = LocalHttpServer::Response::with(200, info);
        response.contentLength = announced;
        response.announceLength = announceLength;
        // An announced length the body never reaches keeps the connection open: no end comes.
        if (announced > 0)
            response.hold = LocalHttpServer::Hold::Partial;
        m_server->serve(kInfoPath, response);
        m_server->serve("/files/data.mdb", "new data");

        m_updater->StartUpdateCheck();
        QVERIFY(waitIdle());
        QCOMPARE(m_offers, 0);
        QVERIFY(!m_updater->questionForm());
        QVERIFY(m_session->ui.messages.isEmpty());
        QVERIFY(m_updater->body().isEmpty());
        QCOMPARE(m_server->requests, QStringList{kInfoPath});
    }

    // 401: the password window; OK sends the request again with the login, Cancel aborts.
    void passwordRequest_data() {
        QTest::addColumn<bool>("onInfoFile");
        QTest::addColumn<bool>("accept");
        QTest::newRow("download, login given") << false << true;
        QTest::newRow("download, cancelled") << false << false;
        QTest::newRow("info file, login given") << true << true;
    }
    void passwordRequest() {
        QFETCH(bool, onInfoFile);
        QFETCH(bool, accept);
        LocalHttpServer::Response file = LocalHttpServer::Response::with(200, "licensed tool");
        if (!onInfoFile)
            file.login = "shop:s3cret";
        m_server->serve("/files/tool.exe", file);
        offer({"tool.exe"});
        if (onInfoFile) {
            LocalHttpServer::Response info = LocalHttpServer::Response::with(200, kNewer + "#url=" + fileUrl("tool.exe").toUtf8());
            info.login = "shop:s3cret";
            m_server->serve(kInfoPath, info);
            m_updater->StartUpdateCheck();
        } else {
            QVERIFY(acceptOffer());
        }
        QVERIFY(waitFor([this] { return m_updater->passwordForm() && m_updater->passwordForm()->isVisible(); }));
        UpdatePasswordDialog* form = m_updater->passwordForm();
        const QString name = onInfoFile ? QStringLiteral("tovrakel.inf") : QStringLiteral("tool.exe");
        QCOMPARE(form->windowTitle(), QStringLiteral("请输入密码"));
        QCOMPARE(labelText(form, "Label1"),
                 QStringLiteral("远端的文档\"%1\"被密码保护，\n\n请输入您的帐号及密码[注册用户]来继续进行升级操作。").arg(name));
        QCOMPARE(labelText(form, "UsernameLab"), QStringLiteral("帐号"));
        QCOMPARE(labelText(form, "PasswordLab"), QStringLiteral("密码"));
        auto* password = form->findChild<QLineEdit*>("PasswordEdit");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QVERIFY(m_session->ui.messages.isEmpty());

        if (!accept) {
            button(form, "CancelBtn")->click();
            QVERIFY(waitIdle());
            QVERIFY(m_updater->aborted());
            QVERIFY(downloads().isEmpty());
            QVERIFY(!m_updater->wizardForm());
            return;
        }
        form->findChild<QLineEdit*>("UsernameEdit")->setText("shop");
        password->setText("s3cret");
        button(form, "OKBtn")->click();
        if (onInfoFile) {
            UpdateQuestionDialog* question = waitForQuestion();
            QVERIFY(question);
            button(question, "YesBtn")->click();
        }
        QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
        QCOMPARE(fileBytes(shop("tool.exe.uTMP")), QByteArray("licensed tool"));
        QCOMPARE(m_server->authorizations.last(), "Basic " + QByteArray("shop:s3cret").toBase64());
        QCOMPARE(m_updater->HTTPUsername(), QStringLiteral("shop"));
    }

    // A download that cannot be written next to the program ends the upgrade with a word; the
    // program runs on and a later check works again.
    void targetCannotBeCreated_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("named");
        QTest::newRow("folder in the way") << "data.mdb" << "data.mdb.uTMP";
        QTest::newRow("address names no file") << "" << "";
    }
    void targetCannotBeCreated() {
        QFETCH(QString, first);
        QFETCH(QString, named);
        QVERIFY(QDir().mkpath(shop("data.mdb.uTMP/inside")));
        m_server->serve("/files/data.mdb", "new data");
        m_server->serve("/files/tool.exe", "new tool");
        offer({first, "tool.exe"});

        acceptOffer();  // the wizard may be gone before this returns
        QVERIFY(waitIdle());
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest box = m_session->ui.messages.first();
        QCOMPARE(box.caption, QStringLiteral("软件升级精灵"));
        QVERIFY2(box.text.startsWith(QStringLiteral("无法保存下载的文档%1：\n").arg(named)), qPrintable(box.text));
        QVERIFY(box.text.endsWith(QStringLiteral("升级操作已停止，已下载的文档保留在程序文件夹中。")));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY(!m_updater->wizardForm());
        QVERIFY(!m_server->requests.contains("/files/tool.exe"));
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
        QCOMPARE(m_closed, 0);
        QVERIFY(QFileInfo(shop("data.mdb.uTMP/inside")).isDir());

        const qsizetype asked = m_server->requests.size();
        m_updater->StartUpdateCheck();
        QVERIFY(waitForQuestion());
        QCOMPARE(m_server->requests.size(), asked + 1);
    }

    // While a check or a download runs, another start does nothing.
    void noSecondTransfer() {
        // The info file is answered only when released, and then offers nothing new.
        LocalHttpServer::Response held = LocalHttpServer::Response::with(200, "#date=11/25/2013\r\n#url=x\r\n");
        held.hold = LocalHttpServer::Hold::Silent;
        m_server->serve(kInfoPath, held);
        m_updater->StartUpdateCheck();
        QVERIFY(waitFor([this] { return m_server->held() == 1; }));
        m_updater->StartUpdateCheck();
        m_updater->StartUpdateCheck();
        m_server->release();
        QVERIFY(waitIdle());
        QCOMPARE(m_server->requests, QStringList{kInfoPath});
        QVERIFY(m_session->ui.messages.isEmpty());

        LocalHttpServer::Response slow = LocalHttpServer::Response::with(200, "part");
        slow.contentLength = 1000;
        slow.hold = LocalHttpServer::Hold::Partial;
        m_server->serve("/files/tool.exe", slow);
        offer({"tool.exe"});
        QVERIFY(acceptOffer());
        QVERIFY(waitFor([this] { return m_server->held() == 1; }));
        m_updater->StartUpdateCheck();
        QCOMPARE(m_server->requests, (QStringList{kInfoPath, kInfoPath, "/files/tool.exe"}));
        QVERIFY(m_updater->questionForm() == nullptr);
        QCOMPARE(m_updater->state(), Updater::State::Downloading);
        m_server->release();
        QVERIFY(waitIdle());
        QCOMPARE(m_server->requests.size(), 3);
    }

    // Without the upgrader nobody would put the files in place: the program keeps running.
    void upgraderCannotBeWritten() {
        m_server->serve("/files/data.mdb", "new data");
        offer({"data.mdb"});
        m_updater->upgraderSource = m_session->file("no-such-upgrader");
        UpdateWizardDialog* wizard = acceptOffer();
        QVERIFY(wizard);
        QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
        button(wizard, "FinishBtn")->click();
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.startsWith(QStringLiteral("无法启动升级程序：")));
        QVERIFY(m_session->ui.startedPrograms.isEmpty());
        QCOMPARE(m_closed, 0);
        QVERIFY(!m_updater->isRunning());
        QCOMPARE(downloads(), QStringList{"data.mdb.uTMP"});
    }

    // The whole way with the real upgrader: the new database is put in place, the old one kept
    // as data.mdb.bak, and the program (a stand-in script) started again with the restart argument.
    void upgradeWithTheRealUpgrader() {
        const QString upgrader = qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + QStringLiteral("/upgrader");
        if (!QFileInfo(upgrader).isExecutable())
            QSKIP("the upgrader is not built");
        writeFile(shop("tovrakel"), "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/ran.txt\"\n");
        QFile::setPermissions(shop("tovrakel"), QFile::permissions(shop("tovrakel")) | QFileDevice::ExeOwner);
        writeFile(shop("data.mdb"), "the shop's records");
        m_server->serve("/files/data.mdb", "records of the new release");
        offer({"data.mdb"});
        m_updater->upgraderSource = upgrader;
        // The program's own options reach the restarted program word for word.
        m_updater->restartOptions = {"--workdir", m_session->file("my  shop's \"ledger\""), "--english",
                                     "--receipt-pdf", "\"receipts", "--update-url", "http://127.0.0.1:1/a+b.inf"};

        UpdateWizardDialog* wizard = acceptOffer();
        QVERIFY(wizard);
        QVERIFY(waitFor([this] { return m_updater->state() == Updater::State::Finished; }));
        button(wizard, "FinishBtn")->click();
        QCOMPARE(m_session->ui.startedPrograms.size(), 1);
        const QStringList command = m_session->ui.startedPrograms.first();
        QCOMPARE(fileBytes(command.first()), fileBytes(upgrader));

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TOVRAKEL_UPGRADER_WAIT_MS"), QStringLiteral("10000"));
        process.setProcessEnvironment(env);
        process.start(command.first(), command.mid(1));
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(fileBytes(shop("data.mdb")), QByteArray("records of the new release"));
        QCOMPARE(fileBytes(shop("data.mdb.bak")), QByteArray("the shop's records"));
        QVERIFY(downloads().isEmpty());
        const QByteArray expected = (m_updater->restartOptions.join('\n') + "\n/afterupgrade0\n").toUtf8();
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(shop("ran.txt")), expected, 20000);
    }

    // The restarted program gets the options it was started with, its folders absolute as
    // they were resolved at the start.
    void restartKeepsTheOptions() {
        const StartOptions options = parseStartOptions(
            {"tovrakel", "--workdir", "shop", "--english", "--receipt-pdf", "pdf", "--update-url", "http://x/u.inf"});
        QCOMPARE(restartOptions(options),
                 (QStringList{"--workdir", QDir::current().absoluteFilePath("shop"), "--english", "--receipt-pdf",
                              QDir::current().absoluteFilePath("pdf"), "--update-url", "http://x/u.inf"}));
        const StartOptions plain = parseStartOptions({"tovrakel"});
        QCOMPARE(restartOptions(plain), (QStringList{"--workdir", plain.workdir}));
    }

    // The main window runs the check at each show and from 软件自动升级; the address comes from
    // the command line, else the settings, else the maker's.
    void wiredIntoTheMainWindow() {
        if (!TOVRAKEL_SELF_UPDATE)
            QSKIP("built without self-update");
        m_session->openLedger();
        MainWindow::setRemovableCheck([] { return true; });

        StartOptions options = parseStartOptions({"tovrakel"});
        QCOMPARE(infoFileUrl(options), QString::fromLatin1(kDefaultInfoFileUrl));
        WriteSetting(kMainKey, QStringLiteral("infofileurl"), m_server->url("/mirror.inf"));
        QCOMPARE(infoFileUrl(options), m_server->url("/mirror.inf"));
        options = parseStartOptions({"tovrakel", "--update-url", m_server->url(kInfoPath)});
        QCOMPARE(options.updateUrl, m_server->url(kInfoPath));
        QCOMPARE(infoFileUrl(options), m_server->url(kInfoPath));

        serveInfo("#date=11/25/2013\r\n#url=x\r\n");
        MainWindow form;
        Updater* updater = installUpdater(form, options);
        QVERIFY(updater);
        QCOMPARE(updater->objectName(), QStringLiteral("Updater1"));
        QCOMPARE(updater->InfoFileURL, m_server->url(kInfoPath));
        QCOMPARE(updater->restartOptions, (QStringList{"--workdir", options.workdir, "--update-url", m_server->url(kInfoPath)}));
        form.show();
        QTRY_COMPARE(m_server->requests, QStringList{kInfoPath});
        QTRY_VERIFY(!updater->isRunning());

        QAction* action = form.findChild<QAction*>(QStringLiteral("AutoUpgrade"));
        QVERIFY(action);
        QVERIFY(action->isEnabled());
        action->trigger();
        QTRY_COMPARE(m_server->requests.size(), 2);
        QTRY_VERIFY(!updater->isRunning());
        form.close();
    }
};

QTEST_MAIN(UpdaterTest)
#include "test_updater.moc"
