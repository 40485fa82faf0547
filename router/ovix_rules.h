// The board's design rules sorted into those the router can express (compatible) and those it
// cannot (incompatible, each with its problem texts), and the queries that find the rule that
// applies to a net, class, layer or pair of objects, as the host would apply it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/win/com.h"
#include "router/handle_table.h"
#include "router/rule_scope_helper.h"
#include "sdk/pcb_contract.h"

namespace router {

// The host's rule kinds 0..58.
inline constexpr int kRuleKindCount = pcbapi::kRuleKindCount;
enum TRuleKind : uint8_t {
  kClearanceRule = 0,
  kWidthRule = 2,
  kLengthRule = 3,
};
// "Clearance", "ParallelSegment", "Width", ...; empty outside 0..58.
std::string_view RuleKindName(int kind);

// Bit n = rule kind n.
using TRuleKindSet = uint64_t;
constexpr TRuleKindSet RuleKindBit(int kind) { return TRuleKindSet{1} << kind; }

inline constexpr const char* kRuleNotAssignedText = "Rule not Assigned";
inline constexpr const char* kRuleNotInBoardText = "Rule is not in Board";
inline constexpr const char* kBoardScopeText =
    "At Least one scope should be board scope (e.g. 'All')";
inline constexpr const char* kLayersNotSameText = "Layers used are not same";
inline constexpr const char* kTestPointScopeText = "Test point scopes are not supported";
inline constexpr const char* kNoBoardInterfaceText =
    "Cannot find board interface from Board Handle";

// What the proxies of one collection share while they are made: the board's nets by name, and
// the scope parsers, whose word tables are set up once instead of for every scope.
struct TRuleReading {
  TNetNameIndex* nets = nullptr;
  TRuleExpressionParser scopes;
  TCleranceRuleExpressionParser clearance_scopes;
};

// One host rule with its parsed scopes and the problems that keep the router from expressing it.
// Complete when constructed: parsing, resolving the scopes' objects and the checks run here.
class TRuleProxy {
 public:
  // Nets its scopes name are looked up in the reading's index when one is given.
  explicit TRuleProxy(win::ComPtr<IPCB_Rule> rule, TRuleReading* reading = nullptr);
  TRuleProxy(const TRuleProxy&) = delete;
  TRuleProxy& operator=(const TRuleProxy&) = delete;

  IPCB_Rule* rule() const { return rule_.get(); }
  uint32_t handle() const { return handle_; }
  uint16_t priority() const { return priority_; }
  // The rule's name as the host gives it.
  const std::string& name() const { return name_; }
  // Kind name, ": " and the rule's name.
  std::string DisplayText() const;

  bool FirstScope() const { return first_ && first_->valid(); }
  bool SecondScope() const { return second_ && second_->valid(); }
  const TRuleExpressionScopeHelper* first_helper() const { return first_.get(); }
  const TRuleExpressionScopeHelper* second_helper() const { return second_.get(); }
  bool Binary() const { return binary_; }
  // The net name (folded) when the first scope is one InNet test and nothing else; empty
  // otherwise. Such a rule holds no object of another net.
  const std::string& sole_net() const { return sole_net_; }
  // Unary: the first scope is valid; binary: both are.
  bool Valid() const { return Binary() ? FirstScope() && SecondScope() : FirstScope(); }
  bool HasProblems() const { return !problems_.empty() || !Valid(); }
  const std::vector<std::string>& problems() const { return problems_; }
  void AddProblem(std::string text) { problems_.push_back(std::move(text)); }

  // The router scope of the rule: the first scope's kind, combined with the second's; 26 when
  // they do not combine. Worked out once.
  uint8_t SpecctraScope() const;

  // Whether the rule, in force on the host, holds the object (with object 2 empty) or the pair
  // on a legacy layer (0 or 74: none), by the scopes' own matching.
  bool AppliesTo(IPCB_Primitive* object1, IPCB_Primitive* object2, int layer) const;

 private:
  std::unique_ptr<TRuleExpressionScopeHelper> ParseScope(bool second, TRuleReading& reading) const;
  void CollectScopeObjects(TNetNameIndex* nets);
  void RunChecks();

  std::unique_ptr<TRuleExpressionScopeHelper> first_, second_;
  std::vector<std::string> problems_;
  mutable uint8_t specctra_scope_ = kSpecctraScopeNotComputed;
  uint32_t handle_ = 0;
  win::ComPtr<IPCB_Rule> rule_;
  win::ComPtr<IPCB_Board> board_;
  uint8_t kind_ = 0;
  uint16_t priority_ = 0;
  bool binary_ = false;
  std::string name_;
  std::string sole_net_;
};

// Proxies of one rule kind in precedence order: by priority, then by handle.
class TRuleList {
 public:
  void Add(std::unique_ptr<TRuleProxy> proxy);
  int Count() const { return static_cast<int>(items_.size()); }
  TRuleProxy& Item(int index);
  // By identity of the rule interface; null when absent.
  TRuleProxy* Find(IPCB_Rule* rule) const;
  // Takes a proxy out of the list (it must be there).
  std::unique_ptr<TRuleProxy> Take(TRuleProxy* proxy);

