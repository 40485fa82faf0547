// The grid's interaction states and sizing: the one state the mouse handlers set, the common
// end of every interaction, the messages rerouted while one runs, the overlay lock, and sizing
// bands, columns, the band and header panels and rows with the mouse.
#include <windowsx.h>

#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/screen.h"
#include "treelist/sizing.h"
#include "treelist/tree_list.h"

namespace treelist {
namespace {

constexpr int kDragThreshold = 5;  // pixels the mouse moves before a drag starts

// States whose end changes what the layout shows.
bool EndChangesLayout(TdxTreeListState state) {
  return IsSizingState(state) || state == tsColumnDragging || state == tsColumnDown ||
         state == tsBandDragging;
}

// A sizing range whose maximum fell below its minimum holds at the minimum.
SizingRange Range(int min, int max, int origin) { return {min, std::max(min, max), origin}; }

// The first-band offset is carried by the first column of band 0's first row.
int OffsetShare(const HeaderModel& model, int band, int row, int position) {
  return band == 0 && row == 0 && position == 0 ? model.first_band_offset : 0;
}

}  // namespace

// ---- states ---------------------------------------------------------------------------------

void TCustomdxTreeList::SetState(TdxTreeListState value) {
  const TdxTreeListState old = state_;
  if (old == value) return;
  // Nothing drawn for the old state may stay on the screen.
  if (sizing_line_shown_) DrawSizingLine();
  state_ = value;
  if (value == tsEditing && searching_) EndSearch();
  if (value == tsNone || value == tsEditing) {
    arrows_.Hide();
    drag_picture_.Release();
    KillDragScroll();
    if (HandleAllocated() && GetCapture() == hwnd_) ReleaseCapture();
  } else if (HandleAllocated() && GetCapture() != hwnd_) {
    // Moves outside the window belong to the interaction too.
    SetCapture(hwnd_);
  }
  if (value == tsNone && EndChangesLayout(old)) LayoutChanged();
}

void TCustomdxTreeList::RepaintAtOnce(const RECT& rect) {
  if (!HandleAllocated()) return;
  InvalidateRect(hwnd_, &rect, FALSE);  // an empty rectangle adds nothing
  UpdateWindow(hwnd_);
}

void TCustomdxTreeList::EndInteraction() {
  const Layout layout = GetLayout();
  switch (state_) {
    case tsColumnSizing:
    case tsBandSizing:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      SetState(tsNone);
      ::SetCursor(framework::Screen().CursorHandle(Cursor()));
      break;
    case tsBandDown:
    case tsBandButtonDown:
      SetState(tsNone);
      pressed_band_ = -1;
      RepaintAtOnce(layout.band_panel);
      break;
    case tsBandDragging: EndBandDrag(false); break;
    case tsColumnDragging: EndHeaderDrag(false); break;
    case tsColumnButtonDown:
    case tsColumnDown:
    case tsHeaderButtonDown:
      SetState(tsNone);
      SetPressedButtonColumn(-1, false);
      pressed_column_ = -1;
      RepaintAtOnce(layout.header_panel);
      break;
    case tsIndicatorButtonDown:
      SetState(tsNone);
      RepaintAtOnce(layout.indicator_corner);
      break;
    case tsNodeDragging: EndNodeDrag(); break;
    case tsNodeDown:
      SetState(tsNone);
      pressed_node_ = nullptr;
      break;
    case tsNone:
    case tsEditing: break;
  }
  CancelHints();
}

void TCustomdxTreeList::CancelHints() {
  HideHeaderHint();  // kills timers 110 and 111 with the hint
  HideCellTooltip();
}

// ---- messages while an interaction runs ----------------------------------------------------

bool TCustomdxTreeList::DragOwnsMouseMove() {
  // A drag's moves are its own: they never reach the mouse-move handlers.
  if (state_ != tsBandDragging && state_ != tsColumnDragging) return false;
  DragItemMove(state_ == tsBandDragging);
  return true;
}

bool TCustomdxTreeList::InteractionKeyDown(WORD key) {
  if (state_ == tsNodeDragging && drag_mode_ == TDragMode::dmAutomatic) {
    if (key == VK_ESCAPE) {
      EndNodeDrag();
    } else if (key == VK_ADD || key == VK_SUBTRACT) {
      const POINT client = ScreenToGrid(seams_.cursor_pos());
      TdxTreeListNode* node = GetNodeAt(client.x, client.y);
      if (node && node->HasChildren()) node->SetExpanded(key == VK_ADD);
    }
    return false;  // the key still goes on
  }
  if (key != VK_ESCAPE || state_ == tsNone || state_ == tsEditing) return false;
  EndInteraction();
  return true;
}

void TCustomdxTreeList::CaptureChanged(HWND to) {
  // Another window took the mouse: what ran here ends.
  if (state_ != tsNone && state_ != tsEditing && to != hwnd_) EndInteraction();
}

// ---- the overlay lock -----------------------------------------------------------------------

void TCustomdxTreeList::BeginOverlayLock() {
  if (overlay_lock_++ == 0) ShowOverlays(false);
}

void TCustomdxTreeList::EndOverlayLock() {
  if (overlay_lock_ == 0) return;
  if (--overlay_lock_ == 0) ShowOverlays(true);
}

void TCustomdxTreeList::ShowOverlays(bool show) {
  const bool dragging = state_ == tsBandDragging || state_ == tsColumnDragging;
  if (show) {
    if (IsSizingState(state_) && !sizing_line_shown_) DrawSizingLine();
    if (dragging) DrawArrows();
    drag_picture_.ShowImage(true);
  } else {
    if (sizing_line_shown_) DrawSizingLine();
    arrows_.Hide();
    drag_picture_.ShowImage(false);
  }
}

// ---- the sizing line ------------------------------------------------------------------------

void TCustomdxTreeList::DrawSizingLine() {
  sizing_line_shown_ = !sizing_line_shown_;
  if (!HandleAllocated()) return;
  const Layout layout = GetLayout();
  const win::WindowDC dc(hwnd_);
  if (!dc.get()) return;
  const int old_rop = SetROP2(dc.get(), R2_NOTXORPEN);
  editors::SelectScope pen(dc.get(), GetStockObject(BLACK_PEN));
  // Drawn twice, each line puts back what was under it.
  auto line = [&](int x1, int y1, int x2, int y2) {
    MoveToEx(dc.get(), x1, y1, nullptr);
    LineTo(dc.get(), x2, y2);
  };
  const int lines = state_ == tsColumnSizing || state_ == tsRowSizing ? 1 : 2;
  for (int i = 0; i < lines; ++i) {
    if (IsWidthSizing(state_)) {
      line(sizing_pos_ + i, layout.band_panel.top, sizing_pos_ + i, layout.data.bottom);
    } else {
      const RECT client = ClientRect();
      line(client.left, sizing_pos_ + i, client.right, sizing_pos_ + i);
    }
  }
  SetROP2(dc.get(), old_rop);
}

void TCustomdxTreeList::PlaceSizingLine(int pos) {
  if (sizing_line_shown_) DrawSizingLine();
  sizing_pos_ = pos;
  if (overlay_lock_ == 0) DrawSizingLine();
}

void TCustomdxTreeList::StartSizing(TdxTreeListState state, int pos) {
  sizing_band_ = hit_.band;
  sizing_column_ = hit_.column;
  sizing_grab_ = 0;
  if (IsWidthSizing(state)) {
    // The line starts on the edge's last pixel (a band's edge is two wide), wherever in the
    // edge zone the mouse took it, and follows the mouse from there.
    const Layout layout = GetLayout();
    const LayoutHeaderCell* cell = layout.HeaderOf(hit_.column);
    const int edge = state == tsColumnSizing ? (cell ? cell->right - 1 : pos)
                     : hit_.band >= 0 && hit_.band < static_cast<int>(layout.bands.size())
                         ? layout.bands[hit_.band].right - 2
                         : pos;
    sizing_grab_ = pos - edge;
    pos = edge;
  } else if (state == tsRowSizing) {  // pressed_node_ is the row the edge belongs to
    // A row's line starts at its bottom: the height the row has.
    const int edge = NodeRowRect(pressed_node_).bottom;
    sizing_grab_ = pos - edge;
    pos = edge;
  }
  sizing_start_ = sizing_pos_ = pos;
  SetState(state);
  if (overlay_lock_ == 0) DrawSizingLine();
}

// ---- mouse ----------------------------------------------------------------------------------

void TCustomdxTreeList::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  TreeListBase::MouseDown(button, shift, x, y);
  if (button != framework::TMouseButton::mbLeft) return;
  const bool idle = state_ == tsNone;
  if (state_ == tsEditing) {
    CloseEditor();
  } else if (state_ != tsNone) {
    EndInteraction();
  }
  if (HandleAllocated() && CanFocus() && !Focused()) SetFocus();
  hit_ = HitTest({x, y});
  down_point_ = {x, y};
  const bool double_click = shift & framework::ssDouble;
  StartInteractionAt(x, y, double_click);  // the headers, bands and edges
  switch (hit_.kind) {
    case htButton: hit_.node->SetExpanded(!hit_.node->Expanded()); break;
    case htIndent:
    case htIcon:
    case htStateIcon:
    case htLabel:
    case htRight:
    case htIndicator: {
      TdxTreeListNode* node = hit_.node;
      if (double_click && hit_.kind != htRight) {
        node->SetExpanded(!node->Expanded());
        break;
      }
      SetNewItemRowFocused(false);
      const bool multi = IsMultiSelect();
      const bool ctrl = multi && (shift & framework::ssCtrl);
      const int column = hit_.column >= 0 ? hit_.column : focused_column_;
      if ((shift & framework::ssShift) && multi) {
        SelectRangeTo(node, ctrl);  // Ctrl+Shift adds the range to what is selected
      } else if (ctrl) {
        // Ctrl+click takes the row in or out of the selection; the others stay.
        selection_anchor_ = node;
        SetNodeSelected(node, !node->Selected());
        SetFocusedCell(node, column, true);
      } else {
        // A click on the focused cell opens its editor once no second click follows; with
        // aoImmediateEditor a click on another cell opens it at once.
        const bool on_focused_cell =
            idle && hit_.kind == htLabel && node == focused_node_ && hit_.column == focused_column_;
        selection_anchor_ = node;
        ClearSelection();
        SetNodeSelected(node, true);
        SetFocusedCell(node, column, true);
        if (hit_.kind == htLabel && ClickActsOnValue(node, hit_.column, {x, y})) return;
        if (on_focused_cell) {
          StartDelayedEdit();
        } else if (hit_.kind == htLabel && !double_click && IsImmediateEditor(hit_.column)) {
          ShowEditor();
          if (state_ == tsEditing) return;
        }
      }
      pressed_node_ = node;
      SetState(tsNodeDown);
      break;
    }
    case htNowhere: ClickNewItemRow({x, y}); break;
    default: break;
  }
}

