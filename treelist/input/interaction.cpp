// The grid's interaction and sizing: the mouse handlers turn presses, moves and releases into
// events of the interaction's table and run the actions of its transitions; the common end of
// every interaction, the messages rerouted while one runs, the overlay lock, and sizing bands,
// columns, the band and header panels and rows with the mouse.
#include <windowsx.h>

#include <algorithm>
#include <optional>

#include "editors/gdi_scope.h"
#include "framework/screen.h"
#include "treelist/input/interaction_state.h"
#include "treelist/core/sizing.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

constexpr int kDragThreshold = 5;  // pixels the mouse moves before a drag starts

// A sizing range whose maximum fell below its minimum holds at the minimum.
SizingRange Range(int min, int max, int origin) { return {min, std::max(min, max), origin}; }

// The first-band offset is carried by the first column of band 0's first row.
int OffsetShare(const HeaderModel& model, int band, int row, int position) {
  return band == 0 && row == 0 && position == 0 ? model.first_band_offset : 0;
}

}  // namespace

// ---- states ---------------------------------------------------------------------------------

InteractionPtr MakeInteraction() { return InteractionPtr(new Interaction); }

void InteractionDelete::operator()(Interaction* interaction) const noexcept { delete interaction; }

TdxTreeListState TCustomdxTreeList::State() const noexcept { return interaction_->State(); }
bool TCustomdxTreeList::SizingLineShown() const noexcept { return interaction_->sizing.shown; }
int TCustomdxTreeList::SizingPos() const noexcept { return interaction_->sizing.pos; }
int TCustomdxTreeList::PressedBand() const noexcept { return interaction_->pressed_band; }
int TCustomdxTreeList::PressedColumn() const noexcept { return interaction_->pressed_column; }
int TCustomdxTreeList::DraggedBand() const noexcept { return interaction_->dragged_band; }
int TCustomdxTreeList::DraggedBandPos() const noexcept { return interaction_->dragged_band_pos; }
int TCustomdxTreeList::DraggedColumn() const noexcept { return interaction_->dragged_column; }
bool TCustomdxTreeList::ArrowsShown() const noexcept { return interaction_->arrows.Shown(); }
const RECT& TCustomdxTreeList::ArrowsRect() const noexcept { return interaction_->arrows.Rect(); }
const DragPicture& TCustomdxTreeList::DragImage() const noexcept {
  return interaction_->drag_picture;
}

void TCustomdxTreeList::SetState(TdxTreeListState value) {
  if (interaction_->State() == value) return;
  // Nothing drawn for the old state may stay on the screen.
  if (interaction_->sizing.shown) DrawSizingLine();
  const TdxTreeListState old = interaction_->Enter(value);
  if (value == tsEditing && searching_) EndSearch();
  if (value == tsNone || value == tsEditing) {
    interaction_->arrows.Hide();
    interaction_->drag_picture.Release();
    KillDragScroll();
    if (HandleAllocated() && GetCapture() == hwnd_) ReleaseCapture();
  } else if (HandleAllocated() && GetCapture() != hwnd_) {
    // Moves outside the window belong to the interaction too.
    SetCapture(hwnd_);
  }
  if (value == tsNone && EndChangesLayout(old)) LayoutChanged();
}

void TCustomdxTreeList::RepaintAtOnce(const RECT& rect) {
  ViewChanged();
  if (!HandleAllocated()) return;
  InvalidateRect(hwnd_, &rect, FALSE);  // an empty rectangle adds nothing
  UpdateWindow(hwnd_);
}

void TCustomdxTreeList::EndInteraction() {
  if (const InteractionTransition* cancel = interaction_->Next(InteractionEvent::Cancel)) {
    RunTransition(*cancel, {});
  }
  CancelHints();
}

bool TCustomdxTreeList::Fire(InteractionEvent event, POINT point, unsigned shift) {
  const InteractionTransition* transition = interaction_->Next(event);
  if (!transition) return false;
  RunTransition(*transition, point, shift);
  return true;
}

