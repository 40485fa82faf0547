// The geometry of the copper writers: quarter arcs, chords and fill corners.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "router/wiring_section.h"

namespace router {
namespace {

TEST(IsQuarterArc, OnlyTheFourQuartersWith360And0Folded) {
  struct Case {
    double start, end;
    bool quarter;
  } cases[] = {{0, 90, true},    {90, 180, true}, {180, 270, true}, {270, 360, true},
               {360, 90, true},  {270, 0, true},  {0, 45, false},   {45, 135, false},
               {90, 270, false}, {0, 360, false}, {180, 90, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsQuarterArc(c.start, c.end), c.quarter) << c.start << " " << c.end;
  }
}

TEST(ArcChords, StepFollowsArcLengthOnLargeRadii) {
  // 100 mil radius: 20 mil of arc is 11.459 degrees, so 0..45 takes four chords.
  const std::vector<TChord> chords = ArcChords({0, 0, 1000000, 0, 45});
  ASSERT_EQ(chords.size(), 4u);
  EXPECT_EQ(chords.front().from, (TPoint{1000000, 0}));
  EXPECT_EQ(chords.back().to, (TPoint{707107, 707107}));
  for (size_t i = 1; i < chords.size(); ++i) EXPECT_EQ(chords[i].from, chords[i - 1].to);
  const double step = std::atan2(chords[0].to.y, chords[0].to.x) * 180 / std::numbers::pi;
  EXPECT_NEAR(step, 11.459, 0.001);
}

TEST(ArcChords, SmallRadiiStepFourDegreesWrapPastZeroAndNoRadiusHasNone) {
  // 10 mil radius: 20 mil of arc would be 114 degrees; the step is 4 degrees at least and at
  // most what the arc length allows, so the larger of the two wins.
  EXPECT_EQ(ArcChords({0, 0, 100000, 0, 90}).size(), 1u);
  // 1000 mil: 1.15 degrees by length, 4 by the floor: 80 degrees take 20 chords.
  EXPECT_EQ(ArcChords({0, 0, 10000000, 10, 90}).size(), 20u);
  // An end below the start goes on past 360.
  const std::vector<TChord> wrapped = ArcChords({0, 0, 1000000, 350, 10});
  ASSERT_EQ(wrapped.size(), 2u);
  EXPECT_EQ(wrapped.back().to, (TPoint{984808, 173648}));
  // Without a radius, none.
  EXPECT_TRUE(ArcChords({5, 5, 0, 0, 45}).empty());
  EXPECT_TRUE(ArcChords({5, 5, -3, 0, 45}).empty());
}

// Fill corners in the rectangle's order, turned about its centre; a fill of no height has no
// diagonal angle, and its corners still turn with it.
TEST(FillCorners, AreTheRectanglesInOrderTurnedAboutTheCentre) {
  using Corners = std::array<TPoint, 4>;
  EXPECT_EQ(FillCorners(100, 200, 300, 600, 0),
            (Corners{{{100, 200}, {100, 600}, {300, 600}, {300, 200}}}));
  // 100 x 200 mil at 45 degrees about (1150, 2300) mil.
  EXPECT_EQ(FillCorners(11000000, 22000000, 12000000, 24000000, 45),
            (Corners{{{11853553, 21939340},
                      {10439340, 23353553},
                      {11146447, 24060660},
                      {12560660, 22646447}}}));
  EXPECT_EQ(FillCorners(0, 0, 100, 200, 90),
            (Corners{{{150, 50}, {-50, 50}, {-50, 150}, {150, 150}}}));
  EXPECT_EQ(FillCorners(0, 0, 200, 0, 90),
            (Corners{{{100, -100}, {100, -100}, {100, 100}, {100, 100}}}));
  EXPECT_EQ(FillCorners(0, 0, 200, 0, 0), (Corners{{{0, 0}, {0, 0}, {200, 0}, {200, 0}}}));
}

}  // namespace
}  // namespace router
