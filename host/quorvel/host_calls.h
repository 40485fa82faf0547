// Every entry into the editor from outside runs through Guard: no exception leaves it, and the
// call and its time are counted, apart from the module's own work (the benchmarks print both).
#pragma once

#include <x86intrin.h>

#include "rtl/pcb_api_contract.h"

namespace quorvel {

// The totals since the editor was loaded.
quorvel_host::HostCallTotals& HostCalls();

// Counts one call from outside; calls nested in it (an export that uses another, an interface
// that adds a reference) count with it.
class HostCallScope {
 public:
  HostCallScope() noexcept {
    if (depth_++ == 0) start_ = __rdtsc();
  }
  ~HostCallScope() {
    if (--depth_ != 0) return;
    quorvel_host::HostCallTotals& totals = HostCalls();
    ++totals.calls;
    totals.ticks += __rdtsc() - start_;
  }
  HostCallScope(const HostCallScope&) = delete;
  HostCallScope& operator=(const HostCallScope&) = delete;

 private:
  // The editor is called on the host's thread only.
  static inline int depth_ = 0;
  static inline uint64_t start_ = 0;
};

template <class Result, class Body>
Result Guard(Result fallback, Body&& body) noexcept {
  const HostCallScope call;
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

}  // namespace quorvel
