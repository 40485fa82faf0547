// Angles, rotations, arc end points and flattened outlines.
#include "router/geometry.h"

#include <gtest/gtest.h>

namespace {

using router::TArcGeometry;
using router::TOutlineSegment;
using router::TPoint;
using router::TPointArray;

TEST(Geometry, NormalizeAngleBringsAnglesIntoOneTurn) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{-90, 270}, {1080, 0},      {725, 5},     {360, 0},
                        {-720, 0},  {359.5, 359.5}, {-0.5, 359.5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    double angle = c.in;
    router::NormalizeAngle(angle);
    EXPECT_DOUBLE_EQ(angle, c.out);
  }
}

// Rotations are exact at right angles (large coordinates would show cos/sin rounding if they were
// not) and round to the nearest unit elsewhere; about a centre, the angle is normalised first.
TEST(Geometry, RotationsAreExactAtRightAnglesAndRoundElsewhere) {
  struct Case {
    double angle;
    bool mirror;
    TPoint in, out;
  };
  const TPoint far{1000003, 7};
  const Case cases[] = {
      {0, false, far, {1000003, 7}},     {90, false, far, {-7, 1000003}},
      {180, false, far, {-1000003, -7}}, {270, false, far, {7, -1000003}},
      {0, true, far, {-1000003, 7}},     {90, true, far, {-7, -1000003}},
      {45, false, {10, 0}, {7, 7}},      {30, false, {10, 0}, {9, 5}},  // 8.66, 5.0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    TPoint p = c.in;
    router::RotatePoint(p.x, p.y, c.mirror, c.angle);
    EXPECT_EQ(p, c.out);
  }
  int32_t x = 110, y = 50;
  router::RotatePointAbout(x, y, 100, -270, 50);  // -270 is 90: exact
  EXPECT_EQ((TPoint{x, y}), (TPoint{100, 60}));
}

TOutlineSegment Line(int32_t x, int32_t y) { return {0, x, y, {}}; }

// An arc's end points; arcs of outlines are walked from the end the outline arrives at, the short
// way across 0 degrees, until the rest is not larger than the step.
TEST(Geometry, ArcsAreWalkedInStepsFromTheEndTheOutlineArrivesAt) {
  const TArcGeometry quarter{0, 0, 1000, 0, 90}, across{0, 0, 1000, 270, 90};
  const auto ends = router::ArcEndPoints({1000, 2000, 500, 0, 90});
  EXPECT_EQ(ends.start, (TPoint{1500, 2000}));
  EXPECT_EQ(ends.end, (TPoint{1000, 2500}));
  struct Case {
    TPoint vertex;
    TArcGeometry arc;
    double step;
    TPointArray points;
  };
  const Case cases[] = {
      {{1000, 0}, quarter, 30, {{1000, 0}, {866, 500}, {0, 1000}}},
      {{1000, 0}, quarter, 45, {{1000, 0}, {0, 1000}}},
      {{0, 1000}, quarter, -30, {{0, 1000}, {500, 866}, {1000, 0}}},
      {{0, -1000}, across, 45, {{0, -1000}, {707, -707}, {1000, 0}, {0, 1000}}},
      {{0, 1000}, across, 45, {{0, 1000}, {707, 707}, {1000, 0}, {0, -1000}}},
  };
  for (const Case& c : cases) {
    TPointArray points;
    router::OutlineToPointArray({{1, c.vertex.x, c.vertex.y, c.arc}}, 0, points, c.step);
    EXPECT_EQ(points, c.points) << c.vertex.x << "," << c.vertex.y << " step " << c.step;
  }
}

TEST(Geometry, OutlinesKeepLineVerticesAndSkipUnknownKinds) {
  const std::vector<TOutlineSegment> square = {
      Line(0, 0), Line(100, 0), {7, 5, 5, {}}, Line(100, 100), Line(0, 100)};
  TPointArray points;
  router::OutlineToPointArray(square, 4, points, 10);
  EXPECT_EQ(points, (TPointArray{{0, 0}, {100, 0}, {100, 100}, {0, 100}}));
  router::OutlineToPointArray(square, 1, points, 10);
  EXPECT_EQ(points.size(), 2u);
  router::OutlineToPointArray(square, 4, points, 0);
  EXPECT_TRUE(points.empty());
}

}  // namespace
