// The tree list's scroll bars and the mouse wheel: where each request moves the grid, and dropping
// both bars at once when a size change leaves nothing for them to reach; the sideways scroll of
// a drag held near an edge.
#include <algorithm>
#include <optional>

#include "editors/gdi_scope.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/input/interaction_state.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

// One bar's view of the grid: horizontally pixels (the left coordinate), vertically rows (the
// top index).
struct ScrollView {
  int position;
  int line;  // a line's step: a digit of the grid's font, or one row
  int page;  // a page's step: the data area's width, or the rows shown whole
  int end;   // the content's width, or the row count
};

// The position a request asks for, before the grid keeps it in range; none for requests that
// move nothing. `thumb_target` is where the dragged thumb puts the grid.
std::optional<int> ScrollTarget(WORD code, const ScrollView& view, int thumb_target) {
  switch (code) {
    case SB_LINEUP: return view.position - view.line;
    case SB_LINEDOWN: return view.position + view.line;
    case SB_PAGEUP: return view.position - view.page;
    case SB_PAGEDOWN: return view.position + view.page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return view.end;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return thumb_target;
  }
  return std::nullopt;
}

// Steps of 4 pixels keep the columns' pixels aligned while the thumb moves, except on the last
// step, which reaches the end exactly.
int HorizontalThumbTarget(const ScrollView& view, int thumb) {
  return view.page + thumb + 1 < view.end ? (thumb + 1) / 4 * 4 : thumb + 1;
}

int DigitWidth(framework::TFont& font) {
  const win::UniqueMemoryDc measure = MeasureDC();
  editors::SelectScope select(measure.get(), font.Handle());
  SIZE size{};
  GetTextExtentPoint32W(measure.get(), L"0", 1, &size);
  return std::max<int>(size.cx, 1);
}

}  // namespace

void TCustomdxTreeList::HandleHScroll(WORD code) {
  const Layout layout = GetLayout();
  if (interaction_->Sizing() || layout.headers.empty()) return;
  SCROLLINFO info{};
  GetScrollInfo(SB_HORZ, info);
  const ScrollView view{left_coord_, DigitWidth(Font()), layout.data.right - layout.data.left,
                        layout.scroll_extent};
  // SetLeftCoord keeps the result between 0 and the end.
  if (const auto left = ScrollTarget(code, view, HorizontalThumbTarget(view, info.nTrackPos))) {
    SetLeftCoord(*left);
  }
}

void TCustomdxTreeList::HandleVScroll(WORD code) {
  if (interaction_->Sizing()) return;
  SCROLLINFO info{};
  GetScrollInfo(SB_VERT, info);
  const ScrollView view{TopIndex(), 1, FullyVisibleRowCount(), GetVisibleRowCount()};
  // SetTopIndex keeps the last page full.
  if (const auto top = ScrollTarget(code, view, info.nTrackPos)) SetTopIndex(*top);
}

void TCustomdxTreeList::HandleMouseWheel(int delta) {
  if (interaction_->Sizing()) return;
  const UINT lines = seams_.wheel_scroll_lines();
  if (lines == 0) return;
  // More than a page a notch would pass rows the user never sees.
  const int page = FullyVisibleRowCount();
  const int rows_per_notch =
      lines == WHEEL_PAGESCROLL ? page : std::min(static_cast<int>(lines), page);
  // Fine-resolution wheels send parts of a notch: they add up to whole rows.
  wheel_remainder_ += delta * rows_per_notch;
  const int rows = wheel_remainder_ / WHEEL_DELTA;
  wheel_remainder_ -= rows * WHEEL_DELTA;
  if (rows != 0) SetTopIndex(TopIndex() - rows);  // a turn away from the user scrolls up
}

// The bars go at once when nothing would need them: dropping one at a time would give the
// other room it then no longer needs, with a frame change each.
void TCustomdxTreeList::DropUnneededScrollBars() {
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  if (!(style & (WS_HSCROLL | WS_VSCROLL))) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (style & WS_VSCROLL) client.right += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) client.bottom += GetSystemMetrics(SM_CYHSCROLL);
  LayoutInputs in;
  in.client = client;
  in.metrics = metrics_;
  in.auto_width = IsAutoWidth();
  const Layout layout = ComputeLayout(GetHeaderModel(), in);
  int rows_height = 0;
  const int room = layout.rows.bottom - layout.rows.top;
  for (TdxTreeListNode* n = GetFirstNode(); n && rows_height <= room; n = NextVisibleNode(n)) {
    rows_height += GetRowHeight(n, metrics_.default_row_height, false);
  }
  if (rows_height > room || layout.scroll_extent > layout.ScrollWidth()) return;
  SetWindowLongW(hwnd_, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TCustomdxTreeList::DragScrollTick(int direction) {
  const bool dragging = interaction_->BandDragging() || interaction_->ColumnDragging() ||
                        interaction_->NodeDragging() || drop_target_;
  if (!dragging) {
    StopTimer(kDragScrollTimer);
    return;
  }
  SetLeftCoord(left_coord_ + 32 * direction);  // clamped to 0 and the extent
  if (HandleAllocated()) UpdateWindow(hwnd_);
}

}  // namespace treelist
