// The grid's mouse interactions driven by real messages under the null driver, the cursor
// behind the grid's seam: the common end of every state, sizing, band and header drags with
// their drops and edge scrolling, a node drag over the grid, and panning's loop.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid_fixture.h"
#include "treelist/column.h"
#include "treelist/tree_list_control.h"

namespace {

using namespace treelist;
using treelist_test::AddNamed;
using treelist_test::GridForm;

POINT g_cursor{};  // the screen point the grid reads as the cursor's

POINT ToScreen(HWND hwnd, POINT p) {
  ClientToScreen(hwnd, &p);
  return p;
}

void Send(HWND hwnd, UINT msg, POINT client, WPARAM keys) {
  g_cursor = ToScreen(hwnd, client);
  SendMessageW(hwnd, msg, keys, MAKELPARAM(client.x, client.y));
}
template <class F>
void Down(F& f, POINT p) {
  Send(f.hwnd(), WM_LBUTTONDOWN, p, MK_LBUTTON);
}
template <class F>
void Move(F& f, POINT p) {
  Send(f.hwnd(), WM_MOUSEMOVE, p, MK_LBUTTON);
}
template <class F>
void Up(F& f, POINT p) {
  Send(f.hwnd(), WM_LBUTTONUP, p, 0);
}
template <class F>
void DragTo(F& f, POINT from, POINT to) {
  Down(f, from);
  Move(f, {from.x + 8, from.y});
  Move(f, to);
  Up(f, to);
}

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
template <class F>
RECT HeaderRect(F& f, int column) {
  return f.grid.GetLayout().HeaderOf(column)->rect;
}
template <class F>
RECT BandRect(F& f, int band) {
  const Layout l = f.grid.GetLayout();
  return {l.bands[band].left, l.band_panel.top, l.bands[band].right, l.band_panel.bottom};
}

// A grid with two bands shown, a few rows and the cursor seam.
struct Grid : GridForm {
  Grid() {
    grid.Seams().cursor_pos = [] { return g_cursor; };
    grid.SetModel(treelist_test::TwoBandModel());
    grid.SetShowBands(true);
    grid.SetShowIndicator(true);
    grid.SetOptionsEx(grid.OptionsEx() | aoBandPanelSizing | aoRowSizing);
    for (int i = 0; i < 30; ++i) AddNamed(grid, nullptr, L"NET" + std::to_wstring(i));
  }
};

struct StartCase {
  const char* what;
  std::function<void(Grid&)> start;
  TdxTreeListState state;
  bool (TCustomdxTreeList::*overlay)() const noexcept;  // shown while it runs
};

const StartCase kStarts[] = {
    {"column sizing",
     [](Grid& f) {
       Down(f, {HeaderRect(f, 1).right, Mid(HeaderRect(f, 1)).y});
     },
     tsColumnSizing, &TCustomdxTreeList::SizingLineShown},
    {"band sizing",
     [](Grid& f) {
       Down(f, {BandRect(f, 0).right, Mid(BandRect(f, 0)).y});
     },
     tsBandSizing, &TCustomdxTreeList::SizingLineShown},
    {"band-panel sizing",
     [](Grid& f) {
       Down(f, {f.grid.GetLayout().band_panel.right - 2, BandRect(f, 0).bottom - 1});
     },
     tsBandPanelSizing, &TCustomdxTreeList::SizingLineShown},
    {"row sizing",
     [](Grid& f) {
       Down(f, {4, f.grid.GetCellRect(f.grid.Items(1), 0).bottom - 1});
     },
     tsRowSizing, &TCustomdxTreeList::SizingLineShown},
    {"header dragged onto another header",
     [](Grid& f) {
       Down(f, Mid(HeaderRect(f, 2)));
       Move(f, {HeaderRect(f, 0).left + 10, Mid(HeaderRect(f, 0)).y});
     },
     tsColumnDragging, &TCustomdxTreeList::ArrowsShown},
    {"band dragged onto another band",
     [](Grid& f) {
       Down(f, Mid(BandRect(f, 0)));
       Move(f, {BandRect(f, 1).right - 10, Mid(BandRect(f, 1)).y});
     },
     tsBandDragging, &TCustomdxTreeList::ArrowsShown},
    {"column held", [](Grid& f) { Down(f, Mid(HeaderRect(f, 0))); }, tsColumnDown, nullptr},
    {"band held", [](Grid& f) { Down(f, Mid(BandRect(f, 1))); }, tsBandDown, nullptr},
    {"node held", [](Grid& f) { Down(f, Mid(f.grid.GetCellRect(f.grid.Items(2), 0))); }, tsNodeDown,
     nullptr},
};

TEST(TreeListInteraction, EveryStateEndsInNoneWithItsOverlaysAndTheHintTimersGone) {
  for (const StartCase& c : kStarts) {
    SCOPED_TRACE(c.what);
    Grid f;
    c.start(f);
    ASSERT_EQ(f.grid.State(), c.state);
    EXPECT_EQ(GetCapture(), f.hwnd()) << "moves outside the window belong to it";
    if (c.overlay) {
      EXPECT_TRUE((f.grid.*c.overlay)());
      // Balanced locks, nested, around a scroll: shown again exactly when the last one ends.
      f.grid.BeginOverlayLock();
      f.grid.BeginOverlayLock();
      EXPECT_FALSE((f.grid.*c.overlay)());
      f.grid.EndOverlayLock();
      EXPECT_FALSE((f.grid.*c.overlay)());
      f.grid.EndOverlayLock();
      f.grid.SetTopIndex(3);
      EXPECT_TRUE((f.grid.*c.overlay)());
    }
    SetTimer(f.hwnd(), TCustomdxTreeList::kHintShowTimer, 10000, nullptr);
    SetTimer(f.hwnd(), TCustomdxTreeList::kHintHideTimer, 10000, nullptr);
    SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(f.grid.State(), tsNone);
    EXPECT_EQ(f.grid.PressedColumn(), -1);
    EXPECT_EQ(f.grid.PressedBand(), -1);
    EXPECT_EQ(f.grid.DraggedColumn(), -1);
    EXPECT_EQ(f.grid.DraggedBand(), -1);
    EXPECT_FALSE(f.grid.SizingLineShown() || f.grid.ArrowsShown() || f.grid.DragImage().Dragging());
    EXPECT_NE(GetCapture(), f.hwnd());
    EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kHintShowTimer));
    EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kHintHideTimer));
  }
}

