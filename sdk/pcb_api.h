// The PcbApi bridge: binds the PCB editor module's PcbApi_* exports by name and wraps each in a
// call that never fails for want of the export. Without the editor module (or one export) a
// wrapper does nothing and yields a fixed default, leaving out parameters as the caller set
// them. The editor module is never loaded here: the host loads it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "sdk/pcb_api_contract.h"

namespace sdk {

using pcbapi::Coord;
using pcbapi::Handle;
using pcbapi::KindSet;
using pcbapi::LegacyLayer;
using pcbapi::Mode;

// Bit n = legacy layer n (0..87); the host's 11-byte legacy layer set.
struct LegacyLayerSet {
  uint8_t bytes[11] = {};
  bool Contains(int layer) const noexcept {
    return layer >= 0 && layer < 88 && (bytes[layer / 8] >> (layer % 8) & 1) != 0;
  }
  LegacyLayerSet& Include(int layer) noexcept {
    if (layer >= 0 && layer < 88) bytes[layer / 8] |= static_cast<uint8_t>(1u << (layer % 8));
    return *this;
  }
  LegacyLayerSet& IncludeRange(int first, int last) noexcept {
    for (int layer = first; layer <= last; ++layer) Include(layer);
    return *this;
  }
};
static_assert(sizeof(LegacyLayerSet) == 11);

// Legacy layer 0 alone: for it the host's iterators walk the whole board.
inline LegacyLayerSet LayerZero() noexcept {
  LegacyLayerSet layers;
  layers.Include(0);
  return layers;
}

// ---- Binding -------------------------------------------------------------------------------

// Takes the handle of the already loaded "Quorvel.dll" (no loading) and looks up every export;
// without the module every entry becomes null.
void LoadPcbApi() noexcept;

namespace pcb_api_detail {
// The bound exports by the contract's order, and whether the editor module was found. Inline,
// since an export runs millions of times in one command.
inline std::array<void*, pcbapi::kExportCount> entries{};
inline bool bound = false;
inline void* Entry(pcbapi::Export id) noexcept { return entries[static_cast<size_t>(id)]; }
}  // namespace pcb_api_detail

// LoadPcbApi while the editor module has not been found; every wrapper calls it first.
inline void EnsurePcbApiLoaded() noexcept {
  if (!pcb_api_detail::bound) LoadPcbApi();
}
// True once the editor module has been found; the binding is then never refreshed.
inline bool PcbApiBound() noexcept { return pcb_api_detail::bound; }

// ---- Wrappers ------------------------------------------------------------------------------

namespace pcb_api_detail {
template <int N>
void SanitizeArgument(pcbapi::Text<N>* text) noexcept {
  // The editor's length byte is not trusted to fit the text's capacity.
  if (text && text->length > N) text->length = static_cast<uint8_t>(N);
}
template <class T>
void SanitizeArgument(T) noexcept {}
}  // namespace pcb_api_detail

// One bound export: calls it with the arguments in the order given, or yields `fallback` when
// it is unbound. Texts the editor wrote are clamped to their capacity afterwards.
template <pcbapi::Export Id, class Signature>
class PcbApiCall;
template <pcbapi::Export Id, class Result, class... Args>
class PcbApiCall<Id, Result(Args...)> {
 public:
  constexpr explicit PcbApiCall(Result fallback) : fallback_(fallback) {}
  Result operator()(Args... args) const noexcept {
    EnsurePcbApiLoaded();
    auto proc =
        reinterpret_cast<pcbapi::StdcallPointer<Result(Args...)>>(pcb_api_detail::Entry(Id));
    if (!proc) return fallback_;
    const Result result = proc(args...);
    (pcb_api_detail::SanitizeArgument(args), ...);
    return result;
  }

