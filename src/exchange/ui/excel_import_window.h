#pragma once
// ExcelImportWindow: the window that appends stock records in bulk from the worksheet "lanbor" of an .xls
// workbook to a chosen database file.
#include "store/database.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class Session;

class ExcelImportWindow : public QDialog {
    Q_OBJECT
public:
    explicit ExcelImportWindow(Session& session, QWidget* parent = nullptr);

    QLineEdit* databasePath() const { return m_databasePath; }
    QLineEdit* workbookPath() const { return m_workbookPath; }
    // The window's own connection (not the data module's); open after an import until the next
    // one or until the window closes.
    const Database& connection() const { return m_db; }

    // Shows the window modally without blocking the caller.
    void showModal();

    void onChooseDatabase();  // 选择数据库
    void onChooseWorkbook();  // 打开Excel文件
    void onImport();        // the import

signals:
    // Batches were imported: views of the stock read them.
    void imported();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Session& m_session;
    void warn(const QString& text);
    QLineEdit* m_databasePath;
    QLineEdit* m_workbookPath;
    Database m_db;
};

