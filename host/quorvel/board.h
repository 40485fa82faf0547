// The stand-in editor's board database: objects with stable handles, containers, iterators by
// kind and layer, a spatial index, and the board's layers and option records.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/quorvel/layers.h"
#include "host/quorvel/object_store.h"
#include "sdk/pcb_api_contract.h"

namespace quorvel {

using pcbapi::Coord;
using pcbapi::Handle;
using Segment = pcbapi::OutlineSegment;
using Outline = std::vector<Segment>;

class Board;

// The members of a net, component or polygon in handle order, side by side: a tree allocated a
// node for each, scattered over the heap, and an import adds and removes hundreds of thousands.
// A removed member leaves a mark in its place until the marks outnumber the members, so that
// removing a large net's members one by one moves no more than adding them did. Handles below
// 2^31 only (the editor's are the places of its objects).
class MemberList {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Handle;
    using difference_type = std::ptrdiff_t;
    using pointer = const Handle*;
    using reference = Handle;

    Iterator(const uint32_t* at, const uint32_t* end) : at_(at), end_(end) { SkipMarks(); }
    Handle operator*() const { return *at_ >> 1; }
    Iterator& operator++() {
      ++at_;
      SkipMarks();
      return *this;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    void SkipMarks() {
      while (at_ != end_ && (*at_ & 1) != 0) ++at_;
    }
    const uint32_t* at_;
    const uint32_t* end_;
  };

  void insert(Handle handle);
  void erase(Handle handle);
  Iterator begin() const { return At(0); }
  Iterator end() const { return At(entries_.size()); }
  // The first member after `after`.
  Iterator upper_bound(Handle after) const;
  bool empty() const { return live_ == 0; }
  size_t size() const { return live_; }

 private:
  Iterator At(size_t index) const {
    return {entries_.data() + index, entries_.data() + entries_.size()};
  }
  std::vector<uint32_t> entries_;  // handles shifted left by one; the low bit marks a removed one
  size_t live_ = 0;
};

// An axis-parallel box; empty until a point is added.
struct Box {
  Coord x1 = 0, y1 = 0, x2 = -1, y2 = -1;
  bool Empty() const { return x2 < x1 || y2 < y1; }
  void Add(int64_t x, int64_t y);
  void Add(const Box& other);
  void Grow(int64_t margin);
  bool Intersects(const Box& other) const;
  bool operator==(const Box&) const = default;
};

// ---- Objects -------------------------------------------------------------------------------

struct Object {
  explicit Object(uint8_t kind_) : kind(kind_) {}
  virtual ~Object() = default;
  // The extent for the spatial index and the bounding rectangle; empty for objects without
  // geometry of their own.
  virtual Box Bounds(const Board& board) const;

