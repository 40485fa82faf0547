// The editor's scope evaluator. It is the editor's own: it shares no code with the module that
// asks it, so that the module's reading of a scope can be checked against it.
#include "host/quorvel/rule_scope.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace quorvel {

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Fold(x) == Fold(y); });
}

enum class Test {
  All,
  InNet,
  InNetClass,
  InFromToClass,
  InFromTo,
  WithinRoom,
  OnLayer,
  OnTop,
  OnBottom,
  OnMid,
  OnSignal,
  IsPad,
  IsThruPin,
  IsSmdPad,
  IsVia,
  IsTrack,
  IsFill,
  IsPolyRegion,
  IsTestPoint,
};

struct Word {
  const char* name;
  Test test;
  bool argument;
};

constexpr Word kWords[] = {
    {"All", Test::All, false},
    {"InNet", Test::InNet, true},
    {"InNetClass", Test::InNetClass, true},
    {"InFromToClass", Test::InFromToClass, true},
    {"InFromTo", Test::InFromTo, true},
    {"WithinRoom", Test::WithinRoom, true},
    {"OnLayer", Test::OnLayer, true},
    {"OnTopLayer", Test::OnTop, false},
    {"OnTop", Test::OnTop, false},
    {"OnBottomLayer", Test::OnBottom, false},
    {"OnBottom", Test::OnBottom, false},
    {"OnMid", Test::OnMid, false},
    {"OnSignal", Test::OnSignal, false},
    {"IsPad", Test::IsPad, false},
    {"IsThruPin", Test::IsThruPin, false},
    {"IsSMDPad", Test::IsSmdPad, false},
    {"IsVia", Test::IsVia, false},
    {"IsTrack", Test::IsTrack, false},
    {"IsFill", Test::IsFill, false},
    {"IsPolyRegion", Test::IsPolyRegion, false},
    {"IsTestPoint", Test::IsTestPoint, false},
    {"TestPoint", Test::IsTestPoint, false},
};

// Flags bits 11 and 13: test point on the top and on the bottom side.
constexpr uint16_t kTestPointFlags = (1u << 11) | (1u << 13);

}  // namespace

struct RuleScope::Node {
  enum class Kind { Leaf, Not, And, Or } kind = Kind::Leaf;
  Test test = Test::All;
  std::string argument;
  std::unique_ptr<Node> left, right;
  // InNet: the net the argument names, found for the board's net names as they were in
  // `net_names` (Board::net_names_version). Rules are asked about every net, and a lookup by
  // name for each question cost a hash and two cache misses. The editor runs on one thread.
  mutable uint64_t net_names = 0;
  mutable Handle net = 0;

  Handle NetOn(const Board& board) const {
    if (net_names != board.net_names_version()) {
      net = argument.empty() ? 0 : board.NetHandle(argument);
      net_names = board.net_names_version();
    }
    return net;
  }
};

namespace {

using Node = RuleScope::Node;

// expression ::= term ( "Or" term )* ; term ::= factor ( "And" factor )* ;
// factor ::= "Not" factor | "(" expression ")" | word [ "(" argument ")" ]
class ScopeReader {
 public:
  explicit ScopeReader(std::string_view text) : text_(text) { Advance(); }

  std::unique_ptr<Node> ReadAll() {
    std::unique_ptr<Node> root = ReadOr();
    if (!token_.empty()) Fail("unexpected '" + token_ + "'");
    return root;
  }

 private:
  std::unique_ptr<Node> ReadOr() {
    std::unique_ptr<Node> left = ReadAnd();
    while (IsKeyword("or")) {
      Advance();
      left = Join(Node::Kind::Or, std::move(left), ReadAnd());
    }
    return left;
  }
  std::unique_ptr<Node> ReadAnd() {
    std::unique_ptr<Node> left = ReadFactor();
    while (IsKeyword("and")) {
      Advance();
      left = Join(Node::Kind::And, std::move(left), ReadFactor());
    }
    return left;
  }
  std::unique_ptr<Node> ReadFactor() {
    if (++depth_ > 100) Fail("nested too deeply");
    std::unique_ptr<Node> node;
    if (IsKeyword("not")) {
      Advance();
      node = std::make_unique<Node>();
      node->kind = Node::Kind::Not;
      node->left = ReadFactor();
    } else if (token_ == "(") {
      Advance();
      node = ReadOr();
      Expect(")");
    } else {
      node = ReadTest();
    }
    --depth_;
    return node;
  }
  std::unique_ptr<Node> ReadTest() {
    const Word* word = nullptr;
    for (const Word& w : kWords) {
      if (SameIgnoringCase(token_, w.name)) word = &w;
    }
    if (!word) Fail(token_.empty() ? "a query is missing" : "unknown query '" + token_ + "'");
    auto node = std::make_unique<Node>();
    node->test = word->test;
    Advance();
    if (word->argument) {
      Expect("(");
      if (token_.empty() || token_ == "(" || token_ == ")") Fail("a name is missing");
      node->argument = quoted_ ? token_.substr(1, token_.size() - 2) : token_;
      Advance();
      Expect(")");
    }
    return node;
  }

