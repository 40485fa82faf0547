// Start and end of the exception library with its module: the history a restarted process takes
// over, the shared thread list, and, when the settings switch the interception on, the hooks, the
// exception-handling thread and the freeze watchdog. The start time and the main thread are
// recorded by drosk_start.h.
#pragma once

namespace drosk {

// Run once per module (a counter guards repeated calls), from the module's start and end.
void DroskExceptInitialization();
void DroskExceptFinalization();

// True when the settings switch the interception on (both switches, or a freeze interval).
bool InterceptionOn();

}  // namespace drosk
