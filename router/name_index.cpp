// Names to their first places.
#include "router/name_index.h"

#include <functional>

namespace router {

namespace {

size_t Hash(std::string_view name) { return std::hash<std::string_view>()(name); }

}  // namespace

NameIndex::NameIndex(const std::vector<std::string>& names) : names_(names) {
  size_t size = 64;
  while (size < 2 * names.size()) size *= 2;
  slots_.resize(size);
  for (uint32_t i = 0; i < names.size(); ++i) {
    Slot& slot = slots_[SlotOf(names[i])];
    if (slot.place == 0) slot = {Hash(names[i]), i + 1};
  }
}

std::optional<uint32_t> NameIndex::Find(std::string_view name) const {
  const Slot& slot = slots_[SlotOf(name)];
  return slot.place != 0 ? std::optional<uint32_t>(slot.place - 1) : std::nullopt;
}

size_t NameIndex::SlotOf(std::string_view name) const {
  const size_t hash = Hash(name), mask = slots_.size() - 1;
  size_t at = hash & mask;
  while (slots_[at].place != 0 &&
         (slots_[at].hash != hash || names_[slots_[at].place - 1] != name)) {
    at = (at + 1) & mask;
  }
  return at;
}

}  // namespace router
