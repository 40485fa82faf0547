// Layer identities: constructors, partitions, the parent chain, the save form and names.
#include "sdk/layers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/raised.h"
#include "sdk/layer_errors.h"

namespace {

using sdk::TLayer;
using testsupport::ErrorMessage;

// `map` of every number, in order.
template <class Map>
std::vector<TLayer> Mapped(Map map, std::initializer_list<std::int64_t> numbers) {
  std::vector<TLayer> layers;
  for (std::int64_t n : numbers) layers.push_back(map(n));
  return layers;
}

// The messages a constructor raises for each number, each followed by '|'.
std::string Refused(TLayer (*make)(std::int64_t), std::initializer_list<std::int64_t> numbers) {
  std::string messages;
  for (std::int64_t n : numbers)
    messages += ErrorMessage<sdk::ELayerException>([&] { make(n); }) + "|";
  return messages;
}

TEST(LayerIdentity, ConstructorsEncodeLayersAndRaiseWithTheirNameAndNumberOutOfRange) {
  // 32 is an extended layer, not the bottom; 65535 always means the bottom; 0 gives the signal
  // group's value. Planes and mechanical layers past 16 are extended.
  EXPECT_EQ(Mapped(sdk::SignalLayer, {1, 2, 31, 32, 65535, 0}),
            (std::vector<TLayer>{sdk::TopLayer, 2, 31, 0x01010020, sdk::BottomLayer, 0x01010000}));
  EXPECT_EQ(Mapped(sdk::MidLayer, {1, 30}), (std::vector<TLayer>{2, 31}));
  EXPECT_EQ(Mapped(sdk::InternalPlaneLayer, {1, 16, 17}),
            (std::vector<TLayer>{39, 54, 0x01040011}));
  EXPECT_EQ(Mapped(sdk::MechanicalLayer, {1, 16, 17, 65535}),
            (std::vector<TLayer>{57, 72, 0x04000011, 0x0400FFFF}));
  EXPECT_EQ(Refused(sdk::SignalLayer, {65536, -1}) + Refused(sdk::MidLayer, {65535}) +
                Refused(sdk::InternalPlaneLayer, {0, 65536}) +
                Refused(sdk::MechanicalLayer, {0, 5000000000LL}),
            "Creating SignalLayer(65536)|Creating SignalLayer(-1)|Creating SignalLayer(65536)|"
            "Creating InternalPlaneLayer(0)|Creating InternalPlaneLayer(65536)|"
            "Creating MechanicalLayer(0)|Creating MechanicalLayer(5000000000)|");
}

TEST(LayerIdentity, LegacyBytesAreTheirOwnIdentityUpTo82AndTestsSeparateGroupsFromLayers) {
  for (int b = 0; b <= 82; ++b)
    EXPECT_EQ(sdk::LegacyLayerToLayer(static_cast<uint8_t>(b)), TLayer(b));
  EXPECT_EQ(Mapped(sdk::LegacyLayerToLayer, {83, 255}), std::vector<TLayer>(2, sdk::NoLayer));
  // The signal group (number 0) and the mechanical group are groups, not layers.
  EXPECT_EQ(
      std::vector<bool>({sdk::IsSignalLayer(1), sdk::IsSignalLayer(32),
                         sdk::IsSignalLayer(0x01010020), sdk::IsSignalLayer(sdk::SignalLayersGroup),
                         sdk::IsSignalLayer(33), sdk::IsInternalPlaneLayer(54),
                         sdk::IsInternalPlaneLayer(55), sdk::IsMechanicalLayer(0x04000011),
                         sdk::IsMechanicalLayer(sdk::MechanicalLayersGroup),
                         sdk::IsLayerGroup(sdk::AllLayersGroup), sdk::IsLayerGroup(sdk::NoLayer),
                         sdk::IsStandardClassLayer(sdk::DrcDetailsLayer)}),
      std::vector<bool>({1, 1, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1}));
}

TEST(LayerIdentity, PartitionsIndexesAndParents) {
  // Partition, index in it and parent of each layer; 83 is a classic number without a partition.
  std::string placed;
  for (TLayer layer :
       {sdk::NoLayer, sdk::TopLayer, TLayer{2}, TLayer{0x01010020}, sdk::BottomLayer, TLayer{39},
        TLayer{0x01040011}, TLayer{57}, TLayer{72}, TLayer{33}, TLayer{38}, TLayer{55}, TLayer{56},
        TLayer{73}, TLayer{82}, sdk::TopPadMasterLayer, sdk::DrcDetailsLayer, TLayer{83}}) {
    char parent[16];
    std::snprintf(parent, sizeof parent, "%X", sdk::GetParentLayer(layer));
    placed += std::to_string(sdk::GetLayerPartition(layer)) + "/" +
              std::to_string(sdk::GetIndexInPartition(layer)) + "/" + parent + " ";
  }
  // Parents: all layers FFFF0000, signal 1010000, mid 1020000, planes 1040000, mechanical 4000000.
  EXPECT_EQ(placed,
            "0/0/FFFF0000 1/1/1010000 2/2/1020000 2/32/1020000 3/65535/1010000 4/1/1040000 "
            "4/17/1040000 5/1/4000000 5/16/4000000 6/6/FFFF0000 11/11/FFFF0000 12/12/FFFF0000 "
            "13/13/FFFF0000 14/14/FFFF0000 23/23/FFFF0000 24/24/FFFF0000 26/26/FFFF0000 0/0/0 ");
  // Groups and unknown classes have none.
  EXPECT_THROW(sdk::GetLayerPartition(sdk::SignalLayersGroup), sdk::EAssertionFailed);
  EXPECT_THROW(sdk::GetLayerPartition(0x02000005), sdk::EAssertionFailed);
  EXPECT_THROW(sdk::GetLayerPartition(0x00010040), sdk::EAssertionFailed);  // no partition 64
  const std::string message =
      ErrorMessage<sdk::EAssertionFailed>([] { sdk::GetLayerPartition(sdk::AllLayersGroup); });
  EXPECT_EQ(message.rfind("Could not find layer partition ID=4294901760 (RTL\\RT_PCB, line ", 0),
            0u)
      << message;

  // The parent chain of a mid layer ends in no layer.
  std::vector<TLayer> chain;
  for (TLayer l = sdk::GetParentLayer(2); l != sdk::NoLayer; l = sdk::GetParentLayer(l)) {
    chain.push_back(l);
    ASSERT_LT(chain.size(), 10u);
  }
  EXPECT_EQ(chain, (std::vector<TLayer>{sdk::MidLayersGroup, sdk::SignalLayersGroup,
                                        sdk::ElectricalLayersGroup, sdk::AllLayersGroup}));
}

TEST(LayerIdentity, PartitionsAndExtendedIndexesMapToLayers) {
  EXPECT_EQ(Mapped(sdk::LayerFromPartition, {2, 6, 13, 14, 26}),
            std::vector<TLayer>({sdk::MidLayersGroup, 33, 56, 73, sdk::DrcDetailsLayer}));
  EXPECT_THROW(sdk::LayerFromPartition(27), sdk::EAssertionFailed);
  for (int p = 0; p <= 26; ++p) {
    const TLayer layer = sdk::LayerFromPartition(p);
    if (!sdk::IsLayerGroup(layer)) {
      EXPECT_EQ(sdk::GetLayerPartition(layer), p);
    }
  }

  EXPECT_EQ(Mapped(sdk::LayerFromExtendedIndex, {1, 2, 33, 40, 79, 80, 85, 87, 92}),
            std::vector<TLayer>({sdk::NoLayer, sdk::TopLayer, sdk::BottomLayer, 39,
                                 sdk::DrcDetailsLayer, 78, sdk::TopPadMasterLayer,
                                 sdk::MidLayersGroup, sdk::MechanicalLayersGroup}));
  EXPECT_TRUE(sdk::LayerMatchesExtendedIndex(sdk::AllLayersGroup, 88));
  EXPECT_THROW(sdk::LayerFromExtendedIndex(93), sdk::EAssertionFailed);
  EXPECT_EQ(Mapped(sdk::LayerGroupFromCode, {6, 7}),
            std::vector<TLayer>({sdk::MidLayersGroup, sdk::NoLayer}));
}

TEST(LayerSaveForm, WritesAndReadsBackEveryKindAndRejectsOtherIntegers) {
  const std::vector<TLayer> layers(
      {sdk::TopLayer, sdk::BottomLayer, 0x01010020, 39, 0x01040011, 57, 33, sdk::NoLayer,
       sdk::DrcDetailsLayer, sdk::ElectricalLayersGroup, sdk::MechanicalLayersGroup,
       sdk::InternalPlanesGroup, sdk::SignalLayersGroup, sdk::AllLayersGroup, sdk::MidLayersGroup});
  std::vector<std::uint32_t> integers;
  for (TLayer layer : layers) integers.push_back(sdk::ToInteger_ForSave(layer));
  EXPECT_EQ(integers, std::vector<std::uint32_t>({0x01000001, 0x0100FFFF, 0x01000020, 0x01010001,
                                                  0x01010011, 0x01020001, 0x01030006, 0x01030000,
                                                  0x0103001A, 0x01800001, 0x01800002, 0x01800003,
                                                  0x01800004, 0x01800005, 0x01800006}));
  std::vector<TLayer> back;
  for (std::uint32_t integer : integers) back.push_back(sdk::CreateFromInteger_ForSave(integer));
  EXPECT_EQ(back, layers);
  // Every legacy layer survives the trip.
  for (int b = 0; b <= 82; ++b) {
    const TLayer layer = sdk::LegacyLayerToLayer(static_cast<uint8_t>(b));
    EXPECT_EQ(sdk::CreateFromInteger_ForSave(sdk::ToInteger_ForSave(layer)), layer) << b;
  }
  // Integers without the marker bit, or naming no layer, are refused.
  EXPECT_EQ(ErrorMessage<sdk::ELayerException>([] { sdk::CreateFromInteger_ForSave(0x00030006); }),
            "CreateFromInteger_ForSave(196614)");
  EXPECT_EQ(ErrorMessage<sdk::ELayerException>([] { sdk::CreateFromInteger_ForSave(0x01010000); }),
            "Creating InternalPlaneLayer(0)");
  EXPECT_EQ(sdk::LayerFromSaveId(0x050001), sdk::NoLayer);  // unknown kind
  EXPECT_THROW(sdk::GetLayerSaveId(0x02000005), sdk::EAssertionFailed);
}

TEST(LayerNames, DisplayNamesReadBackAndParseWithoutRegardToCase) {
  std::string names;
  for (TLayer layer : {sdk::NoLayer,
                       sdk::TopLayer,
                       TLayer{2},
                       TLayer{31},
                       TLayer{0x01010020},
                       sdk::BottomLayer,
                       TLayer{54},
                       TLayer{0x01040011},
                       TLayer{57},
                       TLayer{0x0400FFFF},
                       TLayer{33},
                       TLayer{56},
                       TLayer{74},
                       TLayer{82},
                       sdk::BottomPadMasterLayer,
                       sdk::MidLayersGroup,
                       sdk::AllLayersGroup,
                       sdk::SignalLayersGroup,
                       sdk::InternalPlanesGroup,
                       sdk::ElectricalLayersGroup,
                       sdk::MechanicalLayersGroup}) {
    const std::string name = sdk::GetLayerDisplayName(layer);
    EXPECT_EQ(sdk::LayerFromDisplayName(name), layer) << name;
    names += name + "|";
  }
  EXPECT_EQ(names,
            "No Layer|Top Layer|Mid Layer 1|Mid Layer 30|Mid Layer 31|Bottom Layer|"
            "Internal Plane 16|Internal Plane 17|Mechanical Layer 1|Mechanical Layer 65535|"
            "Top Overlay|Keep Out Layer|Multi Layer|Via Hole Layer|Bottom Pad Master|Mid Layers|"
            "All Layers|Signal Layers|Internal Plane Layers|Electrical Layers|Mechanical Layers|");
  // Prefixes, group and fixed names ignore ASCII case; the prefix alone, with or without its
  // blank, or followed by no number or one beyond 32 bits, names nothing; mid layer 0 is the
  // signal layer 1.
  std::vector<TLayer> parsed;
  for (const char* text : {"mid layer 30", "MID LAYERS", "top overlay", "Mid Layer", "Mid Layer ",
                           "Mid Layer x", "Mid Layer 99999999999", "Mid Layer 0",
                           "Internal Plane 3", "Mechanical Layer 20", "Nonsense", ""}) {
    parsed.push_back(sdk::LayerFromDisplayName(text));
  }
  EXPECT_EQ(parsed, (std::vector<TLayer>{31, sdk::MidLayersGroup, 33, 0, 0, 0, 0, sdk::TopLayer, 41,
                                         0x04000014, 0, 0}));
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
