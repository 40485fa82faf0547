// The row index's rows in address order, each with its display number.
#pragma once

#include <vector>

namespace treelist {

class TdxTreeListNode;

struct IdentityRow {
  const TdxTreeListNode* node;
  int row;  // its position in the display list
};

// The nodes of `display` by address, each with its position there. Linear in the rows: rows
// listed as they were made come in address order already and are only checked; others are
// sorted by their address digits.
std::vector<IdentityRow> SortByIdentity(const std::vector<TdxTreeListNode*>& display);

}  // namespace treelist
