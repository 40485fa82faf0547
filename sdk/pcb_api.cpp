// The PcbApi bridge: binding, the wrappers that check what the editor wrote, and the iteration
// algorithms over containers and around a point.
#include "sdk/pcb_api.h"

#include <windows.h>

#include <unknwn.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "framework/win/module.h"
#include "sdk/layers.h"

namespace sdk {

namespace {

LayerSetFromLegacySetProc layer_set_from_legacy_set = nullptr;

constexpr int kObjectKindsIterated = 26;  // kinds 26 and above are never visited
constexpr int kLastLegacyLayer = 82;

int32_t AtLeastZero(int32_t value) {
  return value < 0 ? 0 : value;
}

void ClampSegmentCount(int32_t* count) {
  if (count) *count = std::clamp(*count, 0, pcbapi::kOutlineSegmentCapacity);
}

}  // namespace

void LoadPcbApi() noexcept {
  const HMODULE host_module = GetModuleHandleA(quorvel_host::kModuleName);
  for (size_t i = 0; i < pcbapi::kExportCount; ++i) {
    pcb_api_detail::entries[i] =
        host_module ? win::ProcAddress(host_module, std::string(pcbapi::kExportNames[i]).c_str())
                    : nullptr;
  }
  pcb_api_detail::bound = host_module != nullptr;
}

// ---- Checked wrappers ----------------------------------------------------------------------

namespace {
// The bound export of the contract, typed; null while unbound.
template <pcbapi::Export Id, class Signature>
pcbapi::StdcallPointer<Signature> Bound() noexcept {
  EnsurePcbApiLoaded();
  return reinterpret_cast<pcbapi::StdcallPointer<Signature>>(pcb_api_detail::Entry(Id));
}
#define RTL_BOUND(name) Bound<pcbapi::Export::name, pcbapi::sig::name>()
}  // namespace

int PcbApi_References_Count(Mode mode, Handle dimension, int32_t* count) noexcept {
  auto proc = RTL_BOUND(References_Count);
  if (!proc) return 0;
  const int result = proc(mode, dimension, count);
  if (count) *count = AtLeastZero(*count);
  return result;
}

int PcbApi_QueryBoardLayerPairsCount(Handle board, int32_t* count, Mode mode) noexcept {
  auto proc = RTL_BOUND(QueryBoardLayerPairsCount);
  if (!proc) return pcbapi::kFailure;
  const int result = proc(board, count, mode);
  if (count) *count = AtLeastZero(*count);
  return result;
}

int PcbApi_QueryRegion(Mode mode, Handle region, pcbapi::Byte* region_kind, uint16_t* flags,
                       uint16_t* aux_word, pcbapi::LayerId* layer, Handle* net,
                       pcbapi::Byte* aux_byte, int32_t* aux_integer, int32_t* hole_count,
                       int32_t* vertex_count, Coord* box_x1, Coord* box_y1, Coord* box_x2,
                       Coord* box_y2) noexcept {
  auto proc = RTL_BOUND(QueryRegion);
  if (!proc) return 0;
  const int result = proc(mode, region, region_kind, flags, aux_word, layer, net, aux_byte,
                          aux_integer, hole_count, vertex_count, box_x1, box_y1, box_x2, box_y2);
  if (hole_count) *hole_count = AtLeastZero(*hole_count);
  if (vertex_count) *vertex_count = AtLeastZero(*vertex_count);
  return result;
}

int PcbApi_QueryPolygon(Mode mode, Handle polygon, uint16_t* flags, uint16_t* aux_word,
                        pcbapi::LayerId* layer, Handle* net, pcbapi::Byte* aux_byte,
                        pcbapi::Byte* pour_over, pcbapi::Byte* remove_dead,
                        pcbapi::Byte* hatch_style, Coord* grid, Coord* track_width,
                        pcbapi::Byte* use_octagons, pcbapi::Byte* remove_islands,
                        Coord* min_prim_length, pcbapi::Byte* polygon_kind, int32_t* segment_count,
                        pcbapi::OutlineBlock* outline) noexcept {
  auto proc = RTL_BOUND(QueryPolygon);
  if (!proc) return 0;
  const int result = proc(mode, polygon, flags, aux_word, layer, net, aux_byte, pour_over,
                          remove_dead, hatch_style, grid, track_width, use_octagons, remove_islands,
                          min_prim_length, polygon_kind, segment_count, outline);
  ClampSegmentCount(segment_count);
  return result;
}

int PcbApi_QuerySplitPlane(Mode mode, Handle split_plane, uint16_t* flags, uint16_t* aux_word,
                           pcbapi::LayerId* layer, Handle* net, pcbapi::Byte* aux_byte,
                           pcbapi::Byte* is_island, int32_t* segment_count,
                           pcbapi::OutlineBlock* outline) noexcept {
  auto proc = RTL_BOUND(QuerySplitPlane);
  if (!proc) return 0;
  const int result = proc(mode, split_plane, flags, aux_word, layer, net, aux_byte, is_island,
                          segment_count, outline);
  ClampSegmentCount(segment_count);
  return result;
}

void PcbApi_GetDesignatorDisplayString(char* buffer, Handle object) noexcept {
  if (!buffer) return;
  buffer[0] = '\0';
  auto proc = RTL_BOUND(GetDesignatorDisplayString);
  if (!proc) return;
  proc(buffer, object);
  buffer[pcbapi::kDesignatorBufferSize - 1] = '\0';
}

// ---- Layer conversions ---------------------------------------------------------------------

LegacyLayer LegacyLayerOf(pcbapi::LayerId layer) noexcept {
  if (layer <= kLastLegacyLayer) return static_cast<LegacyLayer>(layer);
  const uint32_t high_word = layer >> 16;
  if ((layer & 0xFFFF) == 0) return 0;  // a group names no single layer
  switch (high_word) {
    case 0x0101: return 31;
    case 0x0104: return 54;
    case 0x0400: return 72;
    default: return 0;
  }
}

Handle CreateLayerIterator(Handle container, uint8_t kind, uint8_t method,
                           LegacyLayer layer) noexcept {
  return PcbApi_CreateIterator(container, kind, method, LegacyLayerToLayer(layer));
}

int QueryBoardWithLegacyLayer(Mode mode, Handle board, int32_t* version, pcbapi::Text255* file_name,
                              pcbapi::Byte* unit, Coord* origin_x, Coord* origin_y, Coord* width,
                              Coord* height, pcbapi::Byte* snap_to_grid, LegacyLayer* current_layer,
                              int32_t* object_count) noexcept {
  pcbapi::LayerId layer = LegacyLayerToLayer(current_layer ? *current_layer : 0);
  const int result = PcbApi_QueryBoard(mode, board, version, file_name, unit, origin_x, origin_y,
                                       width, height, snap_to_grid, &layer, object_count);
  if (current_layer) *current_layer = LegacyLayerOf(layer);
  return result;
}

int QueryPadWithLegacyLayer(
    Mode mode, Handle pad, uint16_t* flags, uint16_t* aux_word, LegacyLayer* layer, Handle* net,
    pcbapi::Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y, Coord* top_x, Coord* top_y,
    Coord* mid_x, Coord* mid_y, Coord* bot_x, Coord* bot_y, Coord* hole_size,
    pcbapi::Byte* top_shape, pcbapi::Byte* mid_shape, pcbapi::Byte* bot_shape, pcbapi::Text20* name,
    pcbapi::Byte* plated, pcbapi::Byte* hole_shape, double* rotation, pcbapi::Text20* swap_id_pad,
    pcbapi::Text20* swap_id_part, int32_t* hole_width, pcbapi::Text20* swap_id_group,
    pcbapi::Byte* electrical_type, pcbapi::Byte* hole_type, int32_t* paste_expansion,
    double* hole_rotation, int32_t* solder_expansion, int32_t* drill_layer_pair,
    int32_t* pin_package_length, pcbapi::Byte* tented_top, pcbapi::Byte* tented_bottom) noexcept {
  pcbapi::LayerId identity = LegacyLayerToLayer(layer ? *layer : 0);
  const int result = PcbApi_QueryPad(
      mode, pad, flags, aux_word, &identity, net, aux_byte, aux_integer, x, y, top_x, top_y, mid_x,
      mid_y, bot_x, bot_y, hole_size, top_shape, mid_shape, bot_shape, name, plated, hole_shape,
      rotation, swap_id_pad, swap_id_part, hole_width, swap_id_group, electrical_type, hole_type,
      paste_expansion, hole_rotation, solder_expansion, drill_layer_pair, pin_package_length,
      tented_top, tented_bottom);
  if (layer) *layer = LegacyLayerOf(identity);
  return result;
}

// ---- Spatial iteration ---------------------------------------------------------------------

void SetLayerSetFromLegacySet(LayerSetFromLegacySetProc proc) noexcept {
  layer_set_from_legacy_set = proc;
}

Handle CreateSpatialIteratorOnLayers(Handle board, Coord x1, Coord y1, Coord x2, Coord y2,
                                     const LegacyLayerSet& layers, KindSet kinds) noexcept {
  IPCB_LayerSet* set = layer_set_from_legacy_set ? layer_set_from_legacy_set(layers) : nullptr;
  const Handle iterator = PcbApi_CreateSpatialIterator(board, x1, y1, x2, y2, set, kinds);
  // Every host interface begins with IUnknown: the set's own reference ends with the call.
  if (set) reinterpret_cast<IUnknown*>(set)->Release();
  return iterator;
}

// ---- Iteration algorithms ------------------------------------------------------------------

void IterateContainer(Handle container, KindSet kinds, const LegacyLayerSet& layers, uint8_t method,
                      const std::function<void(Handle object)>& visit) {
  for (int kind = 0; kind < kObjectKindsIterated; ++kind) {
    if ((kinds >> kind & 1) == 0) continue;
    for (int layer = 0; layer <= kLastLegacyLayer; ++layer) {
      if (!layers.Contains(layer)) continue;
      const Handle iterator = CreateLayerIterator(container, static_cast<uint8_t>(kind), method,
                                                  static_cast<LegacyLayer>(layer));
      struct IteratorEnd {  // destroyed even when the visit throws
        Handle iterator;
        ~IteratorEnd() { PcbApi_DestroyIterator(iterator); }
      } end{iterator};
      for (Handle object = PcbApi_GetFirstObject(iterator); object != 0;
           object = PcbApi_GetNextObject(iterator)) {
        visit(object);
      }
    }
  }
}

void SearchAroundPoint(Coord x, Coord y, const LegacyLayerSet& layers, KindSet kinds,
                       const std::function<bool(Handle object, uint8_t kind)>& visit) {
  const Handle iterator =
      CreateSpatialIteratorOnLayers(PcbApi_GetCurrentBoardHandle(), x - kOneMil, y - kOneMil,
                                    x + kOneMil, y + kOneMil, layers, kinds);
  struct IteratorEnd {
    Handle iterator;
    ~IteratorEnd() { PcbApi_DestroySpatialIterator(iterator); }
  } end{iterator};
  uint8_t kind = 0;
  for (Handle object = PcbApi_GetFirstSpatialObject(iterator, &kind); object != 0;
       object = PcbApi_GetNextSpatialObject(iterator, &kind)) {
    if (!visit(object, kind)) break;
  }
}

#undef RTL_BOUND

}  // namespace sdk
