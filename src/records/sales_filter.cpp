#include "records/sales_filter.h"

#include "store/database.h"
#include "store/dataset.h"
#include "store/query.h"
#include "store/sales_table.h"

#include <QDate>
#include <algorithm>
#include <cstring>

namespace {

// The longest pattern the engine takes; a longer one is an error there, so the engine says so.
constexpr size_t kLongestPattern = 50000;

// One character as the engine reads it: a lead byte takes every continuation byte after it, and
// what decodes to no character (an overlong form, a surrogate) reads as U+FFFD.
uint32_t readCharacter(const unsigned char*& p, const unsigned char* end) {
    if (p == end)
        return 0;
    uint32_t c = *p++;
    if (c < 0xC0)
        return c;
    static const unsigned char kLeadBits[64] = {
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00};
    c = kLeadBits[c - 0xC0];
    while (p < end && (*p & 0xC0) == 0x80)
        c = (c << 6) + (0x3F & *p++);
    if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
        c = 0xFFFD;
    return c;
}

uint32_t lower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

enum class Match { Yes, No, NoFurther };  // NoFurther: no later start can match either

Match compare(const unsigned char* p, const unsigned char* pEnd, const unsigned char* s, const unsigned char* sEnd) {
    uint32_t c;
    while ((c = readCharacter(p, pEnd)) != 0) {
        if (c == '%') {
            while ((c = readCharacter(p, pEnd)) == '%' || c == '_')
                if (c == '_' && readCharacter(s, sEnd) == 0)
                    return Match::NoFurther;
            if (c == 0)
                return Match::Yes;
            // Try each place where the character after the run of wildcards stands.
            for (;;) {
                const uint32_t c2 = readCharacter(s, sEnd);
                if (c2 == 0)
                    return Match::NoFurther;
                if (c2 == c || (c < 0x80 && lower(c2) == lower(c))) {
                    const Match m = compare(p, pEnd, s, sEnd);
                    if (m != Match::No)
                        return m;
                }
            }
        }
        const uint32_t c2 = readCharacter(s, sEnd);
        if (c == c2 || (c < 0x80 && c2 < 0x80 && lower(c) == lower(c2)))
            continue;
        if (c == '_' && c2 != 0)
            continue;
        return Match::No;
    }
    return s == sEnd ? Match::Yes : Match::No;
}

// The bytes up to the first zero byte.
std::string_view upToZero(std::string_view bytes) {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    return zero ? bytes.substr(0, size_t(static_cast<const char*>(zero) - bytes.data())) : bytes;
}

const ColumnStore* storedColumn(const Dataset& sales, const QString& name) {
    const int index = sales.columnIndex(name);
    return index < 0 ? nullptr : &sales.storedColumn(index);
}

QString isoDate(const QString& text) {
    const QString format = QStringLiteral("yyyy-MM-dd");
    return QDate::fromString(text, format).toString(format);
}

// The fields of the search box with the columns each looks in, as the search statement has them.
struct TextCondition {
    QString text;
    QStringList columns;
};

QList<TextCondition> textConditions(const SalesSearchConditions& c) {
    using namespace salesrecord;
    return {{c.category, {kCategory}},     {c.nameInitials, {kNameInitials, kName}},
            {c.code, {kCode}},             {c.modelInitials, {kModelInitials, kModel}},
            {c.customerName, {kCustomerName}}, {c.remark, {kRemark}}};
}

}  // namespace

bool likeMatches(std::string_view text, std::string_view pattern) {
    text = upToZero(text);
    pattern = upToZero(pattern);
    const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    return compare(p, p + pattern.size(), s, s + text.size()) == Match::Yes;
}