  Handle handle = 0;
  uint8_t kind;
  bool on_board = false;  // added to the board: iterators and the spatial index see it
  Handle owner = 0;       // the component or polygon it belongs to
  uint8_t from_user = 0;
  uint16_t flags = 0;
  uint16_t aux_word = 0;
  uint8_t bit_field2 = 0, bit_field3 = 0, aux_byte = 0;
  int32_t aux_integer = 0;
  uint8_t layer = 0;  // legacy layer
  Handle net = 0;
  Coord x = 0, y = 0;
  std::unique_ptr<nlohmann::json> unknown;  // keys of the board file that the format does not name
};

struct Track : Object {
  Track() : Object(pcbapi::kTrack) {}
  Box Bounds(const Board&) const override;
  Coord x2 = 0, y2 = 0, width = 0;
  int32_t aux_value1 = 0, aux_value2 = 0, aux_value3 = 0;  // aux_value1: owning polygon
};

struct Arc : Object {
  Arc() : Object(pcbapi::kArc) {}
  Box Bounds(const Board&) const override;
  Coord radius = 0, width = 0;
  double start_angle = 0, end_angle = 0;
  int32_t aux_value1 = 0;  // owning polygon
};

struct Via : Object {
  Via();
  Box Bounds(const Board&) const override;
  Coord SizeOn(int layer) const;  // 0 on layers it does not span
  bool Spans(int layer) const;
  Coord size = 0, hole = 0;
  uint8_t low_layer = kTopLayer, high_layer = kBottomLayer;
  uint8_t tented_top = 0, tented_bottom = 0;
  uint8_t stack_mode = 0;               // 0 simple, 1 top-middle-bottom, 2 full stack
  std::array<Coord, 33> stack_sizes{};  // by legacy layer 1..32, used in modes 1 and 2
};

struct PadLayer {
  Coord x_size = 0, y_size = 0;
  uint8_t shape = 0, corner_percent = 0;
};

struct Pad : Object {
  Pad();
  Box Bounds(const Board&) const override;
  bool Covers(int layer) const;
  PadLayer On(int layer) const;
  PadLayer& FullStackEntry(int layer);  // switches the table in when needed
  Coord top_x = 0, top_y = 0, mid_x = 0, mid_y = 0, bot_x = 0, bot_y = 0, hole = 0;
  uint8_t top_shape = 1, mid_shape = 1, bot_shape = 1;
  std::string name;
  uint8_t plated = 1, hole_shape = 0, electrical_type = 0, hole_type = 0;
  double rotation = 0, hole_rotation = 0;
  std::string swap_id_pad, swap_id_part, swap_id_group;
  int32_t hole_width = 0, paste_expansion = 0, solder_expansion = 0, drill_layer_pair = 0,
          pin_package_length = 0;
  uint8_t tented_top = 0, tented_bottom = 0;
  uint8_t stack_mode = 0;  // 0 simple, 1 top-middle-bottom, 2 full stack
  uint8_t top_percent = 0, mid_percent = 0, bot_percent = 0;
  uint8_t power_ground = 0;
  std::vector<PadLayer> full_stack;  // by legacy layer 0..82 in mode 2
};

struct Fill : Object {
  Fill() : Object(pcbapi::kFill) {}
  Box Bounds(const Board&) const override;
  Coord x2 = 0, y2 = 0;
  int32_t aux_value1 = 0;
  double rotation = 0;
};

// Regions, polygons, split planes, board outlines, component bodies.
struct Shaped : Object {
  using Object::Object;
  Box Bounds(const Board&) const override;
  Outline outline;
};

struct Region : Shaped {
  Region() : Shaped(pcbapi::kRegion) {}
  uint8_t region_kind = 0;  // 0 copper, 1 cut-out, 2 board cut-out
  std::vector<Outline> holes;
};

struct Polygon : Shaped {
  explicit Polygon(uint8_t kind = pcbapi::kPolygon) : Shaped(kind) {}
  MemberList members;  // its hatch
  uint8_t pour_over = 0, remove_dead = 1, hatch_style = 0, use_octagons = 0, remove_islands = 1,
          polygon_kind = 0;
  Coord grid = 0, track_width = 0, min_prim_length = 0;
};

struct SplitPlane : Shaped {
  SplitPlane() : Shaped(pcbapi::kSplitPlane) {}
  uint8_t is_island = 0;
};

struct ComponentBody : Shaped {
  ComponentBody() : Shaped(pcbapi::kComponentBody) {}
};

struct Text : Object {
  Text();
  Box Bounds(const Board&) const override;
  Coord size = 600000, width = 100000;
  int32_t font = 0, text_kind = 0, justification = 0;  // text_kind: 0 free, 1 designator, 2 comment
  double rotation = 0;
  uint8_t mirrored = 0;
  std::string text;
  uint8_t true_type = 0, bold = 0, italic = 0, inverted = 0;
  std::string font_name = "Arial";
  Coord true_type_length = 200000;
  uint8_t bar_code_kind = 0, render_mode = 0, show_text = 0, bar_code_inverted = 0;
};

struct Connection : Object {
  Connection() : Object(pcbapi::kConnection) {}
  Box Bounds(const Board&) const override;
  Coord x2 = 0, y2 = 0;
  uint8_t layer2 = 0;
};

struct Net : Object {
  Net() : Object(pcbapi::kNet) {}
  Box Bounds(const Board& board) const override;
  MemberList members;  // the objects of the net
  std::string name;
  uint8_t visible = 1, highlighted = 0;
};

struct Component : Object {
  Component();
  Box Bounds(const Board& board) const override;
  MemberList members;                  // its parts
  Handle designator = 0, comment = 0;  // their text objects
  std::string footprint;
  uint8_t name_on = 1, comment_on = 0, locked = 0;
  Coord height = 0;
  double rotation = 0;
  int32_t union_index = 0, channel = 0, component_kind = 0, channel_offset = 0;
  uint8_t lock_strings = 0, pin_swapping = 0;
  std::array<std::string, 8> source_links;
  std::string model;
};

struct DimensionReference {
  int32_t object = 0, point = 0;
  Coord x = 0, y = 0;
};

struct Dimension : Object {
  Dimension() : Object(pcbapi::kDimension) {}
  Box Bounds(const Board&) const override;
  Coord x2 = 0, y2 = 0, line_width = 100000, text_height = 600000, text_width = 60000;
  int32_t font = 0, precision = 2;
  uint8_t dimension_kind = 8;
  std::vector<DimensionReference> references;
  // The extended record.
  uint8_t text_position = 0, arrow_position = 0, unit = 0, bold = 0;
  Coord text_gap = 0, arrow_size = 0, arrow_length = 0, extension_gap = 0, extension_offset = 0,
        extension_width = 0, arrow_width = 0, x3 = 0, y3 = 0;
  int32_t style = 0, value = 0;
  std::string prefix, suffix, font_name = "Arial";
  double angle = 0;
};

struct Coordinate : Object {
  Coordinate() : Object(pcbapi::kCoordinate) {}
  Box Bounds(const Board&) const override;
  Coord size = 100000, line_width = 10000, text_height = 600000, text_width = 60000;
  int32_t font = 0, style = 0;
};

struct ObjectClass : Object {
  ObjectClass() : Object(pcbapi::kClass) {}
  uint8_t member_kind = 0;  // 0 nets, 1 components, 2 from-tos, 3 pads, 4 layers, 5 pairs
  uint8_t all_members = 0;  // a system class holding every object of its member kind
  std::string name;
  std::vector<std::string> member_names;
};

struct LayerWidths {
  Coord max_width = 0, min_width = 0, preferred_width = 0;
};

class RuleScope;

struct Rule : Object {
  Rule();
  Box Bounds(const Board&) const override;
  uint8_t rule_kind = 0, enabled = 1, unary = 1, defined_by_user = 1, net_scope = 0, layer_kind = 0,
          locked = 0, scope1_kind = 0, scope2_kind = 0;
  std::string name, comment, scope1 = "All", scope2 = "All", unique_id;
  std::array<std::string, 5> texts;  // text2 .. text6 of the full record
  int32_t priority = 1, value1 = 0, value2 = 0, value3 = 0;
  // Values of the rule kinds.
  Coord gap = 0;
  LayerWidths widths;
  std::map<uint8_t, LayerWidths> layer_widths;  // per legacy signal layer; else `widths`
  Coord via_size = 0, hole_size = 0, min_hole_size = 0;
  std::array<uint8_t, pcbapi::kRoutingLayerFlagCount> routing_layers{};
  uint8_t topology = 0;
  int32_t routing_priority = 0, max_via_count = 0;
  Coord stub_length = 0;
  Coord min_length = 0, max_length = 0;  // length rules
  Outline room;                          // rooms: the region they cover
  uint8_t room_layer = 0;
  // The scope evaluator's reading of scope1 and scope2 (rule_scope.h), each with the text it
  // was read from: a scope whose text changed is read anew.
  struct ParsedScope {
    const std::string* text = nullptr;
    const RuleScope* scope = nullptr;
  };
  mutable std::array<ParsedScope, 2> parsed_scopes{};
};

struct FromTo : Object {
  FromTo() : Object(pcbapi::kFromTo) {}
  std::string net_name, from_pin, to_pin;
  int32_t route_order = 0;
};

struct DifferentialPair : Object {
  DifferentialPair() : Object(pcbapi::kDifferentialPair) {}
  std::string name;
  Handle positive = 0, negative = 0;  // nets
};

struct Violation : Object {
  Violation() : Object(pcbapi::kViolation) {}
  std::string name, description;
  Handle rule = 0, first = 0, second = 0;
};

struct Embedded : Object {
  Embedded() : Object(pcbapi::kEmbedded) {}
  std::string name;
  std::string data;  // at most kEmbeddedDataSize bytes
};

struct EmbeddedBoard : Object {
  EmbeddedBoard();
  Box Bounds(const Board&) const override;
  std::string document;
  int32_t row_count = 1, column_count = 1;
  Coord row_spacing = 0, column_spacing = 0;
  double rotation = 0;
  uint8_t mirrored = 0, origin_mode = 0;
};

// Objects of kinds the editor has but keeps no values for beyond the common record.
struct PlainObject : Object {
  using Object::Object;
};

// The layer a new object of the kind lies on.
uint8_t DefaultLayer(uint8_t kind);

// The objects a net, component, polygon or board outline holds; null for other objects. Only
// containers carry the list: the objects walked most, tracks and pads, stay small.
MemberList* MembersOf(Object* object);
const MemberList* MembersOf(const Object* object);

// ---- The board -----------------------------------------------------------------------------

struct Dielectric {
  std::string material = "FR-4";
  uint8_t kind = 1;
  double constant = 4.8;
  Coord height = 126000;
};

struct LayerInfo {
  std::string name;
  Coord copper_thickness = 14000;
  uint8_t visible = 1, locked = 0, previous = 0, next = 0, enabled = 0;
  std::string plane_net = "(No Net)";
  Dielectric dielectric;
  int32_t color = 0;
};

struct LayerPair {
  pcbapi::LayerId first = 0, second = 0;
  uint8_t first_byte = 0, second_byte = 0;
};

// Handles of the board's objects of one kind (or of one kind on one layer), a bit each: handles
// are dense, and an import adds and deletes hundreds of thousands of objects, which a tree of
// handles would allocate and free a node for each.
class HandleSet {
 public:
  void Insert(Handle handle);
  void Erase(Handle handle);
  bool Contains(Handle handle) const {
    return handle / 32 < words_.size() && (words_[handle / 32] >> (handle % 32) & 1) != 0;
  }
  size_t size() const { return count_; }
  // The first handle after `after`; 0 when there is none.
  Handle Next(Handle after) const {
    return NextMasked(after, [](size_t) { return ~uint32_t{0}; });
  }
  // The same among the handles whose bits are set in `mask(word)` of their word.
  template <class Mask>
  Handle NextMasked(Handle after, Mask&& mask) const {
    const uint64_t from = uint64_t{after} + 1;
    size_t word = static_cast<size_t>(from / 32);
    if (word >= words_.size()) return 0;
    uint32_t bits = words_[word] & mask(word) & (~uint32_t{0} << (from % 32));
    while (bits == 0) {
      if (++word == words_.size()) return 0;
      bits = words_[word] & mask(word);
    }
    return static_cast<Handle>(word * 32 + static_cast<size_t>(std::countr_zero(bits)));
  }
  // The bits of 32 handles from `word` * 32 on.
  uint32_t Word(size_t word) const { return word < words_.size() ? words_[word] : 0; }

