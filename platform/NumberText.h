#pragma once

#include <QChar>
#include <QString>

namespace platform {

// Number texts. Rounding everywhere works on the value's 17-significant-digit
// decimal expansion, rounded half away from zero on the digits, so 0.125 to
// two decimals is 0.13 and 2.5 to no decimals is 3.

// The general decimal form: at most `precision` significant digits (1..17),
// no trailing zeros, no thousands separator, no separator for whole numbers.
// Exponent form ("1E15", "1.5E-6") when the decimal exponent is at least
// `precision` or a non-zero magnitude is below 0.00001.
QString formatGeneral(double v, QChar decimalSep, int precision = 15);

// Rounded to at most `precision` significant digits and `decimals` decimals,
// written with exactly `decimals` decimals and no thousands separator; a value
// that rounds to zero has no sign. With more integer digits than `precision`
// the exponent form d,dddE+n is used instead.
QString formatFixed(double v, int precision, int decimals, QChar decimalSep);

// Blanks, an optional sign, digits with at most one decimalSep (either side
// of it may be empty, not both), an optional exponent, blanks. Out-of-range
// values fail; *out is written only on success.
bool parseDecimal(const QString& text, QChar decimalSep, double* out);

// A 32-bit signed whole number: leading blanks, an optional sign, digits.
bool parseInteger(const QString& text, int* out);

// The integer part of x (toward zero), plus 1 when x has a positive fraction.
// Saturates at the int range; NaN gives 0.
int RoundUp(double x);

// The nearest whole number, exact halves going to the even neighbour.
double roundHalfEven(double x);

// x rounded to single precision.
float toSingle(double x);

} // namespace platform