 private:
  void Sort();
  std::vector<std::unique_ptr<TRuleProxy>> items_;
  std::unordered_map<IPCB_Rule*, TRuleProxy*> by_rule_;  // Find runs for every query
  bool sorted_ = true;
};

// Visits one proxy; returns false to end the walk of its list.
using TRuleVisitor = std::function<bool(IPCB_Rule* rule, TRuleProxy& proxy)>;

// Which rules confined to one net can hold the objects of a query (ovix_rules.cpp).
class OtherNetRules;
// What InNet tests see of objects: the folded name of the net an object stands for (a net its
// own, a primitive the one it is in; "" for none and for the board), or null for the kinds the
// test answers otherwise. Nets keep their names while it lives (one command); an object keeps
// the net it had when first asked about until it is forgotten.
class TObjectNets {
 public:
  const std::string* Of(uint32_t object);
  void Forget(uint32_t object);
  // The folded name of the object when it is a net itself; null otherwise.
  const std::string* NameIfNet(uint32_t object);
  // The net's name as the host gives it, read by someone else: no need to ask for it again. A
  // net already named keeps the name it has. The questions that follow are about it, most likely.
  // A name given by Of or NameIfNet may change at the next note; the net's place in the table
  // gives one that stays.
  void NoteNet(uint32_t net, std::string_view name);

 private:
  // `known_net`: the handle is known to be a net's, whose record gives the name at once.
  const std::string* NameOfNet(uint32_t net, bool known_net = false);
  // The net of an object of the host's kind that is no net.
  const std::string* NetOfPrimitive(uint32_t object, uint8_t kind);
  // Names by net in one open table, the names in blocks that stay in place as more come: every
  // net of the board is asked about, and a node each would cost an allocation and a cache miss.
  THandleTable<const std::string*> nets_;
  std::deque<std::string> names_;
  // The net noted last: the writer notes each net's name just before it asks about the net. Its
  // name goes into the table only when a question needs it there (an object in the net): most
  // nets are asked about only as themselves, and a table of every net of a large board costs a
  // cache miss a net.
  uint32_t noted_net_ = 0;
  const std::string* noted_name_ = nullptr;  // the table's, or noted_text_
  std::string noted_text_;
  // A forgotten object keeps its entry, unknown: probes are moved in and out of every net asked
  // about, and their entries are used again each time. An open table: the probes are asked
  // about for every cell of every net's matrices.
  struct ObjectNet {
    const std::string* name = nullptr;
    bool known = false;
  };
  THandleTable<ObjectNet> objects_;
};
// The distinct nets of a query's objects.
struct TQueryNets {
  const std::string* names[2] = {};
  int count = 0;
};

// The rules of one kind.
class TOvixRuleStorage {
 public:
  explicit TOvixRuleStorage(win::ComPtr<IPCB_Board> board) : board_(std::move(board)) {}

  // Classifies the rule: compatible when its proxy has no problems.
  void Add(win::ComPtr<IPCB_Rule> rule, TRuleReading* reading = nullptr);
  // Two compatible rules of one priority leave their precedence to chance: the later one (by
  // handle) gets a problem and becomes incompatible.
  void SeparateEqualPriorities();
  // Records precedence pairs that the router would see the other way round; true when none.
  bool CheckPriorities();
  void ForEach(const TRuleVisitor& visit, bool compatible);
  TRuleProxy* FindProxy(IPCB_Rule* rule) const;
  // Whether a compatible rule is confined to one net (sole_net).
  bool HasSingleNetRules();
  // Positions in the compatible list, in precedence order: of the rules not confined to one net,
  // and of those of one net (folded name; null when it has none).
  const std::vector<int>& OthersThanSingleNet();
  const std::vector<int>* OfNet(const std::string& net);
  // Whether the compatible rules hold an object in the net (folded name; "" for none) as they
  // hold it in no net: they tell nets apart only by the nets and net classes they name, and name
  // none this net is or is in.
  bool NetUnnamed(const std::string& net);

