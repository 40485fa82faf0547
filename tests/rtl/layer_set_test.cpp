// Layer sets: group semantics, set algebra, enumeration and the COM objects the host sees.
#include "rtl/layer_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "rtl/layer_errors.h"
#include "rtl/layer_set_com.h"

namespace {

using rtl::LayerSet;
using rtl::TLayer;

std::vector<TLayer> Walk(const LayerSet& set) {
  std::vector<TLayer> layers;
  rtl::LayerSetWalker walker(set);
  while (walker.Next()) layers.push_back(walker.Layer());
  return layers;
}

// Layers of every partition, classic and extended, plus the edges of each range.
const TLayer kSampleLayers[] = {
    rtl::NoLayer, rtl::TopLayer, 2,  31, 0x01010020, rtl::BottomLayer,    39, 54, 0x01040011,
    57,           0x04000011,    33, 56, 74,         rtl::DrcDetailsLayer};

struct NamedSet {
  const char* name;
  std::function<LayerSet()> make;
};
const NamedSet kSets[] = {
    {"empty", [] { return LayerSet(); }},
    {"top", [] { return LayerSet().Include(rtl::TopLayer); }},
    {"signal but top", [] { return LayerSet().IncludeAllSignal().Exclude(rtl::TopLayer); }},
    {"signal but bottom", [] { return LayerSet().IncludeAllSignal().Exclude(rtl::BottomLayer); }},
    {"mid layers", [] { return LayerSet().Include(rtl::MidLayersGroup); }},
    {"all", [] { return LayerSet::AllLayers(); }},
    {"mechanical", [] { return LayerSet().IncludeAllMechanical(); }},
    {"mixed list",
     [] { return LayerSet().Include(rtl::TopLayer).Include(2).Include(57).Include(33); }},
    {"planes but 1", [] { return LayerSet().IncludeAllInternalPlanes().Exclude(39); }},
    {"all but overlay", [] { return LayerSet::AllLayers().Exclude(33).Exclude(0x04000011); }},
};

TEST(LayerSet, ANewSetIsEmpty) {
  const LayerSet set;
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_FALSE(set.Contains(rtl::TopLayer));
  EXPECT_TRUE(Walk(set).empty());
  EXPECT_EQ(set.GetFirstLayer(), rtl::NoLayer);
}

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

TEST(LayerSet, SignalButTopIsInfiniteAndIncomplete) {
  LayerSet set;
  set.IncludeAllSignal().Exclude(rtl::TopLayer);
  EXPECT_TRUE(set.Contains(2));
  EXPECT_TRUE(set.Contains(0x0101FFFE));
  EXPECT_FALSE(set.Contains(rtl::TopLayer));
  EXPECT_TRUE(set.HasNoCompletePartition());
  try {
    rtl::LayerSetWalker walker(set);
    ADD_FAILURE() << "no error";
  } catch (const rtl::EPCB_LayerSetException& e) {
    EXPECT_STREQ(e.what(), "Iterating an infinite layer set");
  }
}

struct GroupCase {
  const char* why;
  std::function<void(LayerSet&)> act;
  std::vector<TLayer> in;
  std::vector<TLayer> out;
};
const GroupCase kGroupCases[] = {
    {"include mid layers on an empty set",
     [](LayerSet& s) { s.Include(rtl::MidLayersGroup); },
     {2, 31, 0x01010020, rtl::MidLayersGroup},
     {rtl::TopLayer, rtl::BottomLayer, rtl::SignalLayersGroup}},
    {"include mid layers keeps a top already there",
     [](LayerSet& s) { s.Include(rtl::TopLayer).Include(rtl::MidLayersGroup); },
     {rtl::TopLayer, 2, rtl::MidLayersGroup},
     {rtl::BottomLayer}},
    {"exclude mid layers from all signal layers",
     [](LayerSet& s) { s.IncludeAllSignal().Exclude(rtl::MidLayersGroup); },
     {rtl::TopLayer, rtl::BottomLayer},
     {2, 31, 0x01010020, rtl::MidLayersGroup}},
    {"exclude mid layers from a list",
     [](LayerSet& s) {
       s.Include(2).Include(5).Include(rtl::BottomLayer).Include(57).Exclude(rtl::MidLayersGroup);
     },
     {rtl::BottomLayer, 57},
     {2, 5, rtl::TopLayer}},
    {"exclude all layers",
     [](LayerSet& s) { s.IncludeAll().Include(33).Exclude(rtl::AllLayersGroup); },
     {},
     {rtl::TopLayer, 2, 39, 57, 33, rtl::NoLayer, rtl::AllLayersGroup}},
    {"all layers is contained only in a complete set",
     [](LayerSet& s) { s.IncludeAll(); },
     {rtl::AllLayersGroup, rtl::ElectricalLayersGroup, rtl::MidLayersGroup},
     {}},
    {"one exclusion breaks all layers",
     [](LayerSet& s) { s.Include(rtl::AllLayersGroup).Exclude(56); },
     {rtl::SignalLayersGroup, rtl::MechanicalLayersGroup},
     {rtl::AllLayersGroup, 56}},
    {"exclude planes after all",
     [](LayerSet& s) { s.IncludeAll().Exclude(rtl::InternalPlanesGroup); },
     {rtl::SignalLayersGroup},
     {rtl::InternalPlanesGroup, rtl::ElectricalLayersGroup, 39}},
    {"electrical layers",
     [](LayerSet& s) { s.Include(rtl::ElectricalLayersGroup); },
     {rtl::TopLayer, 39, rtl::ElectricalLayersGroup},
     {57, 33, rtl::AllLayersGroup}},
    {"exclude electrical layers",
     [](LayerSet& s) { s.IncludeAll().Exclude(rtl::ElectricalLayersGroup); },
     {57, 33},
     {rtl::TopLayer, 40}},
};

TEST(LayerSet, GroupsIncludeExcludeAndContainAsTheirLayers) {
  for (const GroupCase& c : kGroupCases) {
    SCOPED_TRACE(c.why);
    LayerSet set;
    c.act(set);
    for (TLayer layer : c.in) EXPECT_TRUE(set.Contains(layer)) << layer;
    for (TLayer layer : c.out) EXPECT_FALSE(set.Contains(layer)) << layer;
  }
}

TEST(LayerSet, IncludeMidLayersRecordsTopAndBottomAsExclusions) {
  LayerSet set;
  set.Include(rtl::MidLayersGroup);
  const rtl::TSetPartition& signal = set.Partition(LayerSet::kSignal);
  EXPECT_TRUE(signal.All);
  ASSERT_TRUE(signal.ExcludeHash);
  EXPECT_EQ(signal.ExcludeHash->Count(), 2);
  EXPECT_TRUE(signal.ExcludeHash->Contains(rtl::TopLayer));
  EXPECT_TRUE(signal.ExcludeHash->Contains(rtl::BottomLayer));
}

TEST(LayerSet, ExcludingAnIncludedLayerLeavesAnEmptyHash) {
  LayerSet set;
  set.Include(rtl::TopLayer).Exclude(rtl::TopLayer);
  ASSERT_TRUE(set.Partition(LayerSet::kSignal).IncludeHash);
  EXPECT_EQ(set.Partition(LayerSet::kSignal).IncludeHash->Count(), 0);
  EXPECT_TRUE(set.IsEmpty());
}

TEST(LayerSet, MissingOperandsStandForAllLayers) {
  const LayerSet top = LayerSet().Include(rtl::TopLayer);
  EXPECT_TRUE(LayerSet().Complement().IsComplete());
  EXPECT_TRUE(top.Union(nullptr).IsComplete());
  EXPECT_TRUE(top.Intersect(nullptr).SameAs(&top));
  EXPECT_FALSE(top.SameAs(nullptr));
  EXPECT_TRUE(LayerSet::AllLayers().SameAs(nullptr));
}

TEST(LayerSet, UnionRestoresAnExcludedLayerTheOtherIncludes) {
  const LayerSet a = LayerSet().IncludeAllSignal().Exclude(rtl::TopLayer);
  const LayerSet b = LayerSet().Include(rtl::TopLayer);
  EXPECT_TRUE(a.Union(&b).Contains(rtl::TopLayer));
  LayerSet c = a;
  c.IncludeSet(b);
  EXPECT_TRUE(c.Partition(LayerSet::kSignal).IsComplete());
}

TEST(LayerSet, CopiesAreDeep) {
  LayerSet a = LayerSet().Include(rtl::TopLayer);
  const LayerSet b = a;
  a.Exclude(rtl::TopLayer);
  EXPECT_TRUE(b.Contains(rtl::TopLayer));
}

TEST(LayerSet, LegacySetsIncludeLayersUpTo82InBucketOrder) {
  rtl::TLegacyLayerSet legacy;
  legacy.Set(32);
  legacy.Set(1);
  legacy.Set(83);  // beyond the legacy layers: ignored
  legacy.Set(87);
  const LayerSet set = LayerSet().IncludeLegacySet(legacy);
  EXPECT_EQ(Walk(set), (std::vector<TLayer>{rtl::TopLayer, rtl::BottomLayer}));
}

TEST(LayerSet, WalksPartitionsInOrderSkippingEmptyHashes) {
  LayerSet set;
  set.Include(33).Include(57).Include(40).Include(rtl::BottomLayer).Include(2).Exclude(2);
  EXPECT_EQ(Walk(set), (std::vector<TLayer>{rtl::BottomLayer, 57, 40, 33}));
}

TEST(LayerSet, FirstLayerPrefersPlanesThenMechanicalThenOverlay) {
  EXPECT_EQ(LayerSet::AllLayers().GetFirstLayer(), 39u);
  EXPECT_EQ(LayerSet().IncludeAllMechanical().GetFirstLayer(), 57u);
  EXPECT_EQ(LayerSet().IncludeAllStandard().GetFirstLayer(), 33u);
  EXPECT_EQ(LayerSet().IncludeAllSignal().GetFirstLayer(), rtl::TopLayer);
  EXPECT_EQ(LayerSet().Include(57).Include(33).GetFirstLayer(), 57u);
  EXPECT_THROW(LayerSet().IncludeAllSignal().Exclude(2).GetFirstLayer(),
               rtl::EPCB_LayerSetException);
}

TEST(LayerSet, PartitionMasks) {
  EXPECT_TRUE(LayerSet::FromPartitions(0x0E).Partition(LayerSet::kSignal).IsComplete());
  EXPECT_TRUE(LayerSet().IncludeAllSignal().SameAsPartitions(0x0E));
  EXPECT_FALSE(LayerSet().IncludeAllSignal().SameAsPartitions(0x06));
  LayerSet set = LayerSet::AllLayers();
  set.ExcludePartitions1To16();
  for (TLayer gone : {rtl::TopLayer, TLayer{2}, TLayer{0x01010020}, rtl::BottomLayer, TLayer{39},
                      TLayer{57}, TLayer{33}, TLayer{56}, TLayer{74}, TLayer{75}}) {
    EXPECT_FALSE(set.Contains(gone)) << gone;  // partitions 1..16, mid layers included
  }
  EXPECT_TRUE(set.Contains(rtl::NoLayer));  // partition 0
  EXPECT_TRUE(set.Contains(76));            // partition 17
  EXPECT_THROW(LayerSet().IncludePartitions(1u << 27), rtl::EAssertionFailed);
}

TEST(LayerSet, DescriptionListsPartitionsAndLayers) {
  EXPECT_EQ(LayerSet().Include(rtl::TopLayer).GetDescription(),
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

TEST(LayerSet, UnknownLayerValuesAreConsistencyErrors) {
  EXPECT_THROW(LayerSet().Include(0x02000001), rtl::EAssertionFailed);
  EXPECT_THROW(LayerSet().Contains(0x02000000), rtl::EAssertionFailed);
}

// ---- COM objects --------------------------------------------------------------------------------

std::wstring ErrorDescription() {
  win::ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
  win::Bstr text;
  info->GetDescription(text.put());
  return text.str();
}

TEST(LayerSetObject, ChainedChangesReturnTheSetWithAReference) {
  win::ComPtr<IPCB_LayerSet> set = rtl::MakeLayerSet();
  IPCB_LayerSet* same = set->Include(rtl::TopLayer);
  EXPECT_EQ(same, set.get());
  EXPECT_EQ(same->Release(), 1u);  // the chained result held the second reference
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(2));
  set->AddRef();
  EXPECT_EQ(set->Release(), 1u);
  EXPECT_TRUE(set->Contains(rtl::TopLayer));
  EXPECT_TRUE(set->Contains(2));
  EXPECT_FALSE(set->Contains(rtl::BottomLayer));
}

TEST(LayerSetObject, FailuresBecomeNeutralValuesWithErrorInformation) {
  win::ComPtr<IPCB_LayerSet> set = rtl::MakeLayerSet(LayerSet().IncludeAllSignal());
  EXPECT_EQ(set->CreateIterator(), nullptr);
  EXPECT_EQ(ErrorDescription(), L"Iterating an infinite layer set");
  EXPECT_EQ(set->Contains(0x02000001), FALSE);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(0x02000001));  // unchanged, no throw
  EXPECT_TRUE(set->IsComplete() == FALSE && set->Contains(rtl::TopLayer));
}

TEST(LayerSetObject, IteratorsWalkWithFilters) {
  const auto set =
      rtl::MakeLayerSet(LayerSet().Include(rtl::TopLayer).Include(57).Include(33).Include(39));
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  ASSERT_TRUE(iterator);
  std::vector<TLayer> all;
  while (iterator->Next()) all.push_back(iterator->GetLayer());
  EXPECT_EQ(all, (std::vector<TLayer>{rtl::TopLayer, 57, 39, 33}));
  EXPECT_EQ(iterator->GetLayer(), rtl::NoLayer);

  // Each chained result carries a reference of its own.
  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->AddSignalLayers());
  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->AddInternalPlanes());
  std::vector<TLayer> electrical;
  for (bool more = iterator->First(); more; more = iterator->Next())
    electrical.push_back(iterator->GetLayer());
  EXPECT_EQ(electrical, (std::vector<TLayer>{rtl::TopLayer, 39}));

  win::ComPtr<IPCB_LayerIterator>::Adopt(iterator->SetFilterPartitions(1u << 6));  // top overlay
  ASSERT_TRUE(iterator->First());
  EXPECT_EQ(iterator->GetLayer(), 33u);
  EXPECT_FALSE(iterator->Next());
}

