// A hash table from 32-bit keys (pointers or integers) to 32-bit values: buckets chosen by the
// key's bits 8 and up, items kept in insertion order inside each bucket, an optional default for
// absent keys, release hooks for keys and values, and an iterator.
//
// The bucket rules are part of what callers see: iteration runs bucket by bucket and, inside a
// bucket, in insertion order, and the stored text forms of layer hashes follow that order. So the
// bucket array is kept exactly (8 to 4096 buckets, growth past 230.4 items a bucket, never
// shrinking). Big tables also keep a private index from key to position, so a lookup costs the
// same whether a bucket holds three items or three thousand.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace sdk {

using HashKey = std::uintptr_t;
using HashValue = std::uintptr_t;

class TCustomPointerBucketList;

// Where an iteration stands: a bucket and an item in it (-1, -1 before the first item).
struct TBucketCursor {
  int bucket = -1;
  int item = -1;
};

// Reads and walks a table; the table must outlive it. Changing the table while iterating moves
// the items under the cursor: the iterator then sees whatever stands at its position.
class TBucketListIterator {
 public:
  explicit TBucketListIterator(const TCustomPointerBucketList& table) : table_(&table) {}

  // Moves to the next item (the first one after creation or Reset); false at the end.
  bool Next();
  bool First() {
    Reset();
    return Next();
  }
  void Reset() {
    first_ = true;
    cursor_ = {};
  }
  // 0 when the iterator stands on no item.
  HashKey GetKey() const;
  HashValue GetValue() const;
  // Raises EEOFException when the iterator stands on no item.
  void SetValue(HashValue value);
  int Visited() const { return visited_; }

 private:
  const TCustomPointerBucketList* table_;
  bool first_ = true;
  TBucketCursor cursor_;
  int visited_ = 0;
};

// What a table does with the keys and values it lets go of. The table owns its hooks, so they
// still run while the table is destroyed: destroying a table first runs Clear, and the hooks
// see every item that was left in it.
class TReleaseHooks {
 public:
  virtual ~TReleaseHooks() = default;
  // Called after each use of a key by a lookup, a change or a removal.
  virtual void ReleaseKey(HashKey /*key*/) {}
  // Called on a value that is replaced or discarded.
  virtual void ReleaseValue(HashValue /*value*/) {}
};

class THashTableBase {
 public:
  virtual ~THashTableBase() = default;
  static bool KeysEqual(HashKey a, HashKey b) { return a == b; }
  virtual HashValue GetValue(HashKey key) = 0;
  virtual void SetValue(HashKey key, HashValue value) = 0;
  virtual void Clear() = 0;
  virtual bool Add(HashKey key, HashValue value) = 0;
  virtual HashValue Remove(HashKey key) = 0;
  virtual bool TryGetValue(HashKey key, HashValue& value) = 0;
  virtual std::unique_ptr<TBucketListIterator> CreateIterator() const = 0;
};

class TCustomPointerBucketList : public THashTableBase {
 public:
  static constexpr int kMinBuckets = 8;
  static constexpr int kMaxBuckets = 4096;

  // Absent keys yield the default value (0 unless a subclass sets another). Without hooks keys
  // and values are released by nothing.
  explicit TCustomPointerBucketList(int capacity_hint,
                                    std::unique_ptr<TReleaseHooks> hooks = nullptr);
  // Runs Clear first, so the hooks release what is left; also during a ForEach, whose owner
  // is gone with the table.
  ~TCustomPointerBucketList() override;
  TCustomPointerBucketList(const TCustomPointerBucketList&) = delete;
  TCustomPointerBucketList& operator=(const TCustomPointerBucketList&) = delete;