 private:
  Result fallback_;
};
template <pcbapi::Export Id, class... Args>
class PcbApiCall<Id, void(Args...)> {
 public:
  void operator()(Args... args) const noexcept {
    EnsurePcbApiLoaded();
    auto proc = reinterpret_cast<pcbapi::StdcallPointer<void(Args...)>>(pcb_api_detail::Entry(Id));
    if (!proc) return;
    proc(args...);
    (pcb_api_detail::SanitizeArgument(args), ...);
  }
};

#define RTL_PCBAPI_WRAPPER(name, fallback) \
  inline constexpr PcbApiCall<pcbapi::Export::name, pcbapi::sig::name> PcbApi_##name{fallback};
#define RTL_PCBAPI_VOID_WRAPPER(name) \
  inline constexpr PcbApiCall<pcbapi::Export::name, pcbapi::sig::name> PcbApi_##name{};

// Object lifecycle and identity.
RTL_PCBAPI_WRAPPER(GetCurrentBoardHandle, 0)
RTL_PCBAPI_WRAPPER(GetObjectIdFromObjectHandle, 0)
RTL_PCBAPI_WRAPPER(CreateObject, 0)
RTL_PCBAPI_WRAPPER(DestroyObject, 0)
RTL_PCBAPI_WRAPPER(AddObjectToContainer, 0)
RTL_PCBAPI_WRAPPER(DeleteObjectFromContainer, 0)
RTL_PCBAPI_WRAPPER(SetOwnerBoard, 0)
RTL_PCBAPI_WRAPPER(QueryObjectBoundingRectangle, 0)
RTL_PCBAPI_WRAPPER(QueryObjectImport_FromUser, 0)
RTL_PCBAPI_WRAPPER(QueryObjectGraphicallyInvalidate, 0)
RTL_PCBAPI_VOID_WRAPPER(GetObjectBitField2)
RTL_PCBAPI_VOID_WRAPPER(GetObjectBitField3)

// Iteration.
RTL_PCBAPI_WRAPPER(CreateIterator, 0)
RTL_PCBAPI_WRAPPER(GetFirstObject, 0)
RTL_PCBAPI_WRAPPER(GetNextObject, 0)
RTL_PCBAPI_WRAPPER(DestroyIterator, 0)
RTL_PCBAPI_WRAPPER(CreateSpatialIterator, 0)
RTL_PCBAPI_WRAPPER(GetFirstSpatialObject, 0)
RTL_PCBAPI_WRAPPER(GetNextSpatialObject, 0)
RTL_PCBAPI_WRAPPER(DestroySpatialIterator, 0)

// Progress display.
RTL_PCBAPI_VOID_WRAPPER(Percent_Init)
RTL_PCBAPI_VOID_WRAPPER(Percent_Update)
RTL_PCBAPI_VOID_WRAPPER(Percent_Finish)

// Rules and rule values.
RTL_PCBAPI_WRAPPER(FindDominantRuleForObject, 0)
RTL_PCBAPI_WRAPPER(FindDominantRuleForObjectPair, 0)
RTL_PCBAPI_WRAPPER(Scope1_Includes, 0)
RTL_PCBAPI_WRAPPER(Scope2_Includes, 0)
RTL_PCBAPI_WRAPPER(QueryRule, 0)
RTL_PCBAPI_WRAPPER(QueryRuleEx, 0)
RTL_PCBAPI_WRAPPER(QueryRuleExtEx, 0)
RTL_PCBAPI_WRAPPER(QueryRuleClearanceConstraint, 0)
RTL_PCBAPI_WRAPPER(QueryRuleMaxMinWidthConstraint, 0)
RTL_PCBAPI_WRAPPER(QueryRuleMaxMinWidthConstraintExt, 0)
RTL_PCBAPI_WRAPPER(QueryRuleMaxMinWidthConstraintByLayer, 0)
RTL_PCBAPI_WRAPPER(QueryRuleRoutingViaStyleRule, 0)
RTL_PCBAPI_WRAPPER(QueryRuleRoutingLayersRule, 0)
RTL_PCBAPI_WRAPPER(QueryRuleRoutingTopologyRule, 0)
RTL_PCBAPI_WRAPPER(QueryRuleRoutingPriorityRule, 0)
RTL_PCBAPI_WRAPPER(QueryRuleDaisyChainStubLengthConstraint, 0)
RTL_PCBAPI_WRAPPER(QueryRuleMaximumViaCountRule, 0)

// Pads and vias on one layer.
RTL_PCBAPI_WRAPPER(QueryPadOrViaShapeOnLayer, 0)
RTL_PCBAPI_WRAPPER(QueryPadOrViaSizeOnLayer, 0)
RTL_PCBAPI_WRAPPER(QueryPadCornerRadiusOnLayer, 0)
RTL_PCBAPI_WRAPPER(QueryPadCRPercentageOnLayer, 0)
RTL_PCBAPI_WRAPPER(SetPadShapeOnLayer, 0)
RTL_PCBAPI_WRAPPER(SetPadSizeOnLayer, 0)
RTL_PCBAPI_WRAPPER(SetCRPctOnLayer, 0)
RTL_PCBAPI_WRAPPER(QueryPadStackMode, 0)
RTL_PCBAPI_WRAPPER(QueryViaStackMode, 0)
RTL_PCBAPI_WRAPPER(QueryViaStackSizeOnLayer, 0)
RTL_PCBAPI_WRAPPER(QueryPad_PwrGnd, 0)

// Object records.
RTL_PCBAPI_WRAPPER(QueryPrimitive, 0)
RTL_PCBAPI_WRAPPER(QueryTrack, 0)
RTL_PCBAPI_WRAPPER(QueryVia, 0)
RTL_PCBAPI_WRAPPER(QueryPad, 0)
RTL_PCBAPI_WRAPPER(QueryArc, 0)
RTL_PCBAPI_WRAPPER(QueryFill, 0)
RTL_PCBAPI_WRAPPER(QueryText, 0)
RTL_PCBAPI_WRAPPER(QueryTrueTypeTextInfo, 0)
RTL_PCBAPI_WRAPPER(QueryBarCodeTextInfo, 0)
RTL_PCBAPI_WRAPPER(QueryNet, 0)
RTL_PCBAPI_WRAPPER(QueryClass, 0)
RTL_PCBAPI_WRAPPER(GetMemberFromClassAt, 1)
RTL_PCBAPI_WRAPPER(AddMemberToClass, 1)
RTL_PCBAPI_WRAPPER(RemoveAllMembersFromClass, 1)
RTL_PCBAPI_WRAPPER(QueryFromTo, 0)
RTL_PCBAPI_WRAPPER(QueryManualFromTo, 1)
RTL_PCBAPI_WRAPPER(QueryCoordinate, 0)
RTL_PCBAPI_WRAPPER(QueryDimension, 0)
RTL_PCBAPI_WRAPPER(References_At, 0)
RTL_PCBAPI_WRAPPER(QueryExtDimension, 0)
RTL_PCBAPI_WRAPPER(QueryComponent, 0)
RTL_PCBAPI_WRAPPER(QueryComponentEx, 0)
RTL_PCBAPI_WRAPPER(QueryComponentSourceLinks, 0)
RTL_PCBAPI_WRAPPER(QueryDefaultPCB3DModel, 0)
RTL_PCBAPI_WRAPPER(QueryComponentKind, 0)
RTL_PCBAPI_WRAPPER(QueryComponentChannelOffset, 0)
RTL_PCBAPI_WRAPPER(QueryEmbedded, 0)
RTL_PCBAPI_WRAPPER(QueryEmbeddedBoard, 0)
RTL_PCBAPI_WRAPPER(QueryViolation, 0)

// The board and its layers.
RTL_PCBAPI_WRAPPER(QueryBoard, 0)
RTL_PCBAPI_WRAPPER(QueryBoardLayerInfo, 0)
RTL_PCBAPI_WRAPPER(QueryLayer, 0)
RTL_PCBAPI_WRAPPER(QueryInternalPlane, 0)
RTL_PCBAPI_WRAPPER(QueryLayerDielectric, 0)
RTL_PCBAPI_WRAPPER(QueryBoardExternalDielectrics, 0)
RTL_PCBAPI_WRAPPER(QueryBoardSplitPlaneMode, 1)
RTL_PCBAPI_WRAPPER(QueryBoardLayerPairAt, 0)
RTL_PCBAPI_WRAPPER(QueryBoardGridsEx, 0)
RTL_PCBAPI_WRAPPER(QueryBoardOutputOptions, 0)
RTL_PCBAPI_WRAPPER(QueryBoardOutputOptionsPlotLayers, 0)
RTL_PCBAPI_WRAPPER(QueryBoardOutputOptionsFlipLayers, 0)
RTL_PCBAPI_WRAPPER(QueryBoardGerberOptions, 0)
RTL_PCBAPI_WRAPPER(QueryBoardPrinterOptions, 0)
RTL_PCBAPI_WRAPPER(QueryBoardPrinterOptionsPlotterPen, 0)
RTL_PCBAPI_WRAPPER(QueryBoardPrinterOptionsCompositeLayer, 0)
RTL_PCBAPI_WRAPPER(QueryBoardAdvancedPlacerOptions, 0)
RTL_PCBAPI_WRAPPER(QueryBoardEngineeringChangeOrderOptions, 0)
// An editor without the query knows no pair's nets.
RTL_PCBAPI_WRAPPER(GetDifferentialPairNets, pcbapi::kFailure)

// The board outline and the contours of regions.
RTL_PCBAPI_WRAPPER(GetBoardOutlineHandle, 0)
RTL_PCBAPI_WRAPPER(GetRegionVertexAt, 1)

#undef RTL_PCBAPI_WRAPPER
#undef RTL_PCBAPI_VOID_WRAPPER

// Wrappers that also check what the editor wrote: a count never reads below 0, and an outline's
// segment count never beyond its block.
int PcbApi_References_Count(Mode mode, Handle dimension, int32_t* count) noexcept;
int PcbApi_QueryBoardLayerPairsCount(Handle board, int32_t* count, Mode mode) noexcept;
int PcbApi_QueryRegion(Mode mode, Handle region, pcbapi::Byte* region_kind, uint16_t* flags,
                       uint16_t* aux_word, pcbapi::LayerId* layer, Handle* net,
                       pcbapi::Byte* aux_byte, int32_t* aux_integer, int32_t* hole_count,
                       int32_t* vertex_count, Coord* box_x1, Coord* box_y1, Coord* box_x2,
                       Coord* box_y2) noexcept;
int PcbApi_QueryPolygon(Mode mode, Handle polygon, uint16_t* flags, uint16_t* aux_word,
                        pcbapi::LayerId* layer, Handle* net, pcbapi::Byte* aux_byte,
                        pcbapi::Byte* pour_over, pcbapi::Byte* remove_dead,
                        pcbapi::Byte* hatch_style, Coord* grid, Coord* track_width,
                        pcbapi::Byte* use_octagons, pcbapi::Byte* remove_islands,
                        Coord* min_prim_length, pcbapi::Byte* polygon_kind, int32_t* segment_count,
                        pcbapi::OutlineBlock* outline) noexcept;
int PcbApi_QuerySplitPlane(Mode mode, Handle split_plane, uint16_t* flags, uint16_t* aux_word,
                           pcbapi::LayerId* layer, Handle* net, pcbapi::Byte* aux_byte,
                           pcbapi::Byte* is_island, int32_t* segment_count,
                           pcbapi::OutlineBlock* outline) noexcept;
// Empties `buffer` (kDesignatorBufferSize bytes) first, so without the editor it stays empty;
// the editor's text is always terminated inside the buffer.
void PcbApi_GetDesignatorDisplayString(char* buffer, Handle object) noexcept;

// ---- Layer conversions on the way ----------------------------------------------------------

// The iterator of one legacy layer; layers above 82 iterate "no layer".
Handle CreateLayerIterator(Handle container, uint8_t kind, uint8_t method,
                           LegacyLayer layer) noexcept;

// The board record with its current layer as a legacy number: handed to the editor as a layer
// identity and turned back afterwards.
int QueryBoardWithLegacyLayer(Mode mode, Handle board, int32_t* version, pcbapi::Text255* file_name,
                              pcbapi::Byte* unit, Coord* origin_x, Coord* origin_y, Coord* width,
                              Coord* height, pcbapi::Byte* snap_to_grid, LegacyLayer* current_layer,
                              int32_t* object_count) noexcept;
// The pad record with its layer as a legacy number, in the same manner.
int QueryPadWithLegacyLayer(
    Mode mode, Handle pad, uint16_t* flags, uint16_t* aux_word, LegacyLayer* layer, Handle* net,
    pcbapi::Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y, Coord* top_x, Coord* top_y,
    Coord* mid_x, Coord* mid_y, Coord* bot_x, Coord* bot_y, Coord* hole_size,
    pcbapi::Byte* top_shape, pcbapi::Byte* mid_shape, pcbapi::Byte* bot_shape, pcbapi::Text20* name,
    pcbapi::Byte* plated, pcbapi::Byte* hole_shape, double* rotation, pcbapi::Text20* swap_id_pad,
    pcbapi::Text20* swap_id_part, int32_t* hole_width, pcbapi::Text20* swap_id_group,
    pcbapi::Byte* electrical_type, pcbapi::Byte* hole_type, int32_t* paste_expansion,
    double* hole_rotation, int32_t* solder_expansion, int32_t* drill_layer_pair,
    int32_t* pin_package_length, pcbapi::Byte* tented_top, pcbapi::Byte* tented_bottom) noexcept;

// Legacy layer of a layer identity: classic identities are their own number; extended signal
// layers count as the last mid layer (31), extended planes as plane 16 (54), extended
// mechanical layers as mechanical 16 (72); anything else as no layer.
LegacyLayer LegacyLayerOf(pcbapi::LayerId layer) noexcept;

// ---- Spatial iteration ---------------------------------------------------------------------

// Makes a host layer set from a legacy layer set, with one reference for the caller. The
// layer-set unit registers it at start; until then the spatial iterators pass no set, which the
// editor reads as all layers.
using LayerSetFromLegacySetProc = IPCB_LayerSet* (*)(const LegacyLayerSet& layers);
void SetLayerSetFromLegacySet(LayerSetFromLegacySetProc proc) noexcept;

// The spatial iterator over a rectangle with the layers given as a legacy layer set; the set is
// held for the call only.
Handle CreateSpatialIteratorOnLayers(Handle board, Coord x1, Coord y1, Coord x2, Coord y2,
                                     const LegacyLayerSet& layers, KindSet kinds) noexcept;

// ---- Iteration algorithms ------------------------------------------------------------------

// Visits a container kind by kind (0..25 in `kinds`) and, per kind, legacy layer by layer
// (0..82 in `layers`), with one iterator each, destroyed after its last object. An object on
// several matching layers is delivered once per layer.
void IterateContainer(Handle container, KindSet kinds, const LegacyLayerSet& layers, uint8_t method,
                      const std::function<void(Handle object)>& visit);

// Objects of `kinds` on the current board within 1 mil of (x, y) in both directions, with the
// kind the editor reports for each; the visit returns false to stop. The iterator is destroyed
// in every case.
void SearchAroundPoint(Coord x, Coord y, const LegacyLayerSet& layers, KindSet kinds,
                       const std::function<bool(Handle object, uint8_t kind)>& visit);

// One mil in internal units.
constexpr Coord kOneMil = 10000;

}  // namespace sdk
