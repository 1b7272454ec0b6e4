#pragma once
// Texcell: the window that appends stock records in bulk from the worksheet "lanbor" of an .xls
// workbook to a chosen database file.
#include "store/database.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TMainForm;

class Texcell : public QDialog {
    Q_OBJECT
public:
    explicit Texcell(QWidget* parent = nullptr);

    QLineEdit* databasePath() const { return m_databasePath; }
    QLineEdit* workbookPath() const { return m_workbookPath; }
    // The window's own connection (not the data module's); open after an import until the next
    // one or until the window closes.
    const Database& connection() const { return m_db; }

    // Shows the window modally without blocking the caller.
    void showModal();

    void SpeedButton1Click();  // 选择数据库
    void SpeedButton2Click();  // 打开Excel文件
    void Image1Click();        // the import

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void warn(const QString& text);
    QLineEdit* m_databasePath;
    QLineEdit* m_workbookPath;
    Database m_db;
};

// Creates the import window owned by the main window and enables the menu item "Excel导入".
Texcell* installExcelImport(TMainForm& form);
