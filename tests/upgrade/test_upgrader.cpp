// The upgrader program run for real in temporary shop folders, with small shell scripts standing
// in for the program and the downloads: each script, when run, appends "label|name|arguments" to a
// log outside the folder, so a test sees which file ran, under which name, with what arguments.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

namespace {

const QString kProgram = QStringLiteral("tovrakel");
constexpr int kSlowMs = 15000;  // generous: only reached when something is wrong

QString upgraderPath() {
    return qEnvironmentVariable("TOVRAKEL_BINARY_DIR") + QStringLiteral("/upgrader");
}

// A temporary shop folder (inside a root that also holds the run log and the setup's release flag).
class Shop {
public:
    explicit Shop(const QString& folderName = QStringLiteral("shop")) {
        QDir(m_root.path()).mkpath(folderName);
        m_folder = m_root.filePath(folderName);
    }

    QString root() const { return m_root.path(); }
    QString folder() const { return m_folder; }
    QString file(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
    QString program() const { return file(kProgram); }
    QString logPath() const { return m_root.filePath(QStringLiteral("ran.log")); }
    QString releasePath() const { return m_root.filePath(QStringLiteral("release")); }

    void write(const QString& name, const QByteArray& content, mode_t mode = 0644) const {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        QCOMPARE(::chmod(QFile::encodeName(file(name)).constData(), mode), 0);
    }

    // A program that records that it ran.
    QByteArray standIn(const QString& label) const {
        return QStringLiteral("#!/bin/sh\nprintf '%s|%s|%s\\n' '%1' \"${0##*/}\" \"$*\" >> '%2'\n")
            .arg(label, logPath())
            .toUtf8();
    }

    // A setup that records its start, runs until the test releases it (30 s at most), then
    // records its end.
    QByteArray setupStandIn() const {
        return QStringLiteral("#!/bin/sh\n"
                              "printf 'setup|%s|%s\\n' \"${0##*/}\" \"$*\" >> '%1'\n"
                              "i=0\n"
                              "while [ ! -e '%2' ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
                              "printf 'setup|end\\n' >> '%1'\n")
            .arg(logPath(), releasePath())
            .toUtf8();
    }

    void writeOldProgram() const { write(kProgram, standIn(QStringLiteral("old")), 0755); }

    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    mode_t mode(const QString& name) const {
        struct stat st {};
        return ::stat(QFile::encodeName(file(name)).constData(), &st) == 0 ? st.st_mode & 07777
                                                                             : mode_t(0);
    }

    QStringList files() const {
        QStringList names = QDir(m_folder).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    QStringList ran() const {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_root;
    QString m_folder;
};

std::unique_ptr<QProcess> startUpgrader(const QStringList& arguments, int waitMs = 60000,
                                        const QString& workingDirectory = QString()) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOVRAKEL_UPGRADER_WAIT_MS"), QString::number(waitMs));
    process->setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process->setWorkingDirectory(workingDirectory);
    process->start(upgraderPath(), arguments);
    return process;
}

struct Outcome {
    int exitCode = -1;
    QString errors;
};

// Runs the upgrader to its end; exit code -1 when it did not end.
Outcome runUpgrader(const QStringList& arguments, int waitMs = 60000,
                    const QString& workingDirectory = QString()) {
    auto process = startUpgrader(arguments, waitMs, workingDirectory);
    Outcome outcome;
    if (process->waitForFinished(kSlowMs) && process->exitStatus() == QProcess::NormalExit)
        outcome.exitCode = process->exitCode();
    outcome.errors = QString::fromLocal8Bit(process->readAllStandardError());
    return outcome;
}

// A real binary running as the program: on Linux that is what keeps the program file from being
// opened for writing (ETXTBSY), even for root. A script would not, it is only read by its shell.
std::unique_ptr<QProcess> startRunningProgram(const Shop& shop) {
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    if (sleep.isEmpty() || !QFile::copy(sleep, shop.program()))
        return {};
    auto running = std::make_unique<QProcess>();  // its destructor kills what is left
    running->start(shop.program(), {QStringLiteral("120")});
    if (!running->waitForStarted(kSlowMs))
        return {};
    return running;
}

}  // namespace

class TestUpgrader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(upgraderPath()), qPrintable(upgraderPath() + " is not built"));
    }

    void withoutArgumentsPrintsItsName() {
        QProcess process;
        process.start(upgraderPath(), {});
        QVERIFY(process.waitForFinished(kSlowMs));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().contains("upgrader"));
    }

    // Which download becomes the program, under which name, and what is left in the folder.
    // Every download is a stand-in labelled with its own name, so the log shows which one ran.
    void downloadsTakeTheirPlaces_data() {
        QTest::addColumn<QString>("restart");
        QTest::addColumn<QStringList>("downloads");
        QTest::addColumn<QString>("expectedRun");
        QTest::addColumn<QStringList>("expectedFiles");

        const QString normal = QStringLiteral("+/afterupgrade0");
        const QString setup = QStringLiteral("+/afterupgrade1");
        QTest::newRow("nothing downloaded")
            << normal << QStringList{} << "old|tovrakel|/afterupgrade0" << QStringList{"tovrakel"};
        QTest::newRow("another exe becomes the program")
            << normal << QStringList{"tool.exe"} << "tool.exe|tovrakel|/afterupgrade0"
            << QStringList{"tovrakel", "tovrakel.bak"};
        QTest::newRow("last three characters only")
            << normal << QStringList{"toolexe"} << "toolexe|tovrakel|/afterupgrade0"
            << QStringList{"tovrakel", "tovrakel.bak"};
        QTest::newRow("upper-case EXE keeps its name")
            << normal << QStringList{"SETUP.EXE"} << "old|tovrakel|/afterupgrade0"
            << QStringList{"SETUP.EXE", "tovrakel"};
        QTest::newRow("mixed-case Exe keeps its name")
            << normal << QStringList{"Tool.Exe"} << "old|tovrakel|/afterupgrade0"
            << QStringList{"Tool.Exe", "tovrakel"};
        QTest::newRow("no exe: program kept")
            << normal << QStringList{"readme.txt"} << "old|tovrakel|/afterupgrade0"
            << QStringList{"readme.txt", "tovrakel"};
        QTest::newRow("program itself, other exe keeps its name")
            << normal << QStringList{"helper.exe", "tovrakel"} << "tovrakel|tovrakel|/afterupgrade0"
            << QStringList{"helper.exe", "tovrakel", "tovrakel.bak"};
        QTest::newRow("program itself listed first")
            << normal << QStringList{"tovrakel", "helper.exe"} << "tovrakel|tovrakel|/afterupgrade0"
            << QStringList{"helper.exe", "tovrakel", "tovrakel.bak"};
        QTest::newRow("setup mode, nothing downloaded")
            << setup << QStringList{} << "old|tovrakel|/afterupgrade1" << QStringList{"tovrakel"};
        QTest::newRow("setup mode without exe: nothing deleted")
            << setup << QStringList{"data.mdb", "readme.txt"} << "old|tovrakel|/afterupgrade1"
            << QStringList{"data.mdb", "readme.txt", "tovrakel"};
        QTest::newRow("setup mode, upper-case SETUP.EXE is no setup")
            << setup << QStringList{"SETUP.EXE"} << "old|tovrakel|/afterupgrade1"
            << QStringList{"SETUP.EXE", "tovrakel"};
        QTest::newRow("setup mode, program itself downloaded: setup.exe not run")
            << setup << QStringList{"setup.exe", "tovrakel"} << "tovrakel|tovrakel|/afterupgrade1"
            << QStringList{"setup.exe", "tovrakel", "tovrakel.bak"};
    }

    void downloadsTakeTheirPlaces() {
        QFETCH(QString, restart);
        QFETCH(QStringList, downloads);
        QFETCH(QString, expectedRun);
        QFETCH(QStringList, expectedFiles);

        Shop shop;
        shop.writeOldProgram();
        for (const QString& name : downloads)
            shop.write(name + QStringLiteral(".uTMP"), shop.standIn(name));

        const Outcome outcome = runUpgrader({shop.program(), restart});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{expectedRun}, kSlowMs);
        QCOMPARE(shop.files(), expectedFiles);
    }

    // The shop's database and the program are replaced, but the files they replace stay as
    // NAME.bak (one generation) with the permissions carried over.
    void keepsWhatItReplaces() {
        Shop shop;
        shop.write(kProgram, shop.standIn(QStringLiteral("old")), 0750);
        shop.write(QStringLiteral("data.mdb"), "shop records", 0600);
        shop.write(QStringLiteral("data.mdb.bak"), "an older backup");
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");
        shop.write(QStringLiteral("tool.exe.uTMP"), shop.standIn(QStringLiteral("new")));

        const Outcome outcome = runUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"new|tovrakel|/afterupgrade0"}, kSlowMs);

        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("delivered database"));
        QCOMPARE(shop.read(QStringLiteral("data.mdb.bak")), QByteArray("shop records"));
        QCOMPARE(shop.mode(QStringLiteral("data.mdb")), mode_t(0600));
        QCOMPARE(shop.read(kProgram), shop.standIn(QStringLiteral("new")));
        QCOMPARE(shop.read(QStringLiteral("tovrakel.bak")), shop.standIn(QStringLiteral("old")));
        QCOMPARE(shop.mode(kProgram), mode_t(0750));
        QCOMPARE(shop.files(), (QStringList{"data.mdb", "data.mdb.bak", "tovrakel", "tovrakel.bak"}));
    }

    // A downloaded program arrives without the executable bit; it must get it to be started.
    void newProgramIsMadeExecutable() {
        Shop shop;
        shop.write(QStringLiteral("tool.exe.uTMP"), shop.standIn(QStringLiteral("new")), 0644);

        const Outcome outcome = runUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"new|tovrakel|/afterupgrade0"}, kSlowMs);
        QCOMPARE(shop.mode(kProgram), mode_t(0755));
        QCOMPARE(shop.files(), QStringList{"tovrakel"});
    }

    // The caller does not quote the program path, so a folder with a blank may arrive in pieces.
    void argumentsAreJoinedAgain_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("startInShopFolder");
        QTest::addColumn<QString>("expectedRun");

        QTest::newRow("path split at its blank")
            << QStringList{"ROOT/my", "shop/tovrakel", "+/afterupgrade0"} << false
            << "old|tovrakel|/afterupgrade0";
        QTest::newRow("path whole") << QStringList{"ROOT/my shop/tovrakel", "+/afterupgrade0"}
                                    << false << "old|tovrakel|/afterupgrade0";
        QTest::newRow("everything in one argument")
            << QStringList{"ROOT/my shop/tovrakel +/afterupgrade0"} << false
            << "old|tovrakel|/afterupgrade0";
        QTest::newRow("restart argument in two pieces")
            << QStringList{"ROOT/my shop/tovrakel", "+/after", "upgrade0"} << false
            << "old|tovrakel|/after upgrade0";
        QTest::newRow("no plus: no restart argument")
            << QStringList{"ROOT/my", "shop/tovrakel"} << false << "old|tovrakel|";
        QTest::newRow("relative path: the folder it was started in")
            << QStringList{"tovrakel", "+/afterupgrade0"} << true << "old|tovrakel|/afterupgrade0";
    }

    void argumentsAreJoinedAgain() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, startInShopFolder);
        QFETCH(QString, expectedRun);

        Shop shop(QStringLiteral("my shop"));
        shop.writeOldProgram();
        shop.write(QStringLiteral("data.mdb"), "shop records");
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");
        for (QString& argument : arguments)
            argument.replace(QStringLiteral("ROOT"), shop.root());

        const Outcome outcome =
            runUpgrader(arguments, 60000, startInShopFolder ? shop.folder() : shop.root());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{expectedRun}, kSlowMs);
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("delivered database"));
        QCOMPARE(shop.read(QStringLiteral("data.mdb.bak")), QByteArray("shop records"));
    }

    // Setup mode: the downloads are in place, the setup runs (with the restart argument) and
    // the program is started only after the setup has ended; then the setup is deleted.
    void setupRunsBeforeTheProgram() {
        Shop shop;
        shop.writeOldProgram();
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");
        shop.write(QStringLiteral("setup.exe.uTMP"), shop.setupStandIn());

        auto upgrader = startUpgrader({shop.program(), QStringLiteral("+/afterupgrade1")});
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"setup|setup.exe|/afterupgrade1"},
                                  kSlowMs);
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("delivered database"));
        QCOMPARE(shop.read(kProgram), shop.standIn(QStringLiteral("old")));
        QVERIFY(shop.mode(QStringLiteral("setup.exe")) & S_IXUSR);
        QCOMPARE(upgrader->state(), QProcess::Running);

        QFile release(shop.releasePath());
        QVERIFY(release.open(QIODevice::WriteOnly));
        release.close();
        QVERIFY(upgrader->waitForFinished(kSlowMs));
        QVERIFY2(upgrader->exitCode() == 0, upgrader->readAllStandardError().constData());
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(),
                                  (QStringList{"setup|setup.exe|/afterupgrade1", "setup|end",
                                               "old|tovrakel|/afterupgrade1"}),
                                  kSlowMs);
        QCOMPARE(shop.files(), (QStringList{"data.mdb", "tovrakel"}));
    }

    // A setup that cannot be run is kept for the shop to run by hand; the program still starts
    // and the failure shows in the exit status.
    void setupThatCannotRunIsKept() {
        Shop shop;
        shop.writeOldProgram();
        shop.write(QStringLiteral("setup.exe.uTMP"), "not a program at all");

        const Outcome outcome = runUpgrader({shop.program(), QStringLiteral("+/afterupgrade1")});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(QStringLiteral("setup.exe")), qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"old|tovrakel|/afterupgrade1"}, kSlowMs);
        QCOMPARE(shop.files(), (QStringList{"setup.exe", "tovrakel"}));
    }

    // While the program still runs its file stays as it is; once it has ended the update goes on.
    void waitsUntilTheProgramHasEnded() {
        Shop shop;
        auto running = startRunningProgram(shop);
        if (!running)
            QSKIP("no 'sleep' binary to stand in for a running program");
        shop.write(QStringLiteral("tovrakel.uTMP"), shop.standIn(QStringLiteral("new")));
        shop.write(QStringLiteral("data.mdb"), "shop records");
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");

        auto upgrader = startUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")});
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT((errors += upgrader->readAllStandardError()).contains("waiting"),
                                 kSlowMs);
        QCOMPARE(upgrader->state(), QProcess::Running);
        QVERIFY(QFile::exists(shop.file(QStringLiteral("tovrakel.uTMP"))));
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("shop records"));
        QVERIFY(shop.ran().isEmpty());

        running->kill();
        QVERIFY(running->waitForFinished(kSlowMs));
        QVERIFY(upgrader->waitForFinished(kSlowMs));
        QVERIFY2(upgrader->exitCode() == 0, upgrader->readAllStandardError().constData());
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"new|tovrakel|/afterupgrade0"}, kSlowMs);
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("delivered database"));
    }

    // A program that never ends holds the update back only for the bound: then the files are
    // replaced anyway (a running file can be renamed away) and the new program is started.
    void waitIsBounded() {
        Shop shop;
        auto running = startRunningProgram(shop);
        if (!running)
            QSKIP("no 'sleep' binary to stand in for a running program");
        const QByteArray oldProgram = shop.read(kProgram);
        shop.write(QStringLiteral("tovrakel.uTMP"), shop.standIn(QStringLiteral("new")));
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");

        const Outcome outcome =
            runUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")}, 300);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(QStringLiteral("still runs")), qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"new|tovrakel|/afterupgrade0"}, kSlowMs);
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("delivered database"));
        QCOMPARE(shop.read(QStringLiteral("tovrakel.bak")), oldProgram);
        QCOMPARE(running->state(), QProcess::Running);
        running->kill();
        QVERIFY(running->waitForFinished(kSlowMs));
    }

    // A file that cannot be replaced stays where it is; the rest goes on, the program starts and
    // the exit status says that something was left.
    void fileThatCannotBeReplacedIsLeft_data() {
        QTest::addColumn<QString>("folderInTheWay");
        QTest::newRow("target is a folder") << QStringLiteral("data.mdb");
        QTest::newRow("backup is a folder") << QStringLiteral("data.mdb.bak");
    }

    void fileThatCannotBeReplacedIsLeft() {
        QFETCH(QString, folderInTheWay);
        Shop shop;
        shop.writeOldProgram();
        if (folderInTheWay != QLatin1String("data.mdb"))
            shop.write(QStringLiteral("data.mdb"), "shop records");
        QVERIFY(QDir(shop.folder()).mkdir(folderInTheWay));
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");
        shop.write(QStringLiteral("tool.exe.uTMP"), shop.standIn(QStringLiteral("new")));

        const Outcome outcome = runUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(QStringLiteral("data.mdb.uTMP left in place")),
                 qPrintable(outcome.errors));
        QTRY_COMPARE_WITH_TIMEOUT(shop.ran(), QStringList{"new|tovrakel|/afterupgrade0"}, kSlowMs);
        QCOMPARE(shop.read(QStringLiteral("data.mdb.uTMP")), QByteArray("delivered database"));
        if (folderInTheWay != QLatin1String("data.mdb"))
            QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("shop records"));
    }

    // Without a program path nothing may be touched, least of all the folder it was started in.
    void refusesWithoutProgramPath_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("only the restart argument") << QStringList{"+/afterupgrade0"};
        QTest::newRow("empty argument") << QStringList{""};
        QTest::newRow("path ends in a slash") << QStringList{"ROOT/shop/", "+/afterupgrade0"};
    }

    void refusesWithoutProgramPath() {
        QFETCH(QStringList, arguments);
        Shop shop;
        shop.writeOldProgram();
        shop.write(QStringLiteral("data.mdb"), "shop records");
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");
        for (QString& argument : arguments)
            argument.replace(QStringLiteral("ROOT"), shop.root());

        const Outcome outcome = runUpgrader(arguments, 60000, shop.folder());
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(shop.files(), (QStringList{"data.mdb", "data.mdb.uTMP", "tovrakel"}));
        QCOMPARE(shop.read(QStringLiteral("data.mdb")), QByteArray("shop records"));
    }

    void programThatCannotBeStartedIsReported() {
        Shop shop;
        shop.write(QStringLiteral("data.mdb.uTMP"), "delivered database");

        const Outcome outcome = runUpgrader({shop.program(), QStringLiteral("+/afterupgrade0")});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(QStringLiteral("cannot start")), qPrintable(outcome.errors));
        QCOMPARE(shop.files(), QStringList{"data.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestUpgrader)
#include "test_upgrader.moc"
