// What an own-drawn scroll bar knows without its window: the range and position with their
// rules, the steps of the scroll codes, and where its six parts lie for a given size.
#pragma once

#include <windows.h>

#include <cstdint>

namespace controls {

enum class TScrollBarKind { sbHorizontal, sbVertical };

// The parts of a bar, in the numbering the hot and pressed part use.
enum ScrollPart : uint8_t {
  kPartNone = 0,
  kPartFirstArrow = 1,
  kPartPageBefore = 2,
  kPartThumb = 3,
  kPartPageAfter = 4,
  kPartSecondArrow = 5,
};

// The codes a bar reports to OnScroll.
enum TScrollCode : uint8_t {
  scLineUp = 0,
  scLineDown = 1,
  scPageUp = 2,
  scPageDown = 3,
  scPosition = 4,
  scTrack = 5,
  scTop = 6,
  scBottom = 7,
  scEndScroll = 8,
};

// Where the parts of a bar lie in its client area; index by ScrollPart (0 is unused).
struct ScrollLayout {
  RECT parts[6] = {};
  int arrow_size = 0;
  int thumb_length = 0;
  int length = 0;  // along the bar
  const RECT& Part(ScrollPart part) const { return parts[part]; }
};

class TScrollBarModel {
 public:
  int Min() const { return min_; }
  int Max() const { return max_; }
  int PageSize() const { return page_size_; }
  int Position() const { return position_; }
  // The largest position: the last page must still show whole. With no page the bar reaches
  // Max itself, as the system's scroll bars do.
  int HighestPosition() const { return highest_; }
  int SmallChange() const { return small_change_; }
  int LargeChange() const { return large_change_; }
  void SetSmallChange(int16_t value) { small_change_ = value; }
  void SetLargeChange(int16_t value) { large_change_ = value; }

  // Stores a new range and position (clamped to Min .. the highest position). Changes nothing
  // and answers false when all three are as they were or when max < min.
  bool SetParams(int position, int min, int max);
  // Clamped to 0 .. Max - Min + 1; the position stays where it is.
  bool SetPageSize(int page_size);

  // The position a scroll code leads to from the current one, clamped to the range.
  int StepTarget(TScrollCode code) const;
  // The position for a thumb dragged to `offset` pixels from the track's start, in `layout`.
  int DragTarget(const ScrollLayout& layout, int offset) const;

  // The parts for a client area of width x height.
  ScrollLayout Layout(TScrollBarKind kind, int width, int height) const;

 private:
  void UpdateHighest();
  int Clamp(int position) const;

  int min_ = 0;
  int max_ = 100;
  int page_size_ = 0;
  int position_ = 0;
  int highest_ = 100;
  int small_change_ = 1;
  int large_change_ = 1;
};

// The part under `point`, testing first arrow, second arrow, page before, page after, thumb.
ScrollPart ScrollHitTest(const ScrollLayout& layout, POINT point);

}  // namespace controls
