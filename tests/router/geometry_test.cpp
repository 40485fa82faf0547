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

TEST(Geometry, RightAnglesRotateExactly) {
  struct Case {
    double angle;
    bool mirror;
    TPoint out;
  };
  // Large coordinates: cos/sin rounding would show at right angles if they were not exact.
  const Case cases[] = {{0, false, {1000003, 7}},     {90, false, {-7, 1000003}},
                        {180, false, {-1000003, -7}}, {270, false, {7, -1000003}},
                        {0, true, {-1000003, 7}},     {90, true, {-7, -1000003}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    int32_t x = 1000003, y = 7;
    router::RotatePoint(x, y, c.mirror, c.angle);
    EXPECT_EQ((TPoint{x, y}), c.out);
  }
}

TEST(Geometry, OtherAnglesRoundToNearest) {
  int32_t x = 10, y = 0;
  router::RotatePoint(x, y, false, 45);
  EXPECT_EQ((TPoint{x, y}), (TPoint{7, 7}));
  x = 10, y = 0;
  router::RotatePoint(x, y, false, 30);  // 8.66, 5.0
  EXPECT_EQ((TPoint{x, y}), (TPoint{9, 5}));
}

TEST(Geometry, RotateAboutACentreNormalisesTheAngleFirst) {
  int32_t x = 110, y = 50;
  router::RotatePointAbout(x, y, 100, -270, 50);  // -270 is 90: exact
  EXPECT_EQ((TPoint{x, y}), (TPoint{100, 60}));
}

TEST(Geometry, ArcEndPoints) {
  const TArcGeometry arc{1000, 2000, 500, 0, 90};
  const auto ends = router::ArcEndPoints(arc);
  EXPECT_EQ(ends.start, (TPoint{1500, 2000}));
  EXPECT_EQ(ends.end, (TPoint{1000, 2500}));
}

TOutlineSegment Line(int32_t x, int32_t y) { return {0, x, y, {}}; }
TOutlineSegment Arc(TPoint vertex, TArcGeometry arc) { return {1, vertex.x, vertex.y, arc}; }

TEST(Geometry, ArcWalkStopsWhenTheRestIsNotLargerThanTheStep) {
  const TArcGeometry quarter{0, 0, 1000, 0, 90};
  TPointArray points;
  router::OutlineToPointArray({Arc({1000, 0}, quarter)}, 0, points, 30);
  EXPECT_EQ(points, (TPointArray{{1000, 0}, {866, 500}, {0, 1000}}));
  router::OutlineToPointArray({Arc({1000, 0}, quarter)}, 0, points, 45);
  EXPECT_EQ(points, (TPointArray{{1000, 0}, {0, 1000}}));
}

TEST(Geometry, ArcsAreWalkedFromTheEndTheOutlineArrivesAt) {
  const TArcGeometry quarter{0, 0, 1000, 0, 90};
  TPointArray points;
  router::OutlineToPointArray({Arc({0, 1000}, quarter)}, 0, points, -30);
  EXPECT_EQ(points, (TPointArray{{0, 1000}, {500, 866}, {1000, 0}}));
}

TEST(Geometry, ArcsAcrossZeroDegreesWalkTheShortWay) {
  const TArcGeometry across{0, 0, 1000, 270, 90};  // through 0 degrees
  TPointArray forward;
  router::OutlineToPointArray({Arc({0, -1000}, across)}, 0, forward, 45);
  EXPECT_EQ(forward, (TPointArray{{0, -1000}, {707, -707}, {1000, 0}, {0, 1000}}));
  TPointArray backward;
  router::OutlineToPointArray({Arc({0, 1000}, across)}, 0, backward, 45);
  EXPECT_EQ(backward, (TPointArray{{0, 1000}, {707, 707}, {1000, 0}, {0, -1000}}));
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
