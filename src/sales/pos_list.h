#pragma once
// PosList: the six product lines of the POS panel with their total and the change from the cash,
// kept apart from the panel so the rules are tested without a window.
#include <QString>
#include <array>

struct PosLine {
    QString code;
    QString name;
    QString model;
    QString quantity;  // as the seller's field showed it
    QString price;
    QString amount;    // two-decimal text

    // A line is free while its name is empty.
    bool isFree() const { return name.isEmpty(); }
};

class PosList {
public:
    static constexpr int kLines = 6;

    // Fills the first free line (lines are never moved up) and returns its index, or -1 when all
    // six hold a name; the cells are kept as given.
    int add(const PosLine& line);
    // The first free line, or -1.
    int firstFree() const;
    // "删": empties one line; the lines below stay where they are.
    void remove(int index);
    void clear();
    const PosLine& line(int index) const { return m_lines.at(size_t(index)); }
    PosLine& line(int index) { return m_lines.at(size_t(index)); }
    int filledCount() const;

    // Two-decimal text of the sum of the six amounts, an empty amount counting as 0. Throws
    // ConversionError for an amount that is not a number.
    QString totalText() const;

private:
    std::array<PosLine, kLines> m_lines;
};

// The change for the cash handed over: general number text of cash - total rounded to the fen
// ("62.5"). Throws
// ConversionError when either is not a number, the cash also when it is not a plain decimal.
QString posChangeText(const QString& cash, const QString& total);
