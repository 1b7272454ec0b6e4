#include "upgrade/update_info.h"

#include <QStringDecoder>

namespace {

QString decodeInfo(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(content);
    if (!utf8.hasError())
        return text;
    // Info files written on a Chinese desktop come in the GBK code page.
    QStringDecoder gbk("GB18030");
    return gbk.decode(content);
}

bool isControl(QChar c) { return c.unicode() < 0x20; }

}  // namespace

UpdateInfo::UpdateInfo(const QByteArray& content) : m_text(decodeInfo(content)) {}

int UpdateInfo::valueStart(const QString& name) const {
    const QString key = QLatin1Char('#') + name + QLatin1Char('=');
    const int at = m_text.indexOf(key, 0, Qt::CaseInsensitive);
    return at < 0 ? -1 : at + key.size();
}

QString UpdateInfo::value(const QString& name) const {
    const int start = valueStart(name);
    if (start < 0)
        return {};
    int end = start;
    while (end < m_text.size() && !isControl(m_text.at(end)))
        ++end;
    return m_text.mid(start, end - start);
}

QString UpdateInfo::message() const {
    const int start = valueStart(QStringLiteral("message"));
    if (start < 0 || start >= m_text.size() || m_text.at(start) != QLatin1Char('{'))
        return {};
    const int close = m_text.indexOf(QLatin1Char('}'), start + 1);
    return close < 0 ? m_text.mid(start + 1) : m_text.mid(start + 1, close - start - 1);
}

QStringList UpdateInfo::fileList() const {
    QStringList files;
    for (const char* key : {"url", "url0"}) {
        const QString address = value(QLatin1String(key));
        if (!address.isEmpty())
            files << address;
    }
    for (int number = int(files.size()) + 1;; ++number) {
        const QString address = value(QStringLiteral("url%1").arg(number));
        if (address.isEmpty())
            break;
        files << address;
    }
    return files;
}

int UpdateInfo::method() const {
    const QString text = value(QStringLiteral("method"));
    if (text.startsWith(QLatin1Char('1')))
        return 1;
    if (text.startsWith(QLatin1Char('2')))
        return 2;
    return 0;
}

bool UpdateInfo::isNewerThan(VersionControl control, const QString& versionDate,
                               const QString& versionNumber, const QDate& today) const {
    if (control == VersionControl::byNumber)
        return compareVersionNumbers(value(QStringLiteral("version")), versionNumber) > 0;
    return readMonthDayYear(value(QStringLiteral("date")), today) > readMonthDayYear(versionDate, today);
}

QDate readMonthDayYear(const QString& text, const QDate& today) {
    const int first = text.indexOf(QLatin1Char('/'));
    const int second = first < 0 ? -1 : text.indexOf(QLatin1Char('/'), first + 1);
    if (second < 0)
        return today;
    bool okMonth = false, okDay = false, okYear = false;
    const int month = text.left(first).trimmed().toInt(&okMonth);
    const int day = text.mid(first + 1, second - first - 1).trimmed().toInt(&okDay);
    const int year = text.mid(second + 1).trimmed().toInt(&okYear);
    const QDate date(year, month, day);
    return okMonth && okDay && okYear && date.isValid() ? date : today;
}

int compareVersionNumbers(const QString& a, const QString& b) {
    auto parts = [](const QString& text, bool& numeric) {
        QList<qulonglong> numbers;
        const QStringList pieces = text.split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i) {
            if (i >= pieces.size()) {
                numbers << 0;
                continue;
            }
            bool ok = false;
            numbers << pieces[i].toULongLong(&ok);
            numeric = numeric && ok;
        }
        // More than four parts is not a version of ours.
        numeric = numeric && pieces.size() <= 4;
        return numbers;
    };
    bool numeric = true;
    const QList<qulonglong> left = parts(a, numeric);
    const QList<qulonglong> right = parts(b, numeric);
    if (!numeric) {
        const int order = a.toUtf8().compare(b.toUtf8());
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    for (int i = 0; i < 4; ++i)
        if (left[i] != right[i])
            return left[i] < right[i] ? -1 : 1;
    return 0;
}

QString lastSegment(const QString& address) {
    const int slash = qMax(address.lastIndexOf(QLatin1Char('/')), address.lastIndexOf(QLatin1Char('\\')));
    return address.mid(slash + 1);
}

QString withScheme(const QString& address) {
    return address.contains(QLatin1String("://")) ? address : QStringLiteral("http://") + address;
}
