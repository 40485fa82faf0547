// Object clearance matrices found with probe primitives.
#include "router/object_clearance.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "framework/win/text.h"
#include "router/legacy_layer.h"
#include "router/ovix_rules.h"
#include "router/rule_scope_helper.h"
#include "router/specctra_scope.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_object.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

namespace {

constexpr uint8_t kPairScopeLimit = kSpecctraScopeNotComputed;

uint8_t ProbeKind(TSpecctraObjectId id) {
  switch (id) {
    case TSpecctraObjectId::Via: return pcbapi::kVia;
    case TSpecctraObjectId::Wire: return pcbapi::kTrack;
    case TSpecctraObjectId::Area: return pcbapi::kRegion;
    default: return pcbapi::kPad;
  }
}

// Pins and test points go through all layers; vias keep the host's span.
int ProbeLayer(TSpecctraObjectId id, int layer) {
  switch (id) {
    case TSpecctraObjectId::Pin:
    case TSpecctraObjectId::TestPoint: return kMultiLayer;
    case TSpecctraObjectId::Via: return 0;
    default: return layer == 0 ? kMultiLayer : layer;
  }
}

TSpecctraObjectId IdOf(int index) { return static_cast<TSpecctraObjectId>(index); }

// Whether the rule's first (or second) scope holds the probe, asked of the host once: `answers`
// keeps bit 0 (known) and bit 1 (holds) for the first scope, bits 2 and 3 for the second.
bool ScopeHolds(uint8_t& answers, bool second, uint32_t rule, sdk::Handle probe) {
  const int shift = second ? 2 : 0;
  if (!((answers >> shift) & 1)) {
    const bool holds = second ? sdk::PcbApi_Scope2_Includes(rule, probe) != 0
                              : sdk::PcbApi_Scope1_Includes(rule, probe) != 0;
    answers |= static_cast<uint8_t>((holds ? 3 : 1) << shift);
  }
  return ((answers >> shift) & 2) != 0;
}

}  // namespace

std::optional<int32_t> THostRuleConstraintQuery::ClearanceGap(uint32_t rule_handle) const {
  const auto known = gaps_.find(rule_handle);
  if (known != gaps_.end()) return known->second;
  sdk::Coord gap = 0;
  std::optional<int32_t> answer;
  if (sdk::PcbApi_QueryRuleClearanceConstraint(pcbapi::kRead, rule_handle, &gap) ==
      pcbapi::kSuccess) {
    answer = gap;
  }
  gaps_.emplace(rule_handle, answer);
  return answer;
}

// ---- TClearanceProbe -----------------------------------------------------------------------

TClearanceProbe::TClearanceProbe(TSpecctraObjectId id, int layer, sdk::Handle board,
                                 sdk::Handle net)
    : net_(net) {
  handle_ = sdk::PcbApi_CreateObject(ProbeKind(id));
  if (handle_ == 0) throw sdk::Exception("The PCB editor cannot make a clearance probe");
  // From here on the destructor does not run: a failure must destroy the probe itself.
  try {
    sdk::PcbApi_SetOwnerBoard(board, handle_);
    const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle_);
    if (object) {
      const int probe_layer = ProbeLayer(id, layer);
      if (probe_layer != 0) object->SetLayer(static_cast<sdk::LegacyLayer>(probe_layer));
      if (id == TSpecctraObjectId::TestPoint) {
        object->SetTestPointTop(true);
        object->SetTestPointBottom(true);
      }
      object->Sync(pcbapi::kWrite);
    }
    if (net_ != 0) {
      in_net_ = sdk::PcbApi_AddObjectToContainer(net_, handle_) == pcbapi::kSuccess;
    }
  } catch (...) {
    sdk::PcbApi_SetOwnerBoard(0, handle_);
    sdk::PcbApi_DestroyObject(handle_);
    throw;
  }
}

void TClearanceProbe::MoveToNet(sdk::Handle net) {
  if (in_net_) sdk::PcbApi_DeleteObjectFromContainer(net_, handle_);
  net_ = net;
  in_net_ = net != 0 && sdk::PcbApi_AddObjectToContainer(net, handle_) == pcbapi::kSuccess;
}

