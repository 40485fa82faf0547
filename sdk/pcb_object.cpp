// The board object base, the factory by kind and the temporary readers.
#include "sdk/pcb_object.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "sdk/exceptions.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"
#include "sdk/units.h"

namespace sdk {

LegacyLayer LayerToLegacyLayer(TLayer layer) {
  // The classic signal layers are their own legacy numbers; the copper writers ask for every
  // object of the board.
  if (layer >= TopLayer && layer <= BottomLayer) return static_cast<LegacyLayer>(layer);
  const TLayerPartition partition = GetLayerPartition(layer);
  switch (partition) {
    case 0: return 0;
    case 1: return 1;
    case kMidPartition: {
      const uint32_t index = GetIndexInPartition(layer);
      return static_cast<LegacyLayer>(std::min<uint32_t>(index - 1, 30) + 1);
    }
    case 3: return 32;
    case kPlanePartition:
      return static_cast<LegacyLayer>(38 + std::min<uint32_t>(GetIndexInPartition(layer), 16));
    case kMechanicalPartition:
      return static_cast<LegacyLayer>(56 + std::min<uint32_t>(GetIndexInPartition(layer), 16));
    default: break;
  }
  if (partition >= 6 && partition <= 11) return static_cast<LegacyLayer>(27 + partition);
  if (partition == 12) return 55;
  if (partition == 13) return 56;
  if (partition >= 14 && partition <= 23) return static_cast<LegacyLayer>(59 + partition);
  RTL_ASSERT(false, "Assertion failure");
  return 0;
}

CornerPoint BoxCorner(int corner, double cx, double cy, double w, double h, double radians) {
  const bool left = corner == 1 || corner == 3;
  if (h == 0) {
    // The corner rule divides by the height: a box of no height is its centre line.
    return {static_cast<Coord>(std::nearbyint(left ? cx - w / 2 : cx + w / 2)),
            static_cast<Coord>(std::nearbyint(cy))};
  }
  const double r = std::sqrt((w / 2) * (w / 2) + (h / 2) * (h / 2));
  const double t = std::atan(w / h);
  double x = 0, y = 0;
  switch (corner) {
    case 1:
      x = cx - r * std::sin(t - radians);
      y = cy - r * std::cos(t - radians);
      break;
    case 2:
      x = cx + r * std::sin(t + radians);
      y = cy - r * std::cos(t + radians);
      break;
    case 3:
      x = cx - r * std::sin(t + radians);
      y = cy + r * std::cos(t + radians);
      break;
    default:
      x = cx + r * std::sin(t - radians);
      y = cy + r * std::cos(t - radians);
      break;
  }
  // nearbyint rounds halves to even in the default rounding mode.
  return {static_cast<Coord>(std::nearbyint(x)), static_cast<Coord>(std::nearbyint(y))};
}

// ---- TPCBObject ------------------------------------------------------------------------------

TPCBObject::TPCBObject(Handle handle) : handle_(handle) {}

void TPCBObject::SyncBitFields(Mode mode) {
  PcbApi_GetObjectBitField2(mode, handle_, &bit_field2_);
  PcbApi_GetObjectBitField3(mode, handle_, &bit_field3_);
}

int TPCBObject::Sync(Mode mode) {
  SyncBitFields(mode);
  return PcbApi_QueryPrimitive(mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_,
                               &aux_integer_, &aux_byte_);
}

int TPCBObject::GetBoundingRectangle(Coord* x1, Coord* y1, Coord* x2, Coord* y2) const {
  return PcbApi_QueryObjectBoundingRectangle(handle_, x1, y1, x2, y2);
}

void TPCBObject::MoveByXY(Coord dx, Coord dy) {
  x_ += dx;
  y_ += dy;
}

bool TPCBObject::ImportFromUser() const { return PcbApi_QueryObjectImport_FromUser(handle_) == 0; }

int TPCBObject::GraphicallyInvalidate() const {
  return PcbApi_QueryObjectGraphicallyInvalidate(handle_);
}

void TPCBObject::SetFlagBit(int bit, bool value) {
  const uint16_t mask = static_cast<uint16_t>(1u << bit);
  flags_ = static_cast<uint16_t>(value ? flags_ | mask : flags_ & ~mask);
}

void TPCBObject::SetBitField3Bit(int bit, bool value) {
  const uint8_t mask = static_cast<uint8_t>(1u << bit);
  bit_field3_ = static_cast<uint8_t>(value ? bit_field3_ | mask : bit_field3_ & ~mask);
}

void TPCBObject::SetFlag3(bool value) {
  SetFlagBit(3, value);
  Sync(pcbapi::kWrite);
}

void TPCBObject::SetNotFlag8(bool value) {
  SetFlagBit(8, !value);
  Sync(pcbapi::kWrite);
}

void TPCBObject::SetBitField3Bits1And2(bool value) {
  SetBitField3Bit1(value);
  SetBitField3Bit2(value);
}

int TPCBObject::BoundingValue(int index) const {
  Coord values[4] = {0, 0, 0, 0};
  PcbApi_QueryObjectBoundingRectangle(handle_, &values[0], &values[1], &values[2], &values[3]);
  return values[index];
}

Coord TPCBObject::GetBoundingX1() const { return BoundingValue(0); }
Coord TPCBObject::GetBoundingY1() const { return BoundingValue(1); }
Coord TPCBObject::GetBoundingX2() const { return BoundingValue(2); }
Coord TPCBObject::GetBoundingY2() const { return BoundingValue(3); }

CornerPoint TPCBObject::Corner(int corner, Coord margin) const {
  const int64_t x = GetX(), x2 = GetX2(), y = GetY(), y2 = GetY2();
  const double w = static_cast<double>(std::llabs(x2 - x) + 2 * int64_t{margin});
  const double h = static_cast<double>(std::llabs(y2 - y) + 2 * int64_t{margin});
  // Each half is taken towards zero, as the host computes centres.
  const double cx = static_cast<double>(x / 2 + x2 / 2);
  const double cy = static_cast<double>(y / 2 + y2 / 2);
  return BoxCorner(corner, cx, cy, w, h, DegreesToRadians(GetRotation()));
}

Coord TPCBObject::GetSizeOnLayer(LegacyLayer layer) const {
  return IsOnLayer(layer) ? GetSize() : 0;
}
Coord TPCBObject::GetXSizeOnLayer(LegacyLayer layer) const {
  return IsOnLayer(layer) ? GetXSize() : 0;
}
Coord TPCBObject::GetYSizeOnLayer(LegacyLayer layer) const {
  return IsOnLayer(layer) ? GetYSize() : 0;
}
uint8_t TPCBObject::GetShapeOnLayer(LegacyLayer layer) const {
  return IsOnLayer(layer) ? GetShape() : 0;
}
Coord TPCBObject::GetWidthOnLayer(LegacyLayer layer) const {
  return IsOnLayer(layer) ? GetWidth() : 0;
}
Coord TPCBObject::GetCorner1XOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner1X(margin) : 0;
}
Coord TPCBObject::GetCorner1YOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner1Y(margin) : 0;
}
Coord TPCBObject::GetCorner2XOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner2X(margin) : 0;
}
Coord TPCBObject::GetCorner2YOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner2Y(margin) : 0;
}
Coord TPCBObject::GetCorner3XOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner3X(margin) : 0;
}
Coord TPCBObject::GetCorner3YOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner3Y(margin) : 0;
}
Coord TPCBObject::GetCorner4XOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner4X(margin) : 0;
}
Coord TPCBObject::GetCorner4YOnLayer(LegacyLayer layer, Coord margin) const {
  return IsOnLayer(layer) ? GetCorner4Y(margin) : 0;
}
Coord TPCBObject::GetXOnLayer(LegacyLayer layer) const { return IsOnLayer(layer) ? GetX() : 0; }
Coord TPCBObject::GetYOnLayer(LegacyLayer layer) const { return IsOnLayer(layer) ? GetY() : 0; }
Coord TPCBObject::GetX2OnLayer(LegacyLayer layer) const { return IsOnLayer(layer) ? GetX2() : 0; }
Coord TPCBObject::GetY2OnLayer(LegacyLayer layer) const { return IsOnLayer(layer) ? GetY2() : 0; }

