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

// Lines of sixteen that `count` keys take.
size_t LinesFor(size_t count) noexcept {
  return (count + Directory::kFanOut - 1) / Directory::kFanOut;
}

// The rows from `from` on move by `step`.
void MoveRows(std::vector<IdentityRow>& rows, int from, int step) noexcept {
  for (IdentityRow& r : rows) r.row += r.row >= from ? step : 0;
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
  leaves_.assign(LinesFor(size_), EmptyLeaf());
  for (size_t slot = 0; const IdentityRow& row : sorted) {
    Leaf& leaf = leaves_[slot / kFanOut];
    leaf.keys[slot % kFanOut] = Key(row.node);
    leaf.rows[slot++ % kFanOut] = row.row;
  }
  Sample();
}

void IdentityDirectory::Sample() {
  blocks_.clear();
  levels_.clear();
  if (leaves_.empty()) return;
  // Each level holds the first key of each line of the level below, up to a single line.
  std::vector<std::vector<uintptr_t>> levels(1);
  for (const Leaf& leaf : leaves_) levels[0].push_back(leaf.keys[0]);
  while (levels.back().size() > kFanOut) {
    const std::vector<uintptr_t>& below = levels.back();
    std::vector<uintptr_t> above(LinesFor(below.size()));
    for (size_t line = 0; uintptr_t & key : above) key = below[kFanOut * line++];
    levels.push_back(std::move(above));
  }
  Block empty;
  std::fill(std::begin(empty.keys), std::end(empty.keys), UINTPTR_MAX);
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    const size_t begin = blocks_.size();
    levels_.push_back(begin);
    blocks_.resize(begin + LinesFor(level->size()), empty);
    for (size_t i = 0; uintptr_t key : *level) {
      blocks_[begin + i / kFanOut].keys[i % kFanOut] = key;
      ++i;
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

int IdentityDirectory::RowOf(const TdxTreeListNode* node) const noexcept {
  if (leaves_.empty()) return -1;
  const uintptr_t key = Key(node);
  const Leaf& leaf = leaves_[LeafOf(key)];
  // The rows' line is asked for with the keys' line, so that the two misses overlap.
  __builtin_prefetch(leaf.rows);
  // All sixteen lower (16) means not here: the first key, lower, then answers no.
  const size_t lane = CountLower(leaf.keys, key) % kFanOut;
  return leaf.keys[lane] == key ? leaf.rows[lane] : -1;
}

std::vector<IdentityRow> IdentityDirectory::Unpacked() const {
  std::vector<IdentityRow> rows(size_);
  for (size_t slot = 0; IdentityRow & row : rows) {
    const Leaf& leaf = leaves_[slot / kFanOut];
    row = {reinterpret_cast<const TdxTreeListNode*>(leaf.keys[slot % kFanOut]),
           leaf.rows[slot % kFanOut]};
    ++slot;
  }
  return rows;
}

void IdentityDirectory::Insert(const TdxTreeListNode* node, int row) {
  std::vector<IdentityRow> rows = Unpacked();
  MoveRows(rows, row, 1);
  rows.insert(std::ranges::lower_bound(rows, node, {}, &IdentityRow::node), {node, row});
  Build(rows);
}

int IdentityDirectory::Erase(const TdxTreeListNode* node) {
  const int row = RowOf(node);
  if (row < 0) return -1;
  std::vector<IdentityRow> rows = Unpacked();
  std::erase_if(rows, [&](const IdentityRow& r) { return r.node == node; });
  MoveRows(rows, row, -1);
  Build(rows);
  return row;
}

}  // namespace treelist
