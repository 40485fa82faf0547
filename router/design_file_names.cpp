// How numbers and layers are written in the design file.
#include "router/design_file_names.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

#include "sdk/ascii_case.h"

namespace router {

namespace {

// "00" to "99": two digits a division, the writer formats millions of numbers.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

char* PutDesignNumber(char* at, int32_t units) {
  // The magnitude of INT32_MIN fits 32 bits unsigned; a 32-bit division is far cheaper than a
  // 64-bit one on this target.
  const bool negative = units < 0;
  const uint32_t magnitude =
      negative ? 0u - static_cast<uint32_t>(units) : static_cast<uint32_t>(units);
  uint32_t thousandths = magnitude / 10;
  const uint32_t rest = magnitude % 10;
  if (rest > 5 || (rest == 5 && thousandths % 2 == 1)) ++thousandths;
  if (negative && thousandths != 0) *at++ = '-';  // values that round to zero carry none
  // The digits go straight to their places, two at a time from the right: digits made in a
  // scratch and copied over in one piece were read back right after their stores, which stalls.
  uint32_t whole = thousandths / 1000;
  const uint32_t fraction = thousandths % 1000;
  const int whole_digits = whole < 10       ? 1
                           : whole < 100    ? 2
                           : whole < 1000   ? 3
                           : whole < 10000  ? 4
                           : whole < 100000 ? 5
                                            : 6;  // 214748 at most
  char* const point = at + whole_digits;
  point[0] = '.';
  point[1] = static_cast<char>('0' + fraction / 100);
  std::memcpy(point + 2, kDigitPairs + 2 * (fraction % 100), 2);
  char* digit = point;
  while (whole >= 100) {
    digit -= 2;
    std::memcpy(digit, kDigitPairs + 2 * (whole % 100), 2);
    whole /= 100;
  }
  if (whole >= 10) {
    std::memcpy(digit - 2, kDigitPairs + 2 * whole, 2);
  } else {
    digit[-1] = static_cast<char>('0' + whole);
  }
  return point + 4;
}

void AppendDesignNumber(std::string& text, int32_t units) {
  char number[kMaxDesignNumberSize];
  text.append(number, static_cast<size_t>(PutDesignNumber(number, units) - number));
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
static_assert(std::all_of(std::begin(kEscapes), std::end(kEscapes),
                          [](const Escape& e) { return e.escaped.size() == kMaxEscapeSize; }));

}  // namespace

void ReplaceAllText(std::string& text, std::string_view search, std::string_view replacement) {
  if (search.empty()) return;
  for (size_t at = text.find(search); at != std::string::npos; at = text.find(search)) {
    text.replace(at, search.size(), replacement);
  }
}

namespace {

thread_local unsigned escaped_name_quotes = 0;

unsigned HeldQuoteOf(char c) {
  switch (c) {
    case kRouterStringQuote: return kHoldsRouterQuote;
    case '\'': return kHoldsSingleQuote;
    case '$': return kHoldsDollar;
    default: return 0;
  }
}

// Hands `put` each character of the trimmed name that stays and the escape of each that does not.
// One character at a time: no escape contains a character that is escaped, so this is the same
// as replacing each in turn.
template <class Put>
void EscapeEach(std::string_view name, Put&& put) {
  unsigned quotes = 0;  // noted once a name: a thread's own variable is a call away here
  for (const char c : sdk::TrimBlanks(name)) {
    const Escape* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                        [c](const Escape& e) { return e.plain[0] == c; });
    if (escape == std::end(kEscapes)) {
      quotes |= HeldQuoteOf(c);
      put(c);
    } else {
      put(escape->escaped);
    }
  }
  if (quotes) escaped_name_quotes |= quotes;
}

}  // namespace

char* PutEscapedName(char* at, std::string_view name) {
  EscapeEach(name, [&at](auto piece) {
    if constexpr (std::is_same_v<decltype(piece), char>) {
      *at++ = piece;
    } else {
      std::memcpy(at, piece.data(), kMaxEscapeSize);
      at += kMaxEscapeSize;
    }
  });
  return at;
}

void AppendEscapedName(std::string& text, std::string_view name) {
  // Names are short: a character at a time is cheaper than room made for the longest result.
  EscapeEach(name, [&text](auto piece) { text += piece; });
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

char DeclaredStringQuote(unsigned held_quotes) {
  if (!(held_quotes & kHoldsRouterQuote)) return 0;
  for (const char quote : {'\'', '$'}) {
    if (!(held_quotes & HeldQuoteOf(quote))) return quote;
  }
  return 0;
}

char DeclaredStringQuote(std::span<const std::string_view> names) {
  unsigned held = 0;
  for (const std::string_view name : names) {
    for (const char c : name) held |= HeldQuoteOf(c);
  }
  return DeclaredStringQuote(held);
}

unsigned TakeEscapedNameQuotes() { return std::exchange(escaped_name_quotes, 0u); }

}  // namespace router
