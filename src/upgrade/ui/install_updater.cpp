#include "upgrade/ui/install_updater.h"

#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/settings.h"
#include "upgrade/ui/updater.h"

#include <QAction>

const char kDefaultInfoFileUrl[] = "https://www.tovrakel.cn/update/tovrakel.inf";

QString infoFileUrl(const StartOptions& options) {
    if (!options.updateUrl.isEmpty())
        return options.updateUrl;
    const QString configured = ReadSettings(kMainKey).value(QStringLiteral("infofileurl")).trimmed();
    return configured.isEmpty() ? QString::fromLatin1(kDefaultInfoFileUrl) : configured;
}

TUpdater* installUpdater(TMainForm& form, const StartOptions& options) {
    if (!TOVRAKEL_SELF_UPDATE)
        return nullptr;
    auto* updater = new TUpdater(&form, &form);
    updater->setObjectName(QStringLiteral("Updater1"));
    updater->InfoFileURL = infoFileUrl(options);
    updater->removeLeftoverUpgrader();
    // An unattended screenshot run neither reaches out to the web nor gets interrupted by an offer.
    if (options.screenshotDir.isEmpty())
        form.hooks().updateCheck = [updater] { updater->StartUpdateCheck(); };
    if (QAction* action = form.findChild<QAction*>(QStringLiteral("AutoUpgrade"))) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, updater, &TUpdater::StartUpdateCheck);
    }
    return updater;
}
