// The scroll requests' arithmetic.
#include "treelist/scroll_targets.h"

namespace treelist {
namespace {

// The requests both bars share; the thumb's target differs.
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

}  // namespace

// Steps of 4 pixels keep the columns' pixels aligned while the thumb moves, except on the last
// step, which reaches the end exactly.
std::optional<int> HorizontalScrollTarget(WORD code, const ScrollView& view, int thumb) {
  const int target = view.page + thumb + 1 < view.end ? (thumb + 1) / 4 * 4 : thumb + 1;
  return ScrollTarget(code, view, target);
}

std::optional<int> VerticalScrollTarget(WORD code, const ScrollView& view, int thumb) {
  return ScrollTarget(code, view, thumb);
}

}  // namespace treelist
