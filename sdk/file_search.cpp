// The search for a support file by its short name.
#include "sdk/file_search.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "framework/win/module.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"

namespace sdk {

namespace {

std::string FullPath(const std::string& path) {
  const std::wstring wide = win::Widen(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return win::Narrow(full);
}

std::string ThisModuleFolder() {
  const std::string path = win::Narrow(win::ModuleFileName(win::ThisModule()));
  if (path.empty()) return {};
  return path.substr(0, path.find_last_of("\\/") + 1);
}

// The system's search of the PATH folders; nothing for a name it cannot find.
std::optional<std::string> SearchFolders(const std::string& folders, const std::string& name) {
  if (folders.empty() || name.empty()) return std::nullopt;
  const std::wstring wide_folders = win::Widen(folders);
  const std::wstring wide_name = win::Widen(name);
  std::wstring found(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = SearchPathW(wide_folders.c_str(), wide_name.c_str(), nullptr,
                                     static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < found.size()) {
      found.resize(length);
      return win::Narrow(found);
    }
    found.assign(length, L'\0');
  }
}

}  // namespace

FileSearchPlaces HostSearchPlaces() {
  return {
      .exists = ClientAPI_ExistSpecific,
      .exe_file_name = ClientAPI_ConvertFileNameToExeFileName,
      .whole_file_name = ClientAPI_ExtractWholeFileNameFromPath,
      .application_folder = GetApplicationFolder,
      .module_folder = ThisModuleFolder,
      .application_data_folder = MakeApplicationFolder,
      .windows_folder = GetWindowsFolder,
      .windows_system_folder = GetWindowsSystemFolder,
      .path = [] { return GetEnvironmentValue("PATH"); },
  };
}

bool FindFileOnSearchPath(std::string& name, const FileSearchPlaces& places) {
  const std::string file_part = places.whole_file_name(name);
  // Each candidate is made only when the one before it failed: the per-user folder is
  // created on the way.
  const std::function<std::string()> candidates[] = {
      [&] { return name; },
      [&] { return places.exe_file_name(name); },
      [&] { return FullPath(places.application_folder() + "System\\" + name); },
      [&] {
        const std::string folder = places.module_folder();
        return folder.empty() ? name : FullPath(folder + name);
      },
      [&] { return places.application_data_folder() + "\\" + file_part; },
      [&] { return places.windows_folder() + "\\" + file_part; },
      [&] { return places.windows_system_folder() + "\\" + file_part; },
      [&] { return places.windows_folder() + "\\Command\\" + file_part; },
  };
  for (const auto& candidate : candidates) {
    const std::string path = candidate();
    if (path.empty() || path.size() > kMaxSearchPathLength) continue;
    if (places.exists(path)) {
      name = path;
      return true;
    }
  }
  const std::optional<std::string> found = SearchFolders(places.path(), name);
  if (!found || found->size() > kMaxSearchPathLength) return false;
  name = *found;
  return true;
}

bool FindFileOnSearchPath(std::string& name) {
  return FindFileOnSearchPath(name, HostSearchPlaces());
}

bool FindFile(std::string& name) {
  if (name.size() > kMaxSearchPathLength) return false;
  return FindFileOnSearchPath(name);
}

}  // namespace sdk
