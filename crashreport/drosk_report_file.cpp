// The bug-report file: saving with the size limit.
#include "crashreport/drosk_report_file.h"

#include <commdlg.h>
#undef ReplaceText  // the find-and-replace dialog's name, not ours

#include <cstring>

#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

constexpr std::string_view kReportHeader = "date/time";

bool IsAbsolutePath(std::string_view name) {
  return name.size() > 2 && (name[0] == '\\' || name[1] == ':');
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Moves the tail from the first header whose tail is under three quarters of the limit to the
// start. Without such a header, or when the mapping fails, the file stays as written.
void TrimToLimit(HANDLE file, uint32_t size, uint32_t maxSize) {
  win::UniqueHandle mapping(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr));
  if (!mapping) return;
  char* view = static_cast<char*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
  if (!view) return;
  const std::string_view text(view, size);
  const uint32_t keep = maxSize - maxSize / 4;
  size_t found = text.find(kReportHeader);
  while (found != std::string_view::npos && size - found >= keep)
    found = text.find(kReportHeader, found + 1);
  size_t moved = 0;
  if (found != std::string_view::npos) {
    moved = size - found;
    memmove(view, view + found, moved);
  }
  UnmapViewOfFile(view);
  mapping.reset();  // a mapped file cannot be cut
  if (found == std::string_view::npos) return;
  SetFilePointer(file, static_cast<LONG>(moved), nullptr, FILE_BEGIN);
  SetEndOfFile(file);
}

std::string ExecutableDirectory() { return DirectoryOf(ModuleFileName(GetModuleHandleA(nullptr))); }

bool SaveBugReport(std::string_view report, HWND owner, bool silent) {
  std::string name = BugReportFileName();
  if (!IsAbsolutePath(name)) {
    const std::string directory = ExecutableDirectory();
    if (silent) {
      name = directory + name;
    } else {
      if (LoaderLockHeld()) {
        MessageBeep(0);
        return false;
      }
      char buffer[MAX_PATH] = {};
      strncpy(buffer, name.c_str(), MAX_PATH - 1);
      const std::string title(DroskSettings().ButtonCaptions[1]);
      OPENFILENAMEA dialog = {};
      dialog.lStructSize = sizeof(dialog);
      dialog.hwndOwner = owner;
      dialog.lpstrFilter = "*.txt\0*.txt\0";
      dialog.nFilterIndex = 1;
      dialog.lpstrFile = buffer;
      dialog.nMaxFile = MAX_PATH;
      dialog.lpstrInitialDir = directory.c_str();
      dialog.lpstrTitle = title.c_str();
      dialog.Flags = OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
      if (!GetSaveFileNameA(&dialog)) return false;
      name = buffer;
    }
  }
  return AppendBugReport(name, report, DroskSettings().BugReportMaxSize);
}

}  // namespace

std::string BugReportFileName() {
  std::string name(DroskSettings().BugReportFile);
  std::string module;
  FindModule(reinterpret_cast<const void*>(&BugReportFileName), &module);
  module = module.substr(module.rfind('\\') + 1);
  const size_t dot = module.rfind('.');
  if (dot != std::string::npos) module.resize(dot);
  ReplaceText(name, "%appname%", module);
  return name;
}

bool ForceFileDirectory(std::string_view path) {
  if (path.empty()) return false;
  const size_t slash = path.rfind('\\');
  std::string directory(path.substr(0, slash == std::string_view::npos ? 0 : slash));
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  if (directory.empty()) return true;  // the current directory
  const DWORD attributes = GetFileAttributesA(directory.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (directory.back() == ':') return false;  // a missing drive
  return ForceFileDirectory(directory) && CreateDirectoryA(directory.c_str(), nullptr);
}

bool AppendBugReport(const std::string& path, std::string_view report, uint32_t maxSize) {
  ForceFileDirectory(path);
  win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  if (maxSize == 0) SetEndOfFile(file.get());
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  const std::string text = std::string(report) + "\r\n\r\n";
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (maxSize > 0 && size != INVALID_FILE_SIZE && size > maxSize)
    TrimToLimit(file.get(), size, maxSize);
  return true;
}

bool SaveBugReport(std::string_view report, HWND owner) {
  return SaveBugReport(report, owner, false);
}

bool SaveBugReport(std::string_view report) { return SaveBugReport(report, nullptr, true); }

}  // namespace drosk