// The transition's action, then its state. An action that ends in handlers of the application
// enters the state itself before them, and what a handler starts stays. `point` and `shift` are
// the press's or the release's.
void TCustomdxTreeList::RunTransition(const InteractionTransition& t, POINT point, unsigned shift) {
  using A = InteractionAction;
  const bool band = t.from == tsBandDown || t.from == tsBandDragging;
  switch (t.action) {
    case A::BeginSizing: StartSizing(t.to, IsWidthSizing(t.to) ? point.x : point.y); return;
    case A::BeginItemDrag: StartHeaderOrBandDrag(); return;
    case A::BeginNodeDrag:
      BeginNodeDrag();
      if (interaction_->NodeDragging()) DragOverNodeAt(point);
      return;
    case A::DropItem:
    case A::CancelItemDrag:
      if (band) {
        EndBandDrag(t.action == A::DropItem);
      } else {
        EndHeaderDrag(t.action == A::DropItem);
      }
      return;
    case A::DropNode:
    case A::CancelNodeDrag: EndNodeDrag(t.action == A::DropNode); return;
    case A::ClickHeader: ReleaseHeaderClick(t.from, point, shift); return;
    case A::ClickBand: {
      const int pressed = interaction_->pressed_band;
      interaction_->pressed_band = -1;
      SetState(t.to);
      const THitInfo up = HitTest(point);
      if (up.kind == htBand && up.band == pressed) DoBandClick(pressed);
      return;
    }
    case A::ClickCorner:
      SetState(t.to);
      RepaintAtOnce(GetLayout().indicator_corner);
      if (!OnCornerPart(t.from, point)) return;
      if (t.from == tsHeaderButtonDown) DoHeaderButtonClick();
      if (t.from == tsBandButtonDown) DoBandButtonClick();
      return;
    case A::ApplySizing: ApplySizing(); break;
    case A::DiscardSizing:
      SetState(t.to);
      ::SetCursor(framework::Screen().CursorHandle(Cursor()));
      break;
    case A::ReleaseHeader:
      SetState(t.to);
      SetPressedButtonColumn(-1, false);
      interaction_->pressed_column = -1;
      RepaintAtOnce(GetLayout().header_panel);
      break;
    case A::ReleaseBand:
      SetState(t.to);
      interaction_->pressed_band = -1;
      RepaintAtOnce(GetLayout().band_panel);
      break;
    case A::ReleaseCorner:
      SetState(t.to);
      RepaintAtOnce(GetLayout().indicator_corner);
      break;
    case A::ReleaseRow: pressed_node_ = nullptr; break;
    case A::None: break;
  }
  SetState(t.to);
}

// A header pressed as `pressed` (on its caption or its button part) and released at `point`:
// a click when the release is on what the press was on.
void TCustomdxTreeList::ReleaseHeaderClick(TdxTreeListState pressed, POINT point, unsigned shift) {
  const int column = interaction_->pressed_column;
  SetPressedButtonColumn(-1, false);
  interaction_->pressed_column = -1;
  SetState(tsNone);  // the hooks see an idle grid: a sort lays it out again
  const THitInfo up = HitTest(point);
  if (up.kind != htColumn || up.column != column) return;
  if (pressed == tsColumnDown) {
    RaiseColumnClick(column, shift);
  } else if (up.part == 2) {
    DoColumnButtonClick(column);
  }
}

void TCustomdxTreeList::CancelHints() {
  HideHeaderHint();  // kills timers 110 and 111 with the hint
  HideCellTooltip();
}

// ---- messages while an interaction runs ----------------------------------------------------

bool TCustomdxTreeList::DragOwnsMouseMove() {
  // A drag's moves are its own: they never reach the mouse-move handlers.
  if (!interaction_->ItemDragging()) return false;
  DragItemMove(interaction_->BandDragging());
  return true;
}

