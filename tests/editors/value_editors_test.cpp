// The other editors' value roads on real windows: numbers that are no numbers, integer limits,
// currency text, the calculator, dates and the calendar, masks and times, edit buttons, links,
// images, the most-recently-used list, and picture and blob values byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "editors/button_edits.h"
#include "editors/date_edits.h"
#include "editors/number_edits.h"
#include "editors/check_edit.h"
#include "editors/picture_edits.h"
#include "framework/image_list.h"
#include "framework/screen.h"
#include "framework/streams.h"
#include "framework/win/handles.h"
#include "tests/controls/locale_scope.h"
#include "tests/controls/paint_styles.h"
#include "tests/controls/surface.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::EditorForm;
using edittest::Key;
using edittest::Type;

class ValueEditors : public EditorForm {};

TEST_F(ValueEditors, NonNumericTextOpensAndPaintsAsZero) {
  auto& spin = Open<editors::TdxInplaceSpinEdit>({10, 10, 110, 28});
  auto& currency = Open<editors::TdxInplaceCurrencyEdit>({10, 40, 110, 58});
  for (const wchar_t* text : {L"abc", L"", L"1e999", L"--3", L"12abc"}) {
    SCOPED_TRACE(testing::Message() << std::wstring(text));
    EXPECT_NO_THROW(spin.SetText(text));
    EXPECT_EQ(spin.Value(), 0);
    EXPECT_NO_THROW(currency.SetText(text));
    EXPECT_EQ(currency.GetValue(), 0);
    EXPECT_NO_THROW(edittest::Picture(spin, "spin_edit_not_a_number"));
    editors::TdxSpinEditViewData data;
    data.Value = framework::Variant(text);
    data.Bounds = {0, 0, 80, 20};
    xptest::Surface surface(80, 20);
    EXPECT_NO_THROW(data.Paint(surface.dc()));
    EXPECT_EQ(data.DisplayText(), text) << "painted as it stands";
  }
  EXPECT_EQ(currency.DisplayText(), editors::FormatCurrencyValue(0, currency.DisplayFormat()));
}

TEST_F(ValueEditors, IntegerValuesNeverCastOutOfRange) {
  EXPECT_EQ(editors::ClampToInteger(1e20), INT_MAX);
  EXPECT_EQ(editors::ClampToInteger(-1e20), INT_MIN);
  EXPECT_EQ(editors::ClampToInteger(std::nan("")), 0);
  EXPECT_EQ(editors::ClampToInteger(2.5), 3);
  EXPECT_EQ(editors::ClampToInteger(-2.5), -3);
  auto& spin = Open<editors::TdxInplaceSpinEdit>();
  spin.SetValue(1e20);
  EXPECT_EQ(spin.Text(), L"2147483647");
  spin.SetText(L"99999999999999999999");
  EXPECT_EQ(spin.Value(), INT_MAX);
  spin.SetValueType(editors::TdxSpinEditValueType::vtFloat);
  spin.SetValue(2.25);
  EXPECT_DOUBLE_EQ(spin.Value(), 2.25);
}

TEST_F(ValueEditors, SpinStepsByKeysWithinItsLimits) {
  auto& spin = Open<editors::TdxInplaceSpinEdit>();
  spin.SetMinMaxValues(0, 10);
  spin.Increment = 4;
  spin.SetValue(5);
  HWND hwnd = spin.Handle();
  Key(hwnd, VK_UP);
  EXPECT_EQ(spin.Value(), 9);
  Key(hwnd, VK_UP);
  EXPECT_EQ(spin.Value(), 10) << "held at the maximum";
  spin.UseCtrlIncrement = true;
  Key(hwnd, VK_DOWN);
  EXPECT_EQ(spin.Value(), 10);
  EXPECT_EQ(container_->keys, std::vector<WPARAM>{VK_DOWN}) << "Down alone moves the grid";
  Key(hwnd, VK_DOWN, {VK_CONTROL});
  EXPECT_EQ(spin.Value(), 6);
  spin.SelectAll();
  Type(hwnd, L"x7");
  EXPECT_EQ(spin.Text(), L"7");
  spin.EditorEnabled = false;
  Type(hwnd, L"1");
  EXPECT_EQ(spin.Text(), L"7");

  const RECT button = spin.Button().BoundsRect();
  const int x = (button.left + button.right) / 2;
  const LPARAM upper = MAKELPARAM(x, button.top + 2), lower = MAKELPARAM(x, button.bottom - 2);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, upper);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, upper);
  EXPECT_EQ(spin.Value(), 10) << "the upper half spins up (held at the maximum)";
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, lower);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, lower);
  EXPECT_EQ(spin.Value(), 6);
}

// The spin button's arrows about its centre: 4 rows each, their bases 2 pixels off the middle,
// the up arrow the down arrow's mirror image, in every paint style.
TEST_F(ValueEditors, SpinArrowsMirrorEachOtherAboutTheButtonsMiddle) {
  static const char* const kArrows[] = {
      // columns: centre - 4 to centre + 3; rows: middle - 6 to middle + 5
      "...##...", "..####..", ".######.", "########", "........", "........",
      "........", "........", "########", ".######.", "..####..", "...##...",
  };
  auto& spin = Open<editors::TdxInplaceSpinEdit>();
  const RECT button = spin.Button().BoundsRect();
  const int left = button.left + (button.right - button.left) / 2 - 4;
  const int top = button.top + (button.bottom - button.top) / 2 - 6;
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  xptest::ForEachPaintStyle([&](int) {
    const auto picture = edittest::Picture(spin, "spin_edit_arrows");
    std::string failures;
    for (int y = button.top; y < button.bottom; ++y) {
      for (int x = button.left; x < button.right; ++x) {
        const int row = y - top, column = x - left;
        const bool meant =
            row >= 0 && row < 12 && column >= 0 && column < 8 && kArrows[row][column] == '#';
        if ((picture->Pixel(x, y) == ink) != meant) {
          failures += " " + std::to_string(column - 4) + "," + std::to_string(row - 6);
        }
      }
    }
    EXPECT_EQ(failures, "") << "pixels off (from the centre, the middle)";
  });
}

