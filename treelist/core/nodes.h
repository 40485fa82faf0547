// The grid's nodes: a tree of rows owned by one tree list, and what a node asks of its owner.
// Pure data: no window and no drawing; the owner answers texts, values, images and events.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/variant.h"
#include "treelist/core/node_block_pool.h"

namespace treelist {

class TdxTreeListNode;

class ETreeListError : public framework::Exception {
 public:
  using framework::Exception::Exception;
};

// What a node needs of the tree list that owns it. Top-level nodes live in the owner's list.
class TreeListNodeOwner {
 public:
  virtual std::vector<TdxTreeListNode*>& TopLevelNodes() = 0;
  // The node factory: a node of the owner's class, not yet linked into the tree.
  virtual TdxTreeListNode* CreateNode() = 0;
  virtual void NodeAdded(TdxTreeListNode* node) = 0;
  // Before a linked node is freed (its children are gone already), and once it is unlinked.
  virtual void NodeDeleting(TdxTreeListNode* node) = 0;
  virtual void NodeDeleted() = 0;
  virtual bool DoExpanding(TdxTreeListNode* node) = 0;
  virtual void DoExpanded(TdxTreeListNode* node) = 0;
  virtual bool DoCollapsing(TdxTreeListNode* node) = 0;
  virtual void DoCollapsed(TdxTreeListNode* node) = 0;
  // The set of visible rows changed below `node` (expanded or collapsed).
  virtual void NodeExpandChanged(TdxTreeListNode* node) = 0;
  virtual std::wstring GetNodeString(const TdxTreeListNode* node, int index) = 0;
  virtual void SetNodeString(TdxTreeListNode* node, int index, const std::wstring& text) = 0;
  virtual framework::Variant GetNodeValue(const TdxTreeListNode* node, int index) = 0;
  virtual void SetNodeValue(TdxTreeListNode* node, int index, const framework::Variant& value) = 0;
  enum class ImageKind { Image, Selected, State };
  virtual int GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) = 0;
  virtual void SetNodeImageIndex(TdxTreeListNode* node, ImageKind kind, int index) = 0;
  virtual bool IsFocusedNode(const TdxTreeListNode* node) const = 0;
  virtual void RepaintNode(TdxTreeListNode* node, bool below) = 0;
  virtual void MakeNodeVisible(TdxTreeListNode* node) = 0;
  // Where nodes keep their data: it outlives every node of the owner.
  virtual NodeBlockPool& NodeBlocks() noexcept = 0;

 protected:
  ~TreeListNodeOwner() = default;
};

class TdxTreeListNode {
 public:
  explicit TdxTreeListNode(TreeListNodeOwner* owner);
  // Frees the children first, last to first, then unlinks itself.
  virtual ~TdxTreeListNode();
  TdxTreeListNode(const TdxTreeListNode&) = delete;
  TdxTreeListNode& operator=(const TdxTreeListNode&) = delete;

  TreeListNodeOwner* Owner() const noexcept { return owner_; }
  TdxTreeListNode* Parent() const noexcept { return parent_; }
  int Count() const noexcept { return static_cast<int>(children_.size()); }
  // Null outside 0 .. Count() - 1.
  TdxTreeListNode* Items(int index) const noexcept;
  const std::vector<TdxTreeListNode*>& Children() const noexcept { return children_; }
  // Position among its siblings (the owner's top-level list for a top-level node).
  int Index() const noexcept { return index_; }
  int Level() const noexcept;
  bool HasChildren() const noexcept { return !children_.empty(); }
  bool Expanded() const noexcept { return expanded_; }
  bool IsLast() const noexcept;
  // Every parent expanded: the node has a row.
  bool IsVisible() const noexcept;
  bool GetFocused() const { return owner_->IsFocusedNode(this); }
  bool Selected() const noexcept { return selected_; }
  void SetSelectedFlag(bool value) noexcept { selected_ = value; }
  TdxTreeListNode* PrevSibling() const noexcept;
  TdxTreeListNode* NextSibling() const noexcept;
  bool IsInSubtreeOf(const TdxTreeListNode* ancestor) const noexcept;

