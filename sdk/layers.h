// Layer identities: the 32-bit TLayer of layer sets and layer hashes, the host's legacy layer
// byte, the 27 partitions, the parent chain, the integer save form and display names.
//
// TLayer bits: 0-15 number, 16-23 subclass (1 signal, 2 mid, 4 internal plane), 24-31 class
// (0 classic or standard, 1 electrical, 4 mechanical, 0xFF all layers). Classic identities are the
// legacy numbers 0..82 themselves; extended layers carry a class; groups have number 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sdk {

using TLayer = std::uint32_t;

constexpr TLayer NoLayer = 0;
constexpr TLayer TopLayer = 1;
constexpr TLayer BottomLayer = 32;
constexpr TLayer TopPadMasterLayer = 0x00010018;
constexpr TLayer BottomPadMasterLayer = 0x00010019;
constexpr TLayer DrcDetailsLayer = 0x0001001A;

constexpr TLayer ElectricalLayersGroup = 0x01000000;
constexpr TLayer SignalLayersGroup = 0x01010000;
constexpr TLayer MidLayersGroup = 0x01020000;
constexpr TLayer InternalPlanesGroup = 0x01040000;
constexpr TLayer MechanicalLayersGroup = 0x04000000;
constexpr TLayer AllLayersGroup = 0xFFFF0000;

// Legacy layer numbers used by name elsewhere.
constexpr std::uint8_t kLegacyTopOverlay = 33;
constexpr std::uint8_t kLegacyFirstPlane = 39;
constexpr std::uint8_t kLegacyFirstMechanical = 57;
constexpr std::uint8_t kLegacyMultiLayer = 74;
constexpr std::uint8_t kLegacyLastLayer = 82;

// 0 no layer, 1 top, 2 mid, 3 bottom, 4 planes, 5 mechanical, 6..23 fixed legacy layers,
// 24..26 the special standard layers (see PartitionDisplayName).
using TLayerPartition = int;
constexpr TLayerPartition kLastPartition = 26;
constexpr TLayerPartition kMidPartition = 2;
constexpr TLayerPartition kPlanePartition = 4;
constexpr TLayerPartition kMechanicalPartition = 5;

// Extended indexes 87..92 name the groups.
constexpr int kFirstGroupIndex = 87;
constexpr int kLastGroupIndex = 92;

inline constexpr bool SameLayer(TLayer a, TLayer b) {
  return a == b;
}

// ---- Constructors: out-of-range numbers raise ELayerException (sdk/layer_errors.h) ----------
TLayer SignalLayer(std::int64_t n);         // 1 top, 65535 bottom, 2..31 classic, else extended
TLayer MidLayer(std::int64_t n);            // SignalLayer(n + 1)
TLayer InternalPlaneLayer(std::int64_t n);  // 1..65535
TLayer MechanicalLayer(std::int64_t n);     // 1..65535
// The identity of a legacy byte; 83 and above give NoLayer.
TLayer LegacyLayerToLayer(std::uint8_t legacy);
TLayer LayerFromPartition(TLayerPartition partition);  // groups for 2, 4, 5
TLayer LayerFromExtendedIndex(int index);
bool LayerMatchesExtendedIndex(TLayer layer, int index);
// 1 electrical, 2 mechanical, 3 internal planes, 4 signal, 5 all, 6 mid; else NoLayer.
TLayer LayerGroupFromCode(std::uint32_t code);

// ---- Tests -----------------------------------------------------------------------------------
inline constexpr std::uint32_t LayerNumber(TLayer layer) {
  return layer & 0xFFFF;
}
inline constexpr std::uint32_t LayerHighWord(TLayer layer) {
  return layer >> 16;
}
inline constexpr std::uint32_t LayerClass(TLayer layer) {
  return layer >> 24;
}
inline constexpr bool IsLayerGroup(TLayer layer) {
  return LayerNumber(layer) == 0 && layer != 0;
}
bool IsSignalLayer(TLayer layer);
bool IsInternalPlaneLayer(TLayer layer);
bool IsMechanicalLayer(TLayer layer);
inline constexpr bool IsStandardClassLayer(TLayer layer) {
  return LayerClass(layer) == 0;
}

// ---- Queries (unlisted values are consistency errors and raise EAssertionFailed) -------------
TLayerPartition GetLayerPartition(TLayer layer);
std::uint32_t GetIndexInPartition(TLayer layer);
TLayer GetParentLayer(TLayer layer);

// Save form: a 24-bit id (kind in bits 16-23, number in 0-15); the integer form adds bit 24.
std::uint32_t GetLayerSaveId(TLayer layer);
std::uint32_t ToInteger_ForSave(TLayer layer);
TLayer CreateFromInteger_ForSave(std::int64_t value);  // raises without bit 24
TLayer LayerFromSaveId(std::uint32_t id);

// ---- Names -----------------------------------------------------------------------------------
using PartitionNameFunction = std::string (*)(TLayerPartition partition);
using GroupNameFunction = std::string (*)(int extended_index);

// "Top Layer", "Mid Layer " (a prefix), ...; above 26 a consistency error.
std::string PartitionDisplayName(TLayerPartition partition);
// The group names for extended indexes 87..92; empty for any other index.
std::string LayerGroupDisplayName(int extended_index);

// `group_names` may be null: groups then have an empty name and are not parsed.
std::string LayerToName(TLayer layer, PartitionNameFunction partition_names,
                        GroupNameFunction group_names);
std::string GetLayerDisplayName(TLayer layer);
// The inverse, without regard to ASCII case; NoLayer for a text that names no layer. A number
// that a constructor rejects raises ELayerException.
TLayer LayerFromName(std::string_view text, PartitionNameFunction partition_names,
                     GroupNameFunction group_names);
TLayer LayerFromDisplayName(std::string_view text);

// ---- Board object kinds ----------------------------------------------------------------------
// "Arc", "Pad", ... for kinds 0..26; empty for any other.
std::string ObjectKindToShortName(int kind);

}  // namespace sdk