// The caret of a right-aligned number stands where the user types: right of the last digit after
// End, left of the first after Home, in every paint style.
TEST_F(ValueEditors, SpinCaretStandsAtTheRightAlignedDigits) {
  auto& spin = Open<editors::TdxInplaceSpinEdit>({10, 10, 150, 28});
  spin.SetText(L"41");
  HWND hwnd = spin.Handle();
  const int button_left = spin.Button().BoundsRect().left;
  xptest::ForEachPaintStyle([&](int) {
    Key(hwnd, VK_END);
    Type(hwnd, L"7");
    ASSERT_EQ(spin.Text(), L"417");
    const auto picture = edittest::Picture(spin, "spin_edit_caret", 1);
    int first = INT_MAX, last = INT_MIN;  // the digits' dark ink, left of the button
    for (int y = 0; y < spin.Height(); ++y) {
      for (int x = 0; x < button_left; ++x) {
        const COLORREF c = picture->Pixel(x, y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) >= 300) continue;
        first = std::min(first, x);
        last = std::max(last, x + 1);
      }
    }
    ASSERT_LT(first, last) << "the number is drawn";
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_NEAR(caret.x, last, 2) << "after End and a digit: right of the 7";
    Key(hwnd, VK_HOME);
    GetCaretPos(&caret);
    EXPECT_NEAR(caret.x, first, 2) << "after Home: left of the 4";
    spin.SetText(L"41");
  });
}

TEST_F(ValueEditors, CurrencyFormatsByItsPattern) {
  EXPECT_EQ(editors::FormatCurrencyValue(1234.5, L"\"$\",0.00"), L"$1,234.50");
  EXPECT_EQ(editors::FormatCurrencyValue(-1234567.891, L",0.0 \"EUR\""), L"-1,234,567.9 EUR");
  EXPECT_EQ(editors::FormatCurrencyValue(12, L"0"), L"12");
  EXPECT_EQ(editors::FormatCurrencyValue(3, L"none"), L"none");
  const std::wstring pattern = editors::BuildCurrencyFormat();
  EXPECT_NE(pattern.find(L",0"), std::wstring::npos) << std::string(pattern.begin(), pattern.end());
  auto& currency = Open<editors::TdxInplaceCurrencyEdit>();
  currency.SetDisplayFormat(L"\"$\",0.00");
  currency.SetValue(1999.999);
  EXPECT_EQ(currency.Text(), L"2000.00");
  EXPECT_EQ(currency.DisplayText(), L"$2,000.00");
  currency.SetMinMaxValues(0, 1000);
  try {
    currency.ValidateEdit();
    ADD_FAILURE() << "2000 accepted";
  } catch (const editors::EdxEditError& e) {
    EXPECT_STREQ(e.what(), "The value must lie between 0.00 and 1000.00");
  }
  for (const double inside : {10.0, 0.0, 1000.0}) {
    currency.SetValue(inside);
    EXPECT_NO_THROW(currency.ValidateEdit()) << inside << ": the limits are inside";
  }
  currency.SetMinMaxValues(0, 0);
  currency.SetValue(-5);
  EXPECT_NO_THROW(currency.ValidateEdit()) << "equal limits are none";
  currency.DecimalPlaces = 40;
  currency.SetValue(0.5);
  EXPECT_EQ(currency.Text(), L"0.500000000000000") << "at most 15 places";
}

struct CalcCase {
  const wchar_t* keys;
  const wchar_t* shown;
};
constexpr CalcCase kCalcCases[] = {
    {L"12+3=", L"15"},  {L"2*3-1=", L"5"}, {L"7/0=", L"Error"}, {L"7/0=C5", L"5"},
    {L"1.5+.5=", L"2"}, {L"9~+1=", L"-8"}, {L"8/4", L"4"},      {L"3..2", L"3.2"},
};

TEST(Calculator, KeysGiveTheResult) {
  for (const CalcCase& c : kCalcCases) {
    SCOPED_TRACE(testing::Message() << std::wstring(c.keys));
    editors::TdxCalculator calculator;
    for (const wchar_t* k = c.keys; *k; ++k) calculator.Press(*k);
    EXPECT_EQ(calculator.Display(15), c.shown);
  }
  editors::TdxCalculator calculator;
  EXPECT_FALSE(calculator.Press(L'x'));
  for (wchar_t key : std::wstring(L"1/0=")) calculator.Press(key);
  EXPECT_FALSE(calculator.Press(L'5')) << "after an error only C is taken";
  EXPECT_EQ(calculator.Display(15), L"Error");
}

// The open popup of `editor` as it paints, from its top-left corner.
std::unique_ptr<xptest::Surface> PopupPicture(editors::TdxInplaceDropDownEdit& editor) {
  auto* popup = framework::TWinControl::FromHandle(editor.PopupHandle());
  if (!popup) throw std::runtime_error("no popup is open");
  auto surface = std::make_unique<xptest::Surface>(popup->Width(), popup->Height());
  popup->PaintTo(surface->dc(), 0, 0);
  return surface;
}

