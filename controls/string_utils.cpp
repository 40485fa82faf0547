// Text routines of the control library.
#include "controls/string_utils.h"

#include <algorithm>

#include "sdk/number_text.h"

namespace controls {

namespace {

template <class Text, class View>
void SplitAtFirstOf(Text& text, View separator, Text& head) {
  const size_t at = separator.empty() ? Text::npos : text.find(separator);
  if (at == Text::npos) {
    head = std::move(text);
    text.clear();
    return;
  }
  head = text.substr(0, at);
  text.erase(0, at + separator.size());
}

template <class Text>
int StripAmpersandsOf(Text& text) {
  using Char = typename Text::value_type;
  const Char amp = static_cast<Char>('&');
  Text out;
  out.reserve(text.size());
  int accelerator = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != amp) {
      out.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == amp) {
      out.push_back(amp);
      ++i;
    } else if (i + 1 < text.size()) {
      accelerator = static_cast<int>(out.size()) + 1;
    }
    // A single "&" at the very end has nothing to mark: dropped without a position.
  }
  text = std::move(out);
  return accelerator;
}

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(long value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// Byte order, or ASCII letters folded; a prefix sorts first.
int PlainCompare(std::string_view a, std::string_view b, bool case_sensitive) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (!case_sensitive) ca = Fold(ca), cb = Fold(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

struct Run {
  std::string chars;  // without blanks
  bool digits = false;
};

// The maximal run of one class from `pos`; blanks are absorbed without being counted.
Run NextRun(std::string_view text, size_t& pos) {
  Run run;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos >= text.size()) return run;
  run.digits = IsDigit(text[pos]);
  while (pos < text.size()) {
    const char c = text[pos];
    if (c != ' ') {
      if (IsDigit(c) != run.digits) break;
      run.chars.push_back(c);
    }
    ++pos;
  }
  return run;
}

// Digit runs align right (padded with "0" on the left); other runs pad with code 0 at the end.
long CompareRuns(const Run& a, const Run& b, bool case_sensitive) {
  const bool numeric = a.digits && b.digits;
  const size_t n = std::max(a.chars.size(), b.chars.size());
  for (size_t i = 0; i < n; ++i) {
    auto at = [&](const Run& run) -> unsigned char {
      const size_t pad = n - run.chars.size();
      if (numeric) return i < pad ? '0' : static_cast<unsigned char>(run.chars[i - pad]);
      return i < run.chars.size() ? static_cast<unsigned char>(run.chars[i]) : 0;
    };
    unsigned char ca = at(a), cb = at(b);
    if (!case_sensitive && !numeric) ca = Fold(ca), cb = Fold(cb);
    if (ca != cb) return static_cast<long>(ca) - static_cast<long>(cb);
  }
  return 0;
}

long CompareByRuns(std::string_view a, std::string_view b, bool case_sensitive) {
  if (a.empty() || b.empty()) return static_cast<long>(a.size()) - static_cast<long>(b.size());
  size_t pa = 0, pb = 0;
  for (;;) {
    const Run ra = NextRun(a, pa), rb = NextRun(b, pb);
    if (ra.chars.empty() && rb.chars.empty()) return 0;
    if (const long r = CompareRuns(ra, rb, case_sensitive)) return r;
  }
}

}  // namespace

void SplitAtFirst(std::string& text, std::string_view separator, std::string& head) {
  SplitAtFirstOf(text, separator, head);
}

void SplitAtFirstWide(std::wstring& text, std::wstring_view separator, std::wstring& head) {
  SplitAtFirstOf(text, separator, head);
}

int StripAmpersands(std::string& text) { return StripAmpersandsOf(text); }
int StripAmpersandsWide(std::wstring& text) { return StripAmpersandsOf(text); }

void CopyWithoutAmpersands(const std::string& text, std::string& result) {
  result = text;
  StripAmpersands(result);
}

void CopyWithoutAmpersandsWide(const std::wstring& text, std::wstring& result) {
  result = text;
  StripAmpersandsWide(result);
}

