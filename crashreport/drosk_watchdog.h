// Process-level services of the exception road: the freeze watchdog (a thread that raises a
// "frozen" report when the main thread stops answering window messages), the exception history
// with its automatic-action rule, restarting the program with the history handed over, and the
// close action.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace drosk {

// Times of the last ten exceptions in whole seconds since 1601-01-01 UTC, newest first; 0 marks
// an empty entry. Written only by the exception-handling thread.
using TExceptionHistory = std::array<uint64_t, 10>;
TExceptionHistory& ExceptionHistory();
// Shifts the history down by one entry and stores `now` as the newest.
void AddToHistory(TExceptionHistory& history, uint64_t now);

uint64_t SecondsNow();
// 0 never holds, 1 always; N of 2 or more holds when all ten entries are set and none is more
// than N seconds before `now`.
bool HistoryRuleHolds(uint32_t n, const TExceptionHistory& history, uint64_t now);
bool HistoryRuleHolds(uint32_t n);

// What the watchdog calls, on its own thread, when the main thread missed ten checks.
using TFrozenReport = void (*)();
// Runs only with a check interval of at least 1 ms; called from the main thread, whose
// message-handler window answers the checks.
void StartFreezeWatchdog(uint32_t checkInterval, TFrozenReport report);
void StopFreezeWatchdog();
// Nestable; ignored on the watchdog thread and when the watchdog does not run.
void PauseFreezeWatchdog(bool pause);
void ResetFreezeMisses();
bool FreezeWatchdogRunning();
DWORD FreezeWatchdogThreadId();
// Tells the watchdog's check handler about a window that stands for the main thread's answer
// (the exception box of a frozen report).
void NotifyFreezeWatchdog(HWND window);

// The name of the restart hand-over block of a process: "droskExceptRestart$<pid>".
std::string RestartBlockName(DWORD processId);
// Receiving side, at start-up: takes the history out of this process's hand-over block after the
// old process has ended. False when there is no block.
bool TakeOverRestartHistory(TExceptionHistory& history);

// Starts the program again with its command line and hands it the history; ends this process
// with exit code 2 (also when the start failed).
[[noreturn]] void RestartApplication();
// Ends the process with exit code 1.
[[noreturn]] void CloseApplication();

}  // namespace drosk
