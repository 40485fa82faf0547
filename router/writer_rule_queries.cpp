// The writer's per-object rule queries.
#include "router/writer_rule_queries.h"

#include <cmath>

#include "framework/win/com.h"
#include "router/design_file_names.h"
#include "router/legacy_layer.h"
#include "router/ovix_rules.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

namespace {

constexpr uint8_t kWidthKind = 2;
constexpr uint8_t kLengthKind = 3;
constexpr uint8_t kStubLengthKind = 5;
constexpr uint8_t kRoutingTopologyKind = 7;
constexpr uint8_t kRoutingPriorityKind = 8;
constexpr uint8_t kRoutingLayersKind = 9;
constexpr uint8_t kMaximumViaCountKind = 18;

sdk::Handle ObjectRule(const DesignRuleQueries& rules, sdk::Handle object, uint8_t kind) {
  return rules.FindRuleForObject(object, kind, kPcbScopeKind, kNetScopeKind);
}

void ReadRoutingLayers(sdk::Handle rule, TLayerFlags& flags) {
  pcbapi::Byte allowed[pcbapi::kRoutingLayerFlagCount] = {};
  if (sdk::PcbApi_QueryRuleRoutingLayersRule(pcbapi::kRead, rule, allowed) != pcbapi::kSuccess) {
    return;
  }
  for (size_t i = 0; i < flags.size(); ++i) flags[i] = allowed[i] != 0;
}

bool StackedSignalLayer(const sdk::TPcbBoard& board, int layer) {
  const sdk::TLayerObject* object = board.GetLayerObject(static_cast<sdk::LegacyLayer>(layer));
  return object && object->IsInLayerStack();
}

void SetLayerWidth(TWidthTable& table, sdk::Handle rule, int layer) {
  sdk::Coord max = 0, min = 0, preferred = 0;
  if (sdk::PcbApi_QueryRuleMaxMinWidthConstraintByLayer(pcbapi::kRead, rule,
                                                        static_cast<sdk::LegacyLayer>(layer), &max,
                                                        &min, &preferred) != pcbapi::kSuccess) {
    return;
  }
  TOvixRuleValue& entry = table.Entry(layer);
  entry.value = preferred;
  entry.rule_handle = rule;
}

}  // namespace

sdk::Handle TOvixRuleQueries::FindRuleForObject(sdk::Handle object, uint8_t rule_kind,
                                                int first_scope, int last_scope) const {
  if (object == 0) return 0;
  const auto find = [&] {
    return rules_.FindRuleForObjectHandle(rule_kind, static_cast<uint8_t>(first_scope),
                                          static_cast<uint8_t>(last_scope), object, false);
  };
  if (!rules_.IsIndistinctNet(rule_kind, object)) return find();
  const auto [answer, added] =
      indistinct_nets_.try_emplace({rule_kind, first_scope, last_scope}, 0);
  if (added) answer->second = find();
  return answer->second;
}

sdk::Handle TOvixRuleQueries::FindRuleForObjects(sdk::Handle a, sdk::Handle b, uint8_t rule_kind,
                                                 int first_scope, int last_scope) const {
  if (a == 0 || b == 0) return 0;
  return rules_.FindRuleForObjectHandles(rule_kind, static_cast<uint8_t>(first_scope),
                                         static_cast<uint8_t>(last_scope), a, b);
}

bool TOvixRuleQueries::MayHoldObjectsOfNet(sdk::Handle net, uint8_t rule_kind, int first_scope,
                                           int last_scope) const {
  return rules_.MayHoldObjectsOfNet(rule_kind, static_cast<uint8_t>(first_scope),
                                    static_cast<uint8_t>(last_scope), net);
}

void TOvixRuleQueries::ForgetObject(sdk::Handle object) const { rules_.ForgetObjectNet(object); }

void TOvixRuleQueries::NoteNetName(sdk::Handle net, std::string_view name) const {
  rules_.NoteNetName(net, name);
}

bool TOvixRuleQueries::SharesNetTables(sdk::Handle object) const {
  return rules_.IsIndistinctNetOfKinds(RuleKindBit(kWidthRule) | RuleKindBit(kClearanceRule),
                                       object);
}

std::optional<TLengthLimits> TOvixRuleQueries::RuleLengths(sdk::Handle rule) const {
  win::ComPtr<IPCB_Rule> shared = win::ComPtr<IPCB_Rule>::Share(rules_.RuleOfHandle(rule));
  if (!shared) return std::nullopt;
  const auto constraint = shared.As<IPCB_LengthConstraint>(IID_IPCB_LengthConstraint);
  TLengthLimits limits;
  if (!constraint || FAILED(constraint->GetLengths(&limits.min, &limits.max))) return std::nullopt;
  return limits;
}

std::string RoutingTopologyWord(int code) {
  switch (code) {
    case 3: return "daisy";
    case 4: return "daisy (type mid_driven)";
    case 5: return "daisy (type balanced)";
    default: return "starburst";
  }
}

int ScaleRoutingPriority(int32_t priority) {
  const double limited = priority > 100 ? 100.0 : static_cast<double>(priority);
  // Halves to even, as the router's own scaling does.
  const int scaled = static_cast<int>(std::nearbyint(limited / 100.0 * 255.0));
  return scaled < 1 ? 1 : scaled;
}

std::string GetRoutingTopology(const DesignRuleQueries& rules, sdk::Handle object) {
  const sdk::Handle rule = ObjectRule(rules, object, kRoutingTopologyKind);
  if (rule == 0) return RoutingTopologyWord(0);
  pcbapi::Byte code = 0;
  if (sdk::PcbApi_QueryRuleRoutingTopologyRule(pcbapi::kRead, rule, &code) != pcbapi::kSuccess) {
    return RoutingTopologyWord(0);
  }
  return RoutingTopologyWord(code);
}

