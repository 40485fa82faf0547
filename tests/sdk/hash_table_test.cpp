// The pointer hash table and the layer hash: bucket layout, growth, defaults, iteration order,
// locking, and lookups that climb the layer parent chain.
#include "sdk/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "tests/support/raised.h"
#include "sdk/layer_errors.h"
#include "sdk/layer_hash.h"

namespace {

using sdk::HashKey;
using sdk::HashValue;
using testsupport::ErrorMessage;
using Items = std::vector<std::pair<HashKey, HashValue>>;

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
  std::shared_ptr<Released> released_;
};

class Table : public sdk::TCustomPointerBucketList {
 public:
  explicit Table(int hint = 8, std::shared_ptr<Released> released = std::make_shared<Released>())
      : TCustomPointerBucketList(hint, std::make_unique<Recorder>(released)),
        released(std::move(released)) {}
  std::shared_ptr<Released> released;
};

Items ItemsOf(const sdk::TCustomPointerBucketList& table) {
  Items items;
  sdk::TBucketListIterator it(table);
  while (it.Next()) items.emplace_back(it.GetKey(), it.GetValue());
  return items;
}

HashKey Spread(int i) { return static_cast<HashKey>(i) << 8; }  // buckets vary with bits 8 up

TEST(PointerHashTable, BucketCountFollowsTheHintGrowsAtTheLoadPointAndNeverShrinks) {
  // 1407: 11 buckets wanted, 8 / 11 still 0.7 or more; 1408: 8 / 12 below 0.7, so doubled.
  const std::pair<int, int> hints[] = {
      {-1, 8},    {0, 8},     {8, 8},         {32, 8},         {1407, 8},        {1408, 16},
      {2815, 16}, {2816, 32}, {100000, 1024}, {1000000, 4096}, {100000000, 4096}};
  for (const auto& [hint, buckets] : hints) EXPECT_EQ(Table(hint).BucketCount(), buckets) << hint;

  Table table(8);
  for (int i = 0; i < 1843; ++i) table.Add(Spread(i), 1);
  EXPECT_EQ(table.BucketCount(), 8);  // 1843 / 8 = 230.375, not above 230.4
  table.Add(Spread(1843), 1);
  EXPECT_EQ(table.BucketCount(), 16);  // 1844 div 128 + 1 = 15, p = 8, 8/15 < 0.7: 16
  for (int b = 0; b < 16; ++b) EXPECT_GT(table.BucketItemCount(b), 0) << b;
  for (int i = 1844; i < 4000; ++i) table.Add(Spread(i), 1);
  const int grown = table.BucketCount();
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(table.Contains(Spread(i))) << i;
  for (int i = 0; i < 4000; ++i) table.Remove(Spread(i));
  table.Rehash(8);
  EXPECT_EQ(std::make_pair(table.Count(), table.BucketCount()), std::make_pair(0, grown));
  EXPECT_GT(grown, 16);

  Table big(1000000);
  for (int i = 0; i < 1200000; ++i) big.Add(static_cast<HashKey>(i), 1);
  EXPECT_EQ(std::make_pair(big.Count(), big.BucketCount()), std::make_pair(1200000, 4096))
      << "items pile up beyond the cap";
}

TEST(PointerHashTable, IteratesBucketByBucketInInsertionOrderAlsoAfterGrowth) {
  Table table(8);
  for (HashKey key : {0x100u, 5u, 0x900u, 1u, 0x700u}) table.Add(key, key + 1);
  EXPECT_EQ(ItemsOf(table),
            (Items{{5, 6}, {1, 2}, {0x100, 0x101}, {0x900, 0x901}, {0x700, 0x701}}));
  table.Remove(5);
  table.Add(5, 6);  // back at the end of its bucket
  EXPECT_EQ(ItemsOf(table).front().first, 1u);

  Table grown(8);
  std::vector<HashKey> keys;
  for (int i = 0; i < 3000; ++i) keys.push_back(Spread((i * 7919) % 5000) | (i & 3));
  for (HashKey key : keys) grown.Add(key, 1);
  ASSERT_GT(grown.BucketCount(), 8);
  std::vector<HashKey> expected = keys;  // by bucket, then by insertion
  std::stable_sort(expected.begin(), expected.end(), [&](HashKey a, HashKey b) {
    return grown.BucketIndexOf(a) < grown.BucketIndexOf(b);
  });
  std::vector<HashKey> walked;
  for (const auto& item : ItemsOf(grown)) walked.push_back(item.first);
  EXPECT_EQ(walked, expected);
}

