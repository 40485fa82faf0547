// Layer sets: group semantics, set algebra, enumeration and the COM objects the host sees.
#include "sdk/layer_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "sdk/layer_errors.h"
#include "sdk/layer_set_com.h"
#include "sdk/layer_text.h"
#include "framework/win/text.h"

namespace {

using sdk::LayerSet;
using sdk::TLayer;

std::vector<TLayer> Walk(const LayerSet& set) {
  std::vector<TLayer> layers;
  sdk::LayerSetWalker walker(set);
  while (walker.Next()) layers.push_back(walker.Layer());
  return layers;
}

// Layers of every partition, classic and extended, plus the edges of each range.
const TLayer kSampleLayers[] = {
    sdk::NoLayer, sdk::TopLayer, 2,  31, 0x01010020, sdk::BottomLayer,    39, 54, 0x01040011,
    57,           0x04000011,    33, 56, 74,         sdk::DrcDetailsLayer};

struct NamedSet {
  const char* name;
  std::function<LayerSet()> make;
};
const NamedSet kSets[] = {
    {"empty", [] { return LayerSet(); }},
    {"top", [] { return LayerSet().Include(sdk::TopLayer); }},
    {"signal but top", [] { return LayerSet().IncludeAllSignal().Exclude(sdk::TopLayer); }},
    {"signal but bottom", [] { return LayerSet().IncludeAllSignal().Exclude(sdk::BottomLayer); }},
    {"mid layers", [] { return LayerSet().Include(sdk::MidLayersGroup); }},
    {"all", [] { return LayerSet::AllLayers(); }},
    {"mechanical", [] { return LayerSet().IncludeAllMechanical(); }},
    {"mixed list",
     [] { return LayerSet().Include(sdk::TopLayer).Include(2).Include(57).Include(33); }},
    {"planes but 1", [] { return LayerSet().IncludeAllInternalPlanes().Exclude(39); }},
    {"all but overlay", [] { return LayerSet::AllLayers().Exclude(33).Exclude(0x04000011); }},
};

TEST(LayerSet, AlgebraAgreesWithMembershipOnEveryLayer) {
  for (const NamedSet& a : kSets) {
    const LayerSet sa = a.make();
    const LayerSet complement = sa.Complement();
    for (TLayer layer : kSampleLayers) {
      ASSERT_EQ(complement.Contains(layer), !sa.Contains(layer)) << a.name << " " << layer;
    }
    for (const NamedSet& b : kSets) {
      SCOPED_TRACE(std::string(a.name) + " with " + b.name);
      const LayerSet sb = b.make();
      const LayerSet both = sa.Intersect(&sb), either = sa.Union(&sb);
      for (TLayer layer : kSampleLayers) {
        EXPECT_EQ(both.Contains(layer), sa.Contains(layer) && sb.Contains(layer)) << layer;
        EXPECT_EQ(either.Contains(layer), sa.Contains(layer) || sb.Contains(layer)) << layer;
      }
      EXPECT_EQ(sa.SameAs(&sb), std::string(a.name) == b.name);
    }
  }
}

// The layers, then the groups, the group cases ask about, in the order of their membership texts.
const TLayer kProbeLayers[] = {
    sdk::TopLayer, 2, 31, 0x01010020, 0x0101FFFE, sdk::BottomLayer, 39, 57, 56, 33, sdk::NoLayer};
const TLayer kProbeGroups[] = {sdk::MidLayersGroup,        sdk::SignalLayersGroup,
                               sdk::InternalPlanesGroup,   sdk::ElectricalLayersGroup,
                               sdk::MechanicalLayersGroup, sdk::AllLayersGroup};

TEST(LayerSet, GroupsIncludeExcludeAndContainAsTheirLayers) {
  using sdk::MidLayersGroup;
  // One digit a probe; all layers is contained only in a complete set, one exclusion breaks it.
  // clang-format off
  const std::pair<std::function<void(LayerSet&)>, const char*> cases[] = {
      // Signal layers but the top reach the last extended one and hold the mid layers.
      {[](LayerSet& s) { s.IncludeAllSignal().Exclude(sdk::TopLayer); }, "01111100000100000"},
      {[](LayerSet& s) { s.Include(MidLayersGroup); }, "01111000000100000"},
      {[](LayerSet& s) { s.Include(sdk::TopLayer).Include(MidLayersGroup); }, "11111000000100000"},
      {[](LayerSet& s) { s.IncludeAllSignal().Exclude(MidLayersGroup); }, "10000100000000000"},
      {[](LayerSet& s) { s.Include(2).Include(5).Include(sdk::BottomLayer).Include(57)
                          .Exclude(MidLayersGroup); }, "00000101000000000"},
      {[](LayerSet& s) { s.IncludeAll().Include(33).Exclude(sdk::AllLayersGroup); },
       "00000000000000000"},
      {[](LayerSet& s) { s.IncludeAll(); }, "11111111111111111"},
      {[](LayerSet& s) { s.Include(sdk::AllLayersGroup).Exclude(56); }, "11111111011111110"},
      {[](LayerSet& s) { s.IncludeAll().Exclude(sdk::InternalPlanesGroup); }, "11111101111110010"},
      {[](LayerSet& s) { s.Include(sdk::ElectricalLayersGroup); }, "11111110000111100"},
      {[](LayerSet& s) { s.IncludeAll().Exclude(sdk::ElectricalLayersGroup); },
       "00000001111000010"}};
  // clang-format on
  for (const auto& [act, expected] : cases) {
    LayerSet set;
    act(set);
    std::string members;
    for (TLayer layer : kProbeLayers) members += set.Contains(layer) ? '1' : '0';
    for (TLayer group : kProbeGroups) members += set.Contains(group) ? '1' : '0';
    EXPECT_EQ(members, expected);
  }
}

TEST(LayerSet, PartitionsKeepTheirHashesAndCopiesAreDeep) {
  LayerSet mid;
  mid.Include(sdk::MidLayersGroup);  // top and bottom become exclusions
  const sdk::TSetPartition& signal = mid.Partition(LayerSet::kSignal);
  ASSERT_TRUE(signal.All && signal.ExcludeHash);
  EXPECT_EQ(signal.ExcludeHash->Count(), 2);
  EXPECT_TRUE(signal.ExcludeHash->Contains(sdk::TopLayer) &&
              signal.ExcludeHash->Contains(sdk::BottomLayer));

  LayerSet set = LayerSet().Include(sdk::TopLayer);
  const LayerSet copy = set;
  set.Exclude(sdk::TopLayer);
  EXPECT_TRUE(copy.Contains(sdk::TopLayer));
  LayerSet assigned = LayerSet::AllLayers();
  assigned = copy;
  EXPECT_TRUE(assigned.SameAs(&copy)) << "assigned, not kept";
  ASSERT_TRUE(set.Partition(LayerSet::kSignal).IncludeHash);
  EXPECT_EQ(set.Partition(LayerSet::kSignal).IncludeHash->Count(), 0);  // left, empty
  EXPECT_TRUE(set.IsEmpty());
}

TEST(LayerSet, MissingOperandsStandForAllLayersAndUnionRestoresExclusions) {
  const LayerSet top = LayerSet().Include(sdk::TopLayer);
  EXPECT_TRUE(LayerSet().Complement().IsComplete());
  EXPECT_TRUE(top.Union(nullptr).IsComplete());
  EXPECT_TRUE(top.Intersect(nullptr).SameAs(&top));
  EXPECT_FALSE(top.SameAs(nullptr));
  EXPECT_TRUE(LayerSet::AllLayers().SameAs(nullptr));
  LayerSet but_top = LayerSet().IncludeAllSignal().Exclude(sdk::TopLayer);
  EXPECT_TRUE(but_top.Union(&top).Contains(sdk::TopLayer));
  but_top.IncludeSet(top);
  EXPECT_TRUE(but_top.Partition(LayerSet::kSignal).IsComplete());
}

TEST(LayerSet, WalksAndFirstLayersFollowThePartitionOrder) {
  EXPECT_TRUE(Walk(LayerSet()).empty());
  sdk::TLegacyLayerSet legacy;
  for (int layer : {32, 1, 83, 87}) legacy.Set(layer);  // beyond 82: ignored
  EXPECT_EQ(Walk(LayerSet().IncludeLegacySet(legacy)),
            (std::vector<TLayer>{sdk::TopLayer, sdk::BottomLayer}));
  LayerSet set;
  set.Include(33).Include(57).Include(40).Include(sdk::BottomLayer).Include(2).Exclude(2);
  EXPECT_EQ(Walk(set), (std::vector<TLayer>{sdk::BottomLayer, 57, 40, 33}));  // empty hash skipped
  // The first layer prefers planes, then mechanical layers, then the overlay.
  EXPECT_EQ(std::vector<TLayer>({LayerSet().GetFirstLayer(), LayerSet::AllLayers().GetFirstLayer(),
                                 LayerSet().IncludeAllMechanical().GetFirstLayer(),
                                 LayerSet().IncludeAllStandard().GetFirstLayer(),
                                 LayerSet().IncludeAllSignal().GetFirstLayer(),
                                 LayerSet().Include(57).Include(33).GetFirstLayer()}),
            std::vector<TLayer>({sdk::NoLayer, 39, 57, 33, sdk::TopLayer, 57}));
  // Signal layers but one are infinite and incomplete: no walk.
  const LayerSet infinite = LayerSet().IncludeAllSignal().Exclude(2);
  EXPECT_TRUE(infinite.HasNoCompletePartition());
  EXPECT_THROW(infinite.GetFirstLayer(), sdk::EPCB_LayerSetException);
  EXPECT_THROW(sdk::LayerSetWalker{infinite}, sdk::EPCB_LayerSetException);
}

TEST(LayerSet, PartitionMasks) {
  EXPECT_TRUE(LayerSet::FromPartitions(0x0E).Partition(LayerSet::kSignal).IsComplete());
  EXPECT_TRUE(LayerSet().IncludeAllSignal().SameAsPartitions(0x0E));
  EXPECT_FALSE(LayerSet().IncludeAllSignal().SameAsPartitions(0x06));
  LayerSet set = LayerSet::AllLayers();
  set.ExcludePartitions1To16();
  std::string members;  // partitions 1..16 go, mid layers included; 0 and 17 stay
  for (TLayer layer :
       {sdk::TopLayer, TLayer{2}, TLayer{0x01010020}, sdk::BottomLayer, TLayer{39}, TLayer{57},
        TLayer{33}, TLayer{56}, TLayer{74}, TLayer{75}, sdk::NoLayer, TLayer{76}}) {
    members += set.Contains(layer) ? '1' : '0';
  }
  EXPECT_EQ(members, "000000000011");
  EXPECT_TRUE(LayerSet().IncludePartitions(1).Contains(sdk::NoLayer));  // partition 0 alone
  EXPECT_THROW(LayerSet().IncludePartitions(1u << 27), sdk::EAssertionFailed);
  EXPECT_THROW(LayerSet().Include(0x02000001), sdk::EAssertionFailed);  // no such layer class
  EXPECT_THROW(LayerSet().Contains(0x02000000), sdk::EAssertionFailed);
}

TEST(LayerSet, DescriptionListsPartitionsAndLayers) {
  EXPECT_EQ(LayerSet().Include(sdk::TopLayer).GetDescription(),
            "Signal Layers Exclude All : Exceptions\r\n"
            " + Top Layer\r\n"
            "Mechanical Layers Exclude All : Exceptions\r\n"
            "Internal Plane Layers Exclude All : Exceptions\r\n"
            "Standard Layers Exclude All : Exceptions\r\n");
  EXPECT_EQ(LayerSet().IncludeAllMechanical().Exclude(58).GetDescription(),
            "Signal Layers Exclude All : Exceptions\r\n"
            "Mechanical Layers Include All : Exceptions\r\n"
            " - Mechanical Layer 2\r\n"
            "Internal Plane Layers Exclude All : Exceptions\r\n"
            "Standard Layers Exclude All : Exceptions\r\n");
}

// ---- COM objects --------------------------------------------------------------------------------

std::wstring ErrorDescription() {
  win::ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
  win::Bstr text;
  info->GetDescription(text.put());
  return text.str();
}

// The layers an iterator walks from its first one.
std::vector<TLayer> Walked(IPCB_LayerIterator* iterator) {
  std::vector<TLayer> layers;
  for (bool more = iterator->First(); more; more = iterator->Next())
    layers.push_back(iterator->GetLayer());
  return layers;
}

TEST(LayerSetObject, ChainedChangesReturnTheSetWithAReferenceAndFailuresNeutralValues) {
  win::ComPtr<IPCB_LayerSet> set = sdk::MakeLayerSet();
  IPCB_LayerSet* same = set->Include(sdk::TopLayer);
  EXPECT_EQ(same, set.get());
  EXPECT_EQ(same->Release(), 1u);  // the chained result held the second reference
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(2));
  set->AddRef();
  EXPECT_EQ(set->Release(), 1u);
  EXPECT_TRUE(set->Contains(sdk::TopLayer) && set->Contains(2) && !set->Contains(57));

