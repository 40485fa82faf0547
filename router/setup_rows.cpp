// The set-up dialog's rows.
#include "router/setup_rows.h"

#include <algorithm>

#include "framework/win/com.h"
#include "framework/win/text.h"

namespace router {

namespace {

// A text the host gives through a rule's interface; empty when it cannot.
template <class Getter>
std::string RuleText(IPCB_Rule* rule, Getter getter) {
  win::Bstr text;
  if (!rule || FAILED((rule->*getter)(text.put()))) return {};
  return win::Narrow(text.str());
}

RuleProblemRow Row(std::string text, std::string description = {}) {
  return RuleProblemRow{std::move(text), std::move(description), false, {}};
}

RuleProblemRow Heading(std::string text, std::string description = {}) {
  return RuleProblemRow{std::move(text), std::move(description), true, {}};
}

const char* ScopeVerdict(bool valid) { return valid ? "     OK" : "     Incompatible"; }

// The rule, its scopes with their verdicts and its problems, nested under the rule's row.
RuleProblemRow IncompatibleRuleRow(TRuleProxy& proxy) {
  IPCB_Rule* rule = proxy.rule();
  RuleProblemRow row = Row(RuleText(rule, &IPCB_Rule::GetDescriptor));
  row.children.push_back(Row("Scope 1: " + RuleText(rule, &IPCB_Rule::GetScope1Expression),
                             ScopeVerdict(proxy.FirstScope())));
  if (proxy.Binary()) {
    row.children.push_back(Row("Scope 2: " + RuleText(rule, &IPCB_Rule::GetScope2Expression),
                               ScopeVerdict(proxy.SecondScope())));
  }
  for (const std::string& problem : proxy.problems()) row.children.push_back(Row(problem));
  return row;
}

}  // namespace

std::vector<ViaStyleRuleRow> ViaStyleRuleRows(TViaStyleAssociationList* list) {
  std::vector<ViaStyleRuleRow> rows;
  for (int i = 0; list && i < list->Count(); ++i) {
    rows.push_back({list->Item(i).Rule().Name(), &list->Item(i)});
  }
  return rows;
}

std::vector<DrillPairRow> DrillPairRows(const TViaStyleDrillPairAggregation& aggregation) {
  std::vector<DrillPairRow> rows;
  for (int i = 0; i < aggregation.Count(); ++i) {
    const TPcbViaDrillPair& pair = aggregation.Item(i);
    rows.push_back({pair.GetName(), pair.Enabled, &pair});
  }
  return rows;
}

void StoreDrillPairChecks(TViaStyleDrillPairAggregation& aggregation,
                          const std::vector<DrillPairRow>& rows) {
  for (const DrillPairRow& row : rows) {
    for (int i = 0; i < aggregation.Count(); ++i) {
      if (&aggregation.Item(i) == row.pair) aggregation.Item(i).Enabled = row.enabled;
    }
  }
}

std::vector<LayerDirectionRow> LayerDirectionRows(const sdk::TPcbBoard& board,
                                                  const TQixDocumentSetings& settings) {
  std::vector<LayerDirectionRow> rows;
  for (const sdk::TLayerObject* layer : board.StackLayers()) {
    const int legacy = layer->GetLayer();
    if (legacy < kTopLayer || legacy > kBottomLayer) continue;
    rows.push_back({legacy, layer->GetName(),
                    std::string(DirectionText(static_cast<int>(settings.Direction(legacy))))});
  }
  return rows;
}

void StoreLayerDirections(const std::vector<LayerDirectionRow>& rows,
                          TQixDocumentSetings& settings) {
  for (const LayerDirectionRow& row : rows) {
    settings.SetDirection(row.layer, DirectionFromText(row.direction));
  }
}

RuleProblemRow RuleProblemRows(const TOvixRules& rules) {
  RuleProblemRow root = Heading(kRuleProblemsRoot);
  for (int kind = 0; kind < kRuleKindCount; ++kind) {
    const bool missing = rules.BoardLevelRuleMissing(kind);
    const bool incompatible = rules.HasIncompatibleRules(kind);
    const bool priorities = rules.HasPriorityProblems(kind);
    if (!missing && !incompatible && !priorities) continue;
    RuleProblemRow kind_row = Heading(std::string(RuleKindName(kind)));
    if (missing) kind_row.children.push_back(Row(kBoardRuleMissingText));
    if (priorities) {
      RuleProblemRow heading = Heading(kPriorityProblemsText, kPriorityProblemsDescription);
      for (const auto& [higher, lower] : *rules.PriorityProblems(kind)) {
        heading.children.push_back(Row(higher, lower));
      }
      kind_row.children.push_back(std::move(heading));
    }
    if (incompatible) {
      RuleProblemRow heading = Heading(kIncompatibleScopesText);
      rules.ForEachRule(
          RuleKindBit(kind),
          [&heading](IPCB_Rule*, TRuleProxy& proxy) {
            heading.children.push_back(IncompatibleRuleRow(proxy));
            return true;
          },
          false);
      kind_row.children.push_back(std::move(heading));
    }
    root.children.push_back(std::move(kind_row));
  }
  return root;
}

}  // namespace router
