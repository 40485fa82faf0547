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
#include "framework/hint_window.h"
#include "router/setup_dialog.h"
#include "treelist/columns/tree_list_control.h"
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

// Runs the dialog for the rules board; `script` drives it once it shows, then closes it;
// `after` looks at what the dialog stored.
DialogRun RunDialog(const std::function<void(HWND, DWORD, DialogRun&)>& script,
                    const std::function<void(const setuptest::ExportObjects&)>& after = {}) {
  testsupport::TempDir dir;
  setuptest::ExportObjects objects(dir, "../examples/rules-board.json");
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
  if (after) after(objects);
  return run;
}

// Whether a grid shows a horizontal scroll bar with somewhere to go.
bool ScrollsSideways(HWND grid) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  return (GetWindowLongW(grid, GWL_STYLE) & WS_HSCROLL) && GetScrollInfo(grid, SB_HORZ, &info) &&
         info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
}

// Shows a page by the keys of the page list (sorted down: "Via Styles" first, "General" last).
void ShowPage(HWND window, int rows_below_the_first) {
  const RECT list = ClientRectOf(window, Child(window, "PanelsTree"));
  testsupport::Click(window, {list.left + 30, list.top + 8});
  for (int i = 0; i < rows_below_the_first; ++i) PressKey(VK_DOWN);
  testsupport::Settle(150);
}

// The grid object behind a window, asked while its thread waits for input.
treelist::TCustomdxTreeListControl& GridOf(HWND hwnd) {
  return dynamic_cast<treelist::TCustomdxTreeListControl&>(
      *framework::TWinControl::FromHandle(hwnd));
}

// The windows the dialog's thread shows beside the dialog: a hint (a cell's tooltip) and the
// number of other popups (a dropped-down list).
struct Popups {
  HWND hint = nullptr;
  int lists = 0;
};

struct PopupSearch {
  HWND dialog;
  Popups found;
};

BOOL CALLBACK CountPopup(HWND hwnd, LPARAM lparam) {
  auto& search = *reinterpret_cast<PopupSearch*>(lparam);
  if (hwnd == search.dialog || !IsWindowVisible(hwnd)) return TRUE;
  if (dynamic_cast<framework::THintWindow*>(framework::TWinControl::FromHandle(hwnd))) {
    search.found.hint = hwnd;
  } else {
    ++search.found.lists;
  }
  return TRUE;
}

