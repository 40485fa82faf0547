// Number texts without the C runtime: strict integer and decimal parsers, and fixed-point
// formatting by exact integer arithmetic, so a text that lands in a file never depends on the
// runtime's locale or printf rounding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sdk {

// [+-]digits, the whole text, within the 32-bit signed range.
bool ParseInt32(std::string_view text, std::int32_t& value);

// [+-]digits, the whole text, within -2^31 .. 2^32-1: a 32-bit pattern written either signed or
// unsigned. The result is the pattern.
bool ParseInt32Pattern(std::string_view text, std::uint32_t& value);

// A decimal number, the whole text: [+-] then digits with an optional "." and fraction (either
// side may be empty, not both), then an optional exponent e[+-]digits. "." is the decimal point
// whatever the locale; no blanks, no "inf" or "nan". Correctly rounded to the nearest double.
bool ParseDecimal(std::string_view text, double& value);

// round(value * numerator / 10^denominator_exponent) written with `decimals` digits after the
// point, computed exactly from the double's binary value. Ties round away from zero, so a text
// and its negation mirror each other; zero is never written with a sign. Non-finite values are
// not numbers of a text: the caller rejects them.
//   FormatScaledFixed(12.7, 1, 0, 0) == "13", FormatScaledFixed(-0.00049, 1, 0, 3) == "0.000".
std::string FormatScaledFixed(double value, std::uint32_t numerator, int denominator_exponent,
                              int decimals);

}  // namespace sdk
