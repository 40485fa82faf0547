// Number entry of the own-drawn edits: which characters a number field takes, and the text of a
// number in a radix, read and written with "." as the decimal point whatever the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace controls {

enum class TNumberTypeEx { ntNone, ntUnsignedInt, ntSignedInt, ntFloat };
enum class TRadix { rdxBinary, rdxOctal, rdxDecimal, rdxHexadecimal };

// 2, 8, 10 or 16.
int RadixBase(TRadix radix) noexcept;

// True when a field of that type and radix takes the character (always with ntNone).
bool IsNumberChar(wchar_t c, TNumberTypeEx type, TRadix radix) noexcept;

// The number a field's text stands for; 0 for a text that is not one. Unsigned digits saturate at
// the largest 64-bit value instead of wrapping round.
double ParseNumberText(std::wstring_view text, TNumberTypeEx type, TRadix radix);

// The field's text for a number: integers rounded half to even, in the radix for unsigned ones
// (negative values give "0"); floats with `precision` decimals. Nothing (empty) for ntNone.
std::wstring FormatNumberText(double value, TNumberTypeEx type, TRadix radix, int precision);

}  // namespace controls
