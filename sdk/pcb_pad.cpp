// The pad's record and stack exchange and its geometry on one layer.
#include "sdk/pcb_pad.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sdk/units.h"

namespace sdk {

namespace {
constexpr LegacyLayer kTop = 1, kFirstMid = 2, kLastMid = 31, kBottom = 32;
}  // namespace

TPcbPad::TPcbPad(Handle handle) : TPCBObject(handle) { object_id_ = pcbapi::kPad; }

int TPcbPad::Sync(Mode mode) {
  // A stack nobody looked at since the read is the host's own: writing it back would change
  // nothing, unless the stack mode changed, which needs it.
  const bool write_stack = mode == pcbapi::kRead || stack_read_ || stack_mode_ != read_stack_mode_;
  if (mode != pcbapi::kRead && write_stack) ReadStack();
  SyncBitFields(mode);
  const int result = PcbApi_QueryPad(
      mode, handle_, &flags_, &aux_word_, &layer_, &net_handle_, &aux_byte_, &aux_integer_, &x_,
      &y_, &top_x_, &top_y_, &mid_x_, &mid_y_, &bot_x_, &bot_y_, &hole_size_, &top_shape_,
      &mid_shape_, &bot_shape_, &name_, &plated_, &hole_shape_, &rotation_, &swap_id_pad_,
      &swap_id_part_, &hole_width_, &swap_id_group_, &electrical_type_, &hole_type_, &paste_expansion_,
      &hole_rotation_, &solder_expansion_, &drill_layer_pair_, &pin_package_length_, &aux_flag3_,
      &aux_flag4_);
  if (result != pcbapi::kSuccess) return result;
  PcbApi_QueryPadStackMode(mode, handle_, &stack_mode_);
  if (mode == pcbapi::kRead) {
    // 4 host calls a layer: read when first asked for, since most readers need the record only.
    stack_read_ = false;
    read_stack_mode_ = stack_mode_;
    return result;
  }
  if (!write_stack) return result;
  if (stack_mode_ == kFullStack) {
    for (int index = 0; index < kLayerCount; ++index) {
      const auto layer = static_cast<LegacyLayer>(index);
      const LayerEntry& entry = stack_[index];
      PcbApi_SetPadShapeOnLayer(handle_, layer, entry.shape);
      PcbApi_SetPadSizeOnLayer(handle_, layer, entry.x_size, entry.y_size);
      PcbApi_SetCRPctOnLayer(handle_, layer, entry.corner_percent);
    }
  } else if (HasRoundedLayer()) {
    // Below the full stack the host keeps one percentage for top, mid and bottom. A side the
    // pad does not show read as 0: writing it would reset a one-sided pad's percentage.
    if (stack_[kTop].shape != 0) PcbApi_SetCRPctOnLayer(handle_, kTop, top_percent_);
    if (stack_[kBottom].shape != 0) PcbApi_SetCRPctOnLayer(handle_, kBottom, bot_percent_);
    if (stack_[kFirstMid].shape != 0) PcbApi_SetCRPctOnLayer(handle_, kFirstMid, mid_percent_);
  }
  return result;
}

void TPcbPad::ReadStack() const {
  if (stack_read_) return;
  stack_read_ = true;
  for (int index = 0; index < kLayerCount; ++index) {
    const auto layer = static_cast<LegacyLayer>(index);
    LayerEntry& entry = stack_[index];
    PcbApi_QueryPadOrViaShapeOnLayer(handle_, layer, &entry.shape);
    PcbApi_QueryPadOrViaSizeOnLayer(handle_, layer, &entry.x_size, &entry.y_size);
    PcbApi_QueryPadCornerRadiusOnLayer(handle_, layer, &entry.corner_radius);
    PcbApi_QueryPadCRPercentageOnLayer(handle_, layer, &entry.corner_percent);
    if (layer == kTop) top_percent_ = entry.corner_percent;
    if (layer >= kFirstMid && layer <= kLastMid) mid_percent_ = entry.corner_percent;
    if (layer == kBottom) bot_percent_ = entry.corner_percent;
  }
}

bool TPcbPad::HasRoundedLayer() const {
  ReadStack();
  for (const LayerEntry& entry : stack_) {
    if (entry.shape == kRoundedRectangle) return true;
  }
  return false;
}

void TPcbPad::SetCornerPercentages(uint8_t top, uint8_t mid, uint8_t bottom) {
  ReadStack();  // a later read must not undo these
  top_percent_ = top;
  mid_percent_ = mid;
  bot_percent_ = bottom;
}

const TPcbPad::LayerEntry* TPcbPad::EntryOn(LegacyLayer layer) const {
  ReadStack();
  return layer < kLayerCount ? &stack_[layer] : nullptr;
}

Coord TPcbPad::GetXSizeOnLayer(LegacyLayer layer) const {
  const LayerEntry* entry = EntryOn(layer);
  return entry ? entry->x_size : 0;
}

Coord TPcbPad::GetYSizeOnLayer(LegacyLayer layer) const {
  const LayerEntry* entry = EntryOn(layer);
  return entry ? entry->y_size : 0;
}

uint8_t TPcbPad::GetShapeOnLayer(LegacyLayer layer) const {
  const LayerEntry* entry = EntryOn(layer);
  return entry ? entry->shape : 0;
}

Coord TPcbPad::GetCornerRadiusOnLayer(LegacyLayer layer) const {
  const LayerEntry* entry = EntryOn(layer);
  return entry ? entry->corner_radius : 0;
}

uint8_t TPcbPad::GetCornerPercentageOnLayer(LegacyLayer layer) const {
  const LayerEntry* entry = EntryOn(layer);
  return entry ? entry->corner_percent : 0;
}

CornerPoint TPcbPad::CornerOnLayer(int corner, LegacyLayer layer, Coord margin) const {
  const double w = static_cast<double>(int64_t{GetXSizeOnLayer(layer)} + 2 * int64_t{margin});
  const double h = static_cast<double>(int64_t{GetYSizeOnLayer(layer)} + 2 * int64_t{margin});
  return BoxCorner(corner, x_, y_, w, h, DegreesToRadians(rotation_));
}

Coord TPcbPad::GetCorner1XOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(1, layer, margin).x;
}
Coord TPcbPad::GetCorner1YOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(1, layer, margin).y;
}
Coord TPcbPad::GetCorner2XOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(2, layer, margin).x;
}
Coord TPcbPad::GetCorner2YOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(2, layer, margin).y;
}
Coord TPcbPad::GetCorner3XOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(3, layer, margin).x;
}
Coord TPcbPad::GetCorner3YOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(3, layer, margin).y;
}
Coord TPcbPad::GetCorner4XOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(4, layer, margin).x;
}
Coord TPcbPad::GetCorner4YOnLayer(LegacyLayer layer, Coord margin) const {
  return CornerOnLayer(4, layer, margin).y;
}

