// Layer identities: constructors, partitions, the parent chain, the save form and names.
#include "rtl/layers.h"

#include <gtest/gtest.h>

#include <string>

#include "rtl/layer_errors.h"

namespace {

using rtl::TLayer;

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
    {rtl::SignalLayer, 1, rtl::TopLayer, "top"},
    {rtl::SignalLayer, 2, 2, "classic mid layer 1"},
    {rtl::SignalLayer, 31, 31, "last classic mid layer"},
    {rtl::SignalLayer, 32, 0x01010020, "32 is an extended layer, not the bottom"},
    {rtl::SignalLayer, 65535, rtl::BottomLayer, "65535 always means the bottom"},
    {rtl::SignalLayer, 0, 0x01010000, "0 gives the signal group's value"},
    {rtl::MidLayer, 1, 2, "mid layer 1 is legacy 2"},
    {rtl::MidLayer, 30, 31, "mid layer 30 is legacy 31"},
    {rtl::InternalPlaneLayer, 1, 39, "plane 1"},
    {rtl::InternalPlaneLayer, 16, 54, "plane 16"},
    {rtl::InternalPlaneLayer, 17, 0x01040011, "plane 17 is extended"},
    {rtl::MechanicalLayer, 1, 57, "mechanical 1"},
    {rtl::MechanicalLayer, 16, 72, "mechanical 16"},
    {rtl::MechanicalLayer, 17, 0x04000011, "mechanical 17 is extended"},
    {rtl::MechanicalLayer, 65535, 0x0400FFFF, "the last mechanical layer"},
};

TEST(LayerIdentity, ConstructorsEncodeClassicAndExtendedLayers) {
  for (const ConstructorCase& c : kConstructed) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(c.make(c.n), c.layer);
  }
}

struct RangeCase {
  TLayer (*make)(std::int64_t);
  std::int64_t n;
  const char* message;
};
const RangeCase kOutOfRange[] = {
    {rtl::SignalLayer, 65536, "Creating SignalLayer(65536)"},
    {rtl::SignalLayer, -1, "Creating SignalLayer(-1)"},
    {rtl::MidLayer, 65535, "Creating SignalLayer(65536)"},
    {rtl::InternalPlaneLayer, 0, "Creating InternalPlaneLayer(0)"},
    {rtl::InternalPlaneLayer, 65536, "Creating InternalPlaneLayer(65536)"},
    {rtl::MechanicalLayer, 0, "Creating MechanicalLayer(0)"},
    {rtl::MechanicalLayer, 5000000000LL, "Creating MechanicalLayer(5000000000)"},
};

TEST(LayerIdentity, OutOfRangeNumbersRaiseWithTheConstructorAndNumber) {
  for (const RangeCase& c : kOutOfRange) {
    EXPECT_EQ(MessageOf<rtl::ELayerException>([&] { c.make(c.n); }), c.message);
  }
}

TEST(LayerIdentity, LegacyBytesAreTheirOwnIdentityUpTo82) {
  for (int b = 0; b <= 82; ++b)
    EXPECT_EQ(rtl::LegacyLayerToLayer(static_cast<uint8_t>(b)), TLayer(b));
  EXPECT_EQ(rtl::LegacyLayerToLayer(83), rtl::NoLayer);
  EXPECT_EQ(rtl::LegacyLayerToLayer(255), rtl::NoLayer);
}

TEST(LayerIdentity, TestsSeparateGroupsFromLayers) {
  EXPECT_TRUE(rtl::IsSignalLayer(1));
  EXPECT_TRUE(rtl::IsSignalLayer(32));
  EXPECT_TRUE(rtl::IsSignalLayer(0x01010020));
  EXPECT_FALSE(rtl::IsSignalLayer(rtl::SignalLayersGroup));  // number 0: a group
  EXPECT_FALSE(rtl::IsSignalLayer(33));
  EXPECT_TRUE(rtl::IsInternalPlaneLayer(54));
  EXPECT_FALSE(rtl::IsInternalPlaneLayer(55));
  EXPECT_TRUE(rtl::IsMechanicalLayer(0x04000011));
  EXPECT_FALSE(rtl::IsMechanicalLayer(rtl::MechanicalLayersGroup));
  EXPECT_TRUE(rtl::IsLayerGroup(rtl::AllLayersGroup));
  EXPECT_FALSE(rtl::IsLayerGroup(rtl::NoLayer));
  EXPECT_TRUE(rtl::IsStandardClassLayer(rtl::DrcDetailsLayer));
}

