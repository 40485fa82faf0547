// The PcbApi_* exports of the stand-in editor over its board database. Record exchanges read
// with Mode 1 and write with any other Mode; they answer 0 for success and 1 for a handle of
// the wrong kind, a value the board cannot hold (that value is left as it was), or a failure.
// No exception leaves an export.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "host/quorvel/editor.h"
#include "host/quorvel/host_calls.h"
#include "host/quorvel/layer_set_view.h"
#include "host/quorvel/rule_scope.h"

using namespace quorvel;
using pcbapi::Byte;
using pcbapi::LayerId;
using pcbapi::LegacyLayer;
using pcbapi::Mode;

namespace {

constexpr int kOk = pcbapi::kSuccess;
constexpr int kFail = pcbapi::kFailure;

Board* CurrentBoard() { return TheEditor().board(); }

bool IsCurrentBoard(Handle board) {
  return CurrentBoard() && board != 0 && board == CurrentBoard()->handle();
}

// "created Track 12": composed on the stack and handed to the journal with its zero, since an
// import journals every object it makes, adds and deletes. Character by character: a copy
// routine's start costs more than these few characters.
void JournalObject(std::string_view verb, uint8_t kind, Handle handle) {
  const std::string_view name = ObjectKindName(kind);
  char line[64];
  char* const last = line + sizeof line - 1;  // the zero's place
  char* end = line;
  auto append = [&](std::string_view text) {
    for (const char c : text) {
      if (end != last) *end++ = c;
    }
  };
  append(verb);
  append(" ");
  if (name.empty()) {
    end = std::to_chars(end, last, kind).ptr;
  } else {
    append(name);
  }
  append(" ");
  end = std::to_chars(end, last, handle).ptr;
  *end = '\0';
  TheEditor().JournalTerminated(std::string_view(line, static_cast<size_t>(end - line)));
}

// Copies between the board's values and the caller's fields in the direction of the Mode. A
// write notes whether it changed a value that may place the object (anything but its flags and
// aux values): only then is the object filed anew, which costs its extent.
class Exchange {
 public:
  explicit Exchange(Mode mode) : reading_(mode == pcbapi::kRead) {}
  bool reading() const { return reading_; }
  bool failed() const { return failed_; }
  bool moved() const { return moved_; }
  void Fail() { failed_ = true; }

  template <class T, class U>
  void operator()(T& value, U* field) {
    if (!field) return;
    if (reading_) {
      *field = static_cast<U>(value);
      return;
    }
    Store(value, static_cast<T>(*field));
  }
  // A value that places nothing: a write of it never files the object anew.
  template <class T, class U>
  void Plain(T& value, U* field) {
    if (!field) return;
    if (reading_) {
      *field = static_cast<U>(value);
    } else {
      value = static_cast<T>(*field);
    }
  }
  // A value the editor computes: read only.
  template <class T, class U>
  void Derived(const T& value, U* field) {
    if (field && reading_) *field = static_cast<U>(value);
  }
  template <int N>
  void Text(std::string& value, pcbapi::Text<N>* field) {
    if (!field) return;
    if (reading_) {
      const size_t length = std::min<size_t>(value.size(), N);
      field->length = static_cast<uint8_t>(length);
      std::memcpy(field->chars, value.data(), length);
      return;
    }
    const std::string_view text(field->chars, std::min<size_t>(field->length, N));
    if (text == value) return;
    value.assign(text);
    moved_ = true;
  }
  void Layer(uint8_t& value, LayerId* field) {
    if (!field) return;
    if (reading_) {
      *field = value;
    } else if (auto layer = LegacyLayerOfIdentity(*field)) {
      Store(value, *layer);
    } else {
      Fail();
    }
  }
  void Legacy(uint8_t& value, LegacyLayer* field) {
    if (!field) return;
    if (reading_) {
      *field = value;
    } else if (*field <= kLastLegacyLayer) {
      Store(value, *field);
    } else {
      Fail();
    }
  }
  void Net(Handle& value, Handle* field) {
    if (!field) return;
    if (reading_) {
      *field = value;
      return;
    }
    const Object* net = CurrentBoard()->Find(*field);
    if (*field == 0 || (net && net->kind == pcbapi::kNet)) {
      Store(value, *field);
    } else {
      Fail();
    }
  }

 private:
  // Compared bit for bit: a written -0.0 is kept as such.
  template <class T>
  void Store(T& value, const T& written) {
    if (std::memcmp(&value, &written, sizeof(T)) == 0) return;
    value = written;
    moved_ = true;
  }

  bool reading_;
  bool failed_ = false;
  bool moved_ = false;
};

// How a write files the object anew: always, or only when a value that may place it changed
// (for exchanges that change the object through the Exchange alone, and its owner).
enum class Refiling { kAlways, kWhenMoved };

// The kinds of object an exchange takes, a bit each: every call tests its object against them.
class Kinds {
 public:
  constexpr Kinds(std::initializer_list<uint8_t> kinds) {
    for (const uint8_t kind : kinds) bits_ |= uint32_t{1} << kind;
  }
  constexpr bool Has(uint8_t kind) const { return kind < 32 && (bits_ >> kind & 1) != 0; }

 private:
  uint32_t bits_ = 0;
};

// Every kind with the common record: all but the board and the no-kind.
constexpr Kinds kPrimitiveKinds = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                   14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26};

// Runs a record exchange on one object of the given kinds and files it anew after a write.
template <class T, Refiling refiling = Refiling::kAlways, class Body>
int WithObject(Handle handle, Kinds kinds, Mode mode, Body&& body) {
  return Guard(kFail, [&] {
    Board* board = CurrentBoard();
    if (!board) return kFail;
    Object* object = board->Find(handle);
    if (!object || !kinds.Has(object->kind)) return kFail;
    if (mode == pcbapi::kRead && TheEditor().Refuses(quorvel_host::kRefuseRead, object->kind)) {
      return kFail;
    }
    const Handle old_net = object->net, old_owner = object->owner;
    const uint8_t old_layer = object->layer;
    Exchange exchange(mode);
    const int result = body(static_cast<T&>(*object), exchange);
    const bool moved =
        refiling == Refiling::kAlways || exchange.moved() || object->owner != old_owner;
    if (!exchange.reading() && moved) board->Refile(*object, old_net, old_layer, old_owner);
    return exchange.failed() ? kFail : result;
  });
}

// Runs an exchange with the current board's record.
template <class Body>
int WithBoard(Handle handle, Mode mode, Body&& body) {
  return Guard(kFail, [&] {
    if (!IsCurrentBoard(handle)) return kFail;
    Exchange exchange(mode);
    const int result = body(*CurrentBoard(), exchange);
    return exchange.failed() ? kFail : result;
  });
}

template <class T>
int WithRule(Handle handle, Mode mode, std::initializer_list<uint8_t> rule_kinds, T&& body) {
  return WithObject<Rule>(handle, {pcbapi::kRule}, mode, [&](Rule& rule, Exchange& x) {
    if (rule_kinds.size() &&
        std::find(rule_kinds.begin(), rule_kinds.end(), rule.rule_kind) == rule_kinds.end()) {
      return kFail;
    }
    body(rule, x);
    return kOk;
  });
}

void CommonFields(Object& o, Exchange& x, uint16_t* flags, uint16_t* aux_word, LayerId* layer,
                  Handle* net, Byte* aux_byte, int32_t* aux_integer) {
  x.Plain(o.flags, flags);
  x.Plain(o.aux_word, aux_word);
  x.Layer(o.layer, layer);
  x.Net(o.net, net);
  x.Plain(o.aux_byte, aux_byte);
  x.Plain(o.aux_integer, aux_integer);
}

// A hatch primitive's first value names its polygon: writing it moves the primitive.
void OwnerFromValue(Object& o, int32_t value) {
  const Object* polygon = CurrentBoard()->Find(static_cast<Handle>(value));
  const Object* owner = CurrentBoard()->Find(o.owner);
  if (polygon && polygon->kind == pcbapi::kPolygon) {
    o.owner = polygon->handle;
  } else if (owner && owner->kind == pcbapi::kPolygon) {
    o.owner = 0;
  }
}

void OutlineExchange(Outline& outline, Exchange& x, int32_t* count, pcbapi::OutlineBlock* block,
                     bool& truncated) {
  if (x.reading()) {
    const size_t n = std::min<size_t>(outline.size(), pcbapi::kOutlineSegmentCapacity);
    truncated = outline.size() > n;
    if (count) *count = static_cast<int32_t>(n);
    if (block) std::copy_n(outline.begin(), n, block->segments);
    return;
  }
  if (!count || !block) return;
  const int32_t n = std::clamp(*count, 0, pcbapi::kOutlineSegmentCapacity);
  outline.assign(block->segments, block->segments + n);
}

