// The library's start-up records. With interception off (this module's settings) nothing is
// redirected and no thread starts: only the time and the main thread are taken.
#include "crashreport/drosk_start.h"

#include "crashreport/drosk_threads.h"

namespace drosk {

namespace {

struct StartRecord {
  FILETIME time{};
  DWORD mainThread = 0;

  StartRecord() {
    GetSystemTimeAsFileTime(&time);
    try {
      const TDACardinal threads = EnumThreads();
      mainThread = threads.empty() ? GetCurrentThreadId() : threads.front();
    } catch (...) {
      mainThread = GetCurrentThreadId();
    }
  }
};

const StartRecord& Record() {
  static const StartRecord record;
  return record;
}

// Taken while the module loads, not at the first report.
[[maybe_unused]] const StartRecord& startUp = Record();

}  // namespace

FILETIME StartTime() { return Record().time; }
DWORD MainThreadId() { return Record().mainThread; }

}  // namespace drosk
