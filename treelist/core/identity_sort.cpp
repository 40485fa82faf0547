// Address order for the row index: a radix sort, or none when the rows are in that order.
#include "treelist/core/identity_sort.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace treelist {
namespace {

struct Row {
  TdxTreeListNode* node;
  int display_index;
};

uintptr_t Key(const Row& row) noexcept { return reinterpret_cast<uintptr_t>(row.node); }

// Digits of 11 bits: three passes over 32-bit addresses, with counts that fit the first cache.
constexpr int kDigitBits = 11;
constexpr uintptr_t kDigitMask = (uintptr_t{1} << kDigitBits) - 1;

// One stable counting pass on the digit at `shift`, from `rows` into `out`. False (and nothing
// moved) when every row has the same digit there, as the high and low bits of a heap's
// addresses often do.
bool SortByDigit(const std::vector<Row>& rows, std::vector<Row>& out, int shift) {
  std::array<size_t, kDigitMask + 2> start{};
  for (const Row& row : rows) ++start[((Key(row) >> shift) & kDigitMask) + 1];
  if (std::find(start.begin(), start.end(), rows.size()) != start.end()) return false;
  for (size_t digit = 1; digit < start.size(); ++digit) start[digit] += start[digit - 1];
  for (const Row& row : rows) out[start[(Key(row) >> shift) & kDigitMask]++] = row;
  return true;
}

}  // namespace

void SortByIdentity(const std::vector<TdxTreeListNode*>& display,
                    std::vector<TdxTreeListNode*>& sorted, std::vector<int>& index) {
  std::vector<Row> rows(display.size());
  for (size_t i = 0; i < display.size(); ++i) {
    rows[i] = {display[i], static_cast<int>(i)};
  }
  const bool in_order = std::is_sorted(rows.begin(), rows.end(),
                                       [](const Row& a, const Row& b) { return Key(a) < Key(b); });
  if (!in_order) {
    std::vector<Row> spare(rows.size());
    for (int shift = 0; shift < int(sizeof(uintptr_t) * 8); shift += kDigitBits) {
      if (SortByDigit(rows, spare, shift)) rows.swap(spare);
    }
  }
  sorted.resize(rows.size());
  index.resize(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    sorted[i] = rows[i].node;
    index[i] = rows[i].display_index;
  }
}

}  // namespace treelist