 private:
  std::vector<uint32_t> words_;  // the width the processor finds a set bit in at once
  size_t count_ = 0;
};

// One event of the board for the journal.
using JournalSink = void (*)(const std::string& line);

// The spatial grid's cells by key, each with its objects: one open table of keys over one list of
// cells, so that a lookup touches one slot instead of a bucket, a node and a chain.
class CellTable {
 public:
  // The cell's objects; an absent cell is added empty.
  std::vector<Handle>& At(uint64_t key);
  // Null when the cell was never added.
  const std::vector<Handle>* Find(uint64_t key) const;
  std::vector<Handle>* Find(uint64_t key) {
    return const_cast<std::vector<Handle>*>(std::as_const(*this).Find(key));
  }
  size_t size() const { return cells_.size(); }
  const std::vector<std::vector<Handle>>& cells() const { return cells_; }

 private:
  static constexpr uint32_t kEmpty = ~uint32_t{0};
  struct Slot {
    uint64_t key = 0;
    uint32_t cell = kEmpty;
  };
  // Neighbouring cells start in neighbouring slots: the cells of a tile of 8 x 8 (the low three
  // bits of column and row) share one block of slots, and the tiles are scattered by a hash. An
  // object's cells and the next object's then touch a block or two that stay cached, where a
  // random slot each cost a cache miss on a large board.
  static constexpr uint64_t kInTile = (uint64_t{7} << 32) | 7;
  size_t Home(uint64_t key) const {
    const size_t tile = static_cast<size_t>(((key & ~kInTile) * 0x9E3779B97F4A7C15u) >> 32);
    const size_t in_tile = static_cast<size_t>((key >> 32 & 7) << 3 | (key & 7));
    return (tile << 6 | in_tile) & (slots_.size() - 1);
  }
  void Grow();

