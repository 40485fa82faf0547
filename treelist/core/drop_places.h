// Where a dragged band or column header lands, and where the drop arrows then point: pure
// functions of the layout, the band and column model and a client point. No window.
#pragma once

#include <windows.h>

#include "treelist/core/layout.h"

namespace treelist {

// Where a dragged header lands: band, header row and position in the row; all -1 outside the
// headers (hide), band -2 for no change; `mode` -3 for a new row below the band's rows.
struct HeaderDropPosition {
  int band = -1;
  int row = -1;
  int column = -1;
  int mode = -1;
  bool operator==(const HeaderDropPosition& o) const noexcept {
    return band == o.band && row == o.row && column == o.column && mode == o.mode;
  }
};
constexpr int kNoDropChange = -2;
constexpr int kDropNewRow = -3;

// A drop place with the client point the arrows' top left goes to (`arrows` false: none shown).
struct BandDrop {
  int band = -1;  // the band's new index, -1 hide, kNoDropChange
  bool arrows = false;
  POINT tip{};
};
struct HeaderDrop {
  HeaderDropPosition place;
  bool arrows = false;
  POINT tip{};
};

// The band shown at visible position `dragged` (-1: one from outside the panel) dropped at
// `point`.
BandDrop BandDropPlace(const Layout& layout, const HeaderModel& model, POINT point, int dragged);
// Column `dragged` (its header may be hidden) dropped at `point`.
HeaderDrop HeaderDropPlace(const Layout& layout, const HeaderModel& model, POINT point,
                           int dragged);

}  // namespace treelist
