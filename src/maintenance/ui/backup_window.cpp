#include "maintenance/ui/backup_window.h"

#include "maintenance/backup.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "users/ui/session.h"
#include "widgets/label_tone.h"
#include "widgets/ui_services.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

namespace {

constexpr int kClientWidth = 345;
constexpr int kClientHeight = 137;
constexpr int kContentHeight = 281;
const QString kSaveValue = QStringLiteral("save");

}  // namespace

BackupWindow::BackupWindow(Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("repair"));
    setWindowTitle(QStringLiteral("数据库备份"));
    setFixedSize(kClientWidth, kClientHeight);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_scroll->setGeometry(0, 0, kClientWidth, kClientHeight);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int width = kClientWidth - m_scroll->verticalScrollBar()->sizeHint().width();
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("Content"));
    content->setFixedSize(width, kContentHeight);
    m_scroll->setWidget(content);

    auto* header = new QLabel(QStringLiteral("数据库维护备份"), content);
    header->setObjectName(QStringLiteral("Panel1"));
    header->setGeometry(0, 0, width, 36);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet(QStringLiteral("QLabel#Panel1 { background: #1c56b8; color: white; font-weight: bold;"
                                         " font-size: 15px; border-bottom: 1px solid #123f8c; }"));

    // Backup section.
    auto* backupLabel = new QLabel(QStringLiteral("备份数据的目录:"), content);
    backupLabel->setObjectName(QStringLiteral("Label2"));
    backupLabel->setGeometry(8, 44, 120, 18);
    m_default = new QLabel(QStringLiteral("默认"), content);
    m_default->setObjectName(QStringLiteral("Label4"));
    m_default->setGeometry(width - 40, 44, 32, 18);
    m_default->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_default->setCursor(Qt::PointingHandCursor);
    QFont link = m_default->font();
    link.setUnderline(true);
    m_default->setFont(link);
    setLabelTone(m_default, Qt::blue, LabelTone::Accent);
    m_default->installEventFilter(this);
    m_backupPath = new QLineEdit(defaultBackupPath(), content);
    m_backupPath->setObjectName(QStringLiteral("Edit1"));
    m_backupPath->setGeometry(8, 64, width - 16, 22);
    auto* backup = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("备份数据库"),
                                   content);
    backup->setObjectName(QStringLiteral("BitBtn1"));
    backup->setGeometry(8, 92, 100, 26);
    auto* hint = new QLabel(QStringLiteral("温馨提示：定期备份数据，维护数据安全！"), content);
    hint->setObjectName(QStringLiteral("Label3"));
    hint->setGeometry(112, 92, width - 114, 26);
    QFont small = hint->font();
    small.setPixelSize(11);
    hint->setFont(small);
    setLabelTone(hint, QColor(0x55, 0x55, 0x55), LabelTone::Muted);

    // Restore section, below the visible part.
    auto* line = new QFrame(content);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(4, 134, width - 8, 4);
    m_restoreSource = new QLineEdit(kDefaultRestoreSource, content);
    m_restoreSource->setObjectName(QStringLiteral("Edit2"));
    m_restoreSource->setGeometry(8, 146, width - 16, 22);
    auto* open = new QPushButton(QStringLiteral("打开备份文件"), content);
    open->setObjectName(QStringLiteral("Button1"));
    open->setGeometry(8, 174, 100, 26);
    auto* restore = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("恢复数据库"),
                                    content);
    restore->setObjectName(QStringLiteral("BitBtn5"));
    restore->setGeometry(114, 174, 100, 26);
    // Only the administrator of the ledger being replaced may replace it.
    m_restorePassword = new QLineEdit(content);
    m_restorePassword->setObjectName(QStringLiteral("Edit3"));
    m_restorePassword->setGeometry(220, 176, width - 228, 22);
    m_restorePassword->setEchoMode(QLineEdit::Password);
    m_restorePassword->setPlaceholderText(QStringLiteral("管理员密码"));
    m_restorePassword->setToolTip(QStringLiteral("恢复数据库需要当前数据库的管理员密码"));
    auto* warning = new QLabel(
        QStringLiteral("警告：恢复数据库功能，只有当目前使用的数据库损坏或丢失时才使用，否则旧数据库会覆盖当前的最新数据库，造成信息丢失。"),
        content);
    warning->setObjectName(QStringLiteral("Label1"));
    warning->setGeometry(8, 206, width - 16, 70);
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setLabelTone(warning, Qt::red, LabelTone::Warning);

    connect(m_backupPath, &QLineEdit::textChanged, this,
            [this](const QString& text) { runAction(this, [&] { WriteSetting(kBackupKey, kSaveValue, text); }); });
    connect(backup, &QPushButton::clicked, this, &BackupWindow::onBackup);
    connect(open, &QPushButton::clicked, this, &BackupWindow::onChooseBackupFile);
    connect(restore, &QPushButton::clicked, this, &BackupWindow::onRestore);
}

