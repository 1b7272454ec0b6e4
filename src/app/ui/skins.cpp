#include "app/ui/skins.h"

#include "app/ui/main_window.h"
#include "store/settings.h"
#include "text/replace_each.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStyle>

// The resources live in the static ui library; without a reference the linker would drop them.
static void initSkinResources() { Q_INIT_RESOURCE(skins); }

namespace {

int g_current = kDefaultSkin;

// Each skin fills the one style sheet template, skin_template.qss, from its palette: a small file
// of named colours, lengths and picture names (":/skins/<name>.palette", lines "name: value",
// "//" comments). The palette also gives the plain colours of the application palette, for whatever
// the style draws without the sheet (check marks, calendars, message box texts, custom-painted
// widgets).
const char* const kSkinFiles[kSkinCount] = {"black_classic", "blue_fantasy", "dream_sky", "dark_reverie",
                                            "dream_come_true"};

bool validIndex(int index) { return index >= 0 && index < kSkinCount; }

QString readResource(const QString& path) {
    initSkinResources();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QHash<QString, QString> readPalette(int index) {
    QHash<QString, QString> values;
    const QString text = readResource(QStringLiteral(":/skins/%1.palette").arg(QLatin1String(kSkinFiles[index])));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed();
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        if (entry.startsWith(QLatin1String("//")) || colon <= 0)
            continue;
        values.insert(entry.left(colon).trimmed(), entry.mid(colon + 1).trimmed());
    }
    return values;
}

}  // namespace

QStringList skinNames() {
    return {QStringLiteral("黑色经典(皮肤)"), QStringLiteral("蓝色幻想(皮肤)"), QStringLiteral("梦幻天空(皮肤)"),
            QStringLiteral("黑色遐想(皮肤)"), QStringLiteral("梦想成真(皮肤)")};
}

QStringList skinActionNames() {
    return {QStringLiteral("N19"), QStringLiteral("N26"), QStringLiteral("N32"), QStringLiteral("N42"),
            QStringLiteral("N52")};
}

int skinFromText(const QString& text) {
    // Only the five texts themselves: " 2", "02" or "2.0" were never written by the program.
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] < QLatin1Char('0' + kSkinCount))
        return text[0].unicode() - '0';
    return kDefaultSkin;
}

QString skinStyleSheet(int index) {
    if (!validIndex(index))
        return {};
    const QHash<QString, QString> values = readPalette(index);
    const QString sheet = readResource(QStringLiteral(":/skins/skin_template.qss"));
    // A name the palette lacks stays written as it is, where the skins test finds it.
    static const QRegularExpression placeholder(QStringLiteral("@([a-z-]+)@"));
    return replaceEach(sheet, placeholder, [&values](const QRegularExpressionMatch& match) {
        return values.value(match.captured(1), match.captured(0));
    });
}

QPalette skinPalette(int index) {
    if (!validIndex(index))
        return QApplication::style()->standardPalette();
    const QHash<QString, QString> values = readPalette(index);
    auto colour = [&values](const char* name) { return QColor(values.value(QLatin1String(name))); };
    QPalette p(colour("button"), colour("window"));
    p.setColor(QPalette::WindowText, colour("window-text"));
    p.setColor(QPalette::Base, colour("base"));
    p.setColor(QPalette::AlternateBase, colour("alternate-base"));
    p.setColor(QPalette::Text, colour("text"));
    p.setColor(QPalette::ButtonText, colour("button-text"));
    p.setColor(QPalette::Highlight, colour("highlight"));
    p.setColor(QPalette::HighlightedText, colour("highlighted-text"));
    p.setColor(QPalette::Link, colour("link"));
    p.setColor(QPalette::BrightText, Qt::red);
    // Hints stay on their orange in every skin.
    p.setColor(QPalette::ToolTipBase, QColor(255, 194, 134));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::PlaceholderText, colour("disabled-text"));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colour("disabled-text"));
    return p;
}

void applySkin(int index) {
    if (!validIndex(index))
        index = kDefaultSkin;
    // The old sheet goes first, so the new palette is not mixed with colours the old sheet had set.
    qApp->setStyleSheet(QString());
    QApplication::setPalette(skinPalette(index));
    qApp->setStyleSheet(skinStyleSheet(index));
    g_current = index;
}

int currentSkin() { return g_current; }

void chooseSkin(int index) {
    applySkin(index);
    WriteSetting(kMainKey, QStringLiteral("skin"), QString::number(index));
}

void applyRememberedSkin() {
    const int index = skinFromText(ReadSettings(kMainKey).value(QStringLiteral("skin")));
    // Each show of the main window comes here; the skin already in force is not applied again.
    if (index != kDefaultSkin && index != g_current)
        applySkin(index);
}

void installSkins(MainWindow& form) {
    const QList<QAction*>& items = form.actions().skins;
    for (int i = 0; i < items.size(); ++i) {
        QAction* action = items[i];
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, &form, [&form, i] { runAction(&form, [i] { chooseSkin(i); }); });
    }
    form.hooks().applySkin = [] { applyRememberedSkin(); };
}
