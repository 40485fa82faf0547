// The node of the grid with columns: one text per column value slot and three image indexes.
#pragma once

#include <string>
#include <string_view>

#include "treelist/core/node_texts.h"
#include "treelist/core/nodes.h"

namespace treelist {

class TdxTreeListTextNode : public TdxTreeListNode {
 public:
  // Its texts live in the owner's block pool.
  explicit TdxTreeListTextNode(TreeListNodeOwner* owner) : TdxTreeListNode(owner) {}
  ~TdxTreeListTextNode() override { texts_.Release(Pool()); }

  // The stored indexes; the owner's getters may let events change what others see.
  int image_index = 0;
  int selected_index = -1;
  int state_index = -1;

  // Texts are sparse at the end: a slot past the last stored one reads as empty. They stay
  // wide in memory, so that what the wide editors typed survives until the node is stored.
  int TextCount() const noexcept { return texts_.Count(); }
  std::wstring Text(int index) const { return texts_.Text(index); }
  // Grows the list with empty texts up to `index` first; a negative index stores nothing.
  void SetText(int index, std::wstring_view text) { texts_.Set(Pool(), index, text); }
  // Moves the text of slot `from` to slot `to`, the ones between shifting by one.
  void MoveText(int from, int to) { texts_.Move(Pool(), from, to); }
  // Drops the text of slot `index`; the later ones move down one slot.
  void RemoveText(int index) { texts_.Remove(Pool(), index); }
  // The stream's roads: the stored characters, and every text at once.
  const NodeTexts& Texts() const noexcept { return texts_; }
  void StoreTexts(NodeTexts::Builder& builder) { builder.StoreInto(Pool(), texts_); }

 private:
  NodeBlockPool& Pool() const noexcept { return Owner()->NodeBlocks(); }

  NodeTexts texts_;
};

}  // namespace treelist
