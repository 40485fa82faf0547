// Damaged route files for the reader: truncations and edits of a good file that plant the
// values routers and disks get wrong (signs, huge and negative numbers, NUL bytes, byte-order
// marks, unbalanced lists), and the check that each is either refused with a position or read
// into records the board can hold. Shared by the unit test and the standalone fuzz program.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <utility>

namespace fuzz {

// A route file of every record kind, as a router writes it.
const std::string& SeedRouteFile();

// Damaged copies of a route file (the seed file above unless another is given).
class RouteFileInputs {
 public:
  explicit RouteFileInputs(uint32_t seed, std::string base = SeedRouteFile())
      : random_(seed), base_(std::move(base)) {}
  std::string Next();

 private:
  size_t Below(size_t n) { return n == 0 ? 0 : random_() % n; }
  std::string Edited();

  std::mt19937 random_;
  std::string base_;
  uint64_t count_ = 0;
};

// Reads the text as "fuzz.rte". Empty when it is refused with "fuzz.rte:LINE:COLUMN: ..." or
// read into records without an impossible value; else what went wrong.
std::string CheckRouteFile(const std::string& text);

}  // namespace fuzz