  uint32_t Data() const noexcept { return data_; }
  void SetData(uint32_t value) noexcept { data_ = value; }

  TdxTreeListNode* AddChild();
  void MakeVisible() { owner_->MakeNodeVisible(this); }
  void Expand(bool recurse);
  void Collapse(bool recurse);
  void SetExpanded(bool value);
  void Repaint() { owner_->RepaintNode(this, false); }

  std::string GetStrings(int index) const;
  std::wstring GetWideStrings(int index) const { return owner_->GetNodeString(this, index); }
  void SetStrings(int index, const std::string& text);
  framework::Variant GetValues(int index) const { return owner_->GetNodeValue(this, index); }
  void SetValues(int index, const framework::Variant& value) {
    owner_->SetNodeValue(this, index, value);
  }

  int ImageIndex() const { return owner_->GetNodeImageIndex(this, ImageKind::Image); }
  int SelectedIndex() const { return owner_->GetNodeImageIndex(this, ImageKind::Selected); }
  int StateIndex() const { return owner_->GetNodeImageIndex(this, ImageKind::State); }
  void SetImageIndex(int i) { owner_->SetNodeImageIndex(this, ImageKind::Image, i); }
  void SetSelectedIndex(int i) { owner_->SetNodeImageIndex(this, ImageKind::Selected, i); }
  void SetStateIndex(int i) { owner_->SetNodeImageIndex(this, ImageKind::State, i); }

  // The row height cache of the layout (0: not cached) and the line count it was made with.
  int CachedHeight() const noexcept { return cached_height_; }
  int CachedLineCount() const noexcept { return cached_lines_; }
  void SetCachedHeight(int height, int lines) noexcept;
  void ClearCachedHeight() noexcept { cached_height_ = 0; }
  void ClearCachedLineCount() noexcept { cached_lines_ = 0; }

  // Links a node made by the factory as the last child of `parent` (null: top level).
  static void Append(TdxTreeListNode* node, TdxTreeListNode* parent);
  // Puts the siblings of `first` (itself among them) in a new order: position i takes the
  // sibling that was at order[i]. Throws unless `order` names every position once.
  static void ReorderSiblings(TdxTreeListNode* first, const std::vector<uint32_t>& order);

 private:
  using ImageKind = TreeListNodeOwner::ImageKind;
  std::vector<TdxTreeListNode*>& Siblings() const noexcept;
  void Unlink() noexcept;

  TreeListNodeOwner* owner_;
  TdxTreeListNode* parent_ = nullptr;
  std::vector<TdxTreeListNode*> children_;
  uint32_t data_ = 0;
  int index_ = -1;
  uint16_t cached_height_ = 0;
  uint16_t cached_lines_ = 0;
  bool expanded_ = false;
  bool selected_ = false;
};

// Display-order steps over the rows (nodes whose parents are all expanded).
TdxTreeListNode* NextVisibleNode(const TdxTreeListNode* node) noexcept;
TdxTreeListNode* PrevVisibleNode(const TdxTreeListNode* node) noexcept;
// The row after `node` and all its descendants' rows, or null.
TdxTreeListNode* NextVisibleAfterSubtree(const TdxTreeListNode* node) noexcept;
// The last row of `node`'s expanded subtree (the node itself when collapsed).
TdxTreeListNode* LastVisibleDescendant(TdxTreeListNode* node) noexcept;
// Tree order: negative, zero or positive as `a` comes before, is, or follows `b`.
int CompareNodePositions(const TdxTreeListNode* a, const TdxTreeListNode* b) noexcept;
// Identity order (addresses), as the row index sorts them.
int CompareNodeIdentities(const TdxTreeListNode* a, const TdxTreeListNode* b) noexcept;

}  // namespace treelist
