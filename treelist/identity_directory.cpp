// The row index's search directory: leaves of sixteen addresses and their rows, under levels of
// every sixteenth key of the level below.
#include "treelist/identity_directory.h"

#include <algorithm>

namespace treelist {
namespace {

using Directory = IdentityDirectory;

uintptr_t Key(const TdxTreeListNode* node) noexcept { return reinterpret_cast<uintptr_t>(node); }

// How many keys of a line are lower than `key`: counted over the whole line in a loop of a fixed
// count, which the compiler turns into a few vector compares with no branch to mispredict.
size_t CountLower(const uintptr_t* keys, uintptr_t key) noexcept {
  uint32_t count = 0;
  for (size_t i = 0; i < Directory::kFanOut; ++i) count += keys[i] < key;
  return count;
}

}  // namespace

IdentityDirectory::Leaf IdentityDirectory::EmptyLeaf() noexcept {
  Leaf leaf;
  std::fill(std::begin(leaf.keys), std::end(leaf.keys), UINTPTR_MAX);
  std::fill(std::begin(leaf.rows), std::end(leaf.rows), -1);
  return leaf;
}

void IdentityDirectory::Clear() noexcept {
  leaves_.clear();
  blocks_.clear();
  levels_.clear();
  size_ = 0;
}

void IdentityDirectory::Build(const std::vector<IdentityRow>& sorted) {
  Clear();
  size_ = sorted.size();
  leaves_.assign((size_ + kFanOut - 1) / kFanOut, EmptyLeaf());
  for (size_t slot = 0; slot < size_; ++slot) {
    KeyAt(slot) = Key(sorted[slot].node);
    RowAt(slot) = sorted[slot].row;
  }
  Sample();
}

void IdentityDirectory::Sample() {
  blocks_.clear();
  levels_.clear();
  if (leaves_.empty()) return;
  std::vector<std::vector<uintptr_t>> levels(1);
  for (const Leaf& leaf : leaves_) levels[0].push_back(leaf.keys[0]);
  while (levels.back().size() > kFanOut) {
    std::vector<uintptr_t> above;
    for (size_t i = 0; i < levels.back().size(); i += kFanOut) above.push_back(levels.back()[i]);
    levels.push_back(std::move(above));
  }
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    levels_.push_back(blocks_.size());
    for (size_t i = 0; i < level->size(); i += kFanOut) {
      Block& block = blocks_.emplace_back();
      std::fill(std::begin(block.keys), std::end(block.keys), UINTPTR_MAX);
      std::copy(level->begin() + i, level->begin() + std::min(i + kFanOut, level->size()),
                block.keys);
    }
  }
}

size_t IdentityDirectory::LeafOf(uintptr_t key) const noexcept {
  // The last key not above `key` at one level is the block to count in at the next (the first
  // block when none is): each key there is the first of a block below. Node addresses are never
  // the highest value, so "not above" is "lower than the next value".
  size_t block = 0;
  for (size_t level_begin : levels_) {
    const size_t not_above = CountLower(blocks_[level_begin + block].keys, key + 1);
    block = block * kFanOut + std::max<size_t>(not_above, 1) - 1;
  }
  return block;
}

size_t IdentityDirectory::Slot(uintptr_t key) const noexcept {
  if (leaves_.empty()) return 0;
  const size_t leaf = LeafOf(key);
  return leaf * kFanOut + CountLower(leaves_[leaf].keys, key);
}

int IdentityDirectory::RowOf(const TdxTreeListNode* node) const noexcept {
  if (leaves_.empty()) return -1;
  const uintptr_t key = Key(node);
  const Leaf& leaf = leaves_[LeafOf(key)];
  // The rows' line is asked for with the keys' line, so that the two misses overlap.
  __builtin_prefetch(leaf.rows);
  const size_t lane = CountLower(leaf.keys, key);
  return lane < kFanOut && leaf.keys[lane] == key ? leaf.rows[lane] : -1;
}

void IdentityDirectory::MoveRows(int row, int step) noexcept {
  // Free slots hold row -1, which is never moved.
  for (Leaf& leaf : leaves_) {
    for (int& r : leaf.rows) r += r >= row ? step : 0;
  }
}

void IdentityDirectory::Insert(const TdxTreeListNode* node, int row) {
  const uintptr_t key = Key(node);
  const size_t slot = Slot(key);
  MoveRows(row, 1);
  if (size_ % kFanOut == 0) leaves_.push_back(EmptyLeaf());
  for (size_t s = size_; s > slot; --s) {
    KeyAt(s) = KeyAt(s - 1);
    RowAt(s) = RowAt(s - 1);
  }
  KeyAt(slot) = key;
  RowAt(slot) = row;
  ++size_;
  Sample();
}

int IdentityDirectory::Erase(const TdxTreeListNode* node) {
  const uintptr_t key = Key(node);
  const size_t slot = Slot(key);
  if (slot >= size_ || KeyAt(slot) != key) return -1;
  const int row = RowAt(slot);
  for (size_t s = slot + 1; s < size_; ++s) {
    KeyAt(s - 1) = KeyAt(s);
    RowAt(s - 1) = RowAt(s);
  }
  --size_;
  KeyAt(size_) = UINTPTR_MAX;
  RowAt(size_) = -1;
  if (size_ % kFanOut == 0) leaves_.pop_back();
  MoveRows(row + 1, -1);
  Sample();
  return row;
}

}  // namespace treelist
