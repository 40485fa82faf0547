// Conversions between the host's 8-bit texts (the ANSI code page) and wide texts.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::wstring Widen(std::string_view text);
// Equal texts, ASCII letters compared without regard to case (names of components,
// properties, sections).
bool SameText(std::string_view a, std::string_view b) noexcept;
// The text with its ASCII letters in lower case: SameText texts, and only they, fold alike.
std::string FoldedText(std::string_view text);
std::string Narrow(std::wstring_view text);
// The system's text for an error code, without its line end ("system error N" when it has none).
std::string SystemErrorText(unsigned long error);

}  // namespace win
