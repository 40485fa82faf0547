// The text routines every unit of the library uses: search and replace with the library's own
// upper-case table, trimming, numbers with a "$" hexadecimal form, byte sizes, separated lists and
// system error texts. Texts are 8-bit; positions are 1-based, 0 meaning "not found".
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

using TCharSet = std::bitset<256>;

// A set of the given characters.
TCharSet CharSet(std::string_view chars);

// Search between `from` and `to` (-1: the end); when from > to the search runs backwards from
// `from`. 0 when not found or when from or to is 0.
int PosStr(std::string_view sub, std::string_view text, int from = 1, int to = -1);
int PosText(std::string_view sub, std::string_view text, int from = 1, int to = -1);
int PosChars(const TCharSet& set, std::string_view text, int from = 1, int to = -1);
bool StartsText(std::string_view prefix, std::string_view text);

// Replace every occurrence; with `rescan`, text made by a replacement is searched again. True
// when something was replaced.
bool ReplaceStr(std::string& text, std::string_view oldText, std::string_view newText,
                bool rescan = false);
bool ReplaceText(std::string& text, std::string_view oldText, std::string_view newText,
                 bool rescan = false);

// Removing characters 0 to 32 at both ends.
void Trim(std::string& text);
std::string TrimStr(std::string_view text);
bool KillChars(std::string& text, const TCharSet& set);
std::string RetDelete(std::string_view text, int index, int count);
void Keep(std::string& text, int index, int count);
std::string RightStr(std::string_view text, int count);

// Upper case through the library's table (Windows-1252 letters).
char UpChar(char c);
// Only "a" to "z" and the bytes of a, o and u with umlaut are raised.
char UpCaseChar(char c);
std::string UpStr(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);

// Decimal padded with `fill` to abs(width): on the left for width >= 1, on the right when
// negative; with a digit fill a "-" stays in front of the padding.
std::string IntToStrEx(int32_t value, int width = 0, char fill = ' ');
std::string IntToStrEx(uint32_t value, int width = 0, char fill = ' ');
std::string IntToStrEx(int64_t value, int width = 0, char fill = ' ');
// Lower-case hexadecimal without leading zeros; the 64-bit form writes the low word with eight
// digits after a non-zero high word.
std::string IntToHex(uint32_t value);
std::string IntToHex(uint64_t value);
// "$" and lower-case hexadecimal. With a hexadecimal-digit fill or a negative width the digits are
// padded to abs(width); with any other fill "$" and digits are padded on the left to width + 1.
std::string IntToHexEx(uint32_t value, int width = 0, char fill = '0');
std::string IntToHexEx(uint64_t value, int width = 0, char fill = '0');
// Decimal or hexadecimal value of the characters up to the first one that is no digit; a
// leading "-" negates.
int64_t StrToIntEx(bool hex, std::string_view text);

// "1023 Bytes", "1,50 KB", "12,00 MB", "3,25 GB"; the sign is dropped. The one-argument form uses
// the thread locale's decimal separator (read once; "," when unreadable).
std::string SizeToStr(int64_t value, char decimalSeparator);
std::string SizeToStr(int64_t value);
char DecimalSeparator();

// The system's text for an error code (status values and network errors included), on one line;
// "Error $<code>" when the system has none.
std::string ErrorCodeToStr(uint32_t code);

// Separated lists: items separated by one character.
void FormatSubStrs(std::string& list, char separator = ',');
int SubStrCount(std::string_view list, char separator = ',');
std::string SubStr(std::string_view list, int index, char separator = ',');
bool IsTextInList(std::string_view list, std::string_view text, char separator = ',');

// Each byte as one 16-bit unit, no code page; optionally a terminating zero unit.
std::wstring WideFromBytes(std::string_view text, bool terminate);

// Deciphers a stored secret: with key2 and the first initial counter, then with key1 and the
// second (the counter form of Decrypt, which is its own inverse: a tool enciphers with the same
// counters in the reverse order).
constexpr uint32_t kSecretCounter1 = 0x5A3C9E17;
constexpr uint32_t kSecretCounter2 = 0x2D81F46B;
std::string DecryptTwice(std::string_view text, std::string_view key1, std::string_view key2);

}  // namespace drosk
