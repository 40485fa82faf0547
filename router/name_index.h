// Names to the first of their places in a list, in one open table of hashes and places: a board
// names thousands of nets, and a table of a node per name costs a cache miss or two at each
// look-up, a sorted copy of the names a sort of them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace router {

class NameIndex {
 public:
  // `names` must outlive the index and stay as they are.
  explicit NameIndex(const std::vector<std::string>& names);
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // The place of the name's first entry, or none.
  std::optional<uint32_t> Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name).has_value(); }

 private:
  struct Slot {
    size_t hash = 0;
    uint32_t place = 0;  // counted from 1; 0 for an empty slot
  };
  // The name's slot, or the empty one where it would go.
  size_t SlotOf(std::string_view name) const;

  const std::vector<std::string>& names_;
  std::vector<Slot> slots_;  // at most half full
};

}  // namespace router