  static std::unique_ptr<Node> Join(Node::Kind kind, std::unique_ptr<Node> left,
                                    std::unique_ptr<Node> right) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
  }
  bool IsKeyword(const char* keyword) const {
    return !quoted_ && SameIgnoringCase(token_, keyword);
  }
  void Expect(const char* what) {
    if (token_ != what) Fail(std::string("expected '") + what + "'");
    Advance();
  }
  [[noreturn]] void Fail(const std::string& message) const {
    throw std::invalid_argument("at " + std::to_string(start_ + 1) + ": " + message);
  }
  void Advance() {
    while (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) <= ' ') ++at_;
    start_ = at_;
    quoted_ = false;
    if (at_ >= text_.size()) {
      token_.clear();
      return;
    }
    const char c = text_[at_];
    if (c == '(' || c == ')') {
      token_.assign(1, c);
      ++at_;
    } else if (c == '\'') {
      const size_t end = text_.find('\'', at_ + 1);
      if (end == std::string_view::npos) Fail("unterminated name");
      token_ = std::string(text_.substr(at_, end + 1 - at_));
      quoted_ = true;
      at_ = end + 1;
    } else {
      size_t end = at_;
      while (end < text_.size() && static_cast<unsigned char>(text_[end]) > ' ' &&
             text_[end] != '(' && text_[end] != ')' && text_[end] != '\'') {
        ++end;
      }
      token_ = std::string(text_.substr(at_, end - at_));
      at_ = end;
    }
  }

  std::string_view text_;
  size_t at_ = 0, start_ = 0;
  std::string token_;
  bool quoted_ = false;
  int depth_ = 0;
};

const ObjectClass* FindClass(const Board& board, const std::string& name, uint8_t member_kind) {
  for (Handle h = board.NextOf(board.handle(), pcbapi::kClass, 0, LayerFilter(0), 0); h != 0;
       h = board.NextOf(board.handle(), pcbapi::kClass, 0, LayerFilter(0), h)) {
    const auto* c = board.FindAs<ObjectClass>(h, pcbapi::kClass);
    if (c && c->member_kind == member_kind && SameIgnoringCase(c->name, name)) return c;
  }
  return nullptr;
}

const Rule* FindRoom(const Board& board, const std::string& name) {
  for (Handle h = board.NextOf(board.handle(), pcbapi::kRule, 0, LayerFilter(0), 0); h != 0;
       h = board.NextOf(board.handle(), pcbapi::kRule, 0, LayerFilter(0), h)) {
    const auto* rule = board.FindAs<Rule>(h, pcbapi::kRule);
    if (rule && rule->rule_kind == kRuleRoomDefinition && SameIgnoringCase(rule->name, name)) {
      return rule;
    }
  }
  return nullptr;
}

bool HasMember(const ObjectClass& c, const std::string& name) {
  return std::find(c.member_names.begin(), c.member_names.end(), name) != c.member_names.end();
}

// Whether a point lies inside a closed outline (its vertices; arcs count by their end points).
bool Inside(const Outline& outline, int64_t x, int64_t y) {
  bool inside = false;
  for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
    const int64_t xi = outline[i].vx, yi = outline[i].vy, xj = outline[j].vx, yj = outline[j].vy;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / static_cast<double>(yj - yi) + xi) {
      inside = !inside;
    }
  }
  return inside;
}