TEST(TreeListInteraction, AutoWidthSizingTakesFromTheNeighboursWithExactSums) {
  Grid f;
  f.grid.SetOptions(f.grid.Options() | aoAutoWidth);
  const Layout before = f.grid.GetLayout();
  ASSERT_EQ(before.data.right - before.data.left, 327) << "the numbers below are for 327 pixels";
  ASSERT_EQ(before.band_widths, (std::vector<int>{159, 168}));
  // Band 0 widened by 10: band 1 gives 10, its columns 79:89 in proportion (74.3 and 83.7).
  const POINT edge{BandRect(f, 0).right, Mid(BandRect(f, 0)).y};
  Down(f, edge);
  Move(f, {edge.x + 10, edge.y});
  Up(f, {edge.x + 10, edge.y});
  EXPECT_EQ(f.grid.GetLayout().band_widths, (std::vector<int>{169, 158}));
  const auto& columns = f.grid.GetHeaderModel().columns;
  EXPECT_EQ((std::vector<int>{columns[0].width, columns[1].width, columns[2].width}),
            (std::vector<int>{169, 74, 84}));
  // Column 1 narrowed by 9 in its row: the last column of the row takes the 9.
  const POINT column_edge{HeaderRect(f, 1).right, Mid(HeaderRect(f, 1)).y};
  Down(f, column_edge);
  Move(f, {column_edge.x - 9, column_edge.y});
  Up(f, {column_edge.x - 9, column_edge.y});
  EXPECT_EQ((std::vector<int>{columns[0].width, columns[1].width, columns[2].width}),
            (std::vector<int>{169, 65, 93}));
  EXPECT_EQ(f.grid.width_changes, 2);
  // The band panel released one pixel past the middle of rows 1 and 2 takes two rows.
  const Metrics m = f.grid.GetMetrics();
  const int middle = (2 * m.band_line_height + 6 + m.band_line_height + 6) / 2;
  Down(f, {before.band_panel.right - 2, before.band_panel.bottom - 1});
  Move(f, {before.band_panel.right - 2, middle - 1});
  EXPECT_EQ(f.grid.SizingPos(), m.band_line_height + 6);
  Move(f, {before.band_panel.right - 2, middle});
  EXPECT_EQ(f.grid.SizingPos(), 2 * m.band_line_height + 6);
  Up(f, {before.band_panel.right - 2, middle});
  EXPECT_EQ(f.grid.GetMetrics().band_panel_height, 2 * m.band_line_height + 6);
}

