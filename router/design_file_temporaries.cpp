// Temporary design files of killed exports.
#include "router/design_file_temporaries.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/file_ownership.h"

namespace router {

namespace {

// How a design file begins (the header the writer puts first).
constexpr char kDesignFileStart[] = "(pcb ";
// A running export writes its file at least this often (file times count in 100 ns).
constexpr ULONGLONG kStaleAge = 10ULL * 60 * 10000000;

ULONGLONG Ticks(const FILETIME& time) {
  return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
}

bool BeginsAsADesignFile(const std::wstring& path) {
  win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  char start[sizeof kDesignFileStart - 1] = {};
  DWORD read = 0;
  return file && ReadFile(file.get(), start, sizeof start, &read, nullptr) &&
         read == sizeof start && std::memcmp(start, kDesignFileStart, sizeof start) == 0;
}

}  // namespace

void RemoveStaleDesignFiles() {
  const std::wstring folder = win::Widen(sdk::TemporaryFolder());
  if (folder.empty()) return;
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  WIN32_FIND_DATAW found = {};
  const win::UniqueFind search(FindFirstFileW((folder + L"Pro*.tmp").c_str(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (Ticks(now) < Ticks(found.ftLastWriteTime) + kStaleAge) continue;
    const std::wstring path = folder + found.cFileName;
    // A file that cannot be deleted (held open, read-only) is left for a later export.
    if (BeginsAsADesignFile(path)) DeleteFileW(path.c_str());
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace router
