// The edit's text without a window: number texts, insertion filters, word boundaries and undo.
#include "controls/edit_text_model.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using controls::TNumberTypeEx;
using controls::TRadix;
constexpr TNumberTypeEx kNone = TNumberTypeEx::ntNone, kUnsigned = TNumberTypeEx::ntUnsignedInt,
                        kSigned = TNumberTypeEx::ntSignedInt, kFloat = TNumberTypeEx::ntFloat;
constexpr TRadix kBin = TRadix::rdxBinary, kOct = TRadix::rdxOctal, kDec = TRadix::rdxDecimal,
                 kHex = TRadix::rdxHexadecimal;

TEST(EditNumber, WritesAndReadsNumbersInTheirRadixAndType) {
  struct Case {
    double value;
    TNumberTypeEx type;
    TRadix radix;
    int precision;
    const wchar_t* text;
    double read_back;
  };
  // Integers round half to even.
  const Case cases[] = {{10, kUnsigned, kBin, 3, L"1010", 10},
                        {0, kUnsigned, kBin, 3, L"0", 0},
                        {255, kUnsigned, kHex, 3, L"FF", 255},
                        {8, kUnsigned, kOct, 3, L"10", 8},
                        {2.5, kUnsigned, kDec, 3, L"2", 2},
                        {-7, kUnsigned, kDec, 3, L"0", 0},
                        {2.5, kSigned, kDec, 3, L"2", 2},
                        {3.5, kSigned, kDec, 3, L"4", 4},
                        {-2.5, kSigned, kDec, 3, L"-2", -2},
                        {-41.6, kSigned, kDec, 3, L"-42", -42},
                        {2.5, kFloat, kDec, 3, L"2.500", 2.5},
                        {-0.125, kFloat, kDec, 1, L"-0.1", -0.1},
                        {1234.5678, kFloat, kDec, 0, L"1235", 1235},
                        {5, kNone, kDec, 3, L"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " type " << static_cast<int>(c.type));
    const std::wstring text = controls::FormatNumberText(c.value, c.type, c.radix, c.precision);
    EXPECT_EQ(text, c.text);
    EXPECT_DOUBLE_EQ(controls::ParseNumberText(text, c.type, c.radix), c.read_back);
  }
}

TEST(EditNumber, ReadsWhatIsNoNumberAsZeroAndSaturatesLongDigitStrings) {
  struct Case {
    const wchar_t* text;
    TNumberTypeEx type;
    TRadix radix;
    double value;
  };
  constexpr double kLargest = static_cast<double>(std::numeric_limits<uint64_t>::max());
  // A stray digit of another radix counts 0.
  const Case cases[] = {{L"12x", kSigned, kDec, 0},
                        {L"", kSigned, kDec, 0},
                        {L"-", kFloat, kDec, 0},
                        {L"2,5", kFloat, kDec, 0},
                        {L"-17", kSigned, kDec, -17},
                        {L" +17 ", kSigned, kDec, 17},
                        {L" +1.5 ", kFloat, kDec, 1.5},
                        {L"1e3", kFloat, kDec, 1000},
                        {L"a", kUnsigned, kHex, 10},
                        {L"z", kUnsigned, kHex, 0},
                        {L"ff", kUnsigned, kHex, 255},
                        {L"1z1", kUnsigned, kBin, 5},
                        {L"9", kUnsigned, kOct, 0},
                        {L"18446744073709551615", kUnsigned, kDec, kLargest},
                        {L"99999999999999999999999", kUnsigned, kDec, kLargest},
                        {L"1FFFFFFFFFFFFFFFF", kUnsigned, kHex, kLargest},
                        {L"99999999999999999999", kSigned, kDec, 0},
                        {L"12", kNone, kDec, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << std::string(c.text, c.text + wcslen(c.text)));
    EXPECT_DOUBLE_EQ(controls::ParseNumberText(c.text, c.type, c.radix), c.value);
  }
}

// The user's decimal comma (and the C library's) must neither change the texts nor be changed.
TEST(EditNumber, UsesThePointWhateverTheUsersSeparator) {
  char saved[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, sizeof saved);
  ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ","));
  const std::string c_locale = std::setlocale(LC_NUMERIC, nullptr);
  const bool german = std::setlocale(LC_NUMERIC, "German") != nullptr;

  EXPECT_EQ(controls::FormatNumberText(2.5, kFloat, kDec, 3), L"2.500");
  EXPECT_DOUBLE_EQ(controls::ParseNumberText(L"2.5", kFloat, kDec), 2.5);
  char now[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, now, sizeof now);
  EXPECT_STREQ(now, ",") << "the user's separator stays as the user set it";

  std::setlocale(LC_NUMERIC, c_locale.c_str());
  SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
  if (!german) GTEST_SKIP() << "no German C locale here; the user's separator was checked";
}

