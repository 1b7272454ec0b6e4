#pragma once
// The three windows of the update component: the question before downloading, the progress
// wizard and the login for protected downloads. They only show and report; Updater decides.
#include "upgrade/download_progress.h"
#include "upgrade/update_texts.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// UpdateQuestionDialog: asks whether to upgrade now; accepted is yes, rejected is later.
class UpdateQuestionDialog : public QDialog {
    Q_OBJECT
public:
    UpdateQuestionDialog(QWidget* parent, const QString& text, UpdaterLanguage language);
    QLabel* label() const { return m_label; }

private:
    QLabel* m_label;
};

// UpdatePasswordDialog: the user name and password for a protected file.
class UpdatePasswordDialog : public QDialog {
    Q_OBJECT
public:
    UpdatePasswordDialog(QWidget* parent, const QString& fileName, const QString& username,
                         UpdaterLanguage language);
    QString username() const;
    QString password() const;

private:
    QLineEdit* m_username;
    QLineEdit* m_password;
};

// UpdateWizardDialog: progress of the downloads, then the note that the upgrade is complete.
// Closing it (Cancel, Esc, the window's close button) only asks Updater, which confirms first.
class UpdateWizardDialog : public QDialog {
    Q_OBJECT
public:
    UpdateWizardDialog(QWidget* parent, UpdaterLanguage language, bool stayOnTop);

    void startFile(const QString& address, int number, int count);
    void showFileSize(qint64 contentLength);
    void showProgress(const DownloadProgress& progress);
    void showFinished(const QString& note);
    bool finished() const { return m_finished; }
    // Closes for good, without asking.
    void closeWithoutAsking();

    void reject() override;

signals:
    void cancelRequested();
    void finishRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    UpdaterLanguage m_language;
    QLabel* m_title;
    QGroupBox* m_currentGroup;
    QGroupBox* m_allGroup;
    QLineEdit* m_fileUrl;
    QLabel* m_fileSize;
    QLabel* m_rate;
    QLabel* m_timeLeft;
    QProgressBar* m_currentBar;
    QLabel* m_allDownloading;
    QProgressBar* m_allBar;
    QLabel* m_afterNote;
    QPushButton* m_finishBtn;
    QPushButton* m_cancelBtn;
    bool m_finished = false;
    bool m_closing = false;
};