bool TCustomdxTreeList::InteractionKeyDown(WORD key) {
  if (interaction_->NodeDragging() && drag_mode_ == TDragMode::dmAutomatic) {
    if (key == VK_ESCAPE) {
      EndNodeDrag();
    } else if (key == VK_ADD || key == VK_SUBTRACT) {
      const POINT client = ScreenToGrid(seams_.cursor_pos());
      TdxTreeListNode* node = GetNodeAt(client.x, client.y);
      if (node && node->HasChildren()) node->SetExpanded(key == VK_ADD);
    }
    return false;  // the key still goes on
  }
  if (key != VK_ESCAPE || interaction_->Idle() || interaction_->Editing()) return false;
  EndInteraction();
  return true;
}

void TCustomdxTreeList::CaptureChanged(HWND to) {
  // Another window took the mouse: what ran here ends.
  if (!interaction_->Idle() && !interaction_->Editing() && to != hwnd_) EndInteraction();
}

// ---- the overlay lock -----------------------------------------------------------------------

void TCustomdxTreeList::BeginOverlayLock() {
  if (interaction_->overlay_lock++ == 0) ShowOverlays(false);
}

void TCustomdxTreeList::EndOverlayLock() {
  if (interaction_->overlay_lock == 0) return;
  if (--interaction_->overlay_lock == 0) ShowOverlays(true);
}

void TCustomdxTreeList::ShowOverlays(bool show) {
  const bool dragging = interaction_->BandDragging() || interaction_->ColumnDragging();
  if (show) {
    if (interaction_->Sizing() && !interaction_->sizing.shown) DrawSizingLine();
    if (dragging) DrawArrows();
    interaction_->drag_picture.ShowImage(true);
  } else {
    if (interaction_->sizing.shown) DrawSizingLine();
    interaction_->arrows.Hide();
    interaction_->drag_picture.ShowImage(false);
  }
}

// ---- the sizing line ------------------------------------------------------------------------

void TCustomdxTreeList::DrawSizingLine() {
  interaction_->sizing.shown = !interaction_->sizing.shown;
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
  const int lines = interaction_->SizingLinePixels();
  for (int i = 0; i < lines; ++i) {
    if (interaction_->WidthSizing()) {
      line(interaction_->sizing.pos + i, layout.band_panel.top, interaction_->sizing.pos + i,
           layout.data.bottom);
    } else {
      const RECT client = ClientRect();
      line(client.left, interaction_->sizing.pos + i, client.right, interaction_->sizing.pos + i);
    }
  }
  SetROP2(dc.get(), old_rop);
}

void TCustomdxTreeList::PlaceSizingLine(int pos) {
  if (interaction_->sizing.shown) DrawSizingLine();
  interaction_->sizing.pos = pos;
  if (interaction_->overlay_lock == 0) DrawSizingLine();
}

void TCustomdxTreeList::StartSizing(TdxTreeListState state, int pos) {
  interaction_->sizing.band = hit_.band;
  interaction_->sizing.column = hit_.column;
  interaction_->sizing.grab = 0;
  if (IsWidthSizing(state)) {
    // The line starts on the edge's last pixel (a band's edge is two wide), wherever in the
    // edge zone the mouse took it, and follows the mouse from there.
    const Layout layout = GetLayout();
    const LayoutHeaderCell* cell = layout.HeaderOf(hit_.column);
    const int edge = state == tsColumnSizing ? (cell ? cell->right - 1 : pos)
                     : hit_.band >= 0 && hit_.band < static_cast<int>(layout.bands.size())
                         ? layout.bands[hit_.band].right - 2
                         : pos;
    interaction_->sizing.grab = pos - edge;
    pos = edge;
  } else if (state == tsRowSizing) {  // pressed_node_ is the row the edge belongs to
    // A row's line starts at its bottom: the height the row has.
    const int edge = NodeRowRect(pressed_node_).bottom;
    interaction_->sizing.grab = pos - edge;
    pos = edge;
  }
  interaction_->sizing.start = interaction_->sizing.pos = pos;
  SetState(state);
  if (interaction_->overlay_lock == 0) DrawSizingLine();
}

// ---- mouse ----------------------------------------------------------------------------------