TEST(EditInsertion, FiltersByNumberTypeLengthAndCase) {
  struct Case {
    const wchar_t* insertion;
    controls::InsertRules rules;
    int kept_length;
    const wchar_t* result;
  };
  using controls::TEditCharCase;
  const Case cases[] = {
      {L"12a-3", {kSigned}, 0, L"12-3"},
      {L"fFg", {kUnsigned, kHex}, 0, L"fF"},
      {L"1.5-2e", {kFloat}, 0, L"1.5-2"},
      {L"102-", {kUnsigned, kBin}, 0, L"10"},
      {L"78", {kUnsigned, kOct}, 0, L"7"},
      {L"a\tb\r", {}, 0, L"a b "},
      {L"1\t2", {kSigned}, 0, L"12"},  // the space a tab becomes is no digit
      {L"vwxyz", {kNone, kDec, 5}, 3, L"vw"},
      {L"vwxyz", {kNone, kDec, 5}, 6, L""},
      {L"Straße é", {kNone, kDec, 0, TEditCharCase::ecUpperCase}, 0, L"STRAßE É"},
      {L"ÄΩz", {kNone, kDec, 0, TEditCharCase::ecLowerCase}, 0, L"äωz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "insertion #" << (&c - cases));
    EXPECT_EQ(controls::FilterInsertion(c.insertion, c.rules, c.kept_length), c.result);
  }
}

TEST(EditWords, MoveAndSelectBySpaces) {
  const std::wstring text = L"ab  cd ef";
  EXPECT_EQ(controls::NextWordStart(L"ab  cd", 0), 4);
  const std::vector<int> next = {4, 4, 4, 4, 7, 7, 7, 9, 9, 9};
  const std::vector<int> previous = {0, 0, 0, 0, 0, 4, 4, 4, 7, 7};
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(controls::NextWordStart(text, i), next[i]) << "from " << i;
    EXPECT_EQ(controls::PreviousWordStart(text, i), previous[i]) << "from " << i;
  }
  using Word = std::pair<int, int>;
  EXPECT_EQ(controls::WordAt(text, 0), Word(0, 2));
  EXPECT_EQ(controls::WordAt(text, 5), Word(4, 6));
  EXPECT_EQ(controls::WordAt(text, 3), Word(0, 2)) << "a space takes the word before it";
  EXPECT_EQ(controls::WordAt(L"  ab", 1), Word(2, 4)) << "or the next one when none is before";
  EXPECT_EQ(controls::WordAt(text, 9), Word(7, 9)) << "the end takes the last word";
  EXPECT_EQ(controls::WordAt(L"   ", 1), Word(1, 1));
}

TEST(EditTextModel, UndoRecordsTheTextBeforeTheFirstChangeAndASecondUndoRedoes) {
  controls::EditTextModel model;
  model.Assign(L"start");
  model.ClearUndo();
  EXPECT_FALSE(model.ChangedSinceUndoPoint());
  EXPECT_FALSE(model.Assign(L"start")) << "the same text is no change";
  model.Assign(L"start1");
  model.Assign(L"start12");
  EXPECT_TRUE(model.ChangedSinceUndoPoint());
  // Back to the first text, forth again, back; after an undo the next change records again.
  std::wstring texts;
  for (const wchar_t* next : {L"", L"", L"", L"next"}) {
    if (*next) model.Assign(next);
    model.Undo();
    texts += model.Text() + L" ";
  }
  EXPECT_EQ(texts, L"start start12 start start ");

  model.SetPasswordChar(L'*');
  EXPECT_EQ(model.DisplayText(), L"*****");
  const auto selection = [&] {
    return model.DisplayText() + L" " + std::to_wstring(model.SelStart()) + L"+" +
           std::to_wstring(model.SelLength()) + L" " + model.SelectedText();
  };
  model.SetSelection(4, 1);
  EXPECT_EQ(selection(), L"***** 1+3 tar");
  model.Assign(L"st");
  EXPECT_EQ(selection(), L"** 1+1 t") << "the selection stays within the shorter text";
}

}  // namespace
