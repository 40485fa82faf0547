// Visible-row numbering of a node tree, on two roads: walking the tree, or a flat index of the
// rows in display order with their identities sorted beside it for the way back.
#pragma once

#include <vector>

#include "treelist/core/identity_directory.h"
#include "treelist/core/nodes.h"

namespace treelist {

// The walking road: no state, linear in the rows before the answer.
int WalkVisibleRowCount(const std::vector<TdxTreeListNode*>& top);
int CountVisibleDescendants(const TdxTreeListNode* node);
// -1 for null, a node without a row, or one not in this tree.
int WalkAbsoluteIndex(const std::vector<TdxTreeListNode*>& top, const TdxTreeListNode* node);
TdxTreeListNode* WalkNodeAtAbsoluteIndex(const std::vector<TdxTreeListNode*>& top, int index);

// The flat road: the display list answers index -> node at once; node -> index is a search
// among the identities, through a directory that keeps it to a few cache lines. Adding or
// deleting one row patches the lists in linear time.
class RowIndex {
 public:
  bool Valid() const noexcept { return valid_; }
  // Forgets everything; the next Rebuild makes it anew.
  void Invalidate() noexcept;
  void Rebuild(const std::vector<TdxTreeListNode*>& top);
  // One row came (before its parent's next visible row) or is about to go; the node is linked.
  // Does nothing unless the index is valid and the node has a row.
  void NodeAdded(TdxTreeListNode* node);
  void NodeDeleting(TdxTreeListNode* node);

  int Count() const noexcept { return static_cast<int>(display_.size()); }
  TdxTreeListNode* NodeAt(int index) const noexcept;
  int IndexOf(const TdxTreeListNode* node) const noexcept;
  // Bytes the index holds per row (for the memory budget of the benchmark).
  size_t CapacityBytes() const noexcept;
  // Cache lines IndexOf reads at most (NodeAt reads one), for the benchmark.
  int IndexOfLines() const noexcept { return directory_.LinesPerSearch(); }

 private:
  // Position in sorted_ of the first identity not lower than `node`.
  size_t SortedPosition(const TdxTreeListNode* node) const noexcept;

  std::vector<TdxTreeListNode*> display_;  // rows in display order
  std::vector<TdxTreeListNode*> sorted_;   // the same nodes by identity
  std::vector<int> index_;                 // display index of each sorted_ entry
  IdentityDirectory directory_;            // over sorted_
  bool valid_ = false;
};

// A row appears or disappears at the end of its siblings: the sibling before it, and the last
// rows below that sibling, change their footers and tree lines, so their cached heights go.
void ClearFormerLastSiblingHeight(TdxTreeListNode* node);

}  // namespace treelist
