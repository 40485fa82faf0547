// The pointer hash table.
#include "sdk/hash_table.h"

#include <utility>

#include "sdk/layer_errors.h"

namespace sdk {

namespace {

// Items a bucket may average before the table grows: 230.4 = 1152 / 5.
constexpr int kLoadNumerator = 1152;
constexpr int kLoadDenominator = 5;
// Tables of this many items and more keep the key index.
constexpr int kIndexThreshold = 32;

[[noreturn]] void Inconsistent(int line) {
  throw EAssertionFailed("Assertion failure", "RTL\\RT_HashTable", line);
}

// Array length after growth: a quarter from 65 on, 16 from 9 on, else 4.
size_t GrownLength(size_t length) {
  if (length >= 65) return length + length / 4;
  if (length >= 9) return length + 16;
  return length + 4;
}

}  // namespace

// Open addressing with linear probing from key to the item's position in its bucket (the bucket
// follows from the key) and a copy of its value, so a lookup touches one slot and no bucket.
// Deletion shifts the probe chain back, so no tombstones pile up.
class TCustomPointerBucketList::KeyIndex {
 public:
  struct Slot {
    HashKey key = 0;
    std::uint32_t position_plus_one = 0;  // 0: empty
    HashValue value = 0;
    int Position() const { return static_cast<int>(position_plus_one) - 1; }
  };

  explicit KeyIndex(size_t expected) { Resize(expected); }

  // Null when absent.
  Slot* Find(HashKey key) {
    for (size_t slot = Home(key);; slot = (slot + 1) & mask_) {
      Slot& s = slots_[slot];
      if (s.position_plus_one == 0) return nullptr;
      if (s.key == key) return &s;
    }
  }
  const Slot* Find(HashKey key) const { return const_cast<KeyIndex*>(this)->Find(key); }

  void Insert(HashKey key, int position, HashValue value) {
    if ((size_ + 1) * 2 > slots_.size()) Resize(size_ + 1);
    PlaceNew({key, static_cast<std::uint32_t>(position) + 1, value});
  }

  void Erase(HashKey key) {
    size_t hole = static_cast<size_t>(Find(key) - slots_.data());
    slots_[hole].position_plus_one = 0;
    --size_;
    for (size_t next = (hole + 1) & mask_; slots_[next].position_plus_one != 0;
         next = (next + 1) & mask_) {
      const size_t home = Home(slots_[next].key);
      // Move the entry back when its home does not lie cyclically in (hole, next].
      const bool stays =
          hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
      if (!stays) {
        slots_[hole] = slots_[next];
        slots_[next].position_plus_one = 0;
        hole = next;
      }
    }
  }

