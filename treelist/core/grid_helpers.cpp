// Text-line counting and registry paths.
#include "treelist/core/grid_helpers.h"

#include <algorithm>

#include "framework/win/module.h"
#include "treelist/core/nodes.h"

namespace treelist {

std::wstring ModuleText(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(win::ThisModule(), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0) throw ETreeListError("The module lacks its string " + std::to_string(id));
  return std::wstring(text, static_cast<size_t>(length));
}

int CountTextLines(const std::wstring& text, int width, int line_height, HFONT font,
                   int max_lines) {
  if (text.empty()) return 0;
  const win::UniqueMemoryDc measure = MeasureDC();
  const HDC dc = measure.get();
  const HGDIOBJ old = SelectObject(dc, font);
  if (line_height <= 0) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    line_height = metrics.tmHeight;
  }
  RECT box{0, 0, std::max(width, 1), 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  SelectObject(dc, old);
  int lines = line_height > 0 ? (box.bottom - box.top + line_height - 1) / line_height : 1;
  lines = std::max(lines, 1);
  return max_lines > 0 ? std::min(lines, max_lines) : lines;
}

std::string NormalizeRegistryPath(const std::string& path) {
  std::string result = path;
  if (!result.empty() && result.front() != '\\') result = '\\' + result;
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

void DeleteObsoleteKey(RegistryRootProvider provider) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, provider().c_str(), 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  RegDeleteTreeW(key, L"Software");
  RegCloseKey(key);
}

}  // namespace treelist
