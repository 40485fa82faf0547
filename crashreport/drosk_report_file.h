// The bug-report file: reports are appended to one text file that is kept under a size limit by
// dropping the oldest reports at their header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

// The settings' file name with "%appname%" (any letter case) replaced by the library module's
// file name without its extension.
std::string BugReportFileName();

// Makes sure the directory of a file path exists, creating missing parents; false for an empty
// path or when a directory cannot be made.
bool ForceFileDirectory(std::string_view path);

// Appends the report and an empty line to the file, creating it and its directory. A limit of 0
// keeps only this report; above the limit the file is cut to start at the first report header
// ("date/time") whose tail is under three quarters of the limit.
bool AppendBugReport(const std::string& path, std::string_view report, uint32_t maxSize);

// Saves under `BugReportFileName` with the settings' limit. A relative name goes into the
// executable's directory: chosen in the save dialog, or directly when silent.
bool SaveBugReport(std::string_view report, HWND owner);
bool SaveBugReport(std::string_view report);

}  // namespace drosk