// Whether an object lies on a legacy layer: its own layer, or the multi-layer where it reaches.
bool OnLayer(const Object& object, int layer) {
  if (object.layer == layer) return true;
  if (object.layer != kMultiLayer) return false;
  if (object.kind == pcbapi::kPad) return static_cast<const Pad&>(object).Covers(layer);
  if (object.kind == pcbapi::kVia) return static_cast<const Via&>(object).Spans(layer);
  return false;
}

bool OnAnyLayer(const Object& object, int first, int last) {
  for (int layer = first; layer <= last; ++layer) {
    if (OnLayer(object, layer)) return true;
  }
  return false;
}

// The net an object stands for in a net test: a net is its own.
Handle NetOf(const Object& object) {
  return object.kind == pcbapi::kNet ? object.handle : object.net;
}

bool Evaluate(const Node& node, const Board& board, const ScopeTarget& target) {
  switch (node.kind) {
    case Node::Kind::Not: return !Evaluate(*node.left, board, target);
    case Node::Kind::And:
      return Evaluate(*node.left, board, target) && Evaluate(*node.right, board, target);
    case Node::Kind::Or:
      return Evaluate(*node.left, board, target) || Evaluate(*node.right, board, target);
    case Node::Kind::Leaf: break;
  }
  if (node.test == Test::All) return true;
  if (!target.object) return false;  // the board is held by All only
  const Object& o = *target.object;
  switch (node.test) {
    case Test::All: return true;
    case Test::InNet: {
      const Handle net = node.NetOn(board);
      return net != 0 && NetOf(o) == net;
    }
    case Test::InNetClass: {
      const ObjectClass* c = FindClass(board, node.argument, 0);
      if (!c) return false;
      if (&o == c) return true;
      const Net* net = board.FindAs<Net>(NetOf(o), pcbapi::kNet);
      return net && (c->all_members || HasMember(*c, net->name));
    }
    case Test::InFromToClass: {
      const ObjectClass* c = FindClass(board, node.argument, 2);
      if (!c) return false;
      if (&o == c) return true;
      if (o.kind != pcbapi::kFromTo) return false;
      const auto& from_to = static_cast<const FromTo&>(o);
      return c->all_members || HasMember(*c, FromToName(from_to)) ||
             HasMember(*c, from_to.from_pin + ":" + from_to.to_pin);
    }
    case Test::InFromTo:
      return o.kind == pcbapi::kFromTo &&
             SameIgnoringCase(FromToName(static_cast<const FromTo&>(o)), node.argument);
    case Test::WithinRoom: {
      const Rule* room = FindRoom(board, node.argument);
      if (!room) return false;
      if (&o == room) return true;
      if (room->room.size() < 3 || o.kind == pcbapi::kRule || o.kind == pcbapi::kNet ||
          o.kind == pcbapi::kClass || o.kind == pcbapi::kFromTo) {
        return false;
      }
      if (room->room_layer != 0 && room->room_layer != kMultiLayer &&
          !OnLayer(o, room->room_layer)) {
        return false;
      }
      const Box box = o.Bounds(board);
      const int64_t x = box.Empty() ? o.x : (int64_t{box.x1} + box.x2) / 2;
      const int64_t y = box.Empty() ? o.y : (int64_t{box.y1} + box.y2) / 2;
      return Inside(room->room, x, y);
    }
    case Test::OnLayer:
      for (int layer = 1; layer <= kLastLegacyLayer; ++layer) {
        if (SameIgnoringCase(board.layers[layer].name, node.argument) ||
            SameIgnoringCase(LegacyLayerName(layer), node.argument)) {
          return OnLayer(o, layer);
        }
      }
      return false;
    case Test::OnTop: return OnLayer(o, kTopLayer);
    case Test::OnBottom: return OnLayer(o, kBottomLayer);
    case Test::OnMid: return OnAnyLayer(o, kTopLayer + 1, kBottomLayer - 1);
    case Test::OnSignal: return OnAnyLayer(o, kTopLayer, kBottomLayer);
    case Test::IsPad: return o.kind == pcbapi::kPad;
    case Test::IsThruPin: return o.kind == pcbapi::kPad && o.layer == kMultiLayer;
    case Test::IsSmdPad:
      return o.kind == pcbapi::kPad && (o.layer == kTopLayer || o.layer == kBottomLayer);
    case Test::IsVia: return o.kind == pcbapi::kVia;
    case Test::IsTrack: return o.kind == pcbapi::kTrack;
    case Test::IsFill: return o.kind == pcbapi::kFill;
    case Test::IsPolyRegion: return o.kind == pcbapi::kRegion;
    case Test::IsTestPoint:
      return (o.kind == pcbapi::kPad || o.kind == pcbapi::kVia) && (o.flags & kTestPointFlags);
  }
  return false;
}

}  // namespace