  std::vector<Slot> slots_;  // a power of two in size, at most half used
  std::vector<std::vector<Handle>> cells_;
};

class Board {
 public:
  Board();
  ~Board();
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  Handle handle() const { return handle_; }

  // ---- Objects ----
  Object* Find(Handle handle) const { return handle < slots_.size() ? slots_[handle] : nullptr; }
  template <class T>
  T* FindAs(Handle handle, uint8_t kind) const {
    Object* object = Find(handle);
    return object && object->kind == kind ? static_cast<T*>(object) : nullptr;
  }
  // A new free-standing object of a kind on its default layer, with the next handle; null for
  // kinds that cannot be made (no kind, board, above 26).
  Object* Create(uint8_t kind);
  // Puts an object on the board (iterators, spatial index) and into its net and owner.
  void Place(Object& object);
  // Takes an object off the board, out of its net and owner; it stays valid until destroyed.
  void Unplace(Object& object);
  // Destroys an object (off the board first); its handle is never given again. The members of
  // a component or polygon are destroyed with it.
  void Destroy(Handle handle);
  // Re-files an object after its values changed: net, owner, layer and spatial extent.
  void Refile(Object& object, Handle old_net, uint8_t old_layer, Handle old_owner);
  size_t ObjectCount() const { return live_; }
  size_t CountOnBoard(uint8_t kind) const { return by_kind_[kind].size(); }
  size_t CountOnLayer(int layer) const;
  // The extent of the board: its outline, or every object when it has none.
  Box Extent() const;

