// Memory for a board's objects, kind by kind: the objects of one kind lie side by side in
// blocks, in the order they were made, which is handle order. Callers walk a kind in handle
// order (every track, every pad) and read each object's first fields at once; one allocation
// each from the process heap scattered them among the board file's values and the index's
// vectors, and nearly every such read missed the cache on a large board.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace quorvel {

class ObjectStore {
 public:
  ObjectStore() = default;
  ObjectStore(const ObjectStore&) = delete;
  ObjectStore& operator=(const ObjectStore&) = delete;

  // A new object of type T in the pool of `kind`; every object of a kind is of one type.
  template <class T, class... Args>
  T* Make(uint8_t kind, Args&&... args) {
    static_assert(alignof(T) <= kAlignment, "the blocks hold objects of ordinary alignment");
    static_assert(sizeof(T) >= sizeof(void*) && alignof(T) >= alignof(void*),
                  "a free room holds a pointer");
    void* place = Allocate(kind, sizeof(T));
    try {
      return ::new (place) T(std::forward<Args>(args)...);
    } catch (...) {
      Release(kind, place);
      throw;
    }
  }
  // Ends an object made here; its room serves the next object of its kind.
  template <class T>
  void Destroy(uint8_t kind, T* object) {
    void* place = dynamic_cast<void*>(object);  // where the whole object starts
    object->~T();
    Release(kind, place);
  }

 private:
  static constexpr size_t kAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;  // of a block's start
  static constexpr size_t kBlockBytes = 64 * 1024;
  struct Pool {
    size_t size = 0;   // of one object, rounded up to the alignment
    size_t count = 0;  // objects in a block
    size_t used = 0;   // rooms handed out of the last block
    std::vector<std::unique_ptr<std::byte[]>> blocks;
    void* freed = nullptr;  // the room last given back; each free room holds the next
  };

  void* Allocate(uint8_t kind, size_t size);
  void Release(uint8_t kind, void* place) noexcept {
    Pool& pool = pools_[kind];
    ::new (place) void*(pool.freed);
    pool.freed = place;
  }

  std::array<Pool, 256> pools_;
};

}  // namespace quorvel
