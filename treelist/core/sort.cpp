// Sorting the grid's sibling lists.
#include "treelist/core/sort.h"

#include <windows.h>

#include <algorithm>
#include <compare>
#include <cstdint>
#include <string_view>
#include <vector>

#include "controls/string_utils.h"
#include "framework/win/text.h"

namespace treelist {
namespace {

using framework::TVarType;
using framework::Variant;

// The keys of one sort: the one given, or the grid's sort columns under multi-sort.
std::vector<SortKey> KeysOf(const TreeListSortSource& source, SortKey key) {
  const int count = source.GetSortColumnCount();
  if (!source.IsMultiSort() || count < 2) return {key};
  std::vector<SortKey> keys;
  keys.reserve(count);
  for (int k = 0; k < count; ++k) {
    keys.push_back({source.GetSortColumn(k), source.GetSortDescending(k)});
  }
  return keys;
}

unsigned char UpperAscii(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? u - 'a' + 'A' : u;
}

// Byte by byte with ASCII letters upper-cased; a prefix comes first.
int CompareUpperBytes(std::string_view a, std::string_view b) {
  const std::strong_ordering order = std::lexicographical_compare_three_way(
      a.begin(), a.end(), b.begin(), b.end(),
      [](char x, char y) { return UpperAscii(x) <=> UpperAscii(y); });
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Two differing values in the locale's order: texts collate (a text against a number by its
// string form, so that the order stays antisymmetric), other kinds compare as numbers.
int CompareLocaleValues(const Variant& a, const std::string& text_a, const Variant& b,
                        const std::string& text_b) {
  if (a == b) return 0;
  if (a.VarType() == TVarType::varString || b.VarType() == TVarType::varString) {
    return CollateAnsi(text_a, text_b);
  }
  if (a.IsEmpty() != b.IsEmpty()) return a.IsEmpty() ? -1 : 1;
  const double x = a.ToDouble(), y = b.ToDouble();
  return x < y ? -1 : (x > y ? 1 : 0);
}

// The order a stable merge sort gives 0 .. count - 1 under `compare(i, j)` (negative: i first).
// Safe with any answers: the result is always a permutation, after at most count * log2(count)
// comparisons, and elements compared as 0 keep their order.
template <class Compare>
std::vector<uint32_t> MergeSortOrder(uint32_t count, Compare&& compare) {
  std::vector<uint32_t> order(count), merged(count);
  for (uint32_t i = 0; i < count; ++i) order[i] = i;
  for (size_t width = 1; width < count; width *= 2) {
    for (size_t low = 0; low < count; low += 2 * width) {
      const size_t middle = std::min<size_t>(low + width, count);
      const size_t high = std::min<size_t>(low + 2 * width, count);
      size_t left = low, right = middle, out = low;
      // Runs already in order (common when sorting again) cost one comparison.
      if (middle < high && compare(order[middle - 1], order[middle]) <= 0) {
        std::copy(order.begin() + low, order.begin() + high, merged.begin() + low);
        continue;
      }
      while (left < middle && right < high) {
        merged[out++] = compare(order[left], order[right]) <= 0 ? order[left++] : order[right++];
      }
      const auto rest =
          std::copy(order.begin() + left, order.begin() + middle, merged.begin() + out);
      std::copy(order.begin() + right, order.begin() + high, rest);
    }
    order.swap(merged);
  }
  return order;
}

enum class Rule { Event, Locale, Mixed };

// One sibling list, its key values asked once per node, and the rule that orders two of them.
class ListSorter {
 public:
  ListSorter(const std::vector<TdxTreeListNode*>& nodes, SortKey key, TreeListSortSource& source)
      : nodes_(nodes), source_(source), keys_(KeysOf(source, key)) {
    rule_ = source.HasCompareEvent() ? Rule::Event
            : source.IsLocaleSort()  ? Rule::Locale
                                     : Rule::Mixed;
    if (rule_ != Rule::Event) ReadKeys();
  }

  std::vector<uint32_t> Order() {
    return MergeSortOrder(static_cast<uint32_t>(nodes_.size()),
                          [this](uint32_t a, uint32_t b) { return Compare(a, b); });
  }

 private:
  void ReadKeys() {
    for (const TdxTreeListNode* node : nodes_) {
      for (const SortKey& key : keys_) {
        Variant value = source_.GetNodeSortValue(node, key.column);
        std::string text = win::Narrow(value.ToString());
        if (rule_ == Rule::Locale) {
          texts_.push_back(std::move(text));
          values_.push_back(std::move(value));
        } else {
          mixed_.emplace_back(text);
        }
      }
    }
  }

  int Compare(uint32_t a, uint32_t b) {
    // A node against itself is equal whatever a rule or a handler would answer.
    if (nodes_[a] == nodes_[b]) return 0;
    if (rule_ == Rule::Event) return source_.DoCompare(nodes_[a], nodes_[b]);
    const size_t width = keys_.size();
    for (size_t k = 0; k < width; ++k) {
      const size_t ia = a * width + k, ib = b * width + k;
      const int result = rule_ == Rule::Locale
                             ? CompareLocaleValues(values_[ia], texts_[ia], values_[ib], texts_[ib])
                             : controls::MixedSortKey::Compare(mixed_[ia], mixed_[ib]);
      if (result != 0) return keys_[k].descending ? -result : result;
    }
    if (rule_ == Rule::Mixed) {
      if (const int result = CompareNodeTexts(nodes_[a], nodes_[b])) return result;
    }
    return source_.CompareNodesTieBreak(nodes_[a], nodes_[b]);
  }

  // Slot by slot up to the larger count, a missing slot read as empty: a node with fewer
  // values must not come after the other whichever way round they are asked.
  int CompareNodeTexts(const TdxTreeListNode* a, const TdxTreeListNode* b) {
    const int count_a = source_.GetNodeTextCount(a), count_b = source_.GetNodeTextCount(b);
    for (int slot = 0; slot < std::max(count_a, count_b); ++slot) {
      const std::string text_a = slot < count_a ? source_.GetNodeSortText(a, slot) : "";
      const std::string text_b = slot < count_b ? source_.GetNodeSortText(b, slot) : "";
      if (const int result = CompareUpperBytes(text_a, text_b)) return result;
    }
    return 0;
  }

  const std::vector<TdxTreeListNode*>& nodes_;
  TreeListSortSource& source_;
  std::vector<SortKey> keys_;
  Rule rule_;
  // Node i's key k at i * keys + k: for the locale rule the string forms and the values, for
  // the mixed rule the string forms taken apart once.
  std::vector<std::string> texts_;
  std::vector<Variant> values_;
  std::vector<controls::MixedSortKey> mixed_;
};

void SortList(const std::vector<TdxTreeListNode*>& list, SortKey key, TreeListSortSource& source) {
  if (list.size() < 2) return;
  ListSorter sorter(list, key, source);
  TdxTreeListNode::ReorderSiblings(list.front(), sorter.Order());
}

}  // namespace

int CollateAnsi(const std::string& a, const std::string& b) {
  switch (CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                         static_cast<int>(b.size()))) {
    case CSTR_LESS_THAN: return -1;
    case CSTR_EQUAL: return 0;
    case CSTR_GREATER_THAN: return 1;
  }
  // The call failed: bytes still give an order.
  const int result = a.compare(b);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void SortTreeLevel(const std::vector<TdxTreeListNode*>& top, int level, SortKey key,
                   TreeListSortSource& source) {
  if (level == -1) {
    // Depth first without recursion: a tree may be as deep as it has nodes.
    std::vector<const std::vector<TdxTreeListNode*>*> pending{&top};
    while (!pending.empty()) {
      const std::vector<TdxTreeListNode*>& list = *pending.back();
      pending.pop_back();
      SortList(list, key, source);
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if ((*it)->HasChildren()) pending.push_back(&(*it)->Children());
      }
    }
    return;
  }
  if (level < 0) return;
  if (level == 0) return SortList(top, key, source);
  std::vector<TdxTreeListNode*> parents = top, next;  // the nodes at depth level - 1
  for (int depth = 1; depth < level && !parents.empty(); ++depth) {
    next.clear();
    for (const TdxTreeListNode* parent : parents) {
      next.insert(next.end(), parent->Children().begin(), parent->Children().end());
    }
    parents.swap(next);
  }
  for (const TdxTreeListNode* parent : parents) SortList(parent->Children(), key, source);
}

}  // namespace treelist