struct PartitionCase {
  TLayer layer;
  rtl::TLayerPartition partition;
  std::uint32_t index;
  TLayer parent;
};
const PartitionCase kPartitions[] = {
    {rtl::NoLayer, 0, 0, rtl::AllLayersGroup},
    {rtl::TopLayer, 1, 1, rtl::SignalLayersGroup},
    {2, 2, 2, rtl::MidLayersGroup},
    {0x01010020, 2, 32, rtl::MidLayersGroup},
    {rtl::BottomLayer, 3, 65535, rtl::SignalLayersGroup},
    {39, 4, 1, rtl::InternalPlanesGroup},
    {0x01040011, 4, 17, rtl::InternalPlanesGroup},
    {57, 5, 1, rtl::MechanicalLayersGroup},
    {72, 5, 16, rtl::MechanicalLayersGroup},
    {33, 6, 6, rtl::AllLayersGroup},
    {38, 11, 11, rtl::AllLayersGroup},
    {55, 12, 12, rtl::AllLayersGroup},
    {56, 13, 13, rtl::AllLayersGroup},
    {73, 14, 14, rtl::AllLayersGroup},
    {82, 23, 23, rtl::AllLayersGroup},
    {rtl::TopPadMasterLayer, 24, 24, rtl::AllLayersGroup},
    {rtl::DrcDetailsLayer, 26, 26, rtl::AllLayersGroup},
    {83, 0, 0, rtl::NoLayer},  // a classic number without a partition
};

TEST(LayerIdentity, PartitionsIndexesAndParents) {
  for (const PartitionCase& c : kPartitions) {
    SCOPED_TRACE(c.layer);
    EXPECT_EQ(rtl::GetLayerPartition(c.layer), c.partition);
    EXPECT_EQ(rtl::GetIndexInPartition(c.layer), c.index);
    EXPECT_EQ(rtl::GetParentLayer(c.layer), c.parent);
  }
}

TEST(LayerIdentity, GroupsAndUnknownClassesHaveNoPartition) {
  EXPECT_THROW(rtl::GetLayerPartition(rtl::SignalLayersGroup), rtl::EAssertionFailed);
  EXPECT_THROW(rtl::GetLayerPartition(0x02000005), rtl::EAssertionFailed);
  EXPECT_THROW(rtl::GetLayerPartition(0x00010040), rtl::EAssertionFailed);  // no partition 64
  const std::string message =
      MessageOf<rtl::EAssertionFailed>([] { rtl::GetLayerPartition(rtl::AllLayersGroup); });
  EXPECT_EQ(message.rfind("Could not find layer partition ID=4294901760 (RTL\\RT_PCB, line ", 0),
            0u)
      << message;
}

TEST(LayerIdentity, ParentChainOfAMidLayerEndsInNoLayer) {
  std::vector<TLayer> chain;
  for (TLayer l = rtl::GetParentLayer(2); l != rtl::NoLayer; l = rtl::GetParentLayer(l)) {
    chain.push_back(l);
    ASSERT_LT(chain.size(), 10u);
  }
  EXPECT_EQ(chain, (std::vector<TLayer>{rtl::MidLayersGroup, rtl::SignalLayersGroup,
                                        rtl::ElectricalLayersGroup, rtl::AllLayersGroup}));
}

