// Long fuzz runs of the debug-information readers and the disassembler by hand:
// drosk_debug_info_fuzz [ITERATIONS [SEED]] (run beside Tralvek.map).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "debug_info_fuzz.h"

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 100000;
  const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  std::ifstream in("Tralvek.map", std::ios::binary);
  std::stringstream map;
  map << in.rdbuf();
  if (map.str().empty()) {
    std::fprintf(stderr, "Tralvek.map not found in the current folder\n");
    return 2;
  }
  struct Run {
    const char* what;
    std::string failure;
  } runs[] = {
      {"packed containers", fuzz::FuzzPackedReader(seed, iterations)},
      {"TD32 streams", fuzz::FuzzTd32Reader(seed, iterations)},
      {"text maps", fuzz::FuzzTextMapReader(map.str(), seed, iterations / 20)},
      {"code sequences", fuzz::FuzzCode(seed, iterations)},
  };
  int failures = 0;
  for (const Run& r : runs) {
    std::printf("%-18s %s\n", r.what, r.failure.empty() ? "no fault" : r.failure.c_str());
    failures += !r.failure.empty();
  }
  return failures ? 1 : 0;
}
