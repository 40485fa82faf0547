// The root of the module's one exception family: every failure we raise ourselves carries a
// message meant for the user or the host.
#pragma once

#include <stdexcept>
#include <string>

namespace framework {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace framework