TEST(LayerIdentity, PartitionsAndExtendedIndexesMapToLayers) {
  EXPECT_EQ(rtl::LayerFromPartition(2), rtl::MidLayersGroup);
  EXPECT_EQ(rtl::LayerFromPartition(6), 33u);
  EXPECT_EQ(rtl::LayerFromPartition(13), 56u);
  EXPECT_EQ(rtl::LayerFromPartition(14), 73u);
  EXPECT_EQ(rtl::LayerFromPartition(26), rtl::DrcDetailsLayer);
  EXPECT_THROW(rtl::LayerFromPartition(27), rtl::EAssertionFailed);
  for (int p = 0; p <= 26; ++p) {
    const TLayer layer = rtl::LayerFromPartition(p);
    if (!rtl::IsLayerGroup(layer)) {
      EXPECT_EQ(rtl::GetLayerPartition(layer), p);
    }
  }

  EXPECT_EQ(rtl::LayerFromExtendedIndex(1), rtl::NoLayer);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(2), rtl::TopLayer);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(33), rtl::BottomLayer);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(40), 39u);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(79), rtl::DrcDetailsLayer);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(80), 78u);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(85), rtl::TopPadMasterLayer);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(87), rtl::MidLayersGroup);
  EXPECT_EQ(rtl::LayerFromExtendedIndex(92), rtl::MechanicalLayersGroup);
  EXPECT_TRUE(rtl::LayerMatchesExtendedIndex(rtl::AllLayersGroup, 88));
  EXPECT_THROW(rtl::LayerFromExtendedIndex(93), rtl::EAssertionFailed);
  EXPECT_EQ(rtl::LayerGroupFromCode(6), rtl::MidLayersGroup);
  EXPECT_EQ(rtl::LayerGroupFromCode(7), rtl::NoLayer);
}

struct SaveCase {
  TLayer layer;
  std::uint32_t integer;
};
const SaveCase kSaveForms[] = {
    {rtl::TopLayer, 0x01000001},
    {rtl::BottomLayer, 0x0100FFFF},
    {0x01010020, 0x01000020},
    {39, 0x01010001},
    {0x01040011, 0x01010011},
    {57, 0x01020001},
    {33, 0x01030006},
    {rtl::NoLayer, 0x01030000},
    {rtl::DrcDetailsLayer, 0x0103001A},
    {rtl::ElectricalLayersGroup, 0x01800001},
    {rtl::MechanicalLayersGroup, 0x01800002},
    {rtl::InternalPlanesGroup, 0x01800003},
    {rtl::SignalLayersGroup, 0x01800004},
    {rtl::AllLayersGroup, 0x01800005},
    {rtl::MidLayersGroup, 0x01800006},
};

TEST(LayerSaveForm, WritesAndReadsBackEveryKind) {
  for (const SaveCase& c : kSaveForms) {
    SCOPED_TRACE(c.layer);
    EXPECT_EQ(rtl::ToInteger_ForSave(c.layer), c.integer);
    EXPECT_EQ(rtl::CreateFromInteger_ForSave(c.integer), c.layer);
  }
  // Every legacy layer survives the trip.
  for (int b = 0; b <= 82; ++b) {
    const TLayer layer = rtl::LegacyLayerToLayer(static_cast<uint8_t>(b));
    EXPECT_EQ(rtl::CreateFromInteger_ForSave(rtl::ToInteger_ForSave(layer)), layer) << b;
  }
}

TEST(LayerSaveForm, RejectsIntegersWithoutTheMarkerBit) {
  EXPECT_EQ(MessageOf<rtl::ELayerException>([] { rtl::CreateFromInteger_ForSave(0x00030006); }),
            "CreateFromInteger_ForSave(196614)");
  EXPECT_EQ(MessageOf<rtl::ELayerException>([] { rtl::CreateFromInteger_ForSave(0x01010000); }),
            "Creating InternalPlaneLayer(0)");
  EXPECT_EQ(rtl::LayerFromSaveId(0x050001), rtl::NoLayer);  // unknown kind
  EXPECT_THROW(rtl::GetLayerSaveId(0x02000005), rtl::EAssertionFailed);
}

