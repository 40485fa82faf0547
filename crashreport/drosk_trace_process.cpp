// The export for outside tools: a "frozen" report of this process's threads, handed back through
// the caller's named section or the clipboard.
#include "crashreport/drosk_trace_process.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"

namespace drosk {

namespace {

// Copies the report and its terminating 0 into at most `bufferSize` bytes of the caller's
// section; nothing when the section cannot be opened or mapped.
void WriteToSection(const std::string& report, int32_t bufferSize) {
  win::UniqueHandle mapping;
  if (!GetOS().Is9x) {
    mapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "Global\\droskTraceProcessMap"));
  }
  if (!mapping) mapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "droskTraceProcessMap"));
  if (!mapping) return;
  void* view = MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (!view) return;
  // The caller's size may claim more than the section holds: never write past the view.
  MEMORY_BASIC_INFORMATION m{};
  size_t limit = static_cast<size_t>(bufferSize);
  if (VirtualQuery(view, &m, sizeof m) == sizeof m) limit = std::min<size_t>(limit, m.RegionSize);
  const size_t length = std::min(report.size(), limit - 1);
  std::memcpy(view, report.data(), length);
  static_cast<char*>(view)[length] = 0;
  UnmapViewOfFile(view);
}

}  // namespace

}  // namespace drosk

extern "C" int32_t __stdcall droskTraceProcess(int32_t bufferSize) noexcept {
  try {
    const DWORD self = GetCurrentThreadId();
    drosk::SetThreadName(self, "-");
    std::string report;
    drosk::ComposeBugReport(true, nullptr, 0, 0, 0, 0, false, 0, report);
    if (!report.empty()) {
      if (bufferSize >= 1) {
        drosk::WriteToSection(report, bufferSize);
      } else {
        drosk::PutReportOnClipboard(report);
      }
    }
    drosk::SetThreadInfo(self, nullptr, {}, 0, 0, {});
  } catch (...) {
    // No failure is reported: the caller finds its section unchanged.
  }
  return 0;
}
