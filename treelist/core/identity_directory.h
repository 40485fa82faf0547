// A search directory over the row index's identities, sorted by address: a binary search of a
// million of them reads some twenty lines scattered over megabytes, most of them missing the
// caches; the directory's small levels stay in cache, so a search reads one line of each level
// and one or two lines of the identities.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace treelist {

class TdxTreeListNode;

class IdentityDirectory {
 public:
  using Identities = std::vector<TdxTreeListNode*>;

  // Samples `sorted` afresh.
  void Build(const Identities& sorted);
  void Clear() noexcept;
  // One identity was inserted into or removed from the sampled list. Each shifts the positions
  // behind it by one: searches widen their window by the count, and past a few the directory
  // samples the list again (at a cost of a sixteenth of the list, now and then, against the
  // whole list that every such patch moves).
  void Shifted(const Identities& sorted);
  // Positions in `sorted`: the first identity not lower than `node` is at one of them, or at
  // `end`. Sixteen of them after a fresh sampling.
  struct Window {
    size_t begin, end;
  };
  Window Find(const Identities& sorted, const TdxTreeListNode* node) const noexcept;
  // The position in `sorted` of the first identity not lower than `node`, as std::lower_bound.
  static size_t LowerBound(const Identities& sorted, Window window,
                           const TdxTreeListNode* node) noexcept;
  size_t LowerBound(const Identities& sorted, const TdxTreeListNode* node) const noexcept {
    return LowerBound(sorted, Find(sorted, node), node);
  }
  size_t CapacityBytes() const noexcept { return keys_.capacity() * sizeof(uintptr_t); }
  // Cache lines a search reads at most: one of each level, then the window of the list and the
  // display numbers beside it, each two when it straddles a line.
  int LinesPerSearch() const noexcept { return static_cast<int>(levels_.size()) + 4; }

 private:
  struct Level {
    size_t begin, size;  // in keys_
  };
  std::vector<uintptr_t> keys_;  // every level, the smallest first
  std::vector<Level> levels_;    // the last samples the list itself
  size_t shifts_ = 0;
};

}  // namespace treelist
