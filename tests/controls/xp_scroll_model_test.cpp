// The scroll bar's range rules, steps and geometry, worked out by hand for a 121 x 17 bar.
#include "controls/xp_scroll_model.h"

#include <gtest/gtest.h>

#include <climits>

using controls::ScrollHitTest;
using controls::ScrollLayout;
using controls::TScrollBarKind;
using controls::TScrollBarModel;

namespace {

void ExpectRect(const RECT& r, int left, int top, int right, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

}  // namespace

TEST(ScrollBarModel, RangeRulesClampAndRefuseAReversedRange) {
  TScrollBarModel model;
  EXPECT_EQ(model.HighestPosition(), 100) << "no page: the bar reaches Max, not Max + 1";
  EXPECT_FALSE(model.SetParams(0, 0, 100)) << "nothing new";
  EXPECT_TRUE(model.SetParams(40, 0, 100));
  EXPECT_FALSE(model.SetParams(7, 50, 10)) << "Max < Min";
  EXPECT_EQ(model.Position(), 40);
  EXPECT_EQ(model.Min(), 0);
  EXPECT_EQ(model.Max(), 100);

  EXPECT_TRUE(model.SetParams(500, 0, 100));
  EXPECT_EQ(model.Position(), 100);
  EXPECT_TRUE(model.SetParams(-5, 0, 100));
  EXPECT_EQ(model.Position(), 0);

  EXPECT_TRUE(model.SetPageSize(10));
  EXPECT_FALSE(model.SetPageSize(10)) << "nothing new";
  EXPECT_EQ(model.HighestPosition(), 91) << "the last page shows positions 91 to 100";
  EXPECT_TRUE(model.SetParams(95, 0, 100));
  EXPECT_EQ(model.Position(), 91);
  EXPECT_TRUE(model.SetPageSize(1000));
  EXPECT_EQ(model.PageSize(), 101) << "at most the whole range";
  EXPECT_EQ(model.HighestPosition(), 0);
  EXPECT_EQ(model.Position(), 91) << "a page change leaves the position";
  EXPECT_TRUE(model.SetPageSize(-3));
  EXPECT_EQ(model.PageSize(), 0);

  // The widest range there is does not overflow.
  EXPECT_TRUE(model.SetParams(0, INT_MIN, INT_MAX));
  EXPECT_TRUE(model.SetPageSize(INT_MAX));
  EXPECT_EQ(model.HighestPosition(), 1);
  EXPECT_EQ(model.StepTarget(controls::scBottom), 1);
  EXPECT_EQ(model.StepTarget(controls::scTop), INT_MIN);
}

TEST(ScrollBarModel, StepsOfEachScrollCodeStayInTheRange) {
  TScrollBarModel model;
  model.SetParams(50, 10, 100);
  model.SetPageSize(11);  // highest 90
  model.SetSmallChange(3);
  model.SetLargeChange(25);
  struct Step {
    controls::TScrollCode code;
    int from;
    int to;
  };
  const Step steps[] = {
      {controls::scLineUp, 50, 47},   {controls::scLineDown, 50, 53},  {controls::scPageUp, 50, 25},
      {controls::scPageDown, 50, 75}, {controls::scTop, 50, 10},       {controls::scBottom, 50, 90},
      {controls::scTrack, 50, 50},    {controls::scEndScroll, 50, 50}, {controls::scLineUp, 11, 10},
      {controls::scPageUp, 20, 10},   {controls::scPageDown, 80, 90},  {controls::scLineDown, 90, 90},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "code " << int{step.code} << " from " << step.from);
    model.SetParams(step.from, 10, 100);
    EXPECT_EQ(model.StepTarget(step.code), step.to);
  }
}

