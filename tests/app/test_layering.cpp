// The floors of the source tree: each folder includes only itself and the folders below it, the
// core never includes a window, and nothing wires widgets by their name strings.
#include <QtTest>

#include <QDirIterator>
#include <QRegularExpression>
#include <functional>

namespace {

// Bottom to top. app and tool sit on top and never include each other.
const QStringList kFloors = {QStringLiteral("text"),      QStringLiteral("store"),     QStringLiteral("printing"),
                             QStringLiteral("widgets"),   QStringLiteral("users"),     QStringLiteral("exchange"),
                             QStringLiteral("inventory"), QStringLiteral("records"),   QStringLiteral("sales"),
                             QStringLiteral("maintenance"), QStringLiteral("upgrade"), QStringLiteral("app"),
                             QStringLiteral("tool")};

QString sourceDir() { return qEnvironmentVariable("TOVRAKEL_SOURCE_DIR") + QStringLiteral("/src"); }

struct SourceFile {
    QString path;  // relative to src/
    QString text;
};

QList<SourceFile> sources() {
    QList<SourceFile> files;
    QDirIterator it(sourceDir(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.append({QDir(sourceDir()).relativeFilePath(file.fileName()), QString::fromUtf8(file.readAll())});
    }
    return files;
}

QString folderOf(const QString& path) { return path.section(QLatin1Char('/'), 0, 0); }
// Windows live in ui/ folders and in widgets/; the rest is the core that the tool runs on.
bool isWindowCode(const QString& path) {
    return path.contains(QLatin1String("/ui/")) || folderOf(path) == QLatin1String("widgets") ||
           path.startsWith(QLatin1String("app/"));
}

QStringList includesOf(const SourceFile& file) {
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    for (auto it = include.globalMatch(file.text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

}  // namespace

class LayeringTest : public QObject {
    Q_OBJECT

private slots:
    void everyFolderIsAFloor() {
        QVERIFY(!sources().isEmpty());
        for (const SourceFile& file : sources())
            QVERIFY2(kFloors.contains(folderOf(file.path)), qPrintable(file.path + QStringLiteral(" is on no floor")));
    }

    void includesGoDownOnly() {
        QStringList wrong;
        for (const SourceFile& file : sources()) {
            const int from = kFloors.indexOf(folderOf(file.path));
            for (const QString& target : includesOf(file)) {
                const QString folder = folderOf(target);
                const int to = kFloors.indexOf(folder);
                if (to < 0 || !target.contains(QLatin1Char('/')))
                    continue;  // a header of the same folder or of the build
                const bool topFloors = from >= kFloors.indexOf(QStringLiteral("app"));
                if (to > from || (topFloors && to != from && to >= kFloors.indexOf(QStringLiteral("app"))))
                    wrong << file.path + QStringLiteral(" -> ") + target;
                else if (!isWindowCode(file.path) && isWindowCode(target) && folderOf(file.path) != QLatin1String("tool"))
                    wrong << file.path + QStringLiteral(" (core) -> ") + target;
            }
        }
        for (const QString& line : wrong)
            qWarning("%s", qPrintable(line));
        QCOMPARE(wrong.size(), 0);
    }

    // Operations are methods and typed actions: nothing looks a widget or an action up by its name.
    void nothingIsFoundByName() {
        static const QRegularExpression byName(QStringLiteral("findChild(ren)?<[^>]*>\\s*\\((?!\\s*\\)|\\s*Qt::)"));
        QCOMPARE(linesMatching(byName, [](const QString&) { return false; }), QStringList());
    }

    // The ledger and the rights reach a window through the session its constructor is given; only
    // the application, which opens the ledger, and the session itself touch the run's data module.
    void windowsWorkThroughTheSession() {
        static const QRegularExpression global(QStringLiteral("\\bdm\\(\\)|LedgerData::|currentRights\\("));
        QCOMPARE(linesMatching(global,
                               [](const QString& path) {
                                   return path.startsWith(QLatin1String("app/")) ||
                                          path.startsWith(QLatin1String("store/data_module")) ||
                                          path.startsWith(QLatin1String("users/ui/session"));
                               }),
                 QStringList());
    }

private:
    static QStringList linesMatching(const QRegularExpression& pattern, const std::function<bool(const QString&)>& allowed) {
        QStringList wrong;
        for (const SourceFile& file : sources()) {
            if (allowed(file.path))
                continue;
            const QStringList lines = file.text.split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i)
                if (pattern.match(lines[i]).hasMatch())
                    wrong << QStringLiteral("%1:%2: %3").arg(file.path).arg(i + 1).arg(lines[i].trimmed());
        }
        return wrong;
    }
};

QTEST_GUILESS_MAIN(LayeringTest)
#include "test_layering.moc"
