// The grid's one interaction state and what depends on the state alone: which states size,
// drag or hold a press, and the cursor a state shows over what lies under the mouse. No window.
#pragma once

#include <cstdint>

#include "framework/controls.h"
#include "treelist/grid_view.h"
#include "treelist/options.h"

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

}  // namespace treelist
