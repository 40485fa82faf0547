// The bug-report file: reports are appended to one text file that is kept under a size limit by
// dropping the oldest reports at their header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drosk {

// The settings' file name with "%appname%" (any letter case) replaced by the library module's
// file name without its extension.
std::string BugReportFileName();

// Makes sure the directory of a file path exists, creating missing parents; false for an empty
// path or when a directory cannot be made.
bool ForceFileDirectory(std::string_view path);

// How long a report waits for the file while other processes append theirs: one fault in a
// shared module ends many processes at once, and each holds the file while it appends.
constexpr uint32_t kReportFileWaitMs = 5000;

// Appends the report and an empty line to the file, creating it and its directory. A limit of 0
// keeps only this report; above the limit the file is cut to start at the first report header
// ("date/time") whose tail is under three quarters of the limit. While another process holds
// the file, it waits up to `waitMs`; a file still held then gets the report beside it, in
// "NAME-PROCESSID.EXT" (never dropped for a busy file). False when neither can be written.
bool AppendBugReport(const std::string& path, std::string_view report, uint32_t maxSize,
                     uint32_t waitMs = kReportFileWaitMs);

// Saves under `BugReportFileName` with the settings' limit. A relative name goes into the
// executable's directory: chosen in the save dialog, or directly when silent.
bool SaveBugReport(std::string_view report, HWND owner);
bool SaveBugReport(std::string_view report);

// A printer's page as GetDeviceCaps gives it: printable pixels, physical size in millimetres and
// the offset of the printable area.
struct TPrintDevice {
  int HorzRes = 0, VertRes = 0;
  int HorzSizeMm = 0, VertSizeMm = 0;
  int OffsetX = 0, OffsetY = 0;
};

// Margins in pixels: 10 mm above, 20 mm left, 10 mm right; lines go down to `BottomLimit`.
struct TPrintMargins {
  int Top = 0, BottomLimit = 0, Left = 0, LineWidth = 0;
};
TPrintMargins PrintMargins(const TPrintDevice& device);

// Where each line goes, given the heights its word-wrapped text takes.
struct TPrintedLine {
  int Page = 0;  // from 0
  int Y = 0;
};
std::vector<TPrintedLine> LayOutPrintLines(const TPrintMargins& margins,
                                           const std::vector<int>& heights);

// The report's lines split at CR LF, an empty line as one blank (DrawText gives an empty text
// no height).
std::vector<std::string> PrintLines(std::string_view report);

// The height each line takes when word-wrapped to `width` in the DC's current font.
std::vector<int> MeasurePrintLines(HDC dc, const std::vector<std::string>& lines, int width);

// Prints the report in 8-point "Courier New" on a device context the caller owns; `outputFile`
// sends the job to a file. Gives the number of pages, 0 when the job could not start or end.
int PrintBugReportOn(HDC dc, std::string_view report, const char* outputFile = nullptr);

// Asks for the printer and prints there; true when the job was printed (false when cancelled or
// when it failed).
bool PrintBugReport(std::string_view report, HWND owner);

}  // namespace drosk
