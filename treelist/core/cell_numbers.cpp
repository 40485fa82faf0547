// How number cells read and write their texts.
#include "treelist/core/cell_numbers.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>

#include "framework/rounding.h"

namespace treelist {
namespace {

std::wstring DecimalSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) <= 0) return L".";
  return buffer;
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty() || from == to) return;
  for (size_t at = text.find(from); at != std::wstring::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

bool TryParseNumber(const std::wstring& text, double& value) {
  std::wstring plain = text;
  ReplaceAll(plain, DecimalSeparator(), L".");
  const wchar_t* begin = plain.c_str();
  while (std::iswspace(*begin)) ++begin;
  if (!*begin) return false;
  wchar_t* end = nullptr;
  const double parsed = std::wcstod(begin, &end);
  while (std::iswspace(*end)) ++end;
  if (*end || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

std::wstring IntegerCellText(double value) {
  if (std::isnan(value)) return L"0";
  const double rounded = std::clamp(framework::RoundHalfEven(value), static_cast<double>(INT_MIN),
                                    static_cast<double>(INT_MAX));
  return std::to_wstring(static_cast<int>(rounded));
}

std::wstring FloatCellText(double value) {
  wchar_t buffer[40] = {};
  std::swprintf(buffer, 40, L"%.15G", value);
  std::wstring text = buffer;
  // "1.5E+020" as the locale writes it: "1.5E20" (a printed exponent has a sign and digits).
  const size_t e = text.find(L'E');
  if (e != std::wstring::npos) {
    const bool negative = text[e + 1] == L'-';
    const size_t digits = text.find_first_not_of(L'0', e + 2);
    text = text.substr(0, e + 1) + (negative ? L"-" : L"") + text.substr(digits);
  }
  ReplaceAll(text, L".", DecimalSeparator());
  return text;
}

}  // namespace treelist
