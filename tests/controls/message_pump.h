// Runs the thread's messages (timers among them) for the tests that wait on them.
#pragma once

#include <windows.h>

#include <functional>

namespace xptest {

// Dispatches messages until `done` holds or `milliseconds` have passed.
inline void PumpMessages(
    DWORD milliseconds, const std::function<bool()>& done = [] { return false; }) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds && !done()) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(2);
  }
}

}  // namespace xptest
