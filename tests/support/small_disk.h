// A small file system for tests of full disks, mounted by the test run (tests/host/small_disk.sh)
// and named in TRALVEK_SMALL_DISK.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// A folder on the small file system the test run mounted; empty when it has none.
std::string SmallDisk();

// Fills the disk, then gives `spare` bytes back; the filler goes at the end.
class DiskFiller {
 public:
  DiskFiller(const std::string& folder, DWORD spare);
  ~DiskFiller();
  DiskFiller(const DiskFiller&) = delete;
  DiskFiller& operator=(const DiskFiller&) = delete;

 private:
  std::string path_;
};

}  // namespace testsupport
