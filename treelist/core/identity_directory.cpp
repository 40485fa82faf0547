// The row index's search directory: levels of every sixteenth key of the level below.
#include "treelist/core/identity_directory.h"

#include <algorithm>

namespace treelist {
namespace {

// Keys per block: sixteen 4-byte keys fill one cache line.
constexpr size_t kFanOut = 16;
// Shifts tolerated before sampling again: each widens the window in the list by two keys.
constexpr size_t kMaxShifts = 8;

uintptr_t Key(uintptr_t key) noexcept { return key; }
uintptr_t Key(const TdxTreeListNode* node) noexcept { return reinterpret_cast<uintptr_t>(node); }

// Every kFanOut-th key of `keys`, from the first.
template <class Item>
std::vector<uintptr_t> Sample(const std::vector<Item>& keys, size_t count) {
  std::vector<uintptr_t> sample;
  for (size_t i = 0; i < count; i += kFanOut) sample.push_back(Key(keys[i]));
  return sample;
}

// A whole block, in a loop of a fixed count that the compiler turns into a few vector compares.
template <class Item>
size_t CountLowerInBlock(const Item* block, uintptr_t key) noexcept {
  uint32_t count = 0;
  for (size_t i = 0; i < kFanOut; ++i) count += Key(block[i]) < key;
  return count;
}

// How many of keys[begin, end) are lower than `key`, the keys being sorted: counted rather than
// searched, so that the loop has no branch to mispredict.
template <class Item>
size_t CountLower(const Item* keys, size_t begin, size_t end, uintptr_t key) noexcept {
  size_t count = 0;
  for (size_t i = begin; i < end; ++i) count += Key(keys[i]) < key;
  return count;
}

}  // namespace

void IdentityDirectory::Clear() noexcept {
  keys_.clear();
  levels_.clear();
  shifts_ = 0;
}

void IdentityDirectory::Build(const Identities& sorted) {
  Clear();
  if (sorted.size() <= kFanOut) return;  // the list is one block itself
  std::vector<std::vector<uintptr_t>> levels{Sample(sorted, sorted.size())};
  while (levels.back().size() > kFanOut) {
    levels.push_back(Sample(levels.back(), levels.back().size()));
  }
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    levels_.push_back({keys_.size(), level->size()});
    keys_.insert(keys_.end(), level->begin(), level->end());
    // Whole blocks only: keys above every identity fill the last one.
    keys_.resize(keys_.size() + (kFanOut - level->size() % kFanOut) % kFanOut, UINTPTR_MAX);
  }
}

void IdentityDirectory::Shifted(const Identities& sorted) {
  if (++shifts_ > kMaxShifts) Build(sorted);
}

IdentityDirectory::Window IdentityDirectory::Find(const Identities& sorted,
                                                  const TdxTreeListNode* node) const noexcept {
  const uintptr_t key = Key(node);
  // At each level, the count of keys lower than `key` lies in the block whose first key comes
  // after the last lower key of the level above (in the first block when none is lower).
  size_t lower = 0;
  for (const Level& level : levels_) {
    const size_t begin = lower > 0 ? (lower - 1) * kFanOut : 0;
    lower = begin + CountLowerInBlock(keys_.data() + level.begin + begin, key);
  }
  Window window{0, sorted.size()};
  if (!levels_.empty()) {
    // In the list itself the sampled keys may since have moved by one place per shift.
    if (lower > 0) window.begin = (lower - 1) * kFanOut - std::min((lower - 1) * kFanOut, shifts_);
    // (Past the last sample that bound is past the list's end too.)
    window.end = std::min(window.end, lower * kFanOut + shifts_);
    window.begin = std::min(window.begin, window.end);
  }
  return window;
}

size_t IdentityDirectory::LowerBound(const Identities& sorted, Window window,
                                     const TdxTreeListNode* node) noexcept {
  const uintptr_t key = Key(node);
  if (window.end - window.begin == kFanOut) {
    return window.begin + CountLowerInBlock(sorted.data() + window.begin, key);
  }
  return window.begin + CountLower(sorted.data(), window.begin, window.end, key);
}

}  // namespace treelist
