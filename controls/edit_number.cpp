// Number entry of the own-drawn edits.
#include "controls/edit_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace controls {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The field's characters as bytes; anything beyond Latin-1 cannot be part of a number.
std::string NumberBytes(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t c : text) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return bytes;
}

double ParseUnsigned(std::wstring_view text, int base) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (wchar_t c : text) {
    const wchar_t upper = c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
    int digit = 0;
    for (int i = 0; i < base; ++i) {
      if (upper == static_cast<wchar_t>(kDigits[i])) digit = i;
    }
    // A long digit string stays at the largest value instead of wrapping into a small one.
    if (value > (kMax - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
      value = kMax;
    } else {
      value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
  }
  return static_cast<double>(value);
}

double ParseSigned(std::wstring_view text) {
  const std::string bytes = NumberBytes(text);
  std::string_view digits = TrimSpaces(bytes);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return 0;
  return static_cast<double>(value);
}

double ParseFloat(std::wstring_view text) {
  const std::string bytes = NumberBytes(text);
  std::string_view number = TrimSpaces(bytes);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) return 0;
  return value;
}

// Half to even (the floating-point unit's default rounding), held within 64 bits.
template <class Int>
Int RoundToInt(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded <= static_cast<double>(std::numeric_limits<Int>::min())) {
    return std::numeric_limits<Int>::min();
  }
  if (rounded >= static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::numeric_limits<Int>::max();
  }
  return static_cast<Int>(rounded);
}

std::wstring Widen(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

int RadixBase(TRadix radix) noexcept {
  switch (radix) {
    case TRadix::rdxBinary: return 2;
    case TRadix::rdxOctal: return 8;
    case TRadix::rdxHexadecimal: return 16;
    case TRadix::rdxDecimal: break;
  }
  return 10;
}

bool IsNumberChar(wchar_t c, TNumberTypeEx type, TRadix radix) noexcept {
  if (type == TNumberTypeEx::ntNone) return true;
  if (c == L'-') return type == TNumberTypeEx::ntSignedInt || type == TNumberTypeEx::ntFloat;
  if (c == L'.') return type == TNumberTypeEx::ntFloat;
  const wchar_t upper = c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
  for (int i = 0; i < RadixBase(radix); ++i) {
    if (upper == static_cast<wchar_t>(kDigits[i])) return true;
  }
  return false;
}

double ParseNumberText(std::wstring_view text, TNumberTypeEx type, TRadix radix) {
  switch (type) {
    case TNumberTypeEx::ntUnsignedInt: return ParseUnsigned(text, RadixBase(radix));
    case TNumberTypeEx::ntSignedInt: return ParseSigned(text);
    case TNumberTypeEx::ntFloat: return ParseFloat(text);
    case TNumberTypeEx::ntNone: break;
  }
  return 0;
}

std::wstring FormatNumberText(double value, TNumberTypeEx type, TRadix radix, int precision) {
  switch (type) {
    case TNumberTypeEx::ntUnsignedInt: {
      uint64_t number = RoundToInt<uint64_t>(value);
      if (number == 0) return L"0";
      const auto base = static_cast<uint64_t>(RadixBase(radix));
      std::wstring digits;
      for (; number > 0; number /= base) digits.insert(digits.begin(), kDigits[number % base]);
      return digits;
    }
    case TNumberTypeEx::ntSignedInt: return std::to_wstring(RoundToInt<int64_t>(value));
    case TNumberTypeEx::ntFloat: {
      char buffer[400];
      const auto [end, error] =
          std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                        std::clamp(precision, 0, 15));
      return error == std::errc() ? Widen(std::string_view(buffer, end - buffer)) : L"0";
    }
    case TNumberTypeEx::ntNone: break;
  }
  return {};
}

}  // namespace controls
