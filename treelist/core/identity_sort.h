// The row index's rows in address order, each with its display number.
#pragma once

#include <vector>

namespace treelist {

class TdxTreeListNode;

// Fills `sorted` with the nodes of `display` by address and `index` with the position in
// `display` of each. Linear in the rows: rows listed as they were made come in address order
// already and are only checked; others are sorted by their address digits.
void SortByIdentity(const std::vector<TdxTreeListNode*>& display,
                    std::vector<TdxTreeListNode*>& sorted, std::vector<int>& index);

}  // namespace treelist
