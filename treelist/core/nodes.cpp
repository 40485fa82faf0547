// The grid's node tree.
#include "treelist/core/nodes.h"

#include <algorithm>
#include <functional>

#include "framework/win/text.h"

namespace treelist {

TdxTreeListNode::TdxTreeListNode(TreeListNodeOwner* owner) : owner_(owner) {
  if (!owner) throw ETreeListError("Invalid Owner TdxTreeListNode");
}

TdxTreeListNode::~TdxTreeListNode() {
  // Last to first, so that each child leaves the list from its end.
  while (!children_.empty()) delete children_.back();
  if (index_ >= 0) {
    owner_->NodeDeleting(this);
    Unlink();
    owner_->NodeDeleted();
  }
}

std::vector<TdxTreeListNode*>& TdxTreeListNode::Siblings() const noexcept {
  return parent_ ? parent_->children_ : owner_->TopLevelNodes();
}

void TdxTreeListNode::Unlink() noexcept {
  std::vector<TdxTreeListNode*>& siblings = Siblings();
  siblings.erase(siblings.begin() + index_);
  for (size_t i = index_; i < siblings.size(); ++i) siblings[i]->index_ = static_cast<int>(i);
  index_ = -1;
  parent_ = nullptr;
}

void TdxTreeListNode::Append(TdxTreeListNode* node, TdxTreeListNode* parent) {
  node->parent_ = parent;
  std::vector<TdxTreeListNode*>& siblings = node->Siblings();
  siblings.push_back(node);
  node->index_ = static_cast<int>(siblings.size() - 1);
  node->owner_->NodeAdded(node);
}

void TdxTreeListNode::ReorderSiblings(TdxTreeListNode* first, const std::vector<uint32_t>& order) {
  std::vector<TdxTreeListNode*>& siblings = first->Siblings();
  std::vector<TdxTreeListNode*> reordered;
  reordered.reserve(siblings.size());
  std::vector<bool> taken(siblings.size());
  for (const uint32_t position : order) {
    if (position >= siblings.size() || taken[position]) break;
    taken[position] = true;
    reordered.push_back(siblings[position]);
  }
  if (reordered.size() != siblings.size() || order.size() != siblings.size()) {
    throw ETreeListError("A new order of nodes must name every sibling once");
  }
  siblings.swap(reordered);
  for (size_t i = 0; i < siblings.size(); ++i) siblings[i]->index_ = static_cast<int>(i);
}

TdxTreeListNode* TdxTreeListNode::Items(int index) const noexcept {
  return index >= 0 && index < Count() ? children_[index] : nullptr;
}

int TdxTreeListNode::Level() const noexcept {
  int level = 0;
  for (const TdxTreeListNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

bool TdxTreeListNode::IsLast() const noexcept {
  const std::vector<TdxTreeListNode*>& siblings = Siblings();
  return !siblings.empty() && siblings.back() == this;
}

bool TdxTreeListNode::IsVisible() const noexcept {
  for (const TdxTreeListNode* p = parent_; p; p = p->parent_) {
    if (!p->expanded_) return false;
  }
  return true;
}

TdxTreeListNode* TdxTreeListNode::PrevSibling() const noexcept {
  return index_ > 0 ? Siblings()[index_ - 1] : nullptr;
}

TdxTreeListNode* TdxTreeListNode::NextSibling() const noexcept {
  const std::vector<TdxTreeListNode*>& siblings = Siblings();
  return index_ >= 0 && index_ + 1 < static_cast<int>(siblings.size()) ? siblings[index_ + 1]
                                                                       : nullptr;
}

bool TdxTreeListNode::IsInSubtreeOf(const TdxTreeListNode* ancestor) const noexcept {
  for (const TdxTreeListNode* n = this; n; n = n->parent_) {
    if (n == ancestor) return true;
  }
  return false;
}

TdxTreeListNode* TdxTreeListNode::AddChild() {
  TdxTreeListNode* child = owner_->CreateNode();
  Append(child, this);
  return child;
}

void TdxTreeListNode::SetExpanded(bool value) {
  if (value == expanded_) return;
  if (value ? !owner_->DoExpanding(this) : !owner_->DoCollapsing(this)) return;
  expanded_ = value;
  owner_->NodeExpandChanged(this);
  if (value) {
    owner_->DoExpanded(this);
  } else {
    owner_->DoCollapsed(this);
  }
}

void TdxTreeListNode::Expand(bool recurse) {
  if (HasChildren()) SetExpanded(true);
  if (!recurse) return;
  for (TdxTreeListNode* child : children_) child->Expand(true);
}

void TdxTreeListNode::Collapse(bool recurse) {
  if (recurse) {
    for (TdxTreeListNode* child : children_) child->Collapse(true);
  }
  SetExpanded(false);
}

std::string TdxTreeListNode::GetStrings(int index) const {
  return win::Narrow(owner_->GetNodeString(this, index));
}

void TdxTreeListNode::SetStrings(int index, const std::string& text) {
  owner_->SetNodeString(this, index, win::Widen(text));
}

void TdxTreeListNode::SetCachedHeight(int height, int lines) noexcept {
  cached_height_ = static_cast<uint16_t>(std::clamp(height, 0, 0xFFFF));
  cached_lines_ = static_cast<uint16_t>(std::clamp(lines, 0, 0xFFFF));
}

TdxTreeListNode* NextVisibleAfterSubtree(const TdxTreeListNode* node) noexcept {
  for (const TdxTreeListNode* n = node; n; n = n->Parent()) {
    if (TdxTreeListNode* next = n->NextSibling()) return next;
  }
  return nullptr;
}

TdxTreeListNode* NextVisibleNode(const TdxTreeListNode* node) noexcept {
  if (node->Expanded() && node->HasChildren()) return node->Items(0);
  return NextVisibleAfterSubtree(node);
}

TdxTreeListNode* LastVisibleDescendant(TdxTreeListNode* node) noexcept {
  while (node->Expanded() && node->HasChildren()) node = node->Children().back();
  return node;
}

TdxTreeListNode* PrevVisibleNode(const TdxTreeListNode* node) noexcept {
  if (TdxTreeListNode* prior = node->PrevSibling()) return LastVisibleDescendant(prior);
  return node->Parent();
}

int CompareNodePositions(const TdxTreeListNode* a, const TdxTreeListNode* b) noexcept {
  if (a == b) return 0;
  // Compare the chains of sibling positions from the top down.
  auto path = [](const TdxTreeListNode* n) {
    std::vector<int> indexes;
    for (; n; n = n->Parent()) indexes.push_back(n->Index());
    std::reverse(indexes.begin(), indexes.end());
    return indexes;
  };
  const std::vector<int> pa = path(a), pb = path(b);
  const size_t common = std::min(pa.size(), pb.size());
  for (size_t i = 0; i < common; ++i) {
    if (pa[i] != pb[i]) return pa[i] < pb[i] ? -1 : 1;
  }
  return pa.size() < pb.size() ? -1 : 1;  // an ancestor comes first
}

int CompareNodeIdentities(const TdxTreeListNode* a, const TdxTreeListNode* b) noexcept {
  const std::less<const TdxTreeListNode*> less;
  return less(a, b) ? -1 : (less(b, a) ? 1 : 0);
}

}  // namespace treelist
