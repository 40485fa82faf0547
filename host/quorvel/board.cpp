// The board database: handles, containers, ordered iteration and the spatial grid.
#include "host/quorvel/board.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace quorvel {

// ---- Box -----------------------------------------------------------------------------------

namespace {
Coord Clamp32(int64_t v) {
  return static_cast<Coord>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

void Box::Add(int64_t x, int64_t y) {
  if (Empty()) {
    x1 = x2 = Clamp32(x);
    y1 = y2 = Clamp32(y);
    return;
  }
  x1 = std::min(x1, Clamp32(x));
  y1 = std::min(y1, Clamp32(y));
  x2 = std::max(x2, Clamp32(x));
  y2 = std::max(y2, Clamp32(y));
}

void Box::Add(const Box& other) {
  if (other.Empty()) return;
  Add(other.x1, other.y1);
  Add(other.x2, other.y2);
}

void Box::Grow(int64_t margin) {
  if (Empty() || margin <= 0) return;
  x1 = Clamp32(int64_t{x1} - margin);
  y1 = Clamp32(int64_t{y1} - margin);
  x2 = Clamp32(int64_t{x2} + margin);
  y2 = Clamp32(int64_t{y2} + margin);
}

bool Box::Intersects(const Box& other) const {
  return !Empty() && !other.Empty() && x1 <= other.x2 && other.x1 <= x2 && y1 <= other.y2 &&
         other.y1 <= y2;
}

// ---- Extents -------------------------------------------------------------------------------

namespace {

constexpr double kPi = 3.14159265358979323846;

Box PointBox(Coord x, Coord y, int64_t half) {
  Box box;
  box.Add(x, y);
  box.Grow(half);
  return box;
}

// A rectangle of w by h centred on (x, y) and turned by `degrees`.
Box TurnedRectBox(Coord x, Coord y, int64_t w, int64_t h, double degrees) {
  // Most pads stand unturned, and every write of one asks for its extent again: the same sums
  // without the sine and cosine of 0.
  const double a = degrees * kPi / 180.0;
  const double c = degrees == 0 ? 1.0 : std::fabs(std::cos(a)),
               s = degrees == 0 ? 0.0 : std::fabs(std::sin(a));
  const double half_w = (w * c + h * s) / 2.0, half_h = (w * s + h * c) / 2.0;
  Box box;
  box.Add(std::llround(x - half_w), std::llround(y - half_h));
  box.Add(std::llround(x + half_w), std::llround(y + half_h));
  return box;
}

Box OutlineBox(const Outline& outline) {
  Box box;
  for (const Segment& s : outline) {
    box.Add(s.vx, s.vy);
    if (s.kind == 1) {  // the arc may bulge beyond its end points: take its whole circle
      box.Add(int64_t{s.cx} - s.radius, int64_t{s.cy} - s.radius);
      box.Add(int64_t{s.cx} + s.radius, int64_t{s.cy} + s.radius);
    }
  }
  return box;
}

}  // namespace

Box Object::Bounds(const Board&) const { return {}; }

Box Track::Bounds(const Board&) const {
  Box box;
  box.Add(x, y);
  box.Add(x2, y2);
  box.Grow(width / 2);
  return box;
}

Box Arc::Bounds(const Board&) const { return PointBox(x, y, int64_t{radius} + width / 2); }

Via::Via() : Object(pcbapi::kVia) { layer = kMultiLayer; }

bool Via::Spans(int l) const {
  const int low = std::min(low_layer, high_layer), high = std::max(low_layer, high_layer);
  return IsSignalLayer(l) && l >= low && l <= high;
}

Coord Via::SizeOn(int l) const {
  if (!Spans(l)) return 0;
  switch (stack_mode) {
    case 0: return size;
    case 1: return l == kTopLayer || l == kBottomLayer ? stack_sizes[l] : stack_sizes[2];
    default: return stack_sizes[l];
  }
}

Box Via::Bounds(const Board&) const {
  Coord largest = size;
  if (stack_mode != 0) {
    for (int l = kTopLayer; l <= kBottomLayer; ++l) largest = std::max(largest, SizeOn(l));
  }
  return PointBox(x, y, largest / 2);
}

Pad::Pad() : Object(pcbapi::kPad) { layer = kMultiLayer; }

bool Pad::Covers(int l) const { return layer == kMultiLayer ? IsSignalLayer(l) : l == layer; }

PadLayer Pad::On(int l) const {
  if (stack_mode == 2 && l >= 0 && static_cast<size_t>(l) < full_stack.size()) {
    return full_stack[l];
  }
  if (!Covers(l)) return {};
  if (stack_mode == 1 && l != kTopLayer && l != kBottomLayer && layer == kMultiLayer) {
    return {mid_x, mid_y, mid_shape, mid_percent};
  }
  if (stack_mode == 1 && l == kBottomLayer) return {bot_x, bot_y, bot_shape, bot_percent};
  return {top_x, top_y, top_shape, top_percent};
}

PadLayer& Pad::FullStackEntry(int l) {
  if (full_stack.empty()) {
    full_stack.resize(kLastLegacyLayer + 1);
    for (int i = 0; i <= kLastLegacyLayer; ++i) {
      const uint8_t mode = stack_mode;
      stack_mode = std::min<uint8_t>(mode, 1);  // the table starts as the pad looks now
      full_stack[i] = On(i);
      stack_mode = mode;
    }
  }
  return full_stack[std::clamp(l, 0, kLastLegacyLayer)];
}

Box Pad::Bounds(const Board&) const {
  int64_t w = std::max({top_x, mid_x, bot_x}), h = std::max({top_y, mid_y, bot_y});
  for (const PadLayer& entry : full_stack) {
    w = std::max<int64_t>(w, entry.x_size);
    h = std::max<int64_t>(h, entry.y_size);
  }
  return TurnedRectBox(x, y, w, h, rotation);
}

Box Fill::Bounds(const Board&) const {
  const int64_t cx = x / 2 + x2 / 2, cy = y / 2 + y2 / 2;
  return TurnedRectBox(static_cast<Coord>(cx), static_cast<Coord>(cy), std::llabs(int64_t{x2} - x),
                       std::llabs(int64_t{y2} - y), rotation);
}

Box Shaped::Bounds(const Board&) const { return OutlineBox(outline); }

Text::Text() : Object(pcbapi::kTextObject) { layer = 33; }

Box Text::Bounds(const Board&) const {
  // Stroke glyphs are about as wide as 0.8 of their height.
  const int64_t w = static_cast<int64_t>(text.size()) * size * 8 / 10, h = size;
  Box box;
  box.Add(x, y);
  box.Add(x + w, y + h);
  return box;
}

Box Connection::Bounds(const Board&) const {
  Box box;
  box.Add(x, y);
  box.Add(x2, y2);
  return box;
}

Box Net::Bounds(const Board& board) const {
  Box box;
  for (Handle member : members) {
    if (const Object* object = board.Find(member)) box.Add(object->Bounds(board));
  }
  return box;
}

Component::Component() : Object(pcbapi::kComponent) { layer = kTopLayer; }

Box Component::Bounds(const Board& board) const {
  Box box;
  for (Handle member : members) {
    if (const Object* object = board.Find(member)) box.Add(object->Bounds(board));
  }
  if (box.Empty()) box.Add(x, y);
  return box;
}

Box Dimension::Bounds(const Board&) const {
  Box box;
  box.Add(x, y);
  box.Add(x2, y2);
  box.Grow(line_width / 2);
  return box;
}

Box Coordinate::Bounds(const Board&) const { return PointBox(x, y, size / 2); }

Rule::Rule() : Object(pcbapi::kRule) { layer = kMultiLayer; }

Box Rule::Bounds(const Board&) const { return OutlineBox(room); }

EmbeddedBoard::EmbeddedBoard() : Object(pcbapi::kEmbeddedBoard) { layer = kTopLayer; }

Box EmbeddedBoard::Bounds(const Board&) const {
  Box box;
  box.Add(x, y);
  box.Add(x + int64_t{column_spacing} * std::max(column_count - 1, 0),
          y + int64_t{row_spacing} * std::max(row_count - 1, 0));
  return box;
}

uint8_t DefaultLayer(uint8_t kind) {
  switch (kind) {
    case pcbapi::kPad:
    case pcbapi::kVia:
    case pcbapi::kRule: return kMultiLayer;
    case pcbapi::kTextObject: return 33;  // top overlay
    case pcbapi::kArc:
    case pcbapi::kTrack:
    case pcbapi::kFill:
    case pcbapi::kRegion:
    case pcbapi::kPolygon:
    case pcbapi::kComponent:
    case pcbapi::kEmbeddedBoard: return kTopLayer;
    case pcbapi::kSplitPlane: return kFirstPlane;
    default: return 0;
  }
}

// ---- MemberList ----------------------------------------------------------------------------

void MemberList::insert(Handle handle) {
  const uint32_t entry = handle << 1;
  // Objects mostly join as they are made, after every member they have.
  if (entries_.empty() || entries_.back() < entry) {
    entries_.push_back(entry);
    ++live_;
    return;
  }
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), entry);
  if (at != entries_.end() && *at >> 1 == handle) {
    live_ += *at != entry;
    *at = entry;
    return;
  }
  entries_.insert(at, entry);
  ++live_;
}