// A left click pressed and released at `point` of a window.
void Click(HWND hwnd, POINT point) {
  const LPARAM at = MAKELPARAM(point.x, point.y);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

TEST_F(ValueEditors, CalculatorPopupTakesKeysAndClicksAndGivesItsResult) {
  auto& calc = Open<editors::TdxInplaceCalcEdit>();
  calc.SetText(L"2");
  HWND hwnd = calc.Handle();
  Key(hwnd, VK_F4);
  ASSERT_TRUE(calc.DroppedDown());
  Type(hwnd, L"*21=");
  EXPECT_EQ(calc.Text(), L"2");
  Key(hwnd, VK_RETURN);
  EXPECT_FALSE(calc.DroppedDown());
  EXPECT_EQ(calc.Text(), L"42");

  // The keys lie below the display row in four columns: "C~/*", "789-", "456+", "123=", "0.".
  calc.SetText(L"");
  Key(hwnd, VK_F4);
  HWND popup = calc.PopupHandle();
  RECT client{};
  GetClientRect(popup, &client);
  const int cell = (client.right - 2) / 4;
  const auto key = [&](int row, int column) {
    return POINT{2 + column * cell + cell / 2, 2 + (row + 1) * cell + cell / 2};
  };
  for (const POINT& p : {key(1, 0), key(0, 3), key(2, 2), key(3, 3)}) Click(popup, p);
  EXPECT_TRUE(calc.DroppedDown()) << "\"=\" closes only with QuickClose";
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(calc.Text(), L"42") << "7 * 6 =";
  calc.QuickClose = true;
  calc.SetText(L"");
  Key(hwnd, VK_F4);
  popup = calc.PopupHandle();
  for (const POINT& p : {key(3, 0), key(2, 3), key(3, 1), key(3, 3)}) Click(popup, p);
  EXPECT_FALSE(calc.DroppedDown()) << "QuickClose: \"=\" takes the result";
  EXPECT_EQ(calc.Text(), L"3") << "1 + 2 =";
  calc.QuickClose = false;

  // Keys are framed, raised (lit at the top left) until pressed; the two places after "0." hold
  // no key.
  Key(hwnd, VK_F4);
  popup = calc.PopupHandle();
  const auto top_left = [&](const xptest::Surface& s, int row, int column) {
    return s.Pixel(2 + column * cell, 2 + (row + 1) * cell);
  };
  const auto raised = [&](const xptest::Surface& s, int row, int column) {
    const COLORREF lit = top_left(s, row, column);
    const COLORREF shade = s.Pixel(2 + (column + 1) * cell - 3, 2 + (row + 2) * cell - 3);
    return GetRValue(lit) + GetGValue(lit) + GetBValue(lit) >
           GetRValue(shade) + GetGValue(shade) + GetBValue(shade);
  };
  const auto before = PopupPicture(calc);
  EXPECT_TRUE(raised(*before, 1, 0));
  EXPECT_EQ(top_left(*before, 4, 2), GetSysColor(COLOR_BTNFACE)) << "no key after the point";
  const POINT seven = key(1, 0);
  SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(seven.x, seven.y));
  const auto pressed = PopupPicture(calc);
  EXPECT_FALSE(raised(*pressed, 1, 0)) << "the pressed key is sunk";
  EXPECT_TRUE(raised(*pressed, 1, 1)) << "the others stay raised";
  SendMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(seven.x, seven.y));
  Key(hwnd, VK_ESCAPE);
}

// The calculator's keys follow the editor's font: cells of its height and 8 more, never under 22
// pixels. The popup holds them with a margin of 2 pixels all round, and the display row above
// them ends where they end.
TEST_F(ValueEditors, CalculatorKeysFollowTheFontAndFillThePopup) {
  auto& calc = Open<editors::TdxInplaceCalcEdit>();
  const COLORREF face = GetSysColor(COLOR_BTNFACE), dark = GetSysColor(COLOR_3DDKSHADOW);
  for (const int font_height : {-8, -26}) {
    SCOPED_TRACE(testing::Message() << "font height " << font_height);
    calc.Font().SetHeight(font_height);
    TEXTMETRICW metrics{};
    {
      const win::WindowDC dc(calc.Handle());
      const HGDIOBJ old = SelectObject(dc.get(), calc.Font().Handle());
      GetTextMetricsW(dc.get(), &metrics);
      SelectObject(dc.get(), old);
    }
    const int cell = std::max<int>(22, metrics.tmHeight + 8);
    Key(calc.Handle(), VK_F4);
    ASSERT_TRUE(calc.DroppedDown());
    RECT client{};
    GetClientRect(calc.PopupHandle(), &client);
    const auto picture = PopupPicture(calc);
    // A raised key's bottom line is the darkest shadow; so is the sunken display's inner top.
    std::vector<int> bottoms;
    for (int y = 0; y < client.bottom; ++y) {
      if (picture->Pixel(5, y) == dark) bottoms.push_back(y);
    }
    ASSERT_EQ(bottoms.size(), 6u) << "the display and five rows of keys";
    EXPECT_EQ(bottoms[0], 3) << "the display's edge 2 pixels below the top";
    for (size_t row = 2; row < bottoms.size(); ++row) {
      EXPECT_EQ(bottoms[row] - bottoms[row - 1], cell) << "row " << row - 1;
    }
    EXPECT_EQ(client.bottom, bottoms.back() + 1 + 2) << "neither clipped nor a spare strip below";
    std::vector<std::pair<int, int>> keys;  // each key's columns along its bottom line
    for (int x = 0; x < client.right; ++x) {
      if (picture->Pixel(x, bottoms[1]) != dark) continue;
      if (keys.empty() || keys.back().second != x) keys.emplace_back(x, x);
      keys.back().second = x + 1;
    }
    ASSERT_EQ(keys.size(), 4u);
    for (size_t column = 0; column < keys.size(); ++column) {
      EXPECT_EQ(keys[column].first, 2 + static_cast<int>(column) * cell) << "column " << column;
      EXPECT_EQ(keys[column].second - keys[column].first, cell - 2) << "column " << column;
    }
    EXPECT_EQ(client.right, keys.back().second + 2) << "neither clipped nor a spare strip right";
    int display_end = 0;
    for (int x = 0; x < client.right; ++x) {
      if (picture->Pixel(x, 4) != face) display_end = x + 1;
    }
    EXPECT_EQ(display_end, keys.back().second) << "the display ends where the keys end";
    Key(calc.Handle(), VK_ESCAPE);
  }
}

