#pragma once
// The two ways numbers become text everywhere in the program.
#include <QString>
#include <optional>

// At most 15 significant digits, no trailing zeros, "." and "-", exponent form with a capital E
// from 1E15 up and below 0.00001 ("7.5", "0.3", "12", "1E15", "1E-6").
QString generalNumberText(double value);
// "0.00": two decimals, halves away from zero on the 15-digit decimal form (2.675 -> "2.68").
QString twoDecimalText(double value);
// Rounded to the given decimals on the 15-digit decimal form, halves away from zero.
double roundDecimal(double value, int decimals);
// A number under a display picture of "#" (optional digit) and "0" (forced digit) with an optional
// ".": "#.##" shows at most two decimals, halves away from zero, no leading zero and no trailing
// zeros (0.5 -> ".5", 12.345 -> "12.35"), and a value that rounds to zero as an empty text. An empty
// picture gives the general number text.
QString pictureNumberText(double value, const QString& picture);

// The one reader of numbers people type, paste or pass: blanks around it aside, only digits with at
// most one "." (and a leading "-" when negatives are allowed), at least one digit, and a finite
// value. "nan", "inf", "1e2", "+5", "0x10", "1,5" and a number too big for a double give nothing.
std::optional<double> parsePlainDecimal(const QString& text, bool allowNegative);
// The same, for a value an action cannot go on without: throws ConversionError naming the text.
double readPlainDecimal(const QString& text, bool allowNegative);
