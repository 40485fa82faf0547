// The benchmarks' clocks.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>

namespace testsupport {

// Seconds on a steady clock, for differences.
inline double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor seconds of the calling thread (user and kernel), for differences: its own work,
// which the wall clock hides under other programs' load.
inline double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace testsupport
