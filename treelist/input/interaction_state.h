// The grid's interaction: the mouse's road through the control (pressed, sizing, dragging,
// editing) as one object that owns its state and what belongs to it, its transitions in one
// table, and what depends on the state alone: which states size, drag or hold a press, and the
// cursor a state shows over what lies under the mouse.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "framework/controls.h"
#include "treelist/view/drag_overlay.h"
#include "treelist/view/grid_view.h"
#include "treelist/core/options.h"

namespace treelist {

enum TdxTreeListState : uint8_t {
  tsNone,
  tsColumnSizing,
  tsEditing,
  tsColumnDragging,
  tsColumnDown,
  tsNodeDragging,
  tsNodeDown,
  tsHeaderButtonDown,
  tsBandSizing,
  tsBandDragging,
  tsBandDown,
  tsBandButtonDown,
  tsBandPanelSizing,
  tsHeaderPanelSizing,
  tsRowSizing,
  tsColumnButtonDown,
  tsIndicatorButtonDown,
};

// Sizing a band's or a column's width.
constexpr bool IsWidthSizing(TdxTreeListState state) {
  return state == tsColumnSizing || state == tsBandSizing;
}
// Sizing the band panel's, the header panel's or a row's height.
constexpr bool IsHeightSizing(TdxTreeListState state) {
  return state == tsBandPanelSizing || state == tsHeaderPanelSizing || state == tsRowSizing;
}
constexpr bool IsSizingState(TdxTreeListState state) {
  return IsWidthSizing(state) || IsHeightSizing(state);
}
// A band or a column header follows the mouse.
constexpr bool IsItemDragging(TdxTreeListState state) {
  return state == tsBandDragging || state == tsColumnDragging;
}

// States whose end changes what the layout shows (a sizing, a header or band moved or clicked).
constexpr bool EndChangesLayout(TdxTreeListState state) {
  return IsSizingState(state) || IsItemDragging(state) || state == tsColumnDown;
}

// What the cursor depends on when the grid is asked for one (WM_SETCURSOR).
struct CursorQuery {
  TdxTreeListState state = tsNone;
  bool client_area = true;       // the request's hit-test code is the client area's
  THitKind hit = htNowhere;      // under the mouse; read while idle or editing
  bool column_sizeable = false;  // the hit column may be sized (aoColumnSizing and its own flag)
  uint32_t options_ex = 0;
  framework::TCursor drag_cursor = framework::crDefault;  // the running item drag's
};

// The cursor the grid sets, or crDefault to leave the request to the window's own handling.
// A drag keeps its cursor anywhere (it holds the mouse); otherwise only the client area is the
// grid's: a sizing state keeps its split cursor whatever is under the mouse, and idle or editing
// grid shows the split cursor over an edge the options let the mouse size.
framework::TCursor CursorFor(const CursorQuery& query);

// Whether a cell's own cursor (a link's) is asked first.
constexpr bool AsksCellCursor(TdxTreeListState state, bool client_area) {
  return client_area && (state == tsNone || state == tsEditing);
}

// What happens to an interaction: a press on a part of the grid, a move past the drag threshold,
// the button's release, a cancel (Escape, another window taking the mouse, a new press), the
// editor opening and closing.
enum class InteractionEvent : uint8_t {
  PressColumnEdge,
  PressBandEdge,
  PressBandPanelEdge,
  PressHeaderPanelEdge,
  PressRowEdge,
  PressColumn,
  PressColumnButton,
  PressBand,
  PressHeaderButton,
  PressBandButton,
  PressIndicatorButton,
  PressRow,
  MoveAway,
  Release,
  Cancel,
  OpenEditor,
  CloseEditor,
};

// What the grid does on a transition, besides entering the next state.
enum class InteractionAction : uint8_t {
  None,
  BeginSizing,
  ApplySizing,
  DiscardSizing,
  BeginItemDrag,  // a band or header picture follows the mouse
  BeginNodeDrag,
  DropItem,
  CancelItemDrag,
  DropNode,
  CancelNodeDrag,
  ClickHeader,  // the column click, or its button part's
  ClickBand,
  ClickCorner,  // one of the corner buttons
  ReleaseHeader,
  ReleaseBand,
  ReleaseCorner,
  ReleaseRow,
};

struct InteractionTransition {
  TdxTreeListState from;
  InteractionEvent event;
  TdxTreeListState to;
  InteractionAction action;
};

// Every transition there is; an event that has none in a state does nothing there.
std::span<const InteractionTransition> InteractionTable();
// The transition of `event` from `state`, or null.
const InteractionTransition* FindTransition(TdxTreeListState state, InteractionEvent event);

// The interaction of one grid: its state and what the state's road holds. Other code asks it,
// it does not compare the state.
class Interaction {
 public:
  TdxTreeListState State() const noexcept { return state_; }
  bool Idle() const noexcept { return state_ == tsNone; }
  bool Editing() const noexcept { return state_ == tsEditing; }
  // Neither idle nor editing: the mouse is pressed somewhere or something follows it.
  bool Busy() const noexcept { return !Idle() && !Editing(); }
  bool Sizing() const noexcept { return IsSizingState(state_); }
  bool WidthSizing() const noexcept { return IsWidthSizing(state_); }
  bool ItemDragging() const noexcept { return IsItemDragging(state_); }
  bool BandDragging() const noexcept { return state_ == tsBandDragging; }
  bool ColumnDragging() const noexcept { return state_ == tsColumnDragging; }
  bool NodeDragging() const noexcept { return state_ == tsNodeDragging; }
  bool NodeDown() const noexcept { return state_ == tsNodeDown; }
  bool ColumnDown() const noexcept { return state_ == tsColumnDown; }
  bool BandDown() const noexcept { return state_ == tsBandDown; }
  bool IndicatorButtonDown() const noexcept { return state_ == tsIndicatorButtonDown; }
  // The sizing line's width: one pixel for a column or a row, two for a band or a panel.
  int SizingLinePixels() const noexcept {
    return state_ == tsColumnSizing || state_ == tsRowSizing ? 1 : 2;
  }
  // Sizing and dragging own the mouse: nothing under it is hot meanwhile.
  bool OwnsMouse() const noexcept { return Sizing() || ItemDragging() || NodeDragging(); }
  // The transition `event` makes from the state now, or null; the caller enters its state.
  const InteractionTransition* Next(InteractionEvent event) const {
    return FindTransition(state_, event);
  }
  // Stores `state`; the old one comes back.
  TdxTreeListState Enter(TdxTreeListState state) noexcept {
    const TdxTreeListState old = state_;
    state_ = state;
    return old;
  }

  // The sizing line: where it started, the mouse's distance from it, where it is, what it sizes.
  struct SizingLine {
    int start = 0;
    int grab = 0;
    int pos = 0;
    int band = -1;
    int column = -1;
    bool shown = false;
  } sizing;
  int overlay_lock = 0;  // the XOR overlays stay hidden while above 0
  // The band and column the button went down on, -1 none.
  int pressed_band = -1;
  int pressed_column = -1;
  // The dragged band (absolute, and its visible position, -1 from the customizing form) and
  // column (absolute, and its visible position).
  int dragged_band = -1;
  int dragged_band_pos = -1;
  int dragged_column = -1;
  int dragged_header_pos = -1;
  // Where the drop arrows are drawn and the cursor position they were placed for (screen).
  POINT arrow_point{-100, -100};
  POINT arrow_cursor{-100, -100};
  int arrow_height = 0;
  DropArrows arrows;
  DragPicture drag_picture;

 private:
  TdxTreeListState state_ = tsNone;
};

}  // namespace treelist
