// The string routine that needs the system's code pages.
#include "controls/string_utils.h"

#include <windows.h>

namespace controls {

void WideToAnsiString(std::wstring_view text, std::string& result) {
  result.clear();
  if (text.empty()) return;
  const int wide_length = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return;
  result.resize(static_cast<size_t>(length));
  WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wide_length, result.data(), length, nullptr,
                      nullptr);
}

}  // namespace controls