struct NameCase {
  TLayer layer;
  const char* name;
};
const NameCase kNames[] = {
    {rtl::NoLayer, "No Layer"},
    {rtl::TopLayer, "Top Layer"},
    {2, "Mid Layer 1"},
    {31, "Mid Layer 30"},
    {0x01010020, "Mid Layer 31"},
    {rtl::BottomLayer, "Bottom Layer"},
    {54, "Internal Plane 16"},
    {0x01040011, "Internal Plane 17"},
    {57, "Mechanical Layer 1"},
    {0x0400FFFF, "Mechanical Layer 65535"},
    {33, "Top Overlay"},
    {56, "Keep Out Layer"},
    {74, "Multi Layer"},
    {82, "Via Hole Layer"},
    {rtl::BottomPadMasterLayer, "Bottom Pad Master"},
    {rtl::MidLayersGroup, "Mid Layers"},
    {rtl::AllLayersGroup, "All Layers"},
    {rtl::SignalLayersGroup, "Signal Layers"},
    {rtl::InternalPlanesGroup, "Internal Plane Layers"},
    {rtl::ElectricalLayersGroup, "Electrical Layers"},
    {rtl::MechanicalLayersGroup, "Mechanical Layers"},
};

TEST(LayerNames, DisplayNamesReadBackToTheSameLayer) {
  for (const NameCase& c : kNames) {
    EXPECT_EQ(rtl::GetLayerDisplayName(c.layer), c.name);
    EXPECT_EQ(rtl::LayerFromDisplayName(c.name), c.layer) << c.name;
  }
}

struct ParseNameCase {
  const char* text;
  TLayer layer;
  const char* why;
};
const ParseNameCase kParsedNames[] = {
    {"mid layer 30", 31, "prefixes ignore ASCII case"},
    {"MID LAYERS", rtl::MidLayersGroup, "group names too"},
    {"top overlay", 33, "fixed names too"},
    {"Mid Layer", rtl::NoLayer, "the prefix without its blank and number"},
    {"Mid Layer ", rtl::NoLayer, "the prefix alone"},
    {"Mid Layer x", rtl::NoLayer, "no number after the prefix"},
    {"Mid Layer 99999999999", rtl::NoLayer, "a number beyond 32 bits is no number"},
    {"Mid Layer 0", rtl::TopLayer, "mid layer 0 is the signal layer 1"},
    {"Internal Plane 3", 41, "planes"},
    {"Mechanical Layer 20", 0x04000014, "extended mechanical"},
    {"Nonsense", rtl::NoLayer, "no such layer"},
    {"", rtl::NoLayer, "empty"},
};

TEST(LayerNames, ParsesNamesWithoutRegardToCase) {
  for (const ParseNameCase& c : kParsedNames) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(rtl::LayerFromDisplayName(c.text), c.layer) << c.text;
  }
}

TEST(LayerNames, NumbersTheConstructorsRejectRaise) {
  EXPECT_THROW(rtl::LayerFromDisplayName("Internal Plane 0"), rtl::ELayerException);
  EXPECT_THROW(rtl::LayerFromDisplayName("Mechanical Layer 70000"), rtl::ELayerException);
}

TEST(LayerNames, WithoutAGroupRoutineGroupsHaveNoName) {
  EXPECT_EQ(rtl::LayerToName(rtl::AllLayersGroup, rtl::PartitionDisplayName, nullptr), "");
  EXPECT_EQ(rtl::LayerFromName("All Layers", rtl::PartitionDisplayName, nullptr), rtl::NoLayer);
  EXPECT_EQ(rtl::LayerGroupDisplayName(86), "");
  EXPECT_THROW(rtl::PartitionDisplayName(27), rtl::EAssertionFailed);
}

TEST(ObjectKinds, ShortNames) {
  EXPECT_EQ(rtl::ObjectKindToShortName(0), "No");
  EXPECT_EQ(rtl::ObjectKindToShortName(4), "Track");
  EXPECT_EQ(rtl::ObjectKindToShortName(16), "Rule");
  EXPECT_EQ(rtl::ObjectKindToShortName(26), "BoardOutline");
  EXPECT_EQ(rtl::ObjectKindToShortName(27), "");
  EXPECT_EQ(rtl::ObjectKindToShortName(-1), "");
}

}  // namespace
