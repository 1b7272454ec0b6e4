// The POS receipt on an ESC/POS printer: laid out in the paper's columns (Chinese two columns,
// names wrapped, amounts right-aligned and whole, the total double height), sent by the POS panel
// when "小票打印机" says so (the lines stay when the printer fails), the window that sets it up
// and the reprint of an order from its sales records.
#include "printing/receipt_printer_settings.h"
#include "sales/receipt_columns.h"
#include "sales/ui/pos_panel.h"
#include "sales/ui/receipt_dispatch.h"
#include "sales/ui/receipt_printer_settings_window.h"
#include "store/settings.h"
#include "support/escpos_reader.h"
#include "support/test_session.h"
#include "text/gbk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

namespace {

const QString kLongName = QStringLiteral("特大号可口可乐零度无糖碳酸饮料330毫升罐装二十四罐整箱");

ReceiptData sampleReceipt() {
    ReceiptData data;
    data.lines.add({QStringLiteral("6901"), QStringLiteral("可乐"), {}, QStringLiteral("2"), QStringLiteral("3.5"),
                    QStringLiteral("7.00")});
    data.lines.add({{}, QStringLiteral("删掉的"), {}, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1.00")});
    data.lines.add({{}, kLongName, {}, QStringLiteral("1"), QStringLiteral("1234.5"), QStringLiteral("1234.50")});
    data.lines.add({{}, QStringLiteral("雪碧🥤"), {}, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("3.00")});
    data.lines.add({{}, QStringLiteral("Duracell AA alkaline battery 4-pack"), {}, QStringLiteral("12"),
                    QStringLiteral("9999999.99"), QStringLiteral("119999999.88")});
    data.lines.remove(1);  // a gap: the receipt skips it
    data.cash = QStringLiteral("120002000");
    data.total = QStringLiteral("120001244.38");
    data.change = QStringLiteral("755.62");
    data.cashier = QStringLiteral("超级管理员");
    data.printedAt = QDateTime(QDate(2026, 3, 5), QTime(9, 30, 15));
    data.company = QStringLiteral("蓝湖便利店");
    data.address = QStringLiteral("南京路1号 电话021-12345678");
    return data;
}

// The name stands whole at the start of `from` and the lines after it, each piece at a line's
// beginning.
bool nameWrappedFrom(const EscPosReading& read, int from, QString name) {
    for (int i = from; i >= 0 && i < read.lines.size() && !name.isEmpty(); ++i) {
        const QString text = read.lines[i].text;
        int n = 0;
        while (n < text.size() && n < name.size() && text[n] == name[n])
            ++n;
        if (n == 0)
            return false;
        name.remove(0, n);
    }
    return name.isEmpty();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString emptyFile(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return path;
}

// The port of a listener that has gone again: connecting there is refused.
quint16 refusingPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

}  // namespace

class EscPosReceiptTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;

    void setPrinter(const QString& connection, bool cut, bool drawer) {
        WriteSetting(kMainKey, kReceiptPrinterKind, kEscPosKindText);
        WriteSetting(kMainKey, kReceiptPrinterConnection, connection);
        WriteSetting(kMainKey, kReceiptPrinterCut, cut ? QStringLiteral("yes") : QStringLiteral("no"));
        WriteSetting(kMainKey, kReceiptPrinterDrawer, drawer ? QStringLiteral("yes") : QStringLiteral("no"));
    }

private slots:
    void init() { m_session = std::make_unique<TestSession>(QDateTime(QDate(2026, 3, 5), QTime(9, 30, 15))); }
    void cleanup() { m_session.reset(); }

    void receiptFitsThePaper_data() {
        QTest::addColumn<int>("columns");
        QTest::newRow("58 mm") << 32;
        QTest::newRow("42 columns") << 42;
        QTest::newRow("80 mm") << 48;
    }
    void receiptFitsThePaper() {
        QFETCH(int, columns);
        const EscPosReading read = readEscPos(escpos::bytes(receiptPage(columnReceipt(sampleReceipt()), columns), {}));
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        for (const EscPosTextLine& line : read.lines)
            QVERIFY2(line.columns <= columns, qPrintable(QStringLiteral("%1 columns: %2").arg(line.columns).arg(line.text)));

        // The shop's name first in double height; the rest of the content in the order it is read.
        QVERIFY(read.lines.first().text.contains(QStringLiteral("蓝湖便利店")));
        QVERIFY(read.lines.first().doubleHeight);
        int at = 0;
        for (const QString& text : {QStringLiteral("POS小票销售凭证"), QStringLiteral("交易时间:2026-03-05 09:30:15"),
                                    QStringLiteral("收款员:超级管理员"), QStringLiteral("可乐"), kLongName.left(3),
                                    QStringLiteral("雪碧?"), QStringLiteral("Duracell"), QStringLiteral("合计:"),
                                    QStringLiteral("现金:"), QStringLiteral("找零:"), QStringLiteral("欢迎下次惠顾"),
                                    QStringLiteral("南京路1号 电话021-12345678")}) {
            const int line = read.lineWith(text);
            QVERIFY2(line >= at, qPrintable(text));
            at = line;
        }
        QCOMPARE(read.lineWith(QStringLiteral("删掉的")), -1);
        // Every amount whole at the right edge of a line; long names whole across their lines.
        for (const QString& amount : {QStringLiteral("7.00"), QStringLiteral("1234.50"), QStringLiteral("3.00"),
                                      QStringLiteral("119999999.88")}) {
            bool found = false;
            for (const EscPosTextLine& line : read.lines)
                found = found || (line.text.endsWith(QLatin1Char(' ') + amount) && line.columns == columns);
            QVERIFY2(found, qPrintable(amount));
        }
        QVERIFY(nameWrappedFrom(read, read.lineWith(kLongName.left(3)), kLongName));
        QVERIFY(nameWrappedFrom(read, read.lineWith(QStringLiteral("Duracell")),
                                QStringLiteral("Duracell AA alkaline battery 4-pack")));
        // The total in double height, its amount at the right edge; Chinese as GB18030.
        const EscPosTextLine total = read.lines[read.lineWith(QStringLiteral("合计:"))];
        QVERIFY(total.doubleHeight);
        QVERIFY(total.text.endsWith(QStringLiteral(" 120001244.38元")));
        QCOMPARE(total.columns, columns);
        QVERIFY(!read.lines[read.lineWith(QStringLiteral("现金:"))].doubleHeight);
        QVERIFY(read.lines[read.lineWith(QStringLiteral("可乐"))].bytes.startsWith(toGbk(u"可乐")));
    }

    void posPanelPrintsOnTheEscPosPrinter_data() {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("drawer");
        QTest::newRow("cut, drawer shut") << true << false;
        QTest::newRow("no cut, drawer opened") << false << true;
    }
    void posPanelPrintsOnTheEscPosPrinter() {
        QFETCH(bool, cut);
        QFETCH(bool, drawer);
        const QString device = emptyFile(m_session->file(QStringLiteral("lp0")));
        setPrinter(device, cut, drawer);
        PosPanel panel;
        panel.addLine(QStringLiteral("6901"), QStringLiteral("可乐"), {}, QStringLiteral("2"), QStringLiteral("3.5"), 7);
        panel.cash()->setText(QStringLiteral("10"));
        QVERIFY(panel.printReceipt());
        QVERIFY(m_session->ui.printJobs.isEmpty());  // the system printer was not asked
        QVERIFY(m_session->ui.messages.isEmpty());
        QCOMPARE(panel.list().filledCount(), 0);
        const EscPosReading read = readEscPos(readFile(device));
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.lineWith(QStringLiteral("可乐")) > 0);
        QVERIFY(read.lines[read.lineWith(QStringLiteral("找零:"))].text.endsWith(QStringLiteral(" 3元")));
        QVERIFY(read.lineWith(QStringLiteral("2026-03-05 09:30:15")) > 0);
        QCOMPARE(read.count(QStringLiteral("GS V")), int(cut));
        QCOMPARE(read.count(QStringLiteral("ESC p")), int(drawer));
    }

    void aFailingPrinterKeepsTheLines_data() {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("says");
        QTest::newRow("no device") << QStringLiteral("/dev/usb/tovrakel-no-lp") << QStringLiteral("找不到打印机设备");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1").arg(refusingPort()) << QStringLiteral("拒绝连接");
        QTest::newRow("no connection set") << QString() << QStringLiteral("没有设置小票打印机的连接");
    }
    void aFailingPrinterKeepsTheLines() {
        QFETCH(QString, connection);
        QFETCH(QString, says);
        setPrinter(connection, true, true);
        PosPanel panel;
        panel.addLine({}, QStringLiteral("可乐"), {}, QStringLiteral("2"), {}, 7);
        panel.customerName()->setText(QStringLiteral("李四"));
        QVERIFY(!panel.printReceipt());
        QCOMPARE(m_session->ui.messages.size(), 1);
        const MessageRequest& m = m_session->ui.messages.first();
        QVERIFY2(m.text.contains(says) && m.text.contains(QStringLiteral("POS单中的内容已保留")), qPrintable(m.text));
        QCOMPARE(m.icon, QMessageBox::Critical);
        QCOMPARE(panel.list().filledCount(), 1);
        QCOMPARE(panel.customerName()->text(), QStringLiteral("李四"));
    }

    void settingsWindowKeepsEveryChange() {
        {
            ReceiptPrinterSettingsWindow window(m_session->ui);
            QVERIFY(window.systemPrinterChoice()->isChecked());
            QVERIFY(!window.connection()->isEnabled());
            window.escPosChoice()->click();
            QVERIFY(window.connection()->isEnabled());
            window.connection()->setText(QStringLiteral("192.168.1.100:9100"));
            window.paper()->setCurrentIndex(window.paper()->findData(80));
            QCOMPARE(window.columns()->value(), 48);  // the paper's own count first
            window.columns()->setValue(42);
            window.cut()->setChecked(false);
            window.drawer()->setChecked(true);
        }
        const SettingsKey stored = ReadSettings(kMainKey);
        QCOMPARE(stored.value(kReceiptPrinterKind), QStringLiteral("ESC/POS"));
        QCOMPARE(stored.value(kReceiptPrinterConnection), QStringLiteral("192.168.1.100:9100"));
        QCOMPARE(stored.value(kReceiptPrinterPaper), QStringLiteral("80"));
        QCOMPARE(stored.value(kReceiptPrinterColumns), QStringLiteral("42"));
        QCOMPARE(stored.value(kReceiptPrinterCut), QStringLiteral("no"));
        QCOMPARE(stored.value(kReceiptPrinterDrawer), QStringLiteral("yes"));
        ReceiptPrinterSettingsWindow again(m_session->ui);
        QVERIFY(again.escPosChoice()->isChecked());
        QCOMPARE(again.connection()->text(), QStringLiteral("192.168.1.100:9100"));
        QCOMPARE(again.paper()->currentData().toInt(), 80);
        QCOMPARE(again.columns()->value(), 42);
        QVERIFY(!again.cut()->isChecked());
        QVERIFY(again.drawer()->isChecked());
        again.systemPrinterChoice()->click();
        QCOMPARE(ReadSettings(kMainKey).value(kReceiptPrinterKind), QStringLiteral("系统打印机"));
    }

    void testPageButtonPrints() {
        WriteSetting(kMainKey, QStringLiteral("company"), QStringLiteral("蓝湖便利店"));
        const QString device = emptyFile(m_session->file(QStringLiteral("lp0")));
        setPrinter(device, true, false);
        WriteSetting(kMainKey, kReceiptPrinterColumns, QStringLiteral("42"));
        ReceiptPrinterSettingsWindow window(m_session->ui);
        QTest::mouseClick(window.testPageButton(), Qt::LeftButton);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages.first().icon, QMessageBox::Information);
        const EscPosReading read = readEscPos(readFile(device));
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.lines.first().text.contains(QStringLiteral("蓝湖便利店")));
        QCOMPARE(read.lines[read.lineWith(QStringLiteral("1234567890"))].columns, 42);
        QCOMPARE(read.count(QStringLiteral("GS V")), 1);

