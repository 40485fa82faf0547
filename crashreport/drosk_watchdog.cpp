// Freeze watchdog, exception history, restart and close.
#include "crashreport/drosk_watchdog.h"

#include <cstring>
#include <memory>
#include <utility>

#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"

namespace drosk {

// ---------------------------------------------------------------------------------------------
// History and its rule

TExceptionHistory& ExceptionHistory() {
  static TExceptionHistory history{};
  return history;
}

void AddToHistory(TExceptionHistory& history, uint64_t now) {
  for (size_t i = history.size() - 1; i > 0; --i) history[i] = history[i - 1];
  history[0] = now;
}

uint64_t SecondsNow() {
  SYSTEMTIME system;
  GetSystemTime(&system);
  FILETIME file;
  SystemTimeToFileTime(&system, &file);
  return ((static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000000;
}

bool HistoryRuleHolds(uint32_t n, const TExceptionHistory& history, uint64_t now) {
  if (n < 2) return n != 0;
  for (size_t i = history.size(); i-- > 0;) {
    if (history[i] == 0 || history[i] + n < now) return false;
  }
  return true;
}

bool HistoryRuleHolds(uint32_t n) { return HistoryRuleHolds(n, ExceptionHistory(), SecondsNow()); }

// ---------------------------------------------------------------------------------------------
// Freeze watchdog

namespace {

constexpr WPARAM kAnswer = 777;
constexpr LRESULT kCheckAnswer = 777;
constexpr uint32_t kMissesPerReport = 10;

struct TWatchdog {
  uint32_t Interval = 0;
  TFrozenReport Report = nullptr;
  UINT CheckMessage = 0;
  HWND Window = nullptr;
  win::UniqueHandle Thread;
  DWORD ThreadId = 0;
  // Signalled while the watchdog checks, reset while a pause holds it.
  win::UniqueHandle Running;
  volatile LONG Misses = 0;
  volatile LONG Pauses = -1;
};
TWatchdog* watchdog = nullptr;

bool IsAnswer(const MSG& msg) {
  return msg.hwnd == nullptr && msg.message == WM_NULL && msg.wParam == kAnswer &&
         msg.lParam == static_cast<LPARAM>(kAnswer);
}

bool DrainAnswers() {
  bool answered = false;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) answered = answered || IsAnswer(msg);
  return answered;
}

DWORD WINAPI WatchdogThread(void* state) {
  auto* w = static_cast<TWatchdog*>(state);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the answers
  uint32_t period = w->Interval / 10;
  for (;;) {
    WaitForSingleObject(w->Running.get(), INFINITE);
    PostMessageA(w->Window, w->CheckMessage, 0, 0);
    Sleep(period);
    if (DrainAnswers()) {
      InterlockedExchange(&w->Misses, 0);
      period = w->Interval / 10;
    } else if (static_cast<uint32_t>(InterlockedIncrement(&w->Misses)) >= kMissesPerReport) {
      w->Report();
      InterlockedExchange(&w->Misses, 0);
      period += period / 2;
    }
  }
}

void CheckHandler(HWND, UINT, WPARAM wParam, LPARAM, LRESULT& result) {
  const auto target = reinterpret_cast<HWND>(wParam);
  if (target && IsWindow(target)) {
    PostMessageA(target, WM_NULL, kAnswer, kAnswer);
  } else if (watchdog) {
    PostThreadMessageA(watchdog->ThreadId, WM_NULL, kAnswer, kAnswer);
  }
  result = kCheckAnswer;
}

bool OnWatchdogThread() { return GetCurrentThreadId() == watchdog->ThreadId; }

}  // namespace

void StartFreezeWatchdog(uint32_t checkInterval, TFrozenReport report) {
  if (watchdog || checkInterval < 1 || !report) return;
  auto state = std::make_unique<TWatchdog>();
  state->Interval = checkInterval;
  state->Report = report;
  state->CheckMessage = AddMsgHandler(CheckHandler);
  state->Window = MsgHandlerWindow();
  state->Running.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  if (!state->CheckMessage || !state->Window || !state->Running) {
    if (state->CheckMessage) DelMsgHandler(CheckHandler, state->CheckMessage);
    return;
  }
  watchdog = state.release();
  watchdog->Thread.reset(
      CreateThread(nullptr, 0, WatchdogThread, watchdog, CREATE_SUSPENDED, &watchdog->ThreadId));
  if (!watchdog->Thread) {
    StopFreezeWatchdog();
    return;
  }
  SetThreadInfo(watchdog->ThreadId, watchdog->Thread.get(), "-", GetCurrentThreadId(), 0, {});
  SetThreadPriority(watchdog->Thread.get(), THREAD_PRIORITY_HIGHEST);
  ResumeThread(watchdog->Thread.get());
}

void StopFreezeWatchdog() {
  std::unique_ptr<TWatchdog> state(std::exchange(watchdog, nullptr));
  if (!state) return;
  DelMsgHandler(CheckHandler, state->CheckMessage);
  if (state->Thread) {
    TerminateThread(state->Thread.get(), 0);
    WaitForSingleObject(state->Thread.get(), INFINITE);
    SetThreadInfo(state->ThreadId, nullptr, {}, 0, 0, {});
  }
}

void PauseFreezeWatchdog(bool pause) {
  if (!watchdog || OnWatchdogThread()) return;
  if (pause) {
    InterlockedExchange(&watchdog->Misses, 0);
    if (InterlockedIncrement(&watchdog->Pauses) == 0) ResetEvent(watchdog->Running.get());
  } else {
    if (InterlockedDecrement(&watchdog->Pauses) < 0) SetEvent(watchdog->Running.get());
    InterlockedExchange(&watchdog->Misses, 0);
  }
}

void ResetFreezeMisses() {
  if (watchdog) InterlockedExchange(&watchdog->Misses, 0);
}

bool FreezeWatchdogRunning() { return watchdog != nullptr; }

DWORD FreezeWatchdogThreadId() { return watchdog ? watchdog->ThreadId : 0; }

void NotifyFreezeWatchdog(HWND window) {
  if (watchdog)
    PostMessageA(watchdog->Window, watchdog->CheckMessage, reinterpret_cast<WPARAM>(window), 0);
}

// ---------------------------------------------------------------------------------------------
// Restart and close

namespace {

#pragma pack(push, 1)
struct TRestartBlock {
  uint32_t OldProcessId;
  uint32_t Section;  // the block's handle, duplicated into the new process
  uint64_t History[10];
};
#pragma pack(pop)
static_assert(sizeof(TRestartBlock) == 88);

struct TView {
  void* Address;
  explicit TView(void* address) : Address(address) {}
  ~TView() {
    if (Address) UnmapViewOfFile(Address);
  }
  TView(const TView&) = delete;
  TView& operator=(const TView&) = delete;
};

// Hands the history to the new (still suspended) process through its named block.
void HandOver(const PROCESS_INFORMATION& process) {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);  // anyone may open it
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  const win::UniqueHandle section(
      CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                         sizeof(TRestartBlock), RestartBlockName(process.dwProcessId).c_str()));
  if (!section) return;
  const TView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TRestartBlock)));
  if (!view.Address) return;
  HANDLE duplicate = nullptr;
  DuplicateHandle(GetCurrentProcess(), section.get(), process.hProcess, &duplicate, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  TRestartBlock block{static_cast<uint32_t>(GetCurrentProcessId()),
                      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(duplicate)),
                      {}};
  std::memcpy(block.History, ExceptionHistory().data(), sizeof block.History);
  std::memcpy(view.Address, &block, sizeof block);
}

}  // namespace

