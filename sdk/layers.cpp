// Layer identities, partitions, the save form and display names.
#include "sdk/layers.h"

#include <array>

#include "sdk/ascii_case.h"
#include "sdk/layer_errors.h"
#include "sdk/number_text.h"

namespace sdk {

namespace {

constexpr std::uint32_t kExtendedSignal = 0x0101;
constexpr std::uint32_t kExtendedPlane = 0x0104;
constexpr std::uint32_t kExtendedMechanical = 0x0400;
constexpr std::int64_t kMaxLayerNumber = 65535;

// Consistency errors name the unit as the module's other assertions do.
[[noreturn]] void Inconsistent(const std::string& text, int line) {
  throw EAssertionFailed(text.c_str(), "RTL\\RT_PCB", line);
}

[[noreturn]] void RangeError(const char* constructor, std::int64_t n) {
  throw ELayerException(std::string("Creating ") + constructor + "(" + std::to_string(n) + ")");
}

constexpr std::array<const char*, kLastPartition + 1> kPartitionNames = {
    "No Layer",        "Top Layer",         "Mid Layer ",      "Bottom Layer",
    "Internal Plane ", "Mechanical Layer ", "Top Overlay",     "Bottom Overlay",
    "Top Paste",       "Bottom Paste",      "Top Solder Mask", "Bottom Solder Mask",
    "Drill Guide",     "Keep Out Layer",    "Drill Drawing",   "Multi Layer",
    "Connect Layer",   "BackGround",        "DRC Errors",      "Highlight Layer",
    "Grid Color 1",    "Grid Color 10",     "Pad Hole Layer",  "Via Hole Layer",
    "Top Pad Master",  "Bottom Pad Master", "DRC Details"};

// Indexes 87..92.
constexpr std::array<TLayer, 6> kGroupsByIndex = {MidLayersGroup,        AllLayersGroup,
                                                  SignalLayersGroup,     InternalPlanesGroup,
                                                  ElectricalLayersGroup, MechanicalLayersGroup};
constexpr std::array<const char*, 6> kGroupNames = {"Mid Layers",        "All Layers",
                                                    "Signal Layers",     "Internal Plane Layers",
                                                    "Electrical Layers", "Mechanical Layers"};

// clang-format off
constexpr std::array<const char*, 27> kObjectKindNames = {
    "No", "Arc", "Pad", "Via", "Track", "Text", "Fill", "Connection", "Net", "Component", "Poly",
    "Region", "ComponentBody", "Dimension", "Coordinate", "Class", "Rule", "FromTo",
    "DifferentialPair", "Violation", "Embedded", "EmbeddedBoard", "SplitPlane", "Trace",
    "SpareVia", "Board", "BoardOutline"};
// clang-format on

// The partition of a legacy number that has a fixed one; 0 for the rest.
TLayerPartition ClassicPartition(std::uint32_t number) {
  if (number == TopLayer) return 1;
  if (number >= 2 && number <= 31) return kMidPartition;
  if (number == BottomLayer) return 3;
  if (number >= 33 && number <= 38) return static_cast<TLayerPartition>(number - 33 + 6);
  if (number >= 39 && number <= 54) return kPlanePartition;
  if (number == 55) return 12;
  if (number == 56) return 13;
  if (number >= 57 && number <= 72) return kMechanicalPartition;
  if (number >= 73 && number <= kLegacyLastLayer)
    return static_cast<TLayerPartition>(number - 73 + 14);
  return 0;
}

int GroupExtendedIndex(TLayer group) {
  for (size_t i = 0; i < kGroupsByIndex.size(); ++i) {
    if (kGroupsByIndex[i] == group) return kFirstGroupIndex + static_cast<int>(i);
  }
  return -1;
}


// When the text is longer than the prefix and begins with it (ASCII case ignored), reads the
// rest as a 32-bit integer.
bool NumberAfterPrefix(std::string_view text, std::string_view prefix, std::int32_t& n) {
  return text.size() > prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix) &&
         ParseInt32(text.substr(prefix.size()), n);
}

}  // namespace