void TCustomdxTreeList::ClickNewItemRow(POINT point) {
  const Layout layout = GetLayout();
  if (!PtInRect(&layout.new_item_row, point) || !IsNewItemRowShown()) return;
  for (const LayoutHeaderCell& header : layout.headers) {
    if (point.x >= header.left && point.x < header.right) {
      SetFocusedColumn(header.column);
      break;
    }
  }
  SetNewItemRowFocused(true);
}

void TCustomdxTreeList::MouseMove(unsigned shift, int x, int y) {
  TreeListBase::MouseMove(shift, x, y);
  InteractionMouseMove(x, y);
  HotTrackMouseMove({x, y});
}

void TCustomdxTreeList::MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) {
  TreeListBase::MouseUp(button, shift, x, y);
  if (button != framework::TMouseButton::mbLeft) return;
  InteractionMouseUp(shift, {x, y});
  pressed_node_ = nullptr;
  if (state_ != tsEditing) {
    SetState(tsNone);
  } else if (GetCapture() == hwnd_) {
    ReleaseCapture();  // held since a click acted on the value
  }
}

bool TCustomdxTreeList::ClickActsOnValue(TdxTreeListNode* node, int column, POINT point) {
  if (column < 0) return false;
  if (!EditorHitInCell(node, column, point) && !HasEditButtonAt(node, column, point)) return false;
  ShowEditor();
  if (state_ != tsEditing || !editor_ || !editor_->HandleAllocated()) return false;
  POINT at = point;
  MapWindowPoints(hwnd_, editor_->Handle(), &at, 1);
  editor_->ProcessClick(at);
  // The release belongs to this click: over the editor it would act a second time. A popup the
  // click opened keeps the mouse it took.
  if (!GetCapture()) SetCapture(hwnd_);
  return true;
}