TEST(PointerHashTable, ValuesDefaultsAndReleases) {
  Table table;
  table.SetValue(7, 3);
  table.SetValue(7, 4);  // replaced: old value released
  table.SetValue(7, 0);  // the default deletes the entry
  table.SetValue(8, 0);  // never stored
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.GetValue(7), 0u);  // absent, and no failure
  EXPECT_TRUE(table.Add(1, 10));
  EXPECT_FALSE(table.Add(1, 20));
  EXPECT_EQ(table.GetValue(1), 10u);
  EXPECT_EQ(table.Remove(1), 10u);
  EXPECT_EQ(table.Remove(1), 0u);
  HashValue value = 99;
  EXPECT_FALSE(table.TryGetValue(1, value));
  // Replacing releases the old value and the key, deleting the key twice (the item's and the
  // call's); a refused Add releases nothing, a lookup or removal its key.
  EXPECT_EQ(table.released->values, (std::vector<HashValue>{3, 4, 0}));
  EXPECT_EQ(table.released->keys, (std::vector<HashKey>{7, 7, 7, 8, 7, 1, 1, 1, 1, 1}));

  table.SetUseDefault(false);
  EXPECT_EQ(ErrorMessage<sdk::EListError>([&] { table.GetValue(42); }), "GetValue for missing Key");
}

