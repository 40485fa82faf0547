// One parsed scope expression of a design rule, resolved against the board: the layers, kinds
// of objects and host objects (nets, classes, from-tos, rooms) it names, and whether a given host
// object on a given layer falls within it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/win/com.h"
#include "router/name_index.h"
#include "router/rule_expression_parsing.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_contract.h"

namespace router {

using PrimitiveList = std::vector<win::ComPtr<IPCB_Primitive>>;

// The one test-point object id of the clearance types (pin 0, smd 1, via 2, wire 3, area 4).
inline constexpr int kTestPointObjectId = 5;

// The board's nets, read in one walk when first asked: by their exact names (the first net of a
// name, as the walk finds it) for the rules that name nets, which would otherwise walk every net
// per rule, and by handle for whoever needs a net's interface later in the same command.
class TNetNameIndex {
 public:
  win::ComPtr<IPCB_Primitive> Find(IPCB_Board* board, const std::wstring& name);
  // The net's interface (not the caller's reference); null for a handle the walk did not meet.
  IPCB_Primitive* ByHandle(IPCB_Board* board, uint32_t handle);

 private:
  // Reads each net's name too when asked to: while the walk is at a net, reading it costs less
  // than coming back to it.
  void Walk(IPCB_Board* board, bool names);
  void AddName(IPCB_Primitive* net, uint32_t handle);

  // The names of nets_ one after the other in one block: a string each would cost a heap block
  // per net of the board.
  struct Names {
    std::wstring text;
    std::vector<uint32_t> ends;  // where each name ends in `text`
    size_t size() const { return ends.size(); }
    std::wstring_view operator[](size_t i) const {
      const uint32_t begin = i == 0 ? 0 : ends[i - 1];
      return std::wstring_view(text).substr(begin, ends[i] - begin);
    }
  };

  bool walked_ = false;
  // The board is the current one, whose nets' records the host's calls read.
  bool records_hold_names_ = false;
  std::vector<win::ComPtr<IPCB_Primitive>> nets_;          // in the walk's order
  Names names_;                                            // of nets_, when asked for
  std::vector<std::pair<uint32_t, uint32_t>> by_handle_;   // handle and place in nets_, sorted
  std::optional<BasicNameIndex<wchar_t, Names>> by_name_;  // made at the first name asked for
};

class TRuleExpressionScopeHelper {
 public:
  TRuleExpressionScopeHelper() = default;
  TRuleExpressionScopeHelper(const TRuleExpressionScopeHelper&) = delete;
  TRuleExpressionScopeHelper& operator=(const TRuleExpressionScopeHelper&) = delete;

  // True when the expression parsed and every operator in it joins compatible operands.
  bool valid() const { return valid_; }
  void SetValid(bool valid) { valid_ = valid; }
  const TRuleExpressionNode* tree() const { return tree_.get(); }
  void SetTree(std::unique_ptr<TRuleExpressionNode> tree) { tree_ = std::move(tree); }

  // Legacy layers named by the expression.
  const sdk::LegacyLayerSet& layers() const { return layers_; }
  bool HasLayers() const;
  // Host object kinds named by object tests: bit n = kind n.
  uint32_t object_kinds() const { return object_kinds_; }
  // Host objects named by the expression, each once, in the order they were found.
  const PrimitiveList& objects() const { return objects_; }

  // Resolves the names of the tree against the board. A name that is not found leaves its
  // object out. A test-point leaf is an assertion failure: callers keep such trees away.
  // Nets are looked up in `nets` when given.
  void CollectObjects(IPCB_Board* board, TNetNameIndex* nets = nullptr);

  // Appends the objects of one host kind (after clearing the list when asked).
  void ObjectsOfKind(PrimitiveList& list, uint8_t kind, bool clear_first) const;
  // Whether the object tests name the router object id (pin, smd, via, wire, area). No scope
  // names a test point: those scopes are refused before their objects are collected.
  bool NamesObjectId(int object_id) const;
  // The object is one of objects() (by handle: the host hands out one interface per object).
  bool ContainsObject(IPCB_Primitive* object) const;
  // Whether a net, class, from-to, room or the board itself falls within the scope on a legacy
  // layer (0 and 74, the multi-layer, stand for no layer).
  bool Matches(IPCB_Primitive* object, int layer) const;
  // Appends the folded names of the nets whose objects the scope may hold otherwise than objects
  // of any other net: the nets it names and the members of the net classes it names (a name may
  // come more than once). False when it
  // tells nets apart in another way (from-tos, groups, a class of every net), so that no net is
  // alike to another for it.
  bool CollectNamedNets(IPCB_Board* board, std::vector<std::string>& nets) const;

 private:
  void CollectLeaf(const TRuleExpressionNode& leaf, IPCB_Board* board, TNetNameIndex* nets);
  void AddLayer(const std::string& name, IPCB_Board* board);
  void AddObject(win::ComPtr<IPCB_Primitive> object);

  bool valid_ = false;
  std::unique_ptr<TRuleExpressionNode> tree_;
  sdk::LegacyLayerSet layers_;
  uint32_t object_kinds_ = 0;
  PrimitiveList objects_;
};

// Whether the tree holds a test-point leaf (IsTestPoint, TestPoint).
bool HasTestPointScope(const TTreeNode* node);

// Whether the host may hold one of two objects and not the other when they differ in their layer
// alone: the tree tests a layer or a room (a room may lie on one side), a pad kind that the pad's
// layer decides (IsThruPin, IsSMDPad), or holds a word the parsers do not know (the host may know
// it). A missing tree may test anything.
bool MayTellLayersApart(const TTreeNode* node);
// The same for a through pad and a through test point, which differ in their test-point sides
// alone: the tree tests test points, or holds a word the parsers do not know.
bool MayTellTestPointsFromPads(const TTreeNode* node);
// The same for two objects of one net (or of none) that differ in their kind, layer or place: the
// tree tests more than the net, net class or from-to an object is in, or holds a word the parsers
// do not know.
bool MayTellObjectsOfANetApart(const TTreeNode* node);

// The router scope kind a host object stands for: pads on an outer layer SMDpad, other pads Pin,
// Via, Wire (tracks), CopperArea (fills, regions), Net, NetClass (classes), BoardRegion (rules),
// FromTo, Pcb (the board); NotAssigned for no object. Any other kind is an assertion failure.
TSpecctraScope ObjectScopeKind(IPCB_Primitive* object);

// The on-layer form of Pcb, NetClass, GroupSet, Net, Group and FromTo (Pcb becomes Layer); any
// other kind is an assertion failure.
TSpecctraScope LayeredScopeKind(TSpecctraScope kind);

// Calls `visit` with each board object of one host kind, in the host's order, until it returns
// false. The object's reference is handed over: a visitor that keeps it takes no new one.
template <class Visit>
void ForEachBoardObject(IPCB_Board* board, uint8_t kind, Visit&& visit) {
  if (!board) return;
  const auto iterator = win::ComPtr<IPCB_BoardIterator>::Adopt(board->CreateBoardIterator());
  if (!iterator) return;
  iterator->SetKindFilter(1u << kind);
  for (IPCB_Primitive* object = iterator->First(); object; object = iterator->Next()) {
    if (!visit(win::ComPtr<IPCB_Primitive>::Adopt(object))) return;
  }
}

// The host's texts of an object.
std::wstring NameOf(IPCB_Primitive* object);
// The same, appended to `text`.
void AppendNameOf(IPCB_Primitive* object, std::wstring& text);

}  // namespace router
