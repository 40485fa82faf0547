// The crash library's exception root and the dynamic arrays its units pass around.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace drosk {

// Every failure the library raises itself; its routines turn these into false or empty results
// before anything leaves them.
class DroskException : public std::runtime_error {
 public:
  explicit DroskException(const std::string& message) : std::runtime_error(message) {}
};

using TDACardinal = std::vector<uint32_t>;
using TDAString = std::vector<std::string>;  // 8-bit texts, as every text of the library

}  // namespace drosk
