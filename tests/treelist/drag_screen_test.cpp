// On a real screen with real mouse input: a column sizing line and a header drag's arrows and
// picture show while they run, move with the mouse without leaving traces, and are gone after.
#include <gtest/gtest.h>

#include <string>

#include "grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using treelist_test::AddNamed;
using treelist_test::GridForm;

void Button(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
  testsupport::Settle(150);
}

void MoveTo(HWND hwnd, POINT client) {
  testsupport::MoveMouse(hwnd, client);
  testsupport::Settle(150);
}

// The grid's window with room above it for the arrows.
RECT Around(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  InflateRect(&r, 12, 24);
  return r;
}

RECT Part(const testsupport::ScreenCapture& shot, HWND hwnd, RECT client) {
  return shot.FromClient(hwnd, client);
}

struct Drag {
  GridForm f{360, 200};
  Drag() {
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowBands(true);
    for (int i = 0; i < 8; ++i) AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
    testsupport::BringToFront(f.form.Handle());
    MoveTo(f.hwnd(), {300, 150});
  }
  RECT Header(int column) { return f.grid.GetLayout().HeaderOf(column)->rect; }
  testsupport::ScreenCapture Shot() {
    testsupport::Settle(100);
    return testsupport::ScreenCapture::OfScreen();
  }
};

TEST(TreeListDragScreen, TheSizingLineFollowsTheMouseAndLeavesNoTrace) {
  Drag d;
  const HWND hwnd = d.f.hwnd();
  const RECT header = d.Header(1);
  const int y = (header.top + header.bottom) / 2;
  const testsupport::ScreenCapture before = d.Shot();
  MoveTo(hwnd, {header.right, y});
  Button(true);
  ASSERT_EQ(d.f.grid.State(), treelist::tsColumnSizing);
  MoveTo(hwnd, {header.right - 30, y});
  const testsupport::ScreenCapture during = d.Shot();
  during.Save("treelist_sizing_during");
  const int line = d.f.grid.SizingPos();
  const RECT rows = d.f.grid.GetLayout().rows;
  // An inverted line one pixel wide at the line's place, from the headers to the rows' end.
  const RECT at_line = Part(during, hwnd, {line, rows.top, line + 1, rows.bottom});
  EXPECT_GE(before.DifferingPixels(during, at_line), (at_line.bottom - at_line.top) * 9 / 10);
  const RECT beside = Part(during, hwnd, {line + 2, rows.top, line + 40, rows.bottom});
  EXPECT_EQ(before.DifferingPixels(during, beside), 0) << "the first line was erased";
  MoveTo(hwnd, {header.right, y});
  Button(false);
  const testsupport::ScreenCapture after = d.Shot();
  after.Save("treelist_sizing_after");
  EXPECT_EQ(before.DifferingPixels(after, Around(hwnd)), 0);
}

TEST(TreeListDragScreen, HeaderDragArrowsMoveWithTheDropPlaceAndLeaveNoTrace) {
  Drag d;
  const HWND hwnd = d.f.hwnd();
  const RECT dragged = d.Header(2), first = d.Header(0);
  const int y = (dragged.top + dragged.bottom) / 2;
  const testsupport::ScreenCapture before = d.Shot();
  before.Save("treelist_header_drag_before");
  MoveTo(hwnd, {dragged.left + 20, y});
  Button(true);
  MoveTo(hwnd, {dragged.left + 30, y});
  ASSERT_EQ(d.f.grid.State(), treelist::tsColumnDragging);
  MoveTo(hwnd, {first.left + 8, y});
  const testsupport::ScreenCapture at_first = d.Shot();
  at_first.Save("treelist_header_drag_first_place");
  RECT arrows = d.f.grid.ArrowsRect();
  OffsetRect(&arrows, -at_first.origin().x, -at_first.origin().y);
  EXPECT_GT(at_first.DifferingPixels(before, arrows), 20) << "arrows at the first gap";
  MoveTo(hwnd, {(first.left + first.right) / 2 + 20, y});
  const testsupport::ScreenCapture at_second = d.Shot();
  at_second.Save("treelist_header_drag_second_place");
  EXPECT_EQ(at_second.DifferingPixels(before, arrows), 0) << "the first arrows left no trace";
  RECT moved = d.f.grid.ArrowsRect();
  OffsetRect(&moved, -at_second.origin().x, -at_second.origin().y);
  EXPECT_GT(at_second.DifferingPixels(before, moved), 20) << "arrows at the second gap";
  // Back over itself: no drop place, no arrows; released there, nothing moves.
  MoveTo(hwnd, {dragged.left + 20, y});
  Button(false);
  const testsupport::ScreenCapture after = d.Shot();
  after.Save("treelist_header_drag_after");
  EXPECT_EQ(before.DifferingPixels(after, Around(hwnd)), 0);
}

}  // namespace