  // ---- Iteration ----
  // Handles of `kind` on the board (or in a container), after `after`, in handle order.
  Handle NextOf(Handle container, uint8_t kind, uint8_t method, const LayerFilter& layers,
                Handle after) const;
  // Objects on the board whose extent meets the box, in handle order.
  std::vector<Handle> Search(const Box& box) const;

  // The rules on the board of one rule kind, in handle order.
  const std::vector<Handle>& RulesOfKind(uint8_t rule_kind) const;

  // ---- Names ----
  // Changes whenever a net of the board comes, goes or is renamed, and differs between boards:
  // what a lookup by net name found holds while it stays the same.
  uint64_t net_names_version() const { return net_names_version_; }
  Net* FindNet(const std::string& name) const;
  Handle NetHandle(const std::string& name) const;
  Object* FindByRecordId(const std::string& id) const;

  // ---- Board record, layers and options ----
  int32_t version = 1;
  std::string file_name;
  uint8_t unit = 0;  // 0 imperial, 1 metric
  Coord origin_x = 0, origin_y = 0, width = 0, height = 0;
  uint8_t snap_to_grid = 1;
  uint8_t current_layer = kTopLayer;
  std::array<LayerInfo, kLastLegacyLayer + 1> layers;  // by legacy layer; 0 unused
  Dielectric top_dielectric, bottom_dielectric;
  uint8_t split_plane_mode = 1;
  std::vector<LayerPair> layer_pairs;
  Handle outline = 0;  // the board outline object
  pcbapi::BoardGrids grids{};
  pcbapi::BoardOutputOptions output_options{};
  pcbapi::BoardGerberOptions gerber_options{};
  pcbapi::BoardPrinterOptions printer_options{};
  pcbapi::BoardAdvancedPlacerOptions placer_options{};
  pcbapi::BoardEcoOptions eco_options{};
  std::array<uint8_t, pcbapi::kOutputLayerCount + 1> plot_layers{};  // 1..109
  std::array<uint8_t, pcbapi::kOutputLayerCount + 1> flip_layers{};
  std::array<std::array<int32_t, 2>, pcbapi::kPlotterPenCount + 1> plotter_pens{};  // 1..8
  std::array<std::array<int32_t, 4>, kLastLegacyLayer + 1> composite_layers{};      // 1..82
  std::unique_ptr<nlohmann::json> unknown;         // top-level keys the format does not name
  std::unique_ptr<nlohmann::json> unknown_record;  // keys of "board" the format does not name

