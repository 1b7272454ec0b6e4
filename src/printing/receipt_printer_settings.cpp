#include "printing/receipt_printer_settings.h"

#include "store/settings.h"

const QString kReceiptPrinterKind = QStringLiteral("xiaopiaojixing");
const QString kReceiptPrinterConnection = QStringLiteral("xiaopiaolianjie");
const QString kReceiptPrinterPaper = QStringLiteral("xiaopiaozhikuan");
const QString kReceiptPrinterColumns = QStringLiteral("xiaopiaolieshu");
const QString kReceiptPrinterCut = QStringLiteral("xiaopiaoqiezhi");
const QString kReceiptPrinterDrawer = QStringLiteral("xiaopiaoqianxiang");
const QString kEscPosKindText = QStringLiteral("ESC/POS");
const QString kSystemPrinterKindText = QStringLiteral("系统打印机");

int paperColumns(int paperMm) { return paperMm == 80 ? 48 : 32; }
int paperDots(int paperMm) { return paperMm == 80 ? 576 : 384; }

ReceiptPrinterSettings readReceiptPrinterSettings(const SettingsKey& key) {
    ReceiptPrinterSettings s;
    const QString kind = key.value(kReceiptPrinterKind);
    if (kind == kEscPosKindText)
        s.kind = ReceiptPrinterSettings::Kind::EscPos;
    if (key.has(kReceiptPrinterConnection))
        s.connection = key.value(kReceiptPrinterConnection);
    const QString paper = key.value(kReceiptPrinterPaper);
    if (paper == QLatin1String("58") || paper == QLatin1String("80"))
        s.paperMm = paper.toInt();
    bool ok = false;
    const int columns = key.value(kReceiptPrinterColumns).toInt(&ok);
    s.columns = ok && columns >= kMinColumns && columns <= kMaxColumns ? columns : paperColumns(s.paperMm);
    for (auto [name, flag] : {std::pair{kReceiptPrinterCut, &s.cut}, std::pair{kReceiptPrinterDrawer, &s.drawer}}) {
        const QString v = key.value(name);
        if (v == QLatin1String("yes") || v == QLatin1String("no"))
            *flag = v == QLatin1String("yes");
    }
    return s;
}

ReceiptPrinterSettings readReceiptPrinterSettings() { return readReceiptPrinterSettings(ReadSettings(kMainKey)); }

QString printOnEscPos(const ReceiptPrinterSettings& settings, const escpos::Page& page, const escpos::Finish& finish,
                      std::chrono::milliseconds timeout) {
    QString error;
    const std::optional<PrinterAddress> address = parsePrinterAddress(settings.connection, &error);
    if (!address)
        return error;
    return sendToPrinter(*address, escpos::bytes(page, finish), timeout);
}

escpos::Page escPosTestPage(const ReceiptPrinterSettings& settings, const QString& shopName, const QString& printedAt) {
    escpos::Page page(settings.columns);
    const int width = page.width();
    if (!shopName.trimmed().isEmpty())
        page.centre(shopName.trimmed(), true, true);
    page.centre(QStringLiteral("小票打印机测试页"), false, true);
    page.rule(QLatin1Char('='));
    // Units and tens of every column: the last digit must stand at the right edge.
    QString units, tens;
    for (int c = 1; c <= width; ++c) {
        units += QChar(QLatin1Char('0' + c % 10));
        tens += c % 10 == 0 ? QChar(QLatin1Char('0' + c / 10 % 10)) : QLatin1Char(' ');
    }
    page.add({tens, false, false});
    page.add({units, false, false});
    // A full line of Chinese characters fills the width exactly (an odd width leaves one column).
    const QString chinese = QStringLiteral("中文打印测试欢迎光临");
    QString full;
    for (int i = 0; escpos::columns(full) + 2 <= width; ++i)
        full += chinese.at(i % chinese.size());
    page.add({full, false, false});
    page.text(QStringLiteral("汉字、全角标点“，。：”和 ABC abc 123 混排。"));
    page.rule();
    page.labelled(QStringLiteral("纸宽"), QStringLiteral("%1毫米（%2点）").arg(settings.paperMm).arg(paperDots(settings.paperMm)));
    page.labelled(QStringLiteral("每行"), QStringLiteral("%1列（汉字占2列）").arg(width));
    page.labelled(QStringLiteral("连接"), settings.connection.trimmed());
    page.labelled(QStringLiteral("切纸"), settings.cut ? QStringLiteral("是") : QStringLiteral("否"));
    page.labelled(QStringLiteral("钱箱"), settings.drawer ? QStringLiteral("打开") : QStringLiteral("不打开"));
    page.labelled(QStringLiteral("时间"), printedAt);
    page.labelled(QStringLiteral("合计"), QStringLiteral("123.45"), true);
    page.rule();
    page.centre(QStringLiteral("看到这一页，打印机就设置好了"));
    return page;
}