TEST(ScrollBarModel, LayoutPlacesArrowsTrackAndThumb) {
  TScrollBarModel model;
  ScrollLayout l = model.Layout(TScrollBarKind::sbHorizontal, 121, 17);
  EXPECT_EQ(l.arrow_size, 17);
  EXPECT_EQ(l.thumb_length, 17) << "no page: the thumb is as long as the bar is thick";
  ExpectRect(l.Part(controls::kPartFirstArrow), 0, 0, 17, 17);
  ExpectRect(l.Part(controls::kPartPageBefore), 17, 0, 17, 17);
  ExpectRect(l.Part(controls::kPartThumb), 17, 0, 34, 17);
  ExpectRect(l.Part(controls::kPartPageAfter), 34, 0, 104, 17);
  ExpectRect(l.Part(controls::kPartSecondArrow), 104, 0, 121, 17);

  model.SetParams(50, 0, 100);
  model.SetPageSize(50);  // highest 51; thumb 50 * 87 / 101 = 43.07
  l = model.Layout(TScrollBarKind::sbHorizontal, 121, 17);
  EXPECT_EQ(l.thumb_length, 43);
  // Start 17 + 50 * (87 - 43) / 51 = 17 + 43.1
  ExpectRect(l.Part(controls::kPartThumb), 60, 0, 103, 17);
  ExpectRect(l.Part(controls::kPartPageBefore), 17, 0, 60, 17);
  ExpectRect(l.Part(controls::kPartPageAfter), 103, 0, 104, 17);

  model.SetParams(51, 0, 100);
  l = model.Layout(TScrollBarKind::sbVertical, 17, 121);
  // The last position ends at the arrow.
  ExpectRect(l.Part(controls::kPartThumb), 0, 61, 17, 104);
  ExpectRect(l.Part(controls::kPartSecondArrow), 0, 104, 17, 121);

  EXPECT_EQ(model.Layout(TScrollBarKind::sbHorizontal, 40, 17).arrow_size, 17);
  EXPECT_EQ(model.Layout(TScrollBarKind::sbHorizontal, 34, 17).arrow_size, 17);
  // Shorter than twice its thickness: half-length arrows, and a thumb that fits the track.
  l = model.Layout(TScrollBarKind::sbHorizontal, 25, 17);
  EXPECT_EQ(l.arrow_size, 12);
  ExpectRect(l.Part(controls::kPartFirstArrow), 0, 0, 12, 17);
  ExpectRect(l.Part(controls::kPartSecondArrow), 13, 0, 25, 17);
  EXPECT_EQ(l.thumb_length, 1);
  l = model.Layout(TScrollBarKind::sbHorizontal, 24, 17);
  EXPECT_EQ(l.thumb_length, 0) << "no track, no thumb";
  ExpectRect(l.Part(controls::kPartSecondArrow), 12, 0, 24, 17);

  // A position beyond the highest one (the page grew) keeps the thumb on the track.
  model.SetPageSize(0);
  model.SetParams(100, 0, 100);
  model.SetPageSize(60);
  l = model.Layout(TScrollBarKind::sbHorizontal, 121, 17);
  EXPECT_EQ(l.Part(controls::kPartThumb).right, 104);
}

TEST(ScrollBarModel, HitTestAndThumbDragFollowTheLayout) {
  TScrollBarModel model;
  model.SetParams(0, 0, 100);
  model.SetPageSize(11);  // highest 90; thumb 11 * 87 / 101 = 9.5 -> 17 (thickness)
  const ScrollLayout l = model.Layout(TScrollBarKind::sbHorizontal, 121, 17);
  EXPECT_EQ(ScrollHitTest(l, {0, 5}), controls::kPartFirstArrow);
  EXPECT_EQ(ScrollHitTest(l, {16, 16}), controls::kPartFirstArrow);
  EXPECT_EQ(ScrollHitTest(l, {17, 5}), controls::kPartThumb) << "empty page before: the thumb";
  EXPECT_EQ(ScrollHitTest(l, {34, 5}), controls::kPartPageAfter);
  EXPECT_EQ(ScrollHitTest(l, {104, 5}), controls::kPartSecondArrow);
  EXPECT_EQ(ScrollHitTest(l, {121, 5}), controls::kPartNone);
  EXPECT_EQ(ScrollHitTest(l, {50, 17}), controls::kPartNone);

  // Travel 121 - (34 + 17) = 70 pixels for 90 positions.
  EXPECT_EQ(model.DragTarget(l, 0), 0);
  EXPECT_EQ(model.DragTarget(l, 35), 45);
  EXPECT_EQ(model.DragTarget(l, 70), 90);
  EXPECT_EQ(model.DragTarget(l, 500), 90);
  EXPECT_EQ(model.DragTarget(l, -40), 0);
  model.SetParams(0, -50, 50);
  EXPECT_EQ(model.DragTarget(model.Layout(TScrollBarKind::sbHorizontal, 121, 17), 7), -41);
  EXPECT_EQ(model.DragTarget(model.Layout(TScrollBarKind::sbHorizontal, 30, 17), 7), -50)
      << "no travel: the first position";
}
