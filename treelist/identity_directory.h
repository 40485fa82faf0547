// Node to display row for the row index, searched by node address: the addresses in ascending
// order, sixteen to a leaf of two adjacent cache lines (the addresses, then their rows), under
// levels of every sixteenth key of the level below, each block one line. A binary search of a
// million addresses reads some twenty lines spread over megabytes, each a miss in a chain; here a
// search reads one line of each level (the small ones stay in the caches) and one leaf, whose
// two lines are asked for together and lie in one page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "treelist/identity_sort.h"

namespace treelist {

class IdentityDirectory {
 public:
  // `sorted` by address, as SortByIdentity gives it.
  void Build(const std::vector<IdentityRow>& sorted);
  void Clear() noexcept;
  size_t Size() const noexcept { return size_; }
  // The row of `node`; -1 when it has none here.
  int RowOf(const TdxTreeListNode* node) const noexcept;
  // `node`, not held yet, takes row `row`; the rows from `row` on move one down. Linear, as the
  // display list's own move: the leaves are unpacked, patched and packed again.
  void Insert(const TdxTreeListNode* node, int row);
  // Forgets `node`; the rows after it move one up. Its row, or -1 (and nothing changed) when it
  // was not held. Linear.
  int Erase(const TdxTreeListNode* node);
  // Cache lines a search reads: one of each level and the leaf's two.
  int LinesPerSearch() const noexcept { return static_cast<int>(levels_.size()) + 2; }
  size_t CapacityBytes() const noexcept {
    return leaves_.capacity() * sizeof(Leaf) + blocks_.capacity() * sizeof(Block);
  }

  static constexpr size_t kFanOut = 16;  // 4-byte keys to a 64-byte line

 private:
  // Free slots of the last leaf hold keys above every address and no row.
  struct alignas(64) Leaf {
    uintptr_t keys[kFanOut];
    int rows[kFanOut];
  };
  struct alignas(64) Block {
    uintptr_t keys[kFanOut];
  };
  static Leaf EmptyLeaf() noexcept;
  // The last leaf whose first address is not above `key` (the first leaf when none is).
  size_t LeafOf(uintptr_t key) const noexcept;
  // What Build was given, as it stands now.
  std::vector<IdentityRow> Unpacked() const;
  // The levels over the leaves, sampled afresh.
  void Sample();

  std::vector<Leaf> leaves_;
  std::vector<Block> blocks_;   // every level, the smallest first
  std::vector<size_t> levels_;  // the first block of each; the last holds the leaves' first keys
  size_t size_ = 0;
};

}  // namespace treelist
