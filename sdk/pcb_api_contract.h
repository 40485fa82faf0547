// The binary contract of the PCB editor module's exported PcbApi_* functions, and of the three
// exports through which the stand-in host opens and saves the editor's board.
//
// Shared by the module (sdk/pcb_api.*) and the stand-in editor (host/quorvel). Every export is
// __stdcall with an undecorated name. Record exchanges take a Mode byte (1: host object to the
// caller's fields, 0: fields to the host object, other values passed through) and return 0 for
// success, 1 for failure. Out parameters are addresses of the caller's fields; texts are
// length-prefixed (one length byte, then the characters, no terminator). Sizes and order are
// binary: change nothing without changing both sides.
//
// No Windows header is needed here: the layer set travels as an opaque interface pointer.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

struct IPCB_LayerSet;  // the host's layer-set interface, declared with the layer-set code

namespace pcbapi {

// The host's design-rule kinds 0..58: a rule record's kind byte, named as the host names them.
inline constexpr int kRuleKindCount = 59;
inline constexpr std::array<std::string_view, kRuleKindCount> kRuleKindNames = {
    "Clearance",
    "ParallelSegment",
    "Width",
    "Length",
    "MatchedLengths",
    "StubLength",
    "PlaneConnect",
    "RoutingTopology",
    "RoutingPriority",
    "RoutingLayers",
    "RoutingCorners",
    "RoutingVias",
    "PlaneClearance",
    "SolderMaskExpansion",
    "PasteMaskExpansion",
    "ShortCircuit",
    "UnRoutedNet",
    "ViasUnderSMD",
    "MaximumViaCount",
    "MinimumAnnularRing",
    "PolygonConnect",
    "AcuteAngle",
    "RoomDefinition",
    "SMDToCorner",
    "ComponentClearance",
    "ComponentOrientations",
    "PermittedLayers",
    "NetsToIgnore",
    "SignalStimulus",
    "OvershootFalling",
    "OvershootRising",
    "UndershootFalling",
    "UndershootRising",
    "MaxMinImpedance",
    "SignalTopValue",
    "SignalBaseValue",
    "FlightTimeRising",
    "FlightTimeFalling",
    "LayerStack",
    "SlopeRising",
    "SlopeFalling",
    "SupplyNets",
    "HoleSize",
    "FabricationTestpoint",
    "FabricationTestPointUsage",
    "UnConnectedPin",
    "SMDToPlane",
    "SMDNeckDown",
    "LayerPairs",
    "FanoutControl",
    "Height",
    "DiffPairsRouting",
    "HoleToHoleClearance",
    "MinimumSolderMaskSliver",
    "SilkscreenOverComponentPads",
    "SilkToSilkClearance",
    "NetAntennae",
    "AssemblyTestpoint",
    "AssemblyTestPointUsage",
};

using Handle = uint32_t;      // opaque host object handle; 0 = none
using Mode = uint8_t;         // 1 read, 0 write
using Byte = uint8_t;         // also Booleans: 0 false, anything else true
using LegacyLayer = uint8_t;  // 0..82
using LayerId = uint32_t;     // 32-bit layer identity; classic layers equal their legacy number
using KindSet = uint32_t;     // bit n = object kind n
using Coord = int32_t;        // 1/10000 mil

constexpr Mode kRead = 1;
constexpr Mode kWrite = 0;
constexpr int kSuccess = 0;
constexpr int kFailure = 1;

// A length-prefixed text of at most Capacity characters (Capacity + 1 bytes).
template <int Capacity>
struct Text {
  uint8_t length;
  char chars[Capacity];
};
using Text20 = Text<20>;
using Text250 = Text<250>;
using Text254 = Text<254>;
using Text255 = Text<255>;
static_assert(sizeof(Text255) == 256 && sizeof(Text20) == 21);

// Object kinds as the editor numbers them.
enum ObjectKind : uint8_t {
  kNoObject = 0,
  kArc = 1,
  kPad = 2,
  kVia = 3,
  kTrack = 4,
  kTextObject = 5,
  kFill = 6,
  kConnection = 7,
  kNet = 8,
  kComponent = 9,
  kPolygon = 10,
  kRegion = 11,
  kComponentBody = 12,
  kDimension = 13,
  kCoordinate = 14,
  kClass = 15,
  kRule = 16,
  kFromTo = 17,
  kDifferentialPair = 18,
  kViolation = 19,
  kEmbedded = 20,
  kEmbeddedBoard = 21,
  kSplitPlane = 22,
  kTrace = 23,
  kSpareVia = 24,
  kBoard = 25,
  kBoardOutline = 26,
};
constexpr int kObjectKindCount = 27;

// Iteration methods of PcbApi_CreateIterator.
enum IterationMethod : uint8_t {
  kAllObjects = 0,        // every object of the kind in the container
  kFreeObjects = 1,       // only objects that belong to no component
  kComponentObjects = 2,  // only objects that belong to a component
};

// ---- Blocks handed over by address --------------------------------------------------------

#pragma pack(push, 1)
// One segment of a polygon, split-plane or outline contour (37 bytes).
struct OutlineSegment {
  uint8_t kind;  // each starts at its vertex: 0 a corner, 1 an arc from it to its other end
  int32_t vx, vy;
  int32_t cx, cy, radius;
  double start_angle, end_angle;  // degrees, counter-clockwise
};
#pragma pack(pop)
static_assert(sizeof(OutlineSegment) == 37);
constexpr int kOutlineSegmentCapacity = 5001;
// The outline block of polygons and split planes: the count of used segments travels in the
// record beside it.
struct OutlineBlock {
  OutlineSegment segments[kOutlineSegmentCapacity];
};
static_assert(sizeof(OutlineBlock) == 185037);

constexpr int kEmbeddedDataSize = 4096;
constexpr int kDesignatorBufferSize = 256;
constexpr int kRoutingLayerFlagCount = 32;
constexpr int kDimensionReferenceCapacity = 200;
constexpr int kOutputLayerCount = 109;
constexpr int kPlotterPenCount = 8;

// The board's option records: the module stores them and writes them back whole.
struct BoardGrids {
  Coord snap_x, snap_y, component_x, component_y, electrical_range, visible1, visible2;
  Byte electrical_grid_on, snap_to_board_outline, visible_grid_kind, reserved;
};
struct BoardOutputOptions {
  int32_t values[8];
};
struct BoardGerberOptions {
  int32_t values[12];
};
struct BoardPrinterOptions {
  int32_t values[8];
};
struct BoardAdvancedPlacerOptions {
  int32_t values[8];
};
struct BoardEcoOptions {
  int32_t values[4];
};

// ---- Signatures ----------------------------------------------------------------------------
// Function types without calling convention; StdcallPointer adds it. Parameter names say what
// each value is; docs/board-format.md says how the stand-in editor fills them.
namespace sig {

// Object lifecycle and identity.
using GetCurrentBoardHandle = Handle();
using GetObjectIdFromObjectHandle = uint8_t(Handle object);
using CreateObject = Handle(uint8_t kind);
using DestroyObject = int(Handle object);
using AddObjectToContainer = int(Handle container, Handle object);
using DeleteObjectFromContainer = int(Handle container, Handle object);
using SetOwnerBoard = int(Handle board, Handle object);
using QueryObjectBoundingRectangle = int(Handle object, Coord* x1, Coord* y1, Coord* x2, Coord* y2);
using QueryObjectImport_FromUser = int(Handle object);
using QueryObjectGraphicallyInvalidate = int(Handle object);
using GetObjectBitField2 = void(Mode mode, Handle object, Byte* bits);
using GetObjectBitField3 = void(Mode mode, Handle object, Byte* bits);
using GetDesignatorDisplayString = void(char* buffer /* kDesignatorBufferSize */, Handle object);

// Iteration.
using CreateIterator = Handle(Handle container, uint8_t kind, uint8_t method, LayerId layer);
using GetFirstObject = Handle(Handle iterator);
using GetNextObject = Handle(Handle iterator);
using DestroyIterator = int(Handle iterator);
using CreateSpatialIterator = Handle(Handle board, Coord x1, Coord y1, Coord x2, Coord y2,
                                     IPCB_LayerSet* layers, KindSet kinds);
using GetFirstSpatialObject = Handle(Handle iterator, uint8_t* kind);
using GetNextSpatialObject = Handle(Handle iterator, uint8_t* kind);
using DestroySpatialIterator = int(Handle iterator);

// Progress display.
using Percent_Init = void(const Text255* message, int32_t total);
using Percent_Update = void();
using Percent_Finish = void();

// Rules and rule values.
using FindDominantRuleForObject = Handle(Handle object, uint8_t rule_kind);
using FindDominantRuleForObjectPair = Handle(Handle first, Handle second, uint8_t rule_kind);
using Scope1_Includes = Byte(Handle rule, Handle object);
using Scope2_Includes = Byte(Handle rule, Handle object);
using QueryRule = int(Mode mode, Handle rule, Byte* rule_kind, Byte* enabled, Byte* unary,
                      Byte* defined_by_user, Byte* net_scope, Byte* layer_kind, Byte* locked,
                      Text255* name, Text255* comment, Text255* scope1, Text255* scope2,
                      Byte* scope1_kind, Byte* scope2_kind, int32_t* priority, int32_t* value1,
                      int32_t* value2, int32_t* value3, Text255* unique_id, Text255* text2,
                      Text255* text3, Text255* text4, Text255* text5, Text255* text6);
using QueryRuleEx = int(Mode mode, Handle rule, Byte* rule_kind, Byte* enabled, int32_t* priority,
                        Byte* unary, Text255* scope1, Text255* scope2);
using QueryRuleExtEx = int(Mode mode, Handle rule, Text255* name);
using QueryRuleClearanceConstraint = int(Mode mode, Handle rule, Coord* gap);
using QueryRuleMaxMinWidthConstraint = int(Mode mode, Handle rule, Coord* max_width,
                                           Coord* min_width);
using QueryRuleMaxMinWidthConstraintExt = int(Mode mode, Handle rule, Coord* max_width,
                                              Coord* min_width, Coord* preferred_width);
using QueryRuleMaxMinWidthConstraintByLayer = int(Mode mode, Handle rule, LegacyLayer layer,
                                                  Coord* max_width, Coord* min_width,
                                                  Coord* preferred_width);
using QueryRuleRoutingViaStyleRule = int(Mode mode, Handle rule, Coord* via_size, Coord* hole_size,
                                         Coord* min_hole_size);
using QueryRuleRoutingLayersRule = int(Mode mode, Handle rule,
                                       Byte* allowed /* kRoutingLayerFlagCount */);
using QueryRuleRoutingTopologyRule = int(Mode mode, Handle rule, Byte* topology);
using QueryRuleRoutingPriorityRule = int(Mode mode, Handle rule, int32_t* priority);
using QueryRuleDaisyChainStubLengthConstraint = int(Mode mode, Handle rule, Coord* length);
using QueryRuleMaximumViaCountRule = int(Mode mode, Handle rule, int32_t* count);

// Pads and vias on one layer.
using QueryPadOrViaShapeOnLayer = int(Handle object, LegacyLayer layer, Byte* shape);
using QueryPadOrViaSizeOnLayer = int(Handle object, LegacyLayer layer, Coord* x_size,
                                     Coord* y_size);
using QueryPadCornerRadiusOnLayer = int(Handle pad, LegacyLayer layer, Coord* radius);
using QueryPadCRPercentageOnLayer = int(Handle pad, LegacyLayer layer, Byte* percentage);
using SetPadShapeOnLayer = int(Handle pad, LegacyLayer layer, Byte shape);
using SetPadSizeOnLayer = int(Handle pad, LegacyLayer layer, Coord x_size, Coord y_size);
using SetCRPctOnLayer = int(Handle pad, LegacyLayer layer, Byte percentage);
using QueryPadStackMode = int(Mode mode, Handle pad, Byte* stack_mode);
using QueryViaStackMode = int(Mode mode, Handle via, Byte* stack_mode);
using QueryViaStackSizeOnLayer = int(Mode mode, Handle via, LegacyLayer layer, Coord* size);
using QueryPad_PwrGnd = int(Handle pad, Byte* power_ground);

// Object records. The common part: Flags, AuxWord, Layer, Net, AuxByte, AuxInteger.
using QueryPrimitive = int(Mode mode, Handle object, uint16_t* flags, uint16_t* aux_word,
                           LayerId* layer, Handle* net, int32_t* aux_integer, Byte* aux_byte);
using QueryTrack = int(Mode mode, Handle track, uint16_t* flags, uint16_t* aux_word, LayerId* layer,
                       Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y,
                       Coord* x2, Coord* y2, Coord* width, int32_t* owner_polygon,
                       int32_t* aux_value2, int32_t* aux_value3);
using QueryVia = int(Mode mode, Handle via, uint16_t* flags, uint16_t* aux_word, LegacyLayer* layer,
                     Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y,
                     Coord* size, Coord* hole_size, Byte* low_layer, Byte* high_layer,
                     Byte* tented_top, Byte* tented_bottom);
// The byte after the swap group is the pin's electrical type (0 load, 1 terminator, 2 source,
// 3 to 7 other kinds), which the router's network section writes as the pin's role.
using QueryPad = int(Mode mode, Handle pad, uint16_t* flags, uint16_t* aux_word, LayerId* layer,
                     Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y,
                     Coord* top_x, Coord* top_y, Coord* mid_x, Coord* mid_y, Coord* bot_x,
                     Coord* bot_y, Coord* hole_size, Byte* top_shape, Byte* mid_shape,
                     Byte* bot_shape, Text20* name, Byte* plated, Byte* hole_shape,
                     double* rotation, Text20* swap_id_pad, Text20* swap_id_part,
                     int32_t* hole_width, Text20* swap_id_group, Byte* electrical_type,
                     Byte* hole_type, int32_t* paste_expansion, double* hole_rotation,
                     int32_t* solder_expansion, int32_t* drill_layer_pair,
                     int32_t* pin_package_length, Byte* tented_top, Byte* tented_bottom);
using QueryArc = int(Mode mode, Handle arc, uint16_t* flags, uint16_t* aux_word, LayerId* layer,
                     Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y,
                     Coord* radius, double* start_angle, double* end_angle, Coord* line_width,
                     int32_t* owner_polygon);
using QueryFill = int(Mode mode, Handle fill, uint16_t* flags, uint16_t* aux_word, LayerId* layer,
                      Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y,
                      Coord* x2, Coord* y2, int32_t* aux_value1, double* rotation);
// The region's outline count and box are the editor's to compute: writes leave them.
using QueryRegion = int(Mode mode, Handle region, Byte* region_kind, uint16_t* flags,
                        uint16_t* aux_word, LayerId* layer, Handle* net, Byte* aux_byte,
                        int32_t* aux_integer, int32_t* hole_count, int32_t* vertex_count,
                        Coord* box_x1, Coord* box_y1, Coord* box_x2, Coord* box_y2);
using QueryText = int(Mode mode, Handle text_object, uint16_t* flags, uint16_t* aux_word,
                      LayerId* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer, Coord* x,
                      Coord* y, Coord* size, int32_t* font, double* rotation, Byte* mirrored,
                      Text254* text, Coord* width, int32_t* text_kind, int32_t* justification);
using QueryTrueTypeTextInfo = int(Mode mode, Handle text_object, Byte* true_type,
                                  Text255* font_name, Byte* bold, Byte* italic, Byte* inverted,
                                  Coord* true_type_length);
using QueryBarCodeTextInfo = int(Mode mode, Handle text_object, Byte* bar_code_kind,
                                 Byte* render_mode, Byte* show_text, Byte* inverted);
using QueryNet = int(Mode mode, Handle net, uint16_t* aux_word, Text255* name, Byte* visible,
                     Byte* highlighted);
using QueryClass = int(Mode mode, Handle object_class, uint16_t* aux_word, Byte* member_kind,
                       Byte* all_members, Text255* name);
using GetMemberFromClassAt = int(Handle object_class, int32_t index, Text255* name);
using AddMemberToClass = int(Handle object_class, const Text255* name);
using RemoveAllMembersFromClass = int(Handle object_class);
using QueryFromTo = int(Mode mode, Handle connection, uint16_t* aux_word, Coord* x, Coord* y,
                        Byte* layer, Coord* x2, Coord* y2, Byte* layer2, Handle* net);
using QueryManualFromTo = int(Mode mode, Handle from_to, uint16_t* aux_word, Text255* net_name,
                              Text255* from_pin, Text255* to_pin, int32_t* route_order);
using QueryCoordinate = int(Mode mode, Handle coordinate, uint16_t* flags, uint16_t* aux_word,
                            Byte* aux_byte, Coord* x, Coord* y, LayerId* layer, Coord* size,
                            Coord* line_width, Coord* text_height, Coord* text_width, int32_t* font,
                            int32_t* style);
using QueryDimension = int(Mode mode, Handle dimension, uint16_t* flags, uint16_t* aux_word,
                           Byte* aux_byte, Coord* x, Coord* y, Coord* x2, Coord* y2, LayerId* layer,
                           Coord* line_width, Coord* text_height, Coord* text_width, int32_t* font,
                           int32_t* precision, Byte* dimension_kind);
using References_Count = int(Mode mode, Handle dimension, int32_t* count);
using References_At = int(Mode mode, Handle dimension, int32_t index, int32_t* object,
                          int32_t* point, Coord* x, Coord* y);
using QueryExtDimension = int(Mode mode, Handle dimension, Byte* text_position, Coord* text_gap,
                              Coord* arrow_size, Coord* arrow_length, Byte* arrow_position,
                              Coord* extension_gap, Text255* prefix, Byte* unit,
                              Coord* extension_offset, Text255* suffix, Text255* font_name,
                              double* angle, Coord* extension_width, Coord* arrow_width,
                              int32_t* style, Byte* bold, Coord* x3, Coord* y3, int32_t* value);
using QueryPolygon = int(Mode mode, Handle polygon, uint16_t* flags, uint16_t* aux_word,
                         LayerId* layer, Handle* net, Byte* aux_byte, Byte* pour_over,
                         Byte* remove_dead, Byte* hatch_style, Coord* grid, Coord* track_width,
                         Byte* use_octagons, Byte* remove_islands, Coord* min_prim_length,
                         Byte* polygon_kind, int32_t* segment_count, OutlineBlock* outline);
using QuerySplitPlane = int(Mode mode, Handle split_plane, uint16_t* flags, uint16_t* aux_word,
                            LayerId* layer, Handle* net, Byte* aux_byte, Byte* is_island,
                            int32_t* segment_count, OutlineBlock* outline);
using QueryComponent = int(Mode mode, Handle component, uint16_t* flags, uint16_t* aux_word,
                           LegacyLayer* layer, Byte* aux_byte, int32_t* designator_text,
                           int32_t* comment_text, Text250* footprint, Byte* name_on,
                           Byte* comment_on, Coord* x, Coord* y, Coord* height, double* rotation,
                           Byte* locked);
using QueryComponentEx = int(Mode mode, Handle component, int32_t* union_index, Byte* lock_strings,
                             Byte* pin_swapping, int32_t* channel);
using QueryComponentSourceLinks = int(Mode mode, Handle component, Text255* source_designator,
                                      Text255* source_unique_id, Text255* source_hierarchy,
                                      Text255* source_footprint_library,
                                      Text255* source_component_library,
                                      Text255* source_lib_reference, Text255* source_description,
                                      Text255* footprint_description);
using QueryDefaultPCB3DModel = int(Mode mode, Handle component, Text255* model);
using QueryComponentKind = int(Mode mode, Handle component, int32_t* component_kind);
using QueryComponentChannelOffset = int(Mode mode, Handle component, int32_t* channel_offset);
using QueryEmbedded = int(Mode mode, Handle embedded, Text255* name,
                          uint8_t* data /* kEmbeddedDataSize */);
using QueryEmbeddedBoard = int(Mode mode, Handle embedded_board, uint16_t* flags,
                               uint16_t* aux_word, Byte* aux_byte, Coord* x, Coord* y,
                               Text255* document, int32_t* row_count, int32_t* column_count,
                               Coord* row_spacing, Coord* column_spacing, double* rotation,
                               Byte* mirrored, Byte* origin_mode);
using QueryViolation = int(Mode mode, Handle violation, Text255* name, Text255* description,
                           Handle* rule, Handle* first_object, Handle* second_object);

// The board and its layers.
using QueryBoard = int(Mode mode, Handle board, int32_t* version, Text255* file_name, Byte* unit,
                       Coord* origin_x, Coord* origin_y, Coord* width, Coord* height,
                       Byte* snap_to_grid, LayerId* current_layer, int32_t* object_count);
using QueryBoardLayerInfo = int(Mode mode, Handle board, LegacyLayer layer, int32_t* used,
                                int32_t* object_count, int32_t* color);
using QueryLayer = int(Mode mode, LegacyLayer layer, Handle board, Text255* name,
                       Coord* copper_thickness, Byte* visible, Byte* locked, LegacyLayer* previous,
                       LegacyLayer* next, Byte* enabled);
using QueryInternalPlane = int(Mode mode, LegacyLayer layer, Handle board, Text255* name,
                               Coord* copper_thickness, Byte* visible, Byte* locked,
                               LegacyLayer* previous, LegacyLayer* next, Text255* net_name);
using QueryLayerDielectric = int(Mode mode, LegacyLayer layer, Handle board, Text255* material,
                                 Byte* dielectric_kind, double* constant, Coord* height);
using QueryBoardExternalDielectrics = int(Mode mode, Handle board, Text255* top_material,
                                          Byte* top_kind, double* top_constant, Coord* top_height,
                                          Text255* bottom_material, Byte* bottom_kind,
                                          double* bottom_constant, Coord* bottom_height);
using QueryBoardSplitPlaneMode = int(Mode mode, Handle board, Byte* split_plane_mode);
// The only record exchange with the Mode last.
using QueryBoardLayerPairsCount = int(Handle board, int32_t* count, Mode mode);
using QueryBoardLayerPairAt = int(Mode mode, Handle board, int32_t index, LayerId* second_layer,
                                  LayerId* first_layer, Byte* second_byte, Byte* first_byte);
using QueryBoardGridsEx = int(Mode mode, Handle board, BoardGrids* grids);
using QueryBoardOutputOptions = int(Mode mode, Handle board, BoardOutputOptions* options);
using QueryBoardOutputOptionsPlotLayers = int(Mode mode, Handle board, int32_t layer, Byte* plot);
using QueryBoardOutputOptionsFlipLayers = int(Mode mode, Handle board, int32_t layer, Byte* flip);
using QueryBoardGerberOptions = int(Mode mode, Handle board, BoardGerberOptions* options);
using QueryBoardPrinterOptions = int(Mode mode, Handle board, BoardPrinterOptions* options);
using QueryBoardPrinterOptionsPlotterPen = int(Mode mode, Handle board, int32_t pen, int32_t* color,
                                               Coord* width);
using QueryBoardPrinterOptionsCompositeLayer = int(Mode mode, Handle board, LegacyLayer layer,
                                                   int32_t* value1, int32_t* value2,
                                                   int32_t* value3, int32_t* value4);
using QueryBoardAdvancedPlacerOptions = int(Mode mode, Handle board,
                                            BoardAdvancedPlacerOptions* options);
using QueryBoardEngineeringChangeOrderOptions = int(Mode mode, Handle board,
                                                    BoardEcoOptions* options);
// The two nets of a differential pair, positive first; 0 for a side without a net.
using GetDifferentialPairNets = int(Handle pair, Handle* positive, Handle* negative);

// The board's outline object (kind BoardOutline, read as a polygon); 0 when it has none.
using GetBoardOutlineHandle = Handle(Handle board);
// Vertex `index` of a region's outer contour (its corner points); 1 past the
// last vertex or for a handle that is no region.
using GetRegionVertexAt = int(Handle region, int32_t index, double* x, double* y);

}  // namespace sig

template <class Signature>
struct StdcallPointerOf;
template <class Result, class... Args>
struct StdcallPointerOf<Result(Args...)> {
  using type = Result(__stdcall*)(Args...);
};
template <class Signature>
using StdcallPointer = typename StdcallPointerOf<Signature>::type;

// Every export of the contract, in the order of the module's binding table. X(name) is called
// with the name after "PcbApi_"; sig::name is its signature.
#define PCBAPI_EXPORT_LIST(X)                \
  X(GetCurrentBoardHandle)                   \
  X(GetObjectIdFromObjectHandle)             \
  X(CreateObject)                            \
  X(DestroyObject)                           \
  X(AddObjectToContainer)                    \
  X(DeleteObjectFromContainer)               \
  X(SetOwnerBoard)                           \
  X(QueryObjectBoundingRectangle)            \
  X(QueryObjectImport_FromUser)              \
  X(QueryObjectGraphicallyInvalidate)        \
  X(GetObjectBitField2)                      \
  X(GetObjectBitField3)                      \
  X(GetDesignatorDisplayString)              \
  X(CreateIterator)                          \
  X(GetFirstObject)                          \
  X(GetNextObject)                           \
  X(DestroyIterator)                         \
  X(CreateSpatialIterator)                   \
  X(GetFirstSpatialObject)                   \
  X(GetNextSpatialObject)                    \
  X(DestroySpatialIterator)                  \
  X(Percent_Init)                            \
  X(Percent_Update)                          \
  X(Percent_Finish)                          \
  X(FindDominantRuleForObject)               \
  X(FindDominantRuleForObjectPair)           \
  X(Scope1_Includes)                         \
  X(Scope2_Includes)                         \
  X(QueryRule)                               \
  X(QueryRuleEx)                             \
  X(QueryRuleExtEx)                          \
  X(QueryRuleClearanceConstraint)            \
  X(QueryRuleMaxMinWidthConstraint)          \
  X(QueryRuleMaxMinWidthConstraintExt)       \
  X(QueryRuleMaxMinWidthConstraintByLayer)   \
  X(QueryRuleRoutingViaStyleRule)            \
  X(QueryRuleRoutingLayersRule)              \
  X(QueryRuleRoutingTopologyRule)            \
  X(QueryRuleRoutingPriorityRule)            \
  X(QueryRuleDaisyChainStubLengthConstraint) \
  X(QueryRuleMaximumViaCountRule)            \
  X(QueryPadOrViaShapeOnLayer)               \
  X(QueryPadOrViaSizeOnLayer)                \
  X(QueryPadCornerRadiusOnLayer)             \
  X(QueryPadCRPercentageOnLayer)             \
  X(SetPadShapeOnLayer)                      \
  X(SetPadSizeOnLayer)                       \
  X(SetCRPctOnLayer)                         \
  X(QueryPadStackMode)                       \
  X(QueryViaStackMode)                       \
  X(QueryViaStackSizeOnLayer)                \
  X(QueryPad_PwrGnd)                         \
  X(QueryPrimitive)                          \
  X(QueryTrack)                              \
  X(QueryVia)                                \
  X(QueryPad)                                \
  X(QueryArc)                                \
  X(QueryFill)                               \
  X(QueryRegion)                             \
  X(QueryText)                               \
  X(QueryTrueTypeTextInfo)                   \
  X(QueryBarCodeTextInfo)                    \
  X(QueryNet)                                \
  X(QueryClass)                              \
  X(GetMemberFromClassAt)                    \
  X(AddMemberToClass)                        \
  X(RemoveAllMembersFromClass)               \
  X(QueryFromTo)                             \
  X(QueryManualFromTo)                       \
  X(QueryCoordinate)                         \
  X(QueryDimension)                          \
  X(References_Count)                        \
  X(References_At)                           \
  X(QueryExtDimension)                       \
  X(QueryPolygon)                            \
  X(QuerySplitPlane)                         \
  X(QueryComponent)                          \
  X(QueryComponentEx)                        \
  X(QueryComponentSourceLinks)               \
  X(QueryDefaultPCB3DModel)                  \
  X(QueryComponentKind)                      \
  X(QueryComponentChannelOffset)             \
  X(QueryEmbedded)                           \
  X(QueryEmbeddedBoard)                      \
  X(QueryViolation)                          \
  X(QueryBoard)                              \
  X(QueryBoardLayerInfo)                     \
  X(QueryLayer)                              \
  X(QueryInternalPlane)                      \
  X(QueryLayerDielectric)                    \
  X(QueryBoardExternalDielectrics)           \
  X(QueryBoardSplitPlaneMode)                \
  X(QueryBoardLayerPairsCount)               \
  X(QueryBoardLayerPairAt)                   \
  X(QueryBoardGridsEx)                       \
  X(QueryBoardOutputOptions)                 \
  X(QueryBoardOutputOptionsPlotLayers)       \
  X(QueryBoardOutputOptionsFlipLayers)       \
  X(QueryBoardGerberOptions)                 \
  X(QueryBoardPrinterOptions)                \
  X(QueryBoardPrinterOptionsPlotterPen)      \
  X(QueryBoardPrinterOptionsCompositeLayer)  \
  X(QueryBoardAdvancedPlacerOptions)         \
  X(QueryBoardEngineeringChangeOrderOptions) \
  X(GetBoardOutlineHandle)                   \
  X(GetRegionVertexAt)                       \
  X(GetDifferentialPairNets)

enum class Export : int {
#define PCBAPI_ENUMERATOR(name) name,
  PCBAPI_EXPORT_LIST(PCBAPI_ENUMERATOR)
#undef PCBAPI_ENUMERATOR
};

inline constexpr std::array kExportNames = {
#define PCBAPI_NAME(name) std::string_view("PcbApi_" #name),
    PCBAPI_EXPORT_LIST(PCBAPI_NAME)
#undef PCBAPI_NAME
};
constexpr size_t kExportCount = kExportNames.size();

}  // namespace pcbapi

