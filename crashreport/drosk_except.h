// Start and end of the exception library with its module: the start time, the main thread, the
// history a restarted process takes over, the shared thread list, and, when the settings switch
// the interception on, the hooks, the exception-handling thread and the freeze watchdog.
#pragma once

#include <windows.h>

#include <cstdint>

namespace drosk {

// Run once per module (a counter guards repeated calls), from the module's start and end.
void DroskExceptInitialization();
void DroskExceptFinalization();

// The system time (UTC) at start-up, as a file time.
FILETIME StartTime();
DWORD MainThreadId();
// True when the settings switch the interception on (both switches, or a freeze interval).
bool InterceptionOn();

}  // namespace drosk
