// The clearances the design rules demand between the router's object types (pin, smd, via,
// wire, area, testpoint) when one side belongs to a net, net class or from-to. The host tells
// which clearance rule holds only for real primitives, so probe primitives are made, one in the
// object and one on the board, and the rule collection is asked about each pair. Probes never
// outlive the question, whatever ends it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/win/com.h"
#include "router/rule_tables.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_contract.h"

namespace router {

class TOvixRuleStorage;
class TOvixRules;
class TRuleProxy;

// Clearance gaps read from the host's rule records, each rule's once: the rules do not change
// while one command runs, and the matrices ask about the same few rules for every net.
class THostRuleConstraintQuery : public RuleConstraintQuery {
 public:
  std::optional<int32_t> ClearanceGap(uint32_t rule_handle) const override;

 private:
  mutable std::unordered_map<uint32_t, std::optional<int32_t>> gaps_;
};

// A primitive of one router object type, made for the questions and destroyed with this object:
// on the board, or inside a net when one is given.
class TClearanceProbe {
 public:
  // Legacy layer: the layer of an smd pad, a wire or an area (74: all layers).
  TClearanceProbe(TSpecctraObjectId id, int layer, sdk::Handle board, sdk::Handle net);
  ~TClearanceProbe();
  TClearanceProbe(const TClearanceProbe&) = delete;
  TClearanceProbe& operator=(const TClearanceProbe&) = delete;

  sdk::Handle handle() const { return handle_; }
  // Puts the probe into another net (0: none), out of the one it was in.
  void MoveToNet(sdk::Handle net);

 private:
  sdk::Handle handle_ = 0;
  sdk::Handle net_ = 0;
  bool in_net_ = false;
};

class TObjectClearanceMatrices {
 public:
  // `rules` (collected) and `gaps` must outlive this object.
  TObjectClearanceMatrices(const TOvixRules& rules, const RuleConstraintQuery& gaps,
                           sdk::Handle board);
  ~TObjectClearanceMatrices();
  TObjectClearanceMatrices(const TObjectClearanceMatrices&) = delete;
  TObjectClearanceMatrices& operator=(const TObjectClearanceMatrices&) = delete;

  // The clearances of the object (a net, net class or from-to) on a legacy layer (0 or 74: all
  // layers) where they differ from its general clearance, which the matrix holds as its generic
  // value; null when there is nothing. `scope` is the object's router scope kind (net 7,
  // from-to 11, class 3), `on_layer_scope` the last scope kind the pair rules may have (26, or
  // 4 for a class). When no clearance rule tells layers apart, the matrix found for the object on
  // one layer is given for the next layers asked about, without probing them.
  std::unique_ptr<TClearanceMatrix> Build(sdk::Handle object, int layer, int scope,
                                          int on_layer_scope);

  // The host interface of a board object (not the caller's reference); null when none.
  IPCB_Primitive* ObjectInterface(sdk::Handle handle);

  // Probes made so far, for the record.
  int probe_count() const { return probe_count_; }

 private:
  // What the scopes of the compatible clearance rules may tell apart, worked out at the first
  // question: the rules do not change while the matrices are built.
  struct ScopeDistinctions {
    bool layers = false;       // objects alike but for their layer (MayTellLayersApart)
    bool test_points = false;  // through test points from through pads (MayTellTestPointsFromPads)
    bool objects = false;      // probes of one net of other types (MayTellObjectsOfANetApart)
  };
  const ScopeDistinctions& Distinctions();
  // The type whose probes answer for the type's: Pin's for every type when the rules tell no
  // probes of a net apart, and for a test point when they cannot tell it from a pad; else its own.
  TSpecctraObjectId AnsweringType(TSpecctraObjectId id);
  std::unique_ptr<TClearanceMatrix> BuildOnLayer(sdk::Handle object, int layer, int scope,
                                                 int on_layer_scope);
  // The net a probe inside the object goes into; 0 for none (the probe stays on the board).
  sdk::Handle ProbeNet(sdk::Handle object, uint8_t kind);
  sdk::Handle NetOfClass(sdk::Handle net_class);
  // Whether some rule could fill a cell for an object of the scope kind: the first rule that
  // holds a pair decides it, and when no rule of the object's own scope or a narrower one
  // exists, none can, and no probe is needed.
  bool AnyCellRule(int own_scope, int last_scope);
  // Only when AnyCellRule holds; `net` is the probe net of the object, `net_indistinct` whether
  // the rules tell it apart from no other (TOvixRules::NetIndistinct).
  void FillCells(TClearanceMatrix& matrix, sdk::Handle net, bool net_indistinct, int layer,
                 uint32_t limit_priority, int own_scope, int last_scope);
  // The cells as the probes in the net (0: none) give them.
  void AskCells(TClearanceMatrix& matrix, sdk::Handle net, int layer, uint32_t limit_priority,
                int own_scope, int last_scope);
  // The first candidate rule holding each pair of probes of the answering types (AnsweringType),
  // one in the net and one on the board (null: none), by the type of each.
  using PairRules = const TRuleProxy* [kSpecctraObjectIdCount][kSpecctraObjectIdCount];
  // AnsweringType of each type, by type.
  using AnsweringTypes = int[kSpecctraObjectIdCount];
  void FindPairRules(TOvixRuleStorage& storage, sdk::Handle net, int layer, int last_scope,
                     const AnsweringTypes& answering, PairRules& pair_rules);
  // Probes by the layer they are made on and object type: made at their first question and kept
  // to the last, since making a primitive costs the host more than the questions asked of it.
  using ProbeMap = std::map<std::pair<int, int>, std::unique_ptr<TClearanceProbe>>;
  TClearanceProbe& Probe(ProbeMap& probes, TSpecctraObjectId id, int layer);

