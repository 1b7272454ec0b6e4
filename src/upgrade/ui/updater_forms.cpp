#include "upgrade/ui/updater_forms.h"

#include "widgets/label_tone.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kQuestionWidth = 318;
constexpr int kBottomPanel = 45;

QLabel* iconLabel(QWidget* parent, QStyle::StandardPixmap kind) {
    auto* icon = new QLabel(parent);
    icon->setPixmap(parent->style()->standardIcon(kind).pixmap(32, 32));
    icon->setGeometry(12, 14, 32, 32);
    return icon;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// Text at the left, the bottom panel below it: the height follows the text.
int fitTextHeight(QLabel* label, int width) {
    label->setWordWrap(true);
    const int height = qMax(label->heightForWidth(width), label->fontMetrics().height());
    label->setGeometry(56, 14, width, height);
    return qMax(height + 28, 60);
}

void fixDialog(QDialog* dialog, const QString& caption) {
    dialog->setWindowTitle(caption);
    // Modal over their owner, but never kept on top: a box that blocks them must stay reachable.
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setModal(true);
}

// The wizard's own picture: a blue panel with a download arrow over a disc.
QPixmap wizardPicture(const QSize& size) {
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(23, 70, 140));
    sky.setColorAt(1, QColor(120, 175, 230));
    p.fillRect(pixmap.rect(), sky);
    const QPointF centre(size.width() / 2.0, size.height() * 0.42);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawEllipse(centre, 58, 58);
    p.setBrush(QColor(255, 255, 255, 230));
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-14, -40));
    arrow.lineTo(centre + QPointF(14, -40));
    arrow.lineTo(centre + QPointF(14, 2));
    arrow.lineTo(centre + QPointF(34, 2));
    arrow.lineTo(centre + QPointF(0, 38));
    arrow.lineTo(centre + QPointF(-34, 2));
    arrow.lineTo(centre + QPointF(-14, 2));
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.drawRoundedRect(QRectF(centre.x() - 44, centre.y() + 46, 88, 10), 3, 3);
    return pixmap;
}

}  // namespace

UpdateQuestionDialog::UpdateQuestionDialog(QWidget* parent, const QString& text, UpdaterLanguage language)
    : QDialog(parent) {
    setObjectName(QStringLiteral("UpdateQuestionDialog"));
    fixDialog(this, updaterText(UpdaterText::Caption, language));
    iconLabel(this, QStyle::SP_MessageBoxInformation);
    m_label = new QLabel(text, this);
    m_label->setObjectName(QStringLiteral("Label1"));
    const int textHeight = fitTextHeight(m_label, kQuestionWidth - 56 - 14);

    auto* panel = new QFrame(this);
    panel->setGeometry(0, textHeight, kQuestionWidth, kBottomPanel);
    auto* yes = button(panel, QStringLiteral("YesBtn"), updaterText(UpdaterText::YesButton, language));
    auto* later = button(panel, QStringLiteral("LaterBtn"), updaterText(UpdaterText::LaterButton, language));
    yes->setGeometry(62, 10, 90, 25);
    later->setGeometry(166, 10, 90, 25);
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(kQuestionWidth, textHeight + kBottomPanel);
}