// ---- quorvel_host: how the stand-in host drives the stand-in editor ------------------------
// Exported by Quorvel.dll beside the PcbApi_* family; see docs/board-format.md.
namespace quorvel_host {

// Loads a board file and makes it the current board. 0 on success; otherwise a message naming
// the file and the place goes into `error` (at most `size` bytes with its terminator) and the
// previous board stays.
using OpenBoard = int(__stdcall*)(const char* path, char* error, int size);
// Writes the current board to a board file; same convention.
using SaveBoard = int(__stdcall*)(const char* path, char* error, int size);
// Closes the current board, as a user closes the document: afterwards no board is open.
using CloseBoard = void(__stdcall*)();
// Receives one journal line per recorded event.
using JournalAppend = void(__stdcall*)(const char* line);
// Sets (or, with null, clears) the host's journal.
using SetJournal = void(__stdcall*)(JournalAppend append);

inline constexpr const char* kModuleName = "Quorvel.dll";
inline constexpr const char* kOpenBoardName = "Quorvel_OpenBoard";
inline constexpr const char* kSaveBoardName = "Quorvel_SaveBoard";
inline constexpr const char* kCloseBoardName = "Quorvel_CloseBoard";
inline constexpr const char* kSetJournalName = "Quorvel_SetJournal";
// What the editor can be made to refuse, so that tests see how a caller copes with a board that
// will not take, give up or show an object.
enum RefusedOperation : uint32_t {
  kRefuseCreate = 1,  // PcbApi_CreateObject gives handle 0
  kRefuseAdd = 2,     // PcbApi_AddObjectToContainer onto the board fails
  kRefuseDelete = 4,  // PcbApi_DeleteObjectFromContainer off the board fails
  kRefuseRead = 8,    // a PcbApi_Query* read of the object fails
};
// Refuses the `operations` on objects whose kind is in `kinds` (bit 1 << kind), the next `count`
// times (a negative count: until switched off); 0 operations switch it off, and so does opening
// a board.
using SetRefusals = void(__stdcall*)(uint32_t operations, uint32_t kinds, int32_t count);
inline constexpr const char* kSetRefusalsName = "Quorvel_SetRefusals";
// Gives the editor's server module "PCB" (an IServerModule that also offers
// IPCB_ServerInterface) with one reference for the caller; 0 (S_OK) on success.
using GetServerModule = long(__stdcall*)(void** server_module);
inline constexpr const char* kGetServerModuleName = "Quorvel_GetServerModule";
// The editor's own share of the work: the calls into it from outside (PcbApi_* exports and its
// interfaces' methods; a call the editor makes to itself inside one counts with it) and whether
// one is running now, which a sampler on another thread reads to share out the time.
struct HostCallCounters {
  uint64_t calls;
  std::atomic<int32_t> depth;
};
using GetHostCallCounters = HostCallCounters*(__stdcall*)();
inline constexpr const char* kGetHostCallCountersName = "Quorvel_GetHostCallCounters";

}  // namespace quorvel_host
