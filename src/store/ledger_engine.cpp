#include "store/ledger_engine.h"

#include <QDate>

QString translateDateLiterals(const QString& sql) {
    if (!sql.contains(QLatin1Char('#')))
        return sql;
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar ch = sql.at(i);
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
            out += ch;
        } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"') || ch == QLatin1Char('[')) {
            quote = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
            out += ch;
        } else if (ch == QLatin1Char('#')) {
            const int end = sql.indexOf(QLatin1Char('#'), i + 1);
            if (end < 0) {
                out += ch;
                continue;
            }
            QString literal = sql.mid(i + 1, end - i - 1);
            // Accept 2024-3-5 as well as 2024-03-05, as the classic engine did.
            const QDate date = QDate::fromString(literal.trimmed(), QStringLiteral("yyyy-M-d"));
            if (date.isValid())
                literal = date.toString(QStringLiteral("yyyy-MM-dd"));
            out += QLatin1Char('\'') + literal + QLatin1Char('\'');
            i = end;
        } else {
            out += ch;
        }
    }
    return out;
}

QString boundText(const QVariant& value) {
    return value.typeId() == QMetaType::QDate ? value.toDate().toString(QStringLiteral("yyyy-MM-dd")) : value.toString();
}
