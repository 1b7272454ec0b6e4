#include "printing/escpos.h"

#include "text/gbk.h"

#include <initializer_list>

namespace escpos {

namespace {

constexpr char ESC = 0x1B, FS = 0x1C, GS = 0x1D, LF = 0x0A;
const QChar kUnprintable = QLatin1Char('?');

bool printableAscii(char32_t c) { return c >= 0x20 && c < 0x7F; }

// Two-byte GB18030 codes are what the printer's Chinese font holds; a four-byte code would come
// out as two wrong characters, and the private-use area holds the makers' own glyphs, if any.
bool doubleByte(char32_t c) {
    if (c < 0x80 || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xE000 && c <= 0xF8FF))
        return false;
    const QChar ch{char16_t(c)};
    return toGbk(QStringView(&ch, 1)).size() == 2;
}

QByteArray command(std::initializer_list<char> bytes) { return QByteArray(bytes.begin(), qsizetype(bytes.size())); }

int columnsOf(QChar c) { return c.unicode() < 0x80 ? 1 : 2; }

}  // namespace

QString printable(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (printableAscii(c) || doubleByte(c)) {
            out.append(QChar(c));
            continue;
        }
        // A character beyond the basic plane is one "?", not two.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        out.append(kUnprintable);
    }
    return out;
}

int columns(QStringView printableText) {
    int n = 0;
    for (const QChar c : printableText)
        n += columnsOf(c);
    return n;
}

QStringList wrap(const QString& printableText, int width) {
    QStringList pieces;
    QString piece;
    int used = 0;
    for (const QChar c : printableText) {
        const int w = columnsOf(c);
        if (used + w > width && !piece.isEmpty()) {
            pieces << piece;
            piece.clear();
            used = 0;
        }
        piece.append(c);
        used += w;
    }
    if (!piece.isEmpty() || pieces.isEmpty())
        pieces << piece;
    return pieces;
}

QString spread(const QString& left, const QString& right, int width) {
    const int blanks = qMax(1, width - columns(left) - columns(right));
    return left + QString(blanks, QLatin1Char(' ')) + right;
}

QString centred(const QString& printableText, int width) {
    const int blanks = qMax(0, (width - columns(printableText)) / 2);
    return QString(blanks, QLatin1Char(' ')) + printableText;
}

void Page::text(const QString& text, bool doubleHeight, bool bold) {
    for (const QString& piece : wrap(printable(text), m_columns))
        m_lines << Line{piece, doubleHeight, bold};
}

void Page::centre(const QString& text, bool doubleHeight, bool bold) {
    for (const QString& piece : wrap(printable(text), m_columns))
        m_lines << Line{centred(piece, m_columns), doubleHeight, bold};
}

void Page::labelled(const QString& label, const QString& value, bool doubleHeight) {
    const QString l = printable(label);
    const QString v = printable(value);
    if (columns(l) + 1 + columns(v) <= m_columns) {
        m_lines << Line{spread(l, v, m_columns), doubleHeight, false};
        return;
    }
    text(l, doubleHeight);
    for (const QString& piece : wrap(v, m_columns))
        m_lines << Line{QString(m_columns - columns(piece), QLatin1Char(' ')) + piece, doubleHeight, false};
}

void Page::rule(QChar c) { m_lines << Line{QString(m_columns, c), false, false}; }

QByteArray bytes(const Page& page, const Finish& finish) {
    QByteArray out;
    out += command({ESC, '@'});  // initialise: a half-sent earlier job leaves no mode behind
    out += command({FS, '&'});   // Chinese mode: double bytes are GB18030 characters
    bool doubleHeight = false;
    bool bold = false;
    auto setHeight = [&](bool on) {
        if (on == doubleHeight)
            return;
        // GS ! for the single-byte characters, FS ! for the Chinese ones; printers differ in
        // which of the two their Chinese font follows.
        out += command({GS, '!', char(on ? 0x01 : 0x00)});
        out += command({FS, '!', char(on ? 0x08 : 0x00)});
        doubleHeight = on;
    };
    auto setBold = [&](bool on) {
        if (on == bold)
            return;
        out += command({ESC, 'E', char(on ? 1 : 0)});
        bold = on;
    };
    for (const Line& line : page.lines()) {
        setHeight(line.doubleHeight);
        setBold(line.bold);
        out += toGbk(printable(line.text));
        out += LF;
    }
    setHeight(false);
    setBold(false);
    out += command({FS, '.'});
    out += command({ESC, 'd', 4});  // the last line past the cutter
    if (finish.cut)
        out += command({GS, 'V', 1});
    if (finish.drawer)
        out += command({ESC, 'p', 0, 25, char(250)});  // pin 2: 50 ms on, 500 ms off
    return out;
}

}  // namespace escpos
