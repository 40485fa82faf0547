// A process for the report tests to look at from outside:
//   report_probe fault            faults in ProbeFaultingStore and writes the report its handler
//                                 composes to standard output
//   report_probe hang DLL FILE    loads the module DLL, writes the address of its trace export
//                                 into FILE and waits for ever in ProbeHangingWait
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_except_road.h"

namespace {

volatile int* volatile nowhere = nullptr;

LONG WINAPI ComposeFromHandler(EXCEPTION_POINTERS* info) {
  std::string report;
  const CONTEXT& context = *info->ContextRecord;
  drosk::ComposeBugReport(
      false,
      std::make_exception_ptr(drosk::EExternal(drosk::FaultText(*info->ExceptionRecord),
                                               info->ExceptionRecord->ExceptionCode)),
      static_cast<drosk::TAddress>(
          reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress)),
      GetCurrentThreadId(), context.Esp, context.Ebp, false, 0, report);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  ExitProcess(0);
}

}  // namespace

// The names the tests look for in the traces: kept apart and out of line.
extern "C" __attribute__((noinline)) void ProbeFaultingStore(int value) {
  *nowhere = value;
  asm volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void ProbeFaultingCaller(int value) {
  ProbeFaultingStore(value + 1);
  asm volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void ProbeHangingWait() {
  const HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  WaitForSingleObject(never, INFINITE);
  asm volatile("" ::: "memory");
}

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  _setmode(_fileno(stdout), _O_BINARY);  // the report's CR LF as it is
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "fault") {
    SetUnhandledExceptionFilter(ComposeFromHandler);
    ProbeFaultingCaller(41);
    return 1;
  }
  if (mode == "hang" && argc > 3) {
    const HMODULE module = LoadLibraryA(argv[2]);
    const FARPROC trace = module ? GetProcAddress(module, "droskTraceProcess") : nullptr;
    if (!trace) return 2;
    if (FILE* out = std::fopen(argv[3], "w")) {
      std::fprintf(out, "%lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(trace)));
      std::fclose(out);
    }
    ProbeHangingWait();
  }
  return 1;
}