void TCustomdxTreeList::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  TreeListBase::MouseDown(button, shift, x, y);
  if (button != framework::TMouseButton::mbLeft) return;
  const bool idle = interaction_->Idle();
  if (interaction_->Editing()) {
    CloseEditor();
  } else if (!interaction_->Idle()) {
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
          if (interaction_->Editing()) return;
        }
      }
      pressed_node_ = node;
      Fire(InteractionEvent::PressRow, {x, y});
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
  Fire(InteractionEvent::Release, {x, y}, shift);
  pressed_node_ = nullptr;
  if (!interaction_->Editing()) {
    SetState(tsNone);
  } else if (GetCapture() == hwnd_) {
    ReleaseCapture();  // held since a click acted on the value
  }
}

bool TCustomdxTreeList::ClickActsOnValue(TdxTreeListNode* node, int column, POINT point) {
  if (column < 0) return false;
  if (!EditorHitInCell(node, column, point) && !HasEditButtonAt(node, column, point)) return false;
  ShowEditor();
  if (!interaction_->Editing() || !editor_ || !editor_->HandleAllocated()) return false;
  POINT at = point;
  MapWindowPoints(hwnd_, editor_->Handle(), &at, 1);
  editor_->ProcessClick(at);
  // The release belongs to this click: over the editor it would act a second time. A popup the
  // click opened keeps the mouse it took.
  if (!GetCapture()) SetCapture(hwnd_);
  return true;
}

void TCustomdxTreeList::StartInteractionAt(int x, int y, bool double_click) {
  using E = InteractionEvent;
  switch (hit_.kind) {
    case htColumnEdge:
      if (double_click) {
        DoBestFitColumn(hit_.column);
      } else if (CanSizeColumn(hit_.column)) {
        Fire(E::PressColumnEdge, {x, y});
      }
      break;
    case htBandEdge:
      if (double_click) {
        DoBestFitBand(hit_.band);
      } else if ((options_ex_ & aoBandSizing) && IsBandSizeable(hit_.band)) {
        Fire(E::PressBandEdge, {x, y});
      }
      break;
    case htBandPanelEdge:
      if (options_ex_ & aoBandPanelSizing) Fire(E::PressBandPanelEdge, {x, y});
      break;
    case htHeaderPanelEdge:
      if (options_ex_ & aoHeaderPanelSizing) Fire(E::PressHeaderPanelEdge, {x, y});
      break;
    case htRowEdge:
      if (options_ex_ & aoRowSizing) {
        pressed_node_ = hit_.node;
        Fire(E::PressRowEdge, {x, y});
      }
      break;
    case htColumn:
      interaction_->pressed_column = hit_.column;
      if (hit_.part == 2) SetPressedButtonColumn(hit_.column, true);
      Fire(hit_.part == 2 ? E::PressColumnButton : E::PressColumn, {x, y});
      break;
    case htBand:
      interaction_->pressed_band = hit_.band;
      Fire(E::PressBand, {x, y});
      break;
    case htHeaderButton:
      if (const std::optional<E> press = CornerPressAt({x, y}); press && Fire(*press, {x, y})) {
        RepaintAtOnce(GetLayout().indicator_corner);
      }
      break;
    default: break;
  }
}

void TCustomdxTreeList::InteractionMouseMove(int x, int y) {
  if (interaction_->Sizing()) {
    MoveSizingLine(x, y);
    return;
  }
  if (interaction_->NodeDragging()) {
    interaction_->drag_picture.Move(seams_.cursor_pos());
    DragOverNodeAt({x, y});
    return;
  }
  if (std::abs(x - down_point_.x) <= kDragThreshold &&
      std::abs(y - down_point_.y) <= kDragThreshold) {
    return;
  }
  const InteractionTransition* away = interaction_->Next(InteractionEvent::MoveAway);
  if (!away) return;
  // Whether what was pressed may follow the mouse.
  const bool may = interaction_->ColumnDown()
                       ? IsColumnMovingAllowed() && CanHeaderDragging(interaction_->pressed_column)
                   : interaction_->BandDown()
                       ? IsBandMovingAllowed() && CanBandDragging(interaction_->pressed_band)
                       : drag_mode_ == TDragMode::dmAutomatic;
  if (may) RunTransition(*away, {x, y});
}

