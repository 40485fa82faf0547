// Text, number and list routines of the library, with its own upper-case table.
#include "crashreport/drosk_strings.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

#include "crashreport/drosk_crypt.h"
#include "framework/win/handles.h"

namespace drosk {

namespace {

// Upper case of the library's 8-bit texts (Windows-1252): a-z, the accented small letters from
// 0xE0 (not the division sign 0xF7), and the four small letters of 0x9A, 0x9C, 0x9E and 0xFF.
constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[c] = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) table[c] = c - 32;
  }
  table[0x9A] = 0x8A;
  table[0x9C] = 0x8C;
  table[0x9E] = 0x8E;
  table[0xFF] = 0x9F;
  return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

bool IsBlank(char c) { return Byte(c) <= 32; }

// The 1-based window of a search, or false when there is nothing to search.
struct SearchRange {
  int first;
  int last;
  bool backwards;
};

bool MakeRange(size_t textLength, size_t subLength, int from, int to, SearchRange& range) {
  const int length = static_cast<int>(textLength);
  if (from == 0 || to == 0 || subLength == 0 || subLength > textLength) return false;
  if (to < 0) to = length;
  const int lastStart = length - static_cast<int>(subLength) + 1;
  if (from > to) {
    range = {std::min(from, lastStart), std::max(to, 1), true};
    return range.first >= range.last;
  }
  range = {std::max(from, 1), std::min(to - static_cast<int>(subLength) + 1, lastStart), false};
  return range.first <= range.last;
}

template <class Equal>
int Search(std::string_view sub, std::string_view text, int from, int to, Equal equal) {
  SearchRange r;
  if (!MakeRange(text.size(), sub.size(), from, to, r)) return 0;
  const int step = r.backwards ? -1 : 1;
  for (int p = r.first; r.backwards ? p >= r.last : p <= r.last; p += step) {
    if (std::equal(sub.begin(), sub.end(), text.begin() + (p - 1), equal)) return p;
  }
  return 0;
}

bool SameChar(char a, char b) { return a == b; }
bool SameCharText(char a, char b) { return kUpper[Byte(a)] == kUpper[Byte(b)]; }

// Forward search only: a start beyond the text must not turn into a backward search.
template <class Equal>
int SearchForward(std::string_view sub, std::string_view text, int from, Equal equal) {
  return from > static_cast<int>(text.size()) ? 0 : Search(sub, text, from, -1, equal);
}

template <class Equal>
bool Replace(std::string& text, std::string_view oldText, std::string_view newText, bool rescan,
             Equal equal) {
  if (oldText.empty()) return false;
  // A replacement that contains what it replaces would be found again forever.
  rescan = rescan && SearchForward(oldText, newText, 1, equal) == 0;
  bool replaced = false;
  int from = 1;
  while (int p = SearchForward(oldText, text, from, equal)) {
    text.replace(p - 1, oldText.size(), newText);
    replaced = true;
    from = rescan ? p : p + static_cast<int>(newText.size());
  }
  return replaced;
}

std::string Padded(std::string text, int width, char fill) {
  const size_t size = static_cast<size_t>(std::abs(width));
  if (text.size() >= size) return text;
  return width >= 1 ? std::string(size - text.size(), fill) + text
                    : text + std::string(size - text.size(), fill);
}

std::string SignedDecimal(bool negative, uint64_t magnitude, int width, char fill) {
  std::string digits = std::to_string(magnitude);
  if (negative && width >= 1 && fill >= '0' && fill <= '9') {
    return "-" + Padded(digits, width - 1, fill);
  }
  return Padded(negative ? "-" + digits : digits, width, fill);
}

std::string HexDigits(uint64_t value, int minDigits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 15]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < minDigits);
  return text;
}

std::string DollarHex(const std::string& digits, int width, char fill) {
  if (std::isxdigit(Byte(fill)) || width < 0) return "$" + Padded(digits, width, fill);
  return Padded("$" + digits, width + 1, fill);
}

