// On a real screen: pixels moved by scrolling and then repainted where uncovered must be the
// pixels a full repaint draws, for rows and for columns, headers and bands included; each look
// with its frame; and with the real mouse, the hot-tracked cell, a cell's tooltip, the search mark
// with its focus rectangle and the preview rows in each look, and a column sizing line and a
// header drag's arrows and picture that show while they run, move with the mouse without
// leaving traces, and are gone after.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "../grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"
#include "treelist/input/interaction_state.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;

namespace {

using treelist_test::Pump;

TEST(TreeListScreen, ScrollThenPaintEqualsAFullRepaint) {
  GridForm f(260, 220);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  f.grid.SetShowIndicator(true);
  f.grid.BeginUpdate();
  for (int i = 0; i < 12; ++i) {
    TdxTreeListNode* top = AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
    for (int j = 0; j < 3; ++j) {
      TdxTreeListNode* child = AddNamed(f.grid, top, L"class " + std::to_wstring(j));
      AddNamed(f.grid, child, L"pad " + std::to_wstring(j));
    }
  }
  f.grid.EndUpdate();
  f.grid.FullExpand();
  Pump();

  struct Step {
    const char* what;
    int top_index;
    int left_coord;
  };
  const Step steps[] = {{"three rows down", 3, 0},
                        {"one row down", 4, 0},
                        {"two rows up", 2, 0},
                        {"40 pixels right", 2, 40},
                        {"13 pixels left", 2, 27}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    f.grid.SetTopIndex(step.top_index);
    f.grid.SetLeftCoord(step.left_coord);
    ASSERT_EQ(f.grid.LeftCoord(), step.left_coord);
    UpdateWindow(f.hwnd());
    Pump();
    const testsupport::ScreenCapture scrolled = testsupport::ScreenCapture::OfWindow(f.hwnd());
    InvalidateRect(f.hwnd(), nullptr, FALSE);
    UpdateWindow(f.hwnd());
    Pump();
    const testsupport::ScreenCapture full = testsupport::ScreenCapture::OfWindow(f.hwnd());
    const RECT client = scrolled.ClientArea(f.hwnd());
    EXPECT_EQ(scrolled.DifferingPixels(full, client, 0), 0);
    if (step.left_coord == 27) full.Save("treelist_screen_scrolled");
  }
}

// Each look with the pictures of its frame and of its window's mouse-driven parts.
struct ScreenLook {
  treelist::TdxLookAndFeel look;
  const char *picture, *window_picture;
};

constexpr ScreenLook kScreenLooks[] = {
    {treelist::TdxLookAndFeel::lfStandard, "treelist_screen_standard", "treelist_window_standard"},
    {treelist::TdxLookAndFeel::lfFlat, "treelist_screen_flat", "treelist_window_flat"},
    {treelist::TdxLookAndFeel::lfUltraFlat, "treelist_screen_ultraflat",
     "treelist_window_ultraflat"},
};

// The vertical bar's place shows a bar from end to end, its arrow buttons included, not the
// grid's background: whatever colours the system's bars take, their edges are ink on it.
void ExpectBarDrawn(const testsupport::ScreenCapture& shot, HWND hwnd, COLORREF background) {
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  ASSERT_TRUE(GetScrollBarInfo(hwnd, OBJID_VSCROLL, &bar));
  ASSERT_FALSE(bar.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
  RECT place = bar.rcScrollBar;
  OffsetRect(&place, -shot.origin().x, -shot.origin().y);
  const int width = place.right - place.left, height = place.bottom - place.top;
  ASSERT_GT(height, 3 * width) << "room for two arrows and a thumb";
  const RECT ink = shot.InkBox(place, background, 24);
  EXPECT_GE(ink.bottom - ink.top, height - 4) << "the bar reaches from end to end";
  EXPECT_GE(ink.right - ink.left, width / 2);
  const RECT up{place.left, place.top, place.right, place.top + width};
  const RECT down{place.left, place.bottom - width, place.right, place.bottom};
  const RECT up_ink = shot.InkBox(up, background, 24);
  const RECT down_ink = shot.InkBox(down, background, 24);
  EXPECT_FALSE(IsRectEmpty(&up_ink)) << "the up arrow's button";
  EXPECT_FALSE(IsRectEmpty(&down_ink)) << "the down arrow's button";
}

TEST(TreeListScreen, EachLookWithItsFrameAndAFocusedRow) {
  for (const ScreenLook& c : kScreenLooks) {
    SCOPED_TRACE(c.picture);
    GridForm f(300, 180);
    f.grid.SetLookAndFeel(c.look);
    f.grid.SetOptions(f.grid.Options() | treelist::aoAutoWidth);
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowBands(true);
    f.grid.SetShowIndicator(true);
    TdxTreeListNode* focused = nullptr;
    for (const wchar_t* net : {L"GND", L"VCC"}) {
      TdxTreeListNode* top = AddNamed(f.grid, nullptr, net);
      for (int i = 1; i <= 2; ++i) {
        TdxTreeListNode* child =
            AddNamed(f.grid, top, std::wstring(net) + L" class " + std::to_wstring(i));
        focused = AddNamed(f.grid, child, L"pad U" + std::to_wstring(i));
      }
    }
    f.grid.FullExpand();
    f.grid.SetFocus();
    f.grid.SetFocusedNode(focused);
    Pump();
    const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.hwnd());
    shot.Save(c.picture);
    SCROLLINFO bar{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(f.hwnd(), SB_VERT, &bar);
    EXPECT_EQ(bar.nMax, 9);
    EXPECT_EQ(GetWindowLongW(f.hwnd(), GWL_STYLE) & WS_VSCROLL, WS_VSCROLL) << "a scroll bar";
    ExpectBarDrawn(shot, f.hwnd(), framework::ColorToRGB(f.grid.Color()));
    RECT row = f.grid.GetCellRect(focused, 2);
    InflateRect(&row, -2, -2);
    EXPECT_GT(shot.ShareOf(shot.FromClient(f.hwnd(), row), GetSysColor(COLOR_HIGHLIGHT)), 0.5)
        << "the focused row is highlighted on the screen";
  }
}

// A flat frame with both scroll bars: the box between the bars is the button face throughout,
// up to the frame (no strip of what lay under the window).
TEST(TreeListScreen, TheFlatFramesCornerBetweenTheScrollBarsIsFilled) {
  for (const ScreenLook& c : kScreenLooks) {
    if (c.look == treelist::TdxLookAndFeel::lfStandard) continue;
    SCOPED_TRACE(c.picture);
    GridForm f(200, 140);
    f.grid.SetLookAndFeel(c.look);
    f.grid.SetModel(treelist_test::TwoBandModel());
    for (int i = 0; i < 30; ++i) AddNamed(f.grid, nullptr, L"net " + std::to_wstring(i));
    Pump();
    SCROLLBARINFO vertical{}, horizontal{};
    vertical.cbSize = horizontal.cbSize = sizeof(SCROLLBARINFO);
    ASSERT_TRUE(GetScrollBarInfo(f.hwnd(), OBJID_VSCROLL, &vertical));
    ASSERT_TRUE(GetScrollBarInfo(f.hwnd(), OBJID_HSCROLL, &horizontal));
    ASSERT_FALSE(vertical.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "a vertical bar";
    ASSERT_FALSE(horizontal.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "a horizontal bar";
    const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.hwnd());
    RECT corner{vertical.rcScrollBar.left, horizontal.rcScrollBar.top, vertical.rcScrollBar.right,
                horizontal.rcScrollBar.bottom};
    OffsetRect(&corner, -shot.origin().x, -shot.origin().y);
    ASSERT_FALSE(IsRectEmpty(&corner));
    EXPECT_EQ(shot.ShareOf(corner, GetSysColor(COLOR_BTNFACE), 0), 1.0);
  }
}

// The application's hot look for a cell: blue and underlined, as links are.
void UnderlineHotCell(treelist_test::TestTreeList& grid) {
  grid.custom_draw = [&grid](const treelist::TdxCellPaintInfo& cell, std::wstring&,
                             framework::TFont& font) {
    const treelist::TdxHotTrackInfo hot = grid.HotTrack();
    if (hot.node == cell.node && hot.column == cell.column && hot.kind == 0) {
      font.SetStyle(framework::fsUnderline);
      font.SetColor(RGB(0, 0, 255));
    }
    return false;
  };
}

TEST(TreeListWindowScreen, HotCellTooltipSearchMarkAndPreviewInEachLook) {
  for (const ScreenLook& c : kScreenLooks) {
    SCOPED_TRACE(c.window_picture);
    GridForm f(360, 230);
    f.grid.SetLookAndFeel(c.look);
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowIndicator(true);
    f.grid.SetOptions(f.grid.Options() | treelist::aoShowTooltips | treelist::aoPreview);
    f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoHotTrack);
    f.grid.SetPreviewLines(1);
    f.grid.OnGetPreviewText = [&f](auto, TdxTreeListNode* node, std::wstring& text) {
      text = L"Preview: routed on " + f.grid.Name(node);
    };
    UnderlineHotCell(f.grid);
    TdxTreeListNode* gnd = AddNamed(f.grid, nullptr, L"GND");
    TdxTreeListNode* long_net = AddNamed(f.grid, nullptr, L"a long differential pair name");
    AddNamed(f.grid, nullptr, L"VCC");
    f.grid.FullExpand();
    ASSERT_TRUE(testsupport::BringToFront(f.form.Handle()));
    f.grid.SetFocus();
    f.grid.StartSearch(0, L"VC");

    const RECT narrow = f.grid.GetCellRect(long_net, 1);
    testsupport::MoveMouse(f.hwnd(), {narrow.left + 10, narrow.top + 4});
    ASSERT_TRUE(testsupport::PumpUntil([&] { return f.grid.CellTooltip() != nullptr; }));
    EXPECT_EQ(f.grid.HotTrack().node, long_net);
    testsupport::Settle(150);
    const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.form.Handle());
    shot.Save(c.window_picture);

    RECT tip{};
    GetWindowRect(f.grid.CellTooltip()->Handle(), &tip);
    OffsetRect(&tip, -shot.origin().x, -shot.origin().y);
    InflateRect(&tip, -2, -2);
    EXPECT_GT(shot.ShareOf(tip, GetSysColor(COLOR_INFOBK)), 0.5) << "the tooltip over the cell";
    const RECT search = shot.FromClient(f.hwnd(), f.grid.GetCellRect(f.grid.GetFocusedNode(), 0));
    EXPECT_GT(shot.ShareOf(search, GetSysColor(COLOR_HIGHLIGHT) ^ 0xFFFFFF), 0.05)
        << "the search mark in inverted colours";
    const RECT gnd_row = f.grid.GetCellRect(gnd, 0);
    const RECT preview =
        shot.FromClient(f.hwnd(), {gnd_row.left, gnd_row.bottom + 1, gnd_row.right,
                                   gnd_row.bottom + 1 + f.grid.GetMetrics().preview_line_height});
    EXPECT_GT(shot.ShareOf(preview, RGB(0, 0, 255), 80), 0.01) << "blue preview text";
  }
}

using testsupport::ScreenCapture;

// A memo cell's tooltip of two lines in an italic font, the last letter an f whose top leans past
// its advance: the tooltip shows every pixel of it that the text drawn unclipped at the same place
// shows, and is wide enough to leave it inside the window.
TEST(TreeListWindowScreen, AMultiLineTooltipShowsItsLastLetterWhole) {
  treelist_test::MemoGrid g;
  g.grid.SetOptionsEx(g.grid.OptionsEx() & ~treelist::aoRowAutoHeight);
  g.grid.SetOptions(g.grid.Options() | treelist::aoShowTooltips);
  g.grid.Font().SetName("Tahoma");
  g.grid.Font().SetHeight(-11);
  g.grid.Font().SetStyle(framework::fsItalic);
  g.memo->SetWidth(60);
  const std::wstring text = L"ab\r\nClearance of f";
  TdxTreeListNode* node = g.Add(L"rule", text);
  ASSERT_TRUE(testsupport::BringToFront(g.form.Handle()));
  const RECT cell = g.grid.GetCellRect(node, 1);
  testsupport::MoveMouse(g.grid.Handle(), {cell.left + 10, cell.top + 4});
  ASSERT_TRUE(testsupport::PumpUntil([&] { return g.grid.CellTooltip() != nullptr; }));
  testsupport::Settle(150);
  HWND tip = g.grid.CellTooltip()->Handle();
  const ScreenCapture shown = ScreenCapture::OfWindow(tip);
  shown.Save("treelist_screen_tooltip_italic");
  {
    // The same text drawn again over it, unclipped, where the tooltip draws it: its margin inside
    // the border.
    const win::WindowDC dc(tip);
    RECT text_box{};
    GetClientRect(tip, &text_box);
    InflateRect(&text_box, -3, -3);
    editors::SelectScope font(dc.get(), g.grid.Font().Handle());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), GetSysColor(COLOR_INFOTEXT));
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &text_box,
              DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
  }
  testsupport::Settle(50);
  const ScreenCapture whole = ScreenCapture::OfWindow(tip);
  const COLORREF paper = GetSysColor(COLOR_INFOBK);
  int cut = 0, rightmost = 0;
  for (int y = 0; y < whole.height(); ++y) {
    for (int x = 0; x < whole.width(); ++x) {
      const bool ink = testsupport::ColoursDiffer(whole.Pixel(x, y), paper, 24);
      if (!ink || y == 0 || y == whole.height() - 1 || x == 0 || x == whole.width() - 1) continue;
      rightmost = std::max(rightmost, x);
      cut += !testsupport::ColoursDiffer(shown.Pixel(x, y), paper, 24);
    }
  }
  EXPECT_EQ(cut, 0) << "pixels of the letters the tooltip cut off";
  EXPECT_LT(rightmost, whole.width() - 2) << "the ink inside the window, clear of its border";
}

