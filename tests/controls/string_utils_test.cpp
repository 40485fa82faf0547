// String helpers: splitting, accelerator marks, natural and mixed ordering, number tests.
#include "controls/string_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(StringHelpers, SplitAtFirstSeparator) {
  const auto split = [](std::string text, void (*how)(std::string&, std::string_view, std::string&),
                        const char* separator) {
    std::string head;
    how(text, separator, head);
    return head + "|" + text;
  };
  EXPECT_EQ(split("a=b=c", controls::SplitAtFirst, "="), "a|b=c");
  EXPECT_EQ(split("abc", controls::SplitAtFirst, "="), "abc|");
  EXPECT_EQ(split("key::value::x", controls::ExtractToken, "::"), "key|value::x");
  std::wstring wide = L"x|y", wide_head;
  controls::SplitAtFirstWide(wide, L"|", wide_head);
  EXPECT_EQ(wide_head + L"/" + wide, L"x/y");
}

struct AmpersandCase {
  const char* text;
  const char* stripped;
  int accelerator;
  const char* why;
};
constexpr AmpersandCase kAmpersands[] = {
    {"&File", "File", 1, "leading mark"},
    {"Save && Exit", "Save & Exit", 0, "a doubled mark is a literal"},
    {"A&b&c", "Abc", 3, "the last mark wins"},
    {"&&&x", "&x", 2, "a literal, then a mark"},
    {"Save&", "Save", 0, "a mark at the end marks nothing"},
    {"&File&", "File", 1, "a trailing mark leaves the earlier one"},
    {"&", "", 0, "a lone mark"},
    {"", "", 0, "empty"},
};

TEST(StringHelpers, StripsAcceleratorMarks) {
  for (const AmpersandCase& c : kAmpersands) {
    SCOPED_TRACE(c.why);
    std::string text = c.text;
    const int accelerator = controls::StripAmpersands(text);
    EXPECT_EQ(text, c.stripped);
    EXPECT_EQ(accelerator, c.accelerator);
    EXPECT_LE(accelerator, static_cast<int>(text.size()));  // never past the text
    std::wstring wide(c.text, c.text + std::string(c.text).size());
    EXPECT_EQ(controls::StripAmpersandsWide(wide), c.accelerator);
    std::string copy;
    controls::CopyWithoutAmpersands(c.text, copy);
    EXPECT_EQ(copy, c.stripped);
  }
}

TEST(StringHelpers, PrefixTests) {
  // Longer and byte-exact: the second is not longer, the third differs in case.
  std::string longer;
  for (const auto& [text, prefix] : {std::pair{"Mid Layer 3", "Mid Layer "},
                                     {"Mid Layer ", "Mid Layer "},
                                     {"mid layer 3", "Mid Layer "},
                                     {"x", ""},
                                     {"", ""}}) {
    longer += controls::StartsWithLonger(text, prefix) ? '1' : '0';
  }
  EXPECT_EQ(longer, "10010");
  std::string numbers;
  for (const char* text : {"Layer 12", "Layer -4", "Layer 1x", "Layer 99999999999"}) {
    int value = 0;
    numbers +=
        controls::TryStrToIntAfterPrefix(text, "Layer ", value) ? std::to_string(value) : "-";
    numbers += " ";
  }
  EXPECT_EQ(numbers, "12 -4 - - ");
}

// Sorting with a comparison must give this exact order.
std::vector<std::string> Sorted(std::vector<std::string> items,
                                int (*compare)(std::string_view, std::string_view)) {
  std::stable_sort(items.begin(), items.end(),
                   [&](const std::string& a, const std::string& b) { return compare(a, b) < 0; });
  return items;
}

int NaturalNoCase(std::string_view a, std::string_view b) {
  return controls::CompareNatural(a, b, false);
}

struct OrderCase {
  const char* a;
  const char* b;
  int natural;  // case-insensitive
  int mixed;
  const char* why;
};
constexpr OrderCase kOrders[] = {
    {"item9", "item10", -1, -1, "digit runs compare as numbers"},
    {"item10", "item9", 1, 1, "and the other way"},
    {"a 1", "a1", -1, 0, "runs equal: the plain comparison decides; mixed drops blanks"},
    {"abc", "ABC", 0, 0, "case is ignored"},
    {"10", "9", 1, 1, "plain numbers"},
    {"-5", "3", -1, -1, "signs count in mixed order"},
    {"1.5mm", "10mm", -1, -1, "decimal numbers inside texts"},
    {"007", "7", -1, 0, "leading zeros: equal runs, plain order; equal numbers"},
    {"", "a", -1, -1, "empty sorts first"},
    {"a", "", 1, 1, "and the other way"},
    {"x2y10", "x2y9", 1, 1, "later runs decide"},
    {"a10", "A9", 1, 1, "letters equal but for case: the numbers after them decide"},
    {"7b", "007a", 1, 1, "equal numbers: the tokens after them decide"},
    {"Net", "Nets", -1, -1, "a prefix sorts first"},
    {"2.5", "2.50", -1, 0, "equal as numbers; natural order aligns digit runs right"},
    {"a-5", "a3", 1, 1, "a minus inside a text joins the letters before it"},
    {"1a", "a1", -1, -1, "a number and a text in the same place compare as texts"},
};

