// The own-drawn drop-down list, driven by keys and the mouse, its list kept on the control's
// monitor, and its pictures in the paint styles.
#include "controls/xp_combobox.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "controls/window_services.h"
#include "edit_test_support.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "paint_styles.h"
#include "steps.h"
#include "surface.h"

namespace {

using controls::TXPComboBox;

class ComboBox : public testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(100, 100, 300, 150);
    combo = new TXPComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(8, 8, 140, 21);
    combo->SetItems({L"Top Side", L"Bottom Side", L"Both Sides"});
    combo->OnChange = [this](framework::TComponent*) { changes.push_back(combo->ItemIndex()); };
    combo->Handle();
  }
  void Key(WPARAM key) { SendMessageW(combo->Handle(), WM_KEYDOWN, key, 0); }
  std::wstring WindowText() {
    wchar_t text[64] = {};
    SendMessageW(combo->Handle(), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    return text;
  }
  // The open list's place and the control's, on the screen.
  std::pair<RECT, RECT> Places() {
    RECT list = {}, control = {};
    GetWindowRect(combo->ListHandle(), &list);
    GetWindowRect(combo->Handle(), &control);
    return {list, control};
  }

  framework::TForm form{nullptr};
  TXPComboBox* combo = nullptr;
  std::vector<int> changes;
};

TEST_F(ComboBox, ChoosesWithTheKeyboard) {
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(SendMessageW(combo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
  // Stops at the last and the first item; a page is one row less than the list shows; a letter
  // goes to the next item with it, wrapping round.
  std::string indexes;
  const auto after = [&](UINT msg, WPARAM key) {
    if (key == VK_NEXT) combo->SetDropDownCount(2);
    SendMessageW(combo->Handle(), msg, key, 0);
    indexes += std::to_string(combo->ItemIndex());
  };
  for (const WPARAM k : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_HOME, VK_UP, VK_NEXT, VK_END}) {
    after(WM_KEYDOWN, k);
  }
  EXPECT_EQ(WindowText(), L"Both Sides");
  for (const wchar_t c : {L'b', L'B', L'x'}) after(WM_CHAR, c);
  EXPECT_EQ(indexes, "01220012122");
  EXPECT_EQ(changes, (std::vector<int>{0, 1, 2, 0, 1, 2, 1, 2})) << "one OnChange per change";

  changes.clear();
  combo->SetItemIndex(1);
  EXPECT_EQ(WindowText(), L"Bottom Side");
  EXPECT_TRUE(changes.empty()) << "the code's change is no user's choice";
  combo->SetItemIndex(3);
  EXPECT_EQ(combo->ItemIndex(), -1) << "no such item";
  EXPECT_EQ(WindowText(), L"");
  combo->SetItemIndex(2);
  combo->SetItems({L"One", L"Two"});
  EXPECT_EQ(combo->ItemIndex(), -1) << "the index named no item any more";

  combo->SetItemIndex(0);
  SendMessageW(combo->Handle(), controls::XPM_VALUECHANGED, 2, 0);
  Key(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo->Handle(), controls::XPM_VALUECHANGED, 1, 0), 1);
  Key(VK_UP);
  EXPECT_EQ(SendMessageW(combo->Handle(), controls::XPM_VALUECHANGED, 1, 0), 0);
}

TEST_F(ComboBox, OpensItsListAndChoosesByMouseOrKeys) {
  form.Show();
  combo->SetItemIndex(0);
  const auto press = [&](HWND hwnd, UINT msg, int x, int y) {
    SendMessageW(hwnd, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  };
  press(combo->Handle(), WM_LBUTTONDOWN, 130, 10);
  ASSERT_TRUE(combo->DroppedDown());
  EXPECT_TRUE(combo->Focused());
  const HWND list = combo->ListHandle();
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(GetCapture(), list) << "the list holds the mouse";
  const auto [rect, control] = Places();
  EXPECT_EQ(std::make_tuple(rect.left, rect.top, rect.right),
            std::make_tuple(control.left, control.bottom, control.right))
      << "below the control, as wide";
  RECT client;
  GetClientRect(list, &client);
  const int row = client.bottom / 3;
  ASSERT_GT(row, 8);
  // The chosen index, "open" while the list shows, and the indexes OnChange reported.
  const auto look = [&] {
    std::string reported;
    for (const int index : changes) reported += std::to_string(index);
    return std::to_string(combo->ItemIndex()) + (combo->DroppedDown() ? " open " : " ") + reported;
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      // Moving over the third row and releasing there chooses it.
      {[&] { press(list, WM_MOUSEMOVE, 10, 2 * row + 2), press(list, WM_LBUTTONUP, 10, 2 * row + 2); },
       "2 2"},
      // A press outside closes it unchanged, whatever row the mouse passed over.
      {[&] { press(combo->Handle(), WM_LBUTTONDOWN, 10, 10); }, "2 open 2"},
      {[&] { press(list, WM_MOUSEMOVE, 10, 2), press(list, WM_LBUTTONDOWN, -30, -30); }, "2 2"},
      // F4 opens, the arrows move the highlight only, Enter chooses; Escape keeps the old choice.
      {[&] { Key(VK_F4), Key(VK_UP); }, "2 open 2"},
      {[&] { Key(VK_RETURN); }, "1 21"},
      {[&] { Key(VK_F4), Key(VK_HOME), Key(VK_ESCAPE); }, "1 21"},
      // Alt+Down opens it too; disabling the control shuts it, choosing nothing.
      {[&] { edittest::HeldKeys alt({VK_MENU});
             SendMessageW(combo->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0); }, "1 open 21"},
      {[&] { Key(VK_HOME), combo->SetEnabled(false); }, "1 21"},
      {[&] { press(combo->Handle(), WM_LBUTTONDOWN, 10, 10); }, "1 21"},  // a disabled list stays shut
  });
  // clang-format on
  combo->SetEnabled(true);
  Key(VK_F4);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    const MSG message = {combo->Handle(), WM_KEYDOWN, key, 0, 0, {0, 0}};
    EXPECT_FALSE(framework::Application::Instance().ProcessMessage(message))
        << key << " goes to the open list, not to the dialog";
  }
}

