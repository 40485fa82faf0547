// The benchmarks' clock.
#pragma once

#include <chrono>

namespace testsupport {

// Seconds on a steady clock, for differences.
inline double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace testsupport
