// The small disk of the test run and a filler for it.
#include "support/small_disk.h"

#include <cstdlib>

namespace testsupport {

std::string SmallDisk() {
  const char* value = std::getenv("TRALVEK_SMALL_DISK");
  if (!value) return {};
  std::string path = std::string("Z:") + value;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  ULARGE_INTEGER total = {};
  if (!GetDiskFreeSpaceExA((path + "\\").c_str(), nullptr, &total, nullptr)) return {};
  return total.QuadPart <= 1024 * 1024 ? path : std::string();
}

DiskFiller::DiskFiller(const std::string& folder, DWORD spare) : path_(folder + "\\filler") {
  HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::string chunk(4096, 'f');
  DWORD written = chunk.size();
  LONG size = 0;
  while (WriteFile(file, chunk.data(), chunk.size(), &written, nullptr) && written > 0) {
    size += written;
  }
  SetFilePointer(file, size > static_cast<LONG>(spare) ? size - spare : 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

DiskFiller::~DiskFiller() { DeleteFileA(path_.c_str()); }

}  // namespace testsupport
