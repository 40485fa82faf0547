// The copper writers of the structure and wiring sections.
#include "router/wiring_section.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

#include "router/design_file_names.h"
#include "router/library_images.h"
#include "router/padstack.h"
#include "router/padstack_pad.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

namespace {

constexpr double kMinChordDegrees = 4;
constexpr double kChordArcLength = 200000;  // 20 mil of arc per chord at most
constexpr double kOutlineArcStep = 4;
// How many lines after the last net's the copper writer looks at before the table.
constexpr size_t kNetLinesAhead = 2;
// The objects whose lines go to the output's text in one piece.
constexpr int kObjectsPerEnd = 32;

bool IsCopperLayer(int layer) {
  return (layer >= kTopLayer && layer <= kBottomLayer) || layer == kKeepOutLayer ||
         layer == kMultiLayer;
}

// Halves to even, as the coordinates of the rest of the file.
int32_t RoundUnits(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

DesignText& PutPoint(DesignText& text, TPoint p) { return text.Number(p.x).Put(' ').Number(p.y); }

std::string PointText(TPoint p) { return FormatDesignNumber(p.x) + " " + FormatDesignNumber(p.y); }

// Copper the export marks fixed whatever its net: protected copper and every arc.
bool IsMarkedFixed(const sdk::TPCBObject& object) {
  // By the object's id: a cast asks the type's name of the runtime, which compares the names'
  // texts here, for every piece of copper of the board.
  return object.GetObjectId() == pcbapi::kArc || object.GetBitField2Bit3();
}

// Toward zero, clamped to the coordinate range.
int32_t CutToUnits(double value) {
  return static_cast<int32_t>(std::clamp(std::trunc(value), static_cast<double>(INT32_MIN),
                                         static_cast<double>(INT32_MAX)));
}

constexpr pcbapi::Byte kCutOutRegion = 1;

[[noreturn]] void RefuseCopper(const std::string& object, int layer, const std::string& size,
                               int32_t value) {
  RefuseCopperSize(object + " on " + std::string(DesignFileLayerName(layer)), size, value);
}

// A polygon read from the editor with the values its wrapper keeps to itself.
struct TPolygonRecord {
  uint16_t flags = 0, aux_word = 0;
  pcbapi::LayerId layer = 0;
  sdk::Handle net = 0;
  pcbapi::Byte aux_byte = 0, pour_over = 0, remove_dead = 0, hatch_style = 0;
  sdk::Coord grid = 0, track_width = 0;
  pcbapi::Byte use_octagons = 0, remove_islands = 0;
  sdk::Coord min_prim_length = 0;
  pcbapi::Byte polygon_kind = 0;
  int32_t segment_count = 0;
  std::unique_ptr<pcbapi::OutlineBlock> outline = std::make_unique<pcbapi::OutlineBlock>();

  bool Read(sdk::Handle handle) {
    return sdk::PcbApi_QueryPolygon(
               pcbapi::kRead, handle, &flags, &aux_word, &layer, &net, &aux_byte, &pour_over,
               &remove_dead, &hatch_style, &grid, &track_width, &use_octagons, &remove_islands,
               &min_prim_length, &polygon_kind, &segment_count, outline.get()) == pcbapi::kSuccess;
  }
};

}  // namespace

namespace {
// A track as the wiring reads it: its record and the bit field that marks fixed copper. The
// third bit field, which the wiring never looks at, is not asked for: one exchange of the three
// of every track of the board.
class TWiringTrack : public sdk::TPcbTrack {
 public:
  using TPcbTrack::TPcbTrack;
  int Read() {
    sdk::PcbApi_GetObjectBitField2(pcbapi::kRead, handle_, &bit_field2_);
    sdk::Coord x2 = 0, y2 = 0, width = 0;
    int32_t owner_polygon = 0;
    const int result = sdk::PcbApi_QueryTrack(pcbapi::kRead, handle_, &flags_, &aux_word_, &layer_,
                                              &net_handle_, &aux_byte_, &aux_integer_, &x_, &y_,
                                              &x2, &y2, &width, &owner_polygon, nullptr, nullptr);
    SetX2(x2);
    SetY2(y2);
    SetWidth(width);
    SetAuxValue1(owner_polygon);
    return result;
  }
};

// A via as the copper writer reads it: what the section writes of it and the bit field that marks
// fixed copper. The third bit field, which the writer never looks at, is not asked for.
class TWiringVia : public sdk::TPcbVia {
 public:
  using TPcbVia::TPcbVia;
  int Read() {
    sdk::PcbApi_GetObjectBitField2(pcbapi::kRead, handle_, &bit_field2_);
    sdk::Coord size = 0;
    const int result = sdk::PcbApi_QueryVia(pcbapi::kRead, handle_, nullptr, &aux_word_, nullptr,
                                            &net_handle_, &aux_byte_, nullptr, &x_, &y_, &size,
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    SetSize(size);
    return result;
  }
};

std::vector<TOutlineSegment> OutlineSegments(const pcbapi::OutlineBlock& block, int count) {
  std::vector<TOutlineSegment> segments;
  count = std::clamp(count, 0, pcbapi::kOutlineSegmentCapacity);
  segments.reserve(count);
  for (int i = 0; i < count; ++i) {
    const pcbapi::OutlineSegment& s = block.segments[i];
    TOutlineSegment segment;
    segment.kind = s.kind;
    segment.vertex_x = s.vx;
    segment.vertex_y = s.vy;
    segment.arc = {s.cx, s.cy, s.radius, s.start_angle, s.end_angle};
    segments.push_back(segment);
  }
  return segments;
}
}  // namespace

TPointArray OutlinePoints(const pcbapi::OutlineBlock& block, int count) {
  TPointArray points;
  const std::vector<TOutlineSegment> segments = OutlineSegments(block, count);
  if (!segments.empty()) {
    OutlineToPointArray(segments, static_cast<int>(segments.size()) - 1, points, kOutlineArcStep);
  }
  return points;
}

TPointArray RegionVertices(sdk::Handle region) {
  TPointArray points;
  // Far beyond any real contour: an editor that never says "past the end" cannot hang the export.
  constexpr int32_t kMaxVertices = 1 << 20;
  for (int32_t i = 0; i < kMaxVertices; ++i) {
    double x = 0, y = 0;
    if (sdk::PcbApi_GetRegionVertexAt(region, i, &x, &y) != pcbapi::kSuccess) break;
    if (!std::isfinite(x) || !std::isfinite(y)) break;
    points.push_back({CutToUnits(x), CutToUnits(y)});
  }
  return points;
}

bool IsQuarterArc(double start, double end) {
  if (start == 360) start = 0;
  if (end == 0) end = 360;
  return (start == 0 && end == 90) || (start == 90 && end == 180) || (start == 180 && end == 270) ||
         (start == 270 && end == 360);
}

std::vector<TChord> ArcChords(const TArcGeometry& arc) {
  std::vector<TChord> chords;
  // A point has no chords, and its step would divide by zero.
  if (arc.radius <= 0) return chords;
  const double radius = arc.radius;
  const double step = std::max(kMinChordDegrees, kChordArcLength / radius * 180 / std::numbers::pi);
  double end = arc.end_angle;
  if (end < arc.start_angle) end += 360;
  auto at = [&](double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    return TPoint{RoundUnits(arc.centre_x + radius * std::cos(radians)),
                  RoundUnits(arc.centre_y + radius * std::sin(radians))};
  };
  for (double a = arc.start_angle; a < end;) {
    const double b = std::min(a + step, end);
    chords.push_back({at(a), at(b)});
    a = b;
  }
  return chords;
}

std::vector<TChord> ArcWireChords(const sdk::TPcbArc& arc) {
  if (IsQuarterArc(arc.GetStartAngle(), arc.GetEndAngle())) return {};
  double start = arc.GetStartAngle(), end = arc.GetEndAngle();
  if (start == 360) start = 0;
  if (end == 0) end = 360;
  return ArcChords({arc.GetX(), arc.GetY(), arc.GetRadius(), start, end});
}

bool IsFixedCopper(const sdk::TPCBObject& object, TNetPadCounts& nets) {
  const sdk::Handle net = object.GetNetHandle();
  return IsMarkedFixed(object) || (net != 0 && !nets.InNetwork(net));
}

std::array<TPoint, 4> FillCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double rotation) {
  // The corner offsets are turned directly: the same points as going through the half
  // diagonal's angle, without dividing by a height that may be 0.
  const double hx = std::fabs(static_cast<double>(x2) - x1) / 2;
  const double hy = std::fabs(static_cast<double>(y2) - y1) / 2;
  const double cx = x1 / 2 + x2 / 2;  // each half cut toward zero
  const double cy = y1 / 2 + y2 / 2;
  const double t = rotation * std::numbers::pi / 180;
  const double c = std::cos(t), s = std::sin(t);
  auto corner = [&](double dx, double dy) {
    return TPoint{RoundUnits(cx + dx * c - dy * s), RoundUnits(cy + dx * s + dy * c)};
  };
  return {corner(-hx, -hy), corner(-hx, hy), corner(hx, hy), corner(hx, -hy)};
}

sdk::LegacyLayerSet CopperLayers() {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(kTopLayer, kBottomLayer);
  layers.Include(kKeepOutLayer);
  layers.Include(kMultiLayer);
  return layers;
}

TCopperWriter::TCopperWriter(DesignFileOutput& out, const TRouterSettings& settings,
                             const TPadStackList* padstacks, bool as_keepouts)
    : out_(out), settings_(settings), padstacks_(padstacks), as_keepouts_(as_keepouts) {}

bool TCopperWriter::IsHatchPrimitive(const sdk::TPCBObject& object) const {
  return settings_.export_polygons && object.GetHandle() != 0 && settings_.polygons_as_hatch &&
         object.GetNetHandle() == 0 && object.GetAuxValue1() != 0;
}

TCopperWriter::TNetLine TCopperWriter::NetLineOf(sdk::Handle net) {
  if (net == 0) return {};
  const size_t ahead_end = std::min(made_.size(), last_made_ + 1 + kNetLinesAhead);
  for (size_t at = last_made_; at < ahead_end; ++at) {
    if (made_[at].net == net) {
      last_made_ = at;
      return made_[at].line;
    }
  }
  if (const uint32_t* at = made_at_.Find(net)) {
    last_made_ = *at;
    return made_[last_made_].line;
  }
  TNetLine line;
  // A net the router would see with one pin or none is left to the wire alone.
  if (nets_.InNetwork(net)) {
    line.at = static_cast<uint32_t>(net_text_.size());
    net_text_ += "(net ";
    // The network section notes the name of each net it writes.
    const std::string_view noted = nets_.NameOf(net);
    if (noted.empty()) {
      AppendEscapedName(net_text_, sdk::GetObjectNameByHandle(net));
    } else {
      net_text_ += noted;
    }
    net_text_ += ')';
    line.size = static_cast<uint32_t>(net_text_.size() - line.at);
  }
  last_made_ = made_.size();
  made_at_[net] = static_cast<uint32_t>(last_made_);
  made_.push_back({net, line});
  return line;
}

TCopperWriter::TWireTail TCopperWriter::TailOf(const sdk::TPCBObject& object) {
  TWireTail tail;
  tail.hatch = IsHatchPrimitive(object);
  tail.net = tail.hatch ? sdk::GetObjectNetByHandle(static_cast<sdk::Handle>(object.GetAuxValue1()))
                        : object.GetNetHandle();
  tail.line = NetLineOf(tail.net);
  // IsFixedCopper, with the net's place in the network read off its line: a hatch primitive
  // has no net of its own.
  tail.fixed = IsMarkedFixed(object) || (!tail.hatch && tail.net != 0 && tail.line.size == 0);
  tail.normal = object.GetAuxByte() != 0;
  return tail;
}

void TCopperWriter::WriteNet(const TNetLine& line) {
  if (line.size != 0) out_.Begin().Put(std::string_view(net_text_.data() + line.at, line.size));
}

void TCopperWriter::WriteType(bool normal, bool protect) {
  if (settings_.protect_pre_routes || protect || !normal) {
    out_.Begin().Put("(type protect)");
  } else {
    out_.Begin().Put("(type normal)");
  }
}

void TCopperWriter::WriteTail(const TWireTail& tail) {
  static const std::string hatch_turret = "(turret " + std::to_string(kHatchMarker) + ")";
  static const std::string fixed_turret = "(turret " + std::to_string(kProtectedMarker) + ")";
  WriteNet(tail.line);
  if (tail.hatch) {
    out_.Begin().Put(hatch_turret);
    return;
  }
  // The route file gives fixed copper back; without the marker a re-import would add it twice.
  if (tail.fixed) out_.Begin().Put(fixed_turret);
  WriteType(tail.normal, tail.fixed);
}

DesignText& TCopperWriter::BeginPolygon(int layer) {
  DesignText& text = out_.Begin();
  if (as_keepouts_) {
    text.Put("(keepout ");
  } else {
    text.Put("(wire ");
    out_.Raise();
    out_.Begin();
  }
  return text.Put("(polygon ").Put(DesignFileLayerName(layer)).Put(' ').Number(0);
}

void TCopperWriter::EndWire(const sdk::TPCBObject& object) {
  WriteNet(NetLineOf(object.GetNetHandle()));
  WriteType(object.GetAuxByte() != 0, object.GetBitField2Bit3());
  out_.Lower();
  out_.Begin().Put(')');
  EndObject();
}

void TCopperWriter::EndObject() {
  if (++unended_ < kObjectsPerEnd) return;
  unended_ = 0;
  out_.End();
}

void TCopperWriter::WriteViaOpener(int padstack, TPoint at) {
  PutPoint(out_.Begin().Put("(via ").Put(padstacks_->PadStackName(padstack)).Put(' '), at);
}

void TCopperWriter::WritePathWire(int layer, int32_t width, TPoint from, TPoint to,
                                  const TWireTail& tail) {
  out_.Begin().Put(as_keepouts_ ? "(keepout " : "(wire ");
  out_.Raise();
  DesignText& path =
      out_.Begin().Put("(path ").Put(DesignFileLayerName(layer)).Put(' ').Number(width).Put(' ');
  PutPoint(PutPoint(path, from).Put(' '), to).Put(')');
  if (!as_keepouts_) WriteTail(tail);
  out_.Lower();
  out_.Begin().Put(')');
  EndObject();
}

void TCopperWriter::WriteTrack(sdk::Handle handle) {
  TWiringTrack track(handle);
  if (track.Read() != pcbapi::kSuccess) return;
  const int layer = track.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  const TPoint from{track.GetX(), track.GetY()}, to{track.GetX2(), track.GetY2()};
  if (track.GetWidth() < 0) {
    RefuseCopper("track from " + PointText(from) + " to " + PointText(to), layer, "width",
                 track.GetWidth());
  }
  if (as_keepouts_) {
    if (track.GetNetHandle() == 0 && track.GetAuxValue1() == 0) {
      WritePathWire(layer, track.GetWidth(), from, to, {});
    }
    return;
  }
  const TWireTail tail = TailOf(track);
  if (track.GetNetHandle() != 0 || tail.hatch)
    WritePathWire(layer, track.GetWidth(), from, to, tail);
}

void TCopperWriter::WriteArc(sdk::Handle handle) {
  sdk::TPcbArc arc(handle);
  if (arc.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
  const int layer = arc.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  if (arc.GetRadius() < 0 || arc.GetLineWidth() < 0) {
    const bool radius = arc.GetRadius() < 0;
    RefuseCopper("arc about " + PointText({arc.GetX(), arc.GetY()}), layer,
                 radius ? "radius" : "width", radius ? arc.GetRadius() : arc.GetLineWidth());
  }
  TWireTail tail;
  if (as_keepouts_) {
    if (arc.GetNetHandle() != 0 || arc.GetAuxValue1() != 0) return;
  } else {
    tail = TailOf(arc);
    if (arc.GetNetHandle() == 0 && !tail.hatch) return;
  }
  if (arc.GetRadius() == 0) return;  // no extent to route round
  if (IsQuarterArc(arc.GetStartAngle(), arc.GetEndAngle())) {
    auto put_qarc = [&](DesignText& text) {
      text.Put("(qarc ").Put(DesignFileLayerName(layer)).Put(' ').Number(arc.GetLineWidth());
      PutPoint(text.Put(' '), {arc.GetStartX(), arc.GetStartY()});
      PutPoint(text.Put(' '), {arc.GetEndX(), arc.GetEndY()});
      PutPoint(text.Put(' '), {arc.GetX(), arc.GetY()}).Put(')');
    };
    if (as_keepouts_) {
      DesignText& keepout = out_.Begin().Put("(keepout ");
      put_qarc(keepout);
      keepout.Put(')');
      EndObject();
      return;
    }
    out_.Begin().Put("(wire ");
    out_.Raise();
    put_qarc(out_.Begin());
    WriteTail(tail);
    out_.Lower();
    out_.Begin().Put(')');
    EndObject();
    return;
  }
  for (const TChord& chord : ArcWireChords(arc)) {
    WritePathWire(layer, arc.GetLineWidth(), chord.from, chord.to, tail);
  }
}

void TCopperWriter::WriteFill(sdk::Handle handle) {
  sdk::TPcbFill fill(handle);
  if (fill.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
  const int layer = fill.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  const bool netted = fill.GetNetHandle() != 0;
  if (netted == as_keepouts_) return;
  DesignText& text = BeginPolygon(layer);
  for (const TPoint& p :
       FillCorners(fill.GetX(), fill.GetY(), fill.GetX2(), fill.GetY2(), fill.GetRotation())) {
    PutPoint(text.Put(' '), p);
  }
  text.Put(')');
  if (as_keepouts_) {
    text.Put(')');
    EndObject();
    return;
  }
  EndWire(fill);
}

void TCopperWriter::WritePolygon(sdk::Handle handle) {
  if (!settings_.export_polygons) return;
  sdk::TPcbPolygon polygon(handle);
  TPolygonRecord record;  // the track width, which the wrapper does not show
  if (polygon.Sync(pcbapi::kRead) != pcbapi::kSuccess || !record.Read(handle)) return;
  const int layer = polygon.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  const bool netted = polygon.GetNetHandle() != 0;
  if (netted == as_keepouts_) return;
  const TPointArray points = OutlinePoints(*record.outline, record.segment_count);
  if (!as_keepouts_) {
    out_.Begin().Put("(wire ");
    out_.Raise();
  }
  DesignText& text = out_.Begin().Put(as_keepouts_ ? "(keepout (polygon " : "(polygon ");
  text.Put(DesignFileLayerName(layer)).Put(' ').Number(record.track_width).Put(' ');
  // The first point follows the opener on its line, indented as the points below it.
  out_.Raise();
  if (!points.empty()) PutPoint(text.Put(out_.IndentText()), points[0]);
  for (size_t i = 1; i < points.size(); ++i) PutPoint(out_.Begin(), points[i]);
  if (as_keepouts_) {
    out_.Lower();
    out_.Begin().Put("))");
    EndObject();
    return;
  }
  out_.Begin().Put("(wireplow on)");
  out_.Lower();
  out_.Begin().Put(')');
  EndWire(polygon);
}

void TCopperWriter::WriteFreePad(sdk::Handle handle) {
  TPadStackPcbPad pad(handle);
  if (pad.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
  if (!IsCopperLayer(pad.GetLegacyLayer())) return;
  const bool netted = pad.GetNetHandle() != 0;
  if (netted == as_keepouts_) return;
  if (as_keepouts_) {
    WritePadKeepout(out_, pad.GetMidShape(), pad.GetMidXSize(), pad.GetMidYSize(), pad.GetX(),
                    pad.GetY(), pad.GetLegacyLayer(), pad.GetRotation());
    return;
  }
  if (!padstacks_) return;
  WriteViaOpener(pad.PadStackNumber(), {pad.GetX(), pad.GetY()});
  out_.Raise();
  EndWire(pad);
}

void TCopperWriter::WriteVia(sdk::Handle handle) {
  static const std::string via_number = "(via_number " + std::to_string(kProtectedMarker) + ")";
  TWiringVia via(handle);
  if (via.Read() != pcbapi::kSuccess) return;
  const bool netted = via.GetNetHandle() != 0;
  if (netted == as_keepouts_) return;
  if (as_keepouts_) {
    DesignText& keepout =
        out_.Begin().Put("(keepout (circle signal ").Number(via.GetSize()).Put(' ');
    PutPoint(keepout, {via.GetX(), via.GetY()}).Put("))");
    EndObject();
    return;
  }
  if (!padstacks_) return;
  const TNetLine line = NetLineOf(via.GetNetHandle());
  WriteViaOpener(via.GetAuxWord(), {via.GetX(), via.GetY()});
  out_.Raise();
  WriteNet(line);
  // IsFixedCopper, with the net's place in the network read off its line.
  const bool fixed = IsMarkedFixed(via) || line.size == 0;
  if (fixed) out_.Begin().Put(via_number);
  WriteType(via.GetAuxByte() != 0, fixed);
  out_.Lower();
  out_.Begin().Put(')');
  EndObject();
}

void TCopperWriter::WriteTextKeepout(sdk::Handle handle) {
  sdk::TPcbText text(handle);
  if (text.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
  const int layer = text.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  sdk::Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  text.GetBoundingRectangle(&x1, &y1, &x2, &y2);
  DesignText& keepout = out_.Begin().Put("(keepout (rect ").Put(DesignFileLayerName(layer));
  PutPoint(PutPoint(keepout.Put(' '), {x1, y1}).Put(' '), {x2, y2}).Put("))");
  EndObject();
}

void TCopperWriter::WriteRegion(sdk::Handle handle) {
  sdk::TPCBRegion region(handle);
  if (region.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
  pcbapi::Byte region_kind = 0;
  if (sdk::PcbApi_QueryRegion(pcbapi::kRead, handle, &region_kind, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) != pcbapi::kSuccess ||
      region_kind == kCutOutRegion) {
    return;
  }
  const int layer = region.GetLegacyLayer();
  if (!IsCopperLayer(layer)) return;
  const bool netted = region.GetNetHandle() != 0;
  if (netted == as_keepouts_) return;
  const TPointArray points = RegionVertices(handle);
  if (points.empty()) return;
  BeginPolygon(layer);
  out_.Raise();
  for (const TPoint& p : points) PutPoint(out_.Begin(), p);
  out_.Lower();
  if (as_keepouts_) {
    out_.Begin().Put("))");
    EndObject();
    return;
  }
  out_.Begin().Put(')');
  EndWire(region);
}

void WriteWiringSection(DesignFileOutput& out, const sdk::TPcbBoard& board,
                        const TRouterSettings& settings, const TPadStackList* padstacks,
                        TNetPadCounts pad_counts) {
  TCopperWriter writer(out, settings, padstacks, false);
  writer.KnowPadCounts(std::move(pad_counts));
  const sdk::LegacyLayerSet copper = CopperLayers();
  auto visit = [&](pcbapi::ObjectKind kind, const sdk::LegacyLayerSet& layers, uint8_t method,
                   void (TCopperWriter::*write)(sdk::Handle)) {
    board.IterateObjects([&](sdk::Handle handle) { (writer.*write)(handle); }, 1u << kind, layers,
                         method);
  };
  out.Line("(wiring");
  out.Raise();
  if (!settings.polygons_as_hatch) {
    visit(pcbapi::kPolygon, copper, pcbapi::kAllObjects, &TCopperWriter::WritePolygon);
  }
  visit(pcbapi::kTrack, copper, pcbapi::kAllObjects, &TCopperWriter::WriteTrack);
  visit(pcbapi::kFill, copper, pcbapi::kAllObjects, &TCopperWriter::WriteFill);
  visit(pcbapi::kArc, copper, pcbapi::kAllObjects, &TCopperWriter::WriteArc);
  visit(pcbapi::kPad, copper, pcbapi::kFreeObjects, &TCopperWriter::WriteFreePad);
  visit(pcbapi::kVia, sdk::LayerZero(), pcbapi::kAllObjects, &TCopperWriter::WriteVia);
  visit(pcbapi::kRegion, copper, pcbapi::kAllObjects, &TCopperWriter::WriteRegion);
  out.Lower();
  out.Line(")");  // with the lines of the objects written last
}

namespace {

// The object's layer when it has no net: nothing when it has one (nearly all copper has, and is
// no keep-out), or when its record cannot be read, which its writer could not read either.
std::optional<pcbapi::LayerId> NetlessLayer(sdk::Handle handle) {
  uint16_t flags = 0, aux_word = 0;
  pcbapi::LayerId layer = 0;
  sdk::Handle net = 0;
  int32_t aux_integer = 0;
  pcbapi::Byte aux_byte = 0;
  if (sdk::PcbApi_QueryPrimitive(pcbapi::kRead, handle, &flags, &aux_word, &layer, &net,
                                 &aux_integer, &aux_byte) != pcbapi::kSuccess ||
      net != 0) {
    return std::nullopt;
  }
  return layer;
}

// The net-less objects of a kind on the copper layers, layer by layer in the order the editor
// gives them on each. One walk of the whole board reads the objects forward in memory, where a
// walk a layer at a time reads them out of order, a cache miss each on a large board.
std::vector<sdk::Handle> NetlessCopper(const sdk::TPcbBoard& board, pcbapi::ObjectKind kind,
                                       uint8_t method) {
  const sdk::LegacyLayerSet copper = CopperLayers();
  std::vector<std::pair<int, sdk::Handle>> netless;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        const std::optional<pcbapi::LayerId> layer = NetlessLayer(handle);
        if (!layer) return;
        // The copper layers are classic, whose identities are their legacy numbers.
        if (*layer <= kMultiLayer && copper.Contains(static_cast<int>(*layer))) {
          netless.emplace_back(static_cast<int>(*layer), handle);
        }
      },
      1u << kind, sdk::LayerZero(), method);
  std::stable_sort(netless.begin(), netless.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<sdk::Handle> handles;
  handles.reserve(netless.size());
  for (const auto& entry : netless) handles.push_back(entry.second);
  return handles;
}

}  // namespace

void WriteCopperKeepouts(DesignFileOutput& out, const sdk::TPcbBoard& board,
                         const TRouterSettings& settings, const TPadStackList* padstacks) {
  TCopperWriter writer(out, settings, padstacks, true);
  auto visit = [&](pcbapi::ObjectKind kind, uint8_t method,
                   void (TCopperWriter::*write)(sdk::Handle)) {
    for (const sdk::Handle handle : NetlessCopper(board, kind, method)) (writer.*write)(handle);
  };
  auto each = [&](pcbapi::ObjectKind kind, const sdk::LegacyLayerSet& layers,
                  const std::function<void(sdk::Handle)>& write) {
    board.IterateObjects(write, 1u << kind, layers, pcbapi::kAllObjects);
  };
  visit(pcbapi::kTrack, pcbapi::kAllObjects, &TCopperWriter::WriteTrack);
  visit(pcbapi::kFill, pcbapi::kAllObjects, &TCopperWriter::WriteFill);
  // A text is a keep-out whatever its net.
  each(pcbapi::kTextObject, CopperLayers(),
       [&](sdk::Handle text) { writer.WriteTextKeepout(text); });
  visit(pcbapi::kArc, pcbapi::kAllObjects, &TCopperWriter::WriteArc);
  visit(pcbapi::kPad, pcbapi::kFreeObjects, &TCopperWriter::WriteFreePad);
  // Vias are walked on the whole board whatever their layer.
  each(pcbapi::kVia, sdk::LayerZero(), [&](sdk::Handle via) {
    if (NetlessLayer(via)) writer.WriteVia(via);
  });
  visit(pcbapi::kRegion, pcbapi::kAllObjects, &TCopperWriter::WriteRegion);
  out.End();  // the lines of the objects written last
}

}  // namespace router