void TCustomdxTreeList::StartInteractionAt(int x, int y, bool double_click) {
  switch (hit_.kind) {
    case htColumnEdge:
      if (double_click) {
        DoBestFitColumn(hit_.column);
      } else if (CanSizeColumn(hit_.column)) {
        StartSizing(tsColumnSizing, x);
      }
      break;
    case htBandEdge:
      if (double_click) {
        DoBestFitBand(hit_.band);
      } else if ((options_ex_ & aoBandSizing) && IsBandSizeable(hit_.band)) {
        StartSizing(tsBandSizing, x);
      }
      break;
    case htBandPanelEdge:
      if (options_ex_ & aoBandPanelSizing) StartSizing(tsBandPanelSizing, y);
      break;
    case htHeaderPanelEdge:
      if (options_ex_ & aoHeaderPanelSizing) StartSizing(tsHeaderPanelSizing, y);
      break;
    case htRowEdge:
      if (options_ex_ & aoRowSizing) {
        pressed_node_ = hit_.node;
        StartSizing(tsRowSizing, y);
      }
      break;
    case htColumn:
      pressed_column_ = hit_.column;
      if (hit_.part == 2) SetPressedButtonColumn(hit_.column, true);
      SetState(hit_.part == 2 ? tsColumnButtonDown : tsColumnDown);
      break;
    case htBand:
      pressed_band_ = hit_.band;
      SetState(tsBandDown);
      break;
    case htHeaderButton: {
      const TdxTreeListState corner = CornerStateAt({x, y});
      if (corner == tsNone) break;
      SetState(corner);
      RepaintAtOnce(GetLayout().indicator_corner);
      break;
    }
    default: break;
  }
}