  set = sdk::MakeLayerSet(LayerSet().IncludeAllSignal());
  EXPECT_EQ(set->CreateIterator(), nullptr);
  EXPECT_EQ(ErrorDescription(), L"Iterating an infinite layer set");
  EXPECT_EQ(set->Contains(0x02000001), FALSE);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(0x02000001));  // unchanged, no throw
  EXPECT_TRUE(set->IsComplete() == FALSE && set->Contains(sdk::TopLayer));
}

TEST(LayerSetObject, IteratorsWalkWithFiltersAndKeepTheirSetAlive) {
  auto set =
      sdk::MakeLayerSet(LayerSet().Include(sdk::TopLayer).Include(57).Include(33).Include(39));
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  ASSERT_TRUE(iterator);
  set.reset();
  EXPECT_EQ(Walked(iterator.get()), (std::vector<TLayer>{sdk::TopLayer, 57, 39, 33}));
  EXPECT_EQ(iterator->GetLayer(), sdk::NoLayer);
  // Each chained result carries a reference of its own.
  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->AddSignalLayers());
  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->AddInternalPlanes());
  EXPECT_EQ(Walked(iterator.get()), (std::vector<TLayer>{sdk::TopLayer, 39}));
  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->SetFilterPartitions(1u << 6));  // top overlay
  EXPECT_EQ(Walked(iterator.get()), (std::vector<TLayer>{33}));
}