TEST(Dates, EncodeDecodeAndParse) {
  EXPECT_EQ(editors::EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(editors::EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(editors::EncodeDate(1899, 12, 29), -1);
  for (double date : {-700000.0, -1.0, 0.0, 59.0, 36526.0, 2958465.0}) {
    int y, m, d;
    editors::DecodeDate(date, y, m, d);
    EXPECT_EQ(editors::EncodeDate(y, m, d), date);
  }
  double date = 0;
  EXPECT_TRUE(editors::TryParseDate(L"2024-02-29", date));
  EXPECT_EQ(date, editors::EncodeDate(2024, 2, 29));
  EXPECT_TRUE(editors::TryParseDate(editors::FormatDate(40000), date));
  EXPECT_EQ(date, 40000);
  for (const wchar_t* bad :
       {L"2023-02-29", L"2024-13-01", L"abc", L"1-2", L"", L"2024-01-01-01", L"99999-1-1"}) {
    EXPECT_FALSE(editors::TryParseDate(bad, date)) << std::wstring(bad).size();
  }
  // A year of two digits lies between 1950 and 2049; one written with three stays as written.
  wchar_t order[4] = L"0";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, order, 4);
  for (const auto& [year, meant] : {std::pair{L"49", 2049}, {L"50", 1950}, {L"050", 50}}) {
    const std::wstring y = year;
    const std::wstring text = order[0] == L'1'   ? L"2/1/" + y
                              : order[0] == L'2' ? y + L"/1/2"
                                                 : L"1/2/" + y;
    ASSERT_TRUE(editors::TryParseDate(text, date)) << meant;
    EXPECT_EQ(date, editors::EncodeDate(meant, 1, 2)) << meant;
  }
}

// A user whose short date puts the year first sees it so and types it so; a year of one or two
// digits there gets its century, one of three stays as written.
TEST_F(ValueEditors, YearFirstShortDateShowsAndReadsTheYearFirst) {
  xptest::LocaleInfoScope year_first(LOCALE_SSHORTDATE, L"yyyy/MM/dd");
  auto& edit = Open<editors::TdxInplaceDateEdit>();
  edit.SetDate(editors::EncodeDate(2024, 3, 5));
  EXPECT_EQ(edit.Text(), L"2024/03/05");
  struct Typed {
    const wchar_t* text;
    int year, month, day;
  };
  for (const Typed& typed :
       {Typed{L"24/3/5", 2024, 3, 5}, Typed{L"7-12-31", 2007, 12, 31}, Typed{L"99.1.2", 1999, 1, 2},
        Typed{L"024/3/05", 24, 3, 5}, Typed{L"2024/3/5", 2024, 3, 5}}) {
    SCOPED_TRACE(testing::Message() << std::wstring(typed.text));
    edit.SelectAll();
    Type(edit.Handle(), typed.text);
    double date = 0;
    ASSERT_TRUE(edit.Date(date));
    EXPECT_EQ(date, editors::EncodeDate(typed.year, typed.month, typed.day));
  }
}

TEST_F(ValueEditors, DateValidationFollowsDateOnError) {
  auto& edit = Open<editors::TdxInplaceDateEdit>();
  edit.SetText(L"not a date");
  EXPECT_THROW(edit.ValidateEdit(), editors::EdxEditError);
  edit.DateValidation = false;
  EXPECT_NO_THROW(edit.ValidateEdit());
  edit.DateOnError = editors::TDateOnError::deNull;
  edit.ValidateEdit();
  EXPECT_EQ(edit.Text(), L"");
  edit.SetText(L"never");
  edit.DateOnError = editors::TDateOnError::deToday;
  edit.ValidateEdit();
  double date = 0;
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::Today());
  edit.SetText(L"yesterday");
  edit.OnValidateInput = [](framework::TComponent*, const std::wstring& text, double& date,
                            std::wstring&, bool& error) {
    if (text == L"yesterday") date = editors::Today() - 1, error = false;
  };
  edit.ValidateEdit();
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::Today() - 1);
}

struct CalendarCase {
  int year, month, day;
  std::vector<WORD> keys;  // in the open calendar, before Return
  int to_year, to_month, to_day;
};
const CalendarCase kCalendarCases[] = {
    {2024, 1, 31, {VK_RIGHT, VK_NEXT}, 2024, 3, 1},  // a month on from 1 February
    {2024, 3, 1, {VK_UP}, 2024, 2, 23},
    {2024, 3, 1, {VK_LEFT}, 2024, 2, 29},
    {2024, 3, 1, {VK_DOWN}, 2024, 3, 8},
    {2024, 1, 15, {VK_PRIOR}, 2023, 12, 15},
    {2024, 2, 15, {VK_PRIOR}, 2024, 1, 15},
    {2024, 12, 15, {VK_NEXT}, 2025, 1, 15},
    {2023, 1, 31, {VK_NEXT}, 2023, 2, 28},  // the day held in the shorter month
};