// ---- Factory and readers ---------------------------------------------------------------------

namespace {

template <class T>
struct KindClass {
  using type = T;
};

// Calls `visit` with the KindClass of the kind's class; nothing for the kinds without one (none,
// trace, spare via, board, and kinds the model does not know).
template <class Visit>
void VisitKindClass(uint8_t kind, Visit&& visit) {
  switch (kind) {
    case pcbapi::kArc: visit(KindClass<TPcbArc>{}); break;
    case pcbapi::kPad: visit(KindClass<TPcbPad>{}); break;
    case pcbapi::kVia: visit(KindClass<TPcbVia>{}); break;
    case pcbapi::kTrack: visit(KindClass<TPcbTrack>{}); break;
    case pcbapi::kTextObject: visit(KindClass<TPcbText>{}); break;
    case pcbapi::kFill: visit(KindClass<TPcbFill>{}); break;
    case pcbapi::kConnection: visit(KindClass<TPcbFromTo>{}); break;
    case pcbapi::kNet: visit(KindClass<TPcbNet>{}); break;
    case pcbapi::kComponent: visit(KindClass<TPcbComponent>{}); break;
    case pcbapi::kPolygon: visit(KindClass<TPcbPolygon>{}); break;
    case pcbapi::kRegion: visit(KindClass<TPCBRegion>{}); break;
    case pcbapi::kComponentBody: visit(KindClass<TPcbComponentBody>{}); break;
    case pcbapi::kDimension: visit(KindClass<TPcbDimension>{}); break;
    case pcbapi::kCoordinate: visit(KindClass<TPcbCoordinate>{}); break;
    case pcbapi::kClass: visit(KindClass<TPCBObjectClass>{}); break;
    case pcbapi::kRule: visit(KindClass<TPcbRule>{}); break;
    case pcbapi::kFromTo: visit(KindClass<TPcbManualFromTo>{}); break;
    case pcbapi::kDifferentialPair: visit(KindClass<TPcbDifferentialPair>{}); break;
    case pcbapi::kViolation: visit(KindClass<TPcbViolation>{}); break;
    case pcbapi::kEmbedded: visit(KindClass<TPcbEmbedded>{}); break;
    case pcbapi::kEmbeddedBoard: visit(KindClass<TPcbEmbeddedBoard>{}); break;
    case pcbapi::kSplitPlane: visit(KindClass<TPcbSplitPlane>{}); break;
    case pcbapi::kBoardOutline: visit(KindClass<TPcbBoardOutline>{}); break;
    default: break;
  }
}

uint8_t KindOf(Handle handle) { return PcbApi_GetObjectIdFromObjectHandle(handle) & 0x7F; }

// The readers run per pin and per net, where a heap object for one value would cost more than
// the host's answer.
template <class Value, class Read>
Value ReadThroughObject(Handle handle, Value neutral, Read&& read) {
  Value value = std::move(neutral);
  ReadPcbObject(handle, [&](const TPCBObject& object) { value = read(object); });
  return value;
}

}  // namespace

