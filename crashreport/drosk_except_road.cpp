// The exception road: HandleException, the exception-handling thread and the last-chance paths.
#include "crashreport/drosk_except_road.h"

#include <cxxabi.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <typeinfo>
#include <utility>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_emergency_stack.h"
#include "crashreport/drosk_start.h"
#include "crashreport/drosk_exception_box.h"
#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_mail.h"
#include "crashreport/drosk_report_file.h"
#include "crashreport/drosk_screen_shot.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "crashreport/drosk_watchdog.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

// The request a raising thread writes into the pipe: 40 bytes, the fields in this order.
struct TRequest {
  uint32_t Event;  // 0 in the stop record
  uint32_t ThreadId;
  uint32_t Frozen;
  uint32_t Object;  // the address of the raising thread's exception_ptr
  uint32_t Address;
  uint32_t CanContinue;
  uint32_t StackPointer;
  uint32_t StackFrame;
  uint32_t ReportOut;
  uint32_t Reserved;
};
static_assert(sizeof(TRequest) == 40);

template <class T>
uint32_t Word(T* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
template <class T>
T* Pointer(uint32_t word) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(word));
}

win::UniqueHandle pipeRead;
win::UniqueHandle pipeWrite;
win::UniqueHandle handlingThread;
DWORD handlingThreadId = 0;

// The class name without namespaces, as the settings name classes.
std::string ClassName(const std::exception_ptr& object) {
  if (!object) return {};
  try {
    std::rethrow_exception(object);
  } catch (const std::exception& e) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), &std::free);
    std::string text = status == 0 && name ? name.get() : typeid(e).name();
    if (const size_t colons = text.rfind("::"); colons != std::string::npos) {
      text.erase(0, colons + 2);
    }
    return text;
  } catch (...) {
  }
  return {};
}

bool IsAbort(const std::exception_ptr& object) {
  if (!object) return false;
  try {
    std::rethrow_exception(object);
  } catch (const std::exception& e) {
    return InheritsFromName(&e, "EAbort");
  } catch (...) {
  }
  return false;
}

bool Ignored(const std::exception_ptr& object) {
  const std::string_view list = DroskSettings().IgnoredClasses;
  return object && !list.empty() && IsTextInList(list, ClassName(object));
}

TFireHandlersParams Params(THandlerKind kind, uint8_t phaseOrAction, const TRequest& request,
                           const std::string& report, const std::string& screenShot,
                           bool canContinue) {
  TFireHandlersParams p;
  p.Kind = kind;
  if (kind == THandlerKind::Exception) {
    p.Phase = phaseOrAction;
  } else {
    p.Action = phaseOrAction;
  }
  p.Flag = request.Frozen != 0;
  p.Value1 = request.Object;
  p.Value2 = request.Address;
  p.Value3 = request.ThreadId;
  p.Text1 = report;
  p.Text2 = screenShot;
  p.Byte1 = canContinue;
  return p;
}

// Fires the action handlers of one action; true when one of them handled it.
bool FireAction(TDroskAction action, const TRequest& request, std::string& report,
                std::string& screenShot) {
  TFireHandlersParams p = Params(THandlerKind::Action, static_cast<uint8_t>(action), request,
                                 report, screenShot, request.CanContinue != 0);
  FireHandlers(p);
  report = std::move(p.Text1);
  screenShot = std::move(p.Text2);
  return p.Handled;
}

int ScreenShotCode(uint32_t size) {
  switch (size) {
    case 4: return 1;
    case 51200: return 2;
    case 102400: return 3;
    case 204800: return 4;
    case 307200: return 5;
    default: return 0;
  }
}

