#include "exchange/workbook_values.h"

#include "text/number_text.h"

#include <QRegularExpression>
#include <cmath>

namespace {

// Full-width digits and signs, and the ideographic space, as their plain forms.
QString plainForm(const QString& text) { return text.normalized(QString::NormalizationForm_KC).trimmed(); }

}  // namespace

std::optional<double> numberFromCellText(const QString& text) {
    QString plain = plainForm(text);
    // Thousands separators only where they group by three.
    static const QRegularExpression grouped(QStringLiteral("^-?\\d{1,3}(,\\d{3})+(\\.\\d+)?$"));
    if (grouped.match(plain).hasMatch())
        plain.remove(QLatin1Char(','));
    return parsePlainDecimal(plain, true);
}

QDate dateFromCellText(const QString& text) {
    const QString plain = plainForm(text);
    static const QRegularExpression separated(QStringLiteral(
        "^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?:[ T]\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)?$"));
    static const QRegularExpression chinese(QStringLiteral("^(\\d{4})\\s*年\\s*(\\d{1,2})\\s*月\\s*(\\d{1,2})\\s*日$"));
    static const QRegularExpression digits(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    for (const QRegularExpression* form : {&separated, &chinese, &digits}) {
        const QRegularExpressionMatch m = form->match(plain);
        if (m.hasMatch())
            return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    }
    return {};
}

QDate dateFromDigits(double number) {
    if (!(number >= 10000101 && number <= 99991231) || number != std::floor(number))
        return {};
    const qint64 n = qint64(number);
    return QDate(int(n / 10000), int(n / 100 % 100), int(n % 100));
}
