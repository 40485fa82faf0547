// Layer identities: constructors, partitions, the parent chain, the save form and names.
#include "sdk/layers.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sdk/layer_errors.h"

namespace {

using sdk::TLayer;

// The message of the exception `call` raises, or "<no exception>".
template <class Exception, class Call>
std::string MessageOf(Call&& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "<no exception>";
}

struct ConstructorCase {
  TLayer (*make)(std::int64_t);
  std::int64_t n;
  TLayer layer;
  const char* why;
};
const ConstructorCase kConstructed[] = {
    {sdk::SignalLayer, 1, sdk::TopLayer, "top"},
    {sdk::SignalLayer, 2, 2, "classic mid layer 1"},
    {sdk::SignalLayer, 31, 31, "last classic mid layer"},
    {sdk::SignalLayer, 32, 0x01010020, "32 is an extended layer, not the bottom"},
    {sdk::SignalLayer, 65535, sdk::BottomLayer, "65535 always means the bottom"},
    {sdk::SignalLayer, 0, 0x01010000, "0 gives the signal group's value"},
    {sdk::MidLayer, 1, 2, "mid layer 1 is legacy 2"},
    {sdk::MidLayer, 30, 31, "mid layer 30 is legacy 31"},
    {sdk::InternalPlaneLayer, 1, 39, "plane 1"},
    {sdk::InternalPlaneLayer, 16, 54, "plane 16"},
    {sdk::InternalPlaneLayer, 17, 0x01040011, "plane 17 is extended"},
    {sdk::MechanicalLayer, 1, 57, "mechanical 1"},
    {sdk::MechanicalLayer, 16, 72, "mechanical 16"},
    {sdk::MechanicalLayer, 17, 0x04000011, "mechanical 17 is extended"},
    {sdk::MechanicalLayer, 65535, 0x0400FFFF, "the last mechanical layer"},
};

struct RangeCase {
  TLayer (*make)(std::int64_t);
  std::int64_t n;
  const char* message;
};
const RangeCase kOutOfRange[] = {
    {sdk::SignalLayer, 65536, "Creating SignalLayer(65536)"},
    {sdk::SignalLayer, -1, "Creating SignalLayer(-1)"},
    {sdk::MidLayer, 65535, "Creating SignalLayer(65536)"},
    {sdk::InternalPlaneLayer, 0, "Creating InternalPlaneLayer(0)"},
    {sdk::InternalPlaneLayer, 65536, "Creating InternalPlaneLayer(65536)"},
    {sdk::MechanicalLayer, 0, "Creating MechanicalLayer(0)"},
    {sdk::MechanicalLayer, 5000000000LL, "Creating MechanicalLayer(5000000000)"},
};

TEST(LayerIdentity, ConstructorsEncodeLayersAndRaiseWithTheirNameAndNumberOutOfRange) {
  for (const ConstructorCase& c : kConstructed) EXPECT_EQ(c.make(c.n), c.layer) << c.why;
  for (const RangeCase& c : kOutOfRange) {
    EXPECT_EQ(MessageOf<sdk::ELayerException>([&] { c.make(c.n); }), c.message);
  }
}

TEST(LayerIdentity, LegacyBytesAreTheirOwnIdentityUpTo82AndTestsSeparateGroupsFromLayers) {
  for (int b = 0; b <= 82; ++b)
    EXPECT_EQ(sdk::LegacyLayerToLayer(static_cast<uint8_t>(b)), TLayer(b));
  EXPECT_EQ(std::vector<TLayer>({sdk::LegacyLayerToLayer(83), sdk::LegacyLayerToLayer(255)}),
            std::vector<TLayer>(2, sdk::NoLayer));
  // The signal group (number 0) and the mechanical group are groups, not layers.
  const bool answers[] = {sdk::IsSignalLayer(1),
                          sdk::IsSignalLayer(32),
                          sdk::IsSignalLayer(0x01010020),
                          sdk::IsSignalLayer(sdk::SignalLayersGroup),
                          sdk::IsSignalLayer(33),
                          sdk::IsInternalPlaneLayer(54),
                          sdk::IsInternalPlaneLayer(55),
                          sdk::IsMechanicalLayer(0x04000011),
                          sdk::IsMechanicalLayer(sdk::MechanicalLayersGroup),
                          sdk::IsLayerGroup(sdk::AllLayersGroup),
                          sdk::IsLayerGroup(sdk::NoLayer),
                          sdk::IsStandardClassLayer(sdk::DrcDetailsLayer)};
  EXPECT_EQ(std::vector<bool>(std::begin(answers), std::end(answers)),
            std::vector<bool>({1, 1, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1}));
}

struct PartitionCase {
  TLayer layer;
  sdk::TLayerPartition partition;
  std::uint32_t index;
  TLayer parent;
};
const PartitionCase kPartitions[] = {
    {sdk::NoLayer, 0, 0, sdk::AllLayersGroup},
    {sdk::TopLayer, 1, 1, sdk::SignalLayersGroup},
    {2, 2, 2, sdk::MidLayersGroup},
    {0x01010020, 2, 32, sdk::MidLayersGroup},
    {sdk::BottomLayer, 3, 65535, sdk::SignalLayersGroup},
    {39, 4, 1, sdk::InternalPlanesGroup},
    {0x01040011, 4, 17, sdk::InternalPlanesGroup},
    {57, 5, 1, sdk::MechanicalLayersGroup},
    {72, 5, 16, sdk::MechanicalLayersGroup},
    {33, 6, 6, sdk::AllLayersGroup},
    {38, 11, 11, sdk::AllLayersGroup},
    {55, 12, 12, sdk::AllLayersGroup},
    {56, 13, 13, sdk::AllLayersGroup},
    {73, 14, 14, sdk::AllLayersGroup},
    {82, 23, 23, sdk::AllLayersGroup},
    {sdk::TopPadMasterLayer, 24, 24, sdk::AllLayersGroup},
    {sdk::DrcDetailsLayer, 26, 26, sdk::AllLayersGroup},
    {83, 0, 0, sdk::NoLayer},  // a classic number without a partition
};

TEST(LayerIdentity, PartitionsIndexesAndParents) {
  for (const PartitionCase& c : kPartitions) {
    EXPECT_EQ(std::make_tuple(sdk::GetLayerPartition(c.layer), sdk::GetIndexInPartition(c.layer),
                              sdk::GetParentLayer(c.layer)),
              std::make_tuple(c.partition, c.index, c.parent))
        << c.layer;
  }
  // Groups and unknown classes have none.
  EXPECT_THROW(sdk::GetLayerPartition(sdk::SignalLayersGroup), sdk::EAssertionFailed);
  EXPECT_THROW(sdk::GetLayerPartition(0x02000005), sdk::EAssertionFailed);
  EXPECT_THROW(sdk::GetLayerPartition(0x00010040), sdk::EAssertionFailed);  // no partition 64
  const std::string message =
      MessageOf<sdk::EAssertionFailed>([] { sdk::GetLayerPartition(sdk::AllLayersGroup); });
  EXPECT_EQ(message.rfind("Could not find layer partition ID=4294901760 (RTL\\RT_PCB, line ", 0),
            0u)
      << message;
}

TEST(LayerIdentity, ParentChainOfAMidLayerEndsInNoLayer) {
  std::vector<TLayer> chain;
  for (TLayer l = sdk::GetParentLayer(2); l != sdk::NoLayer; l = sdk::GetParentLayer(l)) {
    chain.push_back(l);
    ASSERT_LT(chain.size(), 10u);
  }
  EXPECT_EQ(chain, (std::vector<TLayer>{sdk::MidLayersGroup, sdk::SignalLayersGroup,
                                        sdk::ElectricalLayersGroup, sdk::AllLayersGroup}));
}

TEST(LayerIdentity, PartitionsAndExtendedIndexesMapToLayers) {
  const auto from = [](auto map, std::initializer_list<int> numbers) {
    std::vector<TLayer> layers;
    for (int n : numbers) layers.push_back(map(n));
    return layers;
  };
  EXPECT_EQ(from(sdk::LayerFromPartition, {2, 6, 13, 14, 26}),
            std::vector<TLayer>({sdk::MidLayersGroup, 33, 56, 73, sdk::DrcDetailsLayer}));
  EXPECT_THROW(sdk::LayerFromPartition(27), sdk::EAssertionFailed);
  for (int p = 0; p <= 26; ++p) {
    const TLayer layer = sdk::LayerFromPartition(p);
    if (!sdk::IsLayerGroup(layer)) {
      EXPECT_EQ(sdk::GetLayerPartition(layer), p);
    }
  }

  EXPECT_EQ(from(sdk::LayerFromExtendedIndex, {1, 2, 33, 40, 79, 80, 85, 87, 92}),
            std::vector<TLayer>({sdk::NoLayer, sdk::TopLayer, sdk::BottomLayer, 39,
                                 sdk::DrcDetailsLayer, 78, sdk::TopPadMasterLayer,
                                 sdk::MidLayersGroup, sdk::MechanicalLayersGroup}));
  EXPECT_TRUE(sdk::LayerMatchesExtendedIndex(sdk::AllLayersGroup, 88));
  EXPECT_THROW(sdk::LayerFromExtendedIndex(93), sdk::EAssertionFailed);
  EXPECT_EQ(from(sdk::LayerGroupFromCode, {6, 7}),
            std::vector<TLayer>({sdk::MidLayersGroup, sdk::NoLayer}));
}

struct SaveCase {
  TLayer layer;
  std::uint32_t integer;
};
const SaveCase kSaveForms[] = {{sdk::TopLayer, 0x01000001},
                               {sdk::BottomLayer, 0x0100FFFF},
                               {0x01010020, 0x01000020},
                               {39, 0x01010001},
                               {0x01040011, 0x01010011},
                               {57, 0x01020001},
                               {33, 0x01030006},
                               {sdk::NoLayer, 0x01030000},
                               {sdk::DrcDetailsLayer, 0x0103001A},
                               {sdk::ElectricalLayersGroup, 0x01800001},
                               {sdk::MechanicalLayersGroup, 0x01800002},
                               {sdk::InternalPlanesGroup, 0x01800003},
                               {sdk::SignalLayersGroup, 0x01800004},
                               {sdk::AllLayersGroup, 0x01800005},
                               {sdk::MidLayersGroup, 0x01800006}};

TEST(LayerSaveForm, WritesAndReadsBackEveryKindAndRejectsOtherIntegers) {
  for (const SaveCase& c : kSaveForms) {
    EXPECT_EQ(sdk::ToInteger_ForSave(c.layer), c.integer) << c.layer;
    EXPECT_EQ(sdk::CreateFromInteger_ForSave(c.integer), c.layer) << c.layer;
  }
  // Every legacy layer survives the trip.
  for (int b = 0; b <= 82; ++b) {
    const TLayer layer = sdk::LegacyLayerToLayer(static_cast<uint8_t>(b));
    EXPECT_EQ(sdk::CreateFromInteger_ForSave(sdk::ToInteger_ForSave(layer)), layer) << b;
  }
  // Integers without the marker bit, or naming no layer, are refused.
  EXPECT_EQ(MessageOf<sdk::ELayerException>([] { sdk::CreateFromInteger_ForSave(0x00030006); }),
            "CreateFromInteger_ForSave(196614)");
  EXPECT_EQ(MessageOf<sdk::ELayerException>([] { sdk::CreateFromInteger_ForSave(0x01010000); }),
            "Creating InternalPlaneLayer(0)");
  EXPECT_EQ(sdk::LayerFromSaveId(0x050001), sdk::NoLayer);  // unknown kind
  EXPECT_THROW(sdk::GetLayerSaveId(0x02000005), sdk::EAssertionFailed);
}

struct NameCase {
  TLayer layer;
  const char* name;
};
const NameCase kNames[] = {{sdk::NoLayer, "No Layer"},
                           {sdk::TopLayer, "Top Layer"},
                           {2, "Mid Layer 1"},
                           {31, "Mid Layer 30"},
                           {0x01010020, "Mid Layer 31"},
                           {sdk::BottomLayer, "Bottom Layer"},
                           {54, "Internal Plane 16"},
                           {0x01040011, "Internal Plane 17"},
                           {57, "Mechanical Layer 1"},
                           {0x0400FFFF, "Mechanical Layer 65535"},
                           {33, "Top Overlay"},
                           {56, "Keep Out Layer"},
                           {74, "Multi Layer"},
                           {82, "Via Hole Layer"},
                           {sdk::BottomPadMasterLayer, "Bottom Pad Master"},
                           {sdk::MidLayersGroup, "Mid Layers"},
                           {sdk::AllLayersGroup, "All Layers"},
                           {sdk::SignalLayersGroup, "Signal Layers"},
                           {sdk::InternalPlanesGroup, "Internal Plane Layers"},
                           {sdk::ElectricalLayersGroup, "Electrical Layers"},
                           {sdk::MechanicalLayersGroup, "Mechanical Layers"}};

struct ParseNameCase {
  const char* text;
  TLayer layer;
  const char* why;
};
const ParseNameCase kParsedNames[] = {
    {"mid layer 30", 31, "prefixes ignore ASCII case"},
    {"MID LAYERS", sdk::MidLayersGroup, "group names too"},
    {"top overlay", 33, "fixed names too"},
    {"Mid Layer", sdk::NoLayer, "the prefix without its blank and number"},
    {"Mid Layer ", sdk::NoLayer, "the prefix alone"},
    {"Mid Layer x", sdk::NoLayer, "no number after the prefix"},
    {"Mid Layer 99999999999", sdk::NoLayer, "a number beyond 32 bits is no number"},
    {"Mid Layer 0", sdk::TopLayer, "mid layer 0 is the signal layer 1"},
    {"Internal Plane 3", 41, "planes"},
    {"Mechanical Layer 20", 0x04000014, "extended mechanical"},
    {"Nonsense", sdk::NoLayer, "no such layer"},
    {"", sdk::NoLayer, "empty"},
};

TEST(LayerNames, DisplayNamesReadBackAndParseWithoutRegardToCase) {
  for (const NameCase& c : kNames) {
    EXPECT_EQ(sdk::GetLayerDisplayName(c.layer), c.name);
    EXPECT_EQ(sdk::LayerFromDisplayName(c.name), c.layer) << c.name;
  }
  for (const ParseNameCase& c : kParsedNames) {
    EXPECT_EQ(sdk::LayerFromDisplayName(c.text), c.layer) << c.why;
  }
  // Numbers the constructors reject raise.
  EXPECT_THROW(sdk::LayerFromDisplayName("Internal Plane 0"), sdk::ELayerException);
  EXPECT_THROW(sdk::LayerFromDisplayName("Mechanical Layer 70000"), sdk::ELayerException);
  // Without a group routine groups have no name.
  EXPECT_EQ(sdk::LayerToName(sdk::AllLayersGroup, sdk::PartitionDisplayName, nullptr), "");
  EXPECT_EQ(sdk::LayerFromName("All Layers", sdk::PartitionDisplayName, nullptr), sdk::NoLayer);
  EXPECT_EQ(sdk::LayerGroupDisplayName(86), "");
  EXPECT_THROW(sdk::PartitionDisplayName(27), sdk::EAssertionFailed);
}

TEST(ObjectKinds, ShortNames) {
  std::string names;
  for (int kind : {0, 4, 16, 26, 27, -1})
    names += std::string(sdk::ObjectKindToShortName(kind)) + "|";
  EXPECT_EQ(names, "No|Track|Rule|BoardOutline|||");
}

}  // namespace
