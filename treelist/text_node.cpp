// The grid's text node.
#include "treelist/text_node.h"

#include <algorithm>

namespace treelist {

const std::wstring& TdxTreeListTextNode::Text(int index) const noexcept {
  static const std::wstring kEmpty;
  return index >= 0 && index < TextCount() ? texts_[index] : kEmpty;
}

void TdxTreeListTextNode::SetText(int index, std::wstring text) {
  if (index < 0) return;
  if (index >= TextCount()) texts_.resize(static_cast<size_t>(index) + 1);
  texts_[index] = std::move(text);
}

void TdxTreeListTextNode::MoveText(int from, int to) {
  if (from < 0 || to < 0) return;
  const int needed = std::max(from, to) + 1;
  if (needed > TextCount()) texts_.resize(static_cast<size_t>(needed));
  const auto first = texts_.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else {
    std::rotate(first + to, first + from, first + from + 1);
  }
}

void TdxTreeListTextNode::RemoveText(int index) {
  if (index >= 0 && index < TextCount()) texts_.erase(texts_.begin() + index);
}

}  // namespace treelist