  TRuleList& compatible() { return compatible_; }
  TRuleList& incompatible() { return incompatible_; }
  int CompatibleCount() const { return compatible_.Count(); }
  TRuleProxy& CompatibleItem(int index) { return compatible_.Item(index); }
  int IncompatibleCount() const { return incompatible_.Count(); }
  // Name=value pairs: the rule named by the name should take precedence over the value's.
  const std::vector<std::pair<std::string, std::string>>& problems() const { return problems_; }

 private:
  void SetProblem(const std::string& name, const std::string& value);

  // Positions in the compatible list by the net a rule is confined to; built when first asked,
  // dropped when the list changes.
  struct NetIndex {
    std::vector<int> others;
    std::unordered_map<std::string, std::vector<int>> by_net;
    bool nets_bounded = true;  // every rule tells nets apart by name only (NetUnnamed)
    std::vector<std::string> named_nets;
    std::optional<NameIndex> named;  // of named_nets: every net is asked about
    // OfNet's last two answers: the queries of a clearance matrix ask about the same two nets
    // (the object's and none) dozens of times in a row.
    struct NetRules {
      bool known = false;
      std::string net;
      const std::vector<int>* rules = nullptr;
    };
    NetRules recent[2];
    int next_recent = 0;
  };
  const NetIndex& Index();

  std::optional<NetIndex> net_index_;
  TRuleList compatible_;
  TRuleList incompatible_;
  std::vector<std::pair<std::string, std::string>> problems_;
  win::ComPtr<IPCB_Board> board_;
};

// The collection of one board's design rules.
class TOvixRules {
 public:
  // The board of the handle, found through the host's PCB server by its file name; raises
  // kNoBoardInterfaceText when the host has none.
  explicit TOvixRules(uint32_t board_handle);
  explicit TOvixRules(win::ComPtr<IPCB_Board> board);
  ~TOvixRules();
  TOvixRules(const TOvixRules&) = delete;
  TOvixRules& operator=(const TOvixRules&) = delete;

  IPCB_Board* board() const { return board_.get(); }
  TRuleKindSet analysed_kinds() const { return analysed_kinds_; }
  // The kind's rules; null for a kind that is not analysed or has no rule on the board.
  TOvixRuleStorage* storage(int kind) const;

  // Fills the storages of the analysed kinds and checks their priorities. Once.
  void Collect();

  bool BoardLevelRuleMissing(int kind) const;
  bool HasIncompatibleRules(int kind) const;
  const std::vector<std::pair<std::string, std::string>>* PriorityProblems(int kind) const;
  bool HasPriorityProblems(int kind) const;
  // The proxies of the kinds in both `kinds` and the analysed set, each list in precedence
  // order.
  void ForEachRule(TRuleKindSet kinds, const TRuleVisitor& visit, bool compatible) const;
  TRuleProxy* ProxyOf(IPCB_Rule* rule) const;
  // Null for handle 0 or a handle that is no rule of the board.
  IPCB_Rule* RuleOfHandle(uint32_t handle) const;
  // The interface of a net of the board (not the caller's reference), from the walk over the
  // nets that the collection made (or makes now); null when there is none of the handle.
  IPCB_Primitive* NetInterface(uint32_t net) const { return nets_.ByHandle(board_.get(), net); }
  // The queries remember the net of each object they are asked about: an object moved into
  // another net, or destroyed, is forgotten first.
  void ForgetObjectNet(uint32_t object) const;
  // The name of a net (not 0) as the host gave it to the caller (TObjectNets::NoteNet).
  void NoteNetName(uint32_t net, std::string_view name) const;
  // Whether every query of the kind about an object in the net (a net's handle; 0: none) has the
  // answer it has about the object in no net, so that one answer may stand for all such nets.
  bool NetIndistinct(int kind, uint32_t net) const;
  // Whether the object is itself a net for which NetIndistinct holds, or a net at all for a kind
  // not analysed whose every rule holds every object: all such nets get one answer to every
  // query of the kind.
  bool IsIndistinctNet(int kind, uint32_t object) const;
  // Whether, once the rules are collected, the object is a net for which IsIndistinctNet holds
  // of each kind in `kinds` the collection holds rules of: an analysed kind without rules has
  // one answer, none, for every object.
  bool IsIndistinctNetOfKinds(TRuleKindSet kinds, uint32_t object) const;
  // False only when no compatible rule of the kind within the scope range can hold an object of
  // the net (a net's handle): the queries would find none without asking.
  bool MayHoldObjectsOfNet(int kind, uint8_t lowest, uint8_t highest, uint32_t net) const;

