// The node data's block pool.
#include "treelist/core/node_block_pool.h"

#include <new>

namespace treelist {

void* NodeBlockPool::Allocate(size_t bytes) {
  const size_t size = Rounded(bytes ? bytes : 1);
  if (size > kLargestPooled) return ::operator new(bytes);
  void*& free = free_[size / kGranule];
  if (free) {
    void* block = free;
    free = *static_cast<void**>(block);
    return block;
  }
  if (left_ < size) {
    // The rest of the old slab is smaller than this block; blocks of its size take it.
    if (left_ >= kGranule) Free(next_, left_);
    slabs_.emplace_back(new uint8_t[kSlabBytes]);  // untouched until handed out
    next_ = slabs_.back().get();
    left_ = kSlabBytes;
  }
  void* block = next_;
  next_ += size;
  left_ -= size;
  return block;
}

void NodeBlockPool::Free(void* block, size_t bytes) noexcept {
  if (!block) return;
  const size_t size = Rounded(bytes ? bytes : 1);
  if (size > kLargestPooled) {
    ::operator delete(block);
    return;
  }
  void*& free = free_[size / kGranule];
  *static_cast<void**>(block) = free;
  free = block;
}

}  // namespace treelist
