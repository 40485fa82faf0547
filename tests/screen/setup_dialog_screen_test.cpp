// The router set-up dialog on a real screen, used as a person would: by the keyboard alone (Tab
// walks the controls of the shown page in order, Space toggles a check box, arrows move through
// the page list, Enter is OK and Escape Cancel), and by the mouse after a drag of the splitter.
// Each page is captured.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../router/setup_session.h"
#include "router/setup_dialog.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::PressKey;
using testsupport::ScreenCapture;

constexpr wchar_t kCaption[] = L"Setup Specctra Router";

// The window that has the keyboard focus on the dialog's thread.
HWND FocusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Its component name.
std::string FocusName(DWORD thread) {
  const HWND focus = FocusOf(thread);
  if (!focus) return "(none)";
  const auto atom = static_cast<ATOM>(GetWindowLongPtrW(focus, GWLP_ID));
  char name[256] = {};
  return atom >= MAXINTATOM && GetAtomNameA(atom, name, 256) ? name : "(unnamed)";
}

struct ChildSearch {
  const char* name;
  HWND found;
};

BOOL CALLBACK MatchName(HWND child, LPARAM lparam) {
  auto& search = *reinterpret_cast<ChildSearch*>(lparam);
  const auto atom = static_cast<ATOM>(GetWindowLongPtrW(child, GWLP_ID));
  char name[256] = {};
  if (atom < MAXINTATOM || !GetAtomNameA(atom, name, 256) || strcmp(name, search.name)) return TRUE;
  search.found = child;
  return FALSE;
}

