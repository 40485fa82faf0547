// The design-file writer's questions about one net, class or from-to, answered from the board's
// rule collection: routing topology, priority, via limit, stub length, routing layers and track
// widths per layer.
#pragma once

#include <array>
#include <map>
#include <tuple>
#include <cstdint>
#include <string>

#include "router/design_rule_queries.h"
#include "router/legacy_layer.h"
#include "router/rule_tables.h"
#include "sdk/pcb_api_contract.h"

namespace sdk {
class TPcbBoard;
}

namespace router {

class TOvixRules;

// The collection's first compatible rule whose router scope lies in the range and whose first
// scope includes the object; the host's dominant rule for kinds the collection does not hold.
class TOvixRuleQueries : public DesignRuleQueries {
 public:
  explicit TOvixRuleQueries(const TOvixRules& rules) : rules_(rules) {}
  sdk::Handle FindRuleForObject(sdk::Handle object, uint8_t rule_kind, int first_scope,
                                int last_scope) const override;
  sdk::Handle FindRuleForObjects(sdk::Handle a, sdk::Handle b, uint8_t rule_kind, int first_scope,
                                 int last_scope) const override;
  std::optional<TLengthLimits> RuleLengths(sdk::Handle rule) const override;
  bool MayHoldObjectsOfNet(sdk::Handle net, uint8_t rule_kind, int first_scope,
                           int last_scope) const override;
  void ForgetObject(sdk::Handle object) const override;
  void NoteNetName(sdk::Handle net, std::string_view name) const override;
  bool SharesNetTables(sdk::Handle object) const override;
  const TOvixRules& collection() const { return rules_; }

 private:
  const TOvixRules& rules_;
  // The answers for the nets the rules do not tell apart, by rule kind and scope range: the
  // writer asks the same questions of every net, and most nets no rule names.
  mutable std::map<std::tuple<uint8_t, int, int>, sdk::Handle> indistinct_nets_;
};

// Index n = legacy signal layer n + 1 (TopLayer .. BottomLayer), as the host's routing-layer
// flags are.
using TLayerFlags = std::array<bool, pcbapi::kRoutingLayerFlagCount>;
static_assert(pcbapi::kRoutingLayerFlagCount == kBottomLayer - kTopLayer + 1);

// Router scope kinds the queries accept.
inline constexpr int kPcbScopeKind = 1;
inline constexpr int kNetScopeKind = 7;
inline constexpr int kFromToScopeKind = 11;

// "starburst", "daisy", "daisy (type mid_driven)", "daisy (type balanced)" for the host's
// topology codes 3, 4 and 5; every other code routes as a star.
std::string RoutingTopologyWord(int code);
// The host's priority (above 100 counts as 100) in the router's range 1..255.
int ScaleRoutingPriority(int32_t priority);

std::string GetRoutingTopology(const DesignRuleQueries& rules, sdk::Handle object);
// 0 when no priority rule applies.
int GetRoutingPriority(const DesignRuleQueries& rules, sdk::Handle object);
// -1 when none applies.
int32_t GetMaxViaCount(const DesignRuleQueries& rules, sdk::Handle object);
// The limits of the length rule that applies; nothing when none applies or it offers none.
std::optional<TLengthLimits> GetLengthLimits(const DesignRuleQueries& rules, sdk::Handle object);
// Internal units; -1 when none applies.
int32_t GetStubLength(const DesignRuleQueries& rules, sdk::Handle object);
// The allowed layers of the routing-layers rule of the net (or from-to) itself overwrite
// `flags`; without such a rule they stay as given.
void GetNetRoutingLayers(const DesignRuleQueries& rules, sdk::Handle net, TLayerFlags& flags);
void GetFromToRoutingLayers(const DesignRuleQueries& rules, sdk::Handle from_to,
                            TLayerFlags& flags);

// The routing-layers rule whose router scope is exactly `scope` (a net 7, a from-to 11, a class 3).
void GetObjectRoutingLayers(const DesignRuleQueries& rules, sdk::Handle object, int scope,
                            TLayerFlags& flags);

// Design-file names of the set layers, top to bottom, joined by single blanks.
std::string LayerListText(const TLayerFlags& flags);
// Every layer set in `board_layers` is set in `flags`.
bool CoversBoardRoutingLayers(const TLayerFlags& board_layers, const TLayerFlags& flags);

// The preferred track width per stacked signal layer of the width rule that applies to the
// net: the net's own rule when there is one, else the rule a track of the net would meet on
// each layer (found with a probe track that is always destroyed).
void GetNetLayerWidths(const DesignRuleQueries& rules, const sdk::TPcbBoard& board, sdk::Handle net,
                       TWidthTable& table);

// Widths of a net (as above) or, for a class or from-to, of the width rule scoped to the object
// itself.
void GetObjectLayerWidths(const DesignRuleQueries& rules, const sdk::TPcbBoard& board,
                          sdk::Handle object, int scope, TWidthTable& table);

}  // namespace router
