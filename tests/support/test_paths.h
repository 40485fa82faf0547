// Where tests find their data and the built binaries, as Windows paths.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace testsupport {

// A file under tests/ of the source tree.
std::string TestDataPath(const std::string& relative);
// A file beside the built binaries (Tralvek.dll, Plavena.exe).
std::string BinaryPath(const std::string& name);

// A fresh folder under the Windows temporary folder, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A copy of a board under examples/ in `dir`, so that what an export writes beside the board
// (its per-document file) stays out of the source tree.
std::string CopyExampleBoard(const TempDir& dir, const std::string& name);

// Writes a whole file; reads a whole file ("" when it does not exist).
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// A file of `size` bytes that takes no room on the disk: its end is set, nothing is written (the
// bytes read as zeros).
void WriteHollowFile(const std::string& path, uint64_t size);
// The system's index of the file at `path` (0 when it cannot be opened): a file replaced by
// another, even with the same bytes, has a new one.
uint64_t FileIndex(const std::string& path);

// The names of a folder's files and folders that match `pattern` ("*", "Pro*.tmp").
std::set<std::string> FolderEntries(const std::string& folder, const std::string& pattern = "*");

// The names of the replacements' temporary files ("Pro<n>.tmp") in a folder, by default the
// system's temporary folder.
std::set<std::string> TemporaryFiles(const std::string& folder = {});

}  // namespace testsupport
