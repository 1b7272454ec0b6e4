#include "store/server_dialect.h"

#include "store/ledger_engine.h"

#include <QRegularExpression>

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
    // The file engine orders empty values first going up and last going down; the server the
    // other way round, so each term of an "order by" says where they go.
    int depth = 0;
    int orderDepth = -1;       // the parenthesis depth of the "order by" being written, or -1
    bool termDescending = false;
    bool termPlaced = false;  // the term says itself where empty values go
    auto endOrderTerm = [&] {
        if (orderDepth < 0)
            return;
        if (termPlaced) {
            termPlaced = false;
            return;
        }
        int blanks = 0;
        while (t.size() > blanks && t.at(t.size() - 1 - blanks).isSpace())
            ++blanks;
        t.insert(t.size() - blanks, termDescending ? QLatin1String(" nulls last") : QLatin1String(" nulls first"));
        termDescending = false;
    };
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
        } else if (c == QLatin1Char('(')) {
            ++depth;
            t += c;
            ++i;
        } else if (c == QLatin1Char(')') || c == QLatin1Char(';') ||
                   (c == QLatin1Char(',') && depth == orderDepth)) {
            if (depth == orderDepth || c == QLatin1Char(';') || (c == QLatin1Char(')') && depth - 1 < orderDepth)) {
                endOrderTerm();
                if (c != QLatin1Char(','))
                    orderDepth = -1;
            }
            if (c == QLatin1Char(')'))
                --depth;
            t += c;
            ++i;
        } else if (isWordChar(c) && (i == 0 || !isWordChar(s.at(i - 1)))) {
            const QString word = wordAt(s, i);
            const QString lower = word.toLower();
            int at = 0;
            if (lower == QLatin1String("ifnull") && followedByParenthesis(s, i + word.size())) {
                t += QLatin1String("coalesce");
            } else if (lower == QLatin1String("trim") && followedByParenthesis(s, i + word.size())) {
                t += QLatin1String("trimmed");
            } else if (lower == QLatin1String("like")) {
                // Folding only Latin letters, as the file engine does, whatever the database's locale.
                int mark = i + word.size();
                while (mark < s.size() && s.at(mark).isSpace())
                    ++mark;
                if (mark < s.size() && s.at(mark) == QLatin1Char('?')) {
                    t += QStringLiteral("ilike $%1 collate \"C\"").arg(++out.parameterCount);
                    i = mark + 1;
                    continue;
                }
                t += QLatin1String("ilike");
            } else if (lower == QLatin1String("collate") &&
                       nextWord(s, i + word.size(), &at).compare(QLatin1String("nocase"), Qt::CaseInsensitive) == 0) {
                i = at + 6;
                continue;
            } else if (lower == QLatin1String("order") &&
                       nextWord(s, i + word.size(), &at).compare(QLatin1String("by"), Qt::CaseInsensitive) == 0) {
                t += s.mid(i, at + 2 - i);
                i = at + 2;
                orderDepth = depth;
                termDescending = false;
                termPlaced = false;
                continue;
            } else if ((lower == QLatin1String("limit") || lower == QLatin1String("offset")) && depth == orderDepth) {
                endOrderTerm();
                orderDepth = -1;
                t += word;
            } else {
                if (depth == orderDepth) {
                    termDescending = lower == QLatin1String("desc");
                    termPlaced = termPlaced || lower == QLatin1String("nulls");
                }
                t += word;
            }
            i += word.size();
        } else {
            t += c;
            ++i;
        }
    }
    endOrderTerm();
    static const QRegularExpression insertWithIdentity(
        QStringLiteral("^\\s*insert\\s+into\\s+\"?(data|data1|rz)\"?[\\s(]"), QRegularExpression::CaseInsensitiveOption);
    if (insertWithIdentity.match(t).hasMatch() && !t.contains(QLatin1String("returning"), Qt::CaseInsensitive)) {
        t += QStringLiteral(" returning id");
        out.returnsIdentity = true;
    }
    return out;
}

QString fileEngineColumnName(const QString& table, const QString& column) {
    return table == QLatin1String("data1") && column == QLatin1String("id") ? QStringLiteral("ID") : column;
}