void MemberList::erase(Handle handle) {
  const uint32_t entry = handle << 1;
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), entry);
  if (at == entries_.end() || *at != entry) return;
  *at |= 1;
  --live_;
  if (entries_.size() - live_ > live_) {
    std::erase_if(entries_, [](uint32_t e) { return (e & 1) != 0; });
  }
}

MemberList::Iterator MemberList::upper_bound(Handle after) const {
  const uint64_t first = (uint64_t{after} + 1) << 1;
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), first,
                                   [](uint32_t e, uint64_t value) { return e < value; });
  return At(static_cast<size_t>(at - entries_.begin()));
}

// ---- HandleSet -----------------------------------------------------------------------------

void HandleSet::Insert(Handle handle) {
  const size_t word = handle / 32;
  if (word >= words_.size()) words_.resize(word + 1);
  const uint32_t bit = uint32_t{1} << (handle % 32);
  count_ += (words_[word] & bit) == 0;
  words_[word] |= bit;
}

void HandleSet::Erase(Handle handle) {
  const size_t word = handle / 32;
  if (word >= words_.size()) return;
  const uint32_t bit = uint32_t{1} << (handle % 32);
  count_ -= (words_[word] & bit) != 0;
  words_[word] &= ~bit;
}

// ---- CellTable -----------------------------------------------------------------------------