TEST(LayerSetObject, IteratorKeepsItsSetAlive) {
  auto set = rtl::MakeLayerSet(LayerSet().Include(rtl::BottomLayer));
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  set.reset();
  ASSERT_TRUE(iterator->Next());
  EXPECT_EQ(iterator->GetLayer(), rtl::BottomLayer);
}

TEST(LayerSetObject, IteratorSurvivesChangesToItsSet) {
  const auto set = rtl::MakeLayerSet(LayerSet().Include(rtl::TopLayer).Include(2).Include(57));
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  ASSERT_TRUE(iterator->Next());
  EXPECT_EQ(iterator->GetLayer(), rtl::TopLayer);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->ExcludeAllSignal());  // frees the hash being walked
  EXPECT_EQ(iterator->GetLayer(), rtl::NoLayer);
  ASSERT_TRUE(iterator->Next());  // goes on with the next partition
  EXPECT_EQ(iterator->GetLayer(), 57u);
  win::ComPtr<IPCB_LayerSet>::Adopt(set->Include(58));  // added behind the cursor: seen
  ASSERT_TRUE(iterator->Next());
  EXPECT_EQ(iterator->GetLayer(), 58u);
  EXPECT_FALSE(iterator->Next());
}

TEST(LayerSetObject, ValueIteratorReadsAndWritesTheHash) {
  rtl::TLayerHash hash(false, 0, 8);
  rtl::SetLayerValue(hash, rtl::TopLayer, 4);
  rtl::SetLayerValue(hash, 57, 6);
  auto values = rtl::CreateLayerValueIterator(hash);
  ASSERT_TRUE(values->Next());
  EXPECT_EQ(values->GetValue(), 4u);
  EXPECT_EQ(values->SetValue(5), S_OK);
  EXPECT_EQ(rtl::LookupLayerValue(hash, rtl::TopLayer), 5u);
  ASSERT_TRUE(values->Next());
  EXPECT_FALSE(values->Next());
  EXPECT_EQ(values->SetValue(1), E_FAIL);  // no current item
  auto as_value = win::ComPtr<IPCB_LayerIterator>::Share(values.get())
                      .As<ILayerValueIterator>(IID_ILayerValueIterator);
  EXPECT_TRUE(as_value);
}

