// Small text routines of the control library and the module: splitting at a separator, menu
// accelerator marks, natural-order and mixed comparison for sorting, and number tests. Texts are
// ANSI byte strings unless a routine says wide.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace controls {

// head := the part before the first separator, text := the part after it; without one head gets
// the whole text and text becomes empty. An empty separator is never found.
void SplitAtFirst(std::string& text, std::string_view separator, std::string& head);
void SplitAtFirstWide(std::wstring& text, std::wstring_view separator, std::wstring& head);
inline void ExtractToken(std::string& text, std::string_view separator, std::string& head) {
  SplitAtFirst(text, separator, head);
}

// Removes each single "&" and turns "&&" into "&". Yields the 1-based position, in the changed
// text, of the accelerator (the character after the last single "&"), 0 without one. A "&" at
// the very end marks nothing: it is dropped and does not count.
int StripAmpersands(std::string& text);
int StripAmpersandsWide(std::wstring& text);
void CopyWithoutAmpersands(const std::string& text, std::string& result);
void CopyWithoutAmpersandsWide(const std::wstring& text, std::wstring& result);

// Wide text in the thread's ANSI code page.
void WideToAnsiString(std::wstring_view text, std::string& result);

// True when the text is longer than the prefix and begins with it, byte for byte.
bool StartsWithLonger(std::string_view text, std::string_view prefix);
// When StartsWithLonger holds, reads the rest as a decimal 32-bit integer ([+-]digits).
bool TryStrToIntAfterPrefix(std::string_view text, std::string_view prefix, int& value);

// Natural order: digit runs compare as numbers ("item9" < "item10"), blanks inside runs are not
// counted; ties fall back to the plain comparison. -1, 0 or 1.
int CompareNatural(std::string_view a, std::string_view b, bool case_sensitive);

// Order of grid cells: equal texts 0, two numbers numerically, two texts with digits token by
// token with number tokens compared numerically, otherwise without regard to ASCII case.
// -1, 0 or 1.
int CompareMixedStrings(std::string_view a, std::string_view b);

// A text prepared once for many mixed comparisons (a sort): Compare orders two keys exactly as
// CompareMixedStrings orders their texts, without taking the texts apart again.
class MixedSortKey {
 public:
  explicit MixedSortKey(std::string_view text);
  static int Compare(const MixedSortKey& a, const MixedSortKey& b);

 private:
  struct Token {
    std::string text;
    bool is_number = false;
    double number = 0;
  };
  static int CompareTokens(const Token& a, const Token& b);

  std::string text_;
  bool is_number_ = false;  // the whole text
  double number_ = 0;
  bool has_number_char_ = false;
  std::vector<Token> tokens_;  // blanks removed; only when the text has a number character
};

// True when the text starts with a digit, ".", "+" or "-" and is wholly a decimal number.
bool TryTextToNumber(std::string_view text, double& value);
int CompareFloat(double a, double b);
void RemoveBlanks(std::string& text);
// True when any character is a digit or ".".
bool ContainsNumberChar(std::string_view text);
// Takes the leading run of one class (digits and ".", or everything else) off the text, with a
// leading sign first when `sign_allowed`.
void SplitLeadingToken(std::string& text, std::string& token, bool sign_allowed);
// 1-based position of the last occurrence of the pattern that begins at or before `start`;
// 0 when there is none, either text is empty or the pattern is longer than the text.
int LastPosBefore(std::string_view pattern, std::string_view text, int start);
inline int MaxOfTwo(int a, int b) {
  return a > b ? a : b;
}

}  // namespace controls