// ---- Constructors ------------------------------------------------------------------------------

TLayer SignalLayer(std::int64_t n) {
  if (n < 0 || n > kMaxLayerNumber) RangeError("SignalLayer", n);
  if (n == 1) return TopLayer;
  if (n == kMaxLayerNumber) return BottomLayer;
  if (n >= 2 && n <= 31) return static_cast<TLayer>(n);
  return (kExtendedSignal << 16) + static_cast<TLayer>(n);
}

TLayer MidLayer(std::int64_t n) {
  return SignalLayer(n + 1);
}

TLayer InternalPlaneLayer(std::int64_t n) {
  if (n < 1 || n > kMaxLayerNumber) RangeError("InternalPlaneLayer", n);
  if (n <= 16) return static_cast<TLayer>(38 + n);
  return (kExtendedPlane << 16) + static_cast<TLayer>(n);
}

TLayer MechanicalLayer(std::int64_t n) {
  if (n < 1 || n > kMaxLayerNumber) RangeError("MechanicalLayer", n);
  if (n <= 16) return static_cast<TLayer>(56 + n);
  return (kExtendedMechanical << 16) + static_cast<TLayer>(n);
}

TLayer LegacyLayerToLayer(std::uint8_t legacy) {
  return legacy <= kLegacyLastLayer ? legacy : NoLayer;
}

TLayer LayerFromPartition(TLayerPartition partition) {
  switch (partition) {
    case 0: return NoLayer;
    case 1: return TopLayer;
    case kMidPartition: return MidLayersGroup;
    case 3: return BottomLayer;
    case kPlanePartition: return InternalPlanesGroup;
    case kMechanicalPartition: return MechanicalLayersGroup;
    case 12: return 55;
    case 13: return 56;
  }
  if (partition >= 6 && partition <= 11) return static_cast<TLayer>(partition - 6 + 33);
  if (partition >= 14 && partition <= 23) return static_cast<TLayer>(partition - 14 + 73);
  if (partition >= 24 && partition <= kLastPartition) {
    return TopPadMasterLayer + static_cast<TLayer>(partition - 24);
  }
  Inconsistent("Assertion failure", __LINE__);
}

TLayer LayerFromExtendedIndex(int index) {
  if (index == 0 || index == 1) return NoLayer;
  if (index >= 2 && index <= 78) return static_cast<TLayer>(index - 1);
  if (index == 79) return DrcDetailsLayer;
  if (index >= 80 && index <= 84) return static_cast<TLayer>(index - 2);
  if (index == 85) return TopPadMasterLayer;
  if (index == 86) return BottomPadMasterLayer;
  if (index >= kFirstGroupIndex && index <= kLastGroupIndex) {
    return kGroupsByIndex[static_cast<size_t>(index - kFirstGroupIndex)];
  }
  Inconsistent("Assertion failure", __LINE__);
}

bool LayerMatchesExtendedIndex(TLayer layer, int index) {
  return layer == LayerFromExtendedIndex(index);
}

TLayer LayerGroupFromCode(std::uint32_t code) {
  switch (code) {
    case 1: return ElectricalLayersGroup;
    case 2: return MechanicalLayersGroup;
    case 3: return InternalPlanesGroup;
    case 4: return SignalLayersGroup;
    case 5: return AllLayersGroup;
    case 6: return MidLayersGroup;
  }
  return NoLayer;
}

// ---- Tests --------------------------------------------------------------------------------------

bool IsSignalLayer(TLayer layer) {
  if (IsLayerGroup(layer)) return false;
  const std::uint32_t high = LayerHighWord(layer), number = LayerNumber(layer);
  return high == kExtendedSignal || (high == 0 && number >= TopLayer && number <= BottomLayer);
}

