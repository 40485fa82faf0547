// The message of the exception a call raises, for tests that pin a failure's text.
#pragma once

#include <string>

namespace testsupport {

// What the `Exception` that `call` raises says; "no error" when it returns.
template <class Exception, class Call>
std::string ErrorMessage(Call&& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace testsupport
