// Temporary files of killed exports.
#include "router/design_file_temporaries.h"

#include <windows.h>

#include <string>

#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/file_ownership.h"

namespace router {

namespace {

// How a design file begins (the header the writer puts first).
constexpr std::string_view kDesignFileStart = "(pcb ";
// A running export writes its file at least this often (file times count in 100 ns).
constexpr ULONGLONG kStaleAge = 10ULL * 60 * 10000000;

ULONGLONG Ticks(const FILETIME& time) {
  return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
}

// At most `length` bytes from the file's start; empty when it cannot be read.
std::string FileStart(const std::wstring& path, size_t length) {
  win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string start(length, '\0');
  DWORD read = 0;
  if (!file || !ReadFile(file.get(), start.data(), static_cast<DWORD>(length), &read, nullptr)) {
    return {};
  }
  start.resize(read);
  return start;
}

}  // namespace

void RemoveStaleTemporaries(size_t length, const std::function<bool(std::string_view)>& ours) {
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
    if (ours(FileStart(path, length))) DeleteFileW(path.c_str());
  } while (FindNextFileW(search.get(), &found));
}

void RemoveStaleDesignFiles() {
  RemoveStaleTemporaries(kDesignFileStart.size(),
                         [](std::string_view start) { return start == kDesignFileStart; });
}

}  // namespace router