std::vector<Handle>& CellTable::At(uint64_t key) {
  if ((cells_.size() + 1) * 2 > slots_.size()) Grow();
  for (size_t i = Home(key);; i = (i + 1) & (slots_.size() - 1)) {
    Slot& slot = slots_[i];
    if (slot.cell == kEmpty) {
      slot = {key, static_cast<uint32_t>(cells_.size())};
      return cells_.emplace_back();
    }
    if (slot.key == key) return cells_[slot.cell];
  }
}

const std::vector<Handle>* CellTable::Find(uint64_t key) const {
  if (slots_.empty()) return nullptr;
  for (size_t i = Home(key);; i = (i + 1) & (slots_.size() - 1)) {
    const Slot& slot = slots_[i];
    if (slot.cell == kEmpty) return nullptr;
    if (slot.key == key) return &cells_[slot.cell];
  }
}

void CellTable::Grow() {
  const size_t size = std::max<size_t>(64, slots_.size() * 2);
  const std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
  for (const Slot& slot : old) {
    if (slot.cell == kEmpty) continue;
    size_t i = Home(slot.key);
    while (slots_[i].cell != kEmpty) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = slot;
  }
}

// ---- Board ---------------------------------------------------------------------------------

namespace {
// Versions of net names, unique in the process.
uint64_t NewNetNamesVersion() {
  static uint64_t last = 0;
  return ++last;
}
}  // namespace