void TCustomdxTreeList::InteractionMouseMove(int x, int y) {
  if (IsSizingState(state_)) {
    MoveSizingLine(x, y);
    return;
  }
  if (state_ == tsNodeDragging) {
    drag_picture_.Move(seams_.cursor_pos());
    DragOverNodeAt({x, y});
    return;
  }
  if (std::abs(x - down_point_.x) <= kDragThreshold &&
      std::abs(y - down_point_.y) <= kDragThreshold) {
    return;
  }
  if (state_ == tsColumnDown && IsColumnMovingAllowed() && CanHeaderDragging(pressed_column_)) {
    StartHeaderOrBandDrag();
  } else if (state_ == tsBandDown && IsBandMovingAllowed() && CanBandDragging(pressed_band_)) {
    StartHeaderOrBandDrag();
  } else if (state_ == tsNodeDown && drag_mode_ == TDragMode::dmAutomatic) {
    BeginNodeDrag();
    if (state_ == tsNodeDragging) DragOverNodeAt({x, y});
  }
}

void TCustomdxTreeList::InteractionMouseUp(unsigned shift, POINT point) {
  const TdxTreeListState state = state_;
  switch (state) {
    case tsBandDragging: EndBandDrag(true); break;
    case tsColumnDragging: EndHeaderDrag(true); break;
    case tsNodeDragging: EndNodeDrag(true); break;
    case tsColumnDown:
    case tsColumnButtonDown: {
      const int column = pressed_column_;
      SetPressedButtonColumn(-1, false);
      pressed_column_ = -1;
      SetState(tsNone);  // the hooks see an idle grid: a sort lays it out again
      const THitInfo up = HitTest(point);
      if (up.kind != htColumn || up.column != column) break;
      if (state == tsColumnDown) {
        RaiseColumnClick(column, shift);
      } else if (up.part == 2) {
        DoColumnButtonClick(column);
      }
      break;
    }
    case tsHeaderButtonDown:
    case tsBandButtonDown:
    case tsIndicatorButtonDown:
      SetState(tsNone);
      RepaintAtOnce(GetLayout().indicator_corner);
      if (!OnCornerPart(state, point)) break;
      if (state == tsHeaderButtonDown) DoHeaderButtonClick();
      if (state == tsBandButtonDown) DoBandButtonClick();
      break;
    case tsBandDown: {
      const int band = pressed_band_;
      pressed_band_ = -1;
      SetState(tsNone);
      const THitInfo up = HitTest(point);
      if (up.kind == htBand && up.band == band) DoBandClick(band);
      break;
    }
    default:
      if (IsSizingState(state)) ApplySizing();
      break;
  }
}

