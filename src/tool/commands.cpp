#include "tool/commands.h"

#include "tool/generate_command.h"

#include "store/database.h"
#include "store/store_error.h"
#include "tool/exchange_commands.h"
#include "tool/migrate_command.h"
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

// The usage lines; the list in --help keeps the subcommands under one another.
const char* const kUsage = "用法：";
const char* const kUsageIndent = "      ";

int init(const QStringList& args) {
    const QString dir = toolOption(args, QStringLiteral("--workdir"), QDir::currentPath());
    if (!QDir().mkpath(dir)) {
        toolErr() << "tovrakel-tool: 无法创建文件夹 " << dir << "\n";
        return 1;
    }
    const QString path = QDir(dir).filePath(Database::kFileName);
    try {
        Database::create(path);
    } catch (const StoreError& e) {
        toolErr() << "tovrakel-tool: " << e.message() << "\n";
        return 1;
    }
    toolOut() << "已新建 " << QFileInfo(path).absoluteFilePath() << "\n";
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
        {"init", "init [--workdir 文件夹]",
         "在文件夹中新建 data.mdb（默认为当前文件夹）：空的账本，带管理员“超级管理员”和初始密码。\n"
         "已有的文件不会被改动。",
         init},
        {"pinyin", "pinyin < 文本行",
         "从标准输入逐行读取 UTF-8 文字，每行写出一行拼音首字母，\n"
         "与程序为商品名称和规格型号保存的相同。",
         runPinyinFilter},
        {"capitals", "capitals < 金额",
         "逐行读取金额，每行写出一行中文大写金额；无法转换的金额写出空行。",
         runCapitalsFilter},
        {"export", "export {inventory|sales|summary} 文件 [--workdir 文件夹 | --database 地址] [--user 用户名] [--from 日期] [--to 日期]",
         "把表格写成 Excel 工作簿（文件.xlsx）或 .xls 表（文件.xls）：inventory 是全部入库记录，\n"
         "sales 是销售记录（--from 到 --to 之间的日期，格式 yyyy-mm-dd，含这两天），summary 是商品汇总；\n"
         "带程序表格的标题和合计。--user 按该用户的权限导出。.xls 最多 16384 行，\n"
         "只能保存 GBK 文字；超出时拒绝导出并说明原因。\n"
         "--database 给出数据库服务器上账本的连接地址（postgresql://用户@服务器/数据库）；\n"
         "两者都不给时，使用设置中的 database，没有这项设置时使用当前文件夹中的 data.mdb。\n"
         "服务器要求的密码从 ~/.pgpass 或环境变量 PGPASSWORD 中读取。",
         runExport},
        {"export-xls", "export-xls {inventory|sales|summary} 文件 [--workdir 文件夹 | --database 地址] [--user 用户名] [--from 日期] [--to 日期]",
         "与 export 相同。", runExport},
        {"import-xls", "import-xls 工作簿 [--workdir 文件夹 | --database 地址]",
         "从工作簿的工作表“lanbor”导入入库记录：要么全部导入，要么一条也不导入。\n"
         "账本的选择与 export 相同。",
         runImportXls},
        {"read-xls", "read-xls 工作簿",
         "像 import-xls 一样读取工作簿的工作表“lanbor”，把要导入的行写成 JSON，不改动任何账本。\n"
         "程序和 import-xls 都在单独的进程中这样读取工作簿，损坏的文件不会让它们崩溃。",
         runReadXls},
        {"backup", "backup 目标 [--workdir 文件夹 | --database 地址]",
         "用数据库引擎的在线备份把 data.mdb 复制到目标（一个文件，已有时替换；或一个已有的文件夹）。\n"
         "副本总是完整一致，程序运行时也可以备份（账本忙时会等待）。\n"
         "替换的文件保留原来的权限；新文件只有所有者可以读写。\n"
         "--database（或设置中的 database）给出数据库服务器上的账本时，把它的一致副本写成 data.mdb 文件，\n"
         "可以像其他备份一样用 restore 恢复为 data.mdb，或放回服务器。",
         runBackup},
        {"restore", "restore 备份文件 [--workdir 文件夹 | --database 地址] < 密码",
         "检查备份文件是完好的账本后，把它恢复为 data.mdb；被替换的数据库保存在旁边，\n"
         "名为 data-before-restore-<日期>-<时间>.mdb。从标准输入读取一行：\n"
         "被替换的账本的管理员密码。程序正在使用该 data.mdb 时拒绝恢复。\n"
         "--database（或设置中的 database）给出数据库服务器上的账本时，在服务器上的一个事务中\n"
         "用备份的四个表（连同编号）替换它，核对行数、最大编号和合计后才提交，出错时账本保持原样；\n"
         "恢复前的账本写成 data.mdb 文件，保存在备份文件旁边，名为 data-before-restore-<日期>-<时间>.mdb。\n"
         "提交后其他收银台会重新读取账本。",
         runRestore},
        {"migrate", "migrate --from 文件夹或地址 --to 文件夹或地址",
         "把整个账本在 data.mdb 和数据库服务器之间复制：文件夹指其中的 data.mdb，\n"
         "地址是数据库服务器上账本的连接地址（postgresql://用户@服务器/数据库）。\n"
         "目标文件夹中没有 data.mdb 时新建一个；服务器上的目标数据库须已建好（可以是空的）。\n"
         "已经有账本的目标（有入库、销售或登录记录，或除初始管理员外的用户）会被拒绝。\n"
         "四个表连同编号在目标上的一个事务中复制，复制后核对行数、最大编号和每个数字列的合计，\n"
         "不一致时撤销复制并说明是哪个表。复制期间原账本上的写入会等待。",
         runMigrate},
        {"generate", "generate [--workdir 文件夹] [--stock 条数] [--sales 条数] [--years 年数] [--seed 种子]",
         "新建一个带有商店真实历史的 data.mdb（默认 100000 条入库记录和 1000000 条销售记录，\n"
         "跨 10 年），用于性能测试和试用。",
         runGenerate},
        {"receipt-test", "receipt-test [--printer 打印机] [--paper 58|80] [--columns 列数]",
         "在 ESC/POS 小票打印机上打印测试页：商店名称、按列宽的标尺和中文。\n"
         "打印机可以是设备（/dev/usb/lp0）、主机:端口（网络打印机，通常是 9100 端口）\n"
         "或 cups:队列（原始 CUPS 队列）；不给 --printer 时使用“小票打印机”中设置的打印机，\n"
         "以及它的纸宽、列数、切纸和钱箱。--paper 58 打印 32 列，80 打印 48 列。",
         runReceiptTest},
        {"receipt", "receipt --customer 客户编号 [--printer 打印机] [--paper 58|80] [--columns 列数] [--workdir 文件夹 | --database 地址]",
         "在 ESC/POS 小票打印机上重印一笔订单的小票：该客户编号下的销售记录及合计。\n"
         "打印机选项与 receipt-test 相同；钱箱不打开。账本的选择与 export 相同。",
         runReceiptReprint},
        {"help", "help [子命令]", "说明每个子命令，或其中一个。", printHelp},
    };
    return table;
}

