// The columns-customizing form on a shown grid, driven by the messages a user's mouse and keys
// send: items dragged from its lists show on the grid where dropped, bands and headers dragged
// onto it hide, the last column stays, its lists follow the membership rule, and every road out
// of a drag or of the form lets the mouse go and says once that customizing ended.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "../grid_fixture.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/column.h"
#include "treelist/customize/customizing_form.h"
#include "treelist/input/interaction_state.h"
#include "treelist/customize/published_tree_list.h"

namespace {

using namespace treelist;

POINT g_cursor{};  // the screen point the grid reads as the cursor's

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A shown grid with bands "B0" (columns A, B), "B1" (C) and "B2" (D), each column 80 wide,
// the band panel shown, and what its hide and show events said.
struct Customizing {
  framework::TForm form{nullptr};
  TdxTreeList grid{nullptr};
  std::vector<TdxTreeListColumn*> columns;
  std::wstring events;  // "+B" a header shown, "-B" hidden, "+B1@0" a band shown at 0, "-B1"

  Customizing() {
    grid.SetParent(&form);
    form.SetBounds(40, 40, 480, 320);
    grid.SetBounds(10, 10, 440, 260);
    while (grid.Bands().Count() < 3) grid.Bands().Add();
    for (int b = 0; b < 3; ++b) grid.Bands().Items(b)->SetCaption(L"B" + std::to_wstring(b));
    const int band_of[] = {0, 0, 1, 2};
    for (int i = 0; i < 4; ++i) {
      TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>();
      c->SetCaption(std::wstring(1, static_cast<wchar_t>(L'A' + i)));
      c->SetBandIndex(band_of[i]);
      c->SetWidth(80);
      columns.push_back(c);
    }
    grid.SetShowBands(true);
    grid.SetOptions(grid.Options() | aoColumnMoving);
    grid.Seams().cursor_pos = [] { return g_cursor; };
    grid.OnShowHeader = [this](auto*, TdxTreeListColumn* c) { events += L"+" + c->Caption(); };
    grid.OnHideHeader = [this](auto*, TdxTreeListColumn* c) { events += L"-" + c->Caption(); };
    grid.OnShowBand = [this](auto*, TdxTreeListBand* b, int at) {
      events += L"+" + b->Caption() + L"@" + std::to_wstring(at);
    };
    grid.OnHideBand = [this](auto*, TdxTreeListBand* b) { events += L"-" + b->Caption(); };
    form.Show();
  }
  TdxTreeListCustomizeForm& Box() { return *grid.CustomizeForm(); }
  HWND hwnd() { return grid.Handle(); }
  std::wstring Header() { return treelist_test::HeaderRows(grid.GetHeaderModel()); }
  // The captions a list holds, from the top.
  std::wstring Listed(TdxCustomizeList& list) {
    std::wstring out;
    for (int item : list.Items()) {
      out += list.ListsBands() ? grid.Bands().Items(item)->Caption() : columns[item]->Caption();
    }
    return out;
  }
  // A message at a point of `window`'s client area, the cursor there.
  void Send(HWND window, UINT msg, POINT client, WPARAM keys = 0) {
    g_cursor = client;
    ClientToScreen(window, &g_cursor);
    SendMessageW(window, msg, keys, MAKELPARAM(client.x, client.y));
  }
  // A message to the grid, which has the mouse, for a point of the screen.
  void SendAtScreen(UINT msg, POINT screen, WPARAM keys = 0) {
    POINT client = screen;
    ScreenToClient(hwnd(), &client);
    Send(hwnd(), msg, client, keys);
  }
  // Presses item `index` of `list` and moves out of the drag rectangle: the grid drags it.
  void Pick(TdxCustomizeList& list, int index) {
    const POINT at = Mid(list.ItemRect(index));
    Send(list.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
    Send(list.Handle(), WM_MOUSEMOVE, {at.x + 12, at.y + 4}, MK_LBUTTON);
  }
  void DropOnGrid(POINT client) {
    Send(hwnd(), WM_MOUSEMOVE, client, MK_LBUTTON);
    Send(hwnd(), WM_LBUTTONUP, client);
  }
  // Presses `from` on the grid and moves past the drag threshold.
  void Lift(POINT from) {
    Send(hwnd(), WM_LBUTTONDOWN, from, MK_LBUTTON);
    Send(hwnd(), WM_MOUSEMOVE, {from.x + 10, from.y}, MK_LBUTTON);
  }
  POINT HeaderPoint(int column) { return Mid(treelist_test::HeaderCellOf(grid, column).rect); }
  POINT BandPoint(int visible, int dx = 0) {
    const Layout l = grid.GetLayout();
    return {(l.bands[visible].left + l.bands[visible].right) / 2 + dx,
            (l.band_panel.top + l.band_panel.bottom) / 2};
  }
  POINT OnBox() {
    RECT r;
    GetWindowRect(Box().Handle(), &r);
    return {r.left + 30, r.bottom - 20};
  }
};

TEST(TreeListCustomizing, HeadersComeFromTheFormWhereDroppedAndGoIntoItButNotTheLastOne) {
  Customizing f;
  f.columns[1]->SetVisible(false);
  f.grid.ColumnsCustomizing();
  TdxCustomizeList& headers = f.Box().HeadersList();
  ASSERT_TRUE(IsWindowVisible(f.Box().Handle()));
  EXPECT_EQ(GetWindow(f.Box().Handle(), GW_OWNER), f.form.Handle()) << "owned by the grid's form";
  EXPECT_EQ(f.Listed(headers), L"B");

  // B goes before C, held on C's middle, where the arrows point while the mouse holds it there.
  f.Pick(headers, 0);
  ASSERT_EQ(f.grid.State(), tsColumnDragging);
  EXPECT_EQ(GetCapture(), f.hwnd()) << "the grid runs the drag";
  const LayoutHeaderCell c = treelist_test::HeaderCellOf(f.grid, 2);
  const POINT middle{(c.left + c.right) / 2, Mid(c.rect).y};
  f.Send(f.hwnd(), WM_MOUSEMOVE, middle, MK_LBUTTON);
  EXPECT_TRUE(f.grid.ArrowsShown());
  f.DropOnGrid(middle);
  EXPECT_EQ(f.Header(), L"B0{A}B1{B,C}B2{D}");
  EXPECT_EQ(f.events, L"+B");
  EXPECT_EQ(f.Listed(headers), L"") << "the list follows";
  EXPECT_EQ(GetCapture(), nullptr);

  // The form laid over the header panel's right edge: over it no arrows, no edge scroll, and
  // the cursor says the header may go there.
  const Layout l = f.grid.GetLayout();
  POINT edge{l.header_panel.right - 4, Mid(l.header_panel).y};
  ClientToScreen(f.hwnd(), &edge);
  f.Box().SetBounds(edge.x - 60, edge.y - 10, f.Box().Width(), f.Box().Height());
  f.Lift(f.HeaderPoint(0));
  f.SendAtScreen(WM_MOUSEMOVE, edge, MK_LBUTTON);
  EXPECT_FALSE(f.grid.ArrowsShown());
  EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kDragScrollTimer)) << "no edge scroll";
  EXPECT_EQ(f.grid.DragImage().Cursor(), f.grid.Cursor());
  f.SendAtScreen(WM_LBUTTONUP, edge);
  EXPECT_EQ(f.Header(), L"B0{}B1{B,C}B2{D}");
  EXPECT_EQ(f.Listed(headers), L"A");

