// The scroll bar's range rules, steps and geometry, worked out by hand for a 121 x 17 bar.
#include "controls/xp_scroll_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using controls::ScrollHitTest;
using controls::ScrollLayout;
using controls::TScrollBarKind;
using controls::TScrollBarModel;

namespace {

// "left,top,right,bottom" of the five parts in order, then arrow size and thumb length.
std::string Parts(const ScrollLayout& l) {
  std::string out;
  for (int part = controls::kPartFirstArrow; part <= controls::kPartSecondArrow; ++part) {
    const RECT& r = l.parts[part];
    out += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + " ";
  }
  return out + "arrow " + std::to_string(l.arrow_size) + " thumb " + std::to_string(l.thumb_length);
}

// Position, page and highest position.
std::string State(const TScrollBarModel& m) {
  return std::to_string(m.Position()) + " page " + std::to_string(m.PageSize()) + " highest " +
         std::to_string(m.HighestPosition());
}

}  // namespace

TEST(ScrollBarModel, RangeRulesClampAndRefuseAReversedRange) {
  TScrollBarModel model;
  EXPECT_EQ(State(model), "0 page 0 highest 100") << "no page: the bar reaches Max, not Max + 1";
  EXPECT_FALSE(model.SetParams(0, 0, 100)) << "nothing new";
  EXPECT_TRUE(model.SetParams(40, 0, 100));
  EXPECT_FALSE(model.SetParams(7, 50, 10)) << "Max < Min";
  EXPECT_EQ(State(model) + " " + std::to_string(model.Min()) + ".." + std::to_string(model.Max()),
            "40 page 0 highest 100 0..100");
  EXPECT_TRUE(model.SetParams(500, 0, 100));
  EXPECT_EQ(model.Position(), 100);
  EXPECT_TRUE(model.SetParams(-5, 0, 100));
  EXPECT_EQ(model.Position(), 0);

  EXPECT_TRUE(model.SetPageSize(10));
  EXPECT_FALSE(model.SetPageSize(10)) << "nothing new";
  EXPECT_TRUE(model.SetParams(95, 0, 100));
  EXPECT_EQ(State(model), "91 page 10 highest 91") << "the last page shows 91 to 100";
  EXPECT_TRUE(model.SetPageSize(1000));
  EXPECT_EQ(State(model), "91 page 101 highest 0") << "a page change leaves the position";
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
      {controls::scLineUp, 50, 47},   {controls::scLineDown, 50, 53},
      {controls::scPageUp, 50, 25},   {controls::scPageDown, 50, 75},
      {controls::scTop, 50, 10},      {controls::scBottom, 50, 90},
      {controls::scTrack, 50, 50},    {controls::scEndScroll, 50, 50},
      {controls::scLineUp, 11, 10},   {controls::scPageUp, 20, 10},
      {controls::scPageDown, 80, 90}, {controls::scLineDown, 90, 90},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "code " << int{step.code} << " from " << step.from);
    model.SetParams(step.from, 10, 100);
    EXPECT_EQ(model.StepTarget(step.code), step.to);
  }
}

TEST(ScrollBarModel, LayoutPlacesArrowsTrackAndThumb) {
  TScrollBarModel model;
  const auto layout = [&](TScrollBarKind kind, int width, int height) {
    return Parts(model.Layout(kind, width, height));
  };
  constexpr auto kH = TScrollBarKind::sbHorizontal;
  EXPECT_EQ(layout(kH, 121, 17),
            "0,0,17,17 17,0,17,17 17,0,34,17 34,0,104,17 104,0,121,17 arrow 17 thumb 17")
      << "no page: the thumb is as long as the bar is thick";
  model.SetParams(50, 0, 100);
  model.SetPageSize(50);  // highest 51; thumb 50 * 87 / 101 = 43.07; start 17 + 50 * 44 / 51
  EXPECT_EQ(layout(kH, 121, 17),
            "0,0,17,17 17,0,60,17 60,0,103,17 103,0,104,17 104,0,121,17 arrow 17 thumb 43");
  model.SetParams(51, 0, 100);
  EXPECT_EQ(layout(TScrollBarKind::sbVertical, 17, 121),
            "0,0,17,17 0,17,17,61 0,61,17,104 0,104,17,104 0,104,17,121 arrow 17 thumb 43")
      << "the last position ends at the arrow";
  EXPECT_EQ(model.Layout(kH, 34, 17).arrow_size, 17);
  // Shorter than twice its thickness: half-length arrows, and a thumb that fits the track.
  EXPECT_EQ(layout(kH, 25, 17),
            "0,0,12,17 12,0,12,17 12,0,13,17 13,0,13,17 13,0,25,17 arrow 12 thumb 1");
  EXPECT_EQ(layout(kH, 24, 17),
            "0,0,12,17 12,0,12,17 12,0,12,17 12,0,12,17 12,0,24,17 arrow 12 thumb 0")
      << "no track, no thumb";

  // A position beyond the highest one (the page grew) keeps the thumb on the track.
  model.SetPageSize(0);
  model.SetParams(100, 0, 100);
  model.SetPageSize(60);
  EXPECT_EQ(model.Layout(kH, 121, 17).Part(controls::kPartThumb).right, 104);
}

TEST(ScrollBarModel, HitTestAndThumbDragFollowTheLayout) {
  TScrollBarModel model;
  model.SetParams(0, 0, 100);
  model.SetPageSize(11);  // highest 90; thumb 11 * 87 / 101 = 9.5 -> 17 (thickness)
  const ScrollLayout l = model.Layout(TScrollBarKind::sbHorizontal, 121, 17);
  std::string hits;
  for (const POINT p : {POINT{0, 5}, POINT{16, 16}, POINT{17, 5}, POINT{34, 5}, POINT{103, 5},
                        POINT{104, 5}, POINT{120, 16}, POINT{121, 5}, POINT{50, 17}}) {
    hits += std::to_string(ScrollHitTest(l, p));
  }
  EXPECT_EQ(hits, "113445500") << "an empty page before the thumb: the thumb";

  // Travel 121 - (34 + 17) = 70 pixels for 90 positions.
  std::string targets;
  for (int offset : {0, 35, 70, 500, -40})
    targets += std::to_string(model.DragTarget(l, offset)) + " ";
  EXPECT_EQ(targets, "0 45 90 90 0 ");
  model.SetParams(0, -50, 50);
  EXPECT_EQ(model.DragTarget(model.Layout(TScrollBarKind::sbHorizontal, 121, 17), 7), -41);
  EXPECT_EQ(model.DragTarget(model.Layout(TScrollBarKind::sbHorizontal, 30, 17), 7), -50)
      << "no travel: the first position";
}
