// Start-up and shut-down of the exception library.
#include "crashreport/drosk_except.h"

#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_hooks.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_watchdog.h"

namespace drosk {
namespace {

int starts = 0;
FILETIME startTime{};
DWORD mainThreadId = 0;
bool intercepting = false;

DWORD FirstThread() {
  const TDACardinal threads = EnumThreads();
  return threads.empty() ? GetCurrentThreadId() : threads.front();
}

[[noreturn]] void InternalError() {
  MessageBoxA(nullptr, "internal error", "droskExcept", MB_OK | MB_ICONERROR);
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);
}

}  // namespace

bool InterceptionOn() {
  const TDroskSettings& s = DroskSettings();
  return (s.HandleExceptions && s.HookPointsLinked) || s.FreezeCheckInterval > 0;
}

void DroskExceptInitialization() {
  if (starts++ > 0) return;
  TakeOverRestartHistory(ExceptionHistory());
  SYSTEMTIME now;
  GetSystemTime(&now);
  SystemTimeToFileTime(&now, &startTime);
  if (!InterceptionOn()) {
    mainThreadId = FirstThread();
    return;
  }
  if (!OpenThreadList()) InternalError();
  mainThreadId = FirstThread();
  if (GetThreadTitle(mainThreadId, true).Title.starts_with("thread $")) {
    SetThreadInfo(mainThreadId, nullptr, "main thread", 0, 0, {});
  }
  intercepting = true;
  const TDroskSettings& s = DroskSettings();
  if (s.HandleExceptions || s.FreezeCheckInterval > 0) {
    InstallHandlerWindow();
    if (s.HandleExceptions) InstallThreadHooks();
  }
}

void DroskExceptFinalization() {
  if (starts == 0 || --starts > 0) return;
  if (intercepting) {
    UndoPatches();
    StopFreezeWatchdog();
    RemoveThreadHooks();
    RemoveHandlerWindow();
    CloseThreadList();
    EndThreadHolding();
    intercepting = false;
  }
  ClearHandlers();
}

FILETIME StartTime() { return startTime; }

DWORD MainThreadId() { return mainThreadId; }

}  // namespace drosk
