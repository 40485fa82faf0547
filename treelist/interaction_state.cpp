// The cursor of a state over what lies under the mouse.
#include "treelist/interaction_state.h"

namespace treelist {

framework::TCursor CursorFor(const CursorQuery& query) {
  using framework::crDefault, framework::crHSplit, framework::crVSplit;
  if (IsItemDragging(query.state)) return query.drag_cursor;
  if (!query.client_area) return crDefault;  // scroll bars and border: the window's
  if (IsWidthSizing(query.state)) return crHSplit;
  if (IsHeightSizing(query.state)) return crVSplit;
  if (query.state != tsNone && query.state != tsEditing) return crDefault;
  const uint32_t ex = query.options_ex;
  switch (query.hit) {
    case htColumnEdge: return query.column_sizeable ? crHSplit : crDefault;
    case htBandEdge: return (ex & aoBandSizing) ? crHSplit : crDefault;
    case htBandPanelEdge: return (ex & aoBandPanelSizing) ? crVSplit : crDefault;
    case htHeaderPanelEdge: return (ex & aoHeaderPanelSizing) ? crVSplit : crDefault;
    case htRowEdge: return (ex & aoRowSizing) ? crVSplit : crDefault;
    default: return crDefault;
  }
}

}  // namespace treelist