// The dialog's control of that component name (a window of the dialog's).
HWND Child(HWND window, const char* name) {
  ChildSearch search{name, nullptr};
  EnumChildWindows(window, MatchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A child's rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND window, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT CentreOf(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

struct DialogRun {
  bool shown = false;
  bool confirmed = false;
  std::vector<std::string> focus;  // after each Tab
  bool toggled = false;            // Space on FST10
  std::vector<ScreenCapture> pages;
  std::vector<std::string> after_drag;  // what each click did after the splitter was dragged
  bool closed_by_click = false;
};

// Runs the dialog for the rules board; `script` drives it once it shows, then closes it.
DialogRun RunDialog(const std::function<void(HWND, DWORD, DialogRun&)>& script,
                    const std::string& board = "../examples/rules-board.json") {
  testsupport::TempDir dir;
  setuptest::ExportObjects objects(dir, board);
  DialogRun run;
  const DWORD thread = GetCurrentThreadId();
  testsupport::WhileModal(
      [&] { run.confirmed = router::RunSetupDialog(objects.board, *objects.rules); },
      [&] {
        const HWND window = testsupport::WaitForWindow(kCaption);
        if (!window) return;
        run.shown = true;
        testsupport::PumpUntil([&] { return GetForegroundWindow() == window; });
        testsupport::Settle(250);
        script(window, thread, run);
        if (!testsupport::WaitUntilClosed(window)) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        }
      });
  return run;
}

TEST(SetupDialogOnScreen, KeysAloneWalkEveryPageAndAnswerIt) {
  const DialogRun by_escape = RunDialog([](HWND window, DWORD thread, DialogRun& run) {
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_general");
    for (int i = 0; i < 18; ++i) {
      PressKey(VK_TAB);
      testsupport::Settle(20);
      run.focus.push_back(FocusName(thread));
      if (run.focus.back() == "FST10") {
        PressKey(VK_SPACE);
        testsupport::Settle(40);
        run.toggled = SendMessageW(FocusOf(thread), BM_GETCHECK, 0, 0) == BST_CHECKED;
      }
    }
    // Back on the page list: the arrows go from page to page.
    for (const auto& [key, picture] : {std::pair{VK_HOME, "screen_setup_dialog_via_styles"},
                                       {VK_DOWN, "screen_setup_dialog_layer_directions"},
                                       {VK_DOWN, "screen_setup_dialog_design_rules"}}) {
      PressKey(key);
      testsupport::Settle(150);
      run.pages.push_back(ScreenCapture::OfWindow(window));
      run.pages.back().Save(picture);
    }
    PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(by_escape.shown);
  EXPECT_FALSE(by_escape.confirmed) << "Escape is Cancel";
  EXPECT_TRUE(by_escape.toggled) << "Space checks the focused box";
  EXPECT_EQ(by_escape.focus,
            (std::vector<std::string>{"WireGrid", "ViaGrid", "cbxProtectPreRoutes",
                                      "cbxMinimizePins", "FST10", "HYB10", "DFM10", "ADV10",
                                      "cbxPolygons", "cbxExportNetClasses", "cbxSkipsSytemClasses",
                                      "cbxFromToClasses", "cbxFromTos", "cbxDiffPairs",
                                      "cbxRuleRegions", "Ok", "Cancel", "PanelsTree"}));
  ASSERT_EQ(by_escape.pages.size(), 4u);
  for (size_t i = 1; i < by_escape.pages.size(); ++i) {
    const ScreenCapture& page = by_escape.pages[i];
    EXPECT_GT(page.DifferingPixels(by_escape.pages[i - 1], {0, 0, page.width(), page.height()}),
              2000)
        << "page " << i << " shows something else than the one before";
  }

  const DialogRun by_enter = RunDialog([](HWND, DWORD, DialogRun&) { PressKey(VK_RETURN); });
  ASSERT_TRUE(by_enter.shown);
  EXPECT_TRUE(by_enter.confirmed) << "Enter is OK";
}

// Wine tells the dialog that the mouse left as soon as the pointer leaves the 4-pixel splitter;
// the drag goes on all the same, the pages follow it, and once the button is up every click
// reaches what it is over: a check box, a page of the list, Cancel.
TEST(SetupDialogOnScreen, TheMouseWorksAfterTheSplitterIsDragged) {
  int list_before = 0, list_after = 0, grid_before = 0, grid_after = 0;
  const DialogRun run = RunDialog([&](HWND window, DWORD, DialogRun& run) {
    const HWND list = Child(window, "PanelsTree");
    const HWND rules = Child(window, "dxTreeList_Rules");
    ASSERT_TRUE(list && rules);
    const RECT list_rect = ClientRectOf(window, list);
    list_before = list_rect.right - list_rect.left;
    grid_before = ClientRectOf(window, rules).right - ClientRectOf(window, rules).left;
    const POINT grip{list_rect.right + 2, 120};
    testsupport::Drag(window, grip, {grip.x + 80, grip.y + 30});
    list_after = ClientRectOf(window, list).right - ClientRectOf(window, list).left;
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_after_drag");

    const HWND fst = Child(window, "FST10");
    testsupport::Click(window, CentreOf(ClientRectOf(window, fst)));
    testsupport::Settle(100);
    run.after_drag.push_back(
        std::string("FST10 ") +
        (SendMessageW(fst, BM_GETCHECK, 0, 0) == BST_CHECKED ? "checked" : "unchecked"));
    // The last row of the page list (sorted down): "General", then the one above it.
    const RECT shown = ClientRectOf(window, list);
    testsupport::Click(window, {shown.left + 30, shown.top + 8});
    testsupport::Settle(150);
    run.after_drag.push_back(IsWindowVisible(Child(window, "pnlViaStyles")) ? "Via Styles shown"
                                                                            : "no page change");
    testsupport::PressKey(VK_DOWN);
    testsupport::PressKey(VK_DOWN);  // "Incompatible Design Rules"
    testsupport::Settle(150);
    EXPECT_TRUE(IsWindowVisible(rules));
    grid_after = ClientRectOf(window, rules).right - ClientRectOf(window, rules).left;
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_rules_after_drag");
    testsupport::Click(window, CentreOf(ClientRectOf(window, Child(window, "Cancel"))));
    run.closed_by_click = testsupport::WaitUntilClosed(window);
  });
  ASSERT_TRUE(run.shown);
  EXPECT_GT(list_after, list_before + 60) << "the splitter moved the page list's edge";
  EXPECT_EQ(grid_after, grid_before - (list_after - list_before)) << "the pages follow";
  EXPECT_EQ(run.after_drag, (std::vector<std::string>{"FST10 checked", "Via Styles shown"}));
  EXPECT_TRUE(run.closed_by_click) << "Cancel took the click";
  EXPECT_FALSE(run.confirmed);
}

// Rules whose names are longer than the grid is wide: every scope row shows its name and, beside
// it in the same view, its verdict; nothing is to be scrolled sideways.
TEST(SetupDialogOnScreen, ARuleProblemsNameAndItsVerdictShowTogether) {
  bool scrolls_sideways = true;
  RECT names{}, verdicts{};
  const DialogRun run = RunDialog([&](HWND window, DWORD, DialogRun& run) {
    // The page list's first row, then two down.
    const RECT list = ClientRectOf(window, Child(window, "PanelsTree"));
    testsupport::Click(window, {list.left + 30, list.top + 8});
    testsupport::PressKey(VK_DOWN);
    testsupport::PressKey(VK_DOWN);
    testsupport::Settle(150);
    const HWND rules = Child(window, "dxTreeList_Rules");
    ASSERT_TRUE(rules && IsWindowVisible(rules));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    scrolls_sideways = (GetWindowLongW(rules, GWL_STYLE) & WS_HSCROLL) &&
                       GetScrollInfo(rules, SB_HORZ, &info) &&
                       info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
    run.pages.push_back(ScreenCapture::OfWindow(window));
    const ScreenCapture& shot = run.pages.back();
    shot.Save("screen_setup_dialog_rule_verdicts");
    // The ink of the grid's left two thirds (names) and right third (descriptions), below the
    // header.
    RECT client{};
    GetClientRect(rules, &client);
    const RECT grid = shot.FromClient(rules, client);
    const int third = (grid.right - grid.left) / 3;
    names = shot.InkBox({grid.left, grid.top + 20, grid.right - third, grid.bottom},
                        RGB(255, 255, 255));
    verdicts = shot.InkBox({grid.right - third + 4, grid.top + 20, grid.right - 20, grid.bottom},
                           RGB(255, 255, 255));
    testsupport::PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(run.shown);
  EXPECT_FALSE(scrolls_sideways);
  EXPECT_GT(names.bottom - names.top, 100) << "names down the grid";
  EXPECT_GT(verdicts.bottom - verdicts.top, 100) << "descriptions down the grid beside them";
}

}  // namespace
