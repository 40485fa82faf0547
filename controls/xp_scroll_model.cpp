// The scroll bar's range, steps and geometry.
#include "controls/xp_scroll_model.h"

#include <algorithm>
#include <cstdint>

namespace controls {

namespace {

// a * b / c rounded to the nearest, in 64 bits so that no range overflows; 0 for c = 0.
int MulDiv64(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  int64_t product = a * b;
  const bool negative = (product < 0) != (c < 0);
  product = product < 0 ? -product : product;
  const int64_t divisor = c < 0 ? -c : c;
  const int64_t quotient = (product + divisor / 2) / divisor;
  return static_cast<int>(negative ? -quotient : quotient);
}

RECT AlongBar(TScrollBarKind kind, int from, int to, int thickness) {
  if (kind == TScrollBarKind::sbVertical) return {0, from, thickness, to};
  return {from, 0, to, thickness};
}

}  // namespace

bool TScrollBarModel::SetParams(int position, int min, int max) {
  if (position == position_ && min == min_ && max == max_) return false;
  if (max < min) return false;
  min_ = min;
  max_ = max;
  UpdateHighest();
  position_ = Clamp(position);
  return true;
}

bool TScrollBarModel::SetPageSize(int page_size) {
  const int64_t most = static_cast<int64_t>(max_) - min_ + 1;
  page_size =
      static_cast<int>(std::clamp<int64_t>(page_size, 0, std::min<int64_t>(most, INT32_MAX)));
  if (page_size == page_size_) return false;
  page_size_ = page_size;
  UpdateHighest();
  return true;
}

void TScrollBarModel::UpdateHighest() {
  // A page of n positions leaves its last n - 1 positions to the page itself.
  highest_ = max_ - std::max(page_size_ - 1, 0);
}

int TScrollBarModel::Clamp(int position) const {
  return std::clamp(position, min_, std::max(highest_, min_));
}

int TScrollBarModel::StepTarget(TScrollCode code) const {
  int64_t target = position_;
  switch (code) {
    case scLineUp: target -= small_change_; break;
    case scLineDown: target += small_change_; break;
    case scPageUp: target -= large_change_; break;
    case scPageDown: target += large_change_; break;
    case scTop: target = min_; break;
    case scBottom: target = highest_; break;
    default: break;
  }
  return Clamp(static_cast<int>(std::clamp<int64_t>(target, INT32_MIN, INT32_MAX)));
}

int TScrollBarModel::DragTarget(const ScrollLayout& layout, int offset) const {
  const int range = layout.length - (2 * layout.arrow_size + layout.thumb_length);
  if (range <= 0) return min_;
  const int64_t target =
      static_cast<int64_t>(min_) + MulDiv64(offset, static_cast<int64_t>(highest_) - min_, range);
  return Clamp(static_cast<int>(std::clamp<int64_t>(target, INT32_MIN, INT32_MAX)));
}

ScrollLayout TScrollBarModel::Layout(TScrollBarKind kind, int width, int height) const {
  ScrollLayout layout;
  const bool vertical = kind == TScrollBarKind::sbVertical;
  const int length = std::max(vertical ? height : width, 0);
  const int thickness = std::max(vertical ? width : height, 0);
  layout.length = length;
  layout.arrow_size = length < 2 * thickness ? length / 2 : thickness;
  const int arrow = layout.arrow_size;
  const int track = length - 2 * arrow;
  // A thumb never reaches over the arrows: on a short track it shrinks to the track.
  const int64_t span = static_cast<int64_t>(max_) - min_ + 1;
  layout.thumb_length = std::min(std::max(MulDiv64(page_size_, track, span), thickness), track);
  int thumb_start = arrow;
  if (highest_ != min_) {
    thumb_start += MulDiv64(static_cast<int64_t>(position_) - min_, track - layout.thumb_length,
                            static_cast<int64_t>(highest_) - min_);
  }
  // A position beyond the highest (a page size grown since) keeps the thumb on the track.
  thumb_start = std::clamp(thumb_start, arrow, arrow + track - layout.thumb_length);
  const int thumb_end = thumb_start + layout.thumb_length;
  layout.parts[kPartFirstArrow] = AlongBar(kind, 0, arrow, thickness);
  layout.parts[kPartPageBefore] = AlongBar(kind, arrow, thumb_start, thickness);
  layout.parts[kPartThumb] = AlongBar(kind, thumb_start, thumb_end, thickness);
  layout.parts[kPartPageAfter] = AlongBar(kind, thumb_end, length - arrow, thickness);
  layout.parts[kPartSecondArrow] = AlongBar(kind, length - arrow, length, thickness);
  return layout;
}

ScrollPart ScrollHitTest(const ScrollLayout& layout, POINT point) {
  for (const ScrollPart part :
       {kPartFirstArrow, kPartSecondArrow, kPartPageBefore, kPartPageAfter, kPartThumb}) {
    if (PtInRect(&layout.Part(part), point)) return part;
  }
  return kPartNone;
}

}  // namespace controls