TEST_F(ComboBox, ALongListScrollsToItsHighlight) {
  combo->SetItems({L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"});
  combo->SetDropDownCount(3);
  combo->SetItemIndex(0);
  form.Show();
  combo->SetDroppedDown(true);
  RECT client;
  GetClientRect(combo->ListHandle(), &client);
  const int row = client.bottom / 3;
  for (int i = 0; i < 3; ++i) Key(VK_DOWN);
  // Item 3 is highlighted and scrolled into the last visible row.
  SendMessageW(combo->ListHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2 * row + 2));
  EXPECT_EQ(combo->ItemIndex(), 3);
  combo->SetDroppedDown(true);
  Key(VK_END);
  Key(VK_PRIOR);
  SendMessageW(combo->ListHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
  EXPECT_EQ(combo->ItemIndex(), 7) << "a page up from the last shows 7 at the top";
}

TEST_F(ComboBox, KeepsTheOpenListOnTheControlsMonitor) {
  // Pure placement on a 1000 x 700 work area.
  const RECT area = {0, 0, 1000, 700};
  struct Case {
    const char* why;
    RECT control;
    SIZE list;
    RECT expected;
  };
  const Case cases[] = {
      {"fits below", {100, 100, 240, 121}, {140, 80}, {100, 121, 240, 201}},
      {"above when not below", {100, 650, 240, 671}, {140, 80}, {100, 570, 240, 650}},
      {"moved in from the right edge", {950, 100, 1090, 121}, {140, 80}, {860, 121, 1000, 201}},
      {"moved in from the left edge", {-50, 100, 90, 121}, {140, 80}, {0, 121, 140, 201}},
      {"shortened below where more room is",
       {100, 300, 240, 321},
       {140, 500},
       {100, 321, 240, 700}},
      {"shortened above where more room is", {100, 400, 240, 421}, {140, 500}, {100, 0, 240, 400}},
  };
  for (const Case& c : cases) {
    const RECT got = controls::DropDownBounds(c.control, c.list, area);
    EXPECT_TRUE(EqualRect(&got, &c.expected))
        << c.why << ": " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
  }

  // A real form at the bottom right of its monitor: the list opens above, inside the area.
  MONITORINFO monitor = {};
  ASSERT_TRUE(controls::GetMonitorInfoAtPoint({0, 0}, monitor));
  const RECT work = monitor.rcWork;
  form.SetBounds(work.right - 120, work.bottom - 60, 300, 150);
  form.Show();
  combo->SetDroppedDown(true);
  ASSERT_TRUE(combo->DroppedDown());
  const auto [rect, control] = Places();
  EXPECT_EQ(rect.bottom, control.top) << "above the control";
  EXPECT_LE(rect.right, work.right);
  EXPECT_GE(rect.left, work.left);
  combo->SetDroppedDown(false);
}

TEST_F(ComboBox, IsDrawnInEachPaintStyle) {
  combo->SetItemIndex(1);
  auto* off = new TXPComboBox(&form);
  off->SetParent(&form);
  off->SetBounds(156, 8, 120, 21);
  off->SetItems({L"Disabled"});
  off->SetItemIndex(0);
  off->SetEnabled(false);
  std::vector<COLORREF> button_centres;
  xptest::ForEachPaintStyle([&](int) {
    xptest::Surface surface(140, 21, RGB(1, 2, 3));
    combo->PaintTo(surface.dc(), 0, 0);
    button_centres.push_back(surface.Pixel(130, 4));
    EXPECT_EQ(surface.InkBox(RGB(1, 2, 3)).right, 140) << "painted to the right edge";
    EXPECT_GT(xptest::CountDark(surface, {4, 4, 80, 17}), 10) << "the chosen item's text";
  });
  EXPECT_NE(button_centres[1], button_centres[2]) << "the XP look's button is its own";
  xptest::WriteStylePicture("xp_combobox", {combo, off});
}

}  // namespace
