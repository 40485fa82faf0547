// The arithmetic of sizing, snapping, drag-scroll strips and panning, by hand-derived tables.
#include "treelist/sizing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using treelist::PanDirection;

struct RedistributeCase {
  const char* why;
  std::vector<int> widths;
  int index, width;
  std::vector<int> expected;
  int taken, had;
};

// The first widened by 10: the others give 10 as 100:150, the last the remainder; a middle one
// narrowed: only those after it take the 9; the last takes from those before it.
const RedistributeCase kRedistributeCases[] = {
    {"first", {100, 100, 150}, 0, 110, {110, 96, 144}, 240, 250},
    {"middle", {100, 100, 150}, 1, 91, {100, 91, 159}, 159, 150},
    {"last", {60, 90, 150}, 2, 160, {56, 84, 160}, 140, 150},
    {"MulDiv rounds 2.5 up, the last absorbs it", {3, 3, 3}, 0, 4, {4, 3, 2}, 5, 6},
    {"nothing to take from", {80}, 0, 120, {120}, 0, 0},
    {"the others have nothing", {50, 0, 0}, 0, 40, {40, 0, 0}, 0, 0},
    {"more than the others have: none below 0", {100, 20, 30}, 0, 200, {200, 0, 0}, 0, 50},
};

TEST(SizingArithmetic, RedistributionKeepsTheSumAndTheProportions) {
  for (const RedistributeCase& c : kRedistributeCases) {
    SCOPED_TRACE(c.why);
    const treelist::Redistribution r = treelist::RedistributeWidths(c.widths, c.index, c.width);
    EXPECT_EQ(r.widths, c.expected);
    EXPECT_EQ(r.taken, c.taken);
    EXPECT_EQ(r.had, c.had);
  }
  EXPECT_EQ(treelist::FillRowTo({30, 40, 50}, 200), (std::vector<int>{30, 40, 130}));
}

TEST(SizingArithmetic, PanelsSnapToTheNearerRowOnePixelEitherSideOfTheMiddle) {
  // Band rows of 13 pixels, standard look: bottoms 19, 32, 45; middles 25 and 38.
  EXPECT_EQ(treelist::BandPanelRowBottom(2, 13, 0), 32);
  EXPECT_EQ(treelist::BandPanelRowBottom(2, 13, 1), 31);
  const int snapped[][2] = {{0, 1}, {24, 1}, {25, 2}, {37, 2}, {38, 3}, {500, 5}};
  for (const auto& [y, rows] : snapped) {
    EXPECT_EQ(treelist::SnapBandPanelRows(y, 13, 0, 5), rows) << "y " << y;
  }
  EXPECT_EQ(treelist::SnapBandPanelRows(500, 13, 0, 3), 3) << "the maximum";
  const int above[][2] = {{0, 1}, {31, 1}, {32, 2}, {45, 3}, {1000, 5}};
  for (const auto& [y, rows] : above) {
    EXPECT_EQ(treelist::BandPanelRowsAbove(y, 13, 0, 5), rows) << "y " << y;
  }
  // Header rows of 19 pixels: the boundary nearest the line, at least 1, at most the maximum.
  const int header[][3] = {{0, 4, 1}, {28, 4, 1}, {29, 4, 2}, {200, 4, 4}, {200, 0, 11}};
  for (const auto& [y, max, rows] : header) {
    EXPECT_EQ(treelist::HeaderPanelRowsAt(y, 19, max), rows) << "y " << y << " max " << max;
  }
  EXPECT_EQ(treelist::HeaderPanelRowsAt(50, 0, 4), 1) << "no line height, no division";
}

TEST(SizingArithmetic, DragScrollStripsAre12PixelsInsideEachEdge) {
  const int cases[][2] = {{10, 0},  {11, -1}, {21, -1}, {22, 0}, {150, 0},
                          {288, 0}, {289, 1}, {300, 1}, {301, 0}};
  for (const auto& [x, direction] : cases) {
    EXPECT_EQ(treelist::DragScrollDirection(x, 10, 300), direction) << "x " << x;
  }
}

struct PanCase {
  const char* why;
  POINT point;
  bool horizontal, vertical;
  PanDirection direction;
  int speed;
};

const PanCase kPanCases[] = {
    {"14 below: still dead", {500, 514}, true, true, PanDirection::None, 0},
    {"14 left and above: still dead", {486, 486}, true, true, PanDirection::None, 0},
    {"14 right: still dead", {514, 500}, true, true, PanDirection::None, 0},
    {"15 left: the slowest", {485, 500}, true, true, PanDirection::Left, 1},
    {"15 below: the slowest", {500, 515}, true, true, PanDirection::Down, 1},
    {"68 above", {500, 432}, true, true, PanDirection::Up, 11},
    {"69 right: the fastest", {569, 500}, true, true, PanDirection::Right, 12},
    {"equal distances go vertical", {540, 540}, true, true, PanDirection::Down, 6},
    {"no horizontal bar: x never leaves the zone", {900, 505}, false, true, PanDirection::None, 0},
    {"no vertical bar: the horizontal axis wins", {520, 900}, true, false, PanDirection::Right, 2},
    {"no bars: dead everywhere", {0, 0}, false, false, PanDirection::None, 0},
};

TEST(SizingArithmetic, PanSpeedGrowsFromTheDeadZoneOfThePicture) {
  for (const PanCase& c : kPanCases) {
    SCOPED_TRACE(c.why);
    const treelist::PanMotion m =
        treelist::PanMotionAt(c.point, {500, 500}, 29, c.horizontal, c.vertical);
    EXPECT_EQ(m.direction, c.direction);
    EXPECT_EQ(m.speed, c.speed);
    EXPECT_EQ(m.outside, c.direction != PanDirection::None);
  }
}

}  // namespace
