// Every entry into the editor from outside runs through Guard: no exception leaves it, and the
// call is counted and marked as running, so that the benchmarks can tell the host's share of the
// time from the module's.
#pragma once

#include "sdk/pcb_api_contract.h"

namespace quorvel {

// The editor is called on the host's thread only; a sampler may read `depth` from another.
inline quorvel_host::HostCallCounters host_calls{};

// Counts one call from outside; calls nested in it (an export that uses another, an interface
// that adds a reference) count with it.
class HostCallScope {
 public:
  HostCallScope() noexcept {
    const int32_t depth = host_calls.depth.load(std::memory_order_relaxed);
    if (depth == 0) ++host_calls.calls;
    host_calls.depth.store(depth + 1, std::memory_order_relaxed);
  }
  ~HostCallScope() {
    host_calls.depth.store(host_calls.depth.load(std::memory_order_relaxed) - 1,
                           std::memory_order_relaxed);
  }
  HostCallScope(const HostCallScope&) = delete;
  HostCallScope& operator=(const HostCallScope&) = delete;
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
