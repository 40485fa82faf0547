// Start-up and shut-down of the exception library.
#include "crashreport/drosk_except.h"

#include <windows.h>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_except_road.h"
#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_hooks.h"
#include "crashreport/drosk_mail.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_start.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_watchdog.h"

namespace drosk {
namespace {

int starts = 0;
bool intercepting = false;

[[noreturn]] void InternalError() {
  MessageBoxA(nullptr, "internal error", "droskExcept", MB_OK | MB_ICONERROR);
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);
}

// The watchdog's report of a main thread that stopped answering.
void FrozenReport() { HandleException(true, nullptr, 0, true, 0, 0, nullptr); }

}  // namespace

bool InterceptionOn() {
  const TDroskSettings& s = DroskSettings();
  return (s.HandleExceptions && s.HookPointsLinked) || s.FreezeCheckInterval > 0;
}

void DroskExceptInitialization() {
  if (starts++ > 0) return;
  DecipherSmtpPassword();
  TakeOverRestartHistory(ExceptionHistory());
  if (!InterceptionOn()) return;
  if (!OpenThreadList()) InternalError();
  const DWORD mainThread = MainThreadId();
  if (GetThreadTitle(mainThread, true).Title.starts_with("thread $")) {
    SetThreadInfo(mainThread, nullptr, "main thread", 0, 0, {});
  }
  intercepting = true;
  const TDroskSettings& s = DroskSettings();
  if (s.HandleExceptions && s.HookPointsLinked) InstallLastChanceHandlers();
  if (s.HandleExceptions || s.FreezeCheckInterval > 0) {
    StartExceptionThread();
    LibraryThreads().handling = ExceptionThreadId();
    InstallHandlerWindow();
    if (s.HandleExceptions) InstallThreadHooks();
  }
  if (s.FreezeCheckInterval > 0) {
    StartFreezeWatchdog(s.FreezeCheckInterval, FrozenReport);
    LibraryThreads().watchdog = FreezeWatchdogThreadId();
  }
}

void DroskExceptFinalization() {
  if (starts == 0 || --starts > 0) return;
  if (intercepting) {
    UndoPatches();
    StopFreezeWatchdog();
    LibraryThreads().watchdog = 0;
    RemoveThreadHooks();
    RemoveLastChanceHandlers();
    RemoveHandlerWindow();
    StopExceptionThread();
    LibraryThreads().handling = 0;
    CloseThreadList();
    EndThreadHolding();
    intercepting = false;
  }
  ClearHandlers();
}

}  // namespace drosk
