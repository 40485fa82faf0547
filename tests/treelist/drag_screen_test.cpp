// On a real screen with real mouse input: a column sizing line and a header drag's arrows and
// picture show while they run, move with the mouse without leaving traces, and are gone after.
#include <gtest/gtest.h>

#include <string>

#include "grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::ScreenCapture;

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
  RECT Header(int column) { return f.grid.GetLayout().HeaderOf(column)->rect; }
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
