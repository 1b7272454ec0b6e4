#pragma once
// Updater: the update component of the main window. A check fetches the info file; a newer
// release is offered, its files are downloaded next to the program as NAME.uTMP while the wizard
// shows the progress, and the upgrader is started to put them in place and restart the program.
#include "upgrade/http_transfer.h"
#include "upgrade/update_info.h"
#include "upgrade/update_texts.h"
#include "upgrade/ui/updater_forms.h"

#include <QPointer>
#include <QStringList>
#include <functional>


class Updater : public HttpTransfer {
    Q_OBJECT
public:
    enum class State { Idle, Checking, Asking, Downloading, Finished };
    Q_ENUM(State)

    // Notification hooks; the program leaves them empty except the last, which tests replace.
    struct Hooks {
        std::function<void()> OnBeginUpgrade, OnLaterUpgrade, OnNoUpdateAvailable, OnNoInfoFile,
            OnHostUnreachable, OnConnLost, OnLostFile, OnPasswordRequest, OnFileStart, OnProgress,
            OnFileDone, OnEndUpgrade, OnAborted;
        // Ends the program once the upgrader runs; without it the main window is closed and the
        // application quits.
        std::function<void()> OnDoOwnCloseAppMethod;
    };

    explicit Updater(QWidget* window, QObject* parent = nullptr);
    ~Updater() override;

    // Settings.
    QString InfoFileURL;
    VersionControl versionControl = VersionControl::byDate;
    QString VersionDate = QStringLiteral("11/25/2013");
    QString VersionNumber = QStringLiteral(TOVRAKEL_VERSION);
    QString RestartParams = QStringLiteral("/afterupgrade");
    // The program's own options, given again to the restarted program.
    QStringList restartOptions;
    bool wizardEnabled = true;
    bool wizardStayOnTop = true;
    UpdaterLanguage language = UpdaterLanguage::wlAuto;
    QString applicationTitle = QStringLiteral("Tovrakel");
    // The program that is replaced and restarted; its folder receives the downloads.
    QString programPath;
    // Where the upgrader's bytes come from and the folders it may be written to, in order.
    QString upgraderSource = QStringLiteral(":/upgrade/upgrader");
    QStringList upgraderFolders;
    Hooks hooks;

    // Starts a check; does nothing while an earlier one has not ended.
    void StartUpdateCheck();
    // Stops whatever runs and closes the windows; the program goes on.
    void AbortUpgrade();
    // Removes upgraders left in the temporary folder by an earlier upgrade.
    void removeLeftoverUpgrader();
    // Removes NAME.uTMP files left in the program's folder by an upgrade that did not finish:
    // the upgrader would otherwise put them in place with the next, unrelated release.
    void removeLeftoverDownloads();

    State state() const { return m_state; }
    bool isRunning() const { return m_state != State::Idle; }
    bool aborted() const { return m_aborted; }
    QStringList files() const { return m_files; }
    int currentIndex() const { return m_index; }
    int method() const { return m_method; }
    QString programFolder() const;
    // The program's folder + the address's last segment + ".uTMP".
    QString downloadTarget(const QString& address) const;
    QString text(int entry) const { return updaterText(entry, language); }

    UpdateQuestionDialog* questionForm() const { return m_question; }
    UpdateWizardDialog* wizardForm() const { return m_wizard; }
    UpdatePasswordDialog* passwordForm() const { return m_password; }

private:
    enum class Mode { Info, File };

    void onFinished(Outcome outcome);
    void onHeader();
    void onProgress();
    void evaluateInfo();
    void askQuestion(const QString& message);
    void startDownload();
    void downloadCurrent();
    void nextFile();
    void lostFile();
    void askPassword();
    void connectionLost();
    void targetFailed(const QString& name, const QString& why);
    void lengthUnknown();
    void allDone();
    void confirmCancel();
    void restart();
    void stop();
    void closeWindows();
    QWidget* boxParent() const;
    void call(const std::function<void()>& hook) const {
        if (hook)
            hook();
    }

    QPointer<QWidget> m_window;
    State m_state = State::Idle;
    Mode m_mode = Mode::Info;
    QStringList m_files;
    int m_index = 0;
    int m_method = 0;
    bool m_aborted = false;
    QPointer<UpdateQuestionDialog> m_question;
    QPointer<UpdateWizardDialog> m_wizard;
    QPointer<UpdatePasswordDialog> m_password;
};