std::string RestartBlockName(DWORD processId) {
  return "droskExceptRestart$" + IntToHex(static_cast<uint32_t>(processId));
}

bool TakeOverRestartHistory(TExceptionHistory& history) {
  const win::UniqueHandle section(
      OpenFileMappingA(FILE_MAP_READ, FALSE, RestartBlockName(GetCurrentProcessId()).c_str()));
  if (!section) return false;
  const TView view(MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, sizeof(TRestartBlock)));
  if (!view.Address) return false;
  TRestartBlock block;
  std::memcpy(&block, view.Address, sizeof block);
  // The handle the old process left here kept the block alive until this process opened it.
  if (block.Section) CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(block.Section)));
  if (const win::UniqueHandle old(OpenProcess(SYNCHRONIZE, FALSE, block.OldProcessId)); old) {
    WaitForSingleObject(old.get(), INFINITE);
  }
  std::memcpy(history.data(), block.History, sizeof block.History);
  return true;
}

void RestartApplication() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = GetCommandLineA();
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                     nullptr, nullptr, &startup, &process)) {
    HandOver(process);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  TerminateProcess(GetCurrentProcess(), 2);
  ExitProcess(2);
}

void CloseApplication() {
  TerminateProcess(GetCurrentProcess(), 1);
  ExitProcess(1);
}

}  // namespace drosk