TEST_F(ValueEditors, CalendarPopupMovesAndTakesADay) {
  auto& edit = Open<editors::TdxInplaceDateEdit>();
  HWND hwnd = edit.Handle();
  double date = 0;
  for (const CalendarCase& c : kCalendarCases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    edit.SetDate(editors::EncodeDate(c.year, c.month, c.day));
    Key(hwnd, VK_DOWN, {VK_MENU});
    ASSERT_TRUE(edit.DroppedDown());
    ValidateRect(edit.PopupHandle(), nullptr);
    for (WORD key : c.keys) Key(hwnd, key);
    EXPECT_TRUE(container_->keys.empty()) << "the open calendar keeps its keys";
    EXPECT_TRUE(GetUpdateRect(edit.PopupHandle(), nullptr, FALSE)) << "and shows the new day";
    Key(hwnd, VK_RETURN);
    ASSERT_TRUE(edit.Date(date));
    EXPECT_EQ(date, editors::EncodeDate(c.to_year, c.to_month, c.to_day));
  }
  Key(hwnd, VK_F4);
  Key(hwnd, VK_UP);
  Key(hwnd, VK_ESCAPE);
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::EncodeDate(2023, 2, 28)) << "Escape takes nothing";

  // January 2024 begins on a Monday: its first row holds 1 to 7. Below the title, the day
  // names and six weeks, a row of buttons (Today, Clear); cells are half again as wide as high.
  edit.SetDate(editors::EncodeDate(2024, 1, 31));
  Key(hwnd, VK_F4);
  RECT client{};
  GetClientRect(edit.PopupHandle(), &client);
  const int cell = client.bottom / 9, width = cell * 3 / 2;
  const POINT today{width, 8 * cell + cell / 2}, clear{6 * width, 8 * cell + cell / 2};
  Click(edit.PopupHandle(), {2 * width + width / 2, 3 * cell + cell / 2});
  EXPECT_FALSE(edit.DroppedDown());
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::EncodeDate(2024, 1, 10)) << "the Wednesday of the second week";
  // November 1899 begins on a Wednesday, before the calendar's day 0; its last Sunday is 26.
  edit.SetDate(editors::EncodeDate(1899, 11, 15));
  Key(hwnd, VK_F4);
  Click(edit.PopupHandle(), {2 * width + width / 2, 2 * cell + cell / 2});
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::EncodeDate(1899, 11, 1));
  Key(hwnd, VK_F4);
  Click(edit.PopupHandle(), {6 * width + width / 2, 5 * cell + cell / 2});
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::EncodeDate(1899, 11, 26));
  Key(hwnd, VK_F4);
  Click(edit.PopupHandle(), clear);
  EXPECT_EQ(edit.Text(), L"") << "the Clear button";
  EXPECT_FALSE(edit.Date(date)) << "no text, no date";
  edit.DateButtons = editors::btnToday;
  edit.SetDate(editors::EncodeDate(2024, 1, 31));
  Key(hwnd, VK_F4);
  // The Today button takes half the width less two pixels a side, above the last pixel row.
  const auto picture = PopupPicture(edit);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(picture->Pixel(today.x, today.y + cell / 4), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(picture->Pixel(width * 7 / 2 + 1, today.y), window) << "right of the Today button";
  EXPECT_EQ(picture->Pixel(today.x, 9 * cell - 1), window) << "below it";
  EXPECT_EQ(picture->Pixel(clear.x, clear.y + cell / 4), window) << "no Clear button is drawn";
  Click(edit.PopupHandle(), clear);
  EXPECT_TRUE(edit.DroppedDown()) << "no Clear button";
  Click(edit.PopupHandle(), today);
  ASSERT_TRUE(edit.Date(date));
  EXPECT_EQ(date, editors::Today()) << "the Today button";
}

TEST(EditMask, FillsSlotsKeepsLiteralsAndChecksCompleteness) {
  const editors::TEditMask phone(L"!\\(999\\) 000-0000;0;_");
  EXPECT_EQ(phone.EditTextFor(L"5551234567"), L"(555) 123-4567");
  EXPECT_EQ(phone.ValueOf(L"(555) 123-4567"), L"5551234567") << "literals not kept";
  EXPECT_EQ(phone.EditTextFor(L"12"), L"(12_) ___-____");
  EXPECT_FALSE(phone.IsComplete(L"(12_) ___-____"));
  EXPECT_TRUE(phone.IsComplete(L"(___) 123-4567")) << "the 9s are optional";
  const editors::TEditMask time(L"!90:00;1;_");
  EXPECT_EQ(time.EditTextFor(L"12:30"), L"12:30");
  EXPECT_EQ(time.ValueOf(L"1_:3_"), L"1:3") << "literals kept, blanks dropped";
  EXPECT_TRUE(time.IsLiteral(2));
  EXPECT_EQ(time.NextSlot(2), 3);
  EXPECT_EQ(time.PreviousSlot(3), 1);
  EXPECT_FALSE(time.Accepts(0, L'a'));
  const editors::TEditMask letters(L"LLaa");
  EXPECT_EQ(letters.EditTextFor(L"a1b2c3"), L"ab2c") << "refused characters are skipped";
}

TEST_F(ValueEditors, MaskAndTimeEditorsTypeIntoTheSlots) {
  auto& any = Open<editors::TdxInplaceMaskEdit>({10, 40, 150, 58});
  any.SetEditMask(L"!CCC;1;_");
  any.SetText(L"");
  any.SetSelStart(0);
  Type(any.Handle(), L"a b");
  EXPECT_EQ(any.GetEditText(), L"a b") << "a space fills a slot that takes any character";

  auto& time = Open<editors::TdxInplaceTimeEdit>();
  EXPECT_EQ(time.EditMask(), L"!90:00;1;_");
  time.SetText(L"");
  HWND hwnd = time.Handle();
  time.SetSelStart(0);
  Type(hwnd, L"0x93");
  EXPECT_EQ(time.GetEditText(), L"09:3_");
  EXPECT_THROW(time.ValidateEdit(), editors::EdxEditError) << "a required slot is blank";
  Type(hwnd, L"0");
  EXPECT_NEAR(time.GetTimeValue(), (9 * 60 + 30) / 1440.0, 1e-9);
  time.SetSelStart(4);
  Key(hwnd, VK_UP);
  EXPECT_EQ(time.Text(), L"09:31") << "the minutes step under the caret";
  time.SetSelStart(0);
  Key(hwnd, VK_DOWN);
  EXPECT_EQ(time.Text(), L"08:31");
  time.SetTimeEditFormat(editors::TTimeEditFormat::tfHourMinSec);
  EXPECT_EQ(time.Text(), L"08:31:00");
  // Backspace over a selection blanks what is selected, literals kept.
  time.SetSelStart(1);
  time.SetSelLength(3);
  Type(hwnd, L"\b");
  EXPECT_EQ(time.GetEditText(), L"0_:_1:00");
  time.SetText(L"08:31:00");
  time.SetSelStart(2);
  Key(hwnd, VK_DELETE);
  EXPECT_EQ(time.GetEditText(), L"08:_1:00") << "Delete blanks the slot after the caret";
  for (const wchar_t* past : {L"24:00:00", L"12:60:00", L"12:00:60"}) {
    time.SetText(past);
    EXPECT_EQ(time.GetTimeValue(), 0) << "past the clock: " << std::string(past, past + 8);
  }
  time.SetText(L"23:59:59");
  EXPECT_NEAR(time.GetTimeValue(), 86399 / 86400.0, 1e-9);
  time.SetTimeValue(1 - 1e-9);
  EXPECT_EQ(time.Text(), L"00:00:00") << "a day less a little rounds to midnight";
  time.SetText(L"23:59:59");
  time.SetTimeEditFormat(editors::TTimeEditFormat::tfHour);
  EXPECT_EQ(time.GetEditText(), L"23") << "hours alone";
  time.SetSelStart(1);
  Key(hwnd, VK_DOWN);
  EXPECT_EQ(time.Text(), L"22");
  EXPECT_NEAR(time.GetTimeValue(), 22 / 24.0, 1e-9);
}