Board::Board() : net_names_version_(NewNetNamesVersion()) {
  slots_.resize(2);  // handle 0 is "none", handle 1 the board itself
  indexed_.resize(2);
  handle_ = 1;
  for (int l = 0; l <= kLastLegacyLayer; ++l) layers[l].name = LegacyLayerName(l);
}

Board::~Board() {
  for (Object* object : slots_) {
    if (object) store_.Destroy(object->kind, object);
  }
}

Object* Board::Create(uint8_t kind) {
  // Room first: a failure then leaves no object without a slot.
  if (slots_.size() == slots_.capacity()) {
    slots_.reserve(slots_.size() * 2);
    indexed_.reserve(slots_.capacity());
  }
  Object* object = MakeOfKind(kind);
  if (!object) return nullptr;
  object->layer = DefaultLayer(kind);
  object->handle = static_cast<Handle>(slots_.size());
  slots_.push_back(object);
  indexed_.emplace_back();
  ++live_;
  return object;
}

Object* Board::MakeOfKind(uint8_t kind) {
  switch (kind) {
    case pcbapi::kArc: return store_.Make<Arc>(kind);
    case pcbapi::kPad: return store_.Make<Pad>(kind);
    case pcbapi::kVia: return store_.Make<Via>(kind);
    case pcbapi::kTrack: return store_.Make<Track>(kind);
    case pcbapi::kTextObject: return store_.Make<Text>(kind);
    case pcbapi::kFill: return store_.Make<Fill>(kind);
    case pcbapi::kConnection: return store_.Make<Connection>(kind);
    case pcbapi::kNet: return store_.Make<Net>(kind);
    case pcbapi::kComponent: return store_.Make<Component>(kind);
    case pcbapi::kPolygon: return store_.Make<Polygon>(kind);
    case pcbapi::kRegion: return store_.Make<Region>(kind);
    case pcbapi::kComponentBody: return store_.Make<ComponentBody>(kind);
    case pcbapi::kDimension: return store_.Make<Dimension>(kind);
    case pcbapi::kCoordinate: return store_.Make<Coordinate>(kind);
    case pcbapi::kClass: return store_.Make<ObjectClass>(kind);
    case pcbapi::kRule: return store_.Make<Rule>(kind);
    case pcbapi::kFromTo: return store_.Make<FromTo>(kind);
    case pcbapi::kDifferentialPair: return store_.Make<DifferentialPair>(kind);
    case pcbapi::kViolation: return store_.Make<Violation>(kind);
    case pcbapi::kEmbedded: return store_.Make<Embedded>(kind);
    case pcbapi::kEmbeddedBoard: return store_.Make<EmbeddedBoard>(kind);
    case pcbapi::kSplitPlane: return store_.Make<SplitPlane>(kind);
    case pcbapi::kTrace:
    case pcbapi::kSpareVia: return store_.Make<PlainObject>(kind, kind);
    case pcbapi::kBoardOutline: return store_.Make<Polygon>(kind, kind);
    default: return nullptr;
  }
}

MemberList* MembersOf(Object* object) {
  switch (object ? object->kind : 0) {
    case pcbapi::kNet: return &static_cast<Net*>(object)->members;
    case pcbapi::kComponent: return &static_cast<Component*>(object)->members;
    case pcbapi::kPolygon:
    case pcbapi::kBoardOutline: return &static_cast<Polygon*>(object)->members;
    default: return nullptr;
  }
}

const MemberList* MembersOf(const Object* object) { return MembersOf(const_cast<Object*>(object)); }

void Board::Place(Object& object) {
  if (object.on_board) return;
  object.on_board = true;
  Changed(object);
  by_kind_[object.kind].Insert(object.handle);
  by_kind_layer_[object.kind][object.layer].Insert(object.handle);
  if (Object* net = Find(object.net); net && net->kind == pcbapi::kNet) {
    MembersOf(net)->insert(object.handle);
  }
  if (Object* owner = Find(object.owner); MemberList* members = MembersOf(owner)) {
    members->insert(object.handle);
    if (owner->kind == pcbapi::kComponent) in_components_.Insert(object.handle);
  }
  if (object.kind == pcbapi::kBoardOutline) outline = object.handle;
  IndexSpatially(object);
}

