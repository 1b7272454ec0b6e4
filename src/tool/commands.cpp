#include "tool/commands.h"

#include "tool/generate_command.h"

#include "store/database.h"
#include "store/store_error.h"
#include "tool/exchange_commands.h"
#include "tool/receipt_commands.h"
#include "tool/text_commands.h"
#include "tool/tool_io.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <algorithm>
#include <vector>

namespace {

int init(const QStringList& args) {
    const QString dir = toolOption(args, QStringLiteral("--workdir"), QDir::currentPath());
    if (!QDir().mkpath(dir)) {
        toolErr() << "tovrakel-tool: cannot create folder " << dir << "\n";
        return 1;
    }
    const QString path = QDir(dir).filePath(Database::kFileName);
    try {
        Database::create(path);
    } catch (const StoreError& e) {
        toolErr() << "tovrakel-tool: " << e.message() << "\n";
        return 1;
    }
    toolOut() << "created " << QFileInfo(path).absoluteFilePath() << "\n";
    return 0;
}

struct Command {
    const char* name;
    const char* synopsis;
    const char* help;
    std::function<int(const QStringList&)> run;
};

int printHelp(const QStringList& args);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"init", "init [--workdir DIR]",
         "Creates the delivered data.mdb in DIR (default: the current folder): the empty ledger with the\n"
         "administrator \"超级管理员\" and the initial password. An existing file is never touched.",
         init},
        {"pinyin", "pinyin < LINES",
         "Reads UTF-8 lines on standard input and writes the pinyin initials of each, one line per line,\n"
         "as the program stores them for product names and models.",
         runPinyinFilter},
        {"capitals", "capitals < AMOUNTS",
         "Reads amounts line by line and writes each in Chinese capitals, one line per line; a refused\n"
         "amount gives an empty line.",
         runCapitalsFilter},
        {"export", "export {inventory|sales|summary} FILE [--workdir DIR] [--user NAME] [--from DATE] [--to DATE]",
         "Writes a grid as an Excel workbook (FILE.xlsx) or an .xls sheet (FILE.xls): all stock records, the\n"
         "sales records (of the days from --from to --to, yyyy-mm-dd, both included) or the product summary,\n"
         "with the titles and footers of the program's grids; --user applies that user's rights. An .xls\n"
         "holds at most 16384 rows and only GBK texts; more is refused with the reason.",
         runExport},
        {"export-xls", "export-xls {inventory|sales|summary} FILE [--workdir DIR] [--user NAME] [--from DATE] [--to DATE]",
         "The same as export.", runExport},
        {"import-xls", "import-xls WORKBOOK [--workdir DIR]",
         "Imports stock records from the worksheet \"lanbor\" of an .xls workbook, all rows or none.",
         runImportXls},
        {"read-xls", "read-xls WORKBOOK",
         "Reads the worksheet \"lanbor\" of an .xls workbook as import-xls does and writes the rows it would\n"
         "import as JSON, touching no ledger. The program and import-xls read every workbook this way, in\n"
         "a process of their own, so that a damaged file cannot bring them down.",
         runReadXls},
        {"backup", "backup TARGET [--workdir DIR]",
         "Copies data.mdb to TARGET (a file, replaced when present, or an existing folder) through the\n"
         "engine's online backup: a consistent copy, also while the program is running (a busy ledger\n"
         "is waited for). A replaced file keeps its mode; a new one is readable by its owner only.",
         runBackup},
        {"restore", "restore SOURCE [--workdir DIR] < PASSWORD",
         "Puts the backup SOURCE back as data.mdb after checking it is a sound ledger; the replaced\n"
         "database is kept beside it as data-before-restore-<date>-<time>.mdb. Reads the password of the\n"
         "administrator of the data.mdb being replaced as one line from standard input. Refused while\n"
         "the program runs on that data.mdb.",
         runRestore},
        {"generate", "generate [--workdir DIR] [--stock N] [--sales N] [--years N] [--seed N]",
         "Makes a new data.mdb with a shop's realistic history (default 100000 stock records and\n"
         "1000000 sales records over ten years), for benchmarks and trials.",
         runGenerate},
        {"receipt-test", "receipt-test [--printer SPEC] [--paper 58|80] [--columns N]",
         "Prints the test page on an ESC/POS receipt printer: the shop's name, a ruler of the column width\n"
         "and Chinese text. SPEC is a device (/dev/usb/lp0), HOST:PORT (a network printer, usually port\n"
         "9100) or cups:QUEUE (a raw CUPS queue); without --printer the printer set up in 小票打印机 counts,\n"
         "and so do its paper, columns, cut and drawer. --paper 58 prints 32 columns, 80 prints 48.",
         runReceiptTest},
        {"receipt", "receipt --customer NUMBER [--printer SPEC] [--paper 58|80] [--columns N] [--workdir DIR]",
         "Reprints the receipt of one order on an ESC/POS receipt printer: the sales records stored under\n"
         "the customer number, with their total. Printer options as for receipt-test; the drawer stays shut.",
         runReceiptReprint},
        {"help", "help [SUBCOMMAND]", "Describes every subcommand, or one.", printHelp},
    };
    return table;
}

int printHelp(const QStringList& args) {
    if (!args.isEmpty()) {
        for (const Command& c : commands())
            if (args.first() == QLatin1String(c.name)) {
                toolOut() << "usage: tovrakel-tool " << c.synopsis << "\n\n" << QString::fromUtf8(c.help) << "\n";
                return 0;
            }
        toolErr() << "tovrakel-tool: no subcommand " << args.first() << "\n";
        return 2;
    }
    toolOut() << "tovrakel-tool " << TOVRAKEL_VERSION << ": the ledger's command-line companion.\n\n"
          << "usage: tovrakel-tool --version | --help\n";
    for (const Command& c : commands())
        toolOut() << "       tovrakel-tool " << c.synopsis << "\n";
    toolOut() << "\n'tovrakel-tool help SUBCOMMAND' describes one subcommand.\n";
    return 0;
}

int usage() {
    for (const Command& c : commands())
        toolErr() << (&c == &commands().front() ? "usage: " : "       ") << "tovrakel-tool " << c.synopsis << "\n";
    return 2;
}

}  // namespace

int runToolCommand(const QStringList& args) {
    int rc = 2;
    const QString command = args.value(0);
    if (command == QLatin1String("--version")) {
        toolOut() << "tovrakel-tool " << TOVRAKEL_VERSION << "\n";
        rc = 0;
    } else if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        rc = printHelp({});
    } else {
        auto it = std::find_if(commands().begin(), commands().end(),
                               [&](const Command& c) { return command == QLatin1String(c.name); });
        rc = it == commands().end() ? usage() : it->run(args.mid(1));
    }
    toolOut().flush();
    toolErr().flush();
    return rc;
}
