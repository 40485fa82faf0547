// The arithmetic of the mouse's work on a grid: redistributing widths when one band or column of
// a row is given a new width, the rows a band or header panel snaps to, the edge strips that
// scroll a drag, and the direction and speed of panning. Pure integer arithmetic with the
// system's MulDiv, no window.
#pragma once

#include <windows.h>

#include <vector>

namespace treelist {

// The widest a band or column may be made: the sizing line's limit when it may pass the client
// area, and the limit of a width read from a stored layout (wider ones would overflow the
// layout's sums).
constexpr int kMaxSizingWidth = 100000;

// `widths` with item `index` (one of them) set to `width`; the items after it (or, for the last
// item, the items before it) give or take the difference in proportion to their widths, the last of
// them taking the remainder. `taken` and `had` are the compensating items' new and old sum (the
// scale for what is hidden), both 0 when nothing compensates.
struct Redistribution {
  std::vector<int> widths;
  int taken = 0;
  int had = 0;
};
Redistribution RedistributeWidths(std::vector<int> widths, int index, int width);

// A row kept at `total` pixels: every item but the last keeps its width, the last takes what is
// left.
std::vector<int> FillRowTo(std::vector<int> widths, int total);

// The band panel's height for `rows` rows of `line_height` (1 flat look, 0 standard).
int BandPanelRowBottom(int rows, int line_height, int flat) noexcept;
// The row count a band-panel sizing line at `y` (from the panel's top) snaps to: the row whose
// bottom is nearest, from 1 up to `max_rows`.
int SnapBandPanelRows(int y, int line_height, int flat, int max_rows) noexcept;
// The rows whose bottom is not below a line at `y` (from the panel's top), 1 up to `max_rows`.
int BandPanelRowsAbove(int y, int line_height, int flat, int max_rows) noexcept;
// Header rows for a line at `y` from the panel's top: the nearest row boundary, at least 1 and
// at most `max_rows` (0: no maximum).
int HeaderPanelRowsAt(int y, int line_height, int max_rows) noexcept;

// The strips of `kDragScrollStrip` pixels inside the scrollable area's edges that scroll a
// band or header drag: -1 left (left < x < left + strip), 1 right (right - strip < x <= right),
// 0 elsewhere.
constexpr int kDragScrollStrip = 12;
int DragScrollDirection(int x, int left, int right) noexcept;

// Panning: which way and how fast the grid scrolls for a cursor at `point`, with the pan
// started at `origin` and a picture `picture_width` wide. The dead zone is the square of the
// picture's width around the origin, stretched over the whole screen along an axis without a
// scroll bar. Speed 1 steps every 12 timer ticks, 12 every tick.
enum class PanDirection { None, Left, Up, Right, Down };
struct PanMotion {
  PanDirection direction = PanDirection::None;
  int speed = 0;         // 0 in the dead zone, else 1..12
  bool outside = false;  // the point left the dead zone
};
constexpr int kMaxPanSpeed = 12;
PanMotion PanMotionAt(POINT point, POINT origin, int picture_width, bool horizontal_bar,
                      bool vertical_bar) noexcept;

}  // namespace treelist