TdxTreeListState TCustomdxTreeList::CornerStateAt(POINT point) {
  const RECT glyph = HeaderButtonRect();
  if (PtInRect(&glyph, point)) return tsIndicatorButtonDown;
  const Layout layout = GetLayout();
  const RECT& corner = layout.indicator_corner;
  if (!PtInRect(&corner, point)) return tsNone;
  if (point.y < layout.band_panel.bottom) {
    return (options_ex_ & aoBandButtonClicking) ? tsBandButtonDown : tsNone;
  }
  return (options_ex_ & aoHeaderButtonClicking) ? tsHeaderButtonDown : tsNone;
}

bool TCustomdxTreeList::OnCornerPart(TdxTreeListState state, POINT point) {
  return HitTest(point).kind == htHeaderButton && CornerStateAt(point) == state;
}

void TCustomdxTreeList::RaiseColumnClick(int column, unsigned shift) {
  click_adds_to_sort_ = IsMultiSort() && (shift & framework::ssShift);
  click_clears_sort_ = shift & framework::ssCtrl;
  struct ResetFlags {
    TCustomdxTreeList& grid;
    ~ResetFlags() { grid.click_adds_to_sort_ = grid.click_clears_sort_ = false; }
  } reset{*this};
  DoColumnClick(column);
}

void TCustomdxTreeList::MoveSizingLine(int x, int y) {
  int pos = sizing_pos_;
  switch (state_) {
    case tsColumnSizing: {
      const SizingRange range = GetColumnSizingRange(sizing_column_, x);
      pos = std::clamp(x - sizing_grab_, range.min, range.max);
      break;
    }
    case tsBandSizing: {
      const SizingRange range = GetBandSizingRange(sizing_band_, x);
      pos = std::clamp(x - sizing_grab_, range.min, range.max);
      break;
    }
    case tsBandPanelSizing: pos = GetBandPanelSizingPos(y); break;
    case tsHeaderPanelSizing: pos = GetHeaderPanelSizingPos(y); break;
    case tsRowSizing: {
      if (!pressed_node_) return;
      const SizingRange range = GetRowSizingRange(pressed_node_, y);
      pos = std::clamp(y - sizing_grab_, range.min, range.max);
      break;
    }
    default: return;
  }
  if (pos != sizing_pos_) PlaceSizingLine(pos);
}

void TCustomdxTreeList::ApplySizing() {
  const TdxTreeListState state = state_;
  if (sizing_line_shown_) DrawSizingLine();
  const int start = sizing_start_;
  int pos = sizing_pos_;
  switch (state) {
    case tsBandSizing: {
      const SizingRange range = GetBandSizingRange(sizing_band_, pos);
      pos = std::clamp(pos, range.min, range.max);
      if (pos == start) break;
      if (IsAutoWidth()) {
        ResizeBandAutoWidth(sizing_band_, pos - range.origin + 2);
      } else {
        ResizeBandColumns(sizing_band_, pos - range.origin + 2);
      }
      DoColumnsWidthChanged();
      break;
    }
    case tsColumnSizing: {
      const SizingRange range = GetColumnSizingRange(sizing_column_, pos);
      pos = std::clamp(pos, range.min, range.max);
      if (pos == start) break;
      const HeaderModel& model = GetHeaderModel();
      const Layout layout = GetLayout();  // the cell below points into it
      const LayoutHeaderCell* cell = layout.HeaderOf(sizing_column_);
      if (!cell) break;
      const int band = cell->band;
      const int width = pos - range.origin + 1;
      if (model.band_widths_follow_columns && !IsAutoWidth() && model.bands[band].rows.size() < 2) {
        ResizeColumnSingleRow(*cell, width);
      } else {
        ResizeColumnInRow(*cell, width);
      }
      DoColumnsWidthChanged();
      break;
    }
    case tsBandPanelSizing: SetBandRowCount(CalcBandPanelRowCount(pos)); break;
    case tsHeaderPanelSizing: SetHeaderPanelRowCount(CalcHeaderPanelRowCount(pos)); break;
    case tsRowSizing:
      if (pos != start && pressed_node_)
        SetDefaultRowHeight(CalcRowSizingHeight(pressed_node_, pos));
      break;
    default: break;
  }
}

