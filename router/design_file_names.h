// How numbers and layers are written in the design file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "router/legacy_layer.h"

namespace router {

// Internal units (1/10000 mil) as mils with exactly three decimals: 125000 -> "12.500". Exact
// integer arithmetic; a remainder of exactly half a thousandth rounds to the even thousandth
// (12345 -> "1.234", 12355 -> "1.236"), symmetrically for negative values; zero has no sign.
std::string FormatDesignNumber(int32_t units);
// FormatDesignNumber appended to `text`.
void AppendDesignNumber(std::string& text, int32_t units);
// The most a length moves when FormatDesignNumber writes it: half a thousandth of a mil. Copper
// the router gives back as it was written may lie that far from the board's.
inline constexpr int32_t kDesignNumberRounding = 5;
// One thousandth of a mil, the step of the file's numbers: a router may give a length back a step
// off what the file wrote, either way (19.685 as 19.686).
inline constexpr int32_t kDesignNumberStep = 10;
// The most bytes FormatDesignNumber gives ("-214748.365").
inline constexpr size_t kMaxDesignNumberSize = 11;
// FormatDesignNumber written at `at`, which has room for kMaxDesignNumberSize bytes (those past
// the number may be overwritten); returns the end of the number.
char* PutDesignNumber(char* at, int32_t units);

// Names in the design file cannot hold blanks or parentheses: trimmed, then " " becomes "~SP~",
// "(" "~LP~" and ")" "~RP~". UnescapeName reverses it.
std::string EscapeName(std::string_view name);
// EscapeName appended to `text`.
void AppendEscapedName(std::string& text, std::string_view name);
// The most bytes EscapeName makes of one character.
inline constexpr size_t kMaxEscapeSize = 4;
// EscapeName written at `at`, which has room for kMaxEscapeSize bytes a character of `name`;
// returns the end of the name.
char* PutEscapedName(char* at, std::string_view name);
std::string UnescapeName(std::string_view name);

// The quote character a router reads names with unless the design file declares another.
inline constexpr char kRouterStringQuote = '"';
// The quote characters names hold that decide the design file's string quote, as bits.
enum HeldQuote : unsigned { kHoldsRouterQuote = 1, kHoldsSingleQuote = 2, kHoldsDollar = 4 };
// The string quote the design file declares for names: none (0) while no name holds the router's
// own, so that such files stay as they were; else the first of ' and $ that no name holds, under
// which a name holding " reads as it stands. None when every one is held.
char DeclaredStringQuote(unsigned held_quotes);
char DeclaredStringQuote(std::span<const std::string_view> names);
// The HeldQuote bits of the names escaped on this thread (EscapeName and its kin) since the last
// call, which starts the record again: the names a design file was written with.
unsigned TakeEscapedNameQuotes();

// Replaces the first occurrence of `search` by `replacement` until none is left (a replacement
// may complete a new occurrence, which is replaced too). `replacement` must not contain `search`.
void ReplaceAllText(std::string& text, std::string_view search, std::string_view replacement);

// The layer's name in the design file: 82 "POWER", 56 and 74 "signal", else its legacy name.
std::string_view DesignFileLayerName(LegacyLayer layer);

}  // namespace router