  const TOvixRules& rules_;
  const RuleConstraintQuery& gaps_;
  sdk::Handle board_;
  std::optional<ScopeDistinctions> distinctions_;
  // The matrix Build found for the object it was asked about last (object, scope kinds), given
  // again for the object's other layers when the rules tell no layers apart: the writer asks
  // about every layer of an object before the next object.
  struct LastObject {
    std::tuple<sdk::Handle, int, int> key;
    std::unique_ptr<TClearanceMatrix> matrix;  // null: none
  };
  std::optional<LastObject> last_object_;
  // Interfaces sorted by handle, one walk of the board per object kind: one block for all the
  // objects of a kind (every net), not a node each.
  std::vector<std::pair<sdk::Handle, win::ComPtr<IPCB_Primitive>>> interfaces_;
  uint32_t walked_kinds_ = 0;
  std::unordered_map<std::string, sdk::Handle> nets_by_name_;
  bool nets_named_ = false;
  std::unordered_map<sdk::Handle, sdk::Handle> class_nets_;
  // AnyCellRule's answers by scope range: the rules do not change while the matrices are built.
  std::map<std::pair<int, int>, bool> cell_rules_;
  // The object's clearance rule against the board on a layer within a scope range; the answer
  // for the nets that the rules tell apart from no other (`indistinct`,
  // TOvixRules::IsIndistinctNet) is kept by layer and scope.
  win::ComPtr<IPCB_Rule> GeneralRule(IPCB_Primitive* primitive, int layer, int scope,
                                     bool indistinct);
  std::map<std::pair<int, int>, win::ComPtr<IPCB_Rule>> indistinct_general_rules_;
  // Layers and scope kinds (layer, scope, on-layer scope) on which such nets get no matrix: all
  // of them alike, so that every net after the first is answered at once. A handful (a layer of
  // the stack each, and all layers), searched for every net on each.
  std::vector<std::tuple<int, int, int>> indistinct_without_matrix_;
  // The cells of the nets whose probes the rules hold alike (TOvixRules::NetIndistinct), by
  // layer, last and own scope kind, limit priority and general clearance: all else being equal,
  // such nets get the same cells.
  using SharedCellsKey = std::tuple<int, int, int, uint32_t, int32_t>;
  static SharedCellsKey CellsKey(int layer, int own_scope, int last_scope, uint32_t limit_priority,
                                 int32_t generic) {
    return {layer, last_scope, own_scope, limit_priority, generic};
  }
  struct SharedCell {
    TSpecctraObjectId a, b;
    TOvixRuleValue value;
  };
  std::map<SharedCellsKey, std::vector<SharedCell>> shared_cells_;
  ProbeMap board_probes_;  // on the board
  // What the scopes of the compatible clearance rules (by position) say of each board probe, in
  // ScopeHolds' bits: a probe on the board stays as it is while the matrices are built, and every
  // net asks about it again.
  std::unordered_map<sdk::Handle, std::vector<uint8_t>> board_scope_answers_;
  // AskCells' rules that may hold a pair, and what their scopes say of the probe in the net.
  std::vector<int> candidates_;
  std::vector<uint8_t> inside_answers_;
  ProbeMap object_probes_;  // moved into the net of each object asked about, and out again
  int probe_count_ = 0;
};

}  // namespace router