// ---- sizing ranges --------------------------------------------------------------------------

SizingRange TCustomdxTreeList::GetBandSizingRange(int band,
                                                  int /*x: a band's range is the same anywhere*/) {
  const Layout layout = GetLayout();
  const HeaderModel& model = GetHeaderModel();
  const auto it = std::find_if(layout.bands.begin(), layout.bands.end(),
                               [&](const LayoutBand& b) { return b.index == band; });
  // A band gone while it was sized holds the line where it began: nothing applies.
  if (it == layout.bands.end()) return {sizing_start_, sizing_start_, sizing_start_};
  const int origin = it->left;
  const int min = origin + BandMinWidth(model, band) + (band == 0 ? model.first_band_offset : 0);
  const int max = IsBandFullSizing(band) ? kMaxSizingWidth : ClientWidth() - 2;
  return Range(min, max, origin);
}

SizingRange TCustomdxTreeList::GetColumnSizingRange(int column, int x) {
  const Layout layout = GetLayout();
  const HeaderModel& model = GetHeaderModel();
  const LayoutHeaderCell* cell = layout.HeaderOf(column);
  if (!cell) return {x, x, x};
  const int origin = cell->left;
  const int min = origin + model.columns[column].min_width +
                  OffsetShare(model, cell->band, cell->row, cell->position);
  int max;
  if (!IsAutoWidth() && IsColumnFullSizing(column)) {
    max = kMaxSizingWidth;
  } else if (model.band_widths_follow_columns && !show_bands_) {
    max = ClientWidth() - 1;
  } else {
    max = layout.bands[cell->band].right;
  }
  return Range(min, max, origin);
}

SizingRange TCustomdxTreeList::GetRowSizingRange(TdxTreeListNode* node, int y) {
  if (!node) return {y, y, y};
  const Layout layout = GetLayout();
  const int top = NodeRowRect(node).top;
  const int min = top + GetRowHeight(node, metrics_.row_height, true);
  const int max = (show_footer_ ? layout.footer.top : layout.rows.bottom) - 1;
  return Range(min, max, top);
}

int TCustomdxTreeList::GetBandPanelSizingPos(int y) {
  const Layout layout = GetLayout();
  if (IsRectEmpty(&layout.band_panel)) return sizing_pos_;
  const int rows = SnapBandPanelRows(y - layout.band_panel.top, metrics_.band_line_height,
                                     metrics_.flat, GetHeaderModel().max_band_rows);
  return layout.band_panel.top + BandPanelRowBottom(rows, metrics_.band_line_height, metrics_.flat);
}

int TCustomdxTreeList::GetHeaderPanelSizingPos(int y) {
  const Layout layout = GetLayout();
  if (IsRectEmpty(&layout.header_panel)) return sizing_pos_;
  const int line = metrics_.header_line_height;
  const int rows =
      HeaderPanelRowsAt(y - layout.header_panel.top, line, GetHeaderModel().max_header_panel_rows);
  return layout.header_panel.top + rows * line;
}

int TCustomdxTreeList::CalcBandPanelRowCount(int y) {
  return BandPanelRowsAbove(y - GetLayout().band_panel.top, metrics_.band_line_height,
                            metrics_.flat, GetHeaderModel().max_band_rows);
}

int TCustomdxTreeList::CalcHeaderPanelRowCount(int y) {
  return HeaderPanelRowsAt(y - GetLayout().header_panel.top, metrics_.header_line_height, 0);
}

int TCustomdxTreeList::CalcRowSizingHeight(TdxTreeListNode* node, int y) {
  const int room = y - NodeRowRect(node).top;
  int best = metrics_.row_height;
  // A row is never lower than its line height: the search ends within `room` steps.
  for (int h = best + 1; h <= room; ++h) {
    if (GetRowHeight(node, h, true) > room) break;
    best = h;
  }
  return best;
}

// ---- applying widths ------------------------------------------------------------------------

