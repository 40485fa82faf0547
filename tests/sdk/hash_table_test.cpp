// The pointer hash table and the layer hash: bucket layout, growth, defaults, iteration order,
// locking, and lookups that climb the layer parent chain.
#include "sdk/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "sdk/layer_errors.h"
#include "sdk/layer_hash.h"

namespace {

using sdk::HashKey;
using sdk::HashValue;

// What a table's hooks were handed; it outlives the table.
struct Released {
  std::vector<HashKey> keys;
  std::vector<HashValue> values;
};

class Recorder : public sdk::TReleaseHooks {
 public:
  explicit Recorder(std::shared_ptr<Released> released) : released_(std::move(released)) {}
  void ReleaseKey(HashKey key) override { released_->keys.push_back(key); }
  void ReleaseValue(HashValue value) override { released_->values.push_back(value); }

 private:
  std::shared_ptr<Released> released_;  // the table's hooks outlive the Table subclass
};

class Table : public sdk::TCustomPointerBucketList {
 public:
  explicit Table(int hint = 8, std::shared_ptr<Released> released = std::make_shared<Released>())
      : TCustomPointerBucketList(hint, std::make_unique<Recorder>(released)),
        released_(std::move(released)) {}
  const std::vector<HashKey>& released_keys() const { return released_->keys; }
  const std::vector<HashValue>& released_values() const { return released_->values; }

 private:
  std::shared_ptr<Released> released_;
};

std::vector<std::pair<HashKey, HashValue>> Items(const sdk::TCustomPointerBucketList& table) {
  std::vector<std::pair<HashKey, HashValue>> items;
  sdk::TBucketListIterator it(table);
  while (it.Next()) items.emplace_back(it.GetKey(), it.GetValue());
  return items;
}

struct BucketCase {
  int hint;
  int buckets;
};
constexpr BucketCase kBucketCounts[] = {
    {-1, 8},        {0, 8},          {8, 8},
    {32, 8},        {1407, 8},  // 11 buckets wanted: 8 / 11 is still 0.7 or more
    {1408, 16},                 // 12 wanted: 8 / 12 is below 0.7, so doubled
    {2815, 16},                 // 22 wanted: 16 / 22 >= 0.7
    {2816, 32},                 // 23 wanted: 16 / 23 < 0.7
    {100000, 1024}, {1000000, 4096}, {100000000, 4096},
};

TEST(PointerHashTable, BucketCountFollowsTheCapacityHint) {
  for (const BucketCase& c : kBucketCounts) {
    Table table(c.hint);
    EXPECT_EQ(table.BucketCount(), c.buckets) << "hint " << c.hint;
  }
}

TEST(PointerHashTable, RehashesAtTheExactLoadPoint) {
  Table table(8);
  // Keys 0, 256, 512, ... spread over the buckets as bits 8 and up vary.
  for (int i = 0; i < 1843; ++i) table.Add(static_cast<HashKey>(i) << 8, 1);
  EXPECT_EQ(table.Count(), 1843);
  EXPECT_EQ(table.BucketCount(), 8);  // 1843 / 8 = 230.375, not above 230.4
  table.Add(HashKey{1843} << 8, 1);
  EXPECT_EQ(table.BucketCount(), 16);  // 1844 div 128 + 1 = 15, p = 8, 8/15 < 0.7: 16
  for (int b = 0; b < 16; ++b) EXPECT_GT(table.BucketItemCount(b), 0) << b;
  for (int i = 0; i < 1844; ++i) ASSERT_TRUE(table.Contains(static_cast<HashKey>(i) << 8)) << i;
}

TEST(PointerHashTable, NeverShrinksAndCapsAt4096Buckets) {
  Table table(8);
  for (int i = 0; i < 4000; ++i) table.Add(static_cast<HashKey>(i) << 8, 1);
  const int grown = table.BucketCount();
  EXPECT_GT(grown, 8);
  for (int i = 0; i < 4000; ++i) table.Remove(static_cast<HashKey>(i) << 8);
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.BucketCount(), grown);
  table.Rehash(8);
  EXPECT_EQ(table.BucketCount(), grown);

