// The bug-report file: saving with the size limit, and printing.
#include "crashreport/drosk_report_file.h"

#include <commdlg.h>
#undef ReplaceText  // the find-and-replace dialog's name, not ours

#include <algorithm>
#include <cstring>
#include <string>

#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

constexpr std::string_view kReportHeader = "date/time";

// A report's first line: "date/time" at the start of a line, then blanks and ":". Other header
// lines hold the text too ("exec. date/time", "module date/time"), but never at their start.
bool IsReportStart(std::string_view text, size_t at) {
  if (at != 0 && (at < 2 || text.substr(at - 2, 2) != "\r\n")) return false;
  size_t after = at + kReportHeader.size();
  while (after < text.size() && text[after] == ' ') ++after;
  return after < text.size() && text[after] == ':';
}

bool IsAbsolutePath(std::string_view name) {
  return name.size() > 2 && (name[0] == '\\' || name[1] == ':');
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Moves the tail from the first report start whose tail is under three quarters of the limit to
// the start. Without such a header, or when the mapping fails, the file stays as written.
void TrimToLimit(HANDLE file, uint32_t size, uint32_t maxSize) {
  win::UniqueHandle mapping(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr));
  if (!mapping) return;
  char* view = static_cast<char*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
  if (!view) return;
  const std::string_view text(view, size);
  const uint32_t keep = maxSize - maxSize / 4;
  size_t found = text.find(kReportHeader);
  while (found != std::string_view::npos && (size - found >= keep || !IsReportStart(text, found)))
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

// Opens the file for this process alone, waiting while others hold it; `busy` tells that it was
// still held when the wait ended.
win::UniqueHandle OpenWhenFree(const std::string& path, uint32_t waitMs, bool& busy) {
  const uint32_t start = GetTickCount();
  for (;;) {
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    busy = !file && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION);
    if (!busy || TickDiff(start) >= waitMs) return file;
    Sleep(10);  // a report is appended in milliseconds; no event tells when the file is free
  }
}

// "bugreport-1234.txt" beside "bugreport.txt": a name of this process's own.
std::string BesideName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(GetCurrentProcessId()) + path.substr(dot);
}

// Rounded like the margins are specified: the half divisor added before dividing. A device that
// reports no physical size gets no margin rather than a division by zero.
int Millimetres(int pixels, int millimetres, int sizeMm) {
  return sizeMm > 0 ? (pixels * millimetres + sizeMm / 2) / sizeMm : 0;
}

// The dialog's copies of the printer settings, which the caller must free.
struct GlobalTraits {
  using Raw = HGLOBAL;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { GlobalFree(h); }
};

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
      const auto save =
          win::SystemProc<decltype(&GetSaveFileNameA)>(L"comdlg32.dll", "GetSaveFileNameA");
      if (!save || !save(&dialog)) return false;
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

bool AppendBugReport(const std::string& path, std::string_view report, uint32_t maxSize,
                     uint32_t waitMs) {
  ForceFileDirectory(path);
  bool busy = false;
  win::UniqueHandle file = OpenWhenFree(path, waitMs, busy);
  if (busy) file = OpenWhenFree(BesideName(path), 0, busy);
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

TPrintMargins PrintMargins(const TPrintDevice& device) {
  // A margin inside the unprintable border starts at the printable edge, not before it, where
  // the text would be cut off.
  TPrintMargins margins;
  margins.Top = std::max(0, Millimetres(device.VertRes, 10, device.VertSizeMm) - device.OffsetY);
  margins.BottomLimit = device.VertRes - 2 * margins.Top;
  margins.Left = std::max(0, Millimetres(device.HorzRes, 20, device.HorzSizeMm) - device.OffsetX);
  const int right =
      std::max(0, Millimetres(device.HorzRes, 10, device.HorzSizeMm) - device.OffsetX);
  margins.LineWidth = device.HorzRes - margins.Left - right;
  return margins;
}

std::vector<TPrintedLine> LayOutPrintLines(const TPrintMargins& margins,
                                           const std::vector<int>& heights) {
  std::vector<TPrintedLine> lines;
  lines.reserve(heights.size());
  TPrintedLine at{0, margins.Top};
  for (const int height : heights) {
    // A line taller than a whole page goes on the page it starts: breaking before it would
    // only leave an empty page.
    if (at.Y + height > margins.BottomLimit && at.Y != margins.Top) at = {at.Page + 1, margins.Top};
    lines.push_back(at);
    at.Y += height;
  }
  return lines;
}

std::vector<std::string> PrintLines(std::string_view report) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = report.find("\r\n", start);
    std::string line(report.substr(start, end == std::string_view::npos ? end : end - start));
    lines.push_back(line.empty() ? " " : line);
    if (end == std::string_view::npos) return lines;
    start = end + 2;
  }
}

