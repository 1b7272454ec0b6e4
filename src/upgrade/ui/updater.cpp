#include "upgrade/ui/updater.h"

#include "upgrade/download_progress.h"
#include "upgrade/ui/updater_forms.h"
#include "upgrade/upgrader_launch.h"
#include "widgets/ui_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace {

QString format(const QString& pattern, const QString& a) {
    return QString::asprintf(pattern.toUtf8().constData(), a.toUtf8().constData());
}

QString format(const QString& pattern, const QString& a, const QString& b) {
    return QString::asprintf(pattern.toUtf8().constData(), a.toUtf8().constData(), b.toUtf8().constData());
}

bool usableName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace

Updater::Updater(QWidget* window, QObject* parent)
    : HttpTransfer(parent), m_window(window) {
    programPath = QCoreApplication::applicationFilePath();
    upgraderFolders << QDir::tempPath();
    connect(this, &HttpTransfer::transferFinished, this, &Updater::onFinished);
    connect(this, &HttpTransfer::transferHeader, this, &Updater::onHeader);
    connect(this, &HttpTransfer::transferProgress, this, &Updater::onProgress);
}

Updater::~Updater() {
    abortTransfer();
    closeWindows();
}

QString Updater::programFolder() const { return QFileInfo(programPath).absolutePath(); }

QString Updater::downloadTarget(const QString& address) const {
    return QDir(programFolder()).filePath(lastSegment(address) + QStringLiteral(".uTMP"));
}

QWidget* Updater::boxParent() const {
    if (m_wizard)
        return m_wizard;
    return m_window;
}

void Updater::removeLeftoverUpgrader() {
    removeLeftoverUpgraders(upgraderFolders + QStringList{programFolder()});
}

