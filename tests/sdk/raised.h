// The message of the exception a call raises, for tests that pin a failure's text.
#pragma once

#include <string>

namespace sdktest {

// What the `Exception` that `call` raises says, or "<no exception>".
template <class Exception, class Call>
std::string MessageOf(Call&& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "<no exception>";
}

}  // namespace sdktest