TEST(TreeListInteraction, HeaderDragMovesBypassOnMouseMoveAndShowTheDeleteCursorBelow) {
  Grid f;
  f.grid.SetOptions(f.grid.Options() | aoExtCustomizing);
  int moves = 0;
  f.grid.OnMouseMove = [&](framework::TComponent*, unsigned, int, int) { ++moves; };
  const RECT width = HeaderRect(f, 1);
  Down(f, Mid(width));
  Move(f, {Mid(width).x + 8, Mid(width).y});
  ASSERT_EQ(f.grid.State(), tsColumnDragging);
  const int moves_before = moves;
  const SIZE picture = f.grid.DragImage().Size();
  EXPECT_EQ(picture.cx, std::max<int>(width.right - width.left, GetSystemMetrics(SM_CXCURSOR)));
  Move(f, {Mid(width).x, f.grid.GetLayout().rows.top + 30});
  EXPECT_EQ(f.grid.DragImage().Cursor(), crTreeListDelete);
  EXPECT_EQ(f.grid.DragImage().HotSpot().x, (picture.cx - 32) / 2);
  EXPECT_EQ(f.grid.DragImage().HotSpot().y, picture.cy / 2);
  Move(f, {HeaderRect(f, 0).left + 3, Mid(width).y});
  EXPECT_EQ(f.grid.DragImage().Cursor(), f.grid.Cursor());
  EXPECT_EQ(f.grid.DragImage().HotSpot().x, picture.cx / 2);
  EXPECT_EQ(f.grid.ArrowsRect().left, ToScreen(f.hwnd(), {HeaderRect(f, 0).left - 5, 0}).x);
  EXPECT_EQ(moves, moves_before) << "a drag's moves never reach OnMouseMove";
  Up(f, {HeaderRect(f, 0).left + 3, Mid(width).y});
  EXPECT_EQ(f.grid.GetHeaderModel().bands[0].rows[0], (std::vector<int>{1, 0}));

  // Dropped on itself nothing moves; dragged off the headers each goes but the last one.
  Down(f, Mid(HeaderRect(f, 2)));
  Move(f, {Mid(HeaderRect(f, 2)).x + 9, Mid(HeaderRect(f, 2)).y});
  Up(f, {Mid(HeaderRect(f, 2)).x + 9, Mid(HeaderRect(f, 2)).y});
  EXPECT_EQ(f.grid.GetHeaderModel().bands[1].rows[0], (std::vector<int>{2}));
  for (int column : {2, 1, 0}) {
    Down(f, Mid(HeaderRect(f, column)));
    Move(f, {Mid(HeaderRect(f, column)).x, 200});
    Up(f, {Mid(HeaderRect(f, column)).x, 200});
  }
  EXPECT_EQ(f.grid.GetLayout().headers.size(), 1u) << "the last visible column stays";
}

TEST(TreeListInteraction, DragsScroll32PixelsATickAtTheEdgesUntilTheEnds) {
  Grid f;
  treelist::HeaderModel wide = treelist_test::TwoBandModel();
  wide.columns[0].width = 300;
  f.grid.SetModel(wide);
  f.grid.SetDragMode(TDragMode::dmAutomatic);
  f.grid.SetLeftCoord(70);
  const Layout l = f.grid.GetLayout();
  const int header_y = Mid(HeaderRect(f, 0)).y;
  Down(f, {l.scroll.left + 60, header_y});
  Move(f, {l.scroll.left + 1, header_y});
  EXPECT_EQ(f.grid.DragScrollDirection(), -1);
  std::vector<int> lefts;
  auto tick = [&] {
    SendMessageW(f.hwnd(), WM_TIMER, TCustomdxTreeList::kDragScrollTimer, 0);
    lefts.push_back(f.grid.LeftCoord());
  };
  for (int i = 0; i < 4; ++i) tick();
  EXPECT_EQ(lefts, (std::vector<int>{38, 6, 0, 0}));
  Move(f, {l.scroll.right, header_y});
  EXPECT_EQ(f.grid.DragScrollDirection(), 1);
  lefts.clear();
  while (lefts.size() < 20 && (lefts.empty() || lefts.back() < l.MaxLeftCoord())) tick();
  ASSERT_GE(lefts.size(), 2u);
  EXPECT_EQ(lefts.back(), l.MaxLeftCoord());
  EXPECT_EQ(lefts[0], 32);
  Up(f, {l.scroll.right, header_y});

  // A node dragged over the grid: the focus follows, the left strip scrolls, Escape ends it.
  f.grid.SetLeftCoord(40);
  const RECT row = f.grid.GetCellRect(f.grid.Items(2), 1);
  Down(f, Mid(row));
  Move(f, {Mid(row).x, Mid(row).y + 20});
  ASSERT_EQ(f.grid.State(), tsNodeDragging);
  EXPECT_EQ(f.grid.GetFocusedNode(), f.grid.GetNodeAt(Mid(row).x, Mid(row).y + 20));
  EXPECT_TRUE(KillTimer(f.hwnd(), TCustomdxTreeList::kDragExpandTimer)) << "the expand timer";
  Move(f, {l.scroll.left + 3, Mid(row).y});
  tick();
  tick();
  EXPECT_EQ(lefts.back(), 0);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(f.grid.State(), tsNone);
  EXPECT_FALSE(f.grid.DragImage().Dragging());
}