Popups PopupsOf(DWORD thread, HWND dialog) {
  PopupSearch search{dialog, {}};
  EnumThreadWindows(thread, CountPopup, reinterpret_cast<LPARAM>(&search));
  return search.found;
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
    testsupport::Drag(window, grip, {grip.x - 80, grip.y + 30});
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
  EXPECT_LT(list_after, list_before - 60) << "the splitter moved the page list's edge";
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
    scrolls_sideways = ScrollsSideways(rules);
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

// An open cell editor, and its dropped-down list, own Escape and Enter: they end the edit (or
// close the list) and only the next Escape reaches Cancel; OK then stores what was picked.
TEST(SetupDialogOnScreen, EscapeAndEnterEndTheCellEditorAndTheDialogStaysOpen) {
  std::vector<std::string> seen;
  router::TRoutingDirection top{}, bottom{};
  const DialogRun run = RunDialog(
      [&](HWND window, DWORD thread, DialogRun& run) {
        ShowPage(window, 1);  // "Layer Directions"
        const HWND grid = Child(window, "gridLayerDirections");
        if (!grid || !IsWindowVisible(grid)) return;
        const auto look = [&](const char* step) {
          const HWND focus = FocusOf(thread);
          std::string where = focus == grid          ? "grid"
                              : IsChild(grid, focus) ? "editor"
                                                     : FocusName(thread);
          if (PopupsOf(thread, window).lists > 0) where += " and its list";
          const bool open = IsWindowVisible(window);
          seen.push_back(std::string(step) + ": " + where + (open ? "" : ", dialog closed"));
          return open;
        };
        treelist::TCustomdxTreeListControl& layers = GridOf(grid);
        // TopLayer: "v" takes "vertical", Enter keeps it.
        testsupport::Click(grid, CentreOf(layers.GetCellRect(layers.Items(0), 1)));
        PressKey(VK_F2);
        PressKey(VK_HOME);
        testsupport::TypeText(L"v");
        testsupport::Settle(100);
        run.pages.push_back(ScreenCapture::OfWindow(window));
        run.pages.back().Save("screen_setup_dialog_direction_editor");
        if (!look("F2 v")) return;
        PressKey(VK_RETURN);
        if (!look("Enter")) return;
        PressKey(VK_F2);
        if (!look("F2")) return;
        PressKey(VK_ESCAPE);
        if (!look("Escape")) return;
        // BottomLayer: picked from the list with Down and Enter.
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);
        PressKey(VK_F2);
        PressKey(VK_DOWN, {VK_MENU});
        testsupport::Settle(100);
        run.pages.push_back(ScreenCapture::OfWindow(window));
        run.pages.back().Save("screen_setup_dialog_direction_list");
        if (!look("F2 Alt+Down")) return;
        PressKey(VK_DOWN);
        PressKey(VK_RETURN);
        if (!look("Down Enter")) return;
        PressKey(VK_RETURN);
        if (!look("Enter")) return;
        PressKey(VK_F2);
        PressKey(VK_DOWN, {VK_MENU});
        PressKey(VK_ESCAPE);
        if (!look("F2 Alt+Down Escape")) return;
        PressKey(VK_ESCAPE);
        if (!look("Escape")) return;
        testsupport::Click(window, CentreOf(ClientRectOf(window, Child(window, "Ok"))));
      },
      [&](const setuptest::ExportObjects& objects) {
        top = objects.settings->Direction(1);
        bottom = objects.settings->Direction(32);
      });
  ASSERT_TRUE(run.shown);
  EXPECT_EQ(seen, (std::vector<std::string>{"F2 v: editor", "Enter: grid", "F2: editor",
                                            "Escape: grid", "F2 Alt+Down: editor and its list",
                                            "Down Enter: editor", "Enter: grid",
                                            "F2 Alt+Down Escape: editor", "Escape: grid"}));
  EXPECT_TRUE(run.confirmed) << "OK closed the dialog";
  EXPECT_EQ(top, router::TRoutingDirection::Vertical) << "typed and kept with Enter";
  EXPECT_EQ(bottom, router::TRoutingDirection::Vertical) << "picked from the list";
}