constexpr UINT kPrintFormat = DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX;

std::vector<int> MeasurePrintLines(HDC dc, const std::vector<std::string>& lines, int width) {
  std::vector<int> heights;
  heights.reserve(lines.size());
  for (const std::string& line : lines) {
    RECT rect = {0, 0, width, 0};
    heights.push_back(DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &rect,
                                kPrintFormat | DT_CALCRECT));
  }
  return heights;
}

int PrintBugReportOn(HDC dc, std::string_view report, const char* outputFile) {
  SetMapMode(dc, MM_TEXT);
  TPrintDevice device;
  device.HorzRes = GetDeviceCaps(dc, HORZRES);
  device.VertRes = GetDeviceCaps(dc, VERTRES);
  device.HorzSizeMm = GetDeviceCaps(dc, HORZSIZE);
  device.VertSizeMm = GetDeviceCaps(dc, VERTSIZE);
  device.OffsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
  device.OffsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  const TPrintMargins margins = PrintMargins(device);

  win::UniqueFont font(CreateFontA(-(GetDeviceCaps(dc, LOGPIXELSY) * 8 / 72), 0, 0, 0, FW_NORMAL, 0,
                                   0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New"));
  const HGDIOBJ oldFont = SelectObject(dc, font.get());
  const std::string title(DroskSettings().ButtonCaptions[2]);
  DOCINFOA document = {};
  document.cbSize = sizeof(document);
  document.lpszDocName = title.c_str();
  document.lpszOutput = outputFile;
  int pages = 0;
  if (StartDocA(dc, &document) > 0) {
    const std::vector<std::string> lines = PrintLines(report);
    const std::vector<int> heights = MeasurePrintLines(dc, lines, margins.LineWidth);
    const std::vector<TPrintedLine> placed = LayOutPrintLines(margins, heights);
    StartPage(dc);
    for (size_t i = 0; i < lines.size(); ++i) {
      for (; pages < placed[i].Page; ++pages) {
        EndPage(dc);
        StartPage(dc);
      }
      RECT rect = {margins.Left, placed[i].Y, margins.Left + margins.LineWidth,
                   placed[i].Y + heights[i]};
      DrawTextA(dc, lines[i].c_str(), static_cast<int>(lines[i].size()), &rect, kPrintFormat);
    }
    const bool lastPage = EndPage(dc) > 0;
    pages = EndDoc(dc) > 0 && lastPage ? pages + 1 : 0;
  }
  SelectObject(dc, oldFont);
  return pages;
}

bool PrintBugReport(std::string_view report, HWND owner) {
  if (LoaderLockHeld()) {
    MessageBeep(0);
    return false;
  }
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOWARNING | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE |
                 PD_NONETWORKBUTTON | PD_USEDEVMODECOPIESANDCOLLATE;
  const auto print = win::SystemProc<decltype(&PrintDlgA)>(L"comdlg32.dll", "PrintDlgA");
  const bool chosen = print && print(&dialog);
  const win::Unique<GlobalTraits> devMode(dialog.hDevMode), devNames(dialog.hDevNames);
  const win::UniqueMemoryDc dc(dialog.hDC);
  return chosen && dc && PrintBugReportOn(dc.get(), report) > 0;
}

bool SaveBugReport(std::string_view report, HWND owner) {
  return SaveBugReport(report, owner, false);
}

bool SaveBugReport(std::string_view report) { return SaveBugReport(report, nullptr, true); }

}  // namespace drosk