// A text the board holds: the caller copies it once, into its own buffer.
const std::string& DisplayString(const Board& board, const Object& object) {
  static const std::string none;
  if (object.kind == pcbapi::kComponent) {
    const Object* designator = board.Find(static_cast<const Component&>(object).designator);
    return designator && designator->kind == pcbapi::kTextObject
               ? static_cast<const Text*>(designator)->text
               : none;
  }
  if (object.kind != pcbapi::kTextObject) return none;
  const auto& text = static_cast<const Text&>(object);
  // Special strings stand for a text of the component the text belongs to.
  const Object* owner = board.Find(text.owner);
  if (owner && owner->kind == pcbapi::kComponent) {
    const auto& component = static_cast<const Component&>(*owner);
    const Handle source = text.text == ".Designator" ? component.designator
                          : text.text == ".Comment"  ? component.comment
                                                     : 0;
    const Object* target = board.Find(source);
    if (target && target != &object && target->kind == pcbapi::kTextObject) {
      return static_cast<const Text*>(target)->text;
    }
  }
  return text.text;
}

// Whether the object lies on a layer of the set; objects on the multi-layer also lie on every
// signal layer they reach.
bool OnLayers(const Object& object, IPCB_LayerSet* layers) {
  if (LayerSetContains(layers, object.layer)) return true;
  if (object.layer != kMultiLayer) return false;
  for (int l = kTopLayer; l <= kBottomLayer; ++l) {
    const bool reaches = object.kind == pcbapi::kVia   ? static_cast<const Via&>(object).Spans(l)
                         : object.kind == pcbapi::kPad ? static_cast<const Pad&>(object).Covers(l)
                                                       : false;
    if (reaches && LayerSetContains(layers, static_cast<LayerId>(l))) return true;
  }
  return false;
}

Coord CornerRadius(const PadLayer& entry) {
  if (entry.shape != 9) return 0;
  return static_cast<Coord>(int64_t{std::min(entry.x_size, entry.y_size)} * entry.corner_percent /
                            200);
}

bool GapRule(uint8_t kind) {
  return kind == 0 || kind == 12 || kind == 24 || kind == 52 || kind == 55;
}

}  // namespace

namespace {
// Applies a per-layer change: the layer's own entry in a full stack, otherwise the part of the
// pad that the layer shows (top, middle or bottom; all three for a simple pad).
template <class Change>
int ChangePadLayer(Handle pad, LegacyLayer layer, Change&& change) {
  return WithObject<Pad>(pad, {pcbapi::kPad}, pcbapi::kWrite, [&](Pad& p, Exchange&) {
    if (layer > kLastLegacyLayer) return kFail;
    if (p.stack_mode == 2) {
      change(p.FullStackEntry(layer));
      return kOk;
    }
    if (!IsSignalLayer(layer)) return kFail;
    PadLayer top{p.top_x, p.top_y, p.top_shape, p.top_percent};
    PadLayer mid{p.mid_x, p.mid_y, p.mid_shape, p.mid_percent};
    PadLayer bot{p.bot_x, p.bot_y, p.bot_shape, p.bot_percent};
    if (p.stack_mode == 0) {
      change(top);
      mid = bot = top;
    } else {
      change(layer == kTopLayer ? top : layer == kBottomLayer ? bot : mid);
    }
    std::tie(p.top_x, p.top_y, p.top_shape, p.top_percent) =
        std::tie(top.x_size, top.y_size, top.shape, top.corner_percent);
    std::tie(p.mid_x, p.mid_y, p.mid_shape, p.mid_percent) =
        std::tie(mid.x_size, mid.y_size, mid.shape, mid.corner_percent);
    std::tie(p.bot_x, p.bot_y, p.bot_shape, p.bot_percent) =
        std::tie(bot.x_size, bot.y_size, bot.shape, bot.corner_percent);
    return kOk;
  });
}
}  // namespace

namespace {
template <class Last>
int LayerRecord(Mode mode, LegacyLayer layer, Handle board, pcbapi::Text255* name,
                Coord* copper_thickness, Byte* visible, Byte* locked, LegacyLayer* previous,
                LegacyLayer* next, Last&& last) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer < 1 || layer > kLastLegacyLayer) return kFail;
    LayerInfo& info = b.layers[layer];
    e.Text(info.name, name);
    e(info.copper_thickness, copper_thickness);
    e(info.visible, visible);
    e(info.locked, locked);
    e.Legacy(info.previous, previous);
    e.Legacy(info.next, next);
    return last(info, e);
  });
}
}  // namespace

namespace {
template <class Record>
int WholeRecord(Mode mode, Handle board, Record Board::*member, Record* record) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    e(b.*member, record);
    return kOk;
  });
}
}  // namespace