void Board::Unplace(Object& object) {
  if (!object.on_board) return;
  object.on_board = false;
  Changed(object);
  by_kind_[object.kind].Erase(object.handle);
  by_kind_layer_[object.kind][object.layer].Erase(object.handle);
  if (MemberList* members = MembersOf(Find(object.net))) members->erase(object.handle);
  if (MemberList* members = MembersOf(Find(object.owner))) members->erase(object.handle);
  in_components_.Erase(object.handle);
  if (outline == object.handle) outline = 0;
  UnindexSpatially(object);
}

void Board::Destroy(Handle handle) {
  Object* object = Find(handle);
  if (!object) return;
  Unplace(*object);
  if (object->kind == pcbapi::kComponent || object->kind == pcbapi::kPolygon ||
      object->kind == pcbapi::kBoardOutline) {
    const MemberList members = *MembersOf(object);
    for (Handle member : members) {
      if (Object* m = Find(member); m && m->owner == handle) Destroy(member);
    }
  }
  if (object->kind == pcbapi::kComponent) {
    const auto* component = static_cast<Component*>(object);
    const Handle texts[] = {component->designator, component->comment};
    for (Handle text : texts) {
      if (Object* t = Find(text); t && t->owner == handle) Destroy(text);
    }
  }
  if (object->kind == pcbapi::kNet) {
    // Objects keep no handle of a net that no longer exists.
    for (Handle member : *MembersOf(object)) {
      if (Object* m = Find(member)) m->net = 0;
    }
  }
  store_.Destroy(object->kind, object);
  slots_[handle] = nullptr;
  --live_;
}

void Board::Refile(Object& object, Handle old_net, uint8_t old_layer, Handle old_owner) {
  if (!object.on_board) return;
  Changed(object);
  if (old_layer != object.layer) {
    by_kind_layer_[object.kind][old_layer].Erase(object.handle);
    by_kind_layer_[object.kind][object.layer].Insert(object.handle);
  }
  if (old_net != object.net) {
    if (MemberList* members = MembersOf(Find(old_net))) members->erase(object.handle);
    if (Object* net = Find(object.net); net && net->kind == pcbapi::kNet) {
      MembersOf(net)->insert(object.handle);
    }
  }
  if (old_owner != object.owner) {
    if (MemberList* members = MembersOf(Find(old_owner))) members->erase(object.handle);
    in_components_.Erase(object.handle);
    if (Object* owner = Find(object.owner); MemberList* members = MembersOf(owner)) {
      members->insert(object.handle);
      if (owner->kind == pcbapi::kComponent) in_components_.Insert(object.handle);
    }
  }
  // Most writes change no extent (a pad's padstack number, a via's flags): the cells stay.
  if (object.Bounds(*this) == indexed_[object.handle]) return;
  UnindexSpatially(object);
  IndexSpatially(object);
}

const std::vector<Handle>& Board::RulesOfKind(uint8_t rule_kind) const {
  if (!rules_by_kind_) {
    auto& lists = rules_by_kind_.emplace();
    const HandleSet& rules = by_kind_[pcbapi::kRule];
    for (Handle handle = rules.Next(0); handle != 0; handle = rules.Next(handle)) {
      if (const auto* rule = FindAs<Rule>(handle, pcbapi::kRule)) {
        lists[rule->rule_kind].push_back(handle);
      }
    }
  }
  static const std::vector<Handle> none;
  const auto found = rules_by_kind_->find(rule_kind);
  return found == rules_by_kind_->end() ? none : found->second;
}

