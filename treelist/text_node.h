// The node of the grid with columns: one text per column value slot and three image indexes.
#pragma once

#include <string>
#include <vector>

#include "treelist/nodes.h"

namespace treelist {

class TdxTreeListTextNode : public TdxTreeListNode {
 public:
  explicit TdxTreeListTextNode(TreeListNodeOwner* owner) : TdxTreeListNode(owner) {}

  // The stored indexes; the owner's getters may let events change what others see.
  int image_index = 0;
  int selected_index = -1;
  int state_index = -1;

  // Texts are sparse at the end: a slot past the last stored one reads as empty.
  int TextCount() const noexcept { return static_cast<int>(texts_.size()); }
  const std::wstring& Text(int index) const noexcept;
  // Grows the list with empty texts up to `index` first; a negative index stores nothing.
  void SetText(int index, std::wstring text);
  void ReserveTexts(int count) { texts_.reserve(static_cast<size_t>(count)); }
  // Moves the text of slot `from` to slot `to`, the ones between shifting by one.
  void MoveText(int from, int to);
  // Drops the text of slot `index`; the later ones move down one slot.
  void RemoveText(int index);

 private:
  // Wide in memory, so that what the wide editors typed survives until the node is stored.
  std::vector<std::wstring> texts_;
};

}  // namespace treelist