// Digits reach every number editor; the decimal separator only a float spin and the currency
// editor, in the user's decimal separator or a point; other letters none.
TEST_F(ValueEditors, NumberEditorsTakeTheirCharactersInEitherDecimalSeparator) {
  auto& integer = Open<editors::TdxInplaceSpinEdit>({10, 10, 110, 28});
  auto& real = Open<editors::TdxInplaceSpinEdit>({10, 40, 110, 58});
  real.SetValueType(editors::TdxSpinEditValueType::vtFloat);
  auto& currency = Open<editors::TdxInplaceCurrencyEdit>({10, 70, 110, 88});
  const auto typed = [](editors::TdxInplaceTextEdit& edit, const wchar_t* keys) {
    edit.SetText(L"");
    Type(edit.Handle(), keys);
    return edit.Text();
  };
  for (const wchar_t* separator : {L".", L","}) {
    SCOPED_TRACE(testing::Message() << "separator " << static_cast<char>(separator[0]));
    xptest::DecimalSeparatorScope scope(separator);
    const std::wstring half = std::wstring(L"-12") + separator + L"5";
    EXPECT_EQ(typed(integer, (half + L"x").c_str()), L"-125");
    EXPECT_EQ(typed(real, (half + L"x").c_str()), half);
    EXPECT_DOUBLE_EQ(real.Value(), -12.5);
    EXPECT_EQ(typed(currency, (L"x" + half).c_str()), half);
    EXPECT_DOUBLE_EQ(currency.GetValue(), -12.5);
  }
}

TEST_F(ValueEditors, EditButtonsCollectionAndClicks) {
  auto& edit = Open<editors::TdxInplaceButtonEdit>();
  EXPECT_EQ(edit.Buttons().Count(), 1) << "one ellipsis button by default";
  EXPECT_EQ(edit.Buttons().GetItem(0).Kind(), editors::TdxEditButtonKind::bkEllipsis);
  editors::TdxEditButton& down = edit.Buttons().Add();
  down.SetKind(editors::TdxEditButtonKind::bkDown);
  EXPECT_EQ(edit.Buttons().Count(), 2);
  EXPECT_THROW(edit.Buttons().GetItem(2), editors::EdxEditError);
  std::vector<int> clicked;
  edit.OnButtonClick = [&](framework::TComponent*, int index) { clicked.push_back(index); };
  HWND hwnd = edit.Handle();
  Key(hwnd, VK_RETURN, {VK_CONTROL});
  const RECT button = edit.Button().BoundsRect();
  const LPARAM on_button = MAKELPARAM((button.left + button.right) / 2, 5);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, on_button);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, on_button);
  edit.ClickEditButton(1);
  edit.ClickEditButton(5);
  EXPECT_EQ(clicked, (std::vector<int>{0, 0, 1}));
  edit.SetTextMode(editors::TdxButtonTextMode::tmButtonsOnly);
  Type(hwnd, L"abc");
  EXPECT_EQ(edit.Text(), L"");
  edit.Buttons().Clear();
  EXPECT_FALSE(edit.ShowButton());
  edit.Buttons().RestoreDefaults();
  EXPECT_TRUE(edit.ShowButton());
}

TEST_F(ValueEditors, HyperlinkStartsByKeyOrClickAndRegistersItsCursor) {
  auto& link = Open<editors::TdxInplaceHyperLinkEdit>();
  HCURSOR cursor = framework::Screen().CursorHandle(editors::crdxLink);
  EXPECT_NE(cursor, nullptr);
  EXPECT_NE(cursor, framework::Screen().CursorHandle(framework::crArrow)) << "registered";
  EXPECT_EQ(link.Cursor(), editors::crdxLink);
  std::vector<std::wstring> opened;
  auto saved = editors::TdxInplaceHyperLinkEdit::LinkOpener();
  editors::TdxInplaceHyperLinkEdit::LinkOpener() = [&](const std::wstring& l) {
    opened.push_back(l);
  };
  link.SetText(L"http://127.0.0.1/help");
  HWND hwnd = link.Handle();
  Key(hwnd, VK_RETURN, {VK_CONTROL});
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  link.SingleClick = true;
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  int handled = 0;
  link.OnStartClick = [&](framework::TComponent*) { ++handled; };
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  editors::TdxInplaceHyperLinkEdit::LinkOpener() = saved;
  EXPECT_EQ(opened,
            (std::vector<std::wstring>{L"http://127.0.0.1/help", L"http://127.0.0.1/help"}));
  EXPECT_EQ(handled, 1) << "a handler replaces the opener";
}

