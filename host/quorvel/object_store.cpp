// Memory for a board's objects, kind by kind.
#include "host/quorvel/object_store.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace quorvel {

void* ObjectStore::Allocate(uint8_t kind, size_t size) {
  Pool& pool = pools_[kind];
  if (void* place = pool.freed) {
    pool.freed = *std::launder(static_cast<void**>(place));
    return place;
  }
  if (pool.size == 0) {
    pool.size = (size + kAlignment - 1) / kAlignment * kAlignment;
    pool.count = std::max<size_t>(1, kBlockBytes / pool.size);
    pool.used = pool.count;
  }
  assert(size <= pool.size);
  if (pool.used == pool.count) {
    pool.blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(pool.size * pool.count));
    pool.used = 0;
  }
  return pool.blocks.back().get() + pool.size * pool.used++;
}

}  // namespace quorvel
