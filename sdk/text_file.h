// Whole-file reads and writes of the module's text files, with errors that name the file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace sdk {

// The file's bytes; raises when the file cannot be opened or read.
std::string ReadFileText(const std::string& file_name);

// Replaces the file's content; raises when it cannot be created or written in full.
void WriteFileText(const std::string& file_name, std::string_view text);
// The same without raising: ERROR_SUCCESS, or the system's error code of the step that failed
// (a write that stops short without one counts as a full disk).
DWORD TryWriteFileText(const std::string& file_name, std::string_view text);

// The lines of a text: each ends at CR LF, LF or CR; a last line without a line end counts,
// an empty text has none.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace sdk
