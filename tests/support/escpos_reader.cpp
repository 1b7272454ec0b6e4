#include "support/escpos_reader.h"

#include <QMap>
#include <QStringDecoder>

namespace {

// The number of argument bytes of each command we know, by its two leading bytes.
const QMap<QString, int>& argumentCounts() {
    static const QMap<QString, int> counts = {
        {QStringLiteral("ESC @"), 0}, {QStringLiteral("ESC E"), 1}, {QStringLiteral("ESC d"), 1},
        {QStringLiteral("ESC p"), 3}, {QStringLiteral("ESC a"), 1}, {QStringLiteral("ESC !"), 1},
        {QStringLiteral("FS &"), 0},  {QStringLiteral("FS ."), 0},  {QStringLiteral("FS !"), 1},
        {QStringLiteral("GS !"), 1},  {QStringLiteral("GS V"), 1},
    };
    return counts;
}

QString prefixName(char c) {
    switch (c) {
    case 0x1B: return QStringLiteral("ESC");
    case 0x1C: return QStringLiteral("FS");
    case 0x1D: return QStringLiteral("GS");
    default: return {};
    }
}

}  // namespace

QStringList EscPosReading::commandNames() const {
    QStringList names;
    for (const EscPosCommand& c : commands)
        names << c.name;
    return names;
}

int EscPosReading::count(const QString& name) const { return int(commandNames().count(name)); }

QStringList EscPosReading::texts() const {
    QStringList t;
    for (const EscPosTextLine& l : lines)
        t << l.text;
    return t;
}

int EscPosReading::lineWith(const QString& text) const {
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].text.contains(text))
            return i;
    return -1;
}

EscPosReading readEscPos(const QByteArray& bytes) {
    EscPosReading r;
    bool chinese = false, doubleHeight = false, bold = false;
    EscPosTextLine line;
    auto fail = [&](qsizetype at, const QString& why) {
        r.error = QStringLiteral("byte %1: %2").arg(at).arg(why);
        return r;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uchar(bytes[i]);
        const QString prefix = prefixName(char(b));
        if (!prefix.isEmpty()) {
            if (!line.bytes.isEmpty())
                return fail(i, QStringLiteral("a command inside a text line"));
            if (i + 1 >= bytes.size())
                return fail(i, QStringLiteral("a command cut short"));
            const QString name = prefix + QLatin1Char(' ') + QLatin1Char(bytes[i + 1]);
            if (!argumentCounts().contains(name))
                return fail(i, QStringLiteral("unknown command %1").arg(name));
            int n = argumentCounts().value(name);
            if (name == QLatin1String("GS V") && i + 2 < bytes.size() && uchar(bytes[i + 2]) >= 65)
                n = 2;  // function B: the feed before the cut
            if (i + 2 + n > bytes.size())
                return fail(i, QStringLiteral("%1 without its arguments").arg(name));
            const QByteArray args = bytes.mid(i + 2, n);
            r.commands << EscPosCommand{name, args, int(r.lines.size())};
            if (name == QLatin1String("ESC @"))
                chinese = doubleHeight = bold = false;
            else if (name == QLatin1String("FS &"))
                chinese = true;
            else if (name == QLatin1String("FS ."))
                chinese = false;
            else if (name == QLatin1String("GS !"))
                doubleHeight = (uchar(args[0]) & 0x07) != 0;
            else if (name == QLatin1String("ESC E"))
                bold = args[0] != 0;
            i += 1 + n;
            continue;
        }
        if (b == '\n') {
            line.text = QStringDecoder("GB18030").decode(line.bytes);
            line.doubleHeight = doubleHeight;
            line.bold = bold;
            r.lines << line;
            line = EscPosTextLine();
            continue;
        }
        if (b < 0x20 || b == 0x7F)
            return fail(i, QStringLiteral("control byte 0x%1").arg(b, 2, 16, QLatin1Char('0')));
        if (b < 0x80) {
            line.bytes += char(b);
            line.columns += 1;
            continue;
        }
        if (!chinese)
            return fail(i, QStringLiteral("a double byte outside Chinese mode"));
        const auto trail = i + 1 < bytes.size() ? uchar(bytes[i + 1]) : 0;
        if (b == 0x80 || b == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return fail(i, QStringLiteral("no two-byte GB18030 code: %1").arg(QString::fromLatin1(bytes.mid(i, 2).toHex())));
        line.bytes += bytes.mid(i, 2);
        line.columns += 2;
        ++i;
    }
    if (!line.bytes.isEmpty())
        return fail(bytes.size(), QStringLiteral("text not ended by a line feed"));
    return r;
}