  Table big(1000000);
  EXPECT_EQ(big.BucketCount(), 4096);
  for (int i = 0; i < 1200000; ++i) big.Add(static_cast<HashKey>(i), 1);
  EXPECT_EQ(big.BucketCount(), 4096);  // items pile up beyond the cap
  EXPECT_EQ(big.Count(), 1200000);
}

TEST(PointerHashTable, BucketsComeFromBitsEightAndUp) {
  Table table(8);
  std::vector<int> buckets;
  for (HashKey key : {0x100u, 0x900u, 1u, 255u, 0x700u})
    buckets.push_back(table.BucketIndexOf(key));
  EXPECT_EQ(buckets, std::vector<int>({1, 1, 0, 0, 7}));
}

TEST(PointerHashTable, IteratesBucketByBucketInInsertionOrder) {
  Table table(8);
  for (HashKey key : {0x100u, 5u, 0x900u, 1u, 0x200u}) table.Add(key, key + 1);
  const std::vector<std::pair<HashKey, HashValue>> expected = {
      {5, 6}, {1, 2}, {0x100, 0x101}, {0x900, 0x901}, {0x200, 0x201}};
  EXPECT_EQ(Items(table), expected);
  table.Remove(5);
  table.Add(5, 6);  // back at the end of its bucket
  EXPECT_EQ(Items(table).front().first, 1u);
}

TEST(PointerHashTable, GrowthKeepsInsertionOrderInsideBuckets) {
  Table table(8);
  std::vector<HashKey> keys;
  for (int i = 0; i < 3000; ++i)
    keys.push_back(static_cast<HashKey>((i * 7919) % 5000) << 8 | (i & 3));
  for (HashKey key : keys) table.Add(key, 1);
  ASSERT_GT(table.BucketCount(), 8);
  // The expected order: by bucket, then by insertion.
  std::vector<std::pair<int, int>> order;  // (bucket, insertion index)
  for (int i = 0; i < static_cast<int>(keys.size()); ++i)
    order.emplace_back(table.BucketIndexOf(keys[i]), i);
  std::stable_sort(order.begin(), order.end(), [](auto a, auto b) { return a.first < b.first; });
  const auto items = Items(table);
  ASSERT_EQ(items.size(), order.size());
  for (size_t i = 0; i < items.size(); ++i) ASSERT_EQ(items[i].first, keys[order[i].second]) << i;
}

TEST(PointerHashTable, StoringTheDefaultDeletesTheEntry) {
  Table table;
  table.SetValue(7, 3);
  EXPECT_EQ(table.Count(), 1);
  table.SetValue(7, 0);
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.GetValue(7), 0u);  // absent, and no failure
  table.SetValue(8, 0);              // never stored
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.released_values(), (std::vector<HashValue>{3, 0}));
}

TEST(PointerHashTable, AddKeepsTheStoredValue) {
  Table table;
  EXPECT_TRUE(table.Add(1, 10));
  EXPECT_FALSE(table.Add(1, 20));
  EXPECT_EQ(table.GetValue(1), 10u);
  EXPECT_EQ(table.Remove(1), 10u);
  EXPECT_EQ(table.Remove(1), 0u);
  HashValue value = 99;
  EXPECT_FALSE(table.TryGetValue(1, value));
}

TEST(PointerHashTable, MissingKeysFailWithoutTheDefault) {
  Table table;
  table.SetUseDefault(false);
  try {
    table.GetValue(42);
    ADD_FAILURE() << "no error";
  } catch (const sdk::EListError& e) {
    EXPECT_STREQ(e.what(), "GetValue for missing Key");
  }
}

TEST(PointerHashTable, ReleasesEveryKeyItUses) {
  Table table;
  table.SetValue(1, 5);  // added: the key stays, no release
  table.SetValue(1, 6);  // replaced: old value released, key released
  table.GetValue(1);
  table.GetValue(2);
  table.Remove(1);  // released by the deletion and by Remove
  EXPECT_EQ(table.released_keys(), (std::vector<HashKey>{1, 1, 2, 1, 1}));
  EXPECT_EQ(table.released_values(), (std::vector<HashValue>{5}));
}

