// Sizing arithmetic.
#include "treelist/core/sizing.h"

#include <algorithm>
#include <cstdlib>

#include "treelist/core/layout.h"

namespace treelist {

Redistribution RedistributeWidths(std::vector<int> widths, int index, int width) {
  Redistribution result;
  const int n = static_cast<int>(widths.size());
  const int old_width = widths[index];
  widths[index] = width;
  // The last item of a row takes from those before it, any other from those after it.
  const int first = index == n - 1 ? 0 : index + 1;
  const int last = index == n - 1 ? n - 2 : n - 1;
  int sum = 0;
  for (int i = first; i <= last; ++i) sum += widths[i];
  if (sum > 0) {
    // Never below nothing: the sizing range keeps the difference within what the others have.
    const int taken = std::max(sum - (width - old_width), 0);
    int given = 0;
    for (int i = first; i < last; ++i) {
      widths[i] = MulDivRound(widths[i], taken, sum);
      given += widths[i];
    }
    widths[last] = taken - given;
    result.taken = taken;
    result.had = sum;
  }
  result.widths = std::move(widths);
  return result;
}

std::vector<int> FillRowTo(std::vector<int> widths, int total) {
  if (widths.empty()) return widths;
  int given = 0;
  for (size_t i = 0; i + 1 < widths.size(); ++i) given += widths[i];
  widths.back() = total - given;
  return widths;
}

int BandPanelRowBottom(int rows, int line_height, int flat) noexcept {
  return rows * line_height + 5 + (1 - flat);
}

int SnapBandPanelRows(int y, int line_height, int flat, int max_rows) noexcept {
  int rows = 1;
  for (int k = 2; k <= max_rows; ++k) {
    const int middle =
        (BandPanelRowBottom(k - 1, line_height, flat) + BandPanelRowBottom(k, line_height, flat)) /
        2;
    if (middle > y) break;
    rows = k;
  }
  return rows;
}

int BandPanelRowsAbove(int y, int line_height, int flat, int max_rows) noexcept {
  int rows = 0;
  for (int k = 1; k <= max_rows; ++k) {
    if (BandPanelRowBottom(k, line_height, flat) <= y) ++rows;
  }
  return std::max(rows, 1);
}

int HeaderPanelRowsAt(int y, int line_height, int max_rows) noexcept {
  if (line_height <= 0) return 1;
  int rows = (y + line_height / 2) / line_height;
  if (max_rows > 0) rows = std::min(rows, max_rows);
  return std::max(rows, 1);
}

int DragScrollDirection(int x, int left, int right) noexcept {
  if (left < x && x < left + kDragScrollStrip) return -1;
  if (right - kDragScrollStrip < x && x <= right) return 1;
  return 0;
}

PanMotion PanMotionAt(POINT point, POINT origin, int picture_width, bool horizontal_bar,
                      bool vertical_bar) noexcept {
  PanMotion motion;
  const int half = picture_width / 2;
  const int dx = point.x - origin.x, dy = point.y - origin.y;
  const bool dead_x = !horizontal_bar || (dx >= -half && dx <= half);
  const bool dead_y = !vertical_bar || (dy >= -half && dy <= half);
  if (dead_x && dead_y) return motion;
  motion.outside = true;
  int distance;
  // Equal distances go to the vertical axis.
  if (horizontal_bar && (!vertical_bar || std::abs(dx) > std::abs(dy))) {
    motion.direction = dx >= 0 ? PanDirection::Right : PanDirection::Left;
    distance = std::abs(dx);
  } else {
    motion.direction = dy >= 0 ? PanDirection::Down : PanDirection::Up;
    distance = std::abs(dy);
  }
  motion.speed = std::min((distance - half) / 5 + 1, kMaxPanSpeed);
  return motion;
}

}  // namespace treelist