TEST_F(ValueEditors, ImageValuesFindTheirImageAndDescription) {
  int index = 0;
  std::wstring description;
  const std::vector<std::wstring> values = {L"T", L"F", L"N"}, indexes = {L"4", L"7"},
                                  descriptions = {L"Yes", L"No", L"Unknown"};
  EXPECT_TRUE(editors::GetImageIndexForValue(L"F", values, indexes, false, descriptions, index,
                                             description));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(description, L"No");
  EXPECT_TRUE(editors::GetImageIndexForValue(L"N", values, indexes, false, descriptions, index,
                                             description));
  EXPECT_EQ(index, -1) << "no index listed for it";
  EXPECT_TRUE(editors::GetImageIndexForValue(L"N", values, indexes, true, descriptions, index,
                                             description));
  EXPECT_EQ(index, 2) << "default images: its position";
  EXPECT_TRUE(editors::GetImageIndexForValue(L"N", values, indexes, true, {L"Yes", L"No"}, index,
                                             description));
  EXPECT_EQ(description, L"") << "no description listed for it";
  EXPECT_FALSE(editors::GetImageIndexForValue(L"x", values, indexes, true, descriptions, index,
                                              description));
  EXPECT_EQ(index, -1);
  EXPECT_EQ(description, L"");

  auto& image = Open<editors::TdxInplaceImageEdit>();
  image.SetValues(values);
  image.SetDescriptions(descriptions);
  image.SetText(L"T");
  HWND hwnd = image.Handle();
  Type(hwnd, L"u");
  EXPECT_EQ(image.Text(), L"N") << "the next description that begins with u";
  Key(hwnd, VK_F4);
  Key(hwnd, VK_HOME);
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(image.Text(), L"T");
}

// The box of the pixels of one colour; empty when there are none.
RECT BoxOfColour(const xptest::Surface& surface, COLORREF colour) {
  RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < surface.height(); ++y) {
    for (int x = 0; x < surface.width(); ++x) {
      if (surface.Pixel(x, y) != colour) continue;
      box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
             std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    }
  }
  return box.left < box.right ? box : RECT{};
}

// The image editor's drop-down list shows each value's image, whole, before its description:
// the large images when there are some, else the cell's.
TEST_F(ValueEditors, ImageListShowsEachValuesImageBeforeItsDescription) {
  const COLORREF colours[] = {RGB(200, 40, 40), RGB(40, 160, 40), RGB(40, 40, 200)};
  framework::TImageList small(nullptr), large(nullptr);
  large.SetWidth(32);
  large.SetHeight(32);
  for (framework::TImageList* images : {&small, &large}) {
    for (COLORREF colour : colours) {
      framework::TBitmap bitmap(images->Width(), images->Height(),
                                framework::TPixelFormat::pf24bit);
      const RECT all{0, 0, images->Width(), images->Height()};
      win::UniqueBrush brush(CreateSolidBrush(colour));
      FillRect(bitmap.Canvas().Handle(), &all, brush.get());
      images->Add(bitmap);
    }
  }
  auto& image = Open<editors::TdxInplaceImageEdit>();
  image.SetValues({L"T", L"F", L"N"});
  image.SetDescriptions({L"Yes", L"No", L"Unknown"});
  image.SetDefaultImages(false);
  image.SetImageIndexes({L"2", L"0"});  // T the third image, F the first, N none
  image.SetImages(&small);
  image.SetText(L"N");
  HWND hwnd = image.Handle();
  for (framework::TImageList* shown : {&small, &large}) {
    SCOPED_TRACE(shown == &small ? "the cell's images" : "the large images");
    image.SetLargeImages(shown == &large ? &large : nullptr);
    Key(hwnd, VK_F4);
    const auto picture = PopupPicture(image);
    xptest::WritePicture(*picture, shown == &small ? "image_edit_list" : "image_edit_list_large");
    const RECT yes = BoxOfColour(*picture, colours[2]), no = BoxOfColour(*picture, colours[0]);
    EXPECT_EQ(yes.right - yes.left, shown->Width()) << "the first row's image, whole";
    EXPECT_EQ(yes.bottom - yes.top, shown->Height());
    EXPECT_EQ(no.right - no.left, shown->Width()) << "the second row's image, whole";
    EXPECT_EQ(no.bottom - no.top, shown->Height());
    EXPECT_EQ(no.left, yes.left);
    EXPECT_GE(no.top, yes.bottom) << "one row under the other";
    const RECT unnamed = BoxOfColour(*picture, colours[1]);
    EXPECT_TRUE(IsRectEmpty(&unnamed)) << "an image no value names";
    const RECT text{yes.right, yes.top, picture->width(), yes.bottom};
    EXPECT_GT(xptest::CountDark(*picture, text), 0) << "the description right of the image";
    Key(hwnd, VK_ESCAPE);
  }
  // Two rows at a time: the arrows move through the values and the list follows.
  image.DropDownRows = 2;
  image.SetText(L"T");
  Key(hwnd, VK_F4);
  Key(hwnd, VK_DOWN);
  Key(hwnd, VK_DOWN);
  const auto scrolled = PopupPicture(image);
  const RECT yes = BoxOfColour(*scrolled, colours[2]), no = BoxOfColour(*scrolled, colours[0]);
  EXPECT_TRUE(IsRectEmpty(&yes) && !IsRectEmpty(&no)) << "the list shows the last two rows";
  Key(hwnd, VK_UP);
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(image.Text(), L"F");
}

TEST_F(ValueEditors, MostRecentlyUsedListKeepsTheLatestOnTop) {
  auto& mru = Open<editors::TdxInplaceMRUEdit>();
  mru.SetMaxItemCount(3);
  for (const wchar_t* text : {L"a", L"b", L"c", L"b", L"d", L""}) {
    mru.SetText(text);
    mru.ValidateEdit();
  }
  EXPECT_EQ(mru.Items(), (std::vector<std::wstring>{L"d", L"b", L"c"}));
  mru.SetMaxItemCount(2);
  EXPECT_EQ(mru.Items(), (std::vector<std::wstring>{L"d", L"b"}));
  int clicks = 0;
  mru.OnMRUButtonClick = [&](framework::TComponent*) { ++clicks; };
  Key(mru.Handle(), VK_RETURN, {VK_CONTROL});
  EXPECT_EQ(clicks, 1);
}

