// Layer numbers, names and layer identities of the stand-in editor, and the length and shape
// words of its board file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sdk/pcb_api_contract.h"

namespace quorvel {

constexpr int kLastLegacyLayer = 82;
constexpr uint8_t kTopLayer = 1;
constexpr uint8_t kBottomLayer = 32;
constexpr uint8_t kFirstPlane = 39;
constexpr uint8_t kLastPlane = 54;
constexpr uint8_t kKeepOutLayer = 56;
constexpr uint8_t kMultiLayer = 74;

inline bool IsSignalLayer(int layer) { return layer >= kTopLayer && layer <= kBottomLayer; }
inline bool IsPlaneLayer(int layer) { return layer >= kFirstPlane && layer <= kLastPlane; }

// "TopLayer", "MidLayer1" .. "ViaHoleLayer"; empty above 82.
std::string LegacyLayerName(int layer);
// The legacy number of a name of LegacyLayerName (ASCII case ignored); nothing when unknown.
std::optional<uint8_t> LegacyLayerFromName(std::string_view name);

// Which legacy layers a layer identity given to an iterator stands for. Classic identities are
// their legacy number; 0 stands for every layer; the group values stand for their layers.
class LayerFilter {
 public:
  explicit LayerFilter(pcbapi::LayerId layer);
  bool Matches(int legacy_layer) const;
  bool Any() const { return any_; }
  // The one legacy layer of a classic identity, or -1.
  int Single() const { return single_; }

 private:
  bool any_ = false;
  int single_ = -1;
  int first_ = 0, last_ = -1;    // a range of layers (groups)
  int first2_ = 0, last2_ = -1;  // a second range (electrical layers: signals and planes)
};

// The legacy number of a layer identity for a record: classic identities only; nothing for
// identities the stand-in has no layer for.
std::optional<uint8_t> LegacyLayerOfIdentity(pcbapi::LayerId layer);

// Lengths in the board file: an integer in internal units (1/10000 mil), or a text "<n>mil" or
// "<n>mm" (decimal number, optional sign). Throws std::invalid_argument with a reason.
int32_t ParseLength(std::string_view text);
// "<n>mil" with at most four decimals: exact for every internal value.
std::string FormatLength(int32_t value);

// Pad shape words: "none" 0, "round" 1, "rectangle" 2, "octagon" 3, "roundedRectangle" 9;
// other codes are written as numbers.
std::optional<uint8_t> ShapeFromName(std::string_view name);
std::string ShapeName(uint8_t shape);

// Rule kind names 0..58 ("Clearance" .. "AssemblyTestPointUsage").
std::optional<uint8_t> RuleKindFromName(std::string_view name);
std::string RuleKindName(uint8_t kind);
constexpr uint8_t kRuleClearance = 0;
constexpr uint8_t kRuleWidth = 2;
constexpr uint8_t kRuleStubLength = 5;
constexpr uint8_t kRuleRoutingTopology = 7;
constexpr uint8_t kRuleRoutingPriority = 8;
constexpr uint8_t kRuleRoutingLayers = 9;
constexpr uint8_t kRuleRoutingVias = 11;
constexpr uint8_t kRuleMaximumViaCount = 18;
constexpr uint8_t kRuleRoomDefinition = 22;
constexpr int kRuleKindCount = pcbapi::kRuleKindCount;

// Object kind names of the board file's journal lines ("Arc" .. "BoardOutline"); empty for a
// kind the editor does not have. A view of a constant: an import journals every object it makes.
std::string_view ObjectKindName(uint8_t kind);

}  // namespace quorvel
