#include "sales/pos_list.h"

#include "store/dataset.h"
#include "text/number_text.h"

int PosList::firstFree() const {
    for (int i = 0; i < kLines; ++i)
        if (m_lines[size_t(i)].isFree())
            return i;
    return -1;
}

int PosList::add(const PosLine& line) {
    const int index = firstFree();
    if (index >= 0)
        m_lines[size_t(index)] = line;
    return index;
}

void PosList::remove(int index) {
    if (index >= 0 && index < kLines)
        m_lines[size_t(index)] = PosLine();
}

void PosList::clear() { m_lines.fill(PosLine()); }

int PosList::filledCount() const {
    int n = 0;
    for (const PosLine& l : m_lines)
        n += l.isFree() ? 0 : 1;
    return n;
}

QString PosList::totalText() const {
    double sum = 0;
    for (const PosLine& l : m_lines)
        if (!l.amount.isEmpty())
            sum += textToNumber(l.amount);
    return twoDecimalText(sum);
}

QString posChangeText(const QString& cash, const QString& total) {
    // The cash is typed (or pasted); the total is the panel's own two-decimal text.
    const double c = readPlainDecimal(cash, false);
    const double t = textToNumber(total);
    // Rounded to the fen like every printed amount, so 10 - 7.1 reads 2.9 and not 2.9000000000000004.
    return generalNumberText(roundDecimal(c - t, 2));
}
