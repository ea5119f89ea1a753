// Locale-free formatting and parsing of numbers: "." is always the decimal separator.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace wl {

// Probabilities in files: 15 significant digits, trailing zeros and a trailing point removed, fixed-point from
// 0.00001 up (in magnitude) and an exponent below that ("1E-6", "1.5E-7"); 0 is "0".
QString FormatProbability(double value);

// Shortest text that reads back to the same double ("0.1", "1E-6" style as above for small values).
QString FormatRoundTrip(double value);

// Fixed-point with the given number of decimals, rounded half away from zero as printed values are: the shortest
// text of the value is rounded, so 0.145 gives "0.15" and 2.5 gives "3". Negative zero is "0".
QString FormatFixed(double value, int decimals);

// 17 significant digits, for the companion's full output.
QString FormatFull(double value);

QString FormatInteger(long long value);

// Integers: optional surrounding blanks, an optional sign, decimal digits, or "0x"/"$" and hexadecimal digits;
// the sign may stand before the prefix, and the signed value must fit 32 bits ("0xFFFFFFFF" is not -1). Anything
// else is not an integer.
std::optional<int32_t> ParseInteger(QStringView text);

// Reals: optional surrounding blanks, optional sign, digits with an optional "." fraction, optional exponent.
// "nan", "inf", hexadecimal floats and "," are not numbers. Too large for a double is not a number; too small
// reads as 0.
std::optional<double> ParseReal(QStringView text);

} // namespace wl
