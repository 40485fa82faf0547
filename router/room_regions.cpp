// The rooms as regions.
#include "router/room_regions.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/text.h"
#include "router/design_file_names.h"
#include "router/object_clearance.h"
#include "router/ovix_rules.h"
#include "router/rule_tables.h"
#include "router/specctra_scope.h"
#include "sdk/layers.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"

namespace router {

namespace {

constexpr uint8_t kBoardRegionScope = 16;
constexpr uint8_t kNetClassInBoardRegionScope = 17;
constexpr uint8_t kNetInBoardRegionScope = 18;
constexpr int kFewestRoomVertices = 4;
// Pin, smd, via, wire and area: the ids a rule's object tests can name.
constexpr int kNamedObjectIds = 5;

struct TRoom {
  win::ComPtr<IPCB_Primitive> object;  // the room definition rule, as the rules match it
  std::string name;
  std::vector<std::pair<int32_t, int32_t>> vertices;
};

std::optional<TRoom> ReadRoom(const win::ComPtr<IPCB_Primitive>& object) {
  const auto room = object.As<IPCB_Room>(IID_IPCB_Room);
  if (!room) return std::nullopt;
  TRoom result{object, {}, {}};
  win::Bstr name;
  if (SUCCEEDED(room->GetRoomName(name.put()))) result.name = win::Narrow(name.str());
  const int count = room->GetVertexCount();
  for (int i = 0; i < count; ++i) {
    int32_t x = 0, y = 0;
    if (FAILED(room->GetVertex(i, &x, &y))) return std::nullopt;
    result.vertices.emplace_back(x, y);
  }
  return result;
}

// -1 when the rule offers no clearance.
int32_t RuleGap(IPCB_Rule* rule) {
  win::ComPtr<IPCB_Rule> shared = win::ComPtr<IPCB_Rule>::Share(rule);
  const auto constraint = shared.As<IPCB_ClearanceConstraint>(IID_IPCB_ClearanceConstraint);
  int32_t gap = -1;
  if (!constraint || FAILED(constraint->GetGap(&gap))) return -1;
  return gap;
}

bool NamesEither(const TRuleProxy& proxy, int a, int b) {
  const TRuleExpressionScopeHelper* first = proxy.first_helper();
  const TRuleExpressionScopeHelper* second = proxy.second_helper();
  if (!first || !second) return false;
  return (first->NamesObjectId(a) && second->NamesObjectId(b)) ||
         (second->NamesObjectId(a) && first->NamesObjectId(b));
}

bool FirstContains(const TRuleProxy& proxy, IPCB_Primitive* object) {
  return proxy.first_helper() && proxy.first_helper()->ContainsObject(object);
}
bool SecondContains(const TRuleProxy& proxy, IPCB_Primitive* object) {
  return proxy.second_helper() && proxy.second_helper()->ContainsObject(object);
}

class RoomWriter {
 public:
  RoomWriter(DesignFileOutput& out, const sdk::TPcbBoard& board, const TOvixRules& rules)
      : out_(out), board_(board), rules_(rules) {}

  void WriteRoom(const TRoom& room) {
    if (static_cast<int>(room.vertices.size()) < kFewestRoomVertices) return;
    IPCB_Board* board = rules_.board();
    const auto width = rules_.FindRuleForObject(kWidthRule, kBoardRegionScope, kBoardRegionScope,
                                                room.object.get(), kNoLayer);
    const auto clearance = rules_.FindRuleForObjectPair(
        kClearanceRule, kBoardRegionScope, kBoardRegionScope, room.object.get(), board, kNoLayer);
    WriteRegion(room, nullptr, clearance ? rules_.ProxyOf(clearance.get()) : nullptr,
                width ? rules_.ProxyOf(width.get()) : nullptr);
    WriteRoomObjectRegions(room, pcbapi::kNet, kNetInBoardRegionScope);
    WriteRoomObjectRegions(room, pcbapi::kClass, kNetClassInBoardRegionScope);
  }

