#include "exchange/ui/excel_import_window.h"

#include "exchange/workbook_import.h"
#include "store/store_error.h"
#include "text/product_info.h"
#include "users/ui/session.h"
#include "widgets/label_tone.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

QToolButton* flatButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

ExcelImportWindow::ExcelImportWindow(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("excell"));
    setWindowTitle(QStringLiteral("Excel导入数据库"));
    setFixedSize(414, 161);

    auto* warning = new QLabel(QStringLiteral("警告：导入前请您务必先备份数据库"), this);
    warning->setObjectName(QStringLiteral("Label3"));
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    setLabelTone(warning, Qt::red, LabelTone::Warning);
    warning->setAlignment(Qt::AlignCenter);
    warning->setGeometry(8, 8, 398, 20);

    auto* workbookLabel = new QLabel(QStringLiteral("Execl路径："), this);
    workbookLabel->setObjectName(QStringLiteral("Label2"));
    workbookLabel->setGeometry(8, 38, 80, 22);
    m_workbookPath = new QLineEdit(this);
    m_workbookPath->setObjectName(QStringLiteral("Edit2"));
    m_workbookPath->setGeometry(90, 38, 222, 22);
    QToolButton* openWorkbook = flatButton(QStringLiteral("SpeedButton2"), QStringLiteral("打开Excel文件"), this);
    openWorkbook->setGeometry(316, 38, 92, 22);

    auto* databaseLabel = new QLabel(QStringLiteral("数据库路径："), this);
    databaseLabel->setObjectName(QStringLiteral("Label1"));
    databaseLabel->setGeometry(8, 68, 80, 22);
    m_databasePath = new QLineEdit(this);
    m_databasePath->setObjectName(QStringLiteral("Edit1"));
    m_databasePath->setGeometry(90, 68, 222, 22);
    QToolButton* chooseDatabase = flatButton(QStringLiteral("SpeedButton1"), QStringLiteral("选择数据库"), this);
    chooseDatabase->setGeometry(316, 68, 92, 22);

    auto* start = new QPushButton(QStringLiteral("Excel自动导入"), this);
    start->setObjectName(QStringLiteral("Image1"));
    start->setGeometry(122, 102, 170, 46);
    start->setCursor(Qt::PointingHandCursor);
    start->setStyleSheet(QStringLiteral(
        "QPushButton#Image1 { color: white; font-weight: bold; font-size: 15px; border: 1px solid #123f8c;"
        " border-radius: 6px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f8fe8, stop:1 #1c56b8); }"
        "QPushButton#Image1:pressed { background: #1c56b8; }"));

    setTabOrder(m_databasePath, m_workbookPath);
    setTabOrder(m_workbookPath, start);

    connect(chooseDatabase, &QToolButton::clicked, this, &ExcelImportWindow::onChooseDatabase);
    connect(openWorkbook, &QToolButton::clicked, this, &ExcelImportWindow::onChooseWorkbook);
    connect(start, &QPushButton::clicked, this, &ExcelImportWindow::onImport);
}

void ExcelImportWindow::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void ExcelImportWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The usual target is the program's own database; the user may choose another one.
    if (m_databasePath->text().trimmed().isEmpty() && m_session.hasLedger())
        m_databasePath->setText(m_session.ledger().address());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ExcelImportWindow::closeEvent(QCloseEvent* event) {
    m_db.close();
    QDialog::closeEvent(event);
}

void ExcelImportWindow::onChooseDatabase() {
    const QString path = m_session.services().openFileName(this, QStringLiteral("请选择相应的MDB文件"), QString(),
                                           QStringLiteral("access (*.mdb)"));
    if (!path.isEmpty())
        m_databasePath->setText(path);
}

void ExcelImportWindow::onChooseWorkbook() {
    const QString path = m_session.services().openFileName(this, QStringLiteral("请选择相应的Excel文件"), QString(),
                                           QStringLiteral("Excel(*.xls *.xlsx *.ods)"));
    if (!path.isEmpty())
        m_workbookPath->setText(path);
}

void ExcelImportWindow::warn(const QString& text) {
    showMessage(this, QStringLiteral("警告"), text, QMessageBox::Warning, QMessageBox::Ok);
}

void ExcelImportWindow::onImport() {
    const QString database = m_databasePath->text().trimmed();
    const QString workbook = m_workbookPath->text().trimmed();
    if (database.isEmpty() || workbook.isEmpty()) {
        warn(QStringLiteral("请正确选择相关路径！"));
        return;
    }
    m_db.close();
    try {
        // The open ledger, wherever it is, is imported into as the program opened it.
        if (m_session.hasLedger() && database == m_session.ledger().address())
            m_session.ledger().openAnother(m_db);
        else
            m_db.open(database);
    } catch (const StoreError& e) {
        warn(QStringLiteral("连接ACCESS失败！请联系技术客服QQ:") + kSupportQQ + QStringLiteral("\n\n") + e.message());
        return;
    }
    int count = 0;
    try {
        // The workbook is read whole before the one transaction that appends every row.
        count = importStockWorkbook(m_db, workbook);
    } catch (const StoreError& e) {
        warn(QStringLiteral("批量EXCEL导入失败！请联系技术客服QQ:") + kSupportQQ + QStringLiteral("\n\n") + e.message());
        return;
    }
    Q_UNUSED(count);
    warn(QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看"));
    emit imported();
}