std::optional<InteractionEvent> TCustomdxTreeList::CornerPressAt(POINT point) {
  const RECT glyph = HeaderButtonRect();
  if (PtInRect(&glyph, point)) return InteractionEvent::PressIndicatorButton;
  const Layout layout = GetLayout();
  const RECT& corner = layout.indicator_corner;
  if (!PtInRect(&corner, point)) return std::nullopt;
  if (point.y < layout.band_panel.bottom) {
    if (options_ex_ & aoBandButtonClicking) return InteractionEvent::PressBandButton;
    return std::nullopt;
  }
  if (options_ex_ & aoHeaderButtonClicking) return InteractionEvent::PressHeaderButton;
  return std::nullopt;
}

bool TCustomdxTreeList::OnCornerPart(TdxTreeListState pressed, POINT point) {
  if (HitTest(point).kind != htHeaderButton) return false;
  const std::optional<InteractionEvent> press = CornerPressAt(point);
  const InteractionTransition* t = press ? FindTransition(tsNone, *press) : nullptr;
  return t && t->to == pressed;
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
  int pos = interaction_->sizing.pos;
  switch (interaction_->State()) {
    case tsColumnSizing: {
      const SizingRange range = GetColumnSizingRange(interaction_->sizing.column, x);
      pos = std::clamp(x - interaction_->sizing.grab, range.min, range.max);
      break;
    }
    case tsBandSizing: {
      const SizingRange range = GetBandSizingRange(interaction_->sizing.band, x);
      pos = std::clamp(x - interaction_->sizing.grab, range.min, range.max);
      break;
    }
    case tsBandPanelSizing: pos = GetBandPanelSizingPos(y); break;
    case tsHeaderPanelSizing: pos = GetHeaderPanelSizingPos(y); break;
    case tsRowSizing: {
      if (!pressed_node_) return;
      const SizingRange range = GetRowSizingRange(pressed_node_, y);
      pos = std::clamp(y - interaction_->sizing.grab, range.min, range.max);
      break;
    }
    default: return;
  }
  if (pos != interaction_->sizing.pos) PlaceSizingLine(pos);
}

void TCustomdxTreeList::ApplySizing() {
  const TdxTreeListState state = interaction_->State();
  if (interaction_->sizing.shown) DrawSizingLine();
  const int start = interaction_->sizing.start;
  int pos = interaction_->sizing.pos;
  switch (state) {
    case tsBandSizing: {
      const SizingRange range = GetBandSizingRange(interaction_->sizing.band, pos);
      pos = std::clamp(pos, range.min, range.max);
      if (pos == start) break;
      if (IsAutoWidth()) {
        ResizeBandAutoWidth(interaction_->sizing.band, pos - range.origin + 2);
      } else {
        ResizeBandColumns(interaction_->sizing.band, pos - range.origin + 2);
      }
      DoColumnsWidthChanged();
      break;
    }
    case tsColumnSizing: {
      const SizingRange range = GetColumnSizingRange(interaction_->sizing.column, pos);
      pos = std::clamp(pos, range.min, range.max);
      if (pos == start) break;
      const HeaderModel& model = GetHeaderModel();
      const Layout layout = GetLayout();  // the cell below points into it
      const LayoutHeaderCell* cell = layout.HeaderOf(interaction_->sizing.column);
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
  if (it == layout.bands.end())
    return {interaction_->sizing.start, interaction_->sizing.start, interaction_->sizing.start};
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
  if (IsRectEmpty(&layout.band_panel)) return interaction_->sizing.pos;
  const int rows = SnapBandPanelRows(y - layout.band_panel.top, metrics_.band_line_height,
                                     metrics_.flat, GetHeaderModel().max_band_rows);
  return layout.band_panel.top + BandPanelRowBottom(rows, metrics_.band_line_height, metrics_.flat);
}

int TCustomdxTreeList::GetHeaderPanelSizingPos(int y) {
  const Layout layout = GetLayout();
  if (IsRectEmpty(&layout.header_panel)) return interaction_->sizing.pos;
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