        m_session->ui.clear();
        window.connection()->setText(QStringLiteral("/dev/usb/tovrakel-no-lp"));
        QVERIFY(!window.printTestPage());
        QCOMPARE(m_session->ui.messages.size(), 1);
        QVERIFY(m_session->ui.messages.first().text.contains(QStringLiteral("找不到打印机设备")));
    }

    void reprintTakesTheOrdersSalesRecords() {
        m_session->ledger.addSale({.name = QStringLiteral("可乐"), .customerName = QStringLiteral("王五"), .customerNumber = QStringLiteral("20260305001"),
                                   .price = 3.5, .quantity = 2.0});
        m_session->ledger.addSale({.name = QStringLiteral("别的单"), .customerNumber = QStringLiteral("20260305002"),
                                   .price = 9.0, .quantity = 1.0});
        m_session->ledger.addSale({.name = kLongName, .customerName = QStringLiteral("王五"), .customerNumber = QStringLiteral("20260305001"), .price = 10.005, .quantity = 1.0});
        bool found = false;
        const ColumnReceipt receipt = orderReceipt(m_session->db(), QStringLiteral("20260305001"), &found);
        QVERIFY(found);
        QCOMPARE(receipt.lines.size(), 2);
        QCOMPARE(receipt.lines[0].name, QStringLiteral("可乐"));
        QCOMPARE(receipt.lines[0].amount, QStringLiteral("7.00"));
        QCOMPARE(receipt.total, QStringLiteral("17.01"));  // each amount to the fen, as printed
        const EscPosReading read = readEscPos(escpos::bytes(receiptPage(receipt, 32), {}));
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.lineWith(QStringLiteral("（补打）")) >= 0);
        QVERIFY(read.lineWith(QStringLiteral("单号:20260305001")) >= 0);
        QVERIFY(read.lineWith(QStringLiteral("客户名称：王五")) >= 0);
        QCOMPARE(read.lineWith(QStringLiteral("别的单")), -1);
        QCOMPARE(read.lineWith(QStringLiteral("现金:")), -1);  // a reprint knows no cash

        orderReceipt(m_session->db(), QStringLiteral("2026030500"), &found);
        QVERIFY(!found);  // the number is matched whole
    }
};

QTEST_MAIN(EscPosReceiptTest)
#include "test_escpos_receipt.moc"
