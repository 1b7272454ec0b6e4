#include "tool/text_commands.h"

#include "text/capitals.h"
#include "text/gbk.h"
#include "text/pinyin.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdio>

namespace {

using LineConverter = QByteArray (*)(QByteArrayView line);

// Feeds every line of stdin to convert and writes one line per input line. A final line without
// a newline still counts; "\r\n" ends a line like "\n", so files from Windows read the same.
// Large reads and writes keep a million lines to a fraction of a second.
int filterLines(LineConverter convert) {
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray pending;
    QByteArray output;
    output.reserve(kChunk + 4096);
    std::FILE* const in = stdin;
    std::FILE* const out = stdout;

    auto flush = [&]() {
        if (!output.isEmpty() && std::fwrite(output.constData(), 1, output.size(), out) !=
                                     static_cast<size_t>(output.size()))
            return false;
        output.clear();
        return true;
    };
    auto emitLine = [&](QByteArrayView line) {
        if (line.endsWith('\r'))
            line.chop(1);
        output += convert(line);
        output += '\n';
        return output.size() < kChunk || flush();
    };

    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, kChunk, in);
        if (got == 0)
            break;
        pending.append(buffer.constData(), static_cast<qsizetype>(got));
        qsizetype start = 0;
        for (qsizetype nl; (nl = pending.indexOf('\n', start)) >= 0; start = nl + 1)
            if (!emitLine(QByteArrayView(pending).sliced(start, nl - start)))
                return 1;
        pending.remove(0, start);
    }
    if (std::ferror(in)) {
        std::fputs("tovrakel-tool: 无法读取标准输入\n", stderr);
        return 1;
    }
    if (!pending.isEmpty() && !emitLine(pending))
        return 1;
    if (!flush() || std::fflush(out) != 0)
        return 1;
    return 0;
}

QByteArray pinyinLine(QByteArrayView line) {
    return PinyinInitialsBytes(toGbk(QString::fromUtf8(line)));
}

QByteArray capitalsLine(QByteArrayView line) {
    return AmountInCapitals(QString::fromUtf8(line)).text.toUtf8();
}

int filter(const QStringList& args, LineConverter convert) {
    if (!args.isEmpty()) {
        std::fputs("tovrakel-tool: 这个命令不带参数，只从标准输入读取文本行\n", stderr);
        return 2;
    }
    return filterLines(convert);
}

}  // namespace

int runPinyinFilter(const QStringList& args) {
    return filter(args, pinyinLine);
}

int runCapitalsFilter(const QStringList& args) {
    return filter(args, capitalsLine);
}
