#pragma once
// Money amounts written out in Chinese capital numerals (大写) for the printed sales documents.
#include <QString>

struct CapitalsResult {
    QString text;          // the capitals; empty for a zero amount and for a refused input
    bool refused = false;  // the caller tells the user (two message boxes) and goes on with no text
    int refusedCode = -1;  // the code of the first refused character (its first GBK byte), or -1
    QString message;       // the text of the message box that follows the code
};

// The error message that follows the code of a refused character.
extern const QString kCapitalsReadError;
// The refusal of an amount too large for the position units (more than 28 yuan digits).
extern const QString kCapitalsTooLarge;
constexpr int kCapitalsMaxYuanDigits = 28;

// Reads the amount in yuan digit by digit (never through a floating-point number): digits and
// at most one "."; the fen beyond the second decimal are cut, not rounded. More than one "." or
// a zero amount gives an empty text without refusal. Shows nothing.
CapitalsResult AmountInCapitals(const QString& amount);