  // An absent key yields the default, or raises EListError when UseDefault is off.
  HashValue GetValue(HashKey key) override;
  bool TryGetValue(HashKey key, HashValue& value) override;
  // Storing the default where it means absence removes the key instead.
  void SetValue(HashKey key, HashValue value) override;
  // False, keeping the stored value, when the key is present.
  bool Add(HashKey key, HashValue value) override;
  // The removed value; 0 when the key was absent.
  HashValue Remove(HashKey key) override;
  void Clear() override;
  std::unique_ptr<TBucketListIterator> CreateIterator() const override;
  bool Contains(HashKey key) const { return FindItem(key).found; }

  // Calls body(key, value&, keep_going&) for each item in iteration order until keep_going is
  // cleared; values may be changed through the reference, while adding, setting, removing or
  // clearing raises EListError. Calls may nest. Yields keep_going.
  template <class Body>
  bool ForEach(Body&& body);

  // Grows the bucket array for `hint` items (or the current count, if larger); never shrinks.
  void Rehash(int hint);

  int Count() const { return count_; }
  int BucketCount() const { return static_cast<int>(buckets_.size()); }
  int BucketIndexOf(HashKey key) const {
    return static_cast<int>((key >> 8) & static_cast<HashKey>(buckets_.size() - 1));
  }
  // Items of one bucket in their order; for tests and diagnostics.
  int BucketItemCount(int bucket) const { return buckets_.at(bucket).count; }
  bool Locked() const { return lock_depth_ > 0; }
  bool UseDefault() const { return use_default_; }
  void SetUseDefault(bool use_default) { use_default_ = use_default; }
  HashValue DefaultValue() const { return default_value_; }
  // The value an absent key stands for.
  virtual HashValue GetDefaultValue(HashKey /*key*/) const { return default_value_; }

 protected:
  void SetDefaultValue(HashValue value) { default_value_ = value; }
  virtual bool DefaultMeansAbsent() const { return true; }

 private:
  friend class TBucketListIterator;
  struct Item {
    HashKey key;
    HashValue value;
  };
  struct Bucket {
    int count = 0;
    std::vector<Item> items;  // size() == count; capacity() is the array length
  };
  struct Found {
    bool found;
    int bucket;
    int position;
  };
  class KeyIndex;

  void ReleaseKey(HashKey key) {
    if (hooks_) hooks_->ReleaseKey(key);
  }
  void ReleaseValue(HashValue value) {
    if (hooks_) hooks_->ReleaseValue(value);
  }
  Found FindItem(HashKey key) const;
  bool LookUp(HashKey key, HashValue& value) const;
  // Every change of a stored value goes through here: the index keeps a copy.
  void StoreValue(Item& item, HashValue value);
  void AddItem(int bucket, HashKey key, HashValue value);
  HashValue DeleteItem(int bucket, int position);
  void CheckLoad();
  void CheckUnlocked() const;
  void RebuildIndex();
  const Item* ItemAt(const TBucketCursor& cursor) const;
  Item* ItemAt(const TBucketCursor& cursor);
  bool Advance(TBucketCursor& cursor) const;

  int count_ = 0;
  std::vector<Bucket> buckets_;
  int lock_depth_ = 0;
  bool clearing_ = false;
  HashValue default_value_ = 0;
  bool use_default_ = true;
  std::unique_ptr<KeyIndex> index_;  // present in big tables only
  std::unique_ptr<TReleaseHooks> hooks_;
};

// ---- Template members ---------------------------------------------------------------------------

template <class Body>
bool TCustomPointerBucketList::ForEach(Body&& body) {
  struct LockScope {
    int& depth;
    explicit LockScope(int& d) : depth(d) { ++depth; }
    ~LockScope() { --depth; }
  } lock(lock_depth_);
  bool keep_going = true;
  TBucketCursor cursor;
  while (keep_going && Advance(cursor)) {
    Item* item = ItemAt(cursor);
    HashValue value = item->value;
    body(item->key, value, keep_going);
    item = ItemAt(cursor);  // a nested walk may run, but the table keeps its shape
    if (item->value != value) StoreValue(*item, value);
  }
  return keep_going;
}

}  // namespace sdk
