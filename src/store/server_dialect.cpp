#include "store/server_dialect.h"

#include "store/ledger_engine.h"

namespace {

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// The word at i (letters, digits, underscores), or "".
QString wordAt(const QString& s, int i) {
    int end = i;
    while (end < s.size() && isWordChar(s.at(end)))
        ++end;
    return s.mid(i, end - i);
}

// The next word after position i, skipping blanks; sets *at to its start.
QString nextWord(const QString& s, int i, int* at) {
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    *at = i;
    return wordAt(s, i);
}

bool followedByParenthesis(const QString& s, int i) {
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    return i < s.size() && s.at(i) == QLatin1Char('(');
}

}  // namespace

ServerStatement serverStatement(const QString& sql) {
    const QString s = translateDateLiterals(sql);
    ServerStatement out;
    QString& t = out.text;
    t.reserve(s.size() + 16);
    int i = 0;
    while (i < s.size()) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\'')) {
            const int end = s.indexOf(QLatin1Char('\''), i + 1);
            const int stop = end < 0 ? s.size() : end + 1;  // '' inside a text reads as two texts
            t += s.mid(i, stop - i);
            i = stop;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            const int end = s.indexOf(close, i + 1);
            const int stop = end < 0 ? s.size() : end;
            t += QLatin1Char('"') + s.mid(i + 1, stop - i - 1).toLower() + QLatin1Char('"');
            i = stop + 1;
        } else if (c == QLatin1Char('?')) {
            t += QLatin1Char('$') + QString::number(++out.parameterCount);
            ++i;
        } else if (c == QLatin1Char('-') && s.mid(i, 2) == QLatin1String("--")) {
            const int end = s.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? s.size() : end;
        } else if (isWordChar(c) && (i == 0 || !isWordChar(s.at(i - 1)))) {
            const QString word = wordAt(s, i);
            const QString lower = word.toLower();
            int at = 0;
            if (lower == QLatin1String("ifnull") && followedByParenthesis(s, i + word.size())) {
                t += QLatin1String("coalesce");
            } else if (lower == QLatin1String("trim") && followedByParenthesis(s, i + word.size())) {
                t += QLatin1String("trimmed");
            } else if (lower == QLatin1String("like")) {
                t += QLatin1String("ilike");
            } else if (lower == QLatin1String("collate") &&
                       nextWord(s, i + word.size(), &at).compare(QLatin1String("nocase"), Qt::CaseInsensitive) == 0) {
                i = at + 6;
                continue;
            } else {
                t += word;
            }
            i += word.size();
        } else {
            t += c;
            ++i;
        }
    }
    return out;
}