int GetRoutingPriority(const DesignRuleQueries& rules, sdk::Handle object) {
  const sdk::Handle rule = ObjectRule(rules, object, kRoutingPriorityKind);
  if (rule == 0) return 0;
  int32_t priority = 0;
  sdk::PcbApi_QueryRuleRoutingPriorityRule(pcbapi::kRead, rule, &priority);
  return ScaleRoutingPriority(priority);
}

int32_t GetMaxViaCount(const DesignRuleQueries& rules, sdk::Handle object) {
  const sdk::Handle rule = ObjectRule(rules, object, kMaximumViaCountKind);
  if (rule == 0) return -1;
  int32_t count = -1;
  sdk::PcbApi_QueryRuleMaximumViaCountRule(pcbapi::kRead, rule, &count);
  return count;
}

std::optional<TLengthLimits> GetLengthLimits(const DesignRuleQueries& rules, sdk::Handle object) {
  const sdk::Handle rule = ObjectRule(rules, object, kLengthKind);
  if (rule == 0) return std::nullopt;
  return rules.RuleLengths(rule);
}

int32_t GetStubLength(const DesignRuleQueries& rules, sdk::Handle object) {
  const sdk::Handle rule = ObjectRule(rules, object, kStubLengthKind);
  if (rule == 0) return -1;
  sdk::Coord length = -1;
  sdk::PcbApi_QueryRuleDaisyChainStubLengthConstraint(pcbapi::kRead, rule, &length);
  return length;
}

void GetNetRoutingLayers(const DesignRuleQueries& rules, sdk::Handle net, TLayerFlags& flags) {
  const sdk::Handle rule =
      rules.FindRuleForObject(net, kRoutingLayersKind, kNetScopeKind, kNetScopeKind);
  if (rule != 0) ReadRoutingLayers(rule, flags);
}

void GetFromToRoutingLayers(const DesignRuleQueries& rules, sdk::Handle from_to,
                            TLayerFlags& flags) {
  const sdk::Handle rule =
      rules.FindRuleForObject(from_to, kRoutingLayersKind, kFromToScopeKind, kFromToScopeKind);
  if (rule != 0) ReadRoutingLayers(rule, flags);
}

void GetObjectRoutingLayers(const DesignRuleQueries& rules, sdk::Handle object, int scope,
                            TLayerFlags& flags) {
  const sdk::Handle rule = rules.FindRuleForObject(object, kRoutingLayersKind, scope, scope);
  if (rule != 0) ReadRoutingLayers(rule, flags);
}

std::string LayerListText(const TLayerFlags& flags) {
  std::string text;
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    if (!flags[layer - kTopLayer]) continue;
    if (!text.empty()) text += ' ';
    text += DesignFileLayerName(layer);
  }
  return text;
}

bool CoversBoardRoutingLayers(const TLayerFlags& board_layers, const TLayerFlags& flags) {
  for (size_t i = 0; i < flags.size(); ++i) {
    if (board_layers[i] && !flags[i]) return false;
  }
  return true;
}

void GetNetLayerWidths(const DesignRuleQueries& rules, const sdk::TPcbBoard& board, sdk::Handle net,
                       TWidthTable& table) {
  table.Reset();
  const sdk::Handle own = rules.FindRuleForObject(net, kWidthKind, kNetScopeKind, kNetScopeKind);
  if (own != 0) {
    for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
      if (StackedSignalLayer(board, layer)) SetLayerWidth(table, own, layer);
    }
    return;
  }
  // A rule that reaches the net only through its tracks (a class, a layer) shows on a track of
  // the net; the probe never stays on the board, and is not made when no rule could show.
  if (!rules.MayHoldObjectsOfNet(net, kWidthKind, kNetScopeKind, kNetScopeKind)) return;
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kTrack);
  if (handle == 0) return;
  struct Probe {
    const DesignRuleQueries& rules;
    sdk::Handle handle, net;
    bool in_net = false;
    ~Probe() {
      if (in_net) sdk::PcbApi_DeleteObjectFromContainer(net, handle);
      sdk::PcbApi_SetOwnerBoard(0, handle);
      sdk::PcbApi_DestroyObject(handle);
      rules.ForgetObject(handle);
    }
  } probe{rules, handle, net};
  sdk::PcbApi_SetOwnerBoard(board.GetHandle(), handle);
  probe.in_net = sdk::PcbApi_AddObjectToContainer(net, handle) == pcbapi::kSuccess;
  sdk::TPcbTrack track(handle);
  track.Sync(pcbapi::kRead);
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    if (!StackedSignalLayer(board, layer)) continue;
    track.SetLayer(static_cast<sdk::LegacyLayer>(layer));
    track.Sync(pcbapi::kWrite);
    const sdk::Handle rule =
        rules.FindRuleForObject(handle, kWidthKind, kNetScopeKind, kNetScopeKind);
    if (rule != 0) SetLayerWidth(table, rule, layer);
  }
}

void GetObjectLayerWidths(const DesignRuleQueries& rules, const sdk::TPcbBoard& board,
                          sdk::Handle object, int scope, TWidthTable& table) {
  if (scope == kNetScopeKind) {
    GetNetLayerWidths(rules, board, object, table);
    return;
  }
  table.Reset();
  const sdk::Handle rule = rules.FindRuleForObject(object, kWidthKind, scope, scope);
  if (rule == 0) return;
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    if (StackedSignalLayer(board, layer)) SetLayerWidth(table, rule, layer);
  }
}

}  // namespace router
