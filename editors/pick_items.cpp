// The pick list's items as text.
#include "editors/pick_items.h"

#include <windows.h>

#include <algorithm>

namespace editors {

namespace {

int Compare(std::wstring_view a, std::wstring_view b, bool case_sensitive) {
  const int result =
      CompareStringW(LOCALE_USER_DEFAULT, case_sensitive ? 0 : NORM_IGNORECASE, a.data(),
                     static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  return result - CSTR_EQUAL;
}

}  // namespace

int FindPickItem(const std::vector<std::wstring>& items, std::wstring_view text,
                 bool case_sensitive) {
  const auto found = std::find_if(items.begin(), items.end(), [&](const std::wstring& item) {
    return item.size() == text.size() && Compare(item, text, case_sensitive) == 0;
  });
  return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

int FindPickItemByPrefix(const std::vector<std::wstring>& items, std::wstring_view prefix,
                         bool case_sensitive) {
  if (prefix.empty()) return -1;
  const auto found = std::find_if(items.begin(), items.end(), [&](const std::wstring& item) {
    return item.size() >= prefix.size() &&
           Compare(std::wstring_view(item).substr(0, prefix.size()), prefix, case_sensitive) == 0;
  });
  return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

void SortPickItems(std::vector<std::wstring>& items, bool case_sensitive) {
  std::stable_sort(items.begin(), items.end(),
                   [case_sensitive](const std::wstring& a, const std::wstring& b) {
                     return Compare(a, b, case_sensitive) < 0;
                   });
}

}  // namespace editors
