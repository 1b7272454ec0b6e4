#include "text/replace_each.h"

QString replaceEach(const QString& text, const QRegularExpression& pattern,
                    const std::function<QString(const QRegularExpressionMatch&)>& replacement) {
    QString out;
    qsizetype done = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(text).mid(done, match.capturedStart() - done);
        out += replacement(match);
        done = match.capturedEnd();
    }
    out += QStringView(text).mid(done);
    return out;
}
