// Whether a file already holds given bytes.
#include "framework/file_content.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace framework {

bool FileHoldsBytes(const std::string& path, std::string_view bytes) {
  // Other programs may have the file open: share everything, as the profile routines do.
  win::UniqueHandle file(CreateFileW(win::Widen(path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) ||
      static_cast<unsigned long long>(size.QuadPart) != bytes.size()) {
    return false;
  }
  char chunk[16384];
  while (!bytes.empty()) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), sizeof chunk));
    if (!ReadFile(file.get(), chunk, wanted, &read, nullptr) || read == 0) return false;
    if (std::memcmp(chunk, bytes.data(), read) != 0) return false;
    bytes.remove_prefix(read);
  }
  return true;
}

}  // namespace framework