  // Every object in handle order (the writer's walk); null slots are destroyed handles.
  const std::vector<Object*>& slots() const { return slots_; }
  // Objects by record id of the board file (references between objects).
  std::map<std::string, Handle> record_ids;

  // Walks the layer stack from its first layer (previous 0, in legacy order) along next links.
  std::vector<uint8_t> StackOrder() const;

 private:
  void IndexSpatially(Object& object);
  void UnindexSpatially(Object& object);
  static uint64_t CellKey(int64_t cx, int64_t cy) {
    return static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32 | static_cast<uint32_t>(cy);
  }

  Object* MakeOfKind(uint8_t kind);

  Handle handle_;               // the board's own handle
  ObjectStore store_;           // holds every object the slots name
  std::vector<Object*> slots_;  // by handle; slot 0 and the board's are empty
  // By handle: where the spatial index holds each object (empty when it does not). Searches
  // test these boxes without a visit to each object, and the objects stay small.
  std::vector<Box> indexed_;
  size_t live_ = 0;
  std::array<HandleSet, pcbapi::kObjectKindCount> by_kind_;
  std::array<std::array<HandleSet, kLastLegacyLayer + 1>, pcbapi::kObjectKindCount> by_kind_layer_;
  CellTable cells_;
  // RulesOfKind's lists, made at the first question after a rule came, went or changed: rule
  // lookups run for every net and would otherwise walk all rules each time.
  mutable std::optional<std::map<uint8_t, std::vector<Handle>>> rules_by_kind_;
  // FindNet's index, made the same way (empty until then): an open table of the nets' handles
  // with their names' hashes, over the names the nets hold, so that making it allocates one
  // array rather than a node and a copy of the name for each of 30,000 nets. A power of two in
  // size, at most half used; net 0 marks a free slot.
  struct NetSlot {
    uint32_t hash = 0;
    Handle net = 0;
  };
  mutable std::vector<NetSlot> nets_by_name_;
  // The slot of the net of that name, or the free slot where the search ended.
  size_t NetSlotOf(std::string_view name, uint32_t hash) const;
  uint64_t net_names_version_;
  void Changed(const Object& object) {
    if (object.kind == pcbapi::kRule) rules_by_kind_.reset();
    if (object.kind == pcbapi::kNet) NetNamesChanged();
  }
  void NetNamesChanged();
  std::set<Handle> wide_;  // objects too large for the grid
  // Placed objects whose owner is a component: whether an object is free needs no visit to it
  // and its owner.
  HandleSet in_components_;
};

// Cell edge of the spatial grid: 100 mil.
constexpr int64_t kCellSize = 1000000;
// Objects spanning more cells than this live in one list checked by every search.
constexpr int64_t kMaxCellsPerObject = 64;

}  // namespace quorvel
