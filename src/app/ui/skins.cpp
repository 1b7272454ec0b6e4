#include "app/ui/skins.h"

#include "app/ui/main_window.h"
#include "store/settings.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QStyle>

// The resources live in the static ui library; without a reference the linker would drop them.
static void initSkinResources() { Q_INIT_RESOURCE(skins); }

namespace {

int g_current = kDefaultSkin;

// The plain colours of a skin, for whatever the style draws without the sheet (check marks,
// calendars, message box texts, custom-painted widgets).
struct SkinColours {
    const char* sheet;
    const char* window;
    const char* windowText;
    const char* base;
    const char* alternateBase;
    const char* text;
    const char* button;
    const char* buttonText;
    const char* highlight;
    const char* highlightedText;
    const char* disabledText;
    const char* link;
};

const SkinColours kSkins[kSkinCount] = {
    {"black_classic", "#2d2d30", "#ececec", "#1d1d20", "#2a2a2e", "#f0f0f0", "#46464c", "#f2f2f2", "#c9a245",
     "#1a1a1a", "#8a8a8e", "#e2c26e"},
    {"blue_fantasy", "#d2e2f6", "#0f2a4a", "#ffffff", "#f1f6fc", "#0f2a4a", "#c5d9f1", "#0f2a4a", "#2f6fc6",
     "#ffffff", "#7d93ad", "#1f5fbf"},
    {"dream_sky", "#eaf6fc", "#123848", "#ffffff", "#f2fafe", "#123848", "#cdeaf8", "#123848", "#1b74aa",
     "#ffffff", "#86a9b8", "#1b74aa"},
    {"dark_reverie", "#1c2030", "#dfe6f2", "#12151f", "#1b2030", "#e8eef8", "#2a3249", "#e6ecf7", "#2bb3ab",
     "#0b1015", "#6f7892", "#4fd6cd"},
    {"dream_come_true", "#f5ebda", "#3a2616", "#fffdf8", "#fbf5ea", "#3a2616", "#ecd3ad", "#3a2616", "#b5531f",
     "#ffffff", "#a38f78", "#b5531f"},
};

bool validIndex(int index) { return index >= 0 && index < kSkinCount; }

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
    initSkinResources();
    QFile file(QStringLiteral(":/skins/%1.qss").arg(QLatin1String(kSkins[index].sheet)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QPalette skinPalette(int index) {
    if (!validIndex(index))
        return QApplication::style()->standardPalette();
    const SkinColours& c = kSkins[index];
    auto colour = [](const char* name) { return QColor(QLatin1String(name)); };
    QPalette p(colour(c.button), colour(c.window));
    p.setColor(QPalette::WindowText, colour(c.windowText));
    p.setColor(QPalette::Base, colour(c.base));
    p.setColor(QPalette::AlternateBase, colour(c.alternateBase));
    p.setColor(QPalette::Text, colour(c.text));
    p.setColor(QPalette::ButtonText, colour(c.buttonText));
    p.setColor(QPalette::Highlight, colour(c.highlight));
    p.setColor(QPalette::HighlightedText, colour(c.highlightedText));
    p.setColor(QPalette::Link, colour(c.link));
    p.setColor(QPalette::BrightText, Qt::red);
    // Hints stay on their orange in every skin.
    p.setColor(QPalette::ToolTipBase, QColor(255, 194, 134));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::PlaceholderText, colour(c.disabledText));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colour(c.disabledText));
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
    const QStringList names = skinActionNames();
    for (int i = 0; i < names.size(); ++i) {
        QAction* action = form.findChild<QAction*>(names[i]);
        if (!action)
            continue;
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, &form, [&form, i] { runAction(&form, [i] { chooseSkin(i); }); });
    }
    form.hooks().applySkin = [] { applyRememberedSkin(); };
}
