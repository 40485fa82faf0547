// Visible-row numbering: the walking and the flat road.
#include "treelist/core/row_index.h"

#include "treelist/core/identity_sort.h"

namespace treelist {
namespace {

// Calls `visit(node)` for each row in display order until it answers false.
template <class Visit>
bool WalkRows(const std::vector<TdxTreeListNode*>& nodes, Visit&& visit) {
  for (TdxTreeListNode* node : nodes) {
    if (!visit(node)) return false;
    if (node->Expanded() && !WalkRows(node->Children(), visit)) return false;
  }
  return true;
}

}  // namespace

int CountVisibleDescendants(const TdxTreeListNode* node) {
  int count = node->Count();
  for (const TdxTreeListNode* child : node->Children()) {
    if (child->Expanded()) count += CountVisibleDescendants(child);
  }
  return count;
}

int WalkVisibleRowCount(const std::vector<TdxTreeListNode*>& top) {
  int count = static_cast<int>(top.size());
  for (const TdxTreeListNode* node : top) {
    if (node->Expanded()) count += CountVisibleDescendants(node);
  }
  return count;
}

int WalkAbsoluteIndex(const std::vector<TdxTreeListNode*>& top, const TdxTreeListNode* node) {
  // A node under a collapsed parent has no row: say so at once rather than walk everything.
  if (!node || top.empty() || !node->IsVisible()) return -1;
  int counter = -1, index = -1;
  WalkRows(top, [&](const TdxTreeListNode* row) {
    ++counter;
    if (row == node) index = counter;
    return row != node;
  });
  return index;
}

TdxTreeListNode* WalkNodeAtAbsoluteIndex(const std::vector<TdxTreeListNode*>& top, int index) {
  if (index < 0) return nullptr;
  int counter = -1;
  TdxTreeListNode* found = nullptr;
  WalkRows(top, [&](TdxTreeListNode* row) {
    if (++counter < index) return true;
    found = row;
    return false;
  });
  return found;
}

void RowIndex::Invalidate() noexcept {
  display_.clear();
  sorted_.clear();
  index_.clear();
  directory_.Clear();
  valid_ = false;
}

void RowIndex::Rebuild(const std::vector<TdxTreeListNode*>& top) {
  // A rebuild after a failed one must not append to what is left of it.
  Invalidate();
  WalkRows(top, [&](TdxTreeListNode* row) {
    display_.push_back(row);
    return true;
  });
  SortByIdentity(display_, sorted_, index_);
  directory_.Build(sorted_);
  valid_ = true;
}

size_t RowIndex::SortedPosition(const TdxTreeListNode* node) const noexcept {
  return directory_.LowerBound(sorted_, node);
}

void RowIndex::NodeAdded(TdxTreeListNode* node) {
  if (!valid_ || !node->IsVisible()) return;
  const TdxTreeListNode* follower = NextVisibleAfterSubtree(node);
  const int position = follower ? IndexOf(follower) : Count();
  if (position < 0) return Invalidate();  // the lists do not know the tree: start again
  for (int& i : index_) {
    if (i >= position) ++i;
  }
  const size_t sorted_position = SortedPosition(node);
  sorted_.insert(sorted_.begin() + sorted_position, node);
  index_.insert(index_.begin() + sorted_position, position);
  display_.insert(display_.begin() + position, node);
  directory_.Shifted(sorted_);
}

void RowIndex::NodeDeleting(TdxTreeListNode* node) {
  if (!valid_ || !node->IsVisible()) return;
  const size_t sorted_position = SortedPosition(node);
  if (sorted_position == sorted_.size() || sorted_[sorted_position] != node) return Invalidate();
  const int position = index_[sorted_position];
  for (int& i : index_) {
    if (i > position) --i;
  }
  sorted_.erase(sorted_.begin() + sorted_position);
  index_.erase(index_.begin() + sorted_position);
  display_.erase(display_.begin() + position);
  directory_.Shifted(sorted_);
}

TdxTreeListNode* RowIndex::NodeAt(int index) const noexcept {
  return index >= 0 && index < Count() ? display_[index] : nullptr;
}

int RowIndex::IndexOf(const TdxTreeListNode* node) const noexcept {
  const IdentityDirectory::Window window = directory_.Find(sorted_, node);
  // The display index sought lies in the same window of index_: its lines are asked for now,
  // so that their misses overlap the search's own in sorted_ instead of following it.
  if (window.end > window.begin) {
    __builtin_prefetch(&index_[window.begin]);
    __builtin_prefetch(&index_[window.end - 1]);
  }
  const size_t position = IdentityDirectory::LowerBound(sorted_, window, node);
  return position < sorted_.size() && sorted_[position] == node ? index_[position] : -1;
}

size_t RowIndex::CapacityBytes() const noexcept {
  return display_.capacity() * sizeof(TdxTreeListNode*) +
         sorted_.capacity() * sizeof(TdxTreeListNode*) + index_.capacity() * sizeof(int) +
         directory_.CapacityBytes();
}

void ClearFormerLastSiblingHeight(TdxTreeListNode* node) {
  if (!node->IsLast()) return;
  // The row footers of a group's last row count the groups it closes above it too: the
  // former last sibling's chain of last children loses or gains one.
  for (TdxTreeListNode* n = node->PrevSibling(); n;
       n = n->HasChildren() ? n->Children().back() : nullptr) {
    n->ClearCachedHeight();
  }
}

}  // namespace treelist
