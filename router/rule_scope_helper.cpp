// Scope objects of a rule and matching objects against them.
#include "router/rule_scope_helper.h"

#include <windows.h>

#include <algorithm>
#include <functional>

#include "framework/win/text.h"
#include "sdk/ascii_case.h"
#include "sdk/exceptions.h"
#include "router/legacy_layer.h"
#include "sdk/layers.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

namespace {

// A stack holds signal layers and internal planes; the multi-layer (74) and layer 0 stand for
// no layer in Matches, so no scope may name them.
constexpr int kLastPlaneLayer = 54;

constexpr uint32_t Bit(uint8_t kind) { return 1u << kind; }

// The user's locale decides, as it does for the host's own names.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

win::ComPtr<IPCB_Primitive> FindByName(IPCB_Board* board, uint8_t kind, const std::wstring& name,
                                       bool case_sensitive) {
  win::ComPtr<IPCB_Primitive> found;
  if (name.empty()) return found;
  ForEachBoardObject(board, kind, [&](const win::ComPtr<IPCB_Primitive>& object) {
    const std::wstring object_name = NameOf(object.get());
    const bool same = case_sensitive ? object_name == name : SameIgnoringCase(object_name, name);
    if (!same) return true;
    if (kind == pcbapi::kClass) {
      const auto object_class = object.As<IPCB_ObjectClass>(IID_IPCB_ObjectClass);
      if (!object_class || object_class->GetMemberKind() != sdk::kNetClassMembers) return true;
    }
    found = object;
    return false;
  });
  return found;
}

bool HasLayeredForm(TSpecctraScope kind) {
  switch (kind) {
    case TSpecctraScope::Pcb:
    case TSpecctraScope::NetClass:
    case TSpecctraScope::GroupSet:
    case TSpecctraScope::Net:
    case TSpecctraScope::Group:
    case TSpecctraScope::FromTo: return true;
    default: return false;
  }
}

void Visit(const TTreeNode* node, const std::function<void(const TRuleExpressionNode&)>& leaf) {
  if (!node) return;
  if (node->IsLeaf()) {
    if (const auto* rule_node = dynamic_cast<const TRuleExpressionNode*>(node)) leaf(*rule_node);
    return;
  }
  Visit(node->operand1(), leaf);
  Visit(node->operand2(), leaf);
}

// Whether a leaf of the tree may tell two objects apart (a leaf of another node class, a word no
// query registered and a missing tree may), asking `may_tell` about the leaves of the queries.
template <class MayTell>
bool AnyLeafMayTell(const TTreeNode* node, const MayTell& may_tell) {
  if (!node) return true;
  if (!node->IsLeaf()) {
    return (node->operand1() && AnyLeafMayTell(node->operand1(), may_tell)) ||
           (node->operand2() && AnyLeafMayTell(node->operand2(), may_tell));
  }
  const auto* leaf = dynamic_cast<const TRuleExpressionNode*>(node);
  return !leaf || leaf->ScopeKind() == TSpecctraScope::NotAssigned || may_tell(*leaf);
}

// Appends the net's name from its record when the record holds the name the interface gives:
// plain ASCII, shorter than the record's limit (a name at the limit may have been cut). One
// record exchange costs less than the interface's text. False when nothing was appended.
bool AppendRecordName(uint32_t net, std::wstring& text) {
  pcbapi::Text255 name{};
  if (sdk::PcbApi_QueryNet(pcbapi::kRead, net, nullptr, &name, nullptr, nullptr) !=
          pcbapi::kSuccess ||
      name.length >= sizeof name.chars) {
    return false;
  }
  const std::string_view held(name.chars, name.length);
  if (std::any_of(held.begin(), held.end(),
                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return false;
  }
  text.append(held.begin(), held.end());
  return true;
}

}  // namespace

std::wstring NameOf(IPCB_Primitive* object) {
  std::wstring name;
  AppendNameOf(object, name);
  return name;
}

void AppendNameOf(IPCB_Primitive* object, std::wstring& text) {
  win::Bstr name;
  if (!object || FAILED(object->GetName(name.put())) || !name.get()) return;
  text.append(name.get(), SysStringLen(name.get()));
}

bool TRuleExpressionScopeHelper::HasLayers() const {
  for (uint8_t byte : layers_.bytes) {
    if (byte != 0) return true;
  }
  return false;
}

win::ComPtr<IPCB_Primitive> TNetNameIndex::Find(IPCB_Board* board, const std::wstring& name) {
  if (name.empty()) return {};
  if (!by_name_) {
    Walk(board, true);
    by_name_.emplace(names_);
  }
  const std::optional<uint32_t> found = by_name_->Find(name);
  return found ? nets_[*found] : win::ComPtr<IPCB_Primitive>();
}

IPCB_Primitive* TNetNameIndex::ByHandle(IPCB_Board* board, uint32_t handle) {
  Walk(board, false);
  const auto found = std::lower_bound(by_handle_.begin(), by_handle_.end(),
                                      std::pair<uint32_t, uint32_t>(handle, 0));
  return found != by_handle_.end() && found->first == handle ? nets_[found->second].get() : nullptr;
}

void TNetNameIndex::AddName(IPCB_Primitive* net, uint32_t handle) {
  if (!records_hold_names_ || !AppendRecordName(handle, names_.text)) {
    AppendNameOf(net, names_.text);
  }
  names_.ends.push_back(static_cast<uint32_t>(names_.text.size()));
}

void TNetNameIndex::Walk(IPCB_Board* board, bool names) {
  if (!walked_) {
    walked_ = true;
    // The records are those of the current board's objects.
    records_hold_names_ = board && board->GetHandle() == sdk::PcbApi_GetCurrentBoardHandle();
    ForEachBoardObject(board, pcbapi::kNet, [&](win::ComPtr<IPCB_Primitive> net) {
      const uint32_t handle = net->GetHandle();
      by_handle_.emplace_back(handle, static_cast<uint32_t>(nets_.size()));
      if (names) AddName(net.get(), handle);
      nets_.push_back(std::move(net));
      return true;
    });
    // Of two entries with one handle, the one the walk found first answers. The walk mostly
    // finds them in handle order already.
    if (!std::is_sorted(by_handle_.begin(), by_handle_.end())) {
      std::sort(by_handle_.begin(), by_handle_.end());
    }
  }
  if (names && names_.size() != nets_.size()) {
    // The walk read every handle: asking each net again would cost a call per net.
    std::vector<uint32_t> handles(nets_.size());
    for (const auto& [handle, place] : by_handle_) handles[place] = handle;
    for (size_t place = 0; place < nets_.size(); ++place)
      AddName(nets_[place].get(), handles[place]);
  }
}

void TRuleExpressionScopeHelper::CollectObjects(IPCB_Board* board, TNetNameIndex* nets) {
  Visit(tree_.get(), [&](const TRuleExpressionNode& leaf) { CollectLeaf(leaf, board, nets); });
}

void TRuleExpressionScopeHelper::CollectLeaf(const TRuleExpressionNode& leaf, IPCB_Board* board,
                                             TNetNameIndex* nets) {
  const std::wstring name = win::Widen(leaf.text());
  switch (leaf.ScopeKind()) {
    case TSpecctraScope::Layer: AddLayer(leaf.text(), board); break;
    case TSpecctraScope::NetClass:
    case TSpecctraScope::NetClassOnLayer:
      AddObject(FindByName(board, pcbapi::kClass, name, false));
      break;
    case TSpecctraScope::Net:
    case TSpecctraScope::NetOnLayer:
      AddObject(nets ? nets->Find(board, name) : FindByName(board, pcbapi::kNet, name, true));
      break;
    case TSpecctraScope::FromTo: AddObject(FindByName(board, pcbapi::kFromTo, name, false)); break;
    case TSpecctraScope::BoardRegion:
      AddObject(FindByName(board, pcbapi::kRule, name, false));
      break;
    case TSpecctraScope::Pin:
    case TSpecctraScope::SMDpad: object_kinds_ |= Bit(pcbapi::kPad); break;
    case TSpecctraScope::Via: object_kinds_ |= Bit(pcbapi::kVia); break;
    case TSpecctraScope::Wire: object_kinds_ |= Bit(pcbapi::kTrack); break;
    case TSpecctraScope::CopperArea:
      object_kinds_ |= Bit(pcbapi::kFill) | Bit(pcbapi::kPolygon) | Bit(pcbapi::kRegion);
      break;
    case TSpecctraScope::TestPoint: RTL_ASSERT(false, "not supported yet"); break;
    default: break;
  }
}

void TRuleExpressionScopeHelper::AddLayer(const std::string& name, IPCB_Board* board) {
  RTL_ASSERT(!name.empty(), "A layer scope names no layer");
  if (sdk::EqualsIgnoringCase(name, "OnTopLayer") || sdk::EqualsIgnoringCase(name, "OnTop")) {
    layers_.Include(kTopLayer);
  } else if (sdk::EqualsIgnoringCase(name, "OnBottomLayer") ||
             sdk::EqualsIgnoringCase(name, "OnBottom")) {
    layers_.Include(kBottomLayer);
  } else if (sdk::EqualsIgnoringCase(name, "OnMid")) {
    layers_ = sdk::LegacyLayerSet().IncludeRange(kTopLayer + 1, kBottomLayer - 1);
  } else if (sdk::EqualsIgnoringCase(name, "OnSignal")) {
    layers_ = sdk::LegacyLayerSet().IncludeRange(kTopLayer, kBottomLayer);
  } else if (board) {
    const std::wstring wanted = win::Widen(name);
    // The stack's links are the host's: a chain that loops is walked once.
    bool seen[256] = {};
    for (BYTE layer = board->GetFirstLayer(); layer != 0 && !seen[layer];
         layer = board->GetNextLayer(layer)) {
      seen[layer] = true;
      win::Bstr layer_name;
      if (FAILED(board->GetLayerName(layer, layer_name.put()))) continue;
      if (!SameIgnoringCase(layer_name.str(), wanted)) continue;
      if (layer <= kLastPlaneLayer) layers_.Include(layer);
      break;
    }
  }
}

void TRuleExpressionScopeHelper::AddObject(win::ComPtr<IPCB_Primitive> object) {
  if (!object || ContainsObject(object.get())) return;
  objects_.push_back(std::move(object));
}

void TRuleExpressionScopeHelper::ObjectsOfKind(PrimitiveList& list, uint8_t kind,
                                               bool clear_first) const {
  if (clear_first) list.clear();
  for (const auto& object : objects_) {
    if (object->GetObjectId() == kind) list.push_back(object);
  }
}

bool TRuleExpressionScopeHelper::NamesObjectId(int object_id) const {
  switch (object_id) {
    case 0:
    case 1: return (object_kinds_ & Bit(pcbapi::kPad)) != 0;
    case 2: return (object_kinds_ & Bit(pcbapi::kVia)) != 0;
    case 3: return (object_kinds_ & Bit(pcbapi::kTrack)) != 0;
    case 4: return (object_kinds_ & (Bit(pcbapi::kFill) | Bit(pcbapi::kRegion))) != 0;
    case kTestPointObjectId: return false;
    default: RTL_ASSERT(false, "ERROR : Specctra Object ID for Clearance not recognized");
  }
  return false;
}

bool TRuleExpressionScopeHelper::ContainsObject(IPCB_Primitive* object) const {
  if (!object) return false;
  const uint32_t handle = object->GetHandle();
  for (const auto& member : objects_) {
    if (member.get() == object || member->GetHandle() == handle) return true;
  }
  return false;
}

bool TRuleExpressionScopeHelper::Matches(IPCB_Primitive* object, int layer) const {
  const bool no_layer = layer == 0 || layer == kMultiLayer;
  if (no_layer && HasLayers()) return false;
  if (!object) return false;
  const TSpecctraScope tree_kind = ScopeKindOf(tree_.get());
  const TSpecctraScope object_kind = ObjectScopeKind(object);
  if (tree_kind == object_kind) {
    return object_kind == TSpecctraScope::Pcb || ContainsObject(object);
  }
  // Objects without an on-layer form (pads, rooms, ...) never match a layered scope; asking for
  // their form would end the export.
  if (!no_layer && layers_.Contains(layer) && HasLayeredForm(object_kind)) {
    return LayeredScopeKind(object_kind) == tree_kind && ContainsObject(object);
  }
  return false;
}

bool TRuleExpressionScopeHelper::CollectNamedNets(IPCB_Board* board,
                                                  std::vector<std::string>& nets) const {
  bool bounded = true;
  Visit(tree_.get(), [&](const TRuleExpressionNode& leaf) {
    switch (leaf.ScopeKind()) {
      case TSpecctraScope::Pcb:
      case TSpecctraScope::Layer:
      case TSpecctraScope::BoardRegion:
      case TSpecctraScope::Pin:
      case TSpecctraScope::SMDpad:
      case TSpecctraScope::Via:
      case TSpecctraScope::Wire:
      case TSpecctraScope::CopperArea: break;
      case TSpecctraScope::Net: nets.push_back(sdk::FoldedAscii(leaf.text())); break;
      case TSpecctraScope::NetClass: {
        // Every class the name may stand for, whichever of them the host picks.
        const std::wstring name = win::Widen(leaf.text());
        ForEachBoardObject(board, pcbapi::kClass, [&](const win::ComPtr<IPCB_Primitive>& object) {
          if (!SameIgnoringCase(NameOf(object.get()), name)) return true;
          sdk::TPCBObjectClass object_class(object->GetHandle());
          const bool read = object_class.Sync(pcbapi::kRead) == pcbapi::kSuccess;
          if (read && object_class.GetMemberKind() != sdk::kNetClassMembers) return true;
          if (!read || object_class.GetAllMembers()) {
            bounded = false;
            return false;
          }
          for (const std::string& member : object_class.Members()) {
            nets.push_back(sdk::FoldedAscii(member));
          }
          return true;
        });
        break;
      }
      default: bounded = false; break;
    }
  });
  return bounded;
}

bool HasTestPointScope(const TTreeNode* node) {
  bool found = false;
  Visit(node, [&](const TRuleExpressionNode& leaf) {
    found = found || leaf.ScopeKind() == TSpecctraScope::TestPoint;
  });
  return found;
}

namespace {

// Scope kinds that hold an object by the net, class or from-to it is in, or by the board: they
// hold every object of one net alike, whatever its kind, layer or place.
bool TestsMembershipOnly(TSpecctraScope kind) {
  switch (kind) {
    case TSpecctraScope::Pcb:
    case TSpecctraScope::NetClass:
    case TSpecctraScope::Net:
    case TSpecctraScope::Group:
    case TSpecctraScope::FromTo: return true;
    default: return false;
  }
}

}  // namespace

bool MayTellLayersApart(const TTreeNode* node) {
  return AnyLeafMayTell(node, [](const TRuleExpressionNode& leaf) {
    switch (leaf.ScopeKind()) {
      case TSpecctraScope::Via:
      case TSpecctraScope::Wire:
      case TSpecctraScope::CopperArea:
      case TSpecctraScope::TestPoint: return false;
      // IsPad holds every pad; IsThruPin and IsSMDPad ask for the pad's layer.
      case TSpecctraScope::Pin: return !sdk::EqualsIgnoringCase(leaf.text(), "IsPad");
      default: return !TestsMembershipOnly(leaf.ScopeKind());
    }
  });
}

bool MayTellTestPointsFromPads(const TTreeNode* node) {
  return AnyLeafMayTell(node, [](const TRuleExpressionNode& leaf) {
    return leaf.ScopeKind() == TSpecctraScope::TestPoint;
  });
}

bool MayTellObjectsOfANetApart(const TTreeNode* node) {
  return AnyLeafMayTell(
      node, [](const TRuleExpressionNode& leaf) { return !TestsMembershipOnly(leaf.ScopeKind()); });
}

TSpecctraScope ObjectScopeKind(IPCB_Primitive* object) {
  if (!object) return TSpecctraScope::NotAssigned;
  const BYTE kind = object->GetObjectId() & 0x7F;
  switch (kind) {
    case pcbapi::kPad: {
      const BYTE layer = object->GetLayer();
      return layer == kTopLayer || layer == kBottomLayer ? TSpecctraScope::SMDpad
                                                         : TSpecctraScope::Pin;
    }
    case pcbapi::kVia: return TSpecctraScope::Via;
    case pcbapi::kTrack: return TSpecctraScope::Wire;
    case pcbapi::kFill:
    case pcbapi::kRegion: return TSpecctraScope::CopperArea;
    case pcbapi::kNet: return TSpecctraScope::Net;
    case pcbapi::kClass: return TSpecctraScope::NetClass;
    case pcbapi::kRule: return TSpecctraScope::BoardRegion;
    case pcbapi::kFromTo: return TSpecctraScope::FromTo;
    case pcbapi::kBoard: return TSpecctraScope::Pcb;
    case pcbapi::kNoObject: return TSpecctraScope::NotAssigned;
    default: break;
  }
  const std::string message = "Conversion not supported: " + sdk::ObjectKindToShortName(kind);
  RTL_ASSERT(false, message.c_str());
  return TSpecctraScope::NotAssigned;
}

TSpecctraScope LayeredScopeKind(TSpecctraScope kind) {
  switch (kind) {
    case TSpecctraScope::Pcb: return TSpecctraScope::Layer;
    case TSpecctraScope::NetClass: return TSpecctraScope::NetClassOnLayer;
    case TSpecctraScope::GroupSet: return TSpecctraScope::GroupSetOnLayer;
    case TSpecctraScope::Net: return TSpecctraScope::NetOnLayer;
    case TSpecctraScope::Group: return TSpecctraScope::GroupOnLayer;
    case TSpecctraScope::FromTo: return TSpecctraScope::FromToOnLayer;
    default: break;
  }
  const std::string message =
      "Cannot get layered version of specctra scope: " + std::string(SpecctraScopeToString(kind));
  RTL_ASSERT(false, message.c_str());
  return TSpecctraScope::NotAssigned;
}

}  // namespace router
