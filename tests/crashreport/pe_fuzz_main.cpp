// Long runs of the PE reader fuzzing by hand: drosk_pe_fuzz [ITERATIONS [SEED]].
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pe_fuzz.h"

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 100000;
  const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  const HMODULE probe = LoadLibraryA("drosk_export_probe.dll");
  if (!probe) {
    std::fprintf(stderr, "drosk_export_probe.dll not found\n");
    return 2;
  }
  const std::string failure = fuzz::FuzzPeReaders(probe, seed, iterations);
  std::printf("%d damaged images read, %s\n", iterations,
              failure.empty() ? "no fault" : failure.c_str());
  return failure.empty() ? 0 : 1;
}
