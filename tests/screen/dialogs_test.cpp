// The module's reports on a real screen, answered as a user would: the duplicate-pins report by
// Escape, by Tab and Space and by a click; the exception box by its keys and buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "crashreport/drosk_exception_box.h"
#include "router/duplicate_pins_form.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::ScreenCapture;

constexpr wchar_t kReportCaption[] = L"Duplicate Pins Report";

struct ButtonSearch {
  const std::wstring& caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND child, LPARAM lp) {
  auto* search = reinterpret_cast<ButtonSearch*>(lp);
  wchar_t text[64] = {};
  GetWindowTextW(child, text, 64);
  if (search->caption != text) return TRUE;
  search->found = child;
  return FALSE;
}

// A button of a window by its caption, searched among all its descendants.
HWND FindButton(HWND window, const std::wstring& caption) {
  ButtonSearch search{caption};
  EnumChildWindows(window, MatchCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

POINT Centre(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return {r.right / 2, r.bottom / 2};
}

struct ReportRun {
  bool shown = false;
  bool closed = false;
  std::vector<ScreenCapture> picture;
};

// Shows the report with three lines; `answer` closes it (or fails to) once it shows.
ReportRun RunReport(const std::function<void(HWND)>& answer, const char* picture_name = nullptr) {
  ReportRun run;
  testsupport::WhileModal(
      [] {
        router::ShowDuplicatePins({"U1-5 (Net=SDA)", "U1-5 (Net=SCL)", "J2-A (Net=GND)"});
      },
      [&] {
        const HWND window = testsupport::WaitForWindow(kReportCaption);
        if (!window) return;
        run.shown = true;
        testsupport::PumpUntil([&] { return GetForegroundWindow() == window; });
        testsupport::Settle(250);
        if (picture_name) {
          run.picture.push_back(ScreenCapture::OfWindow(window));
          run.picture.back().Save(picture_name);
        }
        answer(window);
        run.closed = testsupport::WaitUntilClosed(window);
        if (!run.closed) PostMessageW(window, WM_CLOSE, 0, 0);
      });
  return run;
}

TEST(DuplicatePinsReportOnScreen, EscapeTabSpaceAndAClickEachCloseIt) {
  const ReportRun by_escape =
      RunReport([](HWND) { testsupport::PressKey(VK_ESCAPE); }, "screen_duplicate_pins_report");
  ASSERT_TRUE(by_escape.shown);
  EXPECT_TRUE(by_escape.closed) << "Escape closes the report as Close does";
  ASSERT_EQ(by_escape.picture.size(), 1u);
  // The caption bar the system draws above the client area, and the report's own face below.
  const ScreenCapture& picture = by_escape.picture.front();
  const RECT whole = {0, 0, picture.width(), picture.height()};
  EXPECT_GT(picture.height(), 296) << "client area and caption";
  EXPECT_LT(picture.ShareOf(whole, RGB(0, 0, 0), 8), 0.2) << "a drawn window, not a black hole";

  // The list takes the focus first; Tab reaches OK, then Close, and Space presses it.
  EXPECT_TRUE(RunReport([](HWND) {
                testsupport::PressKey(VK_TAB);
                testsupport::PressKey(VK_TAB);
                testsupport::PressKey(VK_SPACE);
              }).closed);
  EXPECT_TRUE(RunReport([](HWND window) {
                testsupport::Click(FindButton(window, L"OK"), Centre(FindButton(window, L"OK")));
              }).closed);
}

struct BoxRun {
  bool shown = false;
  bool closed = false;
  int collapsed_height = 0;
  int expanded_height = 0;
  HWND focus_before = nullptr;
  HWND focus_after_tab = nullptr;
  std::vector<int> glyph_ink;  // coloured pixels where each button's glyph goes
};

// Pixels of a button's glyph cell (16 x 16 from 3, 3) that are not grey: the module's glyphs
// are coloured, the face and caption are not.
int GlyphInk(const ScreenCapture& capture, HWND button) {
  const RECT cell = capture.FromClient(button, {3, 3, 19, 19});
  int coloured = 0;
  for (int y = cell.top; y < cell.bottom; ++y) {
    for (int x = cell.left; x < cell.right; ++x) {
      const COLORREF c = capture.Pixel(x, y);
      const int low = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
      const int high = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
      coloured += high - low > 40;
    }
  }
  return coloured;
}

TEST(ExceptionBoxOnScreen, KeysMoveTheFocusAndButtonsShowTheReportAndContinue) {
  drosk::TExceptionBoxInput input;
  input.ExceptMessage = "Access violation at address 0040A1B2";
  input.Report = "date/time         : now\r\nexception message : Access violation.\r\n";
  BoxRun run;
  const DWORD ui_thread = GetCurrentThreadId();
  drosk::TBoxRoad road = drosk::TBoxRoad::Console;
  testsupport::WhileModal(
      [&] { road = drosk::ShowExceptionBox(input); },
      [&] {
        HWND box = nullptr;
        testsupport::PumpUntil(
            [&] {
              box = FindWindowA(drosk::kBoxWindowClass, nullptr);
              return box && IsWindowVisible(box);
            },
            5000);
        if (!box || !IsWindowVisible(box)) return;
        run.shown = true;
        testsupport::PumpUntil([&] { return GetForegroundWindow() == box; });
        testsupport::Settle(400);  // the focus fade
        RECT rect{};
        GetWindowRect(box, &rect);
        run.collapsed_height = rect.bottom - rect.top;
        const ScreenCapture collapsed = ScreenCapture::OfWindow(box);
        collapsed.Save("screen_exception_box");
        for (const wchar_t* caption : {L"mail bug report", L"close application"}) {
          const HWND button = FindButton(box, caption);
          run.glyph_ink.push_back(button ? GlyphInk(collapsed, button) : -1);
        }

        run.focus_before = testsupport::FocusOf(ui_thread);
        testsupport::PressKey(VK_TAB);
        run.focus_after_tab = testsupport::FocusOf(ui_thread);

        const HWND show = FindButton(box, L"show bug report");
        if (show) testsupport::Click(show, Centre(show));
        testsupport::Settle(400);
        GetWindowRect(box, &rect);
        run.expanded_height = rect.bottom - rect.top;
        ScreenCapture::OfWindow(box).Save("screen_exception_box_expanded");

        const HWND go_on = FindButton(box, L"continue application");
        if (go_on) testsupport::Click(go_on, Centre(go_on));
        run.closed = testsupport::WaitUntilClosed(box);
        if (!run.closed) PostMessageW(box, WM_CLOSE, 0, 0);
      });
  ASSERT_TRUE(run.shown);
  EXPECT_EQ(road, drosk::TBoxRoad::Window);
  EXPECT_NE(run.focus_before, nullptr);
  EXPECT_NE(run.focus_after_tab, run.focus_before) << "Tab moves between the buttons";
  EXPECT_GT(run.expanded_height, run.collapsed_height + 300) << "the report view opened";
  EXPECT_TRUE(run.closed) << "continue closes the box";
  ASSERT_EQ(run.glyph_ink.size(), 2u);
  EXPECT_GT(run.glyph_ink[0], 8) << "the mail button shows the module's glyph";
  EXPECT_GT(run.glyph_ink[1], 8) << "so does the close button";
}

}  // namespace