TEST(LayerSetObject, IteratorSurvivesChangesToItsSet) {
  const auto set = sdk::MakeLayerSet(LayerSet().Include(sdk::TopLayer).Include(2).Include(57));
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  ASSERT_TRUE(iterator->Next());
  EXPECT_EQ(iterator->GetLayer(), sdk::TopLayer);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->ExcludeAllSignal());  // frees the hash being walked
  EXPECT_EQ(iterator->GetLayer(), sdk::NoLayer);
  ASSERT_TRUE(iterator->Next());  // goes on with the next partition
  EXPECT_EQ(iterator->GetLayer(), 57u);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(58));  // added behind the cursor: seen
  ASSERT_TRUE(iterator->Next());
  EXPECT_EQ(iterator->GetLayer(), 58u);
  EXPECT_FALSE(iterator->Next());
}

TEST(LayerSetObject, ValueIteratorReadsAndWritesTheHash) {
  sdk::TLayerHash hash(false, 0, 8);
  sdk::SetLayerValue(hash, sdk::TopLayer, 4);
  sdk::SetLayerValue(hash, 57, 6);
  auto values = sdk::CreateLayerValueIterator(hash);
  ASSERT_TRUE(values->Next());
  EXPECT_EQ(values->GetValue(), 4u);
  EXPECT_EQ(values->SetValue(5), S_OK);
  EXPECT_EQ(sdk::LookupLayerValue(hash, sdk::TopLayer), 5u);
  ASSERT_TRUE(values->Next());
  EXPECT_FALSE(values->Next());
  EXPECT_EQ(values->SetValue(1), E_FAIL);  // no current item
  auto as_value = win::ComPtr<IPCB_LayerIterator>::Share(values.get())
                      .As<ILayerValueIterator>(IID_ILayerValueIterator);
  EXPECT_TRUE(as_value);

  // A set's iterator yields no values: it answers only as a layer iterator.
  const auto plain = win::ComPtr<IPCB_LayerIterator>::Adopt(
      sdk::MakeLayerSet(LayerSet().Include(sdk::TopLayer))->CreateIterator());
  EXPECT_TRUE(plain.As<IPCB_LayerIterator>(IID_IPCB_LayerIterator));
  EXPECT_FALSE(plain.As<ILayerValueIterator>(IID_ILayerValueIterator));
}

