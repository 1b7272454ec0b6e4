#include "app/ui/install_updater.h"

#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "store/settings.h"
#include "upgrade/ui/updater.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

const char kDefaultInfoFileUrl[] = "https://www.tovrakel.cn/update/tovrakel.inf";

namespace {

// Holds the check back while a modal box is open: its question and wizard would come over the
// box, whose modality keeps their buttons from working until it is found and closed.
class AfterModalBoxes : public QObject {
public:
    explicit AfterModalBoxes(Updater* updater) : QObject(updater), m_updater(updater) {}

    void start() {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            m_updater->StartUpdateCheck();
            return;
        }
        if (m_box == box)
            return;  // already waiting for it
        if (m_box)
            m_box->removeEventFilter(this);
        m_box = box;
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_box && (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)) {
            m_box->removeEventFilter(this);
            m_box = nullptr;
            // Once the box has gone from the modal stack; another one may have taken its place.
            QTimer::singleShot(0, this, [this] { start(); });
        }
        return false;
    }

private:
    Updater* m_updater;
    QPointer<QWidget> m_box;
};

}  // namespace

QString infoFileUrl(const StartOptions& options) {
    if (!options.updateUrl.isEmpty())
        return options.updateUrl;
    const QString configured = ReadSettings(kMainKey).value(QStringLiteral("infofileurl")).trimmed();
    return configured.isEmpty() ? QString::fromLatin1(kDefaultInfoFileUrl) : configured;
}

QStringList restartOptions(const StartOptions& options) {
    // The folders are absolute already, so the restart opens the same ledger from anywhere.
    QStringList list;
    if (!options.workdir.isEmpty())
        list << QStringLiteral("--workdir") << options.workdir;
    if (options.english)
        list << QStringLiteral("--english");
    if (!options.receiptPdf.isEmpty())
        list << QStringLiteral("--receipt-pdf") << options.receiptPdf;
    if (!options.updateUrl.isEmpty())
        list << QStringLiteral("--update-url") << options.updateUrl;
    return list;
}

Updater* installUpdater(MainWindow& form, const StartOptions& options) {
    if (!TOVRAKEL_SELF_UPDATE)
        return nullptr;
    auto* updater = new Updater(&form, &form);
    updater->setObjectName(QStringLiteral("Updater1"));
    updater->InfoFileURL = infoFileUrl(options);
    updater->restartOptions = restartOptions(options);
    // A wizard on top of everything would cover the program's own boxes, which then block it.
    updater->wizardStayOnTop = false;
    updater->removeLeftoverUpgrader();
    // An unattended screenshot run neither reaches out to the web nor gets interrupted by an offer.
    if (options.screenshotDir.isEmpty()) {
        auto* waiting = new AfterModalBoxes(updater);
        form.hooks().updateCheck = [waiting] { waiting->start(); };
    }
    if (QAction* action = form.actions().autoUpgrade) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, updater, &Updater::StartUpdateCheck);
    }
    return updater;
}