TEST(PointerHashTable, ChangesDuringForEachRaiseAndNestedForEachKeepsTheLock) {
  Table table;
  for (HashKey k = 1; k <= 3; ++k) table.Add(k, k);
  int visits = 0;
  const bool completed = table.ForEach([&](HashKey, HashValue& value, bool&) {
    value *= 10;
    // A nested walk must not unlock the outer one when it ends.
    table.ForEach([&](HashKey, HashValue&, bool&) {});
    EXPECT_TRUE(table.Locked());
    EXPECT_THROW(table.Add(99, 1), sdk::EListError);
    EXPECT_THROW(table.SetValue(1, 5), sdk::EListError);
    EXPECT_THROW(table.Remove(1), sdk::EListError);
    EXPECT_THROW(table.Clear(), sdk::EListError);
    ++visits;
  });
  EXPECT_TRUE(completed);
  EXPECT_EQ(visits, 3);
  EXPECT_FALSE(table.Locked());
  EXPECT_EQ(table.GetValue(2), 20u);
  try {
    table.ForEach([&](HashKey, HashValue&, bool&) { table.Add(100, 1); });
  } catch (const sdk::EListError& e) {
    EXPECT_STREQ(e.what(), "List is locked during an active ForEach");
  }
  EXPECT_FALSE(table.Locked());  // an exception unlocks too
  EXPECT_FALSE(table.ForEach([](HashKey key, HashValue&, bool& go_on) { go_on = key != 2; }));
}

TEST(PointerHashTable, IteratorAtTheEndReadsZeroAndRefusesValues) {
  Table table;
  sdk::TBucketListIterator empty(table);
  EXPECT_FALSE(empty.Next());
  EXPECT_EQ(empty.GetKey() | empty.GetValue(), 0u);
  EXPECT_THROW(empty.SetValue(1), sdk::EEOFException);

  table.Add(3, 30);
  auto it = table.CreateIterator();
  ASSERT_TRUE(it->Next());
  it->SetValue(31);
  EXPECT_EQ(table.GetValue(3), 31u);
  EXPECT_FALSE(it->Next());
  EXPECT_TRUE(it->First());  // starts over
  EXPECT_EQ(it->GetKey(), 3u);
}

TEST(PointerHashTable, ClearEmptiesAndReleasesEverything) {
  Table table;
  for (HashKey k = 0; k < 100; ++k) table.Add(k << 8, k + 1);
  table.Clear();
  EXPECT_TRUE(table.Count() == 0 && Items(table).empty());
  EXPECT_EQ(table.released_values().size(), 100u);
  table.Add(5, 1);  // usable afterwards, index and all
  EXPECT_TRUE(table.Contains(5));
}

TEST(PointerHashTable, DestroyingATableReleasesWhatIsLeftLastBucketFirst) {
  const auto released = std::make_shared<Released>();
  {
    Table table(8, released);
    table.Add(0x100, 11);  // bucket 1
    table.Add(0x200, 22);  // bucket 2
    table.Add(0x101, 12);  // bucket 1, after 0x100
    table.Remove(0x200);
    released->keys.clear();
    released->values.clear();
  }
  EXPECT_EQ(released->values, (std::vector<HashValue>{12, 11}));
  EXPECT_EQ(released->keys, (std::vector<HashKey>{0x101, 0x100}));
}

TEST(PointerHashTable, BigTablesFindEveryKeyAfterDeletions) {
  Table table;
  for (HashKey k = 0; k < 20000; ++k) table.Add(k * 37, k);
  for (HashKey k = 0; k < 20000; k += 3) table.Remove(k * 37);
  for (HashKey k = 0; k < 20000; ++k) {
    HashValue value = 0;
    ASSERT_EQ(table.TryGetValue(k * 37, value), k % 3 != 0) << k;
    if (k % 3) {
      ASSERT_EQ(value, k);
    }
  }
  EXPECT_EQ(table.Count(), 13333);

  // Positions after the deletions still lead to the right items.
  for (HashKey k = 1; k < 20000; k += 3) table.SetValue(k * 37, k + 100000);
  for (HashKey k = 2; k < 20000; k += 3) ASSERT_EQ(table.Remove(k * 37), k) << k;
  EXPECT_EQ(table.Count(), 6667);
  for (const auto& [key, value] : Items(table)) {
    ASSERT_EQ(key % 37, 0u);
    ASSERT_EQ(value, key / 37 + 100000) << key;
    ASSERT_EQ(table.GetValue(key), value) << key;
  }
}

