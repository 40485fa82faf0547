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

TEST(EditNumber, WritesAndReadsNumbersInTheirRadixAndType) {
  struct Case {
    double value;
    TNumberTypeEx type;
    TRadix radix;
    int precision;
    const wchar_t* text;
    double read_back;
  };
  const Case cases[] = {
      {10, TNumberTypeEx::ntUnsignedInt, TRadix::rdxBinary, 3, L"1010", 10},
      {0, TNumberTypeEx::ntUnsignedInt, TRadix::rdxBinary, 3, L"0", 0},
      {255, TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal, 3, L"FF", 255},
      {8, TNumberTypeEx::ntUnsignedInt, TRadix::rdxOctal, 3, L"10", 8},
      {2.5, TNumberTypeEx::ntUnsignedInt, TRadix::rdxDecimal, 3, L"2", 2},  // half to even
      {-7, TNumberTypeEx::ntUnsignedInt, TRadix::rdxDecimal, 3, L"0", 0},
      {2.5, TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 3, L"2", 2},
      {3.5, TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 3, L"4", 4},
      {-2.5, TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 3, L"-2", -2},
      {-41.6, TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 3, L"-42", -42},
      {2.5, TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 3, L"2.500", 2.5},
      {-0.125, TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 1, L"-0.1", -0.1},
      {1234.5678, TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 0, L"1235", 1235},
      {5, TNumberTypeEx::ntNone, TRadix::rdxDecimal, 3, L"", 0},
  };
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
  const Case cases[] = {
      {L"12x", TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 0},
      {L"", TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 0},
      {L"-", TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 0},
      {L"2,5", TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 0},
      {L"-17", TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, -17},
      {L" +17 ", TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 17},
      {L" +1.5 ", TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 1.5},
      {L"1e3", TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 1000},
      {L"a", TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal, 10},
      {L"z", TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal, 0},
      {L"ff", TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal, 255},
      {L"1z1", TNumberTypeEx::ntUnsignedInt, TRadix::rdxBinary, 5},  // a stray digit counts 0
      {L"9", TNumberTypeEx::ntUnsignedInt, TRadix::rdxOctal, 0},
      {L"18446744073709551615", TNumberTypeEx::ntUnsignedInt, TRadix::rdxDecimal, kLargest},
      {L"99999999999999999999999", TNumberTypeEx::ntUnsignedInt, TRadix::rdxDecimal, kLargest},
      {L"1FFFFFFFFFFFFFFFF", TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal, kLargest},
      {L"99999999999999999999", TNumberTypeEx::ntSignedInt, TRadix::rdxDecimal, 0},
      {L"12", TNumberTypeEx::ntNone, TRadix::rdxDecimal, 0},
  };
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

  EXPECT_EQ(controls::FormatNumberText(2.5, TNumberTypeEx::ntFloat, TRadix::rdxDecimal, 3),
            L"2.500");
  EXPECT_DOUBLE_EQ(controls::ParseNumberText(L"2.5", TNumberTypeEx::ntFloat, TRadix::rdxDecimal),
                   2.5);
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
      {L"12a-3", {TNumberTypeEx::ntSignedInt}, 0, L"12-3"},
      {L"fFg", {TNumberTypeEx::ntUnsignedInt, TRadix::rdxHexadecimal}, 0, L"fF"},
      {L"1.5-2e", {TNumberTypeEx::ntFloat}, 0, L"1.5-2"},
      {L"102-", {TNumberTypeEx::ntUnsignedInt, TRadix::rdxBinary}, 0, L"10"},
      {L"78", {TNumberTypeEx::ntUnsignedInt, TRadix::rdxOctal}, 0, L"7"},
      {L"a\tb\r", {}, 0, L"a b "},
      {L"1\t2", {TNumberTypeEx::ntSignedInt}, 0, L"12"},  // the space a tab becomes is no digit
      {L"vwxyz", {TNumberTypeEx::ntNone, TRadix::rdxDecimal, 5}, 3, L"vw"},
      {L"vwxyz", {TNumberTypeEx::ntNone, TRadix::rdxDecimal, 5}, 6, L""},
      {L"Straße é",
       {TNumberTypeEx::ntNone, TRadix::rdxDecimal, 0, TEditCharCase::ecUpperCase},
       0,
       L"STRAßE É"},
      {L"ÄΩz",
       {TNumberTypeEx::ntNone, TRadix::rdxDecimal, 0, TEditCharCase::ecLowerCase},
       0,
       L"äωz"},
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