std::optional<std::vector<int>> heldSearchRows(const Dataset& sales, const SalesSearchConditions& c) {
    using Kind = ColumnStore::Kind;
    namespace s = salesrecord;
    const size_t rows = size_t(sales.storedRowCount());
    const ColumnStore* quantity = storedColumn(sales, s::kQuantity);
    const ColumnStore* id = storedColumn(sales, s::kId);
    if (!quantity || !id || quantity->kind() == Kind::Text || id->kind() != Kind::Number)
        return std::nullopt;
    // "[3]>0": an empty cell does not pass; a text in the column would, so such a column is left
    // to the engine above.
    std::vector<uint8_t> keep(rows, 0);
    if (quantity->kind() == Kind::Number)
        for (size_t r = 0; r < rows; ++r)
            keep[r] = !quantity->isNull(int(r)) && quantity->number(int(r)) > 0;

    std::vector<uint8_t> found;
    const auto narrow = [&](const QStringList& columns, const std::function<bool(std::string_view)>& test) {
        found.assign(rows, 0);
        for (const QString& name : columns) {
            const ColumnStore* column = storedColumn(sales, name);
            if (!column || column->kind() == Kind::Number)
                return false;
            column->markTexts(found, test);
        }
        for (size_t r = 0; r < rows; ++r)
            keep[r] &= found[r];
        return true;
    };
    for (const TextCondition& condition : textConditions(c)) {
        if (condition.text.isEmpty())
            continue;
        const QByteArray pattern = containsPattern(condition.text).toUtf8();
        if (size_t(pattern.size()) > kLongestPattern)
            return std::nullopt;
        const std::string_view p(pattern.constData(), size_t(pattern.size()));
        if (!narrow(condition.columns, [p](std::string_view text) { return likeMatches(text, p); }))
            return std::nullopt;
    }
    if (c.dateRange) {
        const QByteArray from = isoDate(c.dateFrom).toUtf8(), to = isoDate(c.dateTo).toUtf8();
        const std::string_view f(from.constData(), size_t(from.size())), t(to.constData(), size_t(to.size()));
        if (!narrow({s::kDate}, [f, t](std::string_view day) { return day >= f && day <= t; }))
            return std::nullopt;
    }

    std::vector<int> shown;
    shown.reserve(size_t(std::count(keep.begin(), keep.end(), uint8_t(1))));
    for (size_t r = 0; r < rows; ++r)
        if (keep[r])
            shown.push_back(int(r));
    // The engine scans the table in identity order; rows held from "全部记录" are in that order
    // already.
    const auto byIdentity = [id](int a, int b) { return id->number(a) < id->number(b); };
    if (!std::is_sorted(shown.begin(), shown.end(), byIdentity))
        id->sortRows(shown, false);
    if (c.dateRange) {
        const LedgerEngine::TextOrder order = sales.database().engine().orderOf(s::kTable, s::kDate);
        if (order == LedgerEngine::TextOrder::Unknown)
            return std::nullopt;
        storedColumn(sales, s::kDate)->sortRowsAsEngine(shown, false, order == LedgerEngine::TextOrder::BytesIgnoringCase);
    }
    return shown;
}

bool HeldSales::answers(const Dataset& sales, const SalesSearchConditions& c) const {
    if (m_reading == Reading::Other || !sales.isOpen() || sales.storedRowCount() != m_rows ||
        sales.database().engine().changesElsewhere() != m_changesElsewhere)
        return false;
    if (m_reading == Reading::Every)
        return true;
    // Every row of the new search is among the held ones when each condition held is kept or
    // narrowed: a text that contains the one held matches only where it does.
    const QList<TextCondition> now = textConditions(c), then = textConditions(m_search);
    for (qsizetype i = 0; i < now.size(); ++i)
        if (!now[i].text.contains(then[i].text))
            return false;
    if (!m_search.dateRange)
        return true;
    return c.dateRange && isoDate(c.dateFrom) >= isoDate(m_search.dateFrom) &&
           isoDate(c.dateTo) <= isoDate(m_search.dateTo);
}

void HeldSales::open(Dataset& sales, const SalesStatement& statement, Reading reading,
                     const SalesSearchConditions& conditions) {
    if (reading == Reading::Search && answers(sales, conditions)) {
        if (std::optional<std::vector<int>> rows = heldSearchRows(sales, conditions)) {
            sales.showStoredRows(statement.sql, statement.params, std::move(*rows));
            return;
        }
    }
    forget();
    OpenQuery(sales, statement.sql, statement.params);
    m_reading = reading;
    m_search = conditions;
    m_rows = sales.storedRowCount();
    m_changesElsewhere = sales.database().engine().changesElsewhere();
}