TEST(PointerHashTable, ValuesChangedWhileWalkingReachLaterLookups) {
  for (int size : {5, 5000}) {  // a small table and one big enough for the key index
    SCOPED_TRACE(size);
    Table table;
    for (int k = 0; k < size; ++k) table.Add(static_cast<HashKey>(k) << 4, 1);
    table.ForEach([](HashKey key, HashValue& value, bool&) { value = key + 7; });
    sdk::TBucketListIterator it(table);
    while (it.Next()) {
      if (it.GetKey() % 32 == 0) it.SetValue(3);
    }
    for (int k = 0; k < size; ++k) {
      const HashKey key = static_cast<HashKey>(k) << 4;
      HashValue value = 0;
      ASSERT_TRUE(table.TryGetValue(key, value));
      ASSERT_EQ(value, key % 32 == 0 ? 3 : key + 7) << k;
    }
  }
}

// ---- Layer hash ---------------------------------------------------------------------------------

TEST(LayerHash, InheritedLookupClimbsTheParentChain) {
  sdk::TCustomLayerHash hash(true, 0, 8);
  hash.SetUseDefault(false);
  sdk::SetLayerValue(hash, sdk::SignalLayersGroup, 5);
  EXPECT_EQ(sdk::LookupLayerValue(hash, 2), 5u);  // via MidLayersGroup
  EXPECT_EQ(sdk::LookupLayerValue(hash, sdk::TopLayer), 5u);
  try {
    sdk::LookupLayerValue(hash, 33);
    ADD_FAILURE() << "no error";
  } catch (const sdk::EListError& e) {
    EXPECT_STREQ(e.what(), "Could not find value for Layer=Top Overlay");
  }
}

TEST(LayerHash, AnExplicitDefaultHidesTheParentsValueWhenInheriting) {
  sdk::TCustomLayerHash hash(true, 0, 8);
  sdk::SetLayerValue(hash, sdk::AllLayersGroup, 7);
  sdk::SetLayerValue(hash, sdk::TopLayer, 0);  // stays stored
  EXPECT_TRUE(sdk::HashContainsLayer(hash, sdk::TopLayer));
  EXPECT_EQ(sdk::LookupLayerValue(hash, sdk::TopLayer), 0u);
  EXPECT_EQ(sdk::LookupLayerValue(hash, sdk::BottomLayer), 7u);
  EXPECT_EQ(sdk::LookupLayerValue(hash, sdk::NoLayer), 7u);  // NoLayer's parent is all layers

  sdk::TLayerHash plain(false, 0, 8);
  sdk::SetLayerValue(plain, sdk::AllLayersGroup, 7);
  EXPECT_EQ(sdk::LookupLayerValue(plain, sdk::TopLayer), 0u);  // no inheritance
  sdk::SetLayerValue(plain, sdk::AllLayersGroup, 0);
  EXPECT_FALSE(sdk::HashContainsLayer(plain, sdk::AllLayersGroup));
}

TEST(LayerHash, AssignToCopiesInOrderAndKeepsTheTargetsEntries) {
  sdk::TLayerHash source(false, 0, 8), target(false, 0, 8);
  sdk::SetLayerValue(source, sdk::TopLayer, 1);
  sdk::SetLayerValue(source, 0x01010020, 2);
  sdk::SetLayerValue(target, 57, 3);
  source.AssignTo(target, nullptr);
  EXPECT_EQ(target.Count(), 3);
  EXPECT_EQ(sdk::LookupLayerValue(target, 0x01010020), 2u);
  EXPECT_EQ(sdk::LookupLayerValue(target, 57), 3u);
  EXPECT_STREQ(target.ClassName(), "TLayerHash");
}

TEST(LayerHash, FreeValuesDeletesTheObjectsHeld) {
  static int alive = 0;
  struct Counted {
    Counted() { ++alive; }
    ~Counted() { --alive; }
  };
  sdk::TLayerHash hash(false, 0, 8);
  for (sdk::TLayer l = 1; l <= 3; ++l) {
    sdk::SetLayerValue(hash, l, reinterpret_cast<HashValue>(new Counted));
  }
  EXPECT_EQ(alive, 3);
  hash.FreeValues<Counted>();
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(hash.Count(), 3);  // the entries stay, holding 0
}

}  // namespace