// Formats a message of the system or of a message module, on one line.
std::string SystemMessage(DWORD flags, HMODULE source, uint32_t code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, source, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", buffer ? length : 0);
  LocalFree(buffer);
  std::string line;
  for (char c : text) {
    if (c == '\r')
      line += ' ';
    else if (c != '\n')
      line += c;
  }
  return line;
}

}  // namespace

TCharSet CharSet(std::string_view chars) {
  TCharSet set;
  for (char c : chars) set.set(Byte(c));
  return set;
}

int PosStr(std::string_view sub, std::string_view text, int from, int to) {
  return Search(sub, text, from, to, SameChar);
}

int PosText(std::string_view sub, std::string_view text, int from, int to) {
  return Search(sub, text, from, to, SameCharText);
}

int PosChars(const TCharSet& set, std::string_view text, int from, int to) {
  SearchRange r;
  if (!MakeRange(text.size(), 1, from, to, r)) return 0;
  const int step = r.backwards ? -1 : 1;
  for (int p = r.first; r.backwards ? p >= r.last : p <= r.last; p += step) {
    if (set.test(Byte(text[p - 1]))) return p;
  }
  return 0;
}

bool StartsText(std::string_view prefix, std::string_view text) {
  return prefix.size() <= text.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), SameCharText);
}

bool ReplaceStr(std::string& text, std::string_view oldText, std::string_view newText,
                bool rescan) {
  return Replace(text, oldText, newText, rescan, SameChar);
}

bool ReplaceText(std::string& text, std::string_view oldText, std::string_view newText,
                 bool rescan) {
  return Replace(text, oldText, newText, rescan, SameCharText);
}

void Trim(std::string& text) { text = TrimStr(text); }

std::string TrimStr(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

bool KillChars(std::string& text, const TCharSet& set) {
  const size_t before = text.size();
  std::erase_if(text, [&](char c) { return set.test(Byte(c)); });
  return text.size() != before;
}

std::string RetDelete(std::string_view text, int index, int count) {
  std::string copy(text);
  if (index >= 1 && count > 0 && index <= static_cast<int>(copy.size())) {
    copy.erase(index - 1, count);
  }
  return copy;
}

void Keep(std::string& text, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<int>(text.size())) {
    text.clear();
    return;
  }
  text = text.substr(index - 1, count);
}

std::string RightStr(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(text.size() - std::min<size_t>(count, text.size())));
}

char UpChar(char c) { return static_cast<char>(kUpper[Byte(c)]); }

char UpCaseChar(char c) {
  const unsigned char b = Byte(c);
  const bool lower = (b >= 'a' && b <= 'z') || b == 228 || b == 246 || b == 252;
  return lower ? static_cast<char>(b - 32) : c;
}