TEST(StringHelpers, NaturalAndMixedOrder) {
  for (const OrderCase& c : kOrders) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b + ": " + c.why);
    EXPECT_EQ(controls::CompareNatural(c.a, c.b, false), c.natural);
    EXPECT_EQ(controls::CompareMixedStrings(c.a, c.b), c.mixed);
    EXPECT_EQ(controls::CompareMixedStrings(c.b, c.a), -c.mixed);  // antisymmetric
  }
  // Case-sensitive natural order is byte order: 'b' > 'B'.
  EXPECT_EQ(std::vector<int>({controls::CompareNatural("ABC", "abc", true),
                              controls::CompareNatural("abc", "abc", true),
                              controls::CompareNatural("b1", "B2", false),
                              controls::CompareNatural("b1", "B2", true)}),
            std::vector<int>({-1, 0, -1, 1}));
}

TEST(StringHelpers, SortsGridTextsAsPeopleExpect) {
  EXPECT_EQ(Sorted({"R10", "R2", "C1", "R1", "c2"}, controls::CompareMixedStrings),
            (std::vector<std::string>{"C1", "c2", "R1", "R2", "R10"}));
  EXPECT_EQ(Sorted({"10mil", "8mil", "12.5mil", "-1mil"}, controls::CompareMixedStrings),
            (std::vector<std::string>{"-1mil", "8mil", "10mil", "12.5mil"}));
  EXPECT_EQ(Sorted({"Layer 10", "Layer 2", "layer 1"}, NaturalNoCase),
            (std::vector<std::string>{"layer 1", "Layer 2", "Layer 10"}));
}

struct NumberCase {
  const char* text;
  bool number;
  double value;
};
constexpr NumberCase kNumbers[] = {
    {"12", true, 12},    {"-1.5", true, -1.5}, {"+.5", true, 0.5}, {".5", true, 0.5},
    {"1e3", true, 1000}, {"1.", true, 1},      {"", false, 0},     {" 1", false, 0},
    {"1 ", false, 0},    {"1,5", false, 0},    {"-", false, 0},    {"+-1", false, 0},
    {"inf", false, 0},   {"-inf", false, 0},   {"nan", false, 0},  {"0x10", false, 0},
};

TEST(StringHelpers, RecognisesNumbers) {
  for (const NumberCase& c : kNumbers) {
    double value = -99;
    EXPECT_EQ(controls::TryTextToNumber(c.text, value), c.number) << c.text;
    if (c.number) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
  }
  EXPECT_TRUE(controls::ContainsNumberChar("R.x") && !controls::ContainsNumberChar("GND"));
  EXPECT_EQ(std::vector<int>({controls::CompareFloat(1, 2), controls::CompareFloat(2, 2),
                              controls::CompareFloat(3, 2)}),
            std::vector<int>({-1, 0, 1}));
}

TEST(StringHelpers, SplitsLeadingTokensByClass) {
  std::string text = "-12.5mm+3", token, tokens;
  for (const bool number : {true, false, false, true}) {
    controls::SplitLeadingToken(text, token, number);
    tokens += token + "|";
  }
  EXPECT_EQ(tokens + text, "-12.5|mm+|3||");
  text = "-";
  controls::SplitLeadingToken(text, token, true);
  EXPECT_EQ(token, "-");
  text = " a b ";
  controls::RemoveBlanks(text);
  EXPECT_EQ(text, "ab");
}

struct LastPosCase {
  const char* pattern;
  const char* text;
  int start;
  int position;
};
constexpr LastPosCase kLastPositions[] = {
    {"ab", "abcab", 5, 4}, {"ab", "abcab", 3, 1},  {"ab", "abcab", 4, 4},
    {"ab", "abcab", 0, 0}, {"ab", "abcab", 99, 4}, {"", "abc", 3, 0},
    {"ab", "", 1, 0},      {"abcd", "abc", 3, 0},  {"x", "abc", 3, 0},
};

TEST(StringHelpers, FindsTheLastOccurrenceBeforeAPosition) {
  for (const LastPosCase& c : kLastPositions) {
    EXPECT_EQ(controls::LastPosBefore(c.pattern, c.text, c.start), c.position)
        << c.pattern << " in " << c.text << " from " << c.start;
  }
  EXPECT_EQ(controls::MaxOfTwo(-1, 3), 3);
  std::string text = "old";
  controls::WideToAnsiString(L"Layer 1", text);
  EXPECT_EQ(text, "Layer 1");
  controls::WideToAnsiString(L"", text);
  EXPECT_EQ(text, "") << "the old text is replaced";
}

}  // namespace
