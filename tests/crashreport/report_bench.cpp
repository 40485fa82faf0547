// Timing program, run by hand in the binary folder under the test prefix: composes the frozen
// report of this process with 20 parked threads of ours and at least 40 loaded modules, traced
// through this program's map. Prints the times; exits with 1 when a report takes 2 s or more.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_stack_trace.h"
#include "crashreport/drosk_threads.h"

namespace {

HANDLE release = nullptr;

extern "C" __attribute__((noinline)) void BenchParked(int depth) {
  if (depth > 0) {
    BenchParked(depth - 1);
  } else {
    WaitForSingleObject(release, INFINITE);
  }
  asm volatile("" ::: "memory");
}

DWORD WINAPI BenchThread(void* depth) {
  BenchParked(static_cast<int>(reinterpret_cast<intptr_t>(depth)));
  return 0;
}

constexpr const char* kLibraries[] = {
    "ole32.dll",   "oleaut32.dll", "shell32.dll",  "comctl32.dll", "ws2_32.dll",   "wininet.dll",
    "crypt32.dll", "setupapi.dll", "winmm.dll",    "msxml3.dll",   "urlmon.dll",   "iphlpapi.dll",
    "dnsapi.dll",  "netapi32.dll", "secur32.dll",  "wintrust.dll", "imagehlp.dll", "dbghelp.dll",
    "psapi.dll",   "userenv.dll",  "wtsapi32.dll", "mpr.dll",      "msacm32.dll",  "riched20.dll",
    "oledlg.dll",  "comdlg32.dll", "winspool.drv", "hhctrl.ocx",   "cabinet.dll",  "mscms.dll"};

}  // namespace

int main() {
  release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<HANDLE> threads;
  for (int i = 0; i < 20; ++i) {
    threads.push_back(CreateThread(nullptr, 0, BenchThread,
                                   reinterpret_cast<void*>(static_cast<intptr_t>(i % 8)), 0,
                                   nullptr));
  }
  for (const char* name : kLibraries) LoadLibraryA(name);
  Sleep(300);
  const size_t modules = drosk::EnumModules(false).size();
  const size_t running = drosk::EnumThreads().size();
  bool slow = false;
  for (const char* pass : {"first (empty caches)", "second"}) {
    const auto start = std::chrono::steady_clock::now();
    std::string report;
    drosk::ComposeBugReport(true, nullptr, 0, 0, 0, 0, false, 0, report);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-22s %zu threads, %zu modules: %.3f s, %zu bytes\n", pass, running, modules,
                seconds, report.size());
    slow = slow || seconds >= 2.0;
  }
  SetEvent(release);
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 5000);
  return slow ? 1 : 0;
}
