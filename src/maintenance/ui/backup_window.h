#pragma once
// BackupWindow: the backup window, which copies data.mdb to a chosen path and restores it from a
// backup, with the database connection closed while it is open. A ledger on a server is written to
// and put back from a data.mdb over the open connection.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

class Session;

class BackupWindow : public QWidget {
    Q_OBJECT
public:
    explicit BackupWindow(Session& session, QWidget* parent = nullptr);

    QLineEdit* backupPath() const { return m_backupPath; }
    QLineEdit* restoreSource() const { return m_restoreSource; }
    QLineEdit* restorePassword() const { return m_restorePassword; }
    QScrollArea* scrollArea() const { return m_scroll; }

    void onDefaultBackupPath();   // 默认
    void onBackup();  // 备份数据库
    void onChooseBackupFile();  // 打开备份文件
    void onRestore();  // 恢复数据库

signals:
    // The window closed: the main window comes back and reads the ledger afresh.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Session& m_session;
    QString databasePath() const;
    // A ledger on a server is backed up as a data.mdb and put back from one.
    bool onServer() const;
    QString resolved(const QString& path) const;
    bool ask(const QString& text);

    QScrollArea* m_scroll;
    QLineEdit* m_backupPath;
    QLineEdit* m_restoreSource;
    QLineEdit* m_restorePassword;  // the administrator's password of the ledger being replaced
    QLabel* m_default;
    QString m_chosenSource;  // what the file dialog chose last in this window
    bool m_connectionClosed = false;
};