RuleScope::~RuleScope() = default;

std::unique_ptr<const RuleScope> RuleScope::Parse(std::string_view text) {
  auto scope = std::make_unique<RuleScope>();
  try {
    scope->root_ = ScopeReader(text).ReadAll();
  } catch (const std::invalid_argument& e) {
    scope->root_.reset();
    scope->error_ = e.what();
  }
  return scope;
}

std::pair<const std::string*, const RuleScope*> RuleScope::Cached(const std::string& text) {
  static std::unordered_map<std::string, std::unique_ptr<const RuleScope>> cache;
  auto found = cache.find(text);
  if (found == cache.end()) found = cache.emplace(text, Parse(text)).first;
  return {&found->first, found->second.get()};
}

bool RuleScope::Holds(const Board& board, const Object& object) const {
  return root_ && Evaluate(*root_, board, ScopeTarget{&object, false});
}

bool RuleScope::HoldsBoard(const Board& board) const {
  return root_ && Evaluate(*root_, board, ScopeTarget{nullptr, true});
}

ScopeTarget TargetOf(const Board& board, Handle handle) {
  if (handle != 0 && handle == board.handle()) return ScopeTarget{nullptr, true};
  return ScopeTarget{board.Find(handle), false};
}

bool ScopeHolds(const Board& board, const Rule& rule, bool second, const ScopeTarget& target) {
  if (!target.valid()) return false;
  // The rule keeps its parsed scope with the text it was read from: comparing the texts costs
  // less than finding the text in the process's table of scopes again.
  const std::string& text = second ? rule.scope2 : rule.scope1;
  Rule::ParsedScope& parsed = rule.parsed_scopes[second];
  if (!parsed.text || *parsed.text != text)
    std::tie(parsed.text, parsed.scope) = RuleScope::Cached(text);
  return target.board ? parsed.scope->HoldsBoard(board)
                      : parsed.scope->Holds(board, *target.object);
}

bool RuleHoldsObject(const Board& board, const Rule& rule, const ScopeTarget& target) {
  if (ScopeHolds(board, rule, false, target)) return true;
  return !rule.unary && ScopeHolds(board, rule, true, target);
}

bool RuleHoldsPair(const Board& board, const Rule& rule, const ScopeTarget& a,
                   const ScopeTarget& b) {
  if (rule.unary) return ScopeHolds(board, rule, false, a) && ScopeHolds(board, rule, false, b);
  return (ScopeHolds(board, rule, false, a) && ScopeHolds(board, rule, true, b)) ||
         (ScopeHolds(board, rule, false, b) && ScopeHolds(board, rule, true, a));
}

namespace {

template <class Holds>
Handle Dominant(const Board& board, uint8_t rule_kind, Holds&& holds) {
  Handle best = 0;
  int32_t best_priority = 0;
  // Handle order: among equal priorities the first rule wins.
  for (const Handle h : board.RulesOfKind(rule_kind)) {
    const auto* rule = board.FindAs<Rule>(h, pcbapi::kRule);
    if (!rule || !rule->enabled) continue;
    if (best != 0 && rule->priority >= best_priority) continue;
    if (!holds(*rule)) continue;
    best = h;
    best_priority = rule->priority;
  }
  return best;
}

}  // namespace

Handle DominantRule(const Board& board, uint8_t rule_kind, const ScopeTarget& object) {
  if (!object.valid()) return 0;
  return Dominant(board, rule_kind,
                  [&](const Rule& rule) { return RuleHoldsObject(board, rule, object); });
}

Handle DominantRuleForPair(const Board& board, uint8_t rule_kind, const ScopeTarget& a,
                           const ScopeTarget& b) {
  if (!a.valid() || !b.valid()) return 0;
  return Dominant(board, rule_kind,
                  [&](const Rule& rule) { return RuleHoldsPair(board, rule, a, b); });
}

std::string FromToName(const FromTo& from_to) {
  return from_to.net_name + "(" + from_to.from_pin + ":" + from_to.to_pin + ")";
}

}  // namespace quorvel