TEST(PointerHashTable, ChangesDuringForEachRaiseAndNestedForEachKeepsTheLock) {
  Table table;
  for (HashKey k = 1; k <= 3; ++k) table.Add(k, k);
  int visits = 0;
  EXPECT_TRUE(table.ForEach([&](HashKey, HashValue& value, bool&) {
    value *= 10;
    table.ForEach([&](HashKey, HashValue&, bool&) {});  // must not unlock the outer walk
    EXPECT_TRUE(table.Locked());
    EXPECT_THROW(table.Add(99, 1), sdk::EListError);
    EXPECT_THROW(table.SetValue(1, 5), sdk::EListError);
    EXPECT_THROW(table.Remove(1), sdk::EListError);
    EXPECT_THROW(table.Clear(), sdk::EListError);
    ++visits;
  }));
  EXPECT_EQ(std::make_pair(visits, table.GetValue(2)), std::make_pair(3, HashValue{20}));
  EXPECT_EQ(ErrorMessage<sdk::EListError>(
                [&] { table.ForEach([&](HashKey, HashValue&, bool&) { table.Add(100, 1); }); }),
            "List is locked during an active ForEach");
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

TEST(PointerHashTable, ClearAndDestructionReleaseWhatIsLeftLastBucketFirst) {
  const auto released = std::make_shared<Released>();
  {
    Table table(8, released);
    for (HashKey k = 0; k < 100; ++k) table.Add(Spread(k), k + 1);
    table.Clear();
    EXPECT_TRUE(table.Count() == 0 && ItemsOf(table).empty());
    EXPECT_EQ(released->values.size(), 100u);
    table.Add(0x100, 11);  // usable afterwards: bucket 1
    table.Add(0x200, 22);  // bucket 2
    table.Add(0x101, 12);  // bucket 1, after 0x100
    table.Remove(0x200);
    EXPECT_TRUE(table.Contains(0x101));
    *released = {};
  }
  EXPECT_EQ(released->values, (std::vector<HashValue>{12, 11}));
  EXPECT_EQ(released->keys, (std::vector<HashKey>{0x101, 0x100}));
}

// Lookups after deletions and after values changed by a walk, in a small table and in one big
// enough for the key index.
TEST(PointerHashTable, LookupsFollowDeletionsAndValuesChangedWhileWalking) {
  for (HashKey size : {HashKey{5}, HashKey{20000}}) {
    SCOPED_TRACE(size);
    Table table;
    for (HashKey k = 0; k < size; ++k) table.Add(k * 37, k);
    for (HashKey k = 0; k < size; k += 3) table.Remove(k * 37);
    table.ForEach([](HashKey key, HashValue& value, bool&) { value = key / 37 + 7; });
    sdk::TBucketListIterator it(table);
    while (it.Next()) {
      if (it.GetKey() % 2 == 0) it.SetValue(3);
    }
    const auto expected = [](HashKey k) { return k % 2 ? k + 7 : 3; };
    for (HashKey k = 0; k < size; ++k) {
      HashValue value = 0;
      ASSERT_EQ(table.TryGetValue(k * 37, value), k % 3 != 0) << k;
      if (k % 3) {
        ASSERT_EQ(value, expected(k)) << k;
      }
    }
    for (HashKey k = 2; k < size; k += 3) ASSERT_EQ(table.Remove(k * 37), expected(k)) << k;
    EXPECT_EQ(table.Count(), static_cast<int>((size + 1) / 3));
    for (const auto& [key, value] : ItemsOf(table)) {
      ASSERT_EQ(std::make_pair(value, table.GetValue(key)),
                std::make_pair(expected(key / 37), expected(key / 37)))
          << key;
    }
  }
}

// ---- Layer hash ---------------------------------------------------------------------------------

TEST(LayerHash, InheritedLookupClimbsTheParentChainUnlessADefaultIsStored) {
  sdk::TCustomLayerHash hash(true, 0, 8);
  hash.SetUseDefault(false);
  sdk::SetLayerValue(hash, sdk::SignalLayersGroup, 5);
  EXPECT_EQ(sdk::LookupLayerValue(hash, 2), 5u);  // via MidLayersGroup
  EXPECT_EQ(ErrorMessage<sdk::EListError>([&] { sdk::LookupLayerValue(hash, 33); }),
            "Could not find value for Layer=Top Overlay");
  sdk::TCustomLayerHash inheriting(true, 0, 8);
  sdk::SetLayerValue(inheriting, sdk::AllLayersGroup, 7);
  sdk::SetLayerValue(inheriting, sdk::TopLayer, 0);  // stays stored, hiding the parents' value
  EXPECT_TRUE(sdk::HashContainsLayer(inheriting, sdk::TopLayer));
  EXPECT_EQ(std::vector<HashValue>({sdk::LookupLayerValue(inheriting, sdk::TopLayer),
                                    sdk::LookupLayerValue(inheriting, sdk::BottomLayer),
                                    sdk::LookupLayerValue(inheriting, sdk::NoLayer)}),
            std::vector<HashValue>({0, 7, 7}));  // NoLayer's parent is all layers

  sdk::TLayerHash plain(false, 0, 8);
  sdk::SetLayerValue(plain, sdk::AllLayersGroup, 7);
  EXPECT_EQ(sdk::LookupLayerValue(plain, sdk::TopLayer), 0u);  // no inheritance
  sdk::SetLayerValue(plain, sdk::AllLayersGroup, 0);
  EXPECT_FALSE(sdk::HashContainsLayer(plain, sdk::AllLayersGroup));
}

TEST(LayerHash, AssignToKeepsTheTargetsEntriesAndFreeValuesDeletesTheObjects) {
  sdk::TLayerHash source(false, 0, 8), target(false, 0, 8);
  sdk::SetLayerValue(source, sdk::TopLayer, 1);
  sdk::SetLayerValue(source, 0x01010020, 2);
  sdk::SetLayerValue(target, 57, 3);
  source.AssignTo(target, nullptr);
  // One bucket: the target's entry first, then the source's in their order.
  EXPECT_EQ(ItemsOf(target), (Items{{57, 3}, {sdk::TopLayer, 1}, {0x01010020, 2}}));
  EXPECT_STREQ(target.ClassName(), "TLayerHash");

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
  EXPECT_EQ(std::make_pair(alive, hash.Count()), std::make_pair(0, 3));  // entries stay, at 0
}

}  // namespace