void Button(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
  testsupport::Settle(150);
}

struct Screen {
  treelist_test::GridForm f{360, 200};
  HWND hwnd = f.hwnd();
  Screen() {
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowBands(true);
    for (int i = 0; i < 8; ++i)
      treelist_test::AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
    testsupport::BringToFront(f.form.Handle());
    MoveTo({300, 150});
  }
  void MoveTo(POINT client) {
    testsupport::MoveMouse(hwnd, client);
    testsupport::Settle(150);
  }
  RECT Header(int column) { return treelist_test::HeaderCellOf(f.grid, column).rect; }
  ScreenCapture Shot(const char* picture) {
    testsupport::Settle(100);
    ScreenCapture shot = ScreenCapture::OfScreen();
    shot.Save(picture);
    return shot;
  }
  // The grid's window with room above it for the arrows.
  RECT Around() {
    RECT r;
    GetWindowRect(hwnd, &r);
    InflateRect(&r, 12, 24);
    return r;
  }
  RECT ArrowsIn(const ScreenCapture& shot) {
    RECT r = f.grid.ArrowsRect();
    OffsetRect(&r, -shot.origin().x, -shot.origin().y);
    return r;
  }
};

TEST(TreeListDragScreen, TheSizingLineFollowsTheMouseAndLeavesNoTrace) {
  Screen s;
  const RECT header = s.Header(1);
  const int y = (header.top + header.bottom) / 2;
  const ScreenCapture before = s.Shot("treelist_sizing_before");
  s.MoveTo({header.right, y});
  Button(true);
  ASSERT_EQ(s.f.grid.State(), treelist::tsColumnSizing);
  s.MoveTo({header.right - 30, y});
  const ScreenCapture during = s.Shot("treelist_sizing_during");
  const int line = s.f.grid.SizingPos();
  const RECT rows = s.f.grid.GetLayout().rows;
  // An inverted line one pixel wide, the first one erased beside it.
  const RECT at_line = during.FromClient(s.hwnd, {line, rows.top, line + 1, rows.bottom});
  EXPECT_GE(before.DifferingPixels(during, at_line), (at_line.bottom - at_line.top) * 9 / 10);
  const RECT beside = during.FromClient(s.hwnd, {line + 2, rows.top, line + 40, rows.bottom});
  EXPECT_EQ(before.DifferingPixels(during, beside), 0);
  s.MoveTo({header.right, y});
  Button(false);
  EXPECT_EQ(before.DifferingPixels(s.Shot("treelist_sizing_after"), s.Around()), 0);
}

