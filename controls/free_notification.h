// Listeners told when a registered memory block is freed. The process allocator is not
// replaced: a caller that wants notifications frees through NotifyingFreeMem.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace controls {

// A method pointer in C++ form: `notify(context, block)`.
struct TFreeListener {
  void (*notify)(void* context, const void* block) = nullptr;
  void* context = nullptr;
  friend bool operator==(const TFreeListener&, const TFreeListener&) = default;
};

// Entries sorted by block address, each with its listeners.
class TFreeNotificationRegistry {
 public:
  void AddListener(const void* block, TFreeListener listener);
  // Drops one listener of the block (also while the block's listeners are being called); an
  // entry without listeners goes.
  void RemoveListener(const void* block, TFreeListener listener);
  // Binary search; `index` is where the block is or would be inserted.
  bool Find(const void* block, size_t& index) const;
  size_t Count() const { return entries_.size(); }
  void Clear() { entries_.clear(); }

  // Takes the block's entry out and calls each of its listeners with the block. A listener that
  // removes itself (or another) during the walk makes no listener be skipped or called twice.
  void NotifyFreed(const void* block);

 private:
  struct Entry {
    const void* key;
    std::vector<TFreeListener> listeners;
  };
  static void RemoveFrom(Entry& entry, TFreeListener listener);

  std::vector<Entry> entries_;
  std::unique_ptr<Entry> notifying_;  // the entry whose listeners are being called
};

using TFreeRoutine = void (*)(void* block);

// Frees the block with `free_routine`, then notifies the registry's listeners of it (when there
// is a registry and it has an entry for the block).
void NotifyingFreeMem(void* block, TFreeRoutine free_routine, TFreeNotificationRegistry* registry);

}  // namespace controls