TClearanceProbe::~TClearanceProbe() {
  if (in_net_) sdk::PcbApi_DeleteObjectFromContainer(net_, handle_);
  sdk::PcbApi_SetOwnerBoard(0, handle_);
  sdk::PcbApi_DestroyObject(handle_);
}

// ---- TObjectClearanceMatrices --------------------------------------------------------------

TObjectClearanceMatrices::TObjectClearanceMatrices(const TOvixRules& rules,
                                                   const RuleConstraintQuery& gaps,
                                                   sdk::Handle board)
    : rules_(rules), gaps_(gaps), board_(board) {}

TObjectClearanceMatrices::~TObjectClearanceMatrices() {
  // A host may give a destroyed probe's handle to a new object.
  for (const ProbeMap* probes : {&board_probes_, &object_probes_}) {
    for (const auto& [key, probe] : *probes) rules_.ForgetObjectNet(probe->handle());
  }
}

IPCB_Primitive* TObjectClearanceMatrices::ObjectInterface(sdk::Handle handle) {
  const auto find = [&] {
    const auto found = std::lower_bound(
        interfaces_.begin(), interfaces_.end(), handle,
        [](const auto& entry, sdk::Handle wanted) { return entry.first < wanted; });
    return found != interfaces_.end() && found->first == handle ? found->second.get() : nullptr;
  };
  if (IPCB_Primitive* cached = find()) return cached;
  const uint8_t kind = sdk::PcbApi_GetObjectIdFromObjectHandle(handle);
  if (kind == pcbapi::kBoard) return rules_.board();
  // A net made since the collection walked the nets is found by a walk of its own below.
  if (kind == pcbapi::kNet) {
    if (IPCB_Primitive* net = rules_.NetInterface(handle)) return net;
  }
  // Every object of the kind at once: asking object by object would walk the board per object.
  if (kind >= 32 || (walked_kinds_ & (1u << kind))) return nullptr;
  walked_kinds_ |= 1u << kind;
  ForEachBoardObject(rules_.board(), kind, [&](win::ComPtr<IPCB_Primitive> object) {
    const sdk::Handle handle = object->GetHandle();
    interfaces_.emplace_back(handle, std::move(object));
    return true;
  });
  // Stable: of two entries with one handle, the one the walk found first answers.
  std::stable_sort(interfaces_.begin(), interfaces_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return find();
}

sdk::Handle TObjectClearanceMatrices::NetOfClass(sdk::Handle net_class) {
  const auto cached = class_nets_.find(net_class);
  if (cached != class_nets_.end()) return cached->second;
  sdk::TPCBObjectClass object_class(net_class);
  object_class.Sync(pcbapi::kRead);
  RTL_ASSERT(object_class.GetMemberKind() == sdk::kNetClassMembers, "Object Class is not NetClass");
  if (!nets_named_) {
    nets_named_ = true;
    ForEachBoardObject(rules_.board(), pcbapi::kNet, [&](const win::ComPtr<IPCB_Primitive>& net) {
      nets_by_name_.emplace(win::Narrow(NameOf(net.get())), net->GetHandle());
      return true;
    });
  }
  std::vector<std::string> members = object_class.Members();
  std::sort(members.begin(), members.end());
  sdk::Handle net = 0;
  for (const std::string& member : members) {
    const auto found = nets_by_name_.find(member);
    if (found != nets_by_name_.end()) {
      net = found->second;
      break;
    }
  }
  class_nets_.emplace(net_class, net);
  return net;
}

sdk::Handle TObjectClearanceMatrices::ProbeNet(sdk::Handle object, uint8_t kind) {
  switch (kind) {
    case pcbapi::kBoard:
    case pcbapi::kFromTo: return 0;
    case pcbapi::kNet: return object;
    case pcbapi::kClass: return NetOfClass(object);
    default: RTL_ASSERT(false, "not implemented yet"); return 0;
  }
}

TClearanceProbe& TObjectClearanceMatrices::Probe(ProbeMap& probes, TSpecctraObjectId id,
                                                 int layer) {
  // Probes made on one layer for any layer asked about (pins, test points, vias) are one probe:
  // the rules hold it alike, and the board probe's answers are kept for the next layers.
  std::unique_ptr<TClearanceProbe>& probe = probes[{ProbeLayer(id, layer), static_cast<int>(id)}];
  if (!probe) {
    probe = std::make_unique<TClearanceProbe>(id, layer, board_, 0);
    ++probe_count_;
  }
  return *probe;
}

const TObjectClearanceMatrices::ScopeDistinctions& TObjectClearanceMatrices::Distinctions() {
  if (distinctions_) return *distinctions_;
  ScopeDistinctions& distinctions = distinctions_.emplace();
  TOvixRuleStorage* storage = rules_.storage(kClearanceRule);
  for (int i = 0; storage && i < storage->CompatibleCount(); ++i) {
    const TRuleProxy& proxy = storage->CompatibleItem(i);
    // The host asks the second scope of a unary rule too, which the proxy has not read.
    for (const TRuleExpressionScopeHelper* scope : {proxy.first_helper(), proxy.second_helper()}) {
      const TTreeNode* tree = scope ? scope->tree() : nullptr;
      distinctions.layers = distinctions.layers || MayTellLayersApart(tree);
      distinctions.test_points = distinctions.test_points || MayTellTestPointsFromPads(tree);
      distinctions.objects = distinctions.objects || MayTellObjectsOfANetApart(tree);
    }
  }
  return distinctions;
}

TSpecctraObjectId TObjectClearanceMatrices::AnsweringType(TSpecctraObjectId id) {
  const ScopeDistinctions& rules_tell = Distinctions();
  const bool as_pad =
      !rules_tell.objects || (id == TSpecctraObjectId::TestPoint && !rules_tell.test_points);
  return as_pad ? TSpecctraObjectId::Pin : id;
}

bool TObjectClearanceMatrices::AnyCellRule(int own_scope, int last_scope) {
  const auto [answer, added] = cell_rules_.try_emplace({own_scope, last_scope}, false);
  if (!added) return answer->second;
  TOvixRuleStorage* storage = rules_.storage(kClearanceRule);
  for (int i = 0; storage && i < storage->CompatibleCount() && !answer->second; ++i) {
    const int scope = storage->CompatibleItem(i).SpecctraScope();
    answer->second = scope >= own_scope && scope <= last_scope;
  }
  return answer->second;
}

void TObjectClearanceMatrices::FillCells(TClearanceMatrix& matrix, sdk::Handle net,
                                         bool net_indistinct, int layer, uint32_t limit_priority,
                                         int own_scope, int last_scope) {
  // Most nets are named by no rule: the rules hold their probes alike, so the cells found for
  // the first of them hold for every other with the same general clearance.
  if (!net_indistinct) {
    AskCells(matrix, net, layer, limit_priority, own_scope, last_scope);
    return;
  }
  const auto [cells, added] = shared_cells_.try_emplace(
      CellsKey(layer, own_scope, last_scope, limit_priority, matrix.GenericValue()));
  if (added) {
    try {
      AskCells(matrix, net, layer, limit_priority, own_scope, last_scope);
    } catch (...) {
      shared_cells_.erase(cells);
      throw;
    }
    for (int a = 0; a < kSpecctraObjectIdCount; ++a) {
      for (int b = 0; b < kSpecctraObjectIdCount; ++b) {
        if (matrix.HasEntry(IdOf(a), IdOf(b))) {
          cells->second.push_back({IdOf(a), IdOf(b), matrix.Entry(IdOf(a), IdOf(b))});
        }
      }
    }
    return;
  }
  for (const SharedCell& cell : cells->second) matrix.Entry(cell.a, cell.b) = cell.value;
}

void TObjectClearanceMatrices::AskCells(TClearanceMatrix& matrix, sdk::Handle net, int layer,
                                        uint32_t limit_priority, int own_scope, int last_scope) {
  TOvixRuleStorage* storage = rules_.storage(kClearanceRule);
  // Without rules of the kind in the collection the host's answer would have no proxy.
  if (!storage) return;
  // A type the rules cannot tell from a pad takes the pad's rules, unasked.
  AnsweringTypes answering;
  for (int id = 0; id < kSpecctraObjectIdCount; ++id) {
    answering[id] = static_cast<int>(AnsweringType(IdOf(id)));
  }
  PairRules pair_rules = {};
  FindPairRules(*storage, net, layer, last_scope, answering, pair_rules);
  // The rule holding each type's cell, by the smaller id first: a pair is met in both orders, and
  // the rule of higher precedence keeps the cell whichever comes first.
  const TRuleProxy* holders[kSpecctraObjectIdCount][kSpecctraObjectIdCount] = {};
  for (int a = 0; a < kSpecctraObjectIdCount; ++a) {
    for (int b = 0; b < kSpecctraObjectIdCount; ++b) {
      const TRuleProxy* proxy = pair_rules[answering[a]][answering[b]];
      if (!proxy || proxy->priority() >= limit_priority) continue;
      if (proxy->SpecctraScope() < own_scope) continue;
      const uint32_t handle = proxy->handle();
      const std::optional<int32_t> gap = gaps_.ClearanceGap(handle);
      if (!gap || *gap <= -1) continue;
      const TRuleProxy*& holder = holders[std::min(a, b)][std::max(a, b)];
      if (holder && holder->priority() <= proxy->priority()) continue;
      holder = proxy;
      // A gap equal to the general clearance needs no entry of its own, yet holds the cell.
      if (!matrix.HasEntry(IdOf(a), IdOf(b)) && *gap == matrix.GenericValue()) continue;
      TOvixRuleValue& cell = matrix.Entry(IdOf(a), IdOf(b));
      cell.value = *gap;
      cell.rule_handle = handle;
    }
  }
}

void TObjectClearanceMatrices::FindPairRules(TOvixRuleStorage& storage, sdk::Handle net, int layer,
                                             int last_scope, const AnsweringTypes& answering,
                                             PairRules& pair_rules) {
  const auto answers = [&](int id) { return answering[id] == id; };
  sdk::Handle board_probes[kSpecctraObjectIdCount];
  std::vector<uint8_t>* board_answers[kSpecctraObjectIdCount];
  for (int b = 0; b < kSpecctraObjectIdCount; ++b) {
    if (!answers(b)) continue;
    board_probes[b] = Probe(board_probes_, IdOf(b), layer).handle();
    board_answers[b] = &board_scope_answers_[board_probes[b]];
    board_answers[b]->resize(static_cast<size_t>(storage.CompatibleCount()));
  }
  for (int a = 0; a < kSpecctraObjectIdCount; ++a) {
    if (!answers(a)) continue;
    TClearanceProbe& inside = Probe(object_probes_, IdOf(a), layer);
    // Between questions no probe is in a net: the net's members are the board's own.
    struct InNet {
      const TOvixRules& rules;
      TClearanceProbe& probe;
      ~InNet() { Move(0); }
      void Move(sdk::Handle to) {
        probe.MoveToNet(to);
        rules.ForgetObjectNet(probe.handle());
      }
    } in_net{rules_, inside};
    in_net.Move(net);
    // The board probes are in no net: the rules that may hold a pair are the same for each.
    rules_.PairCandidates(kClearanceRule, 0, static_cast<uint8_t>(last_scope), inside.handle(),
                          board_probes[0], candidates_);
    inside_answers_.assign(candidates_.size(), 0);
    for (int b = 0; b < kSpecctraObjectIdCount; ++b) {
      if (!answers(b)) continue;
      const TRuleProxy* proxy = nullptr;
      for (size_t c = 0; c < candidates_.size() && !proxy; ++c) {
        const TRuleProxy& candidate = storage.CompatibleItem(candidates_[c]);
        uint8_t& inside_answer = inside_answers_[c];
        uint8_t& board_answer = (*board_answers[b])[static_cast<size_t>(candidates_[c])];
        const uint32_t rule = candidate.handle();
        // One scope holds each probe, in either order.
        if ((ScopeHolds(inside_answer, false, rule, inside.handle()) &&
             ScopeHolds(board_answer, true, rule, board_probes[b])) ||
            (ScopeHolds(board_answer, false, rule, board_probes[b]) &&
             ScopeHolds(inside_answer, true, rule, inside.handle()))) {
          proxy = &candidate;
        }
      }
      pair_rules[a][b] = proxy;
    }
  }
}

win::ComPtr<IPCB_Rule> TObjectClearanceMatrices::GeneralRule(IPCB_Primitive* primitive, int layer,
                                                             int scope, bool indistinct) {
  const auto find = [&] {
    return rules_.FindRuleForObjectPair(kClearanceRule, static_cast<uint8_t>(scope),
                                        kPairScopeLimit, primitive, rules_.board(), layer);
  };
  if (!indistinct) return find();
  const auto [rule, added] = indistinct_general_rules_.try_emplace({layer, scope});
  if (added) rule->second = find();
  return rule->second;
}

std::unique_ptr<TClearanceMatrix> TObjectClearanceMatrices::Build(sdk::Handle object, int layer,
                                                                  int scope, int on_layer_scope) {
  if (Distinctions().layers) return BuildOnLayer(object, layer, scope, on_layer_scope);
  const auto key = std::tuple(object, scope, on_layer_scope);
  if (!last_object_ || last_object_->key != key) {
    last_object_.emplace(LastObject{key, BuildOnLayer(object, layer, scope, on_layer_scope)});
  }
  return last_object_->matrix ? last_object_->matrix->Copy() : nullptr;
}

std::unique_ptr<TClearanceMatrix> TObjectClearanceMatrices::BuildOnLayer(sdk::Handle object,
                                                                         int layer, int scope,
                                                                         int on_layer_scope) {
  const bool indistinct = rules_.IsIndistinctNet(kClearanceRule, object);
  const auto none_key = std::tuple(layer, scope, on_layer_scope);
  if (indistinct && std::find(indistinct_without_matrix_.begin(), indistinct_without_matrix_.end(),
                              none_key) != indistinct_without_matrix_.end()) {
    return nullptr;
  }
  const auto none = [&] {
    if (indistinct) indistinct_without_matrix_.push_back(none_key);
    return nullptr;
  };
  IPCB_Primitive* primitive = ObjectInterface(object);
  RTL_ASSERT(primitive, "Cannot find the host interface of the object");
  const win::ComPtr<IPCB_Rule> general = GeneralRule(primitive, layer, scope, indistinct);
  const std::optional<int32_t> general_gap =
      general ? gaps_.ClearanceGap(general->GetHandle()) : std::nullopt;
  const int own_scope = static_cast<int>(ObjectScopeKind(primitive));
  const uint32_t limit_priority =
      general_gap ? general->GetPriority() : std::numeric_limits<uint32_t>::max();
  const int32_t generic = general_gap.value_or(-1);  // as the matrix will hold it
  const uint8_t kind = primitive->GetObjectId();
  bool cells = own_scope != kSpecctraScopeNotComputed && AnyCellRule(own_scope, on_layer_scope);
  const sdk::Handle probe_net = cells ? ProbeNet(object, kind) : 0;
  const bool net_indistinct = cells && rules_.NetIndistinct(kClearanceRule, probe_net);
  if (net_indistinct) {
    const auto shared =
        shared_cells_.find(CellsKey(layer, own_scope, on_layer_scope, limit_priority, generic));
    cells = shared == shared_cells_.end() || !shared->second.empty();
  }
  // Most objects have neither a clearance of their own nor a cell another rule fills: they get
  // no matrix, and their name is not read.
  if (!cells && generic <= -1) return none();

  auto matrix = std::make_unique<TClearanceMatrix>(win::Narrow(NameOf(primitive)), gaps_);
  if (general_gap) matrix->SetGenericValue(general->GetHandle());
  if (cells) {
    FillCells(*matrix, probe_net, net_indistinct, layer, limit_priority, own_scope, on_layer_scope);
  }
  if (!matrix->AnyValue()) return none();
  return matrix;
}

}  // namespace router