bool IsInternalPlaneLayer(TLayer layer) {
  if (IsLayerGroup(layer)) return false;
  const std::uint32_t high = LayerHighWord(layer), number = LayerNumber(layer);
  return high == kExtendedPlane || (high == 0 && number >= 39 && number <= 54);
}

bool IsMechanicalLayer(TLayer layer) {
  if (IsLayerGroup(layer)) return false;
  const std::uint32_t high = LayerHighWord(layer), number = LayerNumber(layer);
  return high == kExtendedMechanical || (high == 0 && number >= 57 && number <= 72);
}

// ---- Queries -----------------------------------------------------------------------------------

TLayerPartition GetLayerPartition(TLayer layer) {
  if (IsSignalLayer(layer)) return layer == TopLayer ? 1 : layer == BottomLayer ? 3 : kMidPartition;
  if (IsInternalPlaneLayer(layer)) return kPlanePartition;
  if (IsMechanicalLayer(layer)) return kMechanicalPartition;
  if (IsStandardClassLayer(layer)) {
    if (LayerHighWord(layer) == 0) return ClassicPartition(LayerNumber(layer));
    // The special standard layers carry their partition as number; a larger number names none.
    if (LayerNumber(layer) <= kLastPartition)
      return static_cast<TLayerPartition>(LayerNumber(layer));
  }
  Inconsistent("Could not find layer partition ID=" + std::to_string(layer), __LINE__);
}

std::uint32_t GetIndexInPartition(TLayer layer) {
  if (LayerClass(layer) != 0) return LayerNumber(layer);
  const std::uint32_t number = LayerNumber(layer);
  if (LayerHighWord(layer) == 0) {
    if (number >= 57 && number <= 72) return number - 56;
    if (number == BottomLayer) return kMaxLayerNumber;
    if (number >= TopLayer && number <= 31) return number;
    if (number >= 39 && number <= 54) return number - 38;
  }
  return static_cast<std::uint32_t>(GetLayerPartition(layer));
}

TLayer GetParentLayer(TLayer layer) {
  switch (layer) {
    case TopLayer:
    case BottomLayer: return SignalLayersGroup;
    case MidLayersGroup: return SignalLayersGroup;
    case SignalLayersGroup:
    case InternalPlanesGroup: return ElectricalLayersGroup;
    case ElectricalLayersGroup:
    case MechanicalLayersGroup: return AllLayersGroup;
    case AllLayersGroup: return NoLayer;
    case NoLayer:
    case TopPadMasterLayer:
    case BottomPadMasterLayer:
    case DrcDetailsLayer: return AllLayersGroup;
  }
  if (IsSignalLayer(layer)) return MidLayersGroup;
  if (IsInternalPlaneLayer(layer)) return InternalPlanesGroup;
  if (IsMechanicalLayer(layer)) return MechanicalLayersGroup;
  if ((layer >= 33 && layer <= 38) || layer == 55 || layer == 56 ||
      (layer >= 73 && layer <= kLegacyLastLayer)) {
    return AllLayersGroup;
  }
  return NoLayer;
}

std::uint32_t GetLayerSaveId(TLayer layer) {
  if (IsSignalLayer(layer)) return GetIndexInPartition(layer);
  if (IsInternalPlaneLayer(layer)) return 0x10000 + GetIndexInPartition(layer);
  if (IsMechanicalLayer(layer)) return 0x20000 + GetIndexInPartition(layer);
  if (IsStandardClassLayer(layer)) return 0x30000 + GetIndexInPartition(layer);
  if (IsLayerGroup(layer)) {
    switch (layer) {
      case ElectricalLayersGroup: return 0x800001;
      case MechanicalLayersGroup: return 0x800002;
      case InternalPlanesGroup: return 0x800003;
      case SignalLayersGroup: return 0x800004;
      case AllLayersGroup: return 0x800005;
      case MidLayersGroup: return 0x800006;
    }
    Inconsistent("Assertion failure", __LINE__);
  }
  Inconsistent("ID = " + std::to_string(layer), __LINE__);
}

