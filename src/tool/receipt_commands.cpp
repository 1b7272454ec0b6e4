#include "tool/receipt_commands.h"

#include "printing/receipt_printer_settings.h"
#include "sales/receipt_columns.h"
#include "store/database.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "tool/commands.h"
#include "tool/ledger_place.h"
#include "tool/tool_io.h"

#include <QDateTime>
#include <QDir>
#include <QMap>

namespace {

const QString kPrinter = QStringLiteral("--printer");
const QString kPaper = QStringLiteral("--paper");
const QString kColumns = QStringLiteral("--columns");
const QString kCustomer = QStringLiteral("--customer");

// "--name VALUE" pairs only, each one of `known`; false (and said why) otherwise.
bool readOptions(const QStringList& args, const QStringList& known, QMap<QString, QString>* options) {
    for (int i = 0; i < args.size(); i += 2) {
        if (!known.contains(args[i]) || i + 1 >= args.size()) {
            reportBadOption(args[i]);
            return false;
        }
        options->insert(args[i], args[i + 1]);
    }
    return true;
}

// The stored receipt printer with the options laid over it; false (and said why) when no ESC/POS
// printer results.
bool chosenPrinter(const QMap<QString, QString>& options, ReceiptPrinterSettings* s) {
    *s = readReceiptPrinterSettings();
    if (options.contains(kPrinter)) {
        s->connection = options.value(kPrinter);
    } else if (s->kind != ReceiptPrinterSettings::Kind::EscPos) {
        toolErr() << "tovrakel-tool: “小票打印机”中没有设置 ESC/POS 小票打印机；请用 --printer 指定一台"
                     "（设备如 /dev/usb/lp0、主机:端口 或 cups:队列）\n";
        return false;
    }
    if (options.contains(kPaper)) {
        const QString paper = options.value(kPaper);
        if (paper != QLatin1String("58") && paper != QLatin1String("80")) {
            toolErr() << "tovrakel-tool: --paper 只能是 58 或 80（毫米）\n";
            return false;
        }
        s->paperMm = paper.toInt();
        s->columns = paperColumns(s->paperMm);
    }
    if (options.contains(kColumns)) {
        bool ok = false;
        const int n = options.value(kColumns).toInt(&ok);
        if (!ok || n < kMinColumns || n > kMaxColumns) {
            toolErr() << "tovrakel-tool: --columns 是 " << kMinColumns << " 到 " << kMaxColumns << " 之间的整数\n";
            return false;
        }
        s->columns = n;
    }
    return true;
}

int print(const ReceiptPrinterSettings& s, const escpos::Page& page, const escpos::Finish& finish) {
    const QString error = printOnEscPos(s, page, finish);
    if (!error.isEmpty()) {
        toolErr() << "tovrakel-tool: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int runReceiptTest(const QStringList& args) {
    QMap<QString, QString> options;
    ReceiptPrinterSettings s;
    if (!readOptions(args, {kPrinter, kPaper, kColumns}, &options) || !chosenPrinter(options, &s))
        return 2;
    const QString shop = ReadSettings(kMainKey).value(QStringLiteral("company"));
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const int rc = print(s, escPosTestPage(s, shop, now), s.finish());
    if (rc == 0)
        toolOut() << "已在 " << s.connection.trimmed() << " 上打印测试页（" << s.paperMm << " 毫米，" << s.columns
                  << " 列）\n";
    return rc;
}

int runReceiptReprint(const QStringList& args) {
    QMap<QString, QString> options;
    ReceiptPrinterSettings s;
    LedgerPlace place;
    if (!readOptions(args, {kPrinter, kPaper, kColumns, kCustomer, kWorkdirOption, kDatabaseOption}, &options) ||
        !ledgerPlace(options, &place))
        return 2;
    if (!options.contains(kCustomer))
        return printUsage("receipt");
    if (!chosenPrinter(options, &s))
        return 2;
    const QString number = options.value(kCustomer);
    ColumnReceipt receipt;
    bool found = false;
    try {
        Database db;
        if (place.onServer())
            openLedger(db, place);
        else
            db.openReadOnly(place.file());
        receipt = orderReceipt(db, number, &found);
    } catch (const StoreError& e) {
        toolErr() << "tovrakel-tool: " << e.message() << "\n";
        return 1;
    }
    if (!found) {
        toolErr() << "tovrakel-tool: 客户编号 " << number << " 下没有销售记录\n";
        return 1;
    }
    const SettingsKey main = ReadSettings(kMainKey);
    receipt.company = main.value(QStringLiteral("company"));
    receipt.address = main.value(QStringLiteral("address"));
    // A reprint hands over no cash: the drawer stays shut.
    const int rc = print(s, receiptPage(receipt, s.columns), {s.cut, false});
    if (rc == 0)
        toolOut() << "已在 " << s.connection.trimmed() << " 上打印 " << number << " 的小票（" << receipt.lines.size()
                  << " 行，合计 " << receipt.total << "）\n";
    return rc;
}