  // The first compatible rule of the kind in force on the host, in precedence order, whose
  // router scope lies in [lowest, highest] and that passes the query's test. Kinds without rules on
  // the board fall back to the host's dominant rule where the query says so.
  //
  // Host inclusion tests by handle: the first scope includes the object (and, with
  // `second_scope_too`, the second). Fallback: the host's dominant rule. 0 for none.
  uint32_t FindRuleForObjectHandle(int kind, uint8_t lowest, uint8_t highest, uint32_t object,
                                   bool second_scope_too) const;
  // One scope includes each object, in either order. Fallback: the host's dominant rule.
  uint32_t FindRuleForObjectHandles(int kind, uint8_t lowest, uint8_t highest, uint32_t a,
                                    uint32_t b) const;
  // The positions in the kind's compatible list of the rules FindRuleForObjectHandles tries for
  // the pair, in its order: those in force within the scope range, less those confined to a net
  // neither object is in. Empty for a kind the collection holds no rules of. For callers that ask
  // about many pairs of objects in the same nets and keep the scopes' answers themselves.
  void PairCandidates(int kind, uint8_t lowest, uint8_t highest, uint32_t a, uint32_t b,
                      std::vector<int>& positions) const;
  // The proxy's own matching (AppliesTo). No fallback.
  win::ComPtr<IPCB_Rule> FindRuleForObject(int kind, uint8_t lowest, uint8_t highest,
                                           IPCB_Primitive* object, int layer) const;
  win::ComPtr<IPCB_Rule> FindRuleForObjectPair(int kind, uint8_t lowest, uint8_t highest,
                                               IPCB_Primitive* a, IPCB_Primitive* b,
                                               int layer) const;
  // The rule's own inclusion test (with `second_scope_too` also the host's test of the second
  // scope). Fallback: the dominant rule of the object's board.
  win::ComPtr<IPCB_Rule> FindRuleByHostTest(int kind, uint8_t lowest, uint8_t highest,
                                            IPCB_Primitive* object, bool second_scope_too) const;
  // The rule in force whose own pair test holds. Fallback: the dominant rule of the first
  // object's board for the pair.
  win::ComPtr<IPCB_Rule> FindRuleForPairByHostTest(int kind, uint8_t lowest, uint8_t highest,
                                                   IPCB_Primitive* a, IPCB_Primitive* b) const;

 private:
  void IndexRules();
  // Whether the board has a rule of the kind, as far as the collection knows.
  bool KindPresent(int kind) const;
  // A kind not analysed whose rules hold every object, once collected (board_wide_kinds_).
  bool BoardWideKind(int kind) const;
  void ForEachBoardRule(const std::function<void(const win::ComPtr<IPCB_Rule>&)>& visit) const;
  // Calls `visit` (as bool(TRuleProxy&, int position)) with the compatible proxies of the kind in
  // force within the scope range, in precedence order, passing over the rules confined to a net
  // none of `other_nets`' objects is in, until it returns true.
  template <typename Visit>
  void ForEachCandidate(int kind, uint8_t lowest, uint8_t highest, OtherNetRules* other_nets,
                        const Visit& visit) const;
  // The first compatible proxy of the kind within the scope range that passes `test` (called
  // as bool(TRuleProxy&)), or null. Rules confined to a net none of `other_nets`' objects is in
  // are passed over unasked. A template: the queries run for every net and probe, and a
  // type-erased test would cost a heap block per query.
  template <typename Test>
  TRuleProxy* FirstCompatible(int kind, uint8_t lowest, uint8_t highest, const Test& test,
                              OtherNetRules* other_nets = nullptr) const;

  win::ComPtr<IPCB_Board> board_;
  TRuleKindSet analysed_kinds_;
  std::unique_ptr<TOvixRuleStorage> storages_[kRuleKindCount];
  // The board's rules by handle, sorted; the first rule the walk met keeps a handle.
  std::vector<std::pair<uint32_t, win::ComPtr<IPCB_Rule>>> rules_by_handle_;
  bool collected_ = false;
  std::vector<bool> present_kinds_;  // the kinds of the board's rules, once collected
  // The kinds not analysed whose every rule is unary with the scope "All": the host's answer about
  // one net is its answer about every other.
  TRuleKindSet board_wide_kinds_ = 0;
  // The board's nets: the rules look up the nets they name, the clearance matrices the nets'
  // interfaces.
  mutable TNetNameIndex nets_;
  // The queries run for every net many times.
  mutable TObjectNets object_nets_;
  // IsIndistinctNet's answers about the object asked about last, by kind: the writer asks them of
  // one net several times in a row (a query per layer, of every kind it writes), and the net's
  // name is then looked up once.
  struct IndistinctNet {
    uint32_t object = 0;
    const std::string* name = nullptr;  // NameIfNet's
    TRuleKindSet known = 0, indistinct = 0;
  };
  mutable IndistinctNet indistinct_net_;
};

}  // namespace router