// On a server the working folder stands where data.mdb would be.
QString BackupWindow::databasePath() const {
    return m_session.hasLedger() && !onServer() ? m_session.ledger().databasePath()
                                                : QDir::current().filePath(Database::kFileName);
}

// A relative path means the working folder, the one that holds data.mdb.
QString BackupWindow::resolved(const QString& path) const {
    return QDir(QFileInfo(databasePath()).absolutePath()).filePath(path);
}

bool BackupWindow::ask(const QString& text) {
    return showMessage(this, QStringLiteral("提示"), text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::No) == QMessageBox::Yes;
}

void BackupWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    runAction(this, [this] {
        // The file is not held open while it is copied.
        if (m_session.hasLedger() && !m_session.ledger().isOnServer() && !m_connectionClosed) {
            m_session.ledger().closeConnection();
            m_connectionClosed = true;
        }
        const SettingsKey key = ReadSettings(kBackupKey);
        if (key.exists() && !key.value(kSaveValue).isEmpty())
            m_backupPath->setText(key.value(kSaveValue));
    });
}

void BackupWindow::closeEvent(QCloseEvent* event) {
    runAction(this, [this] {
        if (m_session.hasLedger() && m_connectionClosed) {
            m_connectionClosed = false;
            m_session.ledger().reopenConnection();
        }
    });
    emit closed();
    event->accept();
}

bool BackupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_default && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        onDefaultBackupPath();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BackupWindow::onDefaultBackupPath() { m_backupPath->setText(defaultBackupPath()); }

bool BackupWindow::onServer() const { return m_session.hasLedger() && m_session.ledger().isOnServer(); }

void BackupWindow::onBackup() {
    const QString target = m_backupPath->text().trimmed();
    QString failure;
    try {
        if (target.isEmpty())
            throw StoreError(QStringLiteral("请填写备份数据的路径。"));
        const BackupPlan plan = planBackup(resolved(target), databasePath());
        // Declining either question makes no copy; the user asked for that, so nothing follows.
        if (!plan.missingFolder.isEmpty() &&
            !ask(QStringLiteral("文件夹（%1）不存在，是否创建？").arg(QDir::toNativeSeparators(plan.missingFolder))))
            return;
        if (plan.replaces &&
            !ask(QStringLiteral("已存在文件（%1），是否覆盖？").arg(QDir::toNativeSeparators(plan.file))))
            return;
        // A server's ledger is written as a data.mdb, so one backup format serves both engines.
        if (onServer())
            backupLedger(m_session.database(), plan);
        else
            backupDatabase(databasePath(), plan);
    } catch (const StoreError& e) {
        failure = e.message();
    }
    if (failure.isEmpty())
        showInfo(this, QStringLiteral("数据库备份成功！"));
    else
        showInfo(this, QStringLiteral("数据库备份失败！\n\n") + failure);
}

void BackupWindow::onChooseBackupFile() {
    const QString chosen = m_session.services().openFileName(this, QString(), QString(), QString());
    if (!chosen.isEmpty())
        m_chosenSource = chosen;
    // The field shows the dialog's file name even after a cancel: the one chosen before, or none.
    m_restoreSource->setText(m_chosenSource);
}

void BackupWindow::onRestore() {
    const QString source = m_restoreSource->text().trimmed();
    if (source.isEmpty() || !QFileInfo(resolved(source)).isFile()) {
        showInfo(this, QStringLiteral("备份数据库没找到!"));
        return;
    }
    QString failure;
    QString safety;
    try {
        // Through the program's connection, so every view hears that the ledger was replaced.
        safety = m_session.hasLedger()
                     ? restoreDatabase(m_session.database(), resolved(source), m_session.now(), m_restorePassword->text())
                     : restoreDatabase(resolved(source), databasePath(), m_session.now(), m_restorePassword->text());
    } catch (const StoreError& e) {
        failure = e.message();
    }
    m_restorePassword->clear();
    if (!failure.isEmpty()) {
        showInfo(this, QStringLiteral("数据库恢复失败！\n\n") + failure);
        return;
    }
    QString text = QStringLiteral("数据库恢复成功！");
    if (!safety.isEmpty())
        text += (onServer() ? QStringLiteral("\n\n恢复前服务器上的账本已保存为：\n")
                            : QStringLiteral("\n\n恢复前的数据库已保存为：\n")) +
                QDir::toNativeSeparators(safety);
    showInfo(this, text);
}
