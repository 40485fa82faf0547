// The pick list's items as text: finding an item by its whole text or by what was typed so
// far, and sorting, with or without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace editors {

// The first item equal to `text`; -1 when none is.
int FindPickItem(const std::vector<std::wstring>& items, std::wstring_view text,
                 bool case_sensitive);
// The first item that begins with `prefix` (an empty prefix matches nothing); -1 when none.
int FindPickItemByPrefix(const std::vector<std::wstring>& items, std::wstring_view prefix,
                         bool case_sensitive);
// Sorted as the user's locale orders text; equal items keep their order.
void SortPickItems(std::vector<std::wstring>& items, bool case_sensitive);

}  // namespace editors