TEST(TreeListDragScreen, HeaderDragArrowsMoveWithTheDropPlaceAndLeaveNoTrace) {
  Screen s;
  const RECT dragged = s.Header(2), first = s.Header(0);
  const int y = (dragged.top + dragged.bottom) / 2;
  const ScreenCapture before = s.Shot("treelist_header_drag_before");
  s.MoveTo({dragged.left + 20, y});
  Button(true);
  s.MoveTo({dragged.left + 30, y});
  ASSERT_EQ(s.f.grid.State(), treelist::tsColumnDragging);
  s.MoveTo({first.left + 8, y});
  const ScreenCapture at_first = s.Shot("treelist_header_drag_first_place");
  const RECT arrows = s.ArrowsIn(at_first);
  EXPECT_GT(at_first.DifferingPixels(before, arrows), 20) << "arrows at the first gap";
  s.MoveTo({(first.left + first.right) / 2 + 20, y});
  const ScreenCapture at_second = s.Shot("treelist_header_drag_second_place");
  EXPECT_EQ(at_second.DifferingPixels(before, arrows), 0) << "the first arrows left no trace";
  EXPECT_GT(at_second.DifferingPixels(before, s.ArrowsIn(at_second)), 20) << "at the second gap";
  // Back over itself: no drop place, no arrows; released there, nothing moves.
  s.MoveTo({dragged.left + 20, y});
  Button(false);
  EXPECT_EQ(before.DifferingPixels(s.Shot("treelist_header_drag_after"), s.Around()), 0);
}

}  // namespace
