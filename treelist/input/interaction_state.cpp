// The interaction's transitions and the cursor of a state over what lies under the mouse.
#include "treelist/input/interaction_state.h"

#include <algorithm>
#include <array>

namespace treelist {
namespace {

using E = InteractionEvent;
using A = InteractionAction;

// Presses start from idle only: a press in any other state first ends what ran (Cancel).
constexpr std::array kTransitions{
    InteractionTransition{tsNone, E::PressColumnEdge, tsColumnSizing, A::BeginSizing},
    InteractionTransition{tsNone, E::PressBandEdge, tsBandSizing, A::BeginSizing},
    InteractionTransition{tsNone, E::PressBandPanelEdge, tsBandPanelSizing, A::BeginSizing},
    InteractionTransition{tsNone, E::PressHeaderPanelEdge, tsHeaderPanelSizing, A::BeginSizing},
    InteractionTransition{tsNone, E::PressRowEdge, tsRowSizing, A::BeginSizing},
    InteractionTransition{tsNone, E::PressColumn, tsColumnDown, A::None},
    InteractionTransition{tsNone, E::PressColumnButton, tsColumnButtonDown, A::None},
    InteractionTransition{tsNone, E::PressBand, tsBandDown, A::None},
    InteractionTransition{tsNone, E::PressHeaderButton, tsHeaderButtonDown, A::None},
    InteractionTransition{tsNone, E::PressBandButton, tsBandButtonDown, A::None},
    InteractionTransition{tsNone, E::PressIndicatorButton, tsIndicatorButtonDown, A::None},
    InteractionTransition{tsNone, E::PressRow, tsNodeDown, A::None},
    InteractionTransition{tsNone, E::OpenEditor, tsEditing, A::None},
    InteractionTransition{tsEditing, E::CloseEditor, tsNone, A::None},

    InteractionTransition{tsColumnDown, E::MoveAway, tsColumnDragging, A::BeginItemDrag},
    InteractionTransition{tsBandDown, E::MoveAway, tsBandDragging, A::BeginItemDrag},
    InteractionTransition{tsNodeDown, E::MoveAway, tsNodeDragging, A::BeginNodeDrag},

    InteractionTransition{tsColumnSizing, E::Release, tsNone, A::ApplySizing},
    InteractionTransition{tsBandSizing, E::Release, tsNone, A::ApplySizing},
    InteractionTransition{tsBandPanelSizing, E::Release, tsNone, A::ApplySizing},
    InteractionTransition{tsHeaderPanelSizing, E::Release, tsNone, A::ApplySizing},
    InteractionTransition{tsRowSizing, E::Release, tsNone, A::ApplySizing},
    InteractionTransition{tsColumnDragging, E::Release, tsNone, A::DropItem},
    InteractionTransition{tsBandDragging, E::Release, tsNone, A::DropItem},
    InteractionTransition{tsNodeDragging, E::Release, tsNone, A::DropNode},
    InteractionTransition{tsColumnDown, E::Release, tsNone, A::ClickHeader},
    InteractionTransition{tsColumnButtonDown, E::Release, tsNone, A::ClickHeader},
    InteractionTransition{tsBandDown, E::Release, tsNone, A::ClickBand},
    InteractionTransition{tsHeaderButtonDown, E::Release, tsNone, A::ClickCorner},
    InteractionTransition{tsBandButtonDown, E::Release, tsNone, A::ClickCorner},
    InteractionTransition{tsIndicatorButtonDown, E::Release, tsNone, A::ClickCorner},
    InteractionTransition{tsNodeDown, E::Release, tsNone, A::None},

    InteractionTransition{tsColumnSizing, E::Cancel, tsNone, A::DiscardSizing},
    InteractionTransition{tsBandSizing, E::Cancel, tsNone, A::DiscardSizing},
    InteractionTransition{tsBandPanelSizing, E::Cancel, tsNone, A::DiscardSizing},
    InteractionTransition{tsHeaderPanelSizing, E::Cancel, tsNone, A::DiscardSizing},
    InteractionTransition{tsRowSizing, E::Cancel, tsNone, A::DiscardSizing},
    InteractionTransition{tsColumnDragging, E::Cancel, tsNone, A::CancelItemDrag},
    InteractionTransition{tsBandDragging, E::Cancel, tsNone, A::CancelItemDrag},
    InteractionTransition{tsNodeDragging, E::Cancel, tsNone, A::CancelNodeDrag},
    InteractionTransition{tsColumnDown, E::Cancel, tsNone, A::ReleaseHeader},
    InteractionTransition{tsColumnButtonDown, E::Cancel, tsNone, A::ReleaseHeader},
    InteractionTransition{tsHeaderButtonDown, E::Cancel, tsNone, A::ReleaseHeader},
    InteractionTransition{tsBandDown, E::Cancel, tsNone, A::ReleaseBand},
    InteractionTransition{tsBandButtonDown, E::Cancel, tsNone, A::ReleaseBand},
    InteractionTransition{tsIndicatorButtonDown, E::Cancel, tsNone, A::ReleaseCorner},
    InteractionTransition{tsNodeDown, E::Cancel, tsNone, A::ReleaseRow},
};

}  // namespace

std::span<const InteractionTransition> InteractionTable() { return kTransitions; }

const InteractionTransition* FindTransition(TdxTreeListState state, InteractionEvent event) {
  const auto it = std::find_if(kTransitions.begin(), kTransitions.end(),
                               [&](const auto& t) { return t.from == state && t.event == event; });
  return it == kTransitions.end() ? nullptr : &*it;
}

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
