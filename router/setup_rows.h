// What the set-up dialog's grids show, as plain rows made from the export's objects and stored
// back into them: the via-style rules with their drill pairs, the routing direction of each
// signal layer, and the design rules the router cannot take with the reasons why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "router/document_settings.h"
#include "router/legacy_layer.h"
#include "router/ovix_rules.h"
#include "router/via_styles.h"
#include "sdk/pcb_board.h"

namespace router {

struct ViaStyleRuleRow {
  std::string name;  // the rule's name
  TViaStyleDrillPairAggregation* aggregation;
};
// One row per via-style rule, in the list's order; none without a list.
std::vector<ViaStyleRuleRow> ViaStyleRuleRows(TViaStyleAssociationList* list);

struct DrillPairRow {
  std::string name;  // "<upper layer> - <lower layer>"
  bool enabled;
  const TPcbViaDrillPair* pair;
};
std::vector<DrillPairRow> DrillPairRows(const TViaStyleDrillPairAggregation& aggregation);
// Each row's check goes to its pair; a row whose pair is not one of the aggregation's (the
// grid showed another rule's pairs) changes nothing.
void StoreDrillPairChecks(TViaStyleDrillPairAggregation& aggregation,
                          const std::vector<DrillPairRow>& rows);

struct LayerDirectionRow {
  int layer;              // legacy signal layer 1..32
  std::string name;       // as the board names it
  std::string direction;  // "horizontal" .. "off"
};
// The signal layers (legacy 1..32) down the board's layer stack; planes and other layers get no
// row.
std::vector<LayerDirectionRow> LayerDirectionRows(const sdk::TPcbBoard& board,
                                                  const TQixDocumentSetings& settings);
// A word that is none of the directions stores "off".
void StoreLayerDirections(const std::vector<LayerDirectionRow>& rows,
                          TQixDocumentSetings& settings);

// One row of the rules page: a heading (shown bold) or a rule, scope or problem line.
struct RuleProblemRow {
  std::string text;
  std::string description;
  bool heading = false;
  std::vector<RuleProblemRow> children;
};
// "Rules with problems" with one heading per rule kind that has a missing board-level rule,
// priority problems or incompatible rules; under each kind its problems. A rule's scope and
// problem lines nest under the rule's own row.
RuleProblemRow RuleProblemRows(const TOvixRules& rules);

inline constexpr char kRuleProblemsRoot[] = "Rules with problems";
inline constexpr char kBoardRuleMissingText[] =
    "Board Level Rule is missing (try to add rule with scope 'All')";
inline constexpr char kPriorityProblemsText[] = "Following rules have incorrect priority";
inline constexpr char kPriorityProblemsDescription[] =
    "Rules on the left should have higher precedence (lower priority number) than rules on the "
    "right";
inline constexpr char kIncompatibleScopesText[] = "Following Rules have incompatible scopes";

}  // namespace router
