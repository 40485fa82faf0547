// Band and header dragging: the start, the step of every mouse move (drop place, arrows,
// cursor, drag picture, auto-scroll at the edges), the drop; the drag pictures of bands,
// headers and node rows; and a node drag over the grid (focus, scrolling, expanding).
#include <algorithm>
#include <string>
#include <vector>

#include "editors/gdi_scope.h"
#include "framework/screen.h"
#include "treelist/view/painter.h"
#include "treelist/core/sizing.h"
#include "treelist/input/interaction_state.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

constexpr POINT kNoArrows{-100, -100};
constexpr int kDeleteCursorOffset = 32;  // the delete cursor is drawn beside the picture's centre
constexpr UINT kDragScrollInterval = 100;

bool SamePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

// A picture of `size` drawn by `draw` on a memory DC compatible with the screen.
template <class Draw>
win::UniqueBitmap DrawPicture(SIZE size, Draw&& draw) {
  win::UniqueBitmap bitmap;
  win::UniqueMemoryDc dc;
  {
    const win::WindowDC screen(nullptr);
    bitmap.reset(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    dc.reset(CreateCompatibleDC(screen.get()));
  }
  if (!bitmap || !dc) return {};
  editors::SelectScope keep(dc.get(), bitmap.get());
  draw(dc.get());
  return bitmap;
}

// A dotted frame as a focus rectangle looks, in the text and background colours. Painted, not
// inverted: inverting sets the pixels' alpha bytes, and the drag image list then shows nothing
// of the picture but those pixels.
void DrawDottedFrame(HDC dc, const RECT& rect) {
  static const WORD kDots[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  const win::UniqueBitmap pattern(CreateBitmap(8, 8, 1, 1, kDots));
  const win::UniqueBrush brush(CreatePatternBrush(pattern.get()));
  FrameRect(dc, &rect, brush.get());
}

}  // namespace

POINT TCustomdxTreeList::ScreenToGrid(POINT screen) const {
  if (hwnd_) ::ScreenToClient(hwnd_, &screen);
  return screen;
}

POINT TCustomdxTreeList::GridToScreen(POINT client) const {
  if (hwnd_) ::ClientToScreen(hwnd_, &client);
  return client;
}

// ---- start ----------------------------------------------------------------------------------

void TCustomdxTreeList::StartHeaderOrBandDrag() {
  CancelHints();
  const bool band = interaction_->BandDown();
  interaction_->drag_picture.Release();
  if (band) {
    interaction_->dragged_band = interaction_->dragged_band_pos = interaction_->pressed_band;
    MakeBandDragImage(interaction_->dragged_band);
  } else {
    const Layout layout = GetLayout();
    interaction_->dragged_column = interaction_->pressed_column;
    const LayoutHeaderCell* cell = layout.HeaderOf(interaction_->dragged_column);
    interaction_->dragged_header_pos = cell ? static_cast<int>(cell - layout.headers.data()) : -1;
    MakeHeaderDragImage(interaction_->dragged_column);
  }
  PrepareDropArrows(band);
  interaction_->arrow_point = interaction_->arrow_cursor = kNoArrows;
  SetState(band ? tsBandDragging : tsColumnDragging);
  RaiseDragStart(band);
  DragItemMove(band);
}

void TCustomdxTreeList::RaiseDragStart(bool band) {
  // The open customizing form shows the page where a band or header dropped on it goes.
  if (IsCustomizingHeaders()) ActivateCustomizingPage(!band);
  if (band) {
    DoStartBandDragging(interaction_->dragged_band);
  } else {
    DoStartHeaderDragging(interaction_->dragged_column);
  }
}

void TCustomdxTreeList::StartBandDragFromCustomizing(int band) { StartDragFromOutside(true, band); }

void TCustomdxTreeList::StartHeaderDragFromCustomizing(int column) {
  StartDragFromOutside(false, column);
}

void TCustomdxTreeList::StartDragFromOutside(bool band, int item) {
  EndInteraction();  // whatever ran, and the hints
  interaction_->drag_picture.Release();
  if (band) {
    interaction_->dragged_band = item;
    interaction_->dragged_band_pos = -1;
    MakeBandDragImage(item);
  } else {
    interaction_->dragged_column = item;
    interaction_->dragged_header_pos = -1;
    MakeHeaderDragImage(item);
  }
  PrepareDropArrows(band);
  interaction_->arrow_point = interaction_->arrow_cursor = kNoArrows;
  interaction_->arrows.Hide();
  SetState(band ? tsBandDragging : tsColumnDragging);
  const SIZE size = interaction_->drag_picture.Size();
  interaction_->drag_picture.Begin(seams_.cursor_pos(), {size.cx / 2, size.cy / 2});
  RaiseDragStart(band);
}

void TCustomdxTreeList::PrepareDropArrows(bool band) {
  interaction_->arrow_height =
      DropArrows::HeightFor(band ? metrics_.band_panel_height : metrics_.header_line_height);
}

// ---- the step of every move -------------------------------------------------------------------

void TCustomdxTreeList::DragItemMove(bool band) {
  KillDragScroll();
  const POINT screen = seams_.cursor_pos();
  const Layout layout = GetLayout();
  GetDropPosition(screen, band ? TDropMode::dmBand : TDropMode::dmHeader);
  if (!SamePoint(screen, interaction_->arrow_cursor)) {
    interaction_->arrow_cursor = screen;
    DrawArrows();
  }

  const POINT client = ScreenToGrid(screen);
  const RECT& area = band ? layout.band_panel : layout.header_panel;
  const RECT keep{layout.grid_left, area.top, layout.grid_right, area.bottom};
  framework::TCursor cursor = PtInRect(&keep, client) ? Cursor() : crTreeListDelete;
  GetDragCursor(screen, cursor);
  bool accept = cursor != crTreeListDelete;
  if (band) {
    OnDragOverBand(this, interaction_->dragged_band, client, accept);
  } else {
    OnDragOverHeader(this, interaction_->dragged_column, client, accept);
  }
  cursor = accept ? Cursor() : crTreeListDelete;
  if (interaction_->drag_picture.Cursor() != cursor) {
    const bool visible = interaction_->drag_picture.Visible();
    interaction_->drag_picture.ShowImage(false);
    interaction_->drag_picture.SetCursor(cursor);
    interaction_->drag_picture.ShowImage(visible);
  }
  ::SetCursor(framework::Screen().CursorHandle(cursor));

  // The delete cursor stands beside the picture: the picture moves right to keep it visible.
  const int offset = cursor == crTreeListDelete ? kDeleteCursorOffset : 0;
  const SIZE size = interaction_->drag_picture.Size();
  const POINT hot_spot{(size.cx - offset) / 2, size.cy / 2};
  if (!interaction_->drag_picture.Dragging() ||
      !SamePoint(interaction_->drag_picture.HotSpot(), hot_spot)) {
    interaction_->drag_picture.Begin(screen, hot_spot);
    if (interaction_->overlay_lock > 0) interaction_->drag_picture.ShowImage(false);
  } else {
    interaction_->drag_picture.Move(screen);
  }

  if (IsOverCustomizing(screen)) return;
  const int left = IsRectEmpty(&layout.left_fixed) ? area.left : layout.left_fixed.right;
  const int right = IsRectEmpty(&layout.right_fixed) ? area.right : layout.right_fixed.left;
  StartDragScroll(treelist::DragScrollDirection(client.x, left, right));
}

void TCustomdxTreeList::DrawArrows() {
  const RECT rect{interaction_->arrow_point.x, interaction_->arrow_point.y,
                  interaction_->arrow_point.x + DropArrows::kWidth,
                  interaction_->arrow_point.y + interaction_->arrow_height};
  const RECT picture = interaction_->drag_picture.ScreenRect();
  RECT overlap;
  const bool hide_picture = interaction_->drag_picture.Visible() &&
                            (IntersectRect(&overlap, &picture, &rect) ||
                             (interaction_->arrows.Shown() &&
                              IntersectRect(&overlap, &picture, &interaction_->arrows.Rect())));
  if (hide_picture) interaction_->drag_picture.ShowImage(false);
  // The old arrows go from where they were, whatever the new place is.
  interaction_->arrows.Hide();
  if (!SamePoint(interaction_->arrow_point, kNoArrows) && interaction_->overlay_lock == 0) {
    interaction_->arrows.Show(rect, framework::ColorToRGB(GetColor(TreeListColor::Arrows)));
  }
  if (hide_picture) interaction_->drag_picture.ShowImage(true);
}

void TCustomdxTreeList::GetDragCursor(POINT screen, framework::TCursor& cursor) {
  const bool header = interaction_->ColumnDragging();
  if (IsOverCustomizing(screen)) {
    const Layout layout = GetLayout();
    // The last shown column stays: a grid without columns could not get one back.
    const bool only_column = header && layout.headers.size() == 1 &&
                             layout.HeaderOf(interaction_->dragged_column) != nullptr;
    cursor = only_column ? crTreeListDelete : crDragCursor;
    if (header && IsHeaderHideForbidden(interaction_->dragged_column)) cursor = crTreeListDelete;
  }
  if (header && GetHeaderModel().bands.empty()) cursor = crTreeListDelete;
}

void TCustomdxTreeList::KillDragScroll() {
  if (drag_scroll_direction_ != 0) StopTimer(kDragScrollTimer);
  if (drag_row_scroll_direction_ != 0) StopTimer(kDragRowScrollTimer);
  drag_scroll_direction_ = drag_row_scroll_direction_ = 0;
}

void TCustomdxTreeList::DragScrollTimerElapsed() {
  if (drag_scroll_direction_ == 0) {
    StopTimer(kDragScrollTimer);
  } else {
    DragScrollTick(drag_scroll_direction_);
  }
}

void TCustomdxTreeList::StartDragScroll(int direction) {
  if (direction == 0 || !HandleAllocated()) return;
  drag_scroll_direction_ = direction;
  StartTimer(kDragScrollTimer, kDragScrollInterval);
}

// ---- drop places ----------------------------------------------------------------------------

HeaderDropPosition TCustomdxTreeList::GetDropPosition(POINT screen, TDropMode mode) {
  if (mode == TDropMode::dmHeader) return HeaderDropPlace(screen);
  HeaderDropPosition place;
  place.band = BandDropPlace(screen);
  return place;
}

int TCustomdxTreeList::BandDropPlace(POINT screen) {
  interaction_->arrow_point = kNoArrows;
  if (IsOverCustomizing(screen)) return -1;
  const BandDrop drop = treelist::BandDropPlace(GetLayout(), GetHeaderModel(), ScreenToGrid(screen),
                                                interaction_->dragged_band_pos);
  if (drop.arrows) interaction_->arrow_point = GridToScreen(drop.tip);
  return drop.band;
}

HeaderDropPosition TCustomdxTreeList::HeaderDropPlace(POINT screen) {
  interaction_->arrow_point = kNoArrows;
  if (IsOverCustomizing(screen)) return {};
  const HeaderDrop drop = treelist::HeaderDropPlace(
      GetLayout(), GetHeaderModel(), ScreenToGrid(screen), interaction_->dragged_column);
  if (drop.arrows) interaction_->arrow_point = GridToScreen(drop.tip);
  return drop.place;
}

// ---- the drop -------------------------------------------------------------------------------

void TCustomdxTreeList::EndBandDrag(bool accept) {
  const int band = interaction_->dragged_band, old_position = interaction_->dragged_band_pos;
  const POINT screen = seams_.cursor_pos();
  const bool drop = accept && band >= 0;
  int position =
      drop && !IsOverCustomizing(screen) ? GetDropPosition(screen, TDropMode::dmBand).band : -1;
  SetState(tsNone);
  interaction_->dragged_band = interaction_->dragged_band_pos = interaction_->pressed_band = -1;
  RepaintAtOnce(GetLayout().band_panel);
  RepaintCustomizing();
  if (!drop) return;
  bool accepted = true;
  DoDragEndBand(band, screen, old_position, position, accepted);
  if (!accepted) return;
  if (old_position == -1) {
    if (IsCustomizingBands() && position >= 0) ShowBand(band, position);
  } else if (position >= 0 && position != old_position) {
    MoveBand(old_position, position);
    MakeBandVisible(position);
  } else if ((IsCustomizingBands() || (options_ & aoExtCustomizing)) && position == -1 &&
             !IsBandHideForbidden(band)) {
    HideBand(band);
  }
}

void TCustomdxTreeList::EndHeaderDrag(bool accept) {
  const int column = interaction_->dragged_column, old_position = interaction_->dragged_header_pos;
  const POINT screen = seams_.cursor_pos();
  const bool drop = accept && column >= 0;
  HeaderDropPosition position;
  if (drop && !IsOverCustomizing(screen)) position = GetDropPosition(screen, TDropMode::dmHeader);
  SetState(tsNone);
  interaction_->dragged_column = interaction_->dragged_header_pos = -1;
  interaction_->pressed_column = -1;
  const Layout layout = GetLayout();
  RepaintAtOnce(layout.header_panel);
  RepaintCustomizing();
  if (!drop) return;
  bool accepted = true;
  DoDragEndHeader(column, screen, old_position, position, accepted);
  if (!accepted) return;
  const bool visible = old_position >= 0;
  const bool customizing = IsCustomizingHeaders() || (options_ & aoExtCustomizing);
  if (visible && position.band >= 0) {
    MoveHeader(column, position);
    MakeColumnVisible(column);
  } else if (!visible && position.band >= 0 && IsCustomizingHeaders()) {
    ShowHeaderColumn(column, position);
  } else if (visible && position.band == -1 && customizing && !IsHeaderHideForbidden(column) &&
             layout.headers.size() > 1) {
    // The last visible column stays: a grid without columns could not get one back.
    HideHeader(column);
  }
}

void TCustomdxTreeList::MakeBandVisible(int band) {
  const Layout layout = GetLayout();
  for (const LayoutBand& b : layout.bands) {
    if (b.index == band) ScrollIntoView(b.left, b.right);
  }
}

void TCustomdxTreeList::ScrollIntoView(int left, int right) {
  const Layout layout = GetLayout();
  if (left < layout.scroll.left) {
    SetLeftCoord(left_coord_ - (layout.scroll.left - left));
  } else if (right > layout.scroll.right) {
    // The left stays in view when the span is wider than the area.
    SetLeftCoord(left_coord_ + std::min(right - layout.scroll.right, left - layout.scroll.left));
  }
}

// ---- drag pictures --------------------------------------------------------------------------

BandSpec TCustomdxTreeList::CustomizingBandSpec(int) const {
  return {};  // a grid without a band collection has no hidden band to bring back
}

void TCustomdxTreeList::MakeBandDragImage(int band) {
  const HeaderModel& model = GetHeaderModel();
  // A band from the customizing form is hidden: its own width, its absolute index.
  const bool from_form = interaction_->dragged_band_pos < 0;
  if (!from_form && (band < 0 || band >= static_cast<int>(model.bands.size()))) return;
  const BandSpec spec = from_form ? CustomizingBandSpec(band) : model.bands[band];
  int width = spec.width;
  if (!from_form) {
    const Layout layout = GetLayout();
    if (band < static_cast<int>(layout.band_widths.size())) width = layout.band_widths[band];
    if (band == 0) width += model.first_band_offset;
  }
  width = std::clamp(width, 1, GetSystemMetrics(SM_CXSCREEN));
  const int height =
      std::max(metrics_.band_panel_height,
               BandPanelRowBottom(model.band_row_count, metrics_.band_line_height, metrics_.flat));
  const SIZE size{width, height};
  win::UniqueBitmap picture = DrawPicture(size, [&](HDC dc) {
    DrawHeaderCell(dc, {0, 0, width, height}, BandCaption(model, spec), band_font_.Handle(), look_,
                   framework::ColorToRGB(GetColor(TreeListColor::Band)),
                   GetSysColor(COLOR_BTNTEXT));
  });
  if (picture) interaction_->drag_picture.Add(picture.get(), size, CLR_NONE);
}

void TCustomdxTreeList::MakeHeaderDragImage(int column) {
  const HeaderModel& model = GetHeaderModel();
  if (column < 0 || column >= static_cast<int>(model.columns.size())) return;
  const Layout layout = GetLayout();
  const LayoutHeaderCell* cell = layout.HeaderOf(column);
  int width = cell ? cell->right - cell->left : model.columns[column].width;
  if (width < 1) width = 20;
  // Never narrower than the cursor drawn over it, never wider than the screen.
  width = std::max(width, GetSystemMetrics(SM_CXCURSOR));
  width = std::min(width, GetSystemMetrics(SM_CXSCREEN));
  const int height = metrics_.header_line_height;
  const SIZE size{width, height};
  win::UniqueBitmap picture = DrawPicture(size, [&](HDC dc) {
    DrawHeaderCell(
        dc, {0, 0, width, height}, ColumnCaption(model.columns[column]), header_font_.Handle(),
        look_, framework::ColorToRGB(GetColor(TreeListColor::Header)), GetSysColor(COLOR_BTNTEXT));
  });
  if (picture) interaction_->drag_picture.Add(picture.get(), size, CLR_NONE);
}

void TCustomdxTreeList::MakeNodeDragImage(TdxTreeListNode* node, int column) {
  if (!node) return;
  if (column < 0) column = 0;
  const std::wstring text = GetNodeDragText(node, column);
  SIZE text_size{GetRowHeight(node, metrics_.default_row_height, false), 16};
  {
    const win::WindowDC screen(nullptr);
    editors::SelectScope font(screen.get(), Font().Handle());
    RECT box{0, 0, 0, 0};
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &box,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    if (!GetHeaderModel().columns.empty()) text_size = {box.right, box.bottom};
  }
  const bool state_image = state_images_ && node->StateIndex() >= 0;
  const int image_index = images_ ? node->ImageIndex() : -1;
  const int images_width =
      (state_image ? state_images_->Width() : 0) + (image_index >= 0 ? images_->Width() : 0);
  const int image_height =
      std::max(state_image ? state_images_->Height() : 0, image_index >= 0 ? images_->Height() : 0);
  const SIZE size{images_width + text_size.cx + 26, std::max<int>(text_size.cy, image_height) + 6};
  const COLORREF back = framework::ColorToRGB(Color());
  win::UniqueBitmap picture = DrawPicture(size, [&](HDC dc) {
    RECT all{0, 0, size.cx, size.cy};
    SetBkColor(dc, back);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    int x = 2;
    if (state_image) {
      ImageList_Draw(state_images_->Handle(), node->StateIndex(), dc, x,
                     (size.cy - state_images_->Height()) / 2, ILD_NORMAL);
      x += state_images_->Width();
    }
    if (image_index >= 0) {
      ImageList_Draw(images_->Handle(), image_index, dc, x, (size.cy - images_->Height()) / 2,
                     ILD_TRANSPARENT);
    }
    RECT frame{images_width + 18, 0, size.cx, size.cy};
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    for (int i = 0; i < 3; ++i) {
      DrawDottedFrame(dc, frame);
      InflateRect(&frame, -1, -1);
    }
    RECT box{images_width + 22, 3, size.cx - 3, size.cy - 3};
    editors::SelectScope font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_EXPANDTABS | DT_NOPREFIX | DT_END_ELLIPSIS);
  });
  if (picture) interaction_->drag_picture.Add(picture.get(), size, back);
}

