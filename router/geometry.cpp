// Geometry of the design-file writer.
#include "router/geometry.h"

#include <cmath>
#include <numbers>

namespace router {

namespace {

// The default rounding mode rounds halves to even.
int32_t RoundToInt(double value) { return static_cast<int32_t>(std::lrint(value)); }

TPoint PointOnArc(const TArcGeometry& arc, double angle) {
  return {RoundToInt(CosDeg(angle) * arc.radius) + arc.centre_x,
          RoundToInt(SinDeg(angle) * arc.radius) + arc.centre_y};
}

void AppendArc(const TOutlineSegment& segment, double step, TPointArray& points) {
  const TArcGeometry& arc = segment.arc;
  step = std::fabs(step);
  double a = arc.start_angle;
  double b = arc.end_angle;
  const bool wraps = arc.end_angle < arc.start_angle;
  if (TPoint{segment.vertex_x, segment.vertex_y} == ArcEndPoints(arc).start) {
    if (wraps) b += 360;
  } else {
    // The outline arrives at the arc's end: walk it backwards.
    a = arc.end_angle;
    b = arc.start_angle;
    step = -step;
    if (wraps) a += 360;
  }
  while (std::fabs(a - b) > std::fabs(step)) {
    points.push_back(PointOnArc(arc, a));
    a += step;
  }
  points.push_back(PointOnArc(arc, b));
}

}  // namespace

void NormalizeAngle(double& angle) {
  if (angle >= 720) angle -= 360 * std::trunc(angle / 360);
  while (angle >= 360) angle -= 360;
  while (angle < 0) angle += 360;
}

double DegToRad(double degrees) { return degrees * std::numbers::pi / 180; }
double CosDeg(double degrees) { return std::cos(DegToRad(degrees)); }
double SinDeg(double degrees) { return std::sin(DegToRad(degrees)); }

void RotatePoint(int32_t& x, int32_t& y, bool mirror, double angle) {
  if (mirror) x = -x;
  const int32_t x0 = x;
  const int32_t y0 = y;
  if (angle == 0) return;
  if (angle == 90) {
    x = -y0;
    y = x0;
  } else if (angle == 180) {
    x = -x0;
    y = -y0;
  } else if (angle == 270) {
    x = y0;
    y = -x0;
  } else {
    const double c = CosDeg(angle);
    const double s = SinDeg(angle);
    x = RoundToInt(x0 * c - y0 * s);
    y = RoundToInt(y0 * c + x0 * s);
  }
}

void RotatePointAbout(int32_t& x, int32_t& y, int32_t centre_x, double angle, int32_t centre_y) {
  NormalizeAngle(angle);
  x -= centre_x;
  y -= centre_y;
  RotatePoint(x, y, false, angle);
  x += centre_x;
  y += centre_y;
}

TArcEnds ArcEndPoints(const TArcGeometry& arc) {
  return {PointOnArc(arc, arc.start_angle), PointOnArc(arc, arc.end_angle)};
}

void OutlineToPointArray(const std::vector<TOutlineSegment>& segments, int last,
                         TPointArray& points, double step) {
  points.clear();
  if (step == 0) return;
  const int count = std::min(last + 1, static_cast<int>(segments.size()));
  for (int i = 0; i < count; ++i) {
    const TOutlineSegment& segment = segments[static_cast<size_t>(i)];
    switch (static_cast<SegmentKind>(segment.kind)) {
      case SegmentKind::Line: points.push_back({segment.vertex_x, segment.vertex_y}); break;
      case SegmentKind::Arc: AppendArc(segment, step, points); break;
      default: break;
    }
  }
}

}  // namespace router
