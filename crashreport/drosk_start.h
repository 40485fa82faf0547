// What the library records when it starts with the module: the start time, from which a report
// counts the program's up time, and the process's main thread.
#pragma once

#include <windows.h>

namespace drosk {

// The system time (UTC) at start-up, as a file time.
FILETIME StartTime();
// The first thread the enumeration found at start-up, else the calling thread of start-up.
DWORD MainThreadId();

}  // namespace drosk