 private:
  size_t Home(HashKey key) const {
    return (static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> shift_ & mask_;
  }

  void PlaceNew(const Slot& entry) {
    size_t slot = Home(entry.key);
    while (slots_[slot].position_plus_one != 0) slot = (slot + 1) & mask_;
    slots_[slot] = entry;
    ++size_;
  }

  // Room for `expected` entries at a load of at most a half.
  void Resize(size_t expected) {
    unsigned bits = 4;
    while ((size_t{1} << bits) < expected * 2 + 2) ++bits;
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size_t{1} << bits, Slot{});
    mask_ = slots_.size() - 1;
    shift_ = 32 - bits;
    size_ = 0;
    for (const Slot& s : old) {
      if (s.position_plus_one) PlaceNew(s);
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  unsigned shift_ = 0;
  size_t size_ = 0;
};

// ---- Iterator ---------------------------------------------------------------------------

bool TBucketListIterator::Next() {
  if (first_) {
    first_ = false;
    cursor_ = {};
  }
  const bool found = table_->Advance(cursor_);
  if (found) ++visited_;
  return found;
}

HashKey TBucketListIterator::GetKey() const {
  const auto* item = table_->ItemAt(cursor_);
  return item ? item->key : 0;
}

HashValue TBucketListIterator::GetValue() const {
  const auto* item = table_->ItemAt(cursor_);
  return item ? item->value : 0;
}

void TBucketListIterator::SetValue(HashValue value) {
  // The iterator reads through a const table; setting a value is the one change it may make.
  auto* table = const_cast<TCustomPointerBucketList*>(table_);
  auto* item = table->ItemAt(cursor_);
  if (!item) throw EEOFException("");
  table->StoreValue(*item, value);
}

// ---- Table ------------------------------------------------------------------------------

TCustomPointerBucketList::TCustomPointerBucketList(int capacity_hint,
                                                   std::unique_ptr<TReleaseHooks> hooks)
    : hooks_(std::move(hooks)) {
  Rehash(capacity_hint);
}

TCustomPointerBucketList::~TCustomPointerBucketList() {
  lock_depth_ = 0;
  try {
    Clear();
  } catch (...) {
    // A hook failed: the remaining items go with the table all the same.
  }
}

void TCustomPointerBucketList::Rehash(int hint) {
  const int n = count_ > hint ? count_ : hint;
  int b = n / 128 + 1;
  if (b < kMinBuckets) b = kMinBuckets;
  if (b > kMaxBuckets) b = kMaxBuckets;
  int p = 1;
  while (p * 2 <= b) p *= 2;
  if (p * 10 < b * 7) p *= 2;  // p / b below 0.7
  if (p > kMaxBuckets) p = kMaxBuckets;
  if (p <= BucketCount()) return;

  std::vector<Bucket> old = std::move(buckets_);
  const int old_count = count_;
  buckets_.assign(static_cast<size_t>(p), Bucket{});
  count_ = 0;
  const bool indexed = index_ != nullptr;
  index_.reset();  // rebuilt below: positions change
  for (Bucket& bucket : old) {
    for (const Item& item : bucket.items) {
      const int target = BucketIndexOf(item.key);
      if (target < 0 || target >= BucketCount()) Inconsistent(__LINE__);
      Bucket& into = buckets_[static_cast<size_t>(target)];
      if (into.items.size() == into.items.capacity())
        into.items.reserve(GrownLength(into.items.capacity()));
      into.items.push_back(item);
      ++into.count;
      ++count_;
    }
  }
  if (count_ != old_count) Inconsistent(__LINE__);
  if (indexed || count_ >= kIndexThreshold) RebuildIndex();
}

void TCustomPointerBucketList::RebuildIndex() {
  index_ = std::make_unique<KeyIndex>(static_cast<size_t>(count_));
  for (const Bucket& bucket : buckets_) {
    for (int i = 0; i < bucket.count; ++i) {
      const Item& item = bucket.items[static_cast<size_t>(i)];
      index_->Insert(item.key, i, item.value);
    }
  }
}

TCustomPointerBucketList::Found TCustomPointerBucketList::FindItem(HashKey key) const {
  const int bucket = BucketIndexOf(key);
  if (index_) {
    const KeyIndex::Slot* slot = index_->Find(key);
    return {slot != nullptr, bucket, slot ? slot->Position() : -1};
  }
  const Bucket& b = buckets_[static_cast<size_t>(bucket)];
  for (int i = 0; i < b.count; ++i) {
    if (KeysEqual(b.items[static_cast<size_t>(i)].key, key)) return {true, bucket, i};
  }
  return {false, bucket, -1};
}

void TCustomPointerBucketList::AddItem(int bucket, HashKey key, HashValue value) {
  if (bucket < 0 || bucket >= BucketCount()) Inconsistent(__LINE__);
  Bucket& b = buckets_[static_cast<size_t>(bucket)];
  if (b.items.size() == b.items.capacity()) b.items.reserve(GrownLength(b.items.capacity()));
  b.items.push_back({key, value});
  ++b.count;
  ++count_;
  if (index_) {
    index_->Insert(key, b.count - 1, value);
  } else if (count_ >= kIndexThreshold) {
    RebuildIndex();
  }
  CheckLoad();
}

HashValue TCustomPointerBucketList::DeleteItem(int bucket, int position) {
  Bucket& b = buckets_[static_cast<size_t>(bucket)];
  const Item item = b.items[static_cast<size_t>(position)];
  ReleaseKey(item.key);
  if (!clearing_) {
    if (index_) {
      index_->Erase(item.key);
      for (int i = position + 1; i < b.count; ++i) {
        index_->Find(b.items[static_cast<size_t>(i)].key)->position_plus_one =
            static_cast<std::uint32_t>(i);  // one place down: i - 1, stored plus one
      }
    }
    --b.count;
    if (b.count == 0) {
      std::vector<Item>().swap(b.items);
    } else {
      b.items.erase(b.items.begin() + position);
    }
  }
  --count_;
  CheckLoad();
  return item.value;
}

void TCustomPointerBucketList::CheckLoad() {
  if (BucketCount() < kMaxBuckets && count_ * kLoadDenominator > kLoadNumerator * BucketCount()) {
    Rehash(-1);
  }
}

void TCustomPointerBucketList::CheckUnlocked() const {
  if (Locked()) throw EListError("List is locked during an active ForEach");
}

bool TCustomPointerBucketList::LookUp(HashKey key, HashValue& value) const {
  if (index_) {
    const KeyIndex::Slot* slot = index_->Find(key);
    if (slot) value = slot->value;
    return slot != nullptr;
  }
  const Found f = FindItem(key);
  if (f.found) {
    value = buckets_[static_cast<size_t>(f.bucket)].items[static_cast<size_t>(f.position)].value;
  }
  return f.found;
}

void TCustomPointerBucketList::StoreValue(Item& item, HashValue value) {
  item.value = value;
  if (index_) index_->Find(item.key)->value = value;
}

HashValue TCustomPointerBucketList::GetValue(HashKey key) {
  HashValue value = 0;
  const bool found = LookUp(key, value);
  ReleaseKey(key);
  if (found) return value;
  if (!use_default_) throw EListError("GetValue for missing Key");
  return GetDefaultValue(key);
}

bool TCustomPointerBucketList::TryGetValue(HashKey key, HashValue& value) {
  const bool found = LookUp(key, value);
  ReleaseKey(key);
  return found;
}

void TCustomPointerBucketList::SetValue(HashKey key, HashValue value) {
  CheckUnlocked();
  const bool default_means_absent =
      DefaultMeansAbsent() && use_default_ && value == GetDefaultValue(key);
  const Found f = FindItem(key);
  if (!f.found) {
    if (default_means_absent) {
      ReleaseKey(key);
      ReleaseValue(value);
    } else {
      AddItem(f.bucket, key, value);
    }
    return;
  }
  if (default_means_absent) {
    ReleaseValue(Remove(key));
    return;
  }
  Item& item = buckets_[static_cast<size_t>(f.bucket)].items[static_cast<size_t>(f.position)];
  const HashValue old = item.value;
  StoreValue(item, value);
  ReleaseValue(old);
  ReleaseKey(key);
}

bool TCustomPointerBucketList::Add(HashKey key, HashValue value) {
  CheckUnlocked();
  const Found f = FindItem(key);
  if (f.found) return false;
  AddItem(f.bucket, key, value);
  return true;
}

HashValue TCustomPointerBucketList::Remove(HashKey key) {
  CheckUnlocked();
  const Found f = FindItem(key);
  HashValue value = 0;
  if (f.found) value = DeleteItem(f.bucket, f.position);
  ReleaseKey(key);
  return value;
}

void TCustomPointerBucketList::Clear() {
  CheckUnlocked();
  clearing_ = true;
  index_.reset();
  try {
    for (int bucket = BucketCount() - 1; bucket >= 0; --bucket) {
      Bucket& b = buckets_[static_cast<size_t>(bucket)];
      for (int i = b.count - 1; i >= 0; --i) ReleaseValue(DeleteItem(bucket, i));
      std::vector<Item>().swap(b.items);
      b.count = 0;
    }
  } catch (...) {
    clearing_ = false;
    throw;
  }
  clearing_ = false;
}

std::unique_ptr<TBucketListIterator> TCustomPointerBucketList::CreateIterator() const {
  return std::make_unique<TBucketListIterator>(*this);
}

const TCustomPointerBucketList::Item* TCustomPointerBucketList::ItemAt(
    const TBucketCursor& cursor) const {
  if (cursor.bucket < 0 || cursor.bucket >= BucketCount()) return nullptr;
  const Bucket& b = buckets_[static_cast<size_t>(cursor.bucket)];
  if (cursor.item < 0 || cursor.item >= b.count) return nullptr;
  return &b.items[static_cast<size_t>(cursor.item)];
}

TCustomPointerBucketList::Item* TCustomPointerBucketList::ItemAt(const TBucketCursor& cursor) {
  return const_cast<Item*>(std::as_const(*this).ItemAt(cursor));
}

bool TCustomPointerBucketList::Advance(TBucketCursor& cursor) const {
  if (cursor.bucket < 0) cursor = {0, -1};
  ++cursor.item;
  while (cursor.bucket < BucketCount() &&
         cursor.item >= buckets_[static_cast<size_t>(cursor.bucket)].count) {
    ++cursor.bucket;
    cursor.item = 0;
  }
  if (cursor.bucket < BucketCount()) return true;
  cursor = {BucketCount(), -1};
  return false;
}

}  // namespace sdk
