// Free notification: sorted entries and the listener walk.
#include "controls/free_notification.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace controls {

namespace {
int Compare(const void* a, const void* b) {
  if (std::less<const void*>()(a, b)) return -1;
  return std::less<const void*>()(b, a) ? 1 : 0;
}
}  // namespace

bool TFreeNotificationRegistry::Find(const void* block, size_t& index) const {
  // Signed bounds: hi goes to -1 when the key sorts before the first entry.
  ptrdiff_t lo = 0;
  ptrdiff_t hi = static_cast<ptrdiff_t>(entries_.size()) - 1;
  bool found = false;
  while (lo <= hi) {
    const ptrdiff_t mid = (lo + hi) / 2;
    const int c = Compare(entries_[mid].key, block);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        lo = mid;  // keys are unique
      }
    }
  }
  index = static_cast<size_t>(lo);
  return found;
}

void TFreeNotificationRegistry::AddListener(const void* block, TFreeListener listener) {
  size_t index = 0;
  if (!Find(block, index)) entries_.insert(entries_.begin() + index, Entry{block, {}});
  entries_[index].listeners.push_back(listener);
}

void TFreeNotificationRegistry::RemoveFrom(Entry& entry, TFreeListener listener) {
  const auto it = std::find(entry.listeners.begin(), entry.listeners.end(), listener);
  if (it != entry.listeners.end()) entry.listeners.erase(it);
}

void TFreeNotificationRegistry::RemoveListener(const void* block, TFreeListener listener) {
  if (notifying_ && notifying_->key == block) RemoveFrom(*notifying_, listener);
  size_t index = 0;
  if (!Find(block, index)) return;
  RemoveFrom(entries_[index], listener);
  if (entries_[index].listeners.empty()) entries_.erase(entries_.begin() + index);
}

void TFreeNotificationRegistry::NotifyFreed(const void* block) {
  size_t index = 0;
  if (!Find(block, index)) return;
  auto entry = std::make_unique<Entry>(std::move(entries_[index]));
  entries_.erase(entries_.begin() + index);
  // A listener may free another registered block: keep the outer walk's entry aside.
  std::unique_ptr<Entry> outer = std::exchange(notifying_, std::move(entry));
  std::vector<TFreeListener>& listeners = notifying_->listeners;
  size_t i = 0;
  while (i < listeners.size()) {
    const TFreeListener called = listeners[i];
    called.notify(called.context, block);
    if (i < listeners.size() && listeners[i] == called) ++i;
  }
  notifying_ = std::move(outer);
}

void NotifyingFreeMem(void* block, TFreeRoutine free_routine, TFreeNotificationRegistry* registry) {
  free_routine(block);
  if (registry) registry->NotifyFreed(block);
}

}  // namespace controls
