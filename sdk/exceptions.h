// The module's one exception family, and assertions that stay active in the shipped module.
#pragma once

#include <windows.h>

#include <string>

#include "framework/exception.h"

namespace sdk {

// Every failure the module raises itself; its message reaches the user or the host. The
// framework's root is the module's root, so a framework failure (an ini file that cannot be
// written) carries its message to the host like any other.
using Exception = framework::Exception;

// A host call answered with a failure status.
class EHostError : public Exception {
 public:
  EHostError(const std::string& call, HRESULT status);
  HRESULT status() const noexcept { return status_; }

 private:
  HRESULT status_;
};

// An internal consistency check failed: a fault of our own.
class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(const char* text, const char* file, int line);
};

// Raises EHostError when a host call failed.
inline void CheckHost(HRESULT status, const std::string& call) {
  if (FAILED(status)) throw EHostError(call, status);
}

}  // namespace sdk

#define RTL_ASSERT(condition, text)                                              \
  do {                                                                           \
    if (!(condition)) throw ::sdk::EAssertionFailed((text), __FILE__, __LINE__); \
  } while (false)
