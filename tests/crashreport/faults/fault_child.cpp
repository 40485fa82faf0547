// The child program of the real-fault tests: it links the library with the interception on and
// makes each fault happen for real. "overflow-main FILE" and "overflow-thread FILE" overflow the
// stack of the main or of a second thread, "abort FILE" aborts the program, each report saved
// silently into FILE; "crowd FILE GATE" aborts when the test opens the gate, with others at
// once; "trace-threads -" calls the trace export from four threads at once, in 50 rounds;
// "hang -" never ends.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/drosk_except.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_stack_trace.h"
#include "crashreport/drosk_trace_process.h"
#include "hooks_test_settings.h"

namespace {

void Say(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

// Each level keeps a buffer on the stack that the compiler can neither drop nor turn into a
// loop (the result is stored after the call); the depth limit is never reached.
volatile int depthLimit = 1 << 30;
__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (depth == depthLimit) return 0;
  frame[1] = static_cast<char>(Recurse(depth + 1));
  return frame[0] + frame[1];
}

__attribute__((noinline)) int OverflowMain() {
  Recurse(0);
  Say("main goes on\n");  // never: the main thread has no stack left to go on with
  return 0;
}

DWORD WINAPI OverflowWorker(void*) { return static_cast<DWORD>(Recurse(0)); }

// The worker starts suspended, so that its stack overflows while the main thread is here and
// waits, not somewhere inside the creation of a thread (a frame the trace cannot always walk).
__attribute__((noinline)) int OverflowThread() {
  const HANDLE worker = CreateThread(nullptr, 0, OverflowWorker, nullptr, CREATE_SUSPENDED, nullptr);
  if (!worker) return 4;
  ResumeThread(worker);
  WaitForSingleObject(worker, INFINITE);
  CloseHandle(worker);
  Say("main goes on\n");
  return 0;
}

__attribute__((noinline)) int AbortProgram() {
  std::abort();
  Say("main goes on\n");
  return 0;
}

// Each round starts from empty caches, as the first reports of a process do, and its four
// threads call the trace export at the same moment. The reports land in this process's own
// section; each thread checks that what it finds there begins as a report does.
int TraceThreads() {
  constexpr int kThreads = 4, kRounds = 50, kSize = 1 << 20;
  const HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize,
                                            "droskTraceProcessMap");
  if (!section) return 4;
  const char* view = static_cast<const char*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0));
  if (!view) return 4;
  std::atomic<int> whole{0};
  for (int round = 0; round < kRounds; ++round) {
    drosk::ClearStackTraceCaches();
    drosk::ClearMapFileCache();
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        droskTraceProcess(kSize);
        whole += std::string_view(view, 9) == "date/time";
      });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
  }
  Say("traced " + std::to_string(kThreads * kRounds) + ", " + std::to_string(whole) + " whole\n");
  return 0;
}

// Counts itself in on the gate's semaphore and aborts once the gate's event is set: the test
// lets a crowd of these crash at the same moment.
int AbortWithTheCrowd(const std::string& gate) {
  const HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, (gate + ".ready").c_str());
  const HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, (gate + ".go").c_str());
  if (!ready || !go) return 4;
  ReleaseSemaphore(ready, 1, nullptr);
  WaitForSingleObject(go, INFINITE);  // the test ends a child whose gate never opens
  return AbortProgram();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 3;
  const std::string mode = argv[1];
  drosk::TDroskSettings& settings = drosk::HooksTestSettings();
  settings.ShowExceptionBox = false;
  settings.AutoSave = true;
  settings.BugReportFile = argv[2];
  if (mode == "crowd") settings.BugReportMaxSize = 1u << 24;  // room for every report
  drosk::DroskExceptInitialization();
  if (mode == "crowd" && argc == 4) return AbortWithTheCrowd(argv[3]);
  if (mode == "overflow-main") return OverflowMain();
  if (mode == "overflow-thread") return OverflowThread();
  if (mode == "trace-threads") return TraceThreads();
  if (mode == "abort") return AbortProgram();
  if (mode == "hang") Sleep(INFINITE);
  return 3;
}
