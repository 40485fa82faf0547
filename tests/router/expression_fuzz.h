// Random, truncated and mutated expression texts for the parsers, and the check that every one
// of them is answered with a tree or an EExpressionError. Shared by the unit test and the
// standalone fuzz program.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace fuzz {

// Well-formed scope expressions whose prefixes and mutations make the hardest inputs.
const std::vector<std::string>& SeedExpressions();

class ExpressionInputs {
 public:
  explicit ExpressionInputs(uint32_t seed) : random_(seed) {}
  std::string Next();

 private:
  size_t Below(size_t n) { return n == 0 ? 0 : random_() % n; }
  std::string TokenSoup();
  std::string RandomBytes();
  std::string Mutated();
  std::string Deep();

  std::mt19937 random_;
  uint64_t count_ = 0;
};

// Parses the text with the plain, the rule and the clearance-rule parser and uses what comes
// back. Empty when all is well, else what went wrong.
std::string CheckInput(const std::string& text);

}  // namespace fuzz