 private:
  void WriteRoomObjectRegions(const TRoom& room, uint8_t kind, uint8_t scope) {
    IPCB_Primitive* room_object = room.object.get();
    PrimitiveList objects;
    std::vector<TRuleProxy*> clearances, widths;
    rules_.ForEachRule(
        RuleKindBit(kClearanceRule),
        [&](IPCB_Rule*, TRuleProxy& proxy) {
          if (proxy.SpecctraScope() != scope) return true;
          if (FirstContains(proxy, room_object)) {
            proxy.first_helper()->ObjectsOfKind(objects, kind, false);
            clearances.push_back(&proxy);
          } else if (SecondContains(proxy, room_object)) {
            proxy.second_helper()->ObjectsOfKind(objects, kind, false);
            clearances.push_back(&proxy);
          }
          return true;
        },
        true);
    rules_.ForEachRule(
        RuleKindBit(kWidthRule),
        [&](IPCB_Rule*, TRuleProxy& proxy) {
          if (proxy.SpecctraScope() == scope && FirstContains(proxy, room_object)) {
            proxy.first_helper()->ObjectsOfKind(objects, kind, false);
            widths.push_back(&proxy);
          }
          return true;
        },
        true);
    // A net that a clearance rule and a width rule both scope to the room is one region with
    // both rules, not two regions of one name.
    PrimitiveList unique;
    for (auto& object : objects) {
      const bool seen = std::any_of(unique.begin(), unique.end(), [&](const auto& other) {
        return other->GetHandle() == object->GetHandle();
      });
      if (!seen) unique.push_back(object);
    }
    for (const auto& object : unique) {
      const auto clearance = std::find_if(clearances.begin(), clearances.end(), [&](auto* p) {
        return FirstContains(*p, object.get()) || SecondContains(*p, object.get());
      });
      const auto width = std::find_if(widths.begin(), widths.end(),
                                      [&](auto* p) { return FirstContains(*p, object.get()); });
      WriteRegion(room, object.get(), clearance != clearances.end() ? *clearance : nullptr,
                  width != widths.end() ? *width : nullptr);
    }
  }

  void WriteRegion(const TRoom& room, IPCB_Primitive* object, const TRuleProxy* clearance,
                   const TRuleProxy* width) {
    std::string name = room.name;
    std::string kind_word;
    if (object) {
      const bool net = object->GetObjectId() == pcbapi::kNet;
      name += net ? "_Net_" : "_NetClass_";
      name += win::Narrow(NameOf(object));
      kind_word = net ? "region_net" : "region_class";
    }
    std::replace(name.begin(), name.end(), ' ', '_');
    // Parentheses in a name would end the statement early.
    name = EscapeName(name);

    out_.Line("(region " + name);
    out_.Raise();
    out_.Line("(polygon SIGNAL 0.00 ");
    out_.Raise();
    for (const auto& [x, y] : room.vertices) {
      out_.Line(FormatDesignNumber(x) + " " + FormatDesignNumber(y));
    }
    out_.Lower();
    out_.Line(")");
    if (object) out_.Line("(" + kind_word + " " + EscapeName(win::Narrow(NameOf(object))) + ")");
    if (clearance || width) {
      out_.Line("(rule ");
      out_.Raise();
      if (clearance) WriteClearances(name, *clearance);
      if (width) WriteWidths(name, *width);
      out_.Lower();
      out_.Line(")");
    }
    out_.Lower();
    out_.Line(")");
  }

  void WriteClearances(const std::string& name, const TRuleProxy& proxy) {
    TClearanceMatrix matrix(name, gaps_);
    const int32_t gap = RuleGap(proxy.rule());
    bool any_cell = false;
    for (int a = 0; a < kNamedObjectIds; ++a) {
      for (int b = 0; b < kNamedObjectIds; ++b) {
        if (!NamesEither(proxy, a, b)) continue;
        TOvixRuleValue& cell =
            matrix.Entry(static_cast<TSpecctraObjectId>(a), static_cast<TSpecctraObjectId>(b));
        cell.value = gap;
        cell.rule_handle = proxy.handle();
        any_cell = true;
      }
    }
    if (!any_cell) matrix.SetGenericValue(proxy.handle());
    matrix.Write(out_);
  }

  void WriteWidths(const std::string& name, const TRuleProxy& proxy) {
    win::ComPtr<IPCB_Rule> rule = win::ComPtr<IPCB_Rule>::Share(proxy.rule());
    const auto constraint = rule.As<IPCB_MaxMinWidthConstraint>(IID_IPCB_MaxMinWidthConstraint);
    if (!constraint) return;
    TWidthTable table(name);
    table.Reset();
    for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
      const sdk::TLayerObject* stacked =
          board_.GetLayerObject(static_cast<sdk::LegacyLayer>(layer));
      if (!stacked || !stacked->IsInLayerStack()) continue;
      int32_t min = 0, max = 0, preferred = 0;
      if (FAILED(constraint->GetWidths(sdk::LegacyLayerToLayer(static_cast<uint8_t>(layer)), &min,
                                       &max, &preferred))) {
        continue;
      }
      TOvixRuleValue& entry = table.Entry(layer);
      entry.value = preferred;
      entry.rule_handle = proxy.handle();
    }
    if (table.AnyValue()) table.Write(out_);
  }

  DesignFileOutput& out_;
  const sdk::TPcbBoard& board_;
  const TOvixRules& rules_;
  THostRuleConstraintQuery gaps_;
};

}  // namespace

void WriteRooms(DesignFileOutput& out, const sdk::TPcbBoard& board, const TOvixRules& rules) {
  RoomWriter writer(out, board, rules);
  std::vector<TRoom> rooms;
  ForEachBoardObject(rules.board(), pcbapi::kRule, [&](const win::ComPtr<IPCB_Primitive>& object) {
    if (std::optional<TRoom> room = ReadRoom(object)) rooms.push_back(std::move(*room));
    return true;
  });
  for (const TRoom& room : rooms) writer.WriteRoom(room);
}

}  // namespace router
