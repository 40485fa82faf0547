// Where a dragged band or column header lands: before or after the item under the point, no
// change beside the dragged item itself or past a fixed band, hidden outside the panel.
#include "treelist/core/drop_places.h"

#include <algorithm>
#include <vector>

namespace treelist {
namespace {

// The arrows' top left for a tip at client x on the line at y: 5 left of it, 9 above.
POINT ArrowsAt(int x, int y) { return {x - 5, y - 9}; }

}  // namespace

BandDrop BandDropPlace(const Layout& layout, const HeaderModel& model, POINT point, int dragged) {
  const RECT& panel = layout.band_panel;
  if (point.y < panel.top || point.y >= panel.bottom) return {};
  if (layout.bands.empty()) return {0, true, ArrowsAt(panel.left, panel.top)};
  const BandDrop no_change{kNoDropChange, false, {}};
  const auto it = std::find_if(layout.bands.begin(), layout.bands.end(), [&](const LayoutBand& b) {
    return point.x >= b.left && point.x < b.right;
  });
  const LayoutBand* target;
  bool before;
  if (it != layout.bands.end()) {
    target = &*it;
    if (target->index == dragged) return no_change;
    before = point.x <= (target->left + target->right) / 2;
    const bool beside_dragged =
        dragged >= 0 && (before ? target->index == dragged + 1 : target->index == dragged - 1);
    if (beside_dragged) return no_change;
    if (before && target->index == model.left_fixed_band) return no_change;
    if (!before && target->index == model.right_fixed_band) return no_change;
  } else if (point.x >= layout.bands.back().right) {
    target = &layout.bands.back();
    before = false;
    if (target->index == dragged || target->index == model.right_fixed_band) return no_change;
  } else {
    return no_change;
  }
  int result = target->index;
  if (dragged < 0) {
    if (!before) ++result;
  } else if (before && target->index > dragged) {
    --result;
  } else if (!before && target->index < dragged) {
    ++result;
  }
  const int tip = std::clamp<int>(before ? target->left : target->right, panel.left, panel.right);
  return {result, true, ArrowsAt(tip, panel.top)};
}

HeaderDrop HeaderDropPlace(const Layout& layout, const HeaderModel& model, POINT point,
                           int dragged_column) {
  const HeaderDrop no_change{{kNoDropChange, -1, -1, kNoDropChange}, false, {}};
  const RECT& panel = layout.header_panel;
  if (!PtInRect(&panel, point)) return {};
  const LayoutHeaderCell* dragged = layout.HeaderOf(dragged_column);
  const LayoutHeaderCell* target = nullptr;
  bool after = false;
  for (const LayoutHeaderCell& cell : layout.headers) {
    if (PtInRect(&cell.rect, point)) target = &cell;
  }
  if (target) {
    after = point.x > (target->left + target->right) / 2;
  } else {
    // A band's empty row: its first place; below a band's rows: a new row there; right of a
    // row's last header: the gap after it.
    const int row =
        layout.header_row_height > 0 ? (point.y - panel.top) / layout.header_row_height : 0;
    const auto band =
        std::find_if(layout.bands.begin(), layout.bands.end(),
                     [&](const LayoutBand& b) { return point.x >= b.left && point.x < b.right; });
    if (band != layout.bands.end()) {
      const std::vector<std::vector<int>>& rows = model.bands[band->index].rows;
      const bool below = row >= static_cast<int>(rows.size());
      if (below || rows[row].empty()) {
        const int drop_row = below ? static_cast<int>(rows.size()) : row;
        const int tip = std::max<int>(band->left, panel.left);
        return {{band->index, drop_row, 0, below ? kDropNewRow : 0},
                true,
                ArrowsAt(tip, panel.top + drop_row * layout.header_row_height)};
      }
    }
    for (const LayoutHeaderCell& cell : layout.headers) {
      if (cell.row == row && cell.right <= point.x && (!target || cell.right > target->right)) {
        target = &cell;
      }
    }
    if (!target) return no_change;
    after = true;
  }
  if (target->column == dragged_column) return no_change;
  const bool same_row = dragged && dragged->band == target->band && dragged->row == target->row;
  if (same_row && (after ? target->position == dragged->position - 1
                         : target->position == dragged->position + 1)) {
    return no_change;
  }
  int position = target->position + (after ? 1 : 0);
  if (same_row && dragged->position < position) --position;
  const int tip = std::clamp<int>(after ? target->right : target->left, panel.left, panel.right);
  return {{target->band, target->row, position, 0},
          true,
          ArrowsAt(tip, static_cast<int>(target->rect.top))};
}

}  // namespace treelist
