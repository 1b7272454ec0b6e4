#pragma once
// The receipt printer as the shop set it up in "小票打印机", kept under the main key: the system
// printer (its driver draws the receipt) or a raw ESC/POS printer with its connection, paper and
// finish.
#include "printing/escpos.h"
#include "printing/escpos_connection.h"

#include <QString>

class SettingsKey;

struct ReceiptPrinterSettings {
    enum class Kind { SystemPrinter, EscPos };
    Kind kind = Kind::SystemPrinter;
    QString connection = QStringLiteral("/dev/usb/lp0");
    int paperMm = 58;
    int columns = 32;
    bool cut = true;
    bool drawer = false;

    escpos::Finish finish() const { return {cut, drawer}; }
};

// The values under the main key.
extern const QString kReceiptPrinterKind;        // "xiaopiaojixing": "ESC/POS" or "系统打印机"
extern const QString kReceiptPrinterConnection;  // "xiaopiaolianjie": the connection as typed
extern const QString kReceiptPrinterPaper;       // "xiaopiaozhikuan": "58" or "80"
extern const QString kReceiptPrinterColumns;     // "xiaopiaolieshu": characters per line
extern const QString kReceiptPrinterCut;         // "xiaopiaoqiezhi": "yes" or "no"
extern const QString kReceiptPrinterDrawer;      // "xiaopiaoqianxiang": "yes" or "no"
extern const QString kEscPosKindText;            // "ESC/POS"
extern const QString kSystemPrinterKindText;     // "系统打印机"

// The columns of a paper width: 58 mm holds 32 characters on 384 dots, 80 mm 48 on 576.
int paperColumns(int paperMm);
int paperDots(int paperMm);
constexpr int kMinColumns = 24;
constexpr int kMaxColumns = 72;

// Absent or unknown values keep the defaults above; a column count out of range keeps the
// paper's own.
ReceiptPrinterSettings readReceiptPrinterSettings(const SettingsKey& key);
ReceiptPrinterSettings readReceiptPrinterSettings();

// Sends a page to the printer of the settings; the empty text when it has it, else the message.
QString printOnEscPos(const ReceiptPrinterSettings& settings, const escpos::Page& page, const escpos::Finish& finish,
                      std::chrono::milliseconds timeout = kPrinterTimeout);

// The test page: the shop's name, a ruler of the column width, Chinese text in full lines and
// the settings it was printed with.
escpos::Page escPosTestPage(const ReceiptPrinterSettings& settings, const QString& shopName, const QString& printedAt);