std::string UpStr(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpCaseChar(c);
  return upper;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = kUpper[Byte(a[i])] - kUpper[Byte(b[i])];
    if (d != 0) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

std::string IntToStrEx(int32_t value, int width, char fill) {
  return IntToStrEx(int64_t{value}, width, fill);
}

std::string IntToStrEx(uint32_t value, int width, char fill) {
  return SignedDecimal(false, value, width, fill);
}

std::string IntToStrEx(int64_t value, int width, char fill) {
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
  return SignedDecimal(value < 0, magnitude, width, fill);
}

std::string IntToHex(uint32_t value) { return HexDigits(value, 1); }

std::string IntToHex(uint64_t value) {
  const uint32_t high = static_cast<uint32_t>(value >> 32);
  if (high == 0) return HexDigits(value, 1);
  return HexDigits(high, 1) + HexDigits(static_cast<uint32_t>(value), 8);
}

std::string IntToHexEx(uint32_t value, int width, char fill) {
  return DollarHex(IntToHex(value), width, fill);
}

std::string IntToHexEx(uint64_t value, int width, char fill) {
  return DollarHex(IntToHex(value), width, fill);
}

int64_t StrToIntEx(bool hex, std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const int base = hex ? 16 : 10;
  uint64_t value = 0;
  for (char c : text) {
    const char upper = UpChar(c);
    int digit = -1;
    if (upper >= '0' && upper <= '9') digit = upper - '0';
    if (hex && upper >= 'A' && upper <= 'F') digit = upper - 'A' + 10;
    if (digit < 0) break;
    value = value * base + digit;
  }
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

char DecimalSeparator() {
  static const char separator = [] {
    char buffer[4] = {};
    return GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buffer, sizeof buffer) > 1 ? buffer[0]
                                                                                         : ',';
  }();
  return separator;
}

std::string SizeToStr(int64_t value, char decimalSeparator) {
  const uint64_t bytes = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
  uint64_t hundredths;
  const char* unit;
  if (bytes < 1024) return std::to_string(bytes) + " Bytes";
  if (bytes < 1048576) {
    hundredths = bytes * 100 / 1024;
    unit = " KB";
  } else if (bytes < 1073741824) {
    hundredths = bytes / 1024 * 100 / 1024;
    unit = " MB";
  } else {
    hundredths = bytes / 1024 / 1024 * 100 / 1024;
    unit = " GB";
  }
  std::string text = std::to_string(hundredths);
  text.insert(text.size() - 2, 1, decimalSeparator);
  return text + unit;
}

std::string SizeToStr(int64_t value) { return SizeToStr(value, DecimalSeparator()); }

std::string ErrorCodeToStr(uint32_t code) {
  using StatusToError = ULONG(WINAPI*)(LONG);
  std::string text;
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (code >= 0x40000000 && ntdll) {
    const auto convert = reinterpret_cast<StatusToError>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    const ULONG converted = convert ? convert(static_cast<LONG>(code)) : ERROR_MR_MID_NOT_FOUND;
    // A status without a system error keeps its own text, which the native layer carries.
    if (converted != ERROR_MR_MID_NOT_FOUND) {
      code = converted;
    } else {
      text = SystemMessage(FORMAT_MESSAGE_FROM_HMODULE, ntdll, code);
    }
  }
  if (text.empty() && code >= 2100 && code <= 2999) {
    const win::UniqueLibrary messages(
        LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (messages) text = SystemMessage(FORMAT_MESSAGE_FROM_HMODULE, messages.get(), code);
  }
  if (text.empty()) text = SystemMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  return text.empty() ? "Error " + IntToHexEx(code, 1, '0') : text;
}

void FormatSubStrs(std::string& list, char separator) {
  auto isEnd = [&](char c) { return IsBlank(c) || c == separator; };
  std::string_view rest(list);
  while (!rest.empty() && isEnd(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && isEnd(rest.back())) rest.remove_suffix(1);
  std::string out;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != separator) {
      out += rest[i];
      continue;
    }
    while (!out.empty() && IsBlank(out.back())) out.pop_back();
    out += separator;
    while (i + 1 < rest.size() && IsBlank(rest[i + 1])) ++i;
  }
  list = out;
}

int SubStrCount(std::string_view list, char separator) {
  if (list.empty()) return 0;
  return static_cast<int>(std::count(list.begin(), list.end(), separator)) + 1;
}

std::string SubStr(std::string_view list, int index, char separator) {
  for (int item = 1; item <= index; ++item) {
    const size_t end = list.find(separator);
    if (item == index) return std::string(list.substr(0, end));
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return {};
}

bool IsTextInList(std::string_view list, std::string_view text, char separator) {
  for (size_t start = 0; start + text.size() <= list.size(); ++start) {
    const size_t end = start + text.size();
    if ((start == 0 || list[start - 1] == separator) &&
        (end == list.size() || list[end] == separator) &&
        SameText(list.substr(start, text.size()), text)) {
      return true;
    }
  }
  return false;
}

std::wstring WideFromBytes(std::string_view text, bool terminate) {
  std::wstring wide;
  wide.reserve(text.size() + 1);
  for (char c : text) wide += static_cast<wchar_t>(Byte(c));
  if (terminate) wide += L'\0';
  return wide;
}

std::string DecryptTwice(std::string_view text, std::string_view key1, std::string_view key2) {
  return Decrypt(Decrypt(std::string(text), key2, kSecretCounter1, 0), key1, kSecretCounter2, 0);
}

}  // namespace drosk