// The grid with columns: what the mouse does reaches its columns and bands.
TEST(TreeListInteraction, TheControlSizesMovesAndHidesItsOwnColumnsAndBands) {
  struct ControlForm {
    framework::TForm form{nullptr};
    TCustomdxTreeListControl grid{nullptr};
    HWND hwnd() { return grid.Handle(); }
  } f;
  f.form.SetBounds(50, 50, 420, 260);
  f.grid.SetParent(&f.form);
  f.grid.SetBounds(10, 10, 380, 200);
  f.form.Show();
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  f.grid.SetShowBands(true);
  f.grid.SetOptions(f.grid.Options() | aoExtCustomizing);
  f.grid.Bands().Add();
  f.grid.Bands().Add();
  TdxTreeListColumn* columns[3];
  for (int i = 0; i < 3; ++i) {
    columns[i] = f.grid.CreateColumn<TdxTreeListColumn>();
    columns[i]->SetCaption(std::wstring(1, L'A' + i));
    columns[i]->SetBandIndex(i == 0 ? 0 : 1);
    columns[i]->SetWidth(80);
  }
  auto row = [&](int band) {
    std::wstring captions;
    // Model indexes are places in the column list, which header moves reorder.
    for (int c : f.grid.GetHeaderModel().bands[band].rows[0]) {
      captions += f.grid.Columns(c)->Caption();
    }
    return captions;
  };
  const POINT edge{HeaderRect(f, 1).right, Mid(HeaderRect(f, 1)).y};
  Down(f, edge);
  Move(f, {edge.x + 10, edge.y});
  Up(f, {edge.x + 10, edge.y});
  EXPECT_EQ(columns[1]->Width(), 90);
  EXPECT_EQ(columns[2]->Width(), 80);
  DragTo(f, Mid(HeaderRect(f, 2)), {HeaderRect(f, 0).left + 3, Mid(HeaderRect(f, 0)).y});
  EXPECT_EQ(row(0) + L"|" + row(1), L"CA|B");
  const int a = columns[0]->Index();
  DragTo(f, Mid(BandRect(f, 0)), {BandRect(f, 1).right - 3, Mid(BandRect(f, 1)).y});
  EXPECT_EQ(row(0) + L"|" + row(1), L"B|CA");
  DragTo(f, Mid(HeaderRect(f, a)), {Mid(HeaderRect(f, a)).x, 150});
  EXPECT_FALSE(columns[0]->Visible());
}

// ---- panning --------------------------------------------------------------------------------

HWND g_pan_owner = nullptr;
treelist_test::TestTreeList* g_doomed = nullptr;
bool g_popup_seen = false;

BOOL CALLBACK FindPanPopup(HWND hwnd, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (IsWindowVisible(hwnd) && _wcsicmp(name, L"Static") == 0 &&
      GetWindow(hwnd, GW_OWNER) == g_pan_owner) {
    *reinterpret_cast<bool*>(found) = true;
  }
  return TRUE;
}

