// Messages of the module's exception family.
#include "sdk/exceptions.h"

#include <cstdio>

namespace sdk {

namespace {
std::string HostErrorMessage(const std::string& call, HRESULT status) {
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(status));
  return "The host failed " + call + " (status 0x" + code + ")";
}

std::string AssertionMessage(const char* text, const char* file, int line) {
  return std::string(text) + " (" + file + ", line " + std::to_string(line) + ")";
}
}  // namespace

EHostError::EHostError(const std::string& call, HRESULT status)
    : Exception(HostErrorMessage(call, status)), status_(status) {}

EAssertionFailed::EAssertionFailed(const char* text, const char* file, int line)
    : Exception(AssertionMessage(text, file, line)) {}

}  // namespace sdk