// ---- node dragging --------------------------------------------------------------------------

void TCustomdxTreeList::BeginNodeDrag() {
  if (interaction_->Editing()) CloseEditor();
  StopTimer(kDelayedEditTimer);  // no editor opens under a drag
  TdxTreeListNode* node = pressed_node_;
  if (!node) {
    const POINT client = ScreenToGrid(seams_.cursor_pos());
    node = GetNodeAt(client.x, client.y);
  }
  if (!node) return;
  drag_node_ = node;
  node_drop_accepted_ = false;
  DoBeginDragNode(node);
  OnStartDrag(this);
  interaction_->drag_picture.Release();
  MakeNodeDragImage(node, focused_column_);
  SetState(tsNodeDragging);
  const SIZE size = interaction_->drag_picture.Size();
  interaction_->drag_picture.Begin(seams_.cursor_pos(), {size.cx / 2, size.cy / 2});
}

void TCustomdxTreeList::EndNodeDrag(bool drop) {
  const POINT at = ScreenToGrid(seams_.cursor_pos());
  const bool dropped = drop && node_drop_accepted_;
  drag_node_ = drag_over_node_ = drop_target_ = nullptr;
  node_drop_accepted_ = false;
  if (expand_timer_) StopTimer(kExpandTimer);
  expand_timer_ = 0;
  interaction_->drag_picture.ShowImage(false);
  if (focused_node_) RepaintNode(focused_node_, false);
  SetState(tsNone);
  // The grid is idle again before the handlers run: a drop handler may move the nodes.
  if (dropped) OnDragDrop(this, this, at.x, at.y);
  OnEndDrag(this, dropped ? this : nullptr, at.x, at.y);
}

