// Sorting the grid's sibling lists by one or more keys: what a sort asks of its grid, the three
// comparison rules and the walk over the levels. Pure data: no window, no drawing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/persistence.h"
#include "framework/variant.h"
#include "treelist/core/nodes.h"

namespace framework {
class TComponent;
}

namespace treelist {

// One key of a sort: the value slot (the column's data index) and its direction.
struct SortKey {
  int column = 0;
  bool descending = false;
};

// Node1, Node2, Compare (preset to 0): negative, 0 or positive as Node1 sorts before, with or
// after Node2.
using TCompareEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListNode*, TdxTreeListNode*, int&>;

// What a sort asks of its grid. The answers given here are those of a grid without a column
// model; the column model overrides the keys (its sorted columns and their directions).
class TreeListSortSource {
 public:
  virtual int GetSortColumnCount() const { return 0; }
  virtual int GetSortColumn(int index) const { return index; }
  virtual bool GetSortDescending(int) const { return false; }
  // Several keys are used only when this holds and there are two sort columns or more.
  virtual bool IsMultiSort() const = 0;
  virtual framework::Variant GetNodeSortValue(const TdxTreeListNode* node, int column) = 0;
  // The rule: the compare event when it has a handler, else the locale comparison when asked
  // for, else the mixed comparison.
  virtual bool HasCompareEvent() const = 0;
  virtual int DoCompare(TdxTreeListNode* a, TdxTreeListNode* b) = 0;
  virtual bool IsLocaleSort() const = 0;
  // The value slots the mixed comparison reads, in order, when every key is equal.
  virtual int GetNodeTextCount(const TdxTreeListNode* node) = 0;
  virtual std::string GetNodeSortText(const TdxTreeListNode* node, int index) {
    return node->GetStrings(index);
  }
  // The last word on nodes equal by every rule: their order before the sort, which a sort
  // by a second column thus keeps among equals of the first.
  virtual int CompareNodesTieBreak(const TdxTreeListNode* a, const TdxTreeListNode* b) {
    return a->Index() < b->Index() ? -1 : (a->Index() > b->Index() ? 1 : 0);
  }

 protected:
  ~TreeListSortSource() = default;
};

// Sorts the sibling lists at `level` of the tree whose top-level list is `top`: -1 every list
// (the top-level one, then depth first each node's children), 0 the top-level list, n the
// children of the nodes at depth n - 1. `key` is the key unless multi-sort gives the keys.
// Lists of fewer than two nodes are not asked about. A comparison that throws leaves the list
// it was sorting as it was.
void SortTreeLevel(const std::vector<TdxTreeListNode*>& top, int level, SortKey key,
                   TreeListSortSource& source);

// The locale's collation of two 8-bit texts (the user's default locale): -1, 0 or 1.
int CollateAnsi(const std::string& a, const std::string& b);

}  // namespace treelist