  // Down to one column, B: it shows the delete cursor over the form and stays when let go.
  f.grid.Bands().Items(0)->SetVisible(false);
  f.grid.Bands().Items(2)->SetVisible(false);
  f.columns[2]->SetVisible(false);
  f.Lift(f.HeaderPoint(1));
  ASSERT_EQ(f.grid.State(), tsColumnDragging);
  f.SendAtScreen(WM_MOUSEMOVE, f.OnBox(), MK_LBUTTON);
  EXPECT_EQ(f.grid.DragImage().Cursor(), crTreeListDelete);
  f.SendAtScreen(WM_LBUTTONUP, f.OnBox());
  EXPECT_TRUE(f.columns[1]->Visible());
  EXPECT_EQ(f.events, L"+B-A") << "nothing more hidden";
}

TEST(TreeListCustomizing, BandsComeFromTheFormAndGoIntoItOnTheirOwnPage) {
  Customizing f;
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandMoving);
  f.grid.Bands().Items(2)->SetVisible(false);
  f.grid.ColumnsCustomizing();
  TdxCustomizePages& pages = f.Box().Pages();
  ASSERT_EQ(pages.PageCount(), 2);
  EXPECT_EQ(f.Box().FindComponent("PageControl"), &pages);
  EXPECT_EQ(pages.ActivePageIndex(), 1) << "the headers first";
  EXPECT_EQ(f.Listed(f.Box().BandsList()), L"B2");
  // A click on the first tab shows the bands (before the button comes up).
  RECT tab{};
  SendMessageW(pages.Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  f.Send(pages.Handle(), WM_LBUTTONDOWN, Mid(tab), MK_LBUTTON);
  EXPECT_EQ(pages.ActivePageIndex(), 0);
  EXPECT_TRUE(IsWindowVisible(f.Box().BandsList().Handle()));
  EXPECT_FALSE(IsWindowVisible(f.Box().HeadersList().Handle()));
  f.Send(pages.Handle(), WM_LBUTTONUP, Mid(tab));
  for (const int none : {-1, 2}) {
    pages.SetActivePageIndex(none);
    EXPECT_EQ(pages.ActivePageIndex(), 0) << "no page " << none;
  }
  // A header lifted from the grid brings the headers' page forward.
  f.Lift(f.HeaderPoint(0));
  EXPECT_EQ(pages.ActivePageIndex(), 1);
  EXPECT_TRUE(IsWindowVisible(f.Box().HeadersList().Handle()));
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  f.Send(f.hwnd(), WM_LBUTTONUP, f.HeaderPoint(0));

  // A band lifted from the grid brings the bands' page forward; over the form it goes there.
  f.Lift(f.BandPoint(0));
  EXPECT_EQ(pages.ActivePageIndex(), 0);
  f.SendAtScreen(WM_MOUSEMOVE, f.OnBox(), MK_LBUTTON);
  EXPECT_FALSE(f.grid.ArrowsShown());
  EXPECT_EQ(f.grid.DragImage().Cursor(), f.grid.Cursor()) << "below the panel, yet it may go";
  f.SendAtScreen(WM_LBUTTONUP, f.OnBox());
  EXPECT_EQ(f.Header(), L"B1{C}");
  EXPECT_EQ(f.Listed(f.Box().BandsList()), L"B0B2");

  // Each comes back where the arrows point: B0 after the last band (B1), B2 then before B0,
  // which stands after it in the bands by then.
  f.Pick(f.Box().BandsList(), 0);
  ASSERT_EQ(f.grid.State(), tsBandDragging);
  const Layout l = f.grid.GetLayout();
  const POINT past{l.bands.back().right + 10, Mid(l.band_panel).y};
  f.Send(f.hwnd(), WM_MOUSEMOVE, past, MK_LBUTTON);
  POINT tips{l.bands.back().right - 5, l.band_panel.top - 9};
  ClientToScreen(f.hwnd(), &tips);
  EXPECT_EQ(f.grid.ArrowsRect().left, tips.x);
  EXPECT_EQ(f.grid.ArrowsRect().top, tips.y);
  f.DropOnGrid(past);
  EXPECT_EQ(f.Header(), L"B1{C}B0{A,B}");
  f.Pick(f.Box().BandsList(), 0);
  f.DropOnGrid(f.BandPoint(1, -20));
  EXPECT_EQ(f.Header(), L"B1{C}B2{D}B0{A,B}");
  EXPECT_EQ(f.events, L"-B0+B0@1+B2@1");
  EXPECT_EQ(f.Listed(f.Box().BandsList()), L"");

  // A band its OnCanBandDragging hides while asked is dragged without a picture.
  f.grid.OnCanBandDragging = [](auto*, TdxTreeListBand* band, bool&) { band->SetVisible(false); };
  f.Lift(f.BandPoint(2));
  EXPECT_EQ(f.grid.DragImage().Size().cx, 0);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(f.grid.State(), tsNone);
}