void TCustomdxTreeList::DragOverNodeAt(POINT client) {
  bool accept = static_cast<bool>(OnDragOver);
  OnDragOver(this, this, client.x, client.y, accept);
  node_drop_accepted_ = accept;
  KillDragScroll();
  const THitInfo hit = HitTest(client);
  if ((options_ex_ & aoDragExpand) && hit.node) {
    StartExpandTimer(hit.node, static_cast<int>(WaitForExpandNodeTime));
  }
  if (options_ex_ & aoDragScroll) {
    const Layout layout = GetLayout();
    StartDragScroll(
        treelist::DragScrollDirection(client.x, layout.scroll.left, layout.scroll.right));
  }
  TdxTreeListNode* node = hit.node;
  if (!node) return;
  if (node == focused_node_) {
    if (!IsRowSelect() && (options_ex_ & aoDragScroll) && hit.column >= 0 &&
        hit.column != focused_column_) {
      SetFocusedCell(node, hit.column, false);
    }
  } else {
    SetFocusedCell(node, hit.column >= 0 ? hit.column : focused_column_, true);
  }
  int direction = 0;
  if (node == top_node_ && GetPrevVisible(node)) {
    direction = -1;
  } else if (GetAbsoluteIndex(node) >= TopIndex() + FullyVisibleRowCount() - 1 &&
             GetNextVisible(node)) {
    direction = 1;
  }
  if (direction != 0 && HandleAllocated()) {
    drag_row_scroll_direction_ = direction;
    StartTimer(kDragRowScrollTimer, kDragScrollInterval);
  }
}

void TCustomdxTreeList::DragRowScrollTick() {
  const bool over_grid = WindowFromPoint(seams_.cursor_pos()) == hwnd_;
  if (!interaction_->NodeDragging() || drag_row_scroll_direction_ == 0 || !over_grid) {
    StopTimer(kDragRowScrollTimer);
    drag_row_scroll_direction_ = 0;
    return;
  }
  MoveFocusBy(drag_row_scroll_direction_, 0);
}

}  // namespace treelist
