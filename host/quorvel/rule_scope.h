// The editor's own reading of rule scopes: a small evaluator of the query language that rules
// carry (InNet('GND') And OnLayer('TopLayer'), IsVia, WithinRoom('Room 1'), ...), and the
// dominant rule of a kind for an object or a pair of objects.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/quorvel/board.h"

namespace quorvel {

// One parsed scope expression. A text that does not parse holds nothing.
class RuleScope {
 public:
  struct Node;
  static std::unique_ptr<const RuleScope> Parse(std::string_view text);
  // The parsed scope of a text, parsed once per text for the life of the process; the text
  // kept with it lives as long.
  static std::pair<const std::string*, const RuleScope*> Cached(const std::string& text);
  ~RuleScope();

  bool Holds(const Board& board, const Object& object) const;
  // Whether the board itself (as an object of kind Board) is held: only by scopes that hold
  // every object.
  bool HoldsBoard(const Board& board) const;
  bool parsed() const { return root_ != nullptr; }
  const std::string& error() const { return error_; }

 private:
  std::unique_ptr<Node> root_;
  std::string error_;
};

// The object named `handle` on the board: an object, or the board itself (kind Board).
struct ScopeTarget {
  const Object* object = nullptr;  // null for the board
  bool board = false;
  bool valid() const { return object || board; }
};
ScopeTarget TargetOf(const Board& board, Handle handle);

// Whether the rule's first (or second) scope holds the target.
bool ScopeHolds(const Board& board, const Rule& rule, bool second, const ScopeTarget& target);

// Unary: the first scope holds the object. Binary: either scope does.
bool RuleHoldsObject(const Board& board, const Rule& rule, const ScopeTarget& target);
// Unary: the first scope holds both. Binary: one scope holds each, in either order.
bool RuleHoldsPair(const Board& board, const Rule& rule, const ScopeTarget& a,
                   const ScopeTarget& b);

// The enabled rule of the kind with the lowest priority number (then the lowest handle) that
// holds the object or the pair; 0 when none does.
Handle DominantRule(const Board& board, uint8_t rule_kind, const ScopeTarget& object);
Handle DominantRuleForPair(const Board& board, uint8_t rule_kind, const ScopeTarget& a,
                           const ScopeTarget& b);

// A from-to's name in scopes: "<net>(<from pin>:<to pin>)".
std::string FromToName(const FromTo& from_to);

}  // namespace quorvel