void Handle(const TRequest& request) {
  const TDroskSettings& s = DroskSettings();
  const bool frozen = request.Frozen != 0;
  const std::exception_ptr object =
      request.Object ? *Pointer<std::exception_ptr>(request.Object) : nullptr;
  const bool holding =
      win::ThisModule() == GetModuleHandleA(nullptr) && !frozen && s.HoldThreadsWhileHandling;
  if (holding) HoldOtherThreads(true);
  AddToHistory(ExceptionHistory(), SecondsNow());

  std::string report, screenShot;
  bool canContinue = request.CanContinue != 0;
  auto phase = [&](uint8_t number) {
    TFireHandlersParams p =
        Params(THandlerKind::Exception, number, request, report, screenShot, canContinue);
    FireHandlers(p);
    report = std::move(p.Text1);
    screenShot = std::move(p.Text2);
    canContinue = canContinue && p.Byte1;
    return p.Handled;
  };
  bool handled = phase(0);
  if (!handled) {
    if (!Ignored(object)) {
      if (s.ScreenShotSize > 0) screenShot = CreateScreenShotPng(ScreenShotCode(s.ScreenShotSize));
      ComposeBugReport(frozen, object, request.Address, frozen ? 0 : request.ThreadId,
                       request.StackPointer, request.StackFrame, s.ShowExceptionBox && !s.WebMode,
                       0, report);
    }
    handled = phase(1);
    if (!handled) handled = phase(2);
  }
  TRequest current = request;
  current.CanContinue = canContinue;
  if (!(handled && canContinue)) {
    TBoxRoad road = TBoxRoad::Console;
    if (!handled) {
      if (s.AutoSave && !FireAction(TDroskAction::Save, current, report, screenShot)) {
        SaveBugReport(report);
      }
      if (s.AutoMail && !FireAction(TDroskAction::Mail, current, report, screenShot)) {
        SendBugReportMail(report, screenShot, nullptr, true);
      }
      if (s.ShowExceptionBox && !s.WebMode) {
        road = ShowExceptionBox(
            {frozen, ReportExceptionMessage(report), canContinue, screenShot, report});
      } else if (s.ShowExceptionBox && request.ReportOut) {
        *Pointer<std::string>(request.ReportOut) = report;
      }
    }
    const bool boxDecided =
        canContinue && s.ShowExceptionBox && !s.WebMode && road == TBoxRoad::Window;
    if (!boxDecided) {
      if (!HistoryRuleHolds(s.AutoClose) && (canContinue || HistoryRuleHolds(s.AutoRestart))) {
        if (HistoryRuleHolds(s.AutoRestart)) {
          FireAction(TDroskAction::Restart, current, report, screenShot);
          RestartApplication();
        }
        FireAction(TDroskAction::Continue, current, report, screenShot);
      } else {
        FireAction(TDroskAction::Close, current, report, screenShot);
        CloseApplication();
      }
    }
  }
  ResetFreezeMisses();
  if (holding) HoldOtherThreads(false);
}

void HandleGuarded(const TRequest& request) {
  try {
    Handle(request);
  } catch (...) {
    // The raising thread must be let go whatever happened here.
  }
}

DWORD WINAPI HandlingThread(void*) {
  for (;;) {
    TRequest request{};
    DWORD read = 0;
    if (!ReadFile(pipeRead.get(), &request, sizeof request, &read, nullptr) || request.Event == 0) {
      return 0;
    }
    if (read != sizeof request) continue;
    HandleGuarded(request);
    SetEvent(Pointer<void>(request.Event));
    PostThreadMessageA(request.ThreadId, WM_NULL, 0, 0);
  }
}

