// Memory for a board's objects, kind by kind.
#include "host/quorvel/object_store.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace quorvel {

void* ObjectStore::Allocate(uint8_t kind, size_t size, size_t alignment) {
  Pool& pool = pools_[kind];
  if (void* place = pool.freed) {
    pool.freed = *std::launder(static_cast<void**>(place));
    return place;
  }
  if (pool.size == 0) {
    // A block starts aligned for any object: objects side by side need only their own.
    pool.size = (size + alignment - 1) / alignment * alignment;
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
