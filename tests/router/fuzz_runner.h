// The loop of a standalone fuzz program: `PROGRAM [iterations [seed]]` feeds the inputs to the
// check, prints the first failing input and returns 1, or returns 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

template <class Inputs, class Check>
int RunFuzz(int argc, char** argv, Check check) {
  const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
  const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
  Inputs inputs(static_cast<uint32_t>(seed));
  for (long i = 0; i < iterations; ++i) {
    const std::string text = inputs.Next();
    const std::string failure = check(text);
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

}  // namespace fuzz
