// How numbers and layers are written in the design file.
#include "router/design_file_names.h"

#include <algorithm>
#include <iterator>

#include "sdk/ascii_case.h"

namespace router {

void AppendDesignNumber(std::string& text, int32_t units) {
  // The magnitude of INT32_MIN fits 32 bits unsigned; a 32-bit division is far cheaper than a
  // 64-bit one on this target, and the writer formats millions of numbers.
  const bool negative = units < 0;
  const uint32_t magnitude =
      negative ? 0u - static_cast<uint32_t>(units) : static_cast<uint32_t>(units);
  uint32_t thousandths = magnitude / 10;
  const uint32_t rest = magnitude % 10;
  if (rest > 5 || (rest == 5 && thousandths % 2 == 1)) ++thousandths;
  const bool sign = negative && thousandths != 0;  // values that round to zero carry none
  char digits[16];
  char* end = digits + sizeof digits;
  char* at = end;
  for (int i = 0; i < 3; ++i, thousandths /= 10) *--at = static_cast<char>('0' + thousandths % 10);
  *--at = '.';
  do {
    *--at = static_cast<char>('0' + thousandths % 10);
    thousandths /= 10;
  } while (thousandths != 0);
  if (sign) *--at = '-';
  text.append(at, static_cast<size_t>(end - at));
}

std::string FormatDesignNumber(int32_t units) {
  std::string text;
  AppendDesignNumber(text, units);
  return text;
}

std::string_view DesignFileLayerName(LegacyLayer layer) {
  if (layer == kViaHoleLayer) return "POWER";
  if (layer == kKeepOutLayer || layer == kMultiLayer) return "signal";
  return LegacyLayerName(layer);
}

namespace {

struct Escape {
  std::string_view plain;
  std::string_view escaped;
};
constexpr Escape kEscapes[] = {{" ", "~SP~"}, {"(", "~LP~"}, {")", "~RP~"}};

}  // namespace

void ReplaceAllText(std::string& text, std::string_view search, std::string_view replacement) {
  if (search.empty()) return;
  for (size_t at = text.find(search); at != std::string::npos; at = text.find(search)) {
    text.replace(at, search.size(), replacement);
  }
}

void AppendEscapedName(std::string& text, std::string_view name) {
  // One character at a time: no escape contains a character that is escaped, so this is the
  // same as replacing each in turn.
  for (const char c : sdk::TrimBlanks(name)) {
    const Escape* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                        [c](const Escape& e) { return e.plain[0] == c; });
    if (escape == std::end(kEscapes)) {
      text += c;
    } else {
      text += escape->escaped;
    }
  }
}

std::string EscapeName(std::string_view name) {
  std::string text;
  AppendEscapedName(text, name);
  return text;
}

std::string UnescapeName(std::string_view name) {
  std::string text(sdk::TrimBlanks(name));
  for (const Escape& e : kEscapes) ReplaceAllText(text, e.escaped, e.plain);
  return text;
}

}  // namespace router
