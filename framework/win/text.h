// Conversions between the host's 8-bit texts (the ANSI code page) and wide texts.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace win
