// Standalone fuzzing of the expression parsers, for runs longer than the unit tests allow:
//   expression_fuzz [iterations [seed]]
// Prints the first failing input and exits with 1, or exits with 0.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "expression_fuzz.h"

int main(int argc, char** argv) {
  const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
  const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
  fuzz::ExpressionInputs inputs(static_cast<uint32_t>(seed));
  for (long i = 0; i < iterations; ++i) {
    const std::string text = inputs.Next();
    const std::string failure = fuzz::CheckInput(text);
    if (!failure.empty()) {
      std::printf("input %ld (seed %lu) failed: %s\n", i, seed, failure.c_str());
      std::fwrite(text.data(), 1, text.size(), stdout);
      std::printf("\n");
      return 1;
    }
    if ((i + 1) % 100000 == 0) std::printf("%ld inputs\n", i + 1);
  }
  std::printf("%ld inputs, no failure\n", iterations);
  return 0;
}
