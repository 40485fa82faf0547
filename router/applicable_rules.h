// The rules of one net, net class or from-to where they differ from the board level, written
// under the object's statement in the network section: a "(circuit " block, a "(rule" block and
// per-layer width and clearance rules.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "router/design_file_output.h"
#include "router/rule_tables.h"
#include "router/writer_rule_queries.h"

namespace sdk {
class TPcbBoard;
}

namespace router {

class TPadStackList;

// An object's track widths per layer and its clearance matrices, on all layers and per layer.
struct TObjectRuleTables {
  TWidthTable widths{"Object Layer Track Widths"};
  std::unique_ptr<TClearanceMatrix> all_layers;
  // Per-layer matrices, each with the design-file names of the layers it holds for.
  struct LayerMatrix {
    std::unique_ptr<TClearanceMatrix> matrix;
    std::vector<std::string> layers;
  };
  std::vector<LayerMatrix> per_layer;
};

// Board-level values and switches the rule blocks compare with.
struct TRuleBlockContext {
  const sdk::TPcbBoard* board = nullptr;
  const DesignRuleQueries* rules = nullptr;
  const TPadStackList* padstacks = nullptr;  // use-via texts; none without
  const TWidthTable* board_widths = nullptr;
  int32_t board_width = 0;
  int32_t board_via_limit = -1;
  int priority_rule_count = 0;
  TLayerFlags board_layers{};
  bool circuit = false;  // the router's advanced statements
  bool emit_use_via = false;
  // The object's clearance matrix on a legacy layer (74: all layers) for the two scope kinds,
  // null when it adds nothing; not asked when empty.
  std::function<std::unique_ptr<TClearanceMatrix>(sdk::Handle object, int layer, int scope,
                                                  int on_layer_scope)>
      clearance_matrix;

  // The layers of the board's stack, top to bottom. Worked out at the first object that asks:
  // the stack does not change while one export writes its rules, and every net would otherwise
  // walk it again. Worked out anew when the context is given another board.
  const std::vector<int>& StackLayers() const;

  // The tables of the nets that share theirs (DesignRuleQueries::SharesNetTables): null until
  // the first of them hands its own over with ShareNetTables. Most nets of a board are such
  // nets, and their tables would be made again for each. None for another board or other
  // queries.
  const TObjectRuleTables* SharedNetTables(int on_layer_scope) const;
  const TObjectRuleTables& ShareNetTables(int on_layer_scope,
                                          std::unique_ptr<TObjectRuleTables> tables) const;

 private:
  mutable std::vector<int> stack_layers_;
  mutable const sdk::TPcbBoard* stack_board_ = nullptr;
  struct SharedTables {
    const sdk::TPcbBoard* board = nullptr;
    const DesignRuleQueries* rules = nullptr;
    int on_layer_scope = 0;
    std::unique_ptr<const TObjectRuleTables> tables;
  };
  mutable SharedTables shared_tables_;
};

// The values of one object, gathered at once. Those only the circuit block shows (use_via,
// priority, layers, lengths) are gathered only when the context writes it, use_via only with
// use-via statements; they keep their defaults (the board's layers) otherwise.
struct TObjectRuleValues {
  std::string use_via;  // padstack names, each followed by a blank
  int priority = 0;
  TLayerFlags layers{};
  std::string reorder = "starburst";
  int32_t via_limit = -1;
  int32_t stub_length = -1;
  std::optional<TLengthLimits> lengths;  // nets only
};

class TApplicableRules {
 public:
  // `scope` is the object's router scope kind (net 7, from-to 11, class 3), `on_layer_scope`
  // its on-layer kind (26, or 4 for a class).
  TApplicableRules(const TRuleBlockContext& context, sdk::Handle object, int scope,
                   int on_layer_scope);
  ~TApplicableRules();
  TApplicableRules(const TApplicableRules&) = delete;
  TApplicableRules& operator=(const TApplicableRules&) = delete;

  void WriteCircuit(DesignFileOutput& out) const;
  void WriteRule(DesignFileOutput& out) const;
  void WriteLayerRules(DesignFileOutput& out) const;

  // What the blocks hold, without indentation.
  std::vector<std::string> CircuitEntries() const;
  std::vector<std::string> RuleEntries() const;

  const TWidthTable& widths() const { return tables_->widths; }
  const TObjectRuleValues& values() const { return values_; }

 private:
  const TRuleBlockContext& context_;
  sdk::Handle object_;
  int scope_;
  TObjectRuleValues values_;
  std::unique_ptr<TObjectRuleTables> own_tables_;  // none when the object shares the context's
  const TObjectRuleTables* tables_ = nullptr;
};

// Circuit, rule and layer rules of one object.
void WriteApplicableRules(DesignFileOutput& out, const TRuleBlockContext& context,
                          sdk::Handle object, int scope, int on_layer_scope);

// A "(layer_rule " block for statements that hold on the named layers: the first statement on
// the opening line, the rest aligned under it, the last closing the rule.
void WriteLayerRule(DesignFileOutput& out, const std::vector<std::string>& layers,
                    const std::vector<std::string>& statements);

}  // namespace router