extern "C" {

// ---- Object lifecycle and identity ---------------------------------------------------------

Handle __stdcall PcbApi_GetCurrentBoardHandle() {
  return Guard<Handle>(0, [] { return CurrentBoard() ? CurrentBoard()->handle() : 0; });
}

uint8_t __stdcall PcbApi_GetObjectIdFromObjectHandle(Handle object) {
  return Guard<uint8_t>(0, [&]() -> uint8_t {
    if (IsCurrentBoard(object)) return pcbapi::kBoard;
    const Object* o = CurrentBoard() ? CurrentBoard()->Find(object) : nullptr;
    return o ? o->kind : 0;
  });
}

Handle __stdcall PcbApi_CreateObject(uint8_t kind) {
  return Guard<Handle>(0, [&]() -> Handle {
    Board* board = CurrentBoard();
    if (!board || TheEditor().Refuses(quorvel_host::kRefuseCreate, kind)) return 0;
    const Object* object = board->Create(kind);
    if (!object) return 0;
    JournalObject("created", kind, object->handle);
    return object->handle;
  });
}

int __stdcall PcbApi_DestroyObject(Handle object) {
  return Guard(kFail, [&] {
    Board* board = CurrentBoard();
    const Object* o = board ? board->Find(object) : nullptr;
    if (!o) return kFail;
    const uint8_t kind = o->kind;
    board->Destroy(object);
    JournalObject("destroyed", kind, object);
    return kOk;
  });
}

int __stdcall PcbApi_AddObjectToContainer(Handle container, Handle object) {
  return Guard(kFail, [&] {
    Board* board = CurrentBoard();
    Object* o = board ? board->Find(object) : nullptr;
    if (!o) return kFail;
    if (IsCurrentBoard(container)) {
      if (o->on_board) return kOk;
      if (TheEditor().Refuses(quorvel_host::kRefuseAdd, o->kind)) return kFail;
      board->Place(*o);
      JournalObject("added", o->kind, object);
      return kOk;
    }
    Object* holder = board->Find(container);
    if (!holder || holder == o) return kFail;
    const Handle old_net = o->net, old_owner = o->owner;
    if (holder->kind == pcbapi::kNet) {
      o->net = container;
    } else if (holder->kind == pcbapi::kComponent || holder->kind == pcbapi::kPolygon) {
      o->owner = container;
    } else {
      return kFail;
    }
    if (o->on_board) {
      board->Refile(*o, old_net, o->layer, old_owner);
    } else if (holder->kind == pcbapi::kNet) {
      MembersOf(holder)->insert(object);  // a free-standing object still counts for its net
    }
    return kOk;
  });
}

int __stdcall PcbApi_DeleteObjectFromContainer(Handle container, Handle object) {
  return Guard(kFail, [&] {
    Board* board = CurrentBoard();
    Object* o = board ? board->Find(object) : nullptr;
    if (!o) return kFail;
    if (IsCurrentBoard(container)) {
      if (!o->on_board || TheEditor().Refuses(quorvel_host::kRefuseDelete, o->kind)) {
        return kFail;
      }
      // Taking an object off the board deletes it, as in the editor.
      const uint8_t kind = o->kind;
      board->Destroy(object);
      JournalObject("deleted", kind, object);
      return kOk;
    }
    Object* holder = board->Find(container);
    if (!holder) return kFail;
    const Handle old_net = o->net, old_owner = o->owner;
    if (holder->kind == pcbapi::kNet && o->net == container) {
      o->net = 0;
    } else if (o->owner == container) {
      o->owner = 0;
    } else {
      return kFail;
    }
    if (MemberList* members = MembersOf(holder)) members->erase(object);
    if (o->on_board) board->Refile(*o, old_net, o->layer, old_owner);
    return kOk;
  });
}

int __stdcall PcbApi_SetOwnerBoard(Handle board, Handle object) {
  return Guard(kFail, [&] {
    if (!CurrentBoard() || !CurrentBoard()->Find(object)) return kFail;
    return board == 0 || IsCurrentBoard(board) ? kOk : kFail;
  });
}

int __stdcall PcbApi_QueryObjectBoundingRectangle(Handle object, Coord* x1, Coord* y1, Coord* x2,
                                                  Coord* y2) {
  return Guard(kFail, [&] {
    Board* board = CurrentBoard();
    if (!board) return kFail;
    Box box;
    if (IsCurrentBoard(object)) {
      box = board->Extent();
    } else if (const Object* o = board->Find(object)) {
      box = o->Bounds(*board);
    } else {
      return kFail;
    }
    if (box.Empty()) return kFail;
    if (x1) *x1 = box.x1;
    if (y1) *y1 = box.y1;
    if (x2) *x2 = box.x2;
    if (y2) *y2 = box.y2;
    return kOk;
  });
}

int __stdcall PcbApi_QueryObjectImport_FromUser(Handle object) {
  return Guard(kFail, [&] {
    const Object* o = CurrentBoard() ? CurrentBoard()->Find(object) : nullptr;
    return o && o->from_user ? kOk : kFail;
  });
}

int __stdcall PcbApi_QueryObjectGraphicallyInvalidate(Handle object) {
  return Guard(kFail, [&] {
    return CurrentBoard() && (IsCurrentBoard(object) || CurrentBoard()->Find(object)) ? kOk : kFail;
  });
}

void __stdcall PcbApi_GetObjectBitField2(Mode mode, Handle object, Byte* bits) {
  WithObject<Object, Refiling::kWhenMoved>(object, kPrimitiveKinds, mode,
                                           [&](Object& o, Exchange& x) {
                                             x.Plain(o.bit_field2, bits);
                                             return kOk;
                                           });
}

void __stdcall PcbApi_GetObjectBitField3(Mode mode, Handle object, Byte* bits) {
  WithObject<Object, Refiling::kWhenMoved>(object, kPrimitiveKinds, mode,
                                           [&](Object& o, Exchange& x) {
                                             x.Plain(o.bit_field3, bits);
                                             return kOk;
                                           });
}

void __stdcall PcbApi_GetDesignatorDisplayString(char* buffer, Handle object) {
  Guard(0, [&] {
    if (!buffer) return 0;
    buffer[0] = '\0';
    Board* board = CurrentBoard();
    const Object* o = board ? board->Find(object) : nullptr;
    if (!o) return 0;
    const std::string& text = DisplayString(*board, *o);
    const size_t length = std::min<size_t>(text.size(), pcbapi::kDesignatorBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return 0;
  });
}

// ---- Iteration -----------------------------------------------------------------------------

Handle __stdcall PcbApi_CreateIterator(Handle container, uint8_t kind, uint8_t method,
                                       LayerId layer) {
  return Guard<Handle>(0, [&]() -> Handle {
    Board* board = CurrentBoard();
    if (!board || (!IsCurrentBoard(container) && !board->Find(container))) return 0;
    if (kind >= pcbapi::kObjectKindCount || method > pcbapi::kComponentObjects) return 0;
    return TheEditor().AddIterator({container, kind, method, LayerFilter(layer)});
  });
}

static Handle Advance(Handle iterator, bool from_start) {
  return Guard<Handle>(0, [&]() -> Handle {
    BoardIterator* it = TheEditor().FindIterator(iterator);
    Board* board = CurrentBoard();
    if (!it || !board) return 0;
    if (from_start) it->last = 0;
    const Handle next = board->NextOf(it->container, it->kind, it->method, it->layers, it->last);
    if (next) it->last = next;
    return next;
  });
}

Handle __stdcall PcbApi_GetFirstObject(Handle iterator) { return Advance(iterator, true); }

Handle __stdcall PcbApi_GetNextObject(Handle iterator) { return Advance(iterator, false); }

int __stdcall PcbApi_DestroyIterator(Handle iterator) {
  return Guard(kFail, [&] { return TheEditor().RemoveIterator(iterator) ? kOk : kFail; });
}

Handle __stdcall PcbApi_CreateSpatialIterator(Handle board_handle, Coord x1, Coord y1, Coord x2,
                                              Coord y2, IPCB_LayerSet* layers,
                                              pcbapi::KindSet kinds) {
  return Guard<Handle>(0, [&]() -> Handle {
    if (!IsCurrentBoard(board_handle)) return 0;
    const Board& board = *CurrentBoard();
    Box box;
    box.Add(x1, y1);
    box.Add(x2, y2);
    SpatialIterator iterator;
    for (Handle handle : board.Search(box)) {
      const Object& object = *board.Find(handle);
      if (object.kind >= 32 || (kinds >> object.kind & 1) == 0) continue;
      if (!OnLayers(object, layers)) continue;
      iterator.found.emplace_back(handle, object.kind);
    }
    return TheEditor().AddSpatialIterator(std::move(iterator));
  });
}

static Handle AdvanceSpatial(Handle iterator, uint8_t* kind, bool from_start) {
  return Guard<Handle>(0, [&]() -> Handle {
    SpatialIterator* it = TheEditor().FindSpatialIterator(iterator);
    if (!it) return 0;
    if (from_start) it->next = 0;
    // Objects deleted since the search are passed over.
    while (it->next < it->found.size()) {
      const auto [handle, object_kind] = it->found[it->next++];
      if (CurrentBoard() && CurrentBoard()->Find(handle)) {
        if (kind) *kind = object_kind;
        return handle;
      }
    }
    return 0;
  });
}

Handle __stdcall PcbApi_GetFirstSpatialObject(Handle iterator, uint8_t* kind) {
  return AdvanceSpatial(iterator, kind, true);
}

Handle __stdcall PcbApi_GetNextSpatialObject(Handle iterator, uint8_t* kind) {
  return AdvanceSpatial(iterator, kind, false);
}

int __stdcall PcbApi_DestroySpatialIterator(Handle iterator) {
  return Guard(kFail, [&] { return TheEditor().RemoveSpatialIterator(iterator) ? kOk : kFail; });
}

// ---- Progress display ----------------------------------------------------------------------

void __stdcall PcbApi_Percent_Init(const pcbapi::Text255* message, int32_t total) {
  Guard(0, [&] {
    const std::string text = message ? std::string(message->chars, message->length) : "";
    TheEditor().ProgressStart(text, total);
    return 0;
  });
}

void __stdcall PcbApi_Percent_Update() {
  Guard(0, [] {
    TheEditor().ProgressStep();
    return 0;
  });
}

void __stdcall PcbApi_Percent_Finish() {
  Guard(0, [] {
    TheEditor().ProgressFinish();
    return 0;
  });
}

// ---- Rules ---------------------------------------------------------------------------------

Handle __stdcall PcbApi_FindDominantRuleForObject(Handle object, uint8_t rule_kind) {
  return Guard<Handle>(0, [&]() -> Handle {
    const Board* board = CurrentBoard();
    return board ? DominantRule(*board, rule_kind, TargetOf(*board, object)) : 0;
  });
}

Handle __stdcall PcbApi_FindDominantRuleForObjectPair(Handle first, Handle second,
                                                      uint8_t rule_kind) {
  return Guard<Handle>(0, [&]() -> Handle {
    const Board* board = CurrentBoard();
    if (!board) return 0;
    return DominantRuleForPair(*board, rule_kind, TargetOf(*board, first),
                               TargetOf(*board, second));
  });
}

static Byte ScopeIncludes(Handle rule_handle, Handle object, bool second) {
  return Guard<Byte>(0, [&]() -> Byte {
    const Board* board = CurrentBoard();
    const Rule* rule = board ? board->FindAs<Rule>(rule_handle, pcbapi::kRule) : nullptr;
    if (!rule) return 0;
    return ScopeHolds(*board, *rule, second, TargetOf(*board, object));
  });
}

Byte __stdcall PcbApi_Scope1_Includes(Handle rule, Handle object) {
  return ScopeIncludes(rule, object, false);
}

Byte __stdcall PcbApi_Scope2_Includes(Handle rule, Handle object) {
  return ScopeIncludes(rule, object, true);
}

int __stdcall PcbApi_QueryRule(Mode mode, Handle rule, Byte* rule_kind, Byte* enabled, Byte* unary,
                               Byte* defined_by_user, Byte* net_scope, Byte* layer_kind,
                               Byte* locked, pcbapi::Text255* name, pcbapi::Text255* comment,
                               pcbapi::Text255* scope1, pcbapi::Text255* scope2, Byte* scope1_kind,
                               Byte* scope2_kind, int32_t* priority, int32_t* value1,
                               int32_t* value2, int32_t* value3, pcbapi::Text255* unique_id,
                               pcbapi::Text255* text2, pcbapi::Text255* text3,
                               pcbapi::Text255* text4, pcbapi::Text255* text5,
                               pcbapi::Text255* text6) {
  return WithRule(rule, mode, {}, [&](Rule& r, Exchange& x) {
    x(r.rule_kind, rule_kind);
    x(r.enabled, enabled);
    x(r.unary, unary);
    x(r.defined_by_user, defined_by_user);
    x(r.net_scope, net_scope);
    x(r.layer_kind, layer_kind);
    x(r.locked, locked);
    x.Text(r.name, name);
    x.Text(r.comment, comment);
    x.Text(r.scope1, scope1);
    x.Text(r.scope2, scope2);
    x(r.scope1_kind, scope1_kind);
    x(r.scope2_kind, scope2_kind);
    x(r.priority, priority);
    x(r.value1, value1);
    x(r.value2, value2);
    x(r.value3, value3);
    x.Text(r.unique_id, unique_id);
    pcbapi::Text255* texts[] = {text2, text3, text4, text5, text6};
    for (int i = 0; i < 5; ++i) x.Text(r.texts[i], texts[i]);
  });
}

int __stdcall PcbApi_QueryRuleEx(Mode mode, Handle rule, Byte* rule_kind, Byte* enabled,
                                 int32_t* priority, Byte* unary, pcbapi::Text255* scope1,
                                 pcbapi::Text255* scope2) {
  return WithRule(rule, mode, {}, [&](Rule& r, Exchange& x) {
    x(r.rule_kind, rule_kind);
    x(r.enabled, enabled);
    x(r.priority, priority);
    x(r.unary, unary);
    x.Text(r.scope1, scope1);
    x.Text(r.scope2, scope2);
  });
}

int __stdcall PcbApi_QueryRuleExtEx(Mode mode, Handle rule, pcbapi::Text255* name) {
  return WithRule(rule, mode, {}, [&](Rule& r, Exchange& x) { x.Text(r.name, name); });
}

int __stdcall PcbApi_QueryRuleClearanceConstraint(Mode mode, Handle rule, Coord* gap) {
  return WithObject<Rule>(rule, {pcbapi::kRule}, mode, [&](Rule& r, Exchange& x) {
    if (!GapRule(r.rule_kind)) return kFail;
    x(r.gap, gap);
    return kOk;
  });
}

int __stdcall PcbApi_QueryRuleMaxMinWidthConstraint(Mode mode, Handle rule, Coord* max_width,
                                                    Coord* min_width) {
  return WithRule(rule, mode, {kRuleWidth}, [&](Rule& r, Exchange& x) {
    x(r.widths.max_width, max_width);
    x(r.widths.min_width, min_width);
  });
}

int __stdcall PcbApi_QueryRuleMaxMinWidthConstraintExt(Mode mode, Handle rule, Coord* max_width,
                                                       Coord* min_width, Coord* preferred_width) {
  return WithRule(rule, mode, {kRuleWidth}, [&](Rule& r, Exchange& x) {
    x(r.widths.max_width, max_width);
    x(r.widths.min_width, min_width);
    x(r.widths.preferred_width, preferred_width);
  });
}

int __stdcall PcbApi_QueryRuleMaxMinWidthConstraintByLayer(Mode mode, Handle rule,
                                                           LegacyLayer layer, Coord* max_width,
                                                           Coord* min_width,
                                                           Coord* preferred_width) {
  return WithRule(rule, mode, {kRuleWidth}, [&](Rule& r, Exchange& x) {
    if (layer > kLastLegacyLayer) return x.Fail();
    auto it = r.layer_widths.find(layer);
    LayerWidths widths = it != r.layer_widths.end() ? it->second : r.widths;
    x(widths.max_width, max_width);
    x(widths.min_width, min_width);
    x(widths.preferred_width, preferred_width);
    if (!x.reading()) r.layer_widths[layer] = widths;
  });
}

int __stdcall PcbApi_QueryRuleRoutingViaStyleRule(Mode mode, Handle rule, Coord* via_size,
                                                  Coord* hole_size, Coord* min_hole_size) {
  return WithRule(rule, mode, {kRuleRoutingVias}, [&](Rule& r, Exchange& x) {
    x(r.via_size, via_size);
    x(r.hole_size, hole_size);
    x(r.min_hole_size, min_hole_size);
  });
}

int __stdcall PcbApi_QueryRuleRoutingLayersRule(Mode mode, Handle rule, Byte* allowed) {
  return WithRule(rule, mode, {kRuleRoutingLayers}, [&](Rule& r, Exchange& x) {
    if (!allowed) return;
    for (int i = 0; i < pcbapi::kRoutingLayerFlagCount; ++i) x(r.routing_layers[i], &allowed[i]);
  });
}

int __stdcall PcbApi_QueryRuleRoutingTopologyRule(Mode mode, Handle rule, Byte* topology) {
  return WithRule(rule, mode, {kRuleRoutingTopology},
                  [&](Rule& r, Exchange& x) { x(r.topology, topology); });
}

int __stdcall PcbApi_QueryRuleRoutingPriorityRule(Mode mode, Handle rule, int32_t* priority) {
  return WithRule(rule, mode, {kRuleRoutingPriority},
                  [&](Rule& r, Exchange& x) { x(r.routing_priority, priority); });
}

int __stdcall PcbApi_QueryRuleDaisyChainStubLengthConstraint(Mode mode, Handle rule,
                                                             Coord* length) {
  return WithRule(rule, mode, {kRuleStubLength},
                  [&](Rule& r, Exchange& x) { x(r.stub_length, length); });
}

int __stdcall PcbApi_QueryRuleMaximumViaCountRule(Mode mode, Handle rule, int32_t* count) {
  return WithRule(rule, mode, {kRuleMaximumViaCount},
                  [&](Rule& r, Exchange& x) { x(r.max_via_count, count); });
}

// ---- Pads and vias on one layer ------------------------------------------------------------

int __stdcall PcbApi_QueryPadOrViaShapeOnLayer(Handle object, LegacyLayer layer, Byte* shape) {
  return WithObject<Object>(object, {pcbapi::kPad, pcbapi::kVia}, pcbapi::kRead,
                            [&](Object& o, Exchange&) {
                              if (layer > kLastLegacyLayer) return kFail;
                              if (!shape) return kOk;
                              *shape = o.kind == pcbapi::kPad ? static_cast<Pad&>(o).On(layer).shape
                                       : static_cast<Via&>(o).Spans(layer) ? 1
                                                                           : 0;
                              return kOk;
                            });
}

int __stdcall PcbApi_QueryPadOrViaSizeOnLayer(Handle object, LegacyLayer layer, Coord* x_size,
                                              Coord* y_size) {
  return WithObject<Object>(object, {pcbapi::kPad, pcbapi::kVia}, pcbapi::kRead,
                            [&](Object& o, Exchange&) {
                              if (layer > kLastLegacyLayer) return kFail;
                              PadLayer entry;
                              if (o.kind == pcbapi::kPad) {
                                entry = static_cast<Pad&>(o).On(layer);
                              } else {
                                entry.x_size = entry.y_size = static_cast<Via&>(o).SizeOn(layer);
                              }
                              if (x_size) *x_size = entry.x_size;
                              if (y_size) *y_size = entry.y_size;
                              return kOk;
                            });
}

int __stdcall PcbApi_QueryPadCornerRadiusOnLayer(Handle pad, LegacyLayer layer, Coord* radius) {
  return WithObject<Pad>(pad, {pcbapi::kPad}, pcbapi::kRead, [&](Pad& p, Exchange&) {
    if (layer > kLastLegacyLayer) return kFail;
    if (radius) *radius = CornerRadius(p.On(layer));
    return kOk;
  });
}

int __stdcall PcbApi_QueryPadCRPercentageOnLayer(Handle pad, LegacyLayer layer, Byte* percentage) {
  return WithObject<Pad>(pad, {pcbapi::kPad}, pcbapi::kRead, [&](Pad& p, Exchange&) {
    if (layer > kLastLegacyLayer) return kFail;
    if (percentage) *percentage = p.On(layer).corner_percent;
    return kOk;
  });
}

int __stdcall PcbApi_SetPadShapeOnLayer(Handle pad, LegacyLayer layer, Byte shape) {
  return ChangePadLayer(pad, layer, [&](PadLayer& e) { e.shape = shape; });
}

int __stdcall PcbApi_SetPadSizeOnLayer(Handle pad, LegacyLayer layer, Coord x_size, Coord y_size) {
  return ChangePadLayer(pad, layer, [&](PadLayer& e) {
    e.x_size = x_size;
    e.y_size = y_size;
  });
}

int __stdcall PcbApi_SetCRPctOnLayer(Handle pad, LegacyLayer layer, Byte percentage) {
  return ChangePadLayer(pad, layer, [&](PadLayer& e) { e.corner_percent = percentage; });
}

int __stdcall PcbApi_QueryPadStackMode(Mode mode, Handle pad, Byte* stack_mode) {
  return WithObject<Pad>(pad, {pcbapi::kPad}, mode, [&](Pad& p, Exchange& x) {
    if (!stack_mode) return kOk;
    if (x.reading()) {
      *stack_mode = p.stack_mode;
    } else if (*stack_mode != p.stack_mode) {
      if (*stack_mode == 2) {
        p.FullStackEntry(0);  // the full stack starts as the pad looked
      } else {
        p.full_stack.clear();
      }
      p.stack_mode = *stack_mode;
    }
    return kOk;
  });
}

int __stdcall PcbApi_QueryViaStackMode(Mode mode, Handle via, Byte* stack_mode) {
  return WithObject<Via>(via, {pcbapi::kVia}, mode, [&](Via& v, Exchange& x) {
    if (!stack_mode) return kOk;
    if (x.reading()) {
      *stack_mode = v.stack_mode;
      return kOk;
    }
    if (v.stack_mode == 0 && *stack_mode != 0) {
      for (int l = kTopLayer; l <= kBottomLayer; ++l) v.stack_sizes[l] = v.size;
    }
    v.stack_mode = *stack_mode;
    return kOk;
  });
}

int __stdcall PcbApi_QueryViaStackSizeOnLayer(Mode mode, Handle via, LegacyLayer layer,
                                              Coord* size) {
  return WithObject<Via>(via, {pcbapi::kVia}, mode, [&](Via& v, Exchange& x) {
    if (x.reading()) {
      if (layer > kLastLegacyLayer) return kFail;
      if (size) *size = v.SizeOn(layer);
      return kOk;
    }
    if (!IsSignalLayer(layer)) return kFail;
    if (size) v.stack_sizes[layer] = *size;
    return kOk;
  });
}

int __stdcall PcbApi_QueryPad_PwrGnd(Handle pad, Byte* power_ground) {
  return WithObject<Pad>(pad, {pcbapi::kPad}, pcbapi::kRead, [&](Pad& p, Exchange&) {
    if (power_ground) *power_ground = p.power_ground;
    return kOk;
  });
}

// ---- Object records ------------------------------------------------------------------------

int __stdcall PcbApi_QueryPrimitive(Mode mode, Handle object, uint16_t* flags, uint16_t* aux_word,
                                    LayerId* layer, Handle* net, int32_t* aux_integer,
                                    Byte* aux_byte) {
  return WithObject<Object, Refiling::kWhenMoved>(
      object, kPrimitiveKinds, mode, [&](Object& o, Exchange& x) {
        CommonFields(o, x, flags, aux_word, layer, net, aux_byte, aux_integer);
        return kOk;
      });
}

int __stdcall PcbApi_QueryTrack(Mode mode, Handle track, uint16_t* flags, uint16_t* aux_word,
                                LayerId* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer,
                                Coord* x, Coord* y, Coord* x2, Coord* y2, Coord* width,
                                int32_t* owner_polygon, int32_t* aux_value2, int32_t* aux_value3) {
  return WithObject<Track, Refiling::kWhenMoved>(
      track, {pcbapi::kTrack}, mode, [&](Track& t, Exchange& e) {
        CommonFields(t, e, flags, aux_word, layer, net, aux_byte, aux_integer);
        e(t.x, x);
        e(t.y, y);
        e(t.x2, x2);
        e(t.y2, y2);
        e(t.width, width);
        e(t.aux_value1, owner_polygon);
        e(t.aux_value2, aux_value2);
        e(t.aux_value3, aux_value3);
        if (!e.reading() && owner_polygon) OwnerFromValue(t, t.aux_value1);
        return kOk;
      });
}

int __stdcall PcbApi_QueryVia(Mode mode, Handle via, uint16_t* flags, uint16_t* aux_word,
                              LegacyLayer* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer,
                              Coord* x, Coord* y, Coord* size, Coord* hole_size, Byte* low_layer,
                              Byte* high_layer, Byte* tented_top, Byte* tented_bottom) {
  return WithObject<Via, Refiling::kWhenMoved>(via, {pcbapi::kVia}, mode, [&](Via& v, Exchange& e) {
    e.Plain(v.flags, flags);
    e.Plain(v.aux_word, aux_word);
    e.Legacy(v.layer, layer);
    e.Net(v.net, net);
    e.Plain(v.aux_byte, aux_byte);
    e.Plain(v.aux_integer, aux_integer);
    e(v.x, x);
    e(v.y, y);
    e(v.size, size);
    e(v.hole, hole_size);
    e.Legacy(v.low_layer, low_layer);
    e.Legacy(v.high_layer, high_layer);
    e(v.tented_top, tented_top);
    e(v.tented_bottom, tented_bottom);
    return kOk;
  });
}

int __stdcall PcbApi_QueryPad(
    Mode mode, Handle pad, uint16_t* flags, uint16_t* aux_word, LayerId* layer, Handle* net,
    Byte* aux_byte, int32_t* aux_integer, Coord* x, Coord* y, Coord* top_x, Coord* top_y,
    Coord* mid_x, Coord* mid_y, Coord* bot_x, Coord* bot_y, Coord* hole_size, Byte* top_shape,
    Byte* mid_shape, Byte* bot_shape, pcbapi::Text20* name, Byte* plated, Byte* hole_shape,
    double* rotation, pcbapi::Text20* swap_id_pad, pcbapi::Text20* swap_id_part,
    int32_t* hole_width, pcbapi::Text20* swap_id_group, Byte* electrical_type, Byte* hole_type,
    int32_t* paste_expansion, double* hole_rotation, int32_t* solder_expansion,
    int32_t* drill_layer_pair, int32_t* pin_package_length, Byte* tented_top, Byte* tented_bottom) {
  return WithObject<Pad, Refiling::kWhenMoved>(pad, {pcbapi::kPad}, mode, [&](Pad& p, Exchange& e) {
    CommonFields(p, e, flags, aux_word, layer, net, aux_byte, aux_integer);
    e(p.x, x);
    e(p.y, y);
    e(p.top_x, top_x);
    e(p.top_y, top_y);
    e(p.mid_x, mid_x);
    e(p.mid_y, mid_y);
    e(p.bot_x, bot_x);
    e(p.bot_y, bot_y);
    e(p.hole, hole_size);
    e(p.top_shape, top_shape);
    e(p.mid_shape, mid_shape);
    e(p.bot_shape, bot_shape);
    e.Text(p.name, name);
    e(p.plated, plated);
    e(p.hole_shape, hole_shape);
    e(p.rotation, rotation);
    e.Text(p.swap_id_pad, swap_id_pad);
    e.Text(p.swap_id_part, swap_id_part);
    e(p.hole_width, hole_width);
    e.Text(p.swap_id_group, swap_id_group);
    e(p.electrical_type, electrical_type);
    e(p.hole_type, hole_type);
    e(p.paste_expansion, paste_expansion);
    e(p.hole_rotation, hole_rotation);
    e(p.solder_expansion, solder_expansion);
    e(p.drill_layer_pair, drill_layer_pair);
    e(p.pin_package_length, pin_package_length);
    e(p.tented_top, tented_top);
    e(p.tented_bottom, tented_bottom);
    return kOk;
  });
}

int __stdcall PcbApi_QueryArc(Mode mode, Handle arc, uint16_t* flags, uint16_t* aux_word,
                              LayerId* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer,
                              Coord* x, Coord* y, Coord* radius, double* start_angle,
                              double* end_angle, Coord* line_width, int32_t* owner_polygon) {
  return WithObject<Arc>(arc, {pcbapi::kArc}, mode, [&](Arc& a, Exchange& e) {
    CommonFields(a, e, flags, aux_word, layer, net, aux_byte, aux_integer);
    e(a.x, x);
    e(a.y, y);
    e(a.radius, radius);
    e(a.start_angle, start_angle);
    e(a.end_angle, end_angle);
    e(a.width, line_width);
    e(a.aux_value1, owner_polygon);
    if (!e.reading() && owner_polygon) OwnerFromValue(a, a.aux_value1);
    return kOk;
  });
}

int __stdcall PcbApi_QueryFill(Mode mode, Handle fill, uint16_t* flags, uint16_t* aux_word,
                               LayerId* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer,
                               Coord* x, Coord* y, Coord* x2, Coord* y2, int32_t* aux_value1,
                               double* rotation) {
  return WithObject<Fill>(fill, {pcbapi::kFill}, mode, [&](Fill& f, Exchange& e) {
    CommonFields(f, e, flags, aux_word, layer, net, aux_byte, aux_integer);
    e(f.x, x);
    e(f.y, y);
    e(f.x2, x2);
    e(f.y2, y2);
    e(f.aux_value1, aux_value1);
    e(f.rotation, rotation);
    return kOk;
  });
}

int __stdcall PcbApi_QueryRegion(Mode mode, Handle region, Byte* region_kind, uint16_t* flags,
                                 uint16_t* aux_word, LayerId* layer, Handle* net, Byte* aux_byte,
                                 int32_t* aux_integer, int32_t* hole_count, int32_t* vertex_count,
                                 Coord* box_x1, Coord* box_y1, Coord* box_x2, Coord* box_y2) {
  return WithObject<Region>(region, {pcbapi::kRegion}, mode, [&](Region& r, Exchange& e) {
    e(r.region_kind, region_kind);
    CommonFields(r, e, flags, aux_word, layer, net, aux_byte, aux_integer);
    const Box box = r.Bounds(*CurrentBoard());
    e.Derived(static_cast<int32_t>(r.holes.size()), hole_count);
    e.Derived(static_cast<int32_t>(r.outline.size()), vertex_count);
    e.Derived(box.Empty() ? 0 : box.x1, box_x1);
    e.Derived(box.Empty() ? 0 : box.y1, box_y1);
    e.Derived(box.Empty() ? 0 : box.x2, box_x2);
    e.Derived(box.Empty() ? 0 : box.y2, box_y2);
    return kOk;
  });
}

int __stdcall PcbApi_QueryText(Mode mode, Handle text, uint16_t* flags, uint16_t* aux_word,
                               LayerId* layer, Handle* net, Byte* aux_byte, int32_t* aux_integer,
                               Coord* x, Coord* y, Coord* size, int32_t* font, double* rotation,
                               Byte* mirrored, pcbapi::Text254* text_field, Coord* width,
                               int32_t* text_kind, int32_t* justification) {
  return WithObject<Text>(text, {pcbapi::kTextObject}, mode, [&](Text& t, Exchange& e) {
    CommonFields(t, e, flags, aux_word, layer, net, aux_byte, aux_integer);
    e(t.x, x);
    e(t.y, y);
    e(t.size, size);
    e(t.font, font);
    e(t.rotation, rotation);
    e(t.mirrored, mirrored);
    e.Text(t.text, text_field);
    e(t.width, width);
    e(t.text_kind, text_kind);
    e(t.justification, justification);
    return kOk;
  });
}

int __stdcall PcbApi_QueryTrueTypeTextInfo(Mode mode, Handle text, Byte* true_type,
                                           pcbapi::Text255* font_name, Byte* bold, Byte* italic,
                                           Byte* inverted, Coord* true_type_length) {
  return WithObject<Text>(text, {pcbapi::kTextObject}, mode, [&](Text& t, Exchange& e) {
    e(t.true_type, true_type);
    e.Text(t.font_name, font_name);
    e(t.bold, bold);
    e(t.italic, italic);
    e(t.inverted, inverted);
    e(t.true_type_length, true_type_length);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBarCodeTextInfo(Mode mode, Handle text, Byte* bar_code_kind,
                                          Byte* render_mode, Byte* show_text, Byte* inverted) {
  return WithObject<Text>(text, {pcbapi::kTextObject}, mode, [&](Text& t, Exchange& e) {
    e(t.bar_code_kind, bar_code_kind);
    e(t.render_mode, render_mode);
    e(t.show_text, show_text);
    e(t.bar_code_inverted, inverted);
    return kOk;
  });
}

int __stdcall PcbApi_QueryNet(Mode mode, Handle net, uint16_t* aux_word, pcbapi::Text255* name,
                              Byte* visible, Byte* highlighted) {
  return WithObject<Net>(net, {pcbapi::kNet}, mode, [&](Net& n, Exchange& e) {
    e(n.aux_word, aux_word);
    e.Text(n.name, name);
    e(n.visible, visible);
    e(n.highlighted, highlighted);
    return kOk;
  });
}

int __stdcall PcbApi_QueryClass(Mode mode, Handle object_class, uint16_t* aux_word,
                                Byte* member_kind, Byte* all_members, pcbapi::Text255* name) {
  return WithObject<ObjectClass>(object_class, {pcbapi::kClass}, mode,
                                 [&](ObjectClass& c, Exchange& e) {
                                   e(c.aux_word, aux_word);
                                   e(c.member_kind, member_kind);
                                   e(c.all_members, all_members);
                                   e.Text(c.name, name);
                                   return kOk;
                                 });
}

int __stdcall PcbApi_GetMemberFromClassAt(Handle object_class, int32_t index,
                                          pcbapi::Text255* name) {
  return WithObject<ObjectClass>(
      object_class, {pcbapi::kClass}, pcbapi::kRead, [&](ObjectClass& c, Exchange& e) {
        if (index < 0 || static_cast<size_t>(index) >= c.member_names.size()) {
          return kFail;
        }
        e.Text(c.member_names[index], name);
        return kOk;
      });
}

int __stdcall PcbApi_AddMemberToClass(Handle object_class, const pcbapi::Text255* name) {
  return WithObject<ObjectClass>(object_class, {pcbapi::kClass}, pcbapi::kWrite,
                                 [&](ObjectClass& c, Exchange&) {
                                   if (!name) return kFail;
                                   c.member_names.emplace_back(name->chars, name->length);
                                   return kOk;
                                 });
}

int __stdcall PcbApi_RemoveAllMembersFromClass(Handle object_class) {
  return WithObject<ObjectClass>(object_class, {pcbapi::kClass}, pcbapi::kWrite,
                                 [&](ObjectClass& c, Exchange&) {
                                   c.member_names.clear();
                                   return kOk;
                                 });
}

int __stdcall PcbApi_QueryFromTo(Mode mode, Handle connection, uint16_t* aux_word, Coord* x,
                                 Coord* y, Byte* layer, Coord* x2, Coord* y2, Byte* layer2,
                                 Handle* net) {
  return WithObject<Connection>(connection, {pcbapi::kConnection}, mode,
                                [&](Connection& c, Exchange& e) {
                                  e(c.aux_word, aux_word);
                                  e(c.x, x);
                                  e(c.y, y);
                                  e.Legacy(c.layer, layer);
                                  e(c.x2, x2);
                                  e(c.y2, y2);
                                  e.Legacy(c.layer2, layer2);
                                  e.Net(c.net, net);
                                  return kOk;
                                });
}

int __stdcall PcbApi_QueryManualFromTo(Mode mode, Handle from_to, uint16_t* aux_word,
                                       pcbapi::Text255* net_name, pcbapi::Text255* from_pin,
                                       pcbapi::Text255* to_pin, int32_t* route_order) {
  return WithObject<FromTo>(from_to, {pcbapi::kFromTo}, mode, [&](FromTo& f, Exchange& e) {
    e(f.aux_word, aux_word);
    e.Text(f.net_name, net_name);
    e.Text(f.from_pin, from_pin);
    e.Text(f.to_pin, to_pin);
    e(f.route_order, route_order);
    return kOk;
  });
}

int __stdcall PcbApi_QueryCoordinate(Mode mode, Handle coordinate, uint16_t* flags,
                                     uint16_t* aux_word, Byte* aux_byte, Coord* x, Coord* y,
                                     LayerId* layer, Coord* size, Coord* line_width,
                                     Coord* text_height, Coord* text_width, int32_t* font,
                                     int32_t* style) {
  return WithObject<Coordinate>(coordinate, {pcbapi::kCoordinate}, mode,
                                [&](Coordinate& c, Exchange& e) {
                                  e(c.flags, flags);
                                  e(c.aux_word, aux_word);
                                  e(c.aux_byte, aux_byte);
                                  e(c.x, x);
                                  e(c.y, y);
                                  e.Layer(c.layer, layer);
                                  e(c.size, size);
                                  e(c.line_width, line_width);
                                  e(c.text_height, text_height);
                                  e(c.text_width, text_width);
                                  e(c.font, font);
                                  e(c.style, style);
                                  return kOk;
                                });
}

int __stdcall PcbApi_QueryDimension(Mode mode, Handle dimension, uint16_t* flags,
                                    uint16_t* aux_word, Byte* aux_byte, Coord* x, Coord* y,
                                    Coord* x2, Coord* y2, LayerId* layer, Coord* line_width,
                                    Coord* text_height, Coord* text_width, int32_t* font,
                                    int32_t* precision, Byte* dimension_kind) {
  return WithObject<Dimension>(dimension, {pcbapi::kDimension}, mode,
                               [&](Dimension& d, Exchange& e) {
                                 e(d.flags, flags);
                                 e(d.aux_word, aux_word);
                                 e(d.aux_byte, aux_byte);
                                 e(d.x, x);
                                 e(d.y, y);
                                 e(d.x2, x2);
                                 e(d.y2, y2);
                                 e.Layer(d.layer, layer);
                                 e(d.line_width, line_width);
                                 e(d.text_height, text_height);
                                 e(d.text_width, text_width);
                                 e(d.font, font);
                                 e(d.precision, precision);
                                 e(d.dimension_kind, dimension_kind);
                                 return kOk;
                               });
}

int __stdcall PcbApi_References_Count(Mode mode, Handle dimension, int32_t* count) {
  return WithObject<Dimension>(
      dimension, {pcbapi::kDimension}, mode, [&](Dimension& d, Exchange& e) {
        if (!count) return kOk;
        if (e.reading()) {
          *count = static_cast<int32_t>(d.references.size());
        } else {
          d.references.resize(std::clamp(*count, 0, pcbapi::kDimensionReferenceCapacity));
        }
        return kOk;
      });
}

int __stdcall PcbApi_References_At(Mode mode, Handle dimension, int32_t index, int32_t* object,
                                   int32_t* point, Coord* x, Coord* y) {
  return WithObject<Dimension>(
      dimension, {pcbapi::kDimension}, mode, [&](Dimension& d, Exchange& e) {
        if (index < 0 || static_cast<size_t>(index) >= d.references.size()) {
          return kFail;
        }
        DimensionReference& r = d.references[index];
        e(r.object, object);
        e(r.point, point);
        e(r.x, x);
        e(r.y, y);
        return kOk;
      });
}

int __stdcall PcbApi_QueryExtDimension(Mode mode, Handle dimension, Byte* text_position,
                                       Coord* text_gap, Coord* arrow_size, Coord* arrow_length,
                                       Byte* arrow_position, Coord* extension_gap,
                                       pcbapi::Text255* prefix, Byte* unit, Coord* extension_offset,
                                       pcbapi::Text255* suffix, pcbapi::Text255* font_name,
                                       double* angle, Coord* extension_width, Coord* arrow_width,
                                       int32_t* style, Byte* bold, Coord* x3, Coord* y3,
                                       int32_t* value) {
  return WithObject<Dimension>(dimension, {pcbapi::kDimension}, mode,
                               [&](Dimension& d, Exchange& e) {
                                 e(d.text_position, text_position);
                                 e(d.text_gap, text_gap);
                                 e(d.arrow_size, arrow_size);
                                 e(d.arrow_length, arrow_length);
                                 e(d.arrow_position, arrow_position);
                                 e(d.extension_gap, extension_gap);
                                 e.Text(d.prefix, prefix);
                                 e(d.unit, unit);
                                 e(d.extension_offset, extension_offset);
                                 e.Text(d.suffix, suffix);
                                 e.Text(d.font_name, font_name);
                                 e(d.angle, angle);
                                 e(d.extension_width, extension_width);
                                 e(d.arrow_width, arrow_width);
                                 e(d.style, style);
                                 e(d.bold, bold);
                                 e(d.x3, x3);
                                 e(d.y3, y3);
                                 e(d.value, value);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryPolygon(Mode mode, Handle polygon, uint16_t* flags, uint16_t* aux_word,
                                  LayerId* layer, Handle* net, Byte* aux_byte, Byte* pour_over,
                                  Byte* remove_dead, Byte* hatch_style, Coord* grid,
                                  Coord* track_width, Byte* use_octagons, Byte* remove_islands,
                                  Coord* min_prim_length, Byte* polygon_kind,
                                  int32_t* segment_count, pcbapi::OutlineBlock* outline) {
  return WithObject<Polygon>(
      polygon, {pcbapi::kPolygon, pcbapi::kBoardOutline}, mode, [&](Polygon& p, Exchange& e) {
        e(p.flags, flags);
        e(p.aux_word, aux_word);
        e.Layer(p.layer, layer);
        e.Net(p.net, net);
        e(p.aux_byte, aux_byte);
        e(p.pour_over, pour_over);
        e(p.remove_dead, remove_dead);
        e(p.hatch_style, hatch_style);
        e(p.grid, grid);
        e(p.track_width, track_width);
        e(p.use_octagons, use_octagons);
        e(p.remove_islands, remove_islands);
        e(p.min_prim_length, min_prim_length);
        e(p.polygon_kind, polygon_kind);
        bool truncated = false;
        OutlineExchange(p.outline, e, segment_count, outline, truncated);
        return truncated ? kFail : kOk;  // an outline that does not fit is not read whole
      });
}

int __stdcall PcbApi_QuerySplitPlane(Mode mode, Handle split_plane, uint16_t* flags,
                                     uint16_t* aux_word, LayerId* layer, Handle* net,
                                     Byte* aux_byte, Byte* is_island, int32_t* segment_count,
                                     pcbapi::OutlineBlock* outline) {
  return WithObject<SplitPlane>(split_plane, {pcbapi::kSplitPlane}, mode,
                                [&](SplitPlane& s, Exchange& e) {
                                  e(s.flags, flags);
                                  e(s.aux_word, aux_word);
                                  e.Layer(s.layer, layer);
                                  e.Net(s.net, net);
                                  e(s.aux_byte, aux_byte);
                                  e(s.is_island, is_island);
                                  bool truncated = false;
                                  OutlineExchange(s.outline, e, segment_count, outline, truncated);
                                  return truncated ? kFail : kOk;
                                });
}

int __stdcall PcbApi_QueryComponent(Mode mode, Handle component, uint16_t* flags,
                                    uint16_t* aux_word, LegacyLayer* layer, Byte* aux_byte,
                                    int32_t* designator_text, int32_t* comment_text,
                                    pcbapi::Text250* footprint, Byte* name_on, Byte* comment_on,
                                    Coord* x, Coord* y, Coord* height, double* rotation,
                                    Byte* locked) {
  return WithObject<Component>(component, {pcbapi::kComponent}, mode,
                               [&](Component& c, Exchange& e) {
                                 e(c.flags, flags);
                                 e(c.aux_word, aux_word);
                                 e.Legacy(c.layer, layer);
                                 e(c.aux_byte, aux_byte);
                                 e(c.designator, designator_text);
                                 e(c.comment, comment_text);
                                 e.Text(c.footprint, footprint);
                                 e(c.name_on, name_on);
                                 e(c.comment_on, comment_on);
                                 e(c.x, x);
                                 e(c.y, y);
                                 e(c.height, height);
                                 e(c.rotation, rotation);
                                 e(c.locked, locked);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryComponentEx(Mode mode, Handle component, int32_t* union_index,
                                      Byte* lock_strings, Byte* pin_swapping, int32_t* channel) {
  return WithObject<Component>(component, {pcbapi::kComponent}, mode,
                               [&](Component& c, Exchange& e) {
                                 e(c.union_index, union_index);
                                 e(c.lock_strings, lock_strings);
                                 e(c.pin_swapping, pin_swapping);
                                 e(c.channel, channel);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryComponentSourceLinks(
    Mode mode, Handle component, pcbapi::Text255* source_designator,
    pcbapi::Text255* source_unique_id, pcbapi::Text255* source_hierarchy,
    pcbapi::Text255* source_footprint_library, pcbapi::Text255* source_component_library,
    pcbapi::Text255* source_lib_reference, pcbapi::Text255* source_description,
    pcbapi::Text255* footprint_description) {
  return WithObject<Component>(
      component, {pcbapi::kComponent}, mode, [&](Component& c, Exchange& e) {
        pcbapi::Text255* links[] = {source_designator,        source_unique_id,
                                    source_hierarchy,         source_footprint_library,
                                    source_component_library, source_lib_reference,
                                    source_description,       footprint_description};
        for (int i = 0; i < 8; ++i) e.Text(c.source_links[i], links[i]);
        return kOk;
      });
}

int __stdcall PcbApi_QueryDefaultPCB3DModel(Mode mode, Handle component, pcbapi::Text255* model) {
  return WithObject<Component>(component, {pcbapi::kComponent}, mode,
                               [&](Component& c, Exchange& e) {
                                 e.Text(c.model, model);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryComponentKind(Mode mode, Handle component, int32_t* component_kind) {
  return WithObject<Component>(component, {pcbapi::kComponent}, mode,
                               [&](Component& c, Exchange& e) {
                                 e(c.component_kind, component_kind);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryComponentChannelOffset(Mode mode, Handle component,
                                                 int32_t* channel_offset) {
  return WithObject<Component>(component, {pcbapi::kComponent}, mode,
                               [&](Component& c, Exchange& e) {
                                 e(c.channel_offset, channel_offset);
                                 return kOk;
                               });
}

int __stdcall PcbApi_QueryEmbedded(Mode mode, Handle embedded, pcbapi::Text255* name,
                                   uint8_t* data) {
  return WithObject<Embedded>(embedded, {pcbapi::kEmbedded}, mode, [&](Embedded& m, Exchange& e) {
    e.Text(m.name, name);
    if (!data) return kOk;
    if (e.reading()) {
      std::memset(data, 0, pcbapi::kEmbeddedDataSize);
      std::memcpy(data, m.data.data(), std::min<size_t>(m.data.size(), pcbapi::kEmbeddedDataSize));
    } else {
      // The buffer has no length: its trailing zero bytes are padding.
      size_t length = pcbapi::kEmbeddedDataSize;
      while (length > 0 && data[length - 1] == 0) --length;
      m.data.assign(reinterpret_cast<const char*>(data), length);
    }
    return kOk;
  });
}

int __stdcall PcbApi_QueryEmbeddedBoard(Mode mode, Handle embedded_board, uint16_t* flags,
                                        uint16_t* aux_word, Byte* aux_byte, Coord* x, Coord* y,
                                        pcbapi::Text255* document, int32_t* row_count,
                                        int32_t* column_count, Coord* row_spacing,
                                        Coord* column_spacing, double* rotation, Byte* mirrored,
                                        Byte* origin_mode) {
  return WithObject<EmbeddedBoard>(embedded_board, {pcbapi::kEmbeddedBoard}, mode,
                                   [&](EmbeddedBoard& b, Exchange& e) {
                                     e(b.flags, flags);
                                     e(b.aux_word, aux_word);
                                     e(b.aux_byte, aux_byte);
                                     e(b.x, x);
                                     e(b.y, y);
                                     e.Text(b.document, document);
                                     e(b.row_count, row_count);
                                     e(b.column_count, column_count);
                                     e(b.row_spacing, row_spacing);
                                     e(b.column_spacing, column_spacing);
                                     e(b.rotation, rotation);
                                     e(b.mirrored, mirrored);
                                     e(b.origin_mode, origin_mode);
                                     return kOk;
                                   });
}

int __stdcall PcbApi_QueryViolation(Mode mode, Handle violation, pcbapi::Text255* name,
                                    pcbapi::Text255* description, Handle* rule,
                                    Handle* first_object, Handle* second_object) {
  return WithObject<Violation>(violation, {pcbapi::kViolation}, mode,
                               [&](Violation& v, Exchange& e) {
                                 e.Text(v.name, name);
                                 e.Text(v.description, description);
                                 e(v.rule, rule);
                                 e(v.first, first_object);
                                 e(v.second, second_object);
                                 return kOk;
                               });
}

// ---- The board and its layers --------------------------------------------------------------

int __stdcall PcbApi_QueryBoard(Mode mode, Handle board, int32_t* version,
                                pcbapi::Text255* file_name, Byte* unit, Coord* origin_x,
                                Coord* origin_y, Coord* width, Coord* height, Byte* snap_to_grid,
                                LayerId* current_layer, int32_t* object_count) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    e(b.version, version);
    e.Text(b.file_name, file_name);
    e(b.unit, unit);
    e(b.origin_x, origin_x);
    e(b.origin_y, origin_y);
    e(b.width, width);
    e(b.height, height);
    e(b.snap_to_grid, snap_to_grid);
    e.Layer(b.current_layer, current_layer);
    e.Derived(static_cast<int32_t>(b.ObjectCount()), object_count);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardLayerInfo(Mode mode, Handle board, LegacyLayer layer, int32_t* used,
                                         int32_t* object_count, int32_t* color) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer > kLastLegacyLayer) return kFail;
    const int32_t count = static_cast<int32_t>(b.CountOnLayer(layer));
    e.Derived(count > 0 ? 1 : 0, used);
    e.Derived(count, object_count);
    e(b.layers[layer].color, color);
    return kOk;
  });
}

int __stdcall PcbApi_QueryLayer(Mode mode, LegacyLayer layer, Handle board, pcbapi::Text255* name,
                                Coord* copper_thickness, Byte* visible, Byte* locked,
                                LegacyLayer* previous, LegacyLayer* next, Byte* enabled) {
  return LayerRecord(mode, layer, board, name, copper_thickness, visible, locked, previous, next,
                     [&](LayerInfo& info, Exchange& e) {
                       e(info.enabled, enabled);
                       return kOk;
                     });
}

int __stdcall PcbApi_QueryInternalPlane(Mode mode, LegacyLayer layer, Handle board,
                                        pcbapi::Text255* name, Coord* copper_thickness,
                                        Byte* visible, Byte* locked, LegacyLayer* previous,
                                        LegacyLayer* next, pcbapi::Text255* net_name) {
  if (!IsPlaneLayer(layer)) return kFail;
  return LayerRecord(mode, layer, board, name, copper_thickness, visible, locked, previous, next,
                     [&](LayerInfo& info, Exchange& e) {
                       e.Text(info.plane_net, net_name);
                       return kOk;
                     });
}

int __stdcall PcbApi_QueryLayerDielectric(Mode mode, LegacyLayer layer, Handle board,
                                          pcbapi::Text255* material, Byte* dielectric_kind,
                                          double* constant, Coord* height) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer < 1 || layer > kLastLegacyLayer) return kFail;
    Dielectric& d = b.layers[layer].dielectric;
    e.Text(d.material, material);
    e(d.kind, dielectric_kind);
    e(d.constant, constant);
    e(d.height, height);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardExternalDielectrics(Mode mode, Handle board,
                                                   pcbapi::Text255* top_material, Byte* top_kind,
                                                   double* top_constant, Coord* top_height,
                                                   pcbapi::Text255* bottom_material,
                                                   Byte* bottom_kind, double* bottom_constant,
                                                   Coord* bottom_height) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    e.Text(b.top_dielectric.material, top_material);
    e(b.top_dielectric.kind, top_kind);
    e(b.top_dielectric.constant, top_constant);
    e(b.top_dielectric.height, top_height);
    e.Text(b.bottom_dielectric.material, bottom_material);
    e(b.bottom_dielectric.kind, bottom_kind);
    e(b.bottom_dielectric.constant, bottom_constant);
    e(b.bottom_dielectric.height, bottom_height);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardSplitPlaneMode(Mode mode, Handle board, Byte* split_plane_mode) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    e(b.split_plane_mode, split_plane_mode);
    return kOk;
  });
}

// Layer pairs a board can hold; a larger count written is refused.
constexpr int32_t kMaxLayerPairs = 1024;

int __stdcall PcbApi_QueryBoardLayerPairsCount(Handle board, int32_t* count, Mode mode) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (!count) return kOk;
    if (e.reading()) {
      *count = static_cast<int32_t>(b.layer_pairs.size());
      return kOk;
    }
    if (*count < 0 || *count > kMaxLayerPairs) return kFail;
    b.layer_pairs.resize(*count);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardLayerPairAt(Mode mode, Handle board, int32_t index,
                                           LayerId* second_layer, LayerId* first_layer,
                                           Byte* second_byte, Byte* first_byte) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (index < 0 || static_cast<size_t>(index) >= b.layer_pairs.size()) return kFail;
    LayerPair& pair = b.layer_pairs[index];
    e(pair.second, second_layer);
    e(pair.first, first_layer);
    e(pair.second_byte, second_byte);
    e(pair.first_byte, first_byte);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardGridsEx(Mode mode, Handle board, pcbapi::BoardGrids* grids) {
  return WholeRecord(mode, board, &Board::grids, grids);
}

int __stdcall PcbApi_QueryBoardOutputOptions(Mode mode, Handle board,
                                             pcbapi::BoardOutputOptions* options) {
  return WholeRecord(mode, board, &Board::output_options, options);
}

int __stdcall PcbApi_QueryBoardOutputOptionsPlotLayers(Mode mode, Handle board, int32_t layer,
                                                       Byte* plot) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer < 1 || layer > pcbapi::kOutputLayerCount) return kFail;
    e(b.plot_layers[layer], plot);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardOutputOptionsFlipLayers(Mode mode, Handle board, int32_t layer,
                                                       Byte* flip) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer < 1 || layer > pcbapi::kOutputLayerCount) return kFail;
    e(b.flip_layers[layer], flip);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardGerberOptions(Mode mode, Handle board,
                                             pcbapi::BoardGerberOptions* options) {
  return WholeRecord(mode, board, &Board::gerber_options, options);
}

int __stdcall PcbApi_QueryBoardPrinterOptions(Mode mode, Handle board,
                                              pcbapi::BoardPrinterOptions* options) {
  return WholeRecord(mode, board, &Board::printer_options, options);
}

int __stdcall PcbApi_QueryBoardPrinterOptionsPlotterPen(Mode mode, Handle board, int32_t pen,
                                                        int32_t* color, Coord* width) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (pen < 1 || pen > pcbapi::kPlotterPenCount) return kFail;
    e(b.plotter_pens[pen][0], color);
    e(b.plotter_pens[pen][1], width);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardPrinterOptionsCompositeLayer(Mode mode, Handle board,
                                                            LegacyLayer layer, int32_t* value1,
                                                            int32_t* value2, int32_t* value3,
                                                            int32_t* value4) {
  return WithBoard(board, mode, [&](Board& b, Exchange& e) {
    if (layer < 1 || layer > kLastLegacyLayer) return kFail;
    int32_t* values[] = {value1, value2, value3, value4};
    for (int i = 0; i < 4; ++i) e(b.composite_layers[layer][i], values[i]);
    return kOk;
  });
}

int __stdcall PcbApi_QueryBoardAdvancedPlacerOptions(Mode mode, Handle board,
                                                     pcbapi::BoardAdvancedPlacerOptions* options) {
  return WholeRecord(mode, board, &Board::placer_options, options);
}

int __stdcall PcbApi_QueryBoardEngineeringChangeOrderOptions(Mode mode, Handle board,
                                                             pcbapi::BoardEcoOptions* options) {
  return WholeRecord(mode, board, &Board::eco_options, options);
}

Handle __stdcall PcbApi_GetBoardOutlineHandle(Handle board) {
  return Guard(Handle{0}, [&] {
    if (!IsCurrentBoard(board)) return Handle{0};
    const Object* outline = CurrentBoard()->Find(CurrentBoard()->outline);
    return outline && outline->on_board ? outline->handle : Handle{0};
  });
}

// A region's contour as the editor keeps it: one vertex per outline segment, so the count agrees
// with the region record's vertex count.
int __stdcall PcbApi_GetRegionVertexAt(Handle region, int32_t index, double* x, double* y) {
  return Guard(kFail, [&] {
    const Board* board = CurrentBoard();
    const Region* r = board ? board->FindAs<Region>(region, pcbapi::kRegion) : nullptr;
    if (!r || index < 0 || static_cast<size_t>(index) >= r->outline.size()) return kFail;
    if (x) *x = r->outline[index].vx;
    if (y) *y = r->outline[index].vy;
    return kOk;
  });
}

int __stdcall PcbApi_GetDifferentialPairNets(Handle pair, Handle* positive, Handle* negative) {
  return Guard(kFail, [&] {
    const Board* board = CurrentBoard();
    const DifferentialPair* found =
        board ? board->FindAs<DifferentialPair>(pair, pcbapi::kDifferentialPair) : nullptr;
    if (!found || !positive || !negative) return kFail;
    *positive = found->positive;
    *negative = found->negative;
    return kOk;
  });
}

}  // extern "C"

// Every export has exactly the contract's signature.
#define QUORVEL_CHECK_SIGNATURE(name)                                                      \
  static_assert(                                                                           \
      std::is_same_v<decltype(&PcbApi_##name), pcbapi::StdcallPointer<pcbapi::sig::name>>, \
      "PcbApi_" #name " differs from the contract");
PCBAPI_EXPORT_LIST(QUORVEL_CHECK_SIGNATURE)
#undef QUORVEL_CHECK_SIGNATURE