UpdatePasswordDialog::UpdatePasswordDialog(QWidget* parent, const QString& fileName, const QString& username,
                                           UpdaterLanguage language)
    : QDialog(parent) {
    setObjectName(QStringLiteral("UpdatePasswordDialog"));
    fixDialog(this, updaterText(UpdaterText::PasswordCaption, language));
    constexpr int width = 360;
    iconLabel(this, QStyle::SP_MessageBoxWarning);
    auto* label = new QLabel(
        QString::asprintf(updaterText(UpdaterText::PasswordRequest, language).toUtf8().constData(),
                          fileName.toUtf8().constData()),
        this);
    label->setObjectName(QStringLiteral("Label1"));
    const int textHeight = fitTextHeight(label, width - 56 - 14);

    auto* panel = new QFrame(this);
    panel->setGeometry(0, textHeight, width, 100);
    auto* userLab = new QLabel(updaterText(UpdaterText::UserName, language), panel);
    userLab->setObjectName(QStringLiteral("UsernameLab"));
    userLab->setGeometry(20, 6, 70, 22);
    m_username = new QLineEdit(username, panel);
    m_username->setObjectName(QStringLiteral("UsernameEdit"));
    m_username->setGeometry(96, 6, 240, 22);
    auto* passLab = new QLabel(updaterText(UpdaterText::Password, language), panel);
    passLab->setObjectName(QStringLiteral("PasswordLab"));
    passLab->setGeometry(20, 34, 70, 22);
    m_password = new QLineEdit(panel);
    m_password->setObjectName(QStringLiteral("PasswordEdit"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setGeometry(96, 34, 240, 22);
    userLab->setBuddy(m_username);
    passLab->setBuddy(m_password);
    auto* ok = button(panel, QStringLiteral("OKBtn"), updaterText(UpdaterText::OkButton, language));
    auto* cancel = button(panel, QStringLiteral("CancelBtn"), updaterText(UpdaterText::CancelButton, language));
    ok->setGeometry(150, 66, 90, 25);
    cancel->setGeometry(246, 66, 90, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(width, textHeight + 100);
    (username.isEmpty() ? m_username : m_password)->setFocus();
}

QString UpdatePasswordDialog::username() const { return m_username->text(); }
QString UpdatePasswordDialog::password() const { return m_password->text(); }

UpdateWizardDialog::UpdateWizardDialog(QWidget* parent, UpdaterLanguage language, bool stayOnTop)
    : QDialog(parent), m_language(language) {
    setObjectName(QStringLiteral("UpdateWizardDialog"));
    setWindowTitle(updaterText(UpdaterText::Caption, language));
    Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint;
    if (stayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setFixedSize(570, 346);

    auto* picturePanel = new QFrame(this);
    picturePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picturePanel->setGeometry(8, 8, 164, 290);
    auto* picture = new QLabel(picturePanel);
    picture->setObjectName(QStringLiteral("Picture"));
    picture->setGeometry(2, 2, 160, 286);
    picture->setPixmap(wizardPicture(picture->size()));

    auto* shadow = new QLabel(QStringLiteral(" Updater "), this);
    shadow->setObjectName(QStringLiteral("AboutShadow"));
    setLabelTone(shadow, QColor(0xa0, 0xa0, 0xa0), LabelTone::Muted);
    shadow->setGeometry(13, 320, 120, 18);
    auto* about = new QLabel(QStringLiteral(" Updater "), this);
    about->setObjectName(QStringLiteral("AboutLabel"));
    about->setGeometry(12, 319, 120, 18);
    QFont aboutFont = about->font();
    aboutFont.setBold(true);
    about->setFont(aboutFont);
    shadow->setFont(aboutFont);

    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(8, 304, 554, 4);

    m_title = new QLabel(updaterText(UpdaterText::TitleDownloading, language), this);
    m_title->setObjectName(QStringLiteral("WizardTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setGeometry(184, 8, 378, 34);

    auto groupCaption = [&](int entry) { return QLatin1Char(' ') + updaterText(entry, language) + QLatin1Char(' '); };
    m_currentGroup = new QGroupBox(groupCaption(UpdaterText::CurrentFileGroup), this);
    m_currentGroup->setObjectName(QStringLiteral("LCurrentFile"));
    m_currentGroup->setGeometry(184, 48, 378, 158);
    auto* from = new QLabel(updaterText(UpdaterText::DownloadingFrom, language), m_currentGroup);
    from->setObjectName(QStringLiteral("LDownloadingFileFrom"));
    from->setGeometry(12, 22, 354, 18);
    m_fileUrl = new QLineEdit(m_currentGroup);
    m_fileUrl->setObjectName(QStringLiteral("FileURL"));
    m_fileUrl->setFrame(false);
    m_fileUrl->setReadOnly(true);
    m_fileUrl->setFocusPolicy(Qt::NoFocus);
    m_fileUrl->setStyleSheet(QStringLiteral("background: transparent;"));
    m_fileUrl->setGeometry(12, 42, 354, 20);
    m_fileSize = new QLabel(m_currentGroup);
    m_fileSize->setObjectName(QStringLiteral("FileSizeLab"));
    m_fileSize->setGeometry(12, 66, 354, 18);
    m_rate = new QLabel(m_currentGroup);
    m_rate->setObjectName(QStringLiteral("TransferRateLab"));
    m_rate->setGeometry(12, 86, 354, 18);
    m_timeLeft = new QLabel(updaterText(UpdaterText::Preparing, language), m_currentGroup);
    m_timeLeft->setObjectName(QStringLiteral("EstimatedTimeLeftLab"));
    m_timeLeft->setGeometry(12, 106, 354, 18);
    m_currentBar = new QProgressBar(m_currentGroup);
    m_currentBar->setObjectName(QStringLiteral("ProgressCurrentFile"));
    m_currentBar->setRange(0, 100);
    m_currentBar->setValue(0);
    m_currentBar->setGeometry(12, 130, 354, 18);

    m_allGroup = new QGroupBox(groupCaption(UpdaterText::AllFilesGroup), this);
    m_allGroup->setObjectName(QStringLiteral("LAllFiles"));
    m_allGroup->setGeometry(184, 214, 378, 80);
    m_allDownloading = new QLabel(m_allGroup);
    m_allDownloading->setObjectName(QStringLiteral("AllDownloading"));
    m_allDownloading->setGeometry(12, 22, 354, 18);
    m_allBar = new QProgressBar(m_allGroup);
    m_allBar->setObjectName(QStringLiteral("ProgressAllFiles"));
    m_allBar->setRange(0, 100);
    m_allBar->setValue(0);
    m_allBar->setGeometry(12, 48, 354, 18);

    m_afterNote = new QLabel(this);
    m_afterNote->setObjectName(QStringLiteral("AfterNote"));
    m_afterNote->setWordWrap(true);
    m_afterNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_afterNote->setGeometry(184, 64, 378, 200);
    m_afterNote->hide();

    m_finishBtn = button(this, QStringLiteral("FinishBtn"), updaterText(UpdaterText::NextButton, language));
    m_finishBtn->setGeometry(370, 314, 92, 25);
    m_finishBtn->setEnabled(false);
    m_cancelBtn = button(this, QStringLiteral("CancelBtn"), updaterText(UpdaterText::CancelButton, language));
    m_cancelBtn->setGeometry(470, 314, 92, 25);
    m_cancelBtn->setDefault(true);
    connect(m_cancelBtn, &QPushButton::clicked, this, &UpdateWizardDialog::cancelRequested);
    connect(m_finishBtn, &QPushButton::clicked, this, &UpdateWizardDialog::finishRequested);
}

void UpdateWizardDialog::startFile(const QString& address, int number, int count) {
    m_fileUrl->setText(address);
    m_fileUrl->setCursorPosition(0);
    m_fileSize->clear();
    m_rate->clear();
    m_timeLeft->setText(updaterText(UpdaterText::Preparing, m_language));
    m_currentBar->setValue(0);
    m_allDownloading->setText(fileOfFilesText(number, count, m_language));
}

void UpdateWizardDialog::showFileSize(qint64 contentLength) {
    m_fileSize->setText(fileSizeText(contentLength, m_language));
}

void UpdateWizardDialog::showProgress(const DownloadProgress& progress) {
    m_currentBar->setValue(progress.percent);
    m_allBar->setValue(progress.overall);
    m_rate->setText(progress.rateText(m_language));
    m_timeLeft->setText(progress.timeLeftText(m_language));
}

void UpdateWizardDialog::showFinished(const QString& note) {
    m_finished = true;
    m_title->setText(updaterText(UpdaterText::TitleFinished, m_language));
    m_afterNote->setText(note);
    m_afterNote->show();
    m_currentGroup->hide();
    m_allGroup->hide();
    m_cancelBtn->setEnabled(false);
    m_cancelBtn->setDefault(false);
    m_finishBtn->setText(updaterText(UpdaterText::OkButton, m_language));
    m_finishBtn->setEnabled(true);
    m_finishBtn->setDefault(true);
    m_finishBtn->setFocus();
}

void UpdateWizardDialog::closeWithoutAsking() {
    m_closing = true;
    close();
}

void UpdateWizardDialog::reject() {
    if (m_closing)
        QDialog::reject();
    else
        emit cancelRequested();
}

void UpdateWizardDialog::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    emit cancelRequested();
}