bool StartsWithLonger(std::string_view text, std::string_view prefix) {
  return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool TryStrToIntAfterPrefix(std::string_view text, std::string_view prefix, int& value) {
  if (!StartsWithLonger(text, prefix)) return false;
  std::int32_t number = 0;
  if (!sdk::ParseInt32(text.substr(prefix.size()), number)) return false;
  value = number;
  return true;
}

int CompareNatural(std::string_view a, std::string_view b, bool case_sensitive) {
  const int base = PlainCompare(a, b, case_sensitive);
  if (base == 0) return 0;
  const long r = CompareByRuns(a, b, case_sensitive);
  return r != 0 ? Sign(r) : base;
}

int CompareMixedStrings(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  return MixedSortKey::Compare(MixedSortKey(a), MixedSortKey(b));
}

MixedSortKey::MixedSortKey(std::string_view text) : text_(text) {
  is_number_ = TryTextToNumber(text, number_);
  has_number_char_ = ContainsNumberChar(text);
  if (!has_number_char_) return;
  std::string rest(text), token;
  RemoveBlanks(rest);
  bool sign_allowed = true;
  while (!rest.empty()) {
    SplitLeadingToken(rest, token, sign_allowed);
    sign_allowed = false;
    Token& t = tokens_.emplace_back();
    t.is_number = TryTextToNumber(token, t.number);
    t.text = std::move(token);
  }
}

int MixedSortKey::CompareTokens(const Token& a, const Token& b) {
  if (a.is_number && b.is_number) return CompareFloat(a.number, b.number);
  return PlainCompare(a.text, b.text, false);
}

int MixedSortKey::Compare(const MixedSortKey& a, const MixedSortKey& b) {
  if (a.text_ == b.text_) return 0;
  if (a.is_number_ && b.is_number_) return CompareFloat(a.number_, b.number_);
  if (!a.has_number_char_ || !b.has_number_char_) return PlainCompare(a.text_, b.text_, false);
  // Tokens that compare equal (equal numbers, or texts equal but for case) go on to the next:
  // stopping at the first that differs in bytes would make "a10" equal "A9", an order that
  // is not transitive. A text out of tokens reads as an empty one.
  static const Token kNone;
  for (size_t i = 0;; ++i) {
    const Token& ta = i < a.tokens_.size() ? a.tokens_[i] : kNone;
    const Token& tb = i < b.tokens_.size() ? b.tokens_[i] : kNone;
    const int result = CompareTokens(ta, tb);
    if (result != 0 || ta.text.empty()) return result;
  }
}

bool TryTextToNumber(std::string_view text, double& value) {
  if (text.empty()) return false;
  const char first = text.front();
  if (!IsDigit(first) && first != '.' && first != '+' && first != '-') return false;
  return sdk::ParseDecimal(text, value);
}

int CompareFloat(double a, double b) { return a > b ? 1 : a == b ? 0 : -1; }

void RemoveBlanks(std::string& text) { std::erase(text, ' '); }

bool ContainsNumberChar(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

void SplitLeadingToken(std::string& text, std::string& token, bool sign_allowed) {
  token.clear();
  if (text.empty()) return;
  size_t taken = 0;
  if (sign_allowed && (text[0] == '+' || text[0] == '-')) taken = 1;
  if (taken < text.size()) {
    auto number_class = [](char c) { return IsDigit(c) || c == '.'; };
    const bool numeric = number_class(text[taken]);
    while (taken < text.size() && number_class(text[taken]) == numeric) ++taken;
  }
  token = text.substr(0, taken);
  text.erase(0, taken);
}

int LastPosBefore(std::string_view pattern, std::string_view text, int start) {
  if (pattern.empty() || text.empty() || pattern.size() > text.size() || start < 1) return 0;
  const size_t last_start =
      std::min<size_t>(static_cast<size_t>(start) - 1, text.size() - pattern.size());
  const size_t at = text.rfind(pattern, last_start);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace controls