TEST(LayerSetObject, FactoriesMakeSetsAndReportStatus) {
  const auto factory = rtl::GetPCBFactory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(factory.get(), rtl::GetPCBFactory().get());  // one instance
  win::ComPtr<IPCB_LayerSet> set;
  ASSERT_EQ(factory->CreateLayerSetFromLayer(rtl::BottomLayer, set.put()), S_OK);
  EXPECT_TRUE(set->Contains(rtl::BottomLayer));
  ASSERT_EQ(factory->CreateLayerSet(set.put()), S_OK);
  EXPECT_TRUE(set->IsEmpty());
  const BYTE legacy[11] = {0x02, 0, 0, 0, 0x01};  // layers 1 and 32
  ASSERT_EQ(factory->CreateLayerSetFromLegacySet(legacy, set.put()), S_OK);
  EXPECT_TRUE(set->Contains(rtl::TopLayer) && set->Contains(rtl::BottomLayer));
  EXPECT_EQ(factory->CreateLayerSet(nullptr), E_POINTER);
  EXPECT_TRUE(win::ComPtr<IPCB_LayerSet>::Adopt(factory->CreateAllLayersSet())->IsComplete());

  const auto utils = rtl::GetLayerSetUtils();
  const auto all = win::ComPtr<IPCB_LayerSet>::Adopt(utils->IntersectionOf(nullptr, nullptr));
  EXPECT_TRUE(all->IsComplete());
  const auto top = win::ComPtr<IPCB_LayerSet>::Adopt(utils->LayerSetFromLayer(rtl::TopLayer));
  const auto copy = win::ComPtr<IPCB_LayerSet>::Adopt(utils->IntersectionOf(nullptr, top.get()));
  EXPECT_TRUE(utils->AreEqual(copy.get(), top.get()));
  EXPECT_FALSE(utils->AreDisjoint(copy.get(), top.get()));
  EXPECT_TRUE(win::ComPtr<IPCB_LayerSet>::Adopt(utils->UnionOf(top.get(), nullptr))->IsComplete());
  rtl::EndLayerSetUnit();
  EXPECT_NE(rtl::GetLayerSetUtils().get(), nullptr);  // made again on demand
}

TEST(LayerSetObject, SystemLayerSetIncludesItsLayersInOrder) {
  const auto set =
      win::ComPtr<IPCB_LayerSet>::Adopt(rtl::GetLayerSetUtils()->CreateSystemLayerSet());
  auto iterator = win::ComPtr<IPCB_LayerIterator>::Adopt(set->CreateIterator());
  std::vector<TLayer> layers;
  while (iterator->Next()) layers.push_back(iterator->GetLayer());
  EXPECT_EQ(layers, (std::vector<TLayer>{75, 76, 77, rtl::DrcDetailsLayer, 78, 79, 80, 81, 82}));
}

TEST(LayerSetObject, TextsCrossTheInterfaceAsBstrs) {
  const auto set = rtl::MakeLayerSet(LayerSet().Include(rtl::TopLayer));
  win::Bstr text;
  ASSERT_EQ(set->ToText(text.put()), S_OK);
  EXPECT_EQ(text.str(),
            L"Signal.All~0_Signal.Include~SerializeLayerHash.Version=2,ClassName=TLayerHash,"
            L"16777217=1_Mechanical.All~0_Internal.All~0_Standard.All~0");
  const auto utils = rtl::GetLayerSetUtils();
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