std::uint32_t ToInteger_ForSave(TLayer layer) {
  return GetLayerSaveId(layer) | 0x01000000;
}

TLayer CreateFromInteger_ForSave(std::int64_t value) {
  if (!(static_cast<std::uint64_t>(value) & 0x01000000)) {
    throw ELayerException("CreateFromInteger_ForSave(" + std::to_string(value) + ")");
  }
  return LayerFromSaveId(static_cast<std::uint32_t>(value) & 0xFFFFFF);
}

TLayer LayerFromSaveId(std::uint32_t id) {
  const std::uint32_t kind = (id >> 16) & 0xFF, number = id & 0xFFFF;
  switch (kind) {
    case 0: return SignalLayer(number);
    case 1: return InternalPlaneLayer(number);
    case 2: return MechanicalLayer(number);
    case 3: return LayerFromPartition(static_cast<TLayerPartition>(number & 0xFF));
    case 0x80: return LayerGroupFromCode(number);
  }
  return NoLayer;
}

// ---- Names -------------------------------------------------------------------------------------

std::string PartitionDisplayName(TLayerPartition partition) {
  if (partition < 0 || partition > kLastPartition) Inconsistent("Assertion failure", __LINE__);
  return kPartitionNames[static_cast<size_t>(partition)];
}

std::string LayerGroupDisplayName(int extended_index) {
  if (extended_index < kFirstGroupIndex || extended_index > kLastGroupIndex) return {};
  return kGroupNames[static_cast<size_t>(extended_index - kFirstGroupIndex)];
}

std::string LayerToName(TLayer layer, PartitionNameFunction partition_names,
                        GroupNameFunction group_names) {
  if (IsLayerGroup(layer)) {
    const int index = GroupExtendedIndex(layer);
    if (index < 0) Inconsistent("Assertion failure", __LINE__);
    return group_names ? group_names(index) : std::string();
  }
  if (IsMechanicalLayer(layer)) {
    return partition_names(kMechanicalPartition) + std::to_string(GetIndexInPartition(layer));
  }
  if (IsSignalLayer(layer) && layer != TopLayer && layer != BottomLayer) {
    return partition_names(kMidPartition) + std::to_string(GetIndexInPartition(layer) - 1);
  }
  if (IsInternalPlaneLayer(layer)) {
    return partition_names(kPlanePartition) + std::to_string(GetIndexInPartition(layer));
  }
  return partition_names(GetLayerPartition(layer));
}

std::string GetLayerDisplayName(TLayer layer) {
  return LayerToName(layer, PartitionDisplayName, LayerGroupDisplayName);
}

TLayer LayerFromName(std::string_view text, PartitionNameFunction partition_names,
                     GroupNameFunction group_names) {
  std::int32_t n = 0;
  if (NumberAfterPrefix(text, partition_names(kMechanicalPartition), n)) return MechanicalLayer(n);
  if (NumberAfterPrefix(text, partition_names(kMidPartition), n)) return MidLayer(n);
  if (NumberAfterPrefix(text, partition_names(kPlanePartition), n)) return InternalPlaneLayer(n);
  for (TLayerPartition p = 0; p <= kLastPartition; ++p) {
    if (p == kMidPartition || p == kPlanePartition || p == kMechanicalPartition) continue;
    if (EqualsIgnoringCase(text, partition_names(p))) return LayerFromPartition(p);
  }
  if (group_names) {
    for (int index = kFirstGroupIndex; index <= kLastGroupIndex; ++index) {
      if (EqualsIgnoringCase(text, group_names(index))) return LayerFromExtendedIndex(index);
    }
  }
  return NoLayer;
}

TLayer LayerFromDisplayName(std::string_view text) {
  return LayerFromName(text, PartitionDisplayName, LayerGroupDisplayName);
}

std::string ObjectKindToShortName(int kind) {
  if (kind < 0 || kind >= static_cast<int>(kObjectKindNames.size())) return {};
  return kObjectKindNames[static_cast<size_t>(kind)];
}

}  // namespace sdk
