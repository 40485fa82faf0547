// Where the grid's scroll bars move it: the arithmetic of each scroll request, apart from the
// window so that it is tested case by case.
#pragma once

#include <windows.h>

#include <optional>

namespace treelist {

// One bar's view of the grid. Horizontally the positions are pixels (the left coordinate),
// vertically rows (the top index).
struct ScrollView {
  int position = 0;
  int line = 1;  // a line's step: a digit of the grid's font, or one row
  int page = 0;  // a page's step: the data area's width, or the rows shown whole
  int end = 0;   // where the last position lies beyond: the content's width, or the row count
};

// The position a request (SB_LINEUP ... SB_BOTTOM, SB_THUMBTRACK) asks for, before the grid keeps
// it in range; none for requests that move nothing. `thumb` is where the thumb was dragged to.
std::optional<int> HorizontalScrollTarget(WORD code, const ScrollView& view, int thumb);
std::optional<int> VerticalScrollTarget(WORD code, const ScrollView& view, int thumb);

}  // namespace treelist