void ReadPcbObject(Handle handle, const std::function<void(const TPCBObject&)>& read) {
  if (handle == 0) return;
  VisitKindClass(KindOf(handle), [&](auto kind_class) {
    typename decltype(kind_class)::type object(handle);
    object.Sync(pcbapi::kRead);
    read(std::as_const(object));
  });
}

std::unique_ptr<TPCBObject> CreatePcbObject(Handle handle) {
  std::unique_ptr<TPCBObject> object;
  VisitKindClass(KindOf(handle), [&](auto kind_class) {
    object = std::make_unique<typename decltype(kind_class)::type>(handle);
    object->Sync(pcbapi::kRead);
  });
  return object;
}

LegacyLayer GetObjectLayerByHandle(Handle handle) {
  return ReadThroughObject<LegacyLayer>(handle, 0,
                                        [](const TPCBObject& o) { return o.GetLegacyLayer(); });
}

Handle GetObjectNetByHandle(Handle handle) {
  return ReadThroughObject<Handle>(handle, 0, [](const TPCBObject& o) { return o.GetNetHandle(); });
}

int32_t GetObjectAuxIntegerByHandle(Handle handle) {
  return ReadThroughObject<int32_t>(handle, 0,
                                    [](const TPCBObject& o) { return o.GetAuxInteger(); });
}

// The writers name every net and component of a board: of those two kinds only the name's own
// exchange is asked, not the whole record (a component's takes eight questions).
std::string GetObjectNameByHandle(Handle handle) {
  if (handle == 0) return {};
  switch (KindOf(handle)) {
    case pcbapi::kNet: {
      pcbapi::Text255 name{};
      PcbApi_QueryNet(pcbapi::kRead, handle, nullptr, &name, nullptr, nullptr);
      return FromText(name);
    }
    case pcbapi::kComponent: {
      int32_t designator = 0;
      PcbApi_QueryComponent(pcbapi::kRead, handle, nullptr, nullptr, nullptr, nullptr, &designator,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr);
      return GetObjectTextByHandle(static_cast<Handle>(designator));
    }
    default:
      return ReadThroughObject<std::string>(handle, {},
                                            [](const TPCBObject& o) { return o.GetName(); });
  }
}

std::string GetObjectTextByHandle(Handle handle) {
  if (handle == 0 || KindOf(handle) != pcbapi::kTextObject) {
    return ReadThroughObject<std::string>(handle, {},
                                          [](const TPCBObject& o) { return o.GetText(); });
  }
  pcbapi::Text254 text{};
  PcbApi_QueryText(pcbapi::kRead, handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &text, nullptr, nullptr,
                   nullptr);
  return FromText(text);
}

}  // namespace sdk
