// How number cells read and write their texts: in the user's locale, integers rounded half
// to even and held within their range, floats in general format.
#pragma once

#include <string>

namespace treelist {

// A number in the user's locale (its decimal separator or "."), blanks around it allowed;
// false when the text is no number.
bool TryParseNumber(const std::wstring& text, double& value);
// How an integer cell writes `value`: rounded half to even, held within the integer range.
std::wstring IntegerCellText(double value);
// How a float cell writes `value`: general format, 15 significant digits, locale separator.
std::wstring FloatCellText(double value);

}  // namespace treelist
