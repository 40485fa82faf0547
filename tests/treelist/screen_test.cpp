// On a real screen: pixels moved by scrolling and then repainted where uncovered must be the
// pixels a full repaint draws, for rows and for columns, headers and bands included.
#include <gtest/gtest.h>

#include <string>

#include "grid_fixture.h"
#include "support/screen_capture.h"

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

}  // namespace

namespace {

struct ScreenLook {
  treelist::TdxLookAndFeel look;
  const char* picture;
};

constexpr ScreenLook kScreenLooks[] = {
    {treelist::TdxLookAndFeel::lfStandard, "treelist_screen_standard"},
    {treelist::TdxLookAndFeel::lfFlat, "treelist_screen_flat"},
    {treelist::TdxLookAndFeel::lfUltraFlat, "treelist_screen_ultraflat"},
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

}  // namespace
