#include "sales/ui/receipt_printer_settings_window.h"

#include "sales/ui/receipt_dispatch.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString yesNo(bool on) { return on ? QStringLiteral("yes") : QStringLiteral("no"); }

}  // namespace

ReceiptPrinterSettingsWindow::ReceiptPrinterSettingsWindow(UiServices& services, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_services(services) {
    setWindowTitle(QStringLiteral("小票打印机"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* kindGroup = new QGroupBox(QStringLiteral("打印方式"), this);
    m_system = new QRadioButton(QStringLiteral("系统打印机（由打印机驱动程序打印）"), kindGroup);
    m_system->setObjectName(QStringLiteral("ReceiptSystemPrinter"));
    m_escPos = new QRadioButton(QStringLiteral("ESC/POS 小票打印机（直接发送，中文用 GB18030）"), kindGroup);
    m_escPos->setObjectName(QStringLiteral("ReceiptEscPos"));
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(m_system);
    kinds->addButton(m_escPos);
    auto* kindLayout = new QVBoxLayout(kindGroup);
    kindLayout->addWidget(m_system);
    kindLayout->addWidget(m_escPos);

    m_escPosGroup = new QGroupBox(QStringLiteral("ESC/POS 小票打印机"), this);
    m_connection = new QLineEdit(m_escPosGroup);
    m_connection->setObjectName(QStringLiteral("ReceiptConnection"));
    m_connection->setPlaceholderText(QStringLiteral("/dev/usb/lp0"));
    m_connection->setMinimumWidth(260);
    auto* connectionHint = new QLabel(QStringLiteral("USB：/dev/usb/lp0　　网络：192.168.1.100:9100\n"
                                                     "CUPS 原始队列：cups:队列名"),
                                      m_escPosGroup);
    m_paper = new QComboBox(m_escPosGroup);
    m_paper->setObjectName(QStringLiteral("ReceiptPaper"));
    for (int mm : {58, 80})
        m_paper->addItem(QStringLiteral("%1毫米（%2列，%3点）").arg(mm).arg(paperColumns(mm)).arg(paperDots(mm)), mm);
    m_columns = new QSpinBox(m_escPosGroup);
    m_columns->setObjectName(QStringLiteral("ReceiptColumns"));
    m_columns->setRange(kMinColumns, kMaxColumns);
    m_columns->setSuffix(QStringLiteral(" 列"));
    m_columns->setToolTip(QStringLiteral("每行能打印的英文字符数，一个汉字占两列；有的型号是42列"));
    m_cut = new QCheckBox(QStringLiteral("打印后切纸"), m_escPosGroup);
    m_cut->setObjectName(QStringLiteral("ReceiptCut"));
    m_drawer = new QCheckBox(QStringLiteral("打印后打开钱箱"), m_escPosGroup);
    m_drawer->setObjectName(QStringLiteral("ReceiptDrawer"));
    m_testPage = new QPushButton(QStringLiteral("打印测试页"), m_escPosGroup);
    m_testPage->setObjectName(QStringLiteral("ReceiptTestPage"));

    auto* form = new QFormLayout(m_escPosGroup);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("连接："), m_connection);
    form->addRow(QString(), connectionHint);
    form->addRow(QStringLiteral("纸宽："), m_paper);
    form->addRow(QStringLiteral("每行列数："), m_columns);
    auto* finish = new QHBoxLayout;
    finish->addWidget(m_cut);
    finish->addWidget(m_drawer);
    finish->addStretch();
    form->addRow(QString(), finish);
    auto* test = new QHBoxLayout;
    test->addWidget(m_testPage);
    test->addStretch();
    form->addRow(QString(), test);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kindGroup);
    layout->addWidget(m_escPosGroup);
    layout->addWidget(buttons);

    fill(readReceiptPrinterSettings());

    connect(m_escPos, &QRadioButton::toggled, this, [this](bool on) {
        showKind();
        keep(kReceiptPrinterKind, on ? kEscPosKindText : kSystemPrinterKindText);
    });
    connect(m_connection, &QLineEdit::textChanged, this,
            [this](const QString& text) { keep(kReceiptPrinterConnection, text); });
    connect(m_paper, &QComboBox::currentIndexChanged, this, &ReceiptPrinterSettingsWindow::paperChosen);
    connect(m_columns, &QSpinBox::valueChanged, this,
            [this](int n) { keep(kReceiptPrinterColumns, QString::number(n)); });
    connect(m_cut, &QCheckBox::toggled, this, [this](bool on) { keep(kReceiptPrinterCut, yesNo(on)); });
    connect(m_drawer, &QCheckBox::toggled, this, [this](bool on) { keep(kReceiptPrinterDrawer, yesNo(on)); });
    connect(m_testPage, &QPushButton::clicked, this, [this] { printTestPage(); });
}

void ReceiptPrinterSettingsWindow::fill(const ReceiptPrinterSettings& s) {
    m_showing = true;
    const bool escPos = s.kind == ReceiptPrinterSettings::Kind::EscPos;
    m_escPos->setChecked(escPos);
    m_system->setChecked(!escPos);
    m_connection->setText(s.connection);
    m_paper->setCurrentIndex(m_paper->findData(s.paperMm));
    m_columns->setValue(s.columns);
    m_cut->setChecked(s.cut);
    m_drawer->setChecked(s.drawer);
    showKind();
    m_showing = false;
}

void ReceiptPrinterSettingsWindow::showKind() { m_escPosGroup->setEnabled(m_escPos->isChecked()); }

ReceiptPrinterSettings ReceiptPrinterSettingsWindow::settings() const {
    ReceiptPrinterSettings s;
    s.kind = m_escPos->isChecked() ? ReceiptPrinterSettings::Kind::EscPos : ReceiptPrinterSettings::Kind::SystemPrinter;
    s.connection = m_connection->text();
    s.paperMm = m_paper->currentData().toInt();
    s.columns = m_columns->value();
    s.cut = m_cut->isChecked();
    s.drawer = m_drawer->isChecked();
    return s;
}

void ReceiptPrinterSettingsWindow::keep(const QString& name, const QString& text) {
    if (m_showing)
        return;
    try {
        WriteSetting(kMainKey, name, text);
    } catch (const StoreError& e) {
        // The choice stays for this run.
        m_services.message(this, {QApplication::applicationName(), e.message(), QMessageBox::Critical});
    }
}

void ReceiptPrinterSettingsWindow::paperChosen() {
    const int mm = m_paper->currentData().toInt();
    keep(kReceiptPrinterPaper, QString::number(mm));
    // Each paper starts from its usual column count; models that differ adjust it after.
    if (!m_showing)
        m_columns->setValue(paperColumns(mm));
}

bool ReceiptPrinterSettingsWindow::printTestPage() {
    const ReceiptPrinterSettings s = settings();
    const QString shop = ReadSettings(kMainKey).value(QStringLiteral("company"));
    const QString when = m_services.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = printOnEscPos(s, escPosTestPage(s, shop, when), s.finish(), escPosTimeout());
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        m_services.message(this, {QApplication::applicationName(), error, QMessageBox::Critical});
        return false;
    }
    m_services.message(this, {QApplication::applicationName(),
                              QStringLiteral("测试页已发送到打印机%1。").arg(s.connection.trimmed()),
                              QMessageBox::Information});
    return true;
}