void Updater::removeLeftoverDownloads() {
    QDir folder(programFolder());
    const QStringList names = folder.entryList({QStringLiteral("*.uTMP")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        folder.remove(name);
}

void Updater::StartUpdateCheck() {
    // One upgrade at a time, from the check until the last window has closed.
    if (isRunning() || isBusy())
        return;
    m_aborted = false;
    m_mode = Mode::Info;
    m_files.clear();
    m_index = 0;
    m_method = 0;
    if (startTransfer(InfoFileURL))
        m_state = State::Checking;
}

void Updater::stop() {
    abortTransfer();
    closeWindows();
    m_state = State::Idle;
}

void Updater::AbortUpgrade() {
    m_aborted = true;
    stop();
    call(hooks.OnAborted);
}

void Updater::closeWindows() {
    if (m_question) {
        m_question->hide();
        m_question->deleteLater();
    }
    if (m_password) {
        m_password->hide();
        m_password->deleteLater();
    }
    if (m_wizard) {
        m_wizard->closeWithoutAsking();
        m_wizard->deleteLater();
    }
    m_question = nullptr;
    m_password = nullptr;
    m_wizard = nullptr;
}

void Updater::onFinished(Outcome outcome) {
    if (m_state == State::Idle)
        return;
    switch (outcome) {
    case Outcome::Success:
        if (m_mode == Mode::Info) {
            evaluateInfo();
        } else {
            call(hooks.OnFileDone);
            nextFile();
        }
        return;
    case Outcome::HostUnreachable:
        call(hooks.OnHostUnreachable);
        // Quiet for the check; a download the user is watching says why it stopped.
        if (m_mode == Mode::File)
            connectionLost();
        else
            stop();
        return;
    case Outcome::HttpError:
        if (m_mode == Mode::Info) {
            call(hooks.OnNoInfoFile);
            stop();
        } else {
            lostFile();
        }
        return;
    case Outcome::PasswordRequired:
        askPassword();
        return;
    case Outcome::ConnectionLost:
        connectionLost();
        return;
    case Outcome::TargetFailed:
        targetFailed(QFileInfo(targetPath()).fileName(),
                     targetError().isEmpty() ? targetPath() : targetPath() + QStringLiteral(": ") + targetError());
        return;
    case Outcome::TooLarge:
        // No info file of ours is that long: as quiet as a missing one.
        call(hooks.OnNoInfoFile);
        stop();
        return;
    case Outcome::LengthUnknown:
        lengthUnknown();
        return;
    }
}

void Updater::evaluateInfo() {
    const UpdateInfo info(body());
    m_files = info.fileList();
    if (m_files.isEmpty() || !info.isNewerThan(versionControl, VersionDate, VersionNumber, today())) {
        call(hooks.OnNoUpdateAvailable);
        stop();
        return;
    }
    m_method = info.method();
    call(hooks.OnBeginUpgrade);
    // Info files are written on Windows as often as not.
    QString message = info.message();
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    askQuestion(message.isEmpty() ? QString() : QLatin1Char('\n') + message + QLatin1Char('\n'));
}

void Updater::askQuestion(const QString& message) {
    m_state = State::Asking;
    m_question = new UpdateQuestionDialog(m_window, format(text(UpdaterText::Question), applicationTitle, message),
                                          language);
    connect(m_question, &QDialog::finished, this, [this](int result) {
        if (m_state != State::Asking)
            return;
        if (m_question)
            m_question->deleteLater();
        m_question = nullptr;
        if (result != QDialog::Accepted) {
            call(hooks.OnLaterUpgrade);
            stop();
        } else if (m_method == 2) {
            // The release is fetched in the browser instead.
            ui().openUrl(withScheme(m_files.first()));
            stop();
        } else {
            startDownload();
        }
    });
    m_question->open();
}

void Updater::startDownload() {
    m_state = State::Downloading;
    m_mode = Mode::File;
    m_index = 0;
    removeLeftoverDownloads();
    if (wizardEnabled) {
        m_wizard = new UpdateWizardDialog(m_window, language, wizardStayOnTop);
        connect(m_wizard, &UpdateWizardDialog::cancelRequested, this, &Updater::confirmCancel);
        connect(m_wizard, &UpdateWizardDialog::finishRequested, this, [this] {
            if (m_state != State::Finished)
                return;
            closeWindows();
            restart();
        });
        m_wizard->show();
    }
    downloadCurrent();
}

void Updater::downloadCurrent() {
    if (m_index >= m_files.size()) {
        allDone();
        return;
    }
    const QString address = m_files.at(m_index);
    if (m_wizard)
        m_wizard->startFile(address, m_index + 1, int(m_files.size()));
    if (!usableName(lastSegment(address))) {
        // An address that ends in "/" names no file we could write.
        targetFailed(lastSegment(address), address);
        return;
    }
    startTransfer(address, downloadTarget(address));
}

void Updater::nextFile() {
    ++m_index;
    downloadCurrent();
}

void Updater::onHeader() {
    if (m_wizard)
        m_wizard->showFileSize(contentLength());
    call(hooks.OnFileStart);
}

void Updater::onProgress() {
    if (m_mode != Mode::File)
        return;
    if (m_wizard)
        m_wizard->showProgress(DownloadProgress::compute(received(), contentLength(), m_index,
                                                         int(m_files.size()), elapsedSeconds()));
    call(hooks.OnProgress);
}

void Updater::lostFile() {
    call(hooks.OnLostFile);
    const QString address = m_files.value(m_index);
    const auto answer =
        showMessage(boxParent(), text(UpdaterText::LostFileCaption) + QStringLiteral(" #") + QString::number(status()),
                    format(text(UpdaterText::LostFile), lastSegment(address)), QMessageBox::Warning,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (m_state != State::Downloading)
        return;
    if (answer == QMessageBox::Yes)
        nextFile();
    else
        AbortUpgrade();
}

void Updater::askPassword() {
    call(hooks.OnPasswordRequest);
    const QString address = m_mode == Mode::Info ? InfoFileURL : m_files.value(m_index);
    const QString server = host();
    m_password = new UpdatePasswordDialog(boxParent(), lastSegment(address), HTTPUsername(), language);
    connect(m_password, &QDialog::finished, this, [this, address, server](int result) {
        if (!m_password)
            return;
        const QString user = m_password->username();
        const QString pass = m_password->password();
        m_password->deleteLater();
        m_password = nullptr;
        if (result != QDialog::Accepted) {
            AbortUpgrade();
            return;
        }
        setLogin(user, pass, server);
        startTransfer(address, m_mode == Mode::Info ? QString() : downloadTarget(address));
    });
    m_password->open();
}

void Updater::connectionLost() {
    call(hooks.OnConnLost);
    showMessage(boxParent(), text(UpdaterText::Caption), text(UpdaterText::ConnectionLost), QMessageBox::Critical);
    stop();
}

// The folder would not take the file: say so and end the upgrade; the program goes on.
void Updater::targetFailed(const QString& name, const QString& why) {
    showMessage(boxParent(), text(UpdaterText::Caption), format(text(UpdaterText::TargetFailed), name, why),
                QMessageBox::Critical);
    stop();
}

// The file may be cut short; it was removed, and the upgrade ends with the reason.
void Updater::lengthUnknown() {
    showMessage(boxParent(), text(UpdaterText::Caption),
                format(text(UpdaterText::LengthUnknown), lastSegment(m_files.value(m_index))), QMessageBox::Critical);
    stop();
}

void Updater::allDone() {
    call(hooks.OnEndUpgrade);
    if (!m_wizard) {
        restart();
        return;
    }
    m_state = State::Finished;
    m_wizard->showFinished(format(text(UpdaterText::AfterNote), applicationTitle));
}

void Updater::confirmCancel() {
    const auto answer = showMessage(boxParent(), applicationTitle, text(UpdaterText::AbortQuestion),
                                    QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes && m_state != State::Idle)
        AbortUpgrade();
}

void Updater::restart() {
    closeWindows();
    m_state = State::Idle;
    // Without the upgrader nobody would put the files in place or start us again: then the
    // program keeps running and says so.
    const UpgraderFile upgrader = writeUpgrader(upgraderSource, upgraderFolders + QStringList{programFolder()});
    QString failure = upgrader.error;
    if (upgrader.ok() && !ui().startProgram(upgrader.path, upgraderArguments(programPath, RestartParams, m_method, restartOptions)))
        failure = upgrader.path;
    if (!failure.isEmpty()) {
        showMessage(m_window, text(UpdaterText::Caption), format(text(UpdaterText::UpgraderFailed), failure),
                    QMessageBox::Critical);
        return;
    }
    if (hooks.OnDoOwnCloseAppMethod) {
        hooks.OnDoOwnCloseAppMethod();
        return;
    }
    if (m_window)
        m_window->window()->close();
    QCoreApplication::quit();
}