std::string AllByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

// A 16 x 16 24-bit bitmap file whose pixels hold every byte value.
std::string BitmapFileWithEveryByte() {
  framework::TBitmap bitmap(16, 16, framework::TPixelFormat::pf24bit);
  for (int y = 0; y < 16; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 48; ++x) row[x] = static_cast<uint8_t>((y * 48 + x) % 256);
  }
  framework::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().begin() + stream.Size());
}

TEST_F(ValueEditors, BlobAndPictureValuesKeepEveryByte) {
  const std::string bytes = AllByteValues();
  const std::wstring value = editors::BytesToValue(bytes);
  std::string back;
  ASSERT_TRUE(editors::ValueToBytes(value, back));
  EXPECT_EQ(back, bytes);
  EXPECT_FALSE(editors::ValueToBytes(L"\u6f22", back)) << "no byte";

  auto& blob = Open<editors::TdxInplaceBlobEdit>();
  blob.SetBlobEditKind(editors::TdxBlobEditKind::bekBlob);
  blob.SetTextSilently(value);
  EXPECT_FALSE(blob.Modified());
  ASSERT_TRUE(editors::ValueToBytes(blob.Text(), back));
  EXPECT_EQ(back, bytes);

  const std::string file = BitmapFileWithEveryByte();
  auto& graphic = Open<editors::TdxInplaceGraphicEdit>({10, 40, 60, 80});
  graphic.SetText(editors::BytesToValue(file));
  ASSERT_FALSE(editors::IsPictureEmpty(graphic.Picture()));
  EXPECT_EQ(graphic.Picture().Width(), 16);
  ASSERT_TRUE(editors::ValueToBytes(graphic.Text(), back));
  EXPECT_EQ(back, file);
  EXPECT_EQ(editors::PictureToString(graphic.Picture()), file);

  blob.SetBlobEditKind(editors::TdxBlobEditKind::bekPict);
  blob.SetText(editors::BytesToValue(file));
  EXPECT_EQ(blob.Picture().Height(), 16);
  EXPECT_TRUE(blob.Modified());
}

TEST_F(ValueEditors, ValuesThatDoNotDecodePaintEmpty) {
  auto& graphic = Open<editors::TdxInplaceGraphicEdit>({10, 40, 60, 80});
  for (const std::wstring& value :
       {std::wstring(L"garbage"), std::wstring(L"BM\u6f22"),
        editors::BytesToValue(BitmapFileWithEveryByte().substr(0, 60))}) {
    EXPECT_NO_THROW(graphic.SetText(value));
    EXPECT_TRUE(editors::IsPictureEmpty(graphic.Picture()));
    EXPECT_NO_THROW(edittest::Picture(graphic, "graphic_edit_undecodable"));
  }
  framework::TPicture picture;
  editors::LoadPictureFromValue(picture, nullptr, "BM not really");
  EXPECT_TRUE(editors::IsPictureEmpty(picture));
  EXPECT_EQ(editors::PictureToString(picture), "");
  editors::TdxGraphicEditViewData data;
  data.Picture = &picture;
  data.Bounds = {0, 0, 40, 40};
  xptest::Surface surface(40, 40);
  EXPECT_NO_THROW(data.Paint(surface.dc()));
}

TEST_F(ValueEditors, GraphicToolBarPopsUpAndDeletes) {
  auto& graphic = Open<editors::TdxInplaceGraphicEdit>({10, 40, 60, 80});
  graphic.SetText(editors::BytesToValue(BitmapFileWithEveryByte()));
  graphic.SetModified(false);
  HWND hwnd = graphic.Handle();
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(graphic.ToolBarShowing());
  HWND bar = graphic.ToolBarHandle();
  RECT client{};
  GetClientRect(bar, &client);
  const LPARAM on_delete = MAKELPARAM(client.right - 10, client.bottom / 2);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, on_delete);
  SendMessageW(bar, WM_LBUTTONUP, 0, on_delete);
  EXPECT_FALSE(graphic.ToolBarShowing());
  EXPECT_TRUE(editors::IsPictureEmpty(graphic.Picture()));
  EXPECT_EQ(graphic.Text(), L"");
  EXPECT_TRUE(graphic.Modified());
}

TEST_F(ValueEditors, FamilyTestsByInheritance) {
  using editors::TdxInplaceEditClass;
  struct Family {
    const TdxInplaceEditClass& editor;
    const TdxInplaceEditClass& parent;
  };
  const Family families[] = {
      {editors::TdxInplaceTimeEdit::EditorClass(), editors::TdxInplaceMaskEdit::EditorClass()},
      {editors::TdxInplaceDateEdit::EditorClass(), editors::TdxInplaceDropDownEdit::EditorClass()},
      {editors::TdxInplaceMRUEdit::EditorClass(), editors::TdxInplacePickEdit::EditorClass()},
      {editors::TdxInplaceButtonEdit::EditorClass(),
       editors::TdxInplaceDropDownEdit::EditorClass()},
      {editors::TdxInplaceBlobEdit::EditorClass(), editors::TdxInplaceDropDownEdit::EditorClass()},
      {editors::TdxInplaceCalcEdit::EditorClass(), editors::TdxInplaceDropDownEdit::EditorClass()},
      {editors::TdxInplaceGraphicEdit::EditorClass(), editors::TdxInplaceEdit::EditorClass()},
  };
  for (const Family& f : families) {
    SCOPED_TRACE(f.editor.name);
    EXPECT_TRUE(f.editor.InheritsFrom(f.parent));
    EXPECT_FALSE(f.editor.InheritsFrom(editors::TdxInplaceCheckEdit::EditorClass()));
    std::unique_ptr<editors::TdxInplaceEdit> made(f.editor.create(nullptr));
    EXPECT_EQ(&made->Class(), &f.editor);
    EXPECT_NE(f.editor.create_view_data(), nullptr);
  }
}

}  // namespace
