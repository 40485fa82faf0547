// Rule blocks of nets, classes and from-tos.
#include "router/applicable_rules.h"

#include <algorithm>

#include "router/design_file_names.h"
#include "router/legacy_layer.h"
#include "router/padstack.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"

namespace router {

namespace {

constexpr int kAllLayersProbe = 74;
// The host's object ids that may carry a length: a net, and the host's id 25.
constexpr uint8_t kNetObjectId = 8, kLengthObjectId = 25;
// The layer stack has at most the signal layers and the planes; a longer chain of links is a
// loop in the host's data.
constexpr int kMaxStackedLayers = 54;

// The layers of the board's stack, top to bottom.
void ReadStackLayers(const sdk::TPcbBoard& board, std::vector<int>& layers) {
  layers.clear();
  int first = 0;
  for (int layer = 1; layer <= kMaxStackedLayers && first == 0; ++layer) {
    const sdk::TLayerObject* object = board.GetLayerObject(static_cast<sdk::LegacyLayer>(layer));
    if (object && object->IsInLayerStack() && object->GetPreviousLayer() == 0) first = layer;
  }
  for (int layer = first; layer != 0 && static_cast<int>(layers.size()) < kMaxStackedLayers;) {
    if (std::find(layers.begin(), layers.end(), layer) != layers.end()) break;
    layers.push_back(layer);
    const sdk::TLayerObject* object = board.GetLayerObject(static_cast<sdk::LegacyLayer>(layer));
    layer = object ? object->GetNextLayer() : 0;
  }
}

}  // namespace

const std::vector<int>& TRuleBlockContext::StackLayers() const {
  if (stack_board_ != board) {
    ReadStackLayers(*board, stack_layers_);
    stack_board_ = board;
  }
  return stack_layers_;
}

const TObjectRuleTables* TRuleBlockContext::SharedNetTables(int on_layer_scope) const {
  const SharedTables& shared = shared_tables_;
  return shared.board == board && shared.rules == rules && shared.on_layer_scope == on_layer_scope
             ? shared.tables.get()
             : nullptr;
}

const TObjectRuleTables& TRuleBlockContext::ShareNetTables(
    int on_layer_scope, std::unique_ptr<TObjectRuleTables> tables) const {
  shared_tables_ = {board, rules, on_layer_scope, std::move(tables)};
  return *shared_tables_.tables;
}

namespace {

// The object's widths and clearance matrices.
std::unique_ptr<TObjectRuleTables> ReadRuleTables(const TRuleBlockContext& context,
                                                  sdk::Handle object, int scope,
                                                  int on_layer_scope) {
  auto tables = std::make_unique<TObjectRuleTables>();
  GetObjectLayerWidths(*context.rules, *context.board, object, scope, tables->widths);
  if (!context.clearance_matrix) return tables;
  tables->all_layers = context.clearance_matrix(object, kAllLayersProbe, scope, on_layer_scope);
  std::vector<TObjectRuleTables::LayerMatrix>& per_layer = tables->per_layer;
  for (const int layer : context.StackLayers()) {
    std::unique_ptr<TClearanceMatrix> matrix =
        context.clearance_matrix(object, layer, scope, on_layer_scope);
    if (!matrix) continue;
    const std::string name(DesignFileLayerName(layer));
    const auto equal = std::find_if(per_layer.begin(), per_layer.end(), [&](const auto& item) {
      return item.matrix->Equals(matrix.get()) && matrix->Equals(item.matrix.get());
    });
    if (equal != per_layer.end()) {
      if (std::find(equal->layers.begin(), equal->layers.end(), name) == equal->layers.end()) {
        equal->layers.push_back(name);
      }
      continue;
    }
    per_layer.push_back({std::move(matrix), {name}});
  }
  return tables;
}

}  // namespace

TApplicableRules::TApplicableRules(const TRuleBlockContext& context, sdk::Handle object, int scope,
                                   int on_layer_scope)
    : context_(context), object_(object), scope_(scope) {
  const DesignRuleQueries& rules = *context.rules;
  values_.layers = context.board_layers;
  // What only the circuit block shows is asked for only when it is written: most exports write
  // none, and each is a question to the editor for every net.
  if (context.circuit) {
    if (context.emit_use_via && context.padstacks) {
      values_.use_via = context.padstacks->UseViaList(object);
    }
    values_.priority = GetRoutingPriority(rules, object);
    GetObjectRoutingLayers(rules, object, scope, values_.layers);
    // Classes and from-tos carry no length of their own. An object of the net scope is a net.
    const uint8_t id =
        scope == kNetScopeKind ? kNetObjectId : sdk::PcbApi_GetObjectIdFromObjectHandle(object);
    if (id == kNetObjectId || id == kLengthObjectId) {
      values_.lengths = GetLengthLimits(rules, object);
    }
  }
  values_.reorder = GetRoutingTopology(rules, object);
  values_.via_limit = GetMaxViaCount(rules, object);
  values_.stub_length = GetStubLength(rules, object);
  if (scope == kNetScopeKind && rules.SharesNetTables(object)) {
    tables_ = context.SharedNetTables(on_layer_scope);
    if (!tables_) {
      tables_ = &context.ShareNetTables(on_layer_scope,
                                        ReadRuleTables(context, object, scope, on_layer_scope));
    }
  } else {
    own_tables_ = ReadRuleTables(context, object, scope, on_layer_scope);
    tables_ = own_tables_.get();
  }
}

TApplicableRules::~TApplicableRules() = default;

std::vector<std::string> TApplicableRules::CircuitEntries() const {
  std::vector<std::string> entries;
  if (context_.emit_use_via && !values_.use_via.empty()) {
    entries.push_back("(use_via " + values_.use_via + ")");
  }
  // The router's priorities order nets against each other: with one rule there is no order.
  // Without a rule of its own the object gets no priority: 0 lies outside the router's range.
  if (context_.priority_rule_count > 1 && values_.priority > 0) {
    entries.push_back("(priority " + std::to_string(values_.priority) + ")");
  }
  if (!CoversBoardRoutingLayers(context_.board_layers, values_.layers)) {
    entries.push_back("(use_layer " + LayerListText(values_.layers) + ")");
  }
  // The router reads the longest length first.
  if (values_.lengths) {
    entries.push_back("(length " + FormatDesignNumber(values_.lengths->max) + " " +
                      FormatDesignNumber(values_.lengths->min) + ")");
  }
  return entries;
}

void TApplicableRules::WriteCircuit(DesignFileOutput& out) const {
  if (!context_.circuit) return;
  out.Line("(circuit ");
  out.Raise();
  for (const std::string& entry : CircuitEntries()) out.Line(entry);
  out.Lower();
  out.Line(")");
}

std::vector<std::string> TApplicableRules::RuleEntries() const {
  std::vector<std::string> entries;
  if (tables_->all_layers) tables_->all_layers->Write(entries);
  int32_t width = -1;
  const TWidthTable& widths = tables_->widths;
  // A width of 0 is a rule without one: no wire the router could lay.
  if (context_.board_widths && !widths.Equals(context_.board_widths) && widths.SingleValue(width) &&
      width > 0 && width != context_.board_width) {
    entries.push_back(" (width " + FormatDesignNumber(width) + ")");
  }
  if (values_.reorder != "starburst") entries.push_back(" (reorder " + values_.reorder + ")");
  if (values_.via_limit != context_.board_via_limit) {
    entries.push_back(" (max_total_vias " + std::to_string(values_.via_limit) + ")");
  }
  if (values_.stub_length != -1) {
    entries.push_back(" (max_stub " + FormatDesignNumber(values_.stub_length) + ")");
  }
  return entries;
}

void TApplicableRules::WriteRule(DesignFileOutput& out) const {
  const std::vector<std::string> entries = RuleEntries();
  if (entries.empty()) return;
  out.Line("(rule");
  out.Raise();
  for (const std::string& entry : entries) out.Line(entry);
  out.Lower();
  out.Line(")");
}

void TApplicableRules::WriteLayerRules(DesignFileOutput& out) const {
  int32_t width = -1;
  if (!tables_->widths.SingleValue(width)) tables_->widths.Write(out);
  const TClearanceMatrix* all_layers = tables_->all_layers.get();
  for (const TObjectRuleTables::LayerMatrix& item : tables_->per_layer) {
    if (all_layers && all_layers->Equals(item.matrix.get()) && item.matrix->Equals(all_layers)) {
      continue;
    }
    std::vector<std::string> statements;
    item.matrix->Write(statements);
    if (!statements.empty()) WriteLayerRule(out, item.layers, statements);
  }
}

void WriteLayerRule(DesignFileOutput& out, const std::vector<std::string>& layers,
                    const std::vector<std::string>& statements) {
  if (statements.empty()) return;
  std::string names;
  size_t names_length = 0;
  for (const std::string& layer : layers) {
    names += layer + " ";
    names_length += layer.size();
  }
  // Further statements line up under the first one, give or take a level.
  const int step = static_cast<int>((names_length + 3 * layers.size() + 20) / 4);
  const bool single = statements.size() == 1;
  out.Line("(layer_rule " + names + "(rule " + statements.front() + (single ? ")" : ""));
  out.Raise(step);
  for (size_t i = 1; i < statements.size(); ++i) {
    out.Line(statements[i] + (i + 1 == statements.size() ? ")" : ""));
  }
  out.Lower(step);
  out.Line(")");
}

void WriteApplicableRules(DesignFileOutput& out, const TRuleBlockContext& context,
                          sdk::Handle object, int scope, int on_layer_scope) {
  const TApplicableRules rules(context, object, scope, on_layer_scope);
  rules.WriteCircuit(out);
  rules.WriteRule(out);
  rules.WriteLayerRules(out);
}

}  // namespace router