TEST(LayerSetObject, FactoriesMakeSetsAndReportStatus) {
  const auto factory = sdk::GetPCBFactory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(factory.get(), sdk::GetPCBFactory().get());  // one instance
  win::ComPtr<IPCB_LayerSet> set;
  ASSERT_EQ(factory->CreateLayerSetFromLayer(sdk::BottomLayer, set.put()), S_OK);
  EXPECT_TRUE(set->Contains(sdk::BottomLayer));
  ASSERT_EQ(factory->CreateLayerSet(set.put()), S_OK);
  EXPECT_TRUE(set->IsEmpty());
  const BYTE legacy[11] = {0x02, 0, 0, 0, 0x01};  // layers 1 and 32
  ASSERT_EQ(factory->CreateLayerSetFromLegacySet(legacy, set.put()), S_OK);
  EXPECT_TRUE(set->Contains(sdk::TopLayer) && set->Contains(sdk::BottomLayer));
  EXPECT_EQ(factory->CreateLayerSet(nullptr), E_POINTER);
  EXPECT_TRUE(win::ComPtr<IPCB_LayerSet>::Adopt(factory->CreateAllLayersSet())->IsComplete());

  const auto utils = sdk::GetLayerSetUtils();
  const auto all = win::ComPtr<IPCB_LayerSet>::Adopt(utils->IntersectionOf(nullptr, nullptr));
  EXPECT_TRUE(all->IsComplete());
  const auto top = win::ComPtr<IPCB_LayerSet>::Adopt(utils->LayerSetFromLayer(sdk::TopLayer));
  const auto copy = win::ComPtr<IPCB_LayerSet>::Adopt(utils->IntersectionOf(nullptr, top.get()));
  EXPECT_TRUE(utils->AreEqual(copy.get(), top.get()));
  EXPECT_FALSE(utils->AreDisjoint(copy.get(), top.get()));
  EXPECT_TRUE(win::ComPtr<IPCB_LayerSet>::Adopt(utils->UnionOf(top.get(), nullptr))->IsComplete());
  sdk::EndLayerSetUnit();
  EXPECT_NE(sdk::GetLayerSetUtils().get(), nullptr);  // made again on demand
  const auto system =
      win::ComPtr<IPCB_LayerSet>::Adopt(sdk::GetLayerSetUtils()->CreateSystemLayerSet());
  EXPECT_EQ(Walked(win::ComPtr<IPCB_LayerIterator>::Adopt(system->CreateIterator()).get()),
            (std::vector<TLayer>{75, 76, 77, sdk::DrcDetailsLayer, 78, 79, 80, 81, 82}));
}

TEST(LayerSetObject, TextsCrossTheInterfaceAsBstrs) {
  const auto set = sdk::MakeLayerSet(LayerSet().Include(sdk::TopLayer));
  win::Bstr text;
  ASSERT_EQ(set->ToText(text.put()), S_OK);
  EXPECT_EQ(win::Narrow(text.str()), sdk::LayerSetToText(LayerSet().Include(sdk::TopLayer)));
  const auto utils = sdk::GetLayerSetUtils();
  const auto back = win::ComPtr<IPCB_LayerSet>::Adopt(utils->LayerSetFromText(text.get()));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->SameAs(set.get()));
  win::Bstr description;
  ASSERT_EQ(set->GetDescription(description.put()), S_OK);
  EXPECT_NE(description.str().find(L" + Top Layer\r\n"), std::wstring::npos);
  const win::Bstr bad(L"Signal.All~0_Signal.Include~196614=1");
  EXPECT_EQ(utils->LayerSetFromText(bad.get()), nullptr);
  EXPECT_EQ(ErrorDescription(), L"CreateFromInteger_ForSave(196614)");
}

}  // namespace
