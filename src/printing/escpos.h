#pragma once
// Receipts for ESC/POS printers: text laid out in the printer's character columns and the byte
// stream such a printer takes, with Chinese text as GB18030 in its Chinese mode. A double-byte
// character prints two columns wide, a single byte one: the width of a line is its byte count.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace escpos {

// The text as the printer can print it: printable ASCII and the characters with a two-byte GB18030
// code stay, every other character (controls, four-byte codes, private use) becomes one "?".
QString printable(QStringView text);
// Columns a printable text takes: one per ASCII character, two per other character.
int columns(QStringView printableText);
// The printable text cut into pieces of at most `width` columns; a character is never split.
QStringList wrap(const QString& printableText, int width);
// `left`, blanks, then `right` ending at column `width` (at least one blank between them).
QString spread(const QString& left, const QString& right, int width);
// The text with blanks in front so it stands in the middle of `width` columns.
QString centred(const QString& printableText, int width);

// One printed line; its text is printable and at most as wide as the paper.
struct Line {
    QString text;
    bool doubleHeight = false;  // twice as high, as wide as usual
    bool bold = false;
};

// A page of lines in `columns` columns, built line by line; texts given to it are made printable
// and wrapped so that no line is wider than the paper.
class Page {
public:
    explicit Page(int columns) : m_columns(columns) {}
    int width() const { return m_columns; }
    // The text on as many lines as it needs.
    void text(const QString& text, bool doubleHeight = false, bool bold = false);
    void centre(const QString& text, bool doubleHeight = false, bool bold = false);
    // A label at the left and a value at the right edge; a value that does not fit beside the
    // label goes on a line of its own, still at the right edge.
    void labelled(const QString& label, const QString& value, bool doubleHeight = false);
    void rule(QChar c = QLatin1Char('-'));
    // A line already laid out by the caller (printable, no wider than the paper).
    void add(const Line& line) { m_lines << line; }
    const QVector<Line>& lines() const { return m_lines; }

private:
    int m_columns;
    QVector<Line> m_lines;
};

struct Finish {
    bool cut = true;      // GS V after the last line
    bool drawer = false;  // ESC p: the pulse that opens the cash drawer
};

// The byte stream: initialise (ESC @), Chinese mode (FS &), the lines as GB18030 with their
// double height (GS !) and bold (ESC E), Chinese mode off (FS .), feed past the cutter, then the
// cut and the drawer pulse as asked.
QByteArray bytes(const Page& page, const Finish& finish);

}  // namespace escpos