// The main thread answers its window messages while it waits. A quit message is posted again
// for the program's own loop; from then on the thread waits without dispatching, since the
// request still refers to this thread's data.
void WaitOnMainThread(HANDLE event) {
  for (;;) {
    if (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) {
      return;
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        WaitForSingleObject(event, INFINITE);
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

}  // namespace

int HandleException(bool frozen, std::exception_ptr exceptObject, TAddress exceptAddress,
                    bool canContinue, TAddress stackPointer, TAddress stackFrame,
                    std::string* reportOut) {
  const DWORD self = GetCurrentThreadId();
  if (self == handlingThreadId || (self == MainThreadId() && HandlersRunInMainThread())) return 0;
  if (!exceptObject && !frozen) exceptObject = std::current_exception();
  exceptObject = ReportableException(exceptObject);
  if (IsAbort(exceptObject)) {
    if (canContinue) return 0;
    CloseApplication();
  }
  if (!stackPointer) stackPointer = Word(__builtin_frame_address(0)) - 8;
  if (!stackFrame) stackFrame = Word(__builtin_frame_address(0));
  const win::UniqueHandle event(LoaderLockHeld() ? nullptr
                                                 : CreateEventA(nullptr, TRUE, FALSE, nullptr));
  TRequest request{Word(event.get()),
                   self,
                   frozen,
                   exceptObject ? Word(&exceptObject) : 0,
                   exceptAddress,
                   canContinue,
                   stackPointer,
                   stackFrame,
                   Word(reportOut),
                   0};
  PauseFreezeWatchdog(true);
  if (event && pipeWrite) {
    DWORD written = 0;
    if (WriteFile(pipeWrite.get(), &request, sizeof request, &written, nullptr) &&
        written == sizeof request) {
      if (self == MainThreadId()) {
        WaitOnMainThread(event.get());
      } else {
        WaitForSingleObject(event.get(), INFINITE);
      }
    }
  } else {
    HandleGuarded(request);
  }
  PauseFreezeWatchdog(false);
  if (DroskSettings().ResetFpu) {
    const uint16_t control = 0x1332;
    asm volatile("fninit\n\tfldcw %0" ::"m"(control));
  }
  return 0;
}

void StartExceptionThread() {
  if (handlingThread) return;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
  pipeRead.reset(readEnd);
  pipeWrite.reset(writeEnd);
  handlingThread.reset(
      CreateThread(nullptr, 0, HandlingThread, nullptr, CREATE_SUSPENDED, &handlingThreadId));
  if (!handlingThread) {
    pipeRead.reset();
    pipeWrite.reset();
    return;
  }
  SetThreadInfo(handlingThreadId, handlingThread.get(), "-", GetCurrentThreadId(), 0, {});
  SetThreadPriority(handlingThread.get(), THREAD_PRIORITY_HIGHEST);
  ResumeThread(handlingThread.get());
}

void StopExceptionThread() {
  if (!handlingThread) return;
  ResumeThread(handlingThread.get());
  // The stop record goes first: once the write end is closed nothing more can be written.
  if (!LoaderLockHeld()) {
    const TRequest stop{};
    DWORD written = 0;
    WriteFile(pipeWrite.get(), &stop, sizeof stop, &written, nullptr);
  }
  pipeWrite.reset();
  if (WaitForSingleObject(handlingThread.get(), 500) != WAIT_OBJECT_0) {
    TerminateThread(handlingThread.get(), 0);
  }
  handlingThread.reset();
  pipeRead.reset();
  SetThreadInfo(std::exchange(handlingThreadId, 0u), nullptr, {}, 0, 0, {});
}

DWORD ExceptionThreadId() { return handlingThreadId; }

// ---------------------------------------------------------------------------------------------
// Last-chance paths

namespace {

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
std::terminate_handler previousTerminate = nullptr;
void (*previousAbort)(int) = SIG_DFL;
void* overflowHandler = nullptr;
bool lastChanceInstalled = false;

// A thread other than the main thread goes on being a process member no longer.
void EndThreadAfterReport() {
  if (GetCurrentThreadId() == MainThreadId()) return;
  SetThreadInfo(GetCurrentThreadId(), nullptr, {}, 0, 0, {});
  ExitThread(0);
}

std::string Hex8(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// Reports a fault nobody handled; a thread other than the main thread may go on afterwards.
void ReportFault(const EXCEPTION_POINTERS& info) noexcept {
  try {
    const EXCEPTION_RECORD& record = *info.ExceptionRecord;
    const bool mainThread = GetCurrentThreadId() == MainThreadId();
    HandleException(false,
                    std::make_exception_ptr(
                        EExternal(FaultText(record), static_cast<uint32_t>(record.ExceptionCode))),
                    Word(record.ExceptionAddress), !mainThread, info.ContextRecord->Esp,
                    info.ContextRecord->Ebp, nullptr);
  } catch (...) {
  }
}

LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS* info) {
  ReportFault(*info);
  EndThreadAfterReport();
  return EXCEPTION_EXECUTE_HANDLER;
}

// Runs on the emergency stack: the overflowed stack is left as it was, so the report traces it.
// The main thread cannot go on without its stack: the program ends.
void ReportStackOverflow(void* info) {
  ReportFault(*static_cast<EXCEPTION_POINTERS*>(info));
  if (GetCurrentThreadId() == MainThreadId()) CloseApplication();
  SetThreadInfo(GetCurrentThreadId(), nullptr, {}, 0, 0, {});
}

// A stack overflow is taken first-hand: what is left of the stack would not carry the dispatch
// as far as the unhandled-exception filter. The thread ends here, on its own stack again, once
// the report is done.
LONG WINAPI StackOverflowHandler(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW ||
      !RunOnEmergencyStack(ReportStackOverflow, info)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  ExitThread(0);
}

void LastChanceTerminate() {
  try {
    HandleException(false, std::current_exception(), 0, GetCurrentThreadId() != MainThreadId(), 0,
                    0, nullptr);
  } catch (...) {
  }
  EndThreadAfterReport();
  std::signal(SIGABRT, SIG_DFL);  // reported already: the abort below is not a second error
  std::abort();
}

// Our runtime's run-time error: abort() ends the program (std::terminate's own abort aside,
// which is reported above). The runtime names no error, and the program cannot go on.
void LastChanceAbort(int) {
  try {
    HandleException(false, std::make_exception_ptr(DroskException("Runtime error")), 0, false, 0, 0,
                    nullptr);
  } catch (...) {
  }
  CloseApplication();
}

}  // namespace

std::string FaultText(const EXCEPTION_RECORD& record) {
  switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION: {
      const bool write = record.NumberParameters >= 2 && record.ExceptionInformation[0] == 1;
      const uint32_t target =
          record.NumberParameters >= 2 ? static_cast<uint32_t>(record.ExceptionInformation[1]) : 0u;
      std::string text = "Access violation at address " + Hex8(Word(record.ExceptionAddress));
      std::string module;
      if (FindModule(record.ExceptionAddress, &module)) {
        text += " in module '" + FileNameOnly(module) + "'";
      }
      return text + ". " + (write ? "Write" : "Read") + " of address " + Hex8(target);
    }
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "Division by zero";
    case EXCEPTION_STACK_OVERFLOW: return "Stack overflow";
    case EXCEPTION_PRIV_INSTRUCTION: return "Privileged instruction";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "Illegal instruction";
    default: return "External exception " + Hex8(static_cast<uint32_t>(record.ExceptionCode));
  }
}

void InstallLastChanceHandlers() {
  if (lastChanceInstalled) return;
  previousFilter = SetUnhandledExceptionFilter(LastChanceFilter);
  previousTerminate = std::set_terminate(LastChanceTerminate);
  previousAbort = std::signal(SIGABRT, LastChanceAbort);
  if (ReserveEmergencyStack())
    overflowHandler = AddVectoredExceptionHandler(1, StackOverflowHandler);
  lastChanceInstalled = true;
}

void RemoveLastChanceHandlers() {
  if (!lastChanceInstalled) return;
  SetUnhandledExceptionFilter(previousFilter);
  std::set_terminate(previousTerminate);
  std::signal(SIGABRT, previousAbort == SIG_ERR ? SIG_DFL : previousAbort);
  if (overflowHandler) RemoveVectoredExceptionHandler(std::exchange(overflowHandler, nullptr));
  FreeEmergencyStack();
  lastChanceInstalled = false;
}

}  // namespace drosk
