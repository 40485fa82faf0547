// Geometry of the design-file writer: angles, rotations that stay exact at right angles, arc end
// points, and outlines with arcs flattened into points.
#pragma once

#include <cstdint>
#include <vector>

namespace router {

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};
using TPointArray = std::vector<TPoint>;

// An arc in internal units, angles in degrees counter-clockwise.
struct TArcGeometry {
  int32_t centre_x = 0;
  int32_t centre_y = 0;
  int32_t radius = 0;
  double start_angle = 0;
  double end_angle = 0;
};

enum class SegmentKind : uint8_t { Line = 0, Arc = 1 };

// One segment of a polygon outline as the host stores it: a line to its vertex, or an arc
// whose end nearer the vertex is where the outline arrives.
struct TOutlineSegment {
  uint8_t kind = 0;  // SegmentKind; other values are skipped
  int32_t vertex_x = 0;
  int32_t vertex_y = 0;
  TArcGeometry arc;
};

// Brings an angle into [0, 360).
void NormalizeAngle(double& angle);
double DegToRad(double degrees);
double CosDeg(double degrees);
double SinDeg(double degrees);

// Rotates about the origin (mirrored in x first when asked). Angles of exactly 0, 90, 180 and
// 270 degrees are exact; others round to the nearest integer, ties to even.
void RotatePoint(int32_t& x, int32_t& y, bool mirror, double angle);
void RotatePointAbout(int32_t& x, int32_t& y, int32_t centre_x, double angle, int32_t centre_y);

struct TArcEnds {
  TPoint start;
  TPoint end;
};
TArcEnds ArcEndPoints(const TArcGeometry& arc);

// The outline's segments 0..last as points: line vertices as they are, arcs walked in steps of
// `step` degrees from the end the outline arrives at. A step of 0 gives no points.
void OutlineToPointArray(const std::vector<TOutlineSegment>& segments, int last,
                         TPointArray& points, double step);

}  // namespace router
