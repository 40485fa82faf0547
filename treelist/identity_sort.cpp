// Address order for the row index: a radix sort, or none when the rows are in that order.
#include "treelist/identity_sort.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace treelist {
namespace {

using Row = IdentityRow;

uintptr_t Key(const Row& row) noexcept { return reinterpret_cast<uintptr_t>(row.node); }

// Digits of 11 bits: three passes over 32-bit addresses, with counts that fit the first cache.
constexpr int kPasses = 3;
constexpr int kDigitBits = 11;
static_assert(kPasses * kDigitBits >= int(sizeof(uintptr_t) * 8), "every bit of an address");
constexpr uintptr_t kDigitMask = (uintptr_t{1} << kDigitBits) - 1;

// One stable counting pass on the digit at `shift`, from `rows` into `out`. False (and nothing
// moved) when every row has the same digit there, as the high and low bits of a heap's
// addresses often do.
bool SortByDigit(const std::vector<Row>& rows, std::vector<Row>& out, int shift) {
  std::array<size_t, size_t{1} << kDigitBits> start{};  // first the count of each digit
  for (const Row& row : rows) ++start[(Key(row) >> shift) & kDigitMask];
  if (std::ranges::find(start, rows.size()) != start.end()) return false;
  size_t before = 0;
  for (size_t& digit : start) before += std::exchange(digit, before);
  for (const Row& row : rows) out[start[(Key(row) >> shift) & kDigitMask]++] = row;
  return true;
}

}  // namespace

std::vector<IdentityRow> SortByIdentity(const std::vector<TdxTreeListNode*>& display) {
  std::vector<Row> rows;
  rows.reserve(display.size());
  for (TdxTreeListNode* node : display) rows.push_back({node, static_cast<int>(rows.size())});
  // Rows made in order come in address order already.
  if (!std::ranges::is_sorted(rows, {}, &Row::node)) {
    std::vector<Row> spare(rows.size());
    for (int pass = 0; pass < kPasses; ++pass) {
      if (SortByDigit(rows, spare, pass * kDigitBits)) rows.swap(spare);
    }
  }
  return rows;
}

}  // namespace treelist
