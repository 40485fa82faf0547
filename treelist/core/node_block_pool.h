// Small blocks of node data carved from large slabs: a million nodes' texts pay no heap header
// each, and a freed block waits for the next one of its size. The slabs go with the pool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace treelist {

class NodeBlockPool {
 public:
  // Larger blocks come from the heap.
  static constexpr size_t kLargestPooled = 256;

  NodeBlockPool() = default;
  NodeBlockPool(const NodeBlockPool&) = delete;
  NodeBlockPool& operator=(const NodeBlockPool&) = delete;

  void* Allocate(size_t bytes);
  // `bytes` as allocated.
  void Free(void* block, size_t bytes) noexcept;
  // Bytes of the slabs (the blocks handed out, free ones and the rest of the last slab).
  size_t SlabBytes() const noexcept { return slabs_.size() * kSlabBytes; }

 private:
  static constexpr size_t kGranule = sizeof(void*);  // a free block holds the next free one
  static constexpr size_t kSlabBytes = 64 * 1024;
  static size_t Rounded(size_t bytes) noexcept {
    return (bytes + kGranule - 1) / kGranule * kGranule;
  }

  std::vector<std::unique_ptr<uint8_t[]>> slabs_;
  std::array<void*, kLargestPooled / kGranule + 1> free_{};  // by rounded size / granule
  uint8_t* next_ = nullptr;
  size_t left_ = 0;
};

}  // namespace treelist