void TCustomdxTreeList::ResizeColumnInRow(const LayoutHeaderCell& header, int width) {
  const HeaderModel model = GetHeaderModel();
  const Layout layout = GetLayout();
  const int band = header.band, row = header.row, position = header.position;
  const std::vector<int>& cells = model.bands[band].rows[row];
  width -= OffsetShare(model, band, row, position);
  const int old_band_width = layout.band_widths[band];
  std::vector<int> widths;
  for (size_t p = 0; p < cells.size(); ++p) {
    widths.push_back(layout.column_widths[cells[p]] -
                     OffsetShare(model, band, row, static_cast<int>(p)));
  }
  const Redistribution result = RedistributeWidths(widths, position, width);
  Locked([&] {
    if (result.had > 0) ScaleHiddenColumns(band, result.taken, result.had);
    int row_total = 0;
    for (size_t p = 0; p < cells.size(); ++p) {
      SetColumnWidth(cells[p], result.widths[p]);
      row_total += result.widths[p];
    }
    if (!model.band_widths_follow_columns || old_band_width <= 0) return;
    // The band's other rows keep their proportions at the new width.
    for (size_t r = 0; r < model.bands[band].rows.size(); ++r) {
      if (static_cast<int>(r) == row) continue;
      for (int c : model.bands[band].rows[r]) {
        SetColumnWidth(c, MulDivRound(model.columns[c].width, row_total, old_band_width));
      }
    }
  });
}

void TCustomdxTreeList::ResizeColumnSingleRow(const LayoutHeaderCell& header, int width) {
  const HeaderModel model = GetHeaderModel();
  const Layout layout = GetLayout();
  const int band = header.band, column = header.column;
  const int old_band_width = layout.band_widths[band];
  const int new_band_width = old_band_width + (width - layout.column_widths[column]);
  Locked([&] {
    const auto& rows = model.bands[band].rows;
    for (size_t r = 0; r < rows.size(); ++r) {
      std::vector<int> widths;
      const bool own_row = std::find(rows[r].begin(), rows[r].end(), column) != rows[r].end();
      for (size_t p = 0; p < rows[r].size(); ++p) {
        const int c = rows[r][p];
        const int share = OffsetShare(model, band, static_cast<int>(r), static_cast<int>(p));
        const int shown = layout.column_widths[c] - share;
        if (c == column) {
          widths.push_back(width - share);
        } else if (own_row || old_band_width <= 0) {
          widths.push_back(shown);
        } else {
          widths.push_back(MulDivRound(shown, new_band_width, old_band_width));
        }
      }
      widths = FillRowTo(std::move(widths), new_band_width);
      for (size_t p = 0; p < rows[r].size(); ++p) SetColumnWidth(rows[r][p], widths[p]);
    }
  });
}

void TCustomdxTreeList::ResizeBandAutoWidth(int band, int width) {
  const HeaderModel model = GetHeaderModel();
  const Layout layout = GetLayout();
  if (band == 0) width -= model.first_band_offset;
  const Redistribution result = RedistributeWidths(layout.band_widths, band, width);
  Locked([&] {
    if (result.had > 0) ScaleHiddenBands(result.taken, result.had);
    int index = 0;
    for (const int width_of_band : result.widths) {
      if (model.band_widths_follow_columns) {
        ResizeBandColumnsFrom(model, layout, index,
                              width_of_band + (index == 0 ? model.first_band_offset : 0));
      } else {
        SetBandWidth(index, width_of_band);
      }
      ++index;
    }
  });
}

void TCustomdxTreeList::ResizeBandColumns(int band, int width) {
  ResizeBandColumnsFrom(GetHeaderModel(), GetLayout(), band, width);
}

void TCustomdxTreeList::ResizeBandColumnsFrom(const HeaderModel& model, const Layout& layout,
                                              int band, int width) {
  if (band == 0) width -= model.first_band_offset;
  const int old_width = layout.band_widths[band];
  // Copied first: the setters change the model the rows are read from.
  const std::vector<std::vector<int>> rows = model.bands[band].rows;
  Locked([&] {
    if (old_width > 0) {
      for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t p = 0; p < rows[r].size(); ++p) {
          const int c = rows[r][p];
          const int shown = layout.column_widths[c] -
                            OffsetShare(model, band, static_cast<int>(r), static_cast<int>(p));
          SetColumnWidth(c, MulDivRound(shown, width, old_width));
        }
      }
      ScaleHiddenColumns(band, width, old_width);
    }
    SetBandWidth(band, width);
  });
}

}  // namespace treelist