Coord TPcbPad::GetWidthOnLayer(LegacyLayer layer) const {
  return std::min(GetXSizeOnLayer(layer), GetYSizeOnLayer(layer));
}

CornerPoint TPcbPad::LineEnd(LegacyLayer layer, bool second) const {
  const Coord hx = GetXSizeOnLayer(layer) / 2, hy = GetYSizeOnLayer(layer) / 2;
  if (hx == hy) return {x_, y_};
  const double d = std::fabs(static_cast<double>(hx) - hy);
  const double r = DegreesToRadians(rotation_);
  const double sign = second ? 1.0 : -1.0;
  double x = 0, y = 0;
  if (hy > hx) {  // taller than wide: the line runs along the turned Y axis
    x = x_ + sign * std::sin(r) * d;
    y = y_ - sign * std::cos(r) * d;
  } else {
    x = x_ + sign * std::cos(r) * d;
    y = y_ + sign * std::sin(r) * d;
  }
  return {static_cast<Coord>(std::nearbyint(x)), static_cast<Coord>(std::nearbyint(y))};
}

Coord TPcbPad::GetXOnLayer(LegacyLayer layer) const { return LineEnd(layer, false).x; }
Coord TPcbPad::GetYOnLayer(LegacyLayer layer) const { return LineEnd(layer, false).y; }
Coord TPcbPad::GetX2OnLayer(LegacyLayer layer) const { return LineEnd(layer, true).x; }
Coord TPcbPad::GetY2OnLayer(LegacyLayer layer) const { return LineEnd(layer, true).y; }

uint8_t TPcbPad::GetPwrGnd() const {
  pcbapi::Byte value = 0;
  PcbApi_QueryPad_PwrGnd(handle_, &value);
  return value;
}

}  // namespace sdk
