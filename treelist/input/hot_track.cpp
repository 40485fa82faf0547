// Hot tracking, the header corner button's hint and the tooltips of cells too narrow for their
// text. Hint windows never take the focus: an open editor keeps it.
#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/input/interaction_state.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

constexpr UINT kHintShowDelay = 1000, kHintHideDelay = 5000;
constexpr int kHeaderButtonWidth = 12, kHeaderButtonHeight = 11;

SIZE TextExtent(framework::TFont& font, const std::wstring& text) {
  const win::WindowDC screen(nullptr);
  editors::SelectScope select(screen.get(), font.Handle());
  SIZE size{};
  GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace

void TCustomdxTreeList::HotTrackMouseMove(POINT point) {
  if (interaction_->OwnsMouse() || StillOverHoverCell(point)) return;
  const THitInfo hit = HitTest(point);
  UpdateHotTrack(hit);
  hover_ = {};
  if (!hit.node || hit.column < 0) return;
  const Layout layout = GetLayout();
  const RECT cell = GetCellRect(hit.node, hit.column, layout);
  // Where the hit test finds this node and column: the cell, right of the indicator.
  const RECT rows{layout.data.left, layout.rows.top, layout.rows.right, layout.rows.bottom};
  IntersectRect(&hover_.rect, &cell, &rows);
  hover_.options = options_;
  hover_.options_ex = options_ex_;
}

// The hit test would find the same cell, so hot tracking would change nothing: the point is in
// it, and since the grid neither painted (a paint forgets the cell) nor waits to, no row or
// column moved.
bool TCustomdxTreeList::StillOverHoverCell(POINT point) {
  return PtInRect(&hover_.rect, point) && hover_.options == options_ &&
         hover_.options_ex == options_ex_ && !GetUpdateRect(hwnd_, nullptr, FALSE);
}

RECT TCustomdxTreeList::HeaderButtonRect() {
  const RECT corner = GetLayout().indicator_corner;
  if (corner.right <= corner.left || corner.bottom <= corner.top) return {};
  const int top = corner.top + (corner.bottom - corner.top - kHeaderButtonHeight) / 2;
  return {corner.left + 3, top, corner.left + 3 + kHeaderButtonWidth, top + kHeaderButtonHeight};
}

void TCustomdxTreeList::UpdateHotTrack(const THitInfo& hit) {
  if (!HandleAllocated()) return;
  if (interaction_->Idle() || interaction_->IndicatorButtonDown()) {
    const RECT button = HeaderButtonRect();
    const bool hot = PtInRect(&button, hit.point) != FALSE;
    if (hot != header_button_hot_) {
      header_button_hot_ = hot;
      InvalidateRect(hwnd_, &button, FALSE);
      if (hot && interaction_->Idle()) {
        ShowHeaderHint(false);
      } else {
        HideHeaderHint();
      }
    }
  }
  if ((options_ & aoShowTooltips) && interaction_->Idle()) UpdateCellTooltip(hit);
  const bool tracking = (options_ex_ & aoHotTrack) || ForceHotTrack();
  const bool on_cell = hit.node && hit.column >= 0;
  // Without aoHotTrack only the cells whose column asks for it follow the mouse (their buttons).
  if (!tracking && !on_cell && !HotTrack().node) return;

  const TdxHotTrackInfo old = HotTrack();
  TdxHotTrackInfo now;
  bool allow = on_cell && (tracking ? CanHotTrackCell(hit.node, hit.column)
                                    : CellNeedsHotTrack(hit.node, hit.column, hit.point));
  if (allow) OnHotTrackCell(this, hit.node, hit.column, allow);
  int sub_kind = hit.part;
  if (allow) {
    now = {hit.node, hit.column, 0};
  } else if (tracking && hit.kind == htColumn && hit.column >= 0 &&
             CanHotTrackHeader(hit.column, sub_kind)) {
    const bool pressed = interaction_->ColumnDown() && hit_.column == hit.column;
    now = {nullptr, hit.column, static_cast<uint8_t>(pressed ? kHotHeaderPressed : sub_kind)};
  }
  hot_node_ = now.node;
  hot_column_ = now.column;
  hot_kind_ = now.kind;
  if (now.node == old.node && now.column == old.column) {
    if (now.kind == old.kind) return;
  } else {
    framework::TCursor cursor = Cursor();
    GetHotTrackCursor(now, cursor);
    if (cursor != Cursor()) SetCursor(cursor);
  }
  RepaintHotElement(old);
  RepaintHotElement(now);
}

void TCustomdxTreeList::GetHotTrackCursor(const TdxHotTrackInfo& info, framework::TCursor& cursor) {
  OnHotTrackNode(this, info, cursor);
}

// A cell repaints itself and its row's indent; a header the header row.
void TCustomdxTreeList::RepaintHotElement(const TdxHotTrackInfo& info) {
  ViewChanged();
  if (info.column < 0) return;
  const Layout layout = GetLayout();
  if (!info.node) {
    InvalidateRect(hwnd_, &layout.header_panel, FALSE);
    return;
  }
  if (!info.node->IsVisible()) return;
  const RECT cell = GetCellRect(info.node, info.column, layout);
  InvalidateRect(hwnd_, &cell, FALSE);
  int left = 0, right = 0;
  GetNodeIndent(info.node, left, right);
  const int x0 = layout.data.left - left_coord_;
  const RECT indent{x0, cell.top, x0 + right, cell.bottom};
  InvalidateRect(hwnd_, &indent, FALSE);
}

void TCustomdxTreeList::ShowHeaderHint(bool now) {
  HideHeaderHint();
  if (!HandleAllocated()) return;
  if (!now) {
    StartTimer(kHintShowTimer, kHintShowDelay);
    return;
  }
  const std::wstring text = GetHeaderButtonHint();
  if (text.empty()) return;  // nothing to say: no empty box
  const RECT button = HeaderButtonRect();
  const POINT at = GridToScreen(
      {button.right + 4, button.top - static_cast<LONG>(TextExtent(Font(), L"Wg").cy)});
  if (!header_hint_) header_hint_ = new editors::TdxContainerHintWindow(this);
  header_hint_->ShowHintAt(text, at, Font());
  StartTimer(kHintHideTimer, kHintHideDelay);
}

void TCustomdxTreeList::HideHeaderHint() {
  // Both, also when the hint never showed: the show timer may be running.
  StopTimer(kHintShowTimer);
  StopTimer(kHintHideTimer);
  delete std::exchange(header_hint_, nullptr);
}

void TCustomdxTreeList::UpdateCellTooltip(const THitInfo& hit) {
  if (hit.node == tooltip_node_ && hit.column == tooltip_column_) return;
  HideCellTooltip();
  tooltip_node_ = hit.node;
  tooltip_column_ = hit.column;
  if (!hit.node || hit.column < 0) return;
  // The text is measured as the cell paints it; custom drawing paints into a DC of its own.
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ShownCellText shown =
      SettleShownText(dc.get(), hit.node, hit.column, GetCellRect(hit.node, hit.column));
  RECT& rect = shown.rect;
  std::wstring& text = shown.text;
  bool show = false, done = false;
  OnGetTooltipInfo(this, hit.node, hit.column, rect, text, show, done);
  if (!done) show = shown.Room(dc.get()) > rect.right - rect.left;
  if (!show) return;
  POINT at = GridToScreen({rect.left, rect.top});
  at.x -= 1;
  at.y -= 2;
  if (!cell_tooltip_) cell_tooltip_ = new editors::TdxContainerHintWindow(this);
  cell_tooltip_->ShowHintAt(text, at, Font());
}

void TCustomdxTreeList::MouseLeft() {
  UpdateHotTrack(THitInfo{{-1, -1}});
  hover_ = {};
  CancelHints();
}

void TCustomdxTreeList::HideCellTooltip() { delete std::exchange(cell_tooltip_, nullptr); }

}  // namespace treelist