// The splitter moved either way: each grid shows what it shows after a page switch (no strip of
// the old picture); dragged far to the right it stops where the General page's groups would be
// cut.
TEST(SetupDialogOnScreen, GridsRepaintWholeAfterTheSplitterMovesAndThePagesStayWhole) {
  std::vector<std::string> stale;
  int list_before = 0, list_after = 0;
  std::vector<std::string> cut;
  const DialogRun run = RunDialog([&](HWND window, DWORD, DialogRun& run) {
    const HWND list = Child(window, "PanelsTree");
    for (const auto& [rows_down, name] :
         {std::pair{1, "gridLayerDirections"}, {2, "dxTreeList_Rules"}}) {
      ShowPage(window, rows_down);
      const HWND grid = Child(window, name);
      for (const int move : {-80, 80}) {
        const POINT grip{ClientRectOf(window, list).right + 2, 120};
        testsupport::Drag(window, grip, {grip.x + move, grip.y});
        testsupport::Settle(150);
        const ScreenCapture dragged = ScreenCapture::OfWindow(window);
        // Away and back: every pixel of the grid painted anew.
        PressKey(VK_UP);
        PressKey(VK_DOWN);
        testsupport::Settle(150);
        const ScreenCapture fresh = ScreenCapture::OfWindow(window);
        const std::string step = std::string(name) + (move < 0 ? "_wider" : "_narrower");
        dragged.Save("screen_setup_dialog_splitter_" + step);
        const int differing = dragged.DifferingPixels(fresh, fresh.ClientArea(grid));
        if (differing > 0) stale.push_back(step + ": " + std::to_string(differing) + " pixels");
      }
    }
    ShowPage(window, 3);  // "General"
    list_before = ClientRectOf(window, list).right - ClientRectOf(window, list).left;
    const POINT grip{ClientRectOf(window, list).right + 2, 120};
    testsupport::Drag(window, grip, {grip.x + 150, grip.y});
    testsupport::Settle(150);
    list_after = ClientRectOf(window, list).right - ClientRectOf(window, list).left;
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_general_far_right");
    const RECT page = ClientRectOf(window, Child(window, "pnlGeneral"));
    for (const char* group : {"gbxGrids", "gbxFeatures", "gbxOptions", "gbxObjectExport"}) {
      if (ClientRectOf(window, Child(window, group)).right > page.right) cut.push_back(group);
    }
    PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(run.shown);
  EXPECT_EQ(stale, std::vector<std::string>{}) << "grid pixels left from before the size change";
  EXPECT_EQ(list_after, list_before) << "the General page has no room to give";
  EXPECT_EQ(cut, std::vector<std::string>{}) << "groups cut by the page's right edge";
}

// A drag on the header's divider widens the names, and the grid then scrolls sideways. A cell's
// tooltip lies over the pointer, yet a click there focuses the row under it and the wheel
// scrolls the grid.
TEST(SetupDialogOnScreen, ADividerWidensAColumnAndTheMouseReachesTheGridThroughATooltip) {
  int names_before = 0, names_after = 0, left_after = 0, top_after = 0;
  bool scrolls_sideways = false, tooltip_shown = false, shown_again = false;
  int hovered_row = -1, focused_row = -1;
  const DialogRun run = RunDialog([&](HWND window, DWORD thread, DialogRun& run) {
    ShowPage(window, 2);  // "Incompatible Design Rules"
    const HWND rules = Child(window, "dxTreeList_Rules");
    if (!rules || !IsWindowVisible(rules)) return;
    treelist::TCustomdxTreeListControl& grid = GridOf(rules);
    // A rule name too long for its cell: the pointer near the cell's right end.
    POINT over{};
    for (int row = 0; row < 15 && !tooltip_shown; ++row) {
      const RECT cell = grid.GetCellRect(grid.GetNodeAtAbsoluteIndex(row), 0);
      over = {cell.right - 30, (cell.top + cell.bottom) / 2};
      testsupport::MoveMouse(rules, over);
      testsupport::Settle(80);
      const HWND hint = PopupsOf(thread, window).hint;
      RECT covers{};
      if (hint && GetWindowRect(hint, &covers)) {
        POINT at = over;
        ClientToScreen(rules, &at);
        tooltip_shown = PtInRect(&covers, at);
        hovered_row = row;
      }
    }
    if (!tooltip_shown) return PressKey(VK_ESCAPE);
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_rules_tooltip");
    testsupport::Click(rules, over);
    focused_row = grid.GetAbsoluteIndex(grid.GetFocusedNode());
    // Off the cell and back: the tooltip again, and the wheel under it.
    testsupport::MoveMouse(rules, {over.x, over.y + 40});
    testsupport::MoveMouse(rules, over);
    testsupport::Settle(80);
    shown_again = PopupsOf(thread, window).hint != nullptr;
    testsupport::Wheel(-1);
    testsupport::Settle(100);
    top_after = grid.TopIndex();

    names_before = grid.Columns(0)->Width();
    const RECT name = grid.GetCellRect(grid.GetNodeAtAbsoluteIndex(grid.TopIndex()), 0);
    const int header_middle = name.top / 2;
    testsupport::Drag(rules, {name.right - 1, header_middle}, {name.right + 119, header_middle});
    testsupport::Settle(100);
    names_after = grid.Columns(0)->Width();
    scrolls_sideways = ScrollsSideways(rules);
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_rules_widened");
    // The scroll bar's right arrow, clicked as a person would.
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    if (GetScrollBarInfo(rules, OBJID_HSCROLL, &bar)) {
      POINT arrow{bar.rcScrollBar.right - GetSystemMetrics(SM_CXHSCROLL) / 2,
                  (bar.rcScrollBar.top + bar.rcScrollBar.bottom) / 2};
      ScreenToClient(rules, &arrow);
      for (int i = 0; i < 6; ++i) testsupport::Click(rules, arrow);
    }
    testsupport::Settle(100);
    left_after = grid.LeftCoord();
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_rules_scrolled");
    PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(run.shown);
  ASSERT_TRUE(tooltip_shown) << "no rule name too long for its cell showed a tooltip";
  EXPECT_EQ(focused_row, hovered_row) << "the click went through the tooltip to its row";
  EXPECT_TRUE(shown_again);
  EXPECT_GT(top_after, 0) << "the wheel scrolled the rows";
  EXPECT_NEAR(names_after, names_before + 120, 2) << "the divider followed the mouse";
  EXPECT_TRUE(scrolls_sideways);
  EXPECT_GT(left_after, 0) << "the arrow scrolled the grid sideways";
}

}  // namespace