int printHelp(const QStringList& args) {
    if (!args.isEmpty()) {
        for (const Command& c : commands())
            if (args.first() == QLatin1String(c.name)) {
                toolOut() << kUsage << "tovrakel-tool " << QString::fromUtf8(c.synopsis) << "\n\n" << QString::fromUtf8(c.help) << "\n";
                return 0;
            }
        toolErr() << "tovrakel-tool: 没有子命令 " << args.first() << "\n";
        return 2;
    }
    toolOut() << "tovrakel-tool " << TOVRAKEL_VERSION << "：账本的命令行工具。\n\n"
              << kUsage << "tovrakel-tool --version | --help\n";
    for (const Command& c : commands())
        toolOut() << kUsageIndent << "tovrakel-tool " << QString::fromUtf8(c.synopsis) << "\n";
    toolOut() << "\n“tovrakel-tool help 子命令”说明一个子命令。\n";
    return 0;
}

int usage() {
    for (const Command& c : commands())
        toolErr() << (&c == &commands().front() ? kUsage : kUsageIndent) << "tovrakel-tool "
                  << QString::fromUtf8(c.synopsis) << "\n";
    return 2;
}

}  // namespace

int printUsage(const char* subcommand) {
    for (const Command& c : commands())
        if (qstrcmp(c.name, subcommand) == 0)
            toolErr() << kUsage << "tovrakel-tool " << QString::fromUtf8(c.synopsis) << "\n";
    return 2;
}

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
