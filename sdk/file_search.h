// The search for a support file that ships with the host (a template, a table) by its short,
// often relative name: the host's own folders first, the system's search path last.
#pragma once

#include <functional>
#include <string>

namespace sdk {

// What the search asks of the host and the system. HostSearchPlaces() gives the real ones;
// tests give their own folders and file tests.
struct FileSearchPlaces {
  std::function<bool(const std::string&)> exists;                // ClientAPI_ExistSpecific
  std::function<std::string(const std::string&)> exe_file_name;  // ..._ConvertFileNameToExeFileName
  std::function<std::string(const std::string&)>
      whole_file_name;                                   // ..._ExtractWholeFileNameFromPath
  std::function<std::string()> application_folder;       // the host's folder, ending in "\"
  std::function<std::string()> module_folder;            // this library's folder; "" if unknown
  std::function<std::string()> application_data_folder;  // MakeApplicationFolder
  std::function<std::string()> windows_folder;
  std::function<std::string()> windows_system_folder;
  std::function<std::string()> path;  // the PATH variable's value
};

FileSearchPlaces HostSearchPlaces();

// Candidates longer than this are skipped: the host's short texts cannot hold them, and a cut
// name would name another file.
inline constexpr size_t kMaxSearchPathLength = 255;

// Tries, in order: the name as given; the host's executable-relative form of it; the host's
// "System\" folder; this library's folder; the per-user application folder; the Windows,
// Windows system and Windows "Command" folders; the folders of PATH. The first existing
// candidate replaces `name` and yields true; otherwise `name` is unchanged and the result false.
bool FindFileOnSearchPath(std::string& name, const FileSearchPlaces& places);
bool FindFileOnSearchPath(std::string& name);

// The same with a name of at most 255 characters.
bool FindFile(std::string& name);

}  // namespace sdk