Handle Board::NextOf(Handle container, uint8_t kind, uint8_t method, const LayerFilter& filter,
                     Handle after) const {
  if (kind >= pcbapi::kObjectKindCount) return 0;
  // Whether a placed object's owner suits the method: the components' set answers without a
  // visit to the object or its owner.
  auto owner_suits = [&](Handle handle) {
    switch (method) {
      case pcbapi::kAllObjects: return true;
      case pcbapi::kFreeObjects: return !in_components_.Contains(handle);
      case pcbapi::kComponentObjects: return in_components_.Contains(handle);
      default: return false;
    }
  };
  // The kind's set holds exactly the placed objects of the kind: unless the layer matters, an
  // object need not be visited, which on a large board costs a cache miss each.
  const HandleSet& placed = by_kind_[kind];
  auto accept = [&](Handle handle) {
    if (!placed.Contains(handle) || !owner_suits(handle)) return false;
    if (filter.Any()) return true;
    const Object* object = Find(handle);
    return object && filter.Matches(object->layer);
  };
  if (container == handle_) {
    const int single = filter.Single();
    const HandleSet& candidates = single >= 0 ? by_kind_layer_[kind][single] : by_kind_[kind];
    // The set holds exactly the placed objects of the kind (on the layer, when it is one): only
    // a layer range needs each object's own layer. The owners are told apart 32 at a time.
    auto next = [&](Handle from) {
      switch (method) {
        case pcbapi::kAllObjects: return candidates.Next(from);
        case pcbapi::kFreeObjects:
          return candidates.NextMasked(from,
                                       [&](size_t word) { return ~in_components_.Word(word); });
        case pcbapi::kComponentObjects:
          return candidates.NextMasked(from,
                                       [&](size_t word) { return in_components_.Word(word); });
        default: return Handle{0};
      }
    };
    for (Handle handle = next(after); handle != 0; handle = next(handle)) {
      if (single >= 0 || filter.Any() || filter.Matches(slots_[handle]->layer)) return handle;
    }
    return 0;
  }
  const MemberList* members = MembersOf(Find(container));
  if (!members) return 0;
  for (auto it = members->upper_bound(after); it != members->end(); ++it) {
    if (accept(*it)) return *it;
  }
  return 0;
}

void Board::IndexSpatially(Object& object) {
  const Box& b = indexed_[object.handle] = object.Bounds(*this);
  if (b.Empty()) return;
  const int64_t cx1 = FloorDiv(b.x1, kCellSize), cx2 = FloorDiv(b.x2, kCellSize);
  const int64_t cy1 = FloorDiv(b.y1, kCellSize), cy2 = FloorDiv(b.y2, kCellSize);
  if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > kMaxCellsPerObject) {
    wide_.insert(object.handle);
    return;
  }
  for (int64_t cx = cx1; cx <= cx2; ++cx) {
    for (int64_t cy = cy1; cy <= cy2; ++cy) cells_.At(CellKey(cx, cy)).push_back(object.handle);
  }
}

void Board::UnindexSpatially(Object& object) {
  const Box b = std::exchange(indexed_[object.handle], Box{});
  if (b.Empty()) return;
  const int64_t cx1 = FloorDiv(b.x1, kCellSize), cx2 = FloorDiv(b.x2, kCellSize);
  const int64_t cy1 = FloorDiv(b.y1, kCellSize), cy2 = FloorDiv(b.y2, kCellSize);
  // The box that put the object in the wide list says so again, without a look into it.
  if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > kMaxCellsPerObject) {
    wide_.erase(object.handle);
    return;
  }
  for (int64_t cx = cx1; cx <= cx2; ++cx) {
    for (int64_t cy = cy1; cy <= cy2; ++cy) {
      std::vector<Handle>* cell = cells_.Find(CellKey(cx, cy));
      if (!cell) continue;
      // An emptied cell stays: an import deletes the routing and lays it again in the same
      // cells, which would otherwise be freed and made anew. A cell holds an object once, and
      // its order does not matter (searches sort what they find): the last one takes its place,
      // and the rest of the cell is neither read nor moved.
      std::vector<Handle>& handles = *cell;
      const auto found = std::find(handles.begin(), handles.end(), object.handle);
      if (found == handles.end()) continue;
      *found = handles.back();
      handles.pop_back();
    }
  }
}

