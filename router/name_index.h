// Names to the first of their places in a list, in one open table of hashes and places: a board
// names thousands of nets, and a table of a node per name costs a cache miss or two at each
// look-up, a sorted copy of the names a sort of them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace router {

// `Names` gives the names by place (`names[i]`, comparable with a view) and their number
// (`size()`).
template <class Char, class Names = std::vector<std::basic_string<Char>>>
class BasicNameIndex {
 public:
  using NameView = std::basic_string_view<Char>;

  // `names` must outlive the index and stay as they are.
  explicit BasicNameIndex(const Names& names) : names_(names) {
    size_t size = 64;
    while (size < 2 * names.size()) size *= 2;
    slots_.resize(size);
    for (uint32_t i = 0; i < names.size(); ++i) {
      Slot& slot = slots_[SlotOf(names[i])];
      if (slot.place == 0) slot = {Hash(names[i]), i + 1};
    }
  }
  BasicNameIndex(const BasicNameIndex&) = delete;
  BasicNameIndex& operator=(const BasicNameIndex&) = delete;

  // The place of the name's first entry, or none.
  std::optional<uint32_t> Find(NameView name) const {
    const Slot& slot = slots_[SlotOf(name)];
    return slot.place != 0 ? std::optional<uint32_t>(slot.place - 1) : std::nullopt;
  }
  bool Contains(NameView name) const { return Find(name).has_value(); }

 private:
  struct Slot {
    size_t hash = 0;
    uint32_t place = 0;  // counted from 1; 0 for an empty slot
  };
  static size_t Hash(NameView name) { return std::hash<NameView>()(name); }
  // The name's slot, or the empty one where it would go.
  size_t SlotOf(NameView name) const {
    const size_t hash = Hash(name), mask = slots_.size() - 1;
    size_t at = hash & mask;
    while (slots_[at].place != 0 &&
           (slots_[at].hash != hash || names_[slots_[at].place - 1] != name)) {
      at = (at + 1) & mask;
    }
    return at;
  }

  const Names& names_;
  std::vector<Slot> slots_;  // at most half full
};

using NameIndex = BasicNameIndex<char>;
using WideNameIndex = BasicNameIndex<wchar_t>;

}  // namespace router