TEST(TreeListCustomizing, TheListsHoldWhatAUserMayBringBackAndTheBoxKeepsItsSettings) {
  Customizing f;
  f.columns.push_back(f.grid.CreateColumn<TdxTreeListColumn>());
  f.columns[4]->SetCaption(L"E");
  f.columns[1]->SetVisible(false);  // listed
  f.columns[2]->SetVisible(false);  // marked: never listed
  f.columns[2]->SetDisableCustomizing(true);
  f.columns[4]->SetBandIndex(-1);              // without a band: listed
  f.grid.Bands().Items(2)->SetVisible(false);  // D's band hidden
  f.grid.Bands().Items(1)->SetVisible(false);
  f.grid.Bands().Items(1)->SetDisableCustomizing(true);  // a marked band
  f.grid.ColumnsCustomizing();
  EXPECT_EQ(f.Listed(f.Box().HeadersList()), L"BE");
  EXPECT_EQ(f.Listed(f.Box().BandsList()), L"B2");
  // The pages 4 pixels in from the form's edges; the form at the grid's bottom right.
  const TdxCustomizePages& pages = f.Box().Pages();
  EXPECT_EQ(std::make_tuple(pages.Left(), pages.Top()), std::make_tuple(4, 4));
  EXPECT_EQ(std::make_tuple(f.Box().ClientWidth(), f.Box().ClientHeight()),
            std::make_tuple(pages.Width() + 8, pages.Height() + 8));
  RECT grid{}, box{};
  GetWindowRect(f.hwnd(), &grid);
  GetWindowRect(f.Box().Handle(), &box);
  EXPECT_EQ(std::make_tuple(box.right, box.bottom), std::make_tuple(grid.right, grid.bottom));
  f.grid.ShowHiddenInCustomizeBox = true;
  f.grid.ColumnsCustomizing();
  EXPECT_EQ(f.Listed(f.Box().HeadersList()), L"BDE") << "also D, shown in a hidden band";
  f.columns[2]->SetDisableCustomizing(false);
  EXPECT_EQ(f.Listed(f.Box().HeadersList()), L"BCDE") << "a change reaches the open form";

  // Two rows at least; the simple box holds the headers only, without pages; a grid without
  // its band panel has no page of bands.
  f.grid.SetCustomizingRowCount(0);
  f.grid.SimpleCustomizeBox = true;
  f.grid.ColumnsCustomizing();
  TdxCustomizeList& headers = f.Box().HeadersList();
  EXPECT_FALSE(f.Box().Pages().Visible());
  EXPECT_EQ(headers.Parent(), &f.Box());
  EXPECT_TRUE(IsWindowVisible(headers.Handle()));
  EXPECT_EQ(headers.ClientHeight(), 2 * f.grid.GetMetrics().header_line_height);
  EXPECT_EQ(headers.ItemRect(0).right, 120) << "cells 120 wide for short captions";
  f.Lift(f.HeaderPoint(0));  // a header drag shows no page in a box without pages
  EXPECT_EQ(std::make_tuple(headers.Left(), headers.Top()), std::make_tuple(4, 4));
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  f.Send(f.hwnd(), WM_LBUTTONUP, f.HeaderPoint(0));
  // Four items in two rows: the bar, the wheel and a drag from the scrolled list.
  SCROLLINFO bar{sizeof bar, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(headers.Handle(), SB_VERT, &bar);
  EXPECT_EQ(std::make_tuple(bar.nMin, bar.nMax, bar.nPage), std::make_tuple(0, 3, 2u));
  const std::pair<WORD, int> codes[] = {{SB_PAGEDOWN, 2}, {SB_LINEUP, 1}, {SB_PAGEUP, 0},
                                        {SB_LINEDOWN, 1}, {SB_TOP, 0},    {SB_BOTTOM, 2}};
  for (const auto& [code, top] : codes) {
    SendMessageW(headers.Handle(), WM_VSCROLL, code, 0);
    EXPECT_EQ(headers.TopIndex(), top) << "scroll code " << code;
  }
  // A notch scrolls the user's lines, at most a page; halves add up.
  const auto wheel = [&](int delta) {
    SendMessageW(headers.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
    return headers.TopIndex();
  };
  EXPECT_EQ(wheel(WHEEL_DELTA / 2), 2);
  EXPECT_EQ(wheel(WHEEL_DELTA / 2), 0);
  EXPECT_EQ(wheel(-WHEEL_DELTA), 2);
  EXPECT_EQ(headers.ItemAt(Mid(headers.ItemRect(2))), 2) << "the top row shows item 2";
  f.Pick(headers, 2);
  f.DropOnGrid(f.HeaderPoint(0));
  EXPECT_EQ(f.Header(), L"B0{D,A}") << "D, the third listed, from its hidden band";

  // A long caption widens the cells: 12 pixels on each side of it.
  f.columns[4]->SetCaption(L"Clearance to the board's outline");
  f.grid.ColumnsCustomizing();
  SIZE text{};
  {
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, f.grid.HeaderFont().Handle());
    GetTextExtentPoint32W(dc, f.columns[4]->Caption().c_str(),
                          static_cast<int>(f.columns[4]->Caption().size()), &text);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  EXPECT_EQ(headers.ItemRect(0).right, text.cx + 24);

  f.grid.SimpleCustomizeBox = false;
  f.grid.SetShowBands(false);
  f.grid.ColumnsCustomizing();
  EXPECT_EQ(f.Box().Pages().PageCount(), 1);
  EXPECT_FALSE(f.Box().HasBandsPage());
}

// Tab walks the box as a dialog: from the page tabs into the list of the page shown.
TEST(TreeListCustomizing, TabReachesTheListOfThePageShown) {
  Customizing f;
  f.grid.ColumnsCustomizing();
  TdxCustomizePages& pages = f.Box().Pages();
  const auto tab_from_pages = [&] {
    SetFocus(pages.Handle());
    PostMessageW(pages.Handle(), WM_KEYDOWN, VK_TAB, 0);
    framework::Application::Instance().ProcessMessages();
    return GetFocus();
  };
  EXPECT_EQ(tab_from_pages(), f.Box().HeadersList().Handle());
  pages.SetActivePageIndex(0);
  EXPECT_EQ(tab_from_pages(), f.Box().BandsList().Handle());
}

TEST(TreeListCustomizing, ClosingSaysOnceThatCustomizingEndedAndTheGridFreesTheForm) {
  int ended = 0;
  HWND box = nullptr;
  {
    Customizing f;
    f.grid.OnEndColumnsCustomizing = [&](auto* sender) {
      EXPECT_EQ(sender, &f.grid);
      ++ended;
    };
    const auto reopen = [&] {
      f.grid.ColumnsCustomizing();
      return f.Box().Handle();
    };
    SendMessageW(reopen(), WM_CLOSE, 0, 0);  // the close box
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(IsWindowVisible(f.Box().Handle()));
    f.grid.EndColumnsCustomizing();
    EXPECT_EQ(ended, 1) << "closed already";
    reopen();
    SendMessageW(f.Box().HeadersList().Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(ended, 2);
    // Escape through the message loop, as the application's loop hands keys to the form.
    reopen();
    PostMessageW(f.Box().HeadersList().Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    framework::Application::Instance().ProcessMessages();
    EXPECT_EQ(ended, 3);
    reopen();
    f.grid.EndColumnsCustomizing();
    EXPECT_EQ(ended, 4);
    SendMessageW(reopen(), WM_KEYDOWN, VK_ESCAPE, 0);  // the form itself focused
    EXPECT_EQ(ended, 5);
    box = reopen();
  }
  EXPECT_FALSE(IsWindow(box)) << "freed with the grid";
  EXPECT_EQ(ended, 5) << "a grid going away ends nothing";
}

TEST(TreeListCustomizing, EveryRoadOutOfADragFromTheFormLetsTheMouseGo) {
  Customizing f;
  f.columns[0]->SetVisible(false);
  f.grid.Bands().Items(2)->SetVisible(false);
  f.grid.ColumnsCustomizing();
  TdxCustomizeList& headers = f.Box().HeadersList();
  const auto pick = [&] {
    f.Pick(headers, 0);
    EXPECT_EQ(f.grid.State(), tsColumnDragging);
    EXPECT_EQ(GetCapture(), f.hwnd());
  };
  const auto let_go = [&](const char* road) {
    EXPECT_EQ(f.grid.State(), tsNone) << road;
    EXPECT_EQ(GetCapture(), nullptr) << road;
    EXPECT_FALSE(f.grid.DragImage().Dragging()) << road;
    EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kDragScrollTimer)) << road;
  };
  // Lifted twice from the grid, a header shows its picture each time.
  for (int time = 0; time < 2; ++time) {
    f.Lift(f.HeaderPoint(1));
    EXPECT_TRUE(f.grid.DragImage().Dragging()) << "drag " << time;
    SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    f.Send(f.hwnd(), WM_LBUTTONUP, f.HeaderPoint(1));
  }
  pick();
  f.Send(f.hwnd(), WM_MOUSEMOVE, {4, f.HeaderPoint(1).y}, MK_LBUTTON);  // at the left edge
  SendMessageW(headers.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);  // the focus stays in the form
  let_go("Escape");
  EXPECT_TRUE(IsWindowVisible(f.Box().Handle())) << "Escape ended the drag only";
  pick();
  SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0);
  let_go("cancel mode");
  pick();
  SendMessageW(headers.Handle(), WM_CANCELMODE, 0, 0);  // where the system sends it: the focus
  let_go("cancel mode to the focus");
  pick();
  ReleaseCapture();
  let_go("capture taken");
  f.Pick(f.Box().BandsList(), 0);
  SendMessageW(f.Box().BandsList().Handle(), WM_CANCELMODE, 0, 0);
  let_go("a band's drag, cancel mode to the focus");
  f.Pick(f.Box().BandsList(), 0);
  EXPECT_EQ(f.grid.State(), tsBandDragging);
  f.SendAtScreen(WM_LBUTTONUP, f.OnBox());
  let_go("released over the form");
  EXPECT_EQ(f.events, L"") << "nothing came or went";

  // A press that never became a drag: the list lets the mouse go on each road.
  const POINT at = Mid(headers.ItemRect(0));
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  EXPECT_EQ(GetCapture(), headers.Handle());
  SendMessageW(headers.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(IsWindowVisible(f.Box().Handle())) << "Escape ended the press only";
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  f.Send(headers.Handle(), WM_LBUTTONUP, at);
  EXPECT_EQ(GetCapture(), nullptr);
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x + 30, at.y});
  EXPECT_EQ(f.grid.State(), tsNone) << "moves after the release drag nothing";
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  SendMessageW(headers.Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x + 30, at.y}, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsNone);
  // The mouse taken by another window; the pressed item gone from the list.
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  SetCapture(f.hwnd());
  ReleaseCapture();
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x + 30, at.y}, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsNone) << "a press whose mouse went elsewhere";
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  f.columns[0]->SetVisible(true);
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x + 30, at.y}, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsNone) << "a press on an item no longer listed";
  EXPECT_EQ(GetCapture(), nullptr);

  // The drag begins once the mouse leaves the system's drag rectangle around the press.
  f.columns[1]->SetVisible(false);
  const SIZE half{GetSystemMetrics(SM_CXDRAG) / 2, GetSystemMetrics(SM_CYDRAG) / 2};
  f.Send(headers.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x + half.cx, at.y - half.cy}, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsNone) << "inside it";
  f.Send(headers.Handle(), WM_MOUSEMOVE, {at.x, at.y + half.cy + 1}, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsColumnDragging) << "below it";
  SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0);
}

}  // namespace
