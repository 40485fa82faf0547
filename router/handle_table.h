// Values by host handle in one open table: a node on the heap per entry costs a cache miss at
// nearly every look-up on a large board, where a table of a few hundred kilobytes stays cached.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "sdk/pcb_api.h"

namespace router {

template <class T>
class THandleTable {
 public:
  // The handle's value; null when it has none. Handle 0 has none.
  T* Find(sdk::Handle handle) {
    if (handle == 0 || slots_.empty()) return nullptr;
    Slot& slot = slots_[SlotOf(handle)];
    return slot.handle == handle ? &slot.value : nullptr;
  }
  // Room for `count` values in all, made at once rather than table by table as they come (each
  // table between would be new memory, filled and dropped).
  void Reserve(size_t count) {
    size_t size = std::max<size_t>(64, slots_.size());
    while (size < 2 * count) size *= 2;
    if (size > slots_.size()) Rehash(size);
  }
  // The handle's value, made when it has none; valid until the next value is made. Not for
  // handle 0.
  T& operator[](sdk::Handle handle) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    Slot& slot = slots_[SlotOf(handle)];
    if (slot.handle != handle) {
      slot.handle = handle;
      ++used_;
    }
    return slot.value;
  }

 private:
  struct Slot {
    sdk::Handle handle = 0;  // 0 for an empty slot
    T value{};
  };
  // The handle's slot, or the empty one where it would go. Host handles may be addresses, whose
  // low bits say little: the hash mixes them all.
  size_t SlotOf(sdk::Handle handle) const {
    const size_t mask = slots_.size() - 1;
    size_t at = static_cast<size_t>((handle * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (slots_[at].handle != 0 && slots_[at].handle != handle) at = (at + 1) & mask;
    return at;
  }
  void Grow() { Rehash(std::max<size_t>(64, 2 * slots_.size())); }
  void Rehash(size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots_);
    for (Slot& slot : old) {
      if (slot.handle != 0) slots_[SlotOf(slot.handle)] = std::move(slot);
    }
  }

  std::vector<Slot> slots_;  // a power of two in size, at most half used
  size_t used_ = 0;
};

}  // namespace router