std::vector<Handle> Board::Search(const Box& box) const {
  std::vector<Handle> found;
  if (box.Empty()) return found;
  // Only placed objects are indexed, and taking one off the board empties its box.
  auto consider = [&](Handle handle) {
    if (indexed_[handle].Intersects(box)) found.push_back(handle);
  };
  const int64_t cx1 = FloorDiv(box.x1, kCellSize), cx2 = FloorDiv(box.x2, kCellSize);
  const int64_t cy1 = FloorDiv(box.y1, kCellSize), cy2 = FloorDiv(box.y2, kCellSize);
  if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > static_cast<int64_t>(cells_.size())) {
    for (const std::vector<Handle>& handles : cells_.cells()) {
      for (Handle handle : handles) consider(handle);
    }
  } else {
    for (int64_t cx = cx1; cx <= cx2; ++cx) {
      for (int64_t cy = cy1; cy <= cy2; ++cy) {
        const std::vector<Handle>* cell = cells_.Find(CellKey(cx, cy));
        if (!cell) continue;
        for (Handle handle : *cell) consider(handle);
      }
    }
  }
  for (Handle handle : wide_) consider(handle);
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

size_t Board::CountOnLayer(int layer) const {
  size_t count = 0;
  if (layer < 0 || layer > kLastLegacyLayer) return 0;
  for (const auto& kind : by_kind_layer_) count += kind[layer].size();
  return count;
}

Box Board::Extent() const {
  if (const Object* board_outline = Find(outline); board_outline && board_outline->on_board) {
    return board_outline->Bounds(*this);
  }
  Box box;
  for (const HandleSet& kind : by_kind_) {
    for (Handle handle = kind.Next(0); handle != 0; handle = kind.Next(handle)) {
      box.Add(indexed_[handle]);
    }
  }
  return box;
}

void Board::NetNamesChanged() {
  nets_by_name_.clear();
  net_names_version_ = NewNetNamesVersion();
}

namespace {
uint32_t NameHash(std::string_view name) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  return hash;
}
}  // namespace

size_t Board::NetSlotOf(std::string_view name, uint32_t hash) const {
  const size_t mask = nets_by_name_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const NetSlot& slot = nets_by_name_[i];
    if (slot.net == 0) return i;
    if (slot.hash == hash && static_cast<const Net*>(Find(slot.net))->name == name) return i;
  }
}

Net* Board::FindNet(const std::string& name) const {
  if (nets_by_name_.empty()) {
    const HandleSet& on_board = by_kind_[pcbapi::kNet];
    nets_by_name_.resize(std::bit_ceil(on_board.size() * 2 + 2));
    // In handle order: of nets named alike, the first is found.
    for (Handle handle = on_board.Next(0); handle != 0; handle = on_board.Next(handle)) {
      const std::string& net_name = static_cast<const Net*>(Find(handle))->name;
      const uint32_t hash = NameHash(net_name);
      NetSlot& slot = nets_by_name_[NetSlotOf(net_name, hash)];
      if (slot.net == 0) slot = {hash, handle};
    }
  }
  const Handle net = nets_by_name_[NetSlotOf(name, NameHash(name))].net;
  return net == 0 ? nullptr : static_cast<Net*>(Find(net));
}

Handle Board::NetHandle(const std::string& name) const {
  const Net* net = FindNet(name);
  return net ? net->handle : 0;
}

Object* Board::FindByRecordId(const std::string& id) const {
  auto it = record_ids.find(id);
  return it == record_ids.end() ? nullptr : Find(it->second);
}

std::vector<uint8_t> Board::StackOrder() const {
  std::vector<uint8_t> order;
  int first = 0;
  for (int l = 1; l <= kLastLegacyLayer; ++l) {
    if (layers[l].previous == 0 && layers[l].next != 0) {
      first = l;
      break;
    }
  }
  std::array<bool, kLastLegacyLayer + 1> seen{};
  for (int l = first; l > 0 && l <= kLastLegacyLayer && !seen[l]; l = layers[l].next) {
    seen[l] = true;  // a looped chain ends where it closes
    order.push_back(static_cast<uint8_t>(l));
  }
  return order;
}

}  // namespace quorvel