bool PanPopupShown() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), FindPanPopup, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A window of the test's own that acts while the pan's loop dispatches: WM_APP takes the
// capture, WM_APP + 1 destroys the grid.
LRESULT CALLBACK HelperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP || msg == WM_APP + 1) g_popup_seen = PanPopupShown();
  if (msg == WM_APP) SetCapture(hwnd);
  if (msg == WM_APP + 1) {
    delete g_doomed;
    g_doomed = nullptr;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

struct PanCase {
  const char* what;
  // Posts what the loop will find, given the grid's window and the helper's.
  std::function<void(HWND grid, HWND helper)> post;
  bool popup_checked;
};

const PanCase kPanWaysOut[] = {
    {"Escape, other keys swallowed",
     [](HWND grid, HWND) {
       PostMessageW(grid, WM_KEYDOWN, VK_DOWN, 0);
       PostMessageW(grid, WM_KEYDOWN, VK_ESCAPE, 0);
     },
     false},
    {"a middle release after leaving the dead zone, not before",
     [](HWND grid, HWND) {
       PostMessageW(grid, WM_MBUTTONUP, 0, MAKELPARAM(100, 100));
       PostMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM(100, 160));
       PostMessageW(grid, WM_MBUTTONUP, 0, MAKELPARAM(100, 160));
     },
     false},
    {"the wheel", [](HWND grid, HWND) { PostMessageW(grid, WM_MOUSEWHEEL, 0, 0); }, false},
    {"another window takes the capture",
     [](HWND, HWND helper) { PostMessageW(helper, WM_APP, 0, 0); }, true},
    {"a dispatched message destroys the grid",
     [](HWND, HWND helper) { PostMessageW(helper, WM_APP + 1, 0, 0); }, true},
};

TEST(TreeListPanning, EveryWayOutGivesBackCaptureTimerAndWindow) {
  WNDCLASSW helper_class{};
  helper_class.lpfnWndProc = HelperProc;
  helper_class.lpszClassName = L"PanTestHelper";
  RegisterClassW(&helper_class);
  HWND helper =
      CreateWindowW(L"PanTestHelper", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (const PanCase& c : kPanWaysOut) {
    SCOPED_TRACE(c.what);
    GridForm f;
    g_doomed = new treelist_test::TestTreeList(nullptr);
    g_doomed->SetParent(&f.form);
    g_doomed->SetBounds(10, 10, 200, 150);
    g_doomed->Seams().cursor_pos = [] { return g_cursor; };
    const HWND grid = g_doomed->Handle();
    g_pan_owner = GetAncestor(grid, GA_ROOT);  // a popup's owner is a top-level window
    g_cursor = ToScreen(grid, {100, 100});
    for (int i = 0; i < 30; ++i) AddNamed(*g_doomed, nullptr, L"NET" + std::to_wstring(i));
    c.post(grid, helper);
    // Found still queued only when the loop ended at the case's own message; the Escape after
    // it ends a loop that missed it.
    PostMessageW(helper, WM_USER + 7, 0, 0);
    PostMessageW(grid, WM_KEYDOWN, VK_ESCAPE, 0);
    g_popup_seen = false;
    SendMessageW(grid, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
    EXPECT_EQ(g_popup_seen, c.popup_checked) << "the round window showed while it ran";
    EXPECT_NE(GetCapture(), grid);
    EXPECT_FALSE(PanPopupShown());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, helper, WM_USER + 7, WM_USER + 7, PM_REMOVE));
    while (PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
    }
    Sleep(60);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "no pan timer";
    if (GetCapture() == helper) ReleaseCapture();
    delete g_doomed;
    g_doomed = nullptr;
  }
  DestroyWindow(helper);
}

TEST(TreeListPanning, QuitIsPostedAgainAndAThrowingScrollHandlerLeavesNothingBehind) {
  Grid f;
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  g_cursor = ToScreen(f.hwnd(), {100, 100});
  PostQuitMessage(7);
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);

  int reported = 0;
  framework::Application::Instance().OnException = [&](const std::string&) { ++reported; };
  f.grid.OnChangeTopVisibleNode = [](framework::TComponent*, TdxTreeListNode*) {
    throw std::runtime_error("handler fails");
  };
  // Far below the origin: a step down on every 20 ms tick until Escape comes.
  PostMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 190));
  const HWND hwnd = f.hwnd();
  std::thread escape([hwnd] {
    Sleep(300);
    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
  escape.join();
  framework::Application::Instance().OnException = nullptr;
  EXPECT_GT(f.grid.TopIndex(), 2);
  EXPECT_GT(reported, 2);
  g_pan_owner = f.form.Handle();
  EXPECT_FALSE(PanPopupShown());
  EXPECT_NE(GetCapture(), f.hwnd());
  Sleep(60);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

}  // namespace
